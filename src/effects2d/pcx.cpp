#include "effects2d/pcx.h"

#include <cstdio>
#include <memory>
#include <new>

namespace {

constexpr int kHeaderSize = 128;
constexpr int kPaletteSize = 768;  // 256 entries of red, green, blue
constexpr int kRunMarker = 0xC0;   // bytes from here on start a run of (byte - 0xC0)
constexpr int kEndOfStream = 255;  // what a read past the end of the file gives
constexpr size_t kPalettisedSlackPixels = 760 / 4;
constexpr size_t kIndexedSlackValues = 120;

constexpr char kNotFound[] = "file %s not found";
constexpr char kWrongFormat[] = "The PCX-file must be of version 5 and RLE compressed";
constexpr char kNoMemory[] = "Memory allocation error !!!";

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

struct Header {
  int version = 0;
  int encoding = 0;
  int depth = 0;  // bits per pixel per plane × planes
  int32_t bytesPerLine = 0;
  int32_t height = 0;
};

int Read16(const uint8_t* p) { return p[0] | p[1] << 8; }

bool ReadHeader(std::FILE* f, Header& header) {
  uint8_t raw[kHeaderSize];
  if (std::fread(raw, 1, kHeaderSize, f) != kHeaderSize) return false;
  header.version = raw[1];
  header.encoding = raw[2];
  header.depth = raw[3] * raw[65];
  header.bytesPerLine = Read16(raw + 66);
  header.height = Read16(raw + 10) - Read16(raw + 6) + 1;
  return true;
}

int Fail(PictureErrors& errors, const std::string& text) {
  errors.push_back(text);
  return 0;
}

std::string NotFoundText(const std::string& file) {
  const std::string text = kNotFound;
  size_t at = text.find("%s");
  return text.substr(0, at) + file + text.substr(at + 2);
}

// Opens the file and reads and checks its header. Returns the open file, or
// null after showing the message for a missing or malformed file.
File OpenPcx(const std::string& file, Header& header, PictureErrors& errors) {
  File f(std::fopen(file.c_str(), "rb"));
  if (!f) {
    Fail(errors, NotFoundText(file));
    return nullptr;
  }
  // A file too short to hold a header cannot be a PCX of the right kind.
  if (!ReadHeader(f.get(), header) || header.version != 5 || header.encoding != 1) {
    Fail(errors, kWrongFormat);
    return nullptr;
  }
  return f;
}

// Huge headers are refused up front rather than handed to the allocator.
bool SizeIsSane(const PcxImage& image) {
  return image.height >= 0 && image.width <= kPcxMaxSide && image.height <= kPcxMaxSide;
}

template <class T>
bool Allocate(std::vector<T>& block, size_t count) {
  try {
    block.assign(count, 0);
  } catch (const std::bad_alloc&) {
    block = std::vector<T>();
    return false;
  }
  return true;
}

// One reader per file, so the stream's lock is not taken byte by byte.
int ReadByte(std::FILE* f) {
  int c = getc_unlocked(f);
  return c == EOF ? kEndOfStream : c;
}

// Run-length decoding into count values. Runs are not bound to scan lines or
// planes; a run that passes the end of the image is cut there.
void DecodeRuns(std::FILE* f, uint8_t* out, size_t count) {
  size_t n = 0;
  while (n < count) {
    int c = ReadByte(f);
    if (c < kRunMarker) {
      out[n++] = uint8_t(c);
      continue;
    }
    int run = c - kRunMarker;
    uint8_t v = uint8_t(ReadByte(f));
    for (; run > 0 && n < count; --run) out[n++] = v;
  }
}

int MemoryError(PcxImage& image, PictureErrors& errors) {
  image.pixels = {};
  image.values = {};
  return Fail(errors, kNoMemory);
}

}  // namespace

int LoadPCX(const std::string& file, PcxImage& image, PictureErrors& errors,
            size_t minPixels) {
  Header header;
  File f = OpenPcx(file, header, errors);
  if (!f) return 0;
  if (header.depth != 8 && header.depth != 24) return 1;

  uint8_t palette[kPaletteSize] = {};
  if (header.depth == 8) {
    // The palette is simply the last 768 bytes; a file too short for a
    // header and a palette has none.
    if (std::fseek(f.get(), 0, SEEK_END) != 0 || std::ftell(f.get()) < kHeaderSize + kPaletteSize)
      return Fail(errors, kWrongFormat);
    std::fseek(f.get(), -kPaletteSize, SEEK_END);
    if (std::fread(palette, 1, kPaletteSize, f.get()) != kPaletteSize) return Fail(errors, kWrongFormat);
    std::fseek(f.get(), kHeaderSize, SEEK_SET);
  }

  image.width = header.bytesPerLine;
  image.height = header.height;
  if (!SizeIsSane(image)) return MemoryError(image, errors);
  size_t count = size_t(image.width) * size_t(image.height);
  size_t blockPixels = count + (header.depth == 8 ? kPalettisedSlackPixels : 0);
  if (blockPixels < minPixels) blockPixels = minPixels;

  std::vector<uint32_t> block;
  std::vector<uint8_t> values;  // 8-bit: indices; 24-bit: plane lines red, green, blue, red, ...
  size_t planes = header.depth / 8;
  if (!Allocate(block, blockPixels) || !Allocate(values, count * planes))
    return MemoryError(image, errors);
  DecodeRuns(f.get(), values.data(), values.size());

  if (planes == 1) {
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* entry = palette + 3 * values[i];
      block[i] = uint32_t(entry[0]) << 16 | uint32_t(entry[1]) << 8 | entry[2];
    }
  } else {
    size_t w = size_t(image.width);
    for (size_t y = 0; y < size_t(image.height); ++y) {
      const uint8_t* red = values.data() + y * 3 * w;
      const uint8_t* green = red + w;
      const uint8_t* blue = green + w;
      for (size_t x = 0; x < w; ++x)
        block[y * w + x] = uint32_t(red[x]) << 16 | uint32_t(green[x]) << 8 | blue[x];
    }
  }
  image.pixels = std::move(block);
  image.values = {};
  return 1;
}

int LoadPCXIndexed(const std::string& file, PcxImage& image, PictureErrors& errors) {
  Header header;
  File f = OpenPcx(file, header, errors);
  if (!f) return 0;
  if (header.depth != 8) return 1;

  image.width = header.bytesPerLine;
  image.height = header.height;
  if (!SizeIsSane(image)) return MemoryError(image, errors);
  size_t count = size_t(image.width) * size_t(image.height);
  std::vector<uint8_t> block;
  if (!Allocate(block, count + kIndexedSlackValues)) return MemoryError(image, errors);
  DecodeRuns(f.get(), block.data(), count);
  image.values = std::move(block);
  image.pixels = {};
  return 1;
}
