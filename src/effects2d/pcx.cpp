#include "effects2d/pcx.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/file_read.h"

namespace {

constexpr int kHeaderSize = 128;
constexpr int kPaletteSize = 768;  // 256 entries of red, green, blue
constexpr int kRunMarker = 0xC0;   // bytes from here on start a run of (byte - 0xC0)
constexpr int kEndOfStream = 255;  // what a read past the end of the file gives
constexpr size_t kPalettisedSlackPixels = 760 / 4;
constexpr size_t kIndexedSlackValues = 120;
// The largest picture accepted, three planes of kPcxMaxSide lines, at the
// worst encoding (a run of one for every value), with its palette: no file
// worth reading is larger, and one that is cannot be opened.
constexpr size_t kFileLimit = kHeaderSize + 2 * 3 * size_t(kPcxMaxSide) * kPcxMaxSide + 1 + kPaletteSize;

constexpr char kNotFound[] = "file %s not found";
constexpr char kWrongFormat[] = "The PCX-file must be of version 5 and RLE compressed";
constexpr char kNoMemory[] = "Memory allocation error !!!";

// The whole file, read at once, and the place of the next byte.
struct File {
  std::vector<uint8_t> bytes;
  size_t pos = 0;
};

struct Header {
  int version = 0;
  int encoding = 0;
  int depth = 0;  // bits per pixel per plane × planes
  int32_t bytesPerLine = 0;
  int32_t height = 0;
};

int Read16(const uint8_t* p) { return p[0] | p[1] << 8; }

bool ReadHeader(File& f, Header& header) {
  if (f.bytes.size() < size_t(kHeaderSize)) return false;
  const uint8_t* raw = f.bytes.data();
  f.pos = kHeaderSize;
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

// Reads the file and checks its header. False after adding the message
// for a file that cannot be opened (a folder, FIFO or device in its place,
// or one past the limit, among them) or is malformed.
bool OpenPcx(const std::string& file, File& f, Header& header, PictureErrors& errors) {
  if (base::ReadWholeFile(file, kFileLimit, f.bytes) != base::FileRead::kOk) {
    Fail(errors, NotFoundText(file));
    return false;
  }
  // A file too short to hold a header cannot be a PCX of the right kind.
  if (!ReadHeader(f, header) || header.version != 5 || header.encoding != 1) {
    Fail(errors, kWrongFormat);
    return false;
  }
  return true;
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

int ReadByte(File& f) { return f.pos < f.bytes.size() ? f.bytes[f.pos++] : kEndOfStream; }

// Run-length decoding into count values. Runs are not bound to scan lines or
// planes; a run that passes the end of the image is cut there.
void DecodeRuns(File& f, uint8_t* out, size_t count) {
  size_t n = 0;
  while (n < count) {
    // Past the end every read gives 255, a run of 63 values 255, and so on
    // until the image is full.
    if (f.pos >= f.bytes.size()) {
      std::memset(out + n, kEndOfStream, count - n);
      return;
    }
    int c = ReadByte(f);
    if (c < kRunMarker) {
      out[n++] = uint8_t(c);
      continue;
    }
    size_t run = std::min(size_t(c - kRunMarker), count - n);
    std::memset(out + n, ReadByte(f), run);
    n += run;
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
  File f;
  if (!OpenPcx(file, f, header, errors)) return 0;
  if (header.depth != 8 && header.depth != 24) return 1;

  uint8_t palette[kPaletteSize] = {};
  if (header.depth == 8) {
    // The palette is simply the last 768 bytes; a file too short for a
    // header and a palette has none.
    if (f.bytes.size() < size_t(kHeaderSize + kPaletteSize)) return Fail(errors, kWrongFormat);
    std::copy(f.bytes.end() - kPaletteSize, f.bytes.end(), palette);
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
  DecodeRuns(f, values.data(), values.size());

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
  File f;
  if (!OpenPcx(file, f, header, errors)) return 0;
  if (header.depth != 8) return 1;

  image.width = header.bytesPerLine;
  image.height = header.height;
  if (!SizeIsSane(image)) return MemoryError(image, errors);
  size_t count = size_t(image.width) * size_t(image.height);
  std::vector<uint8_t> block;
  if (!Allocate(block, count + kIndexedSlackValues)) return MemoryError(image, errors);
  DecodeRuns(f, block.data(), count);
  image.values = std::move(block);
  image.pixels = {};
  return 1;
}
