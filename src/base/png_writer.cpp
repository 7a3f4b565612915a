#include "base/png_writer.h"

#include <zlib.h>

#include <cstdio>

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(v >> s));
}

void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  Put32(out, uint32_t(data.size()));
  size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  uLong crc = crc32(0, out.data() + start, uInt(out.size() - start));
  Put32(out, uint32_t(crc));
}

bool Write(const std::string& path, const uint32_t* pixels, int width, int height, bool alpha) {
  if (width <= 0 || height <= 0) return false;
  std::vector<uint8_t> raw;
  raw.reserve(size_t(height) * (1 + (alpha ? 4 : 3) * size_t(width)));
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // no filter
    for (int x = 0; x < width; ++x) {
      uint32_t p = pixels[size_t(y) * width + x];
      raw.push_back(uint8_t(p >> 16));
      raw.push_back(uint8_t(p >> 8));
      raw.push_back(uint8_t(p));
      if (alpha) raw.push_back(uint8_t(p >> 24));
    }
  }
  uLongf packedSize = compressBound(uLong(raw.size()));
  std::vector<uint8_t> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), uLong(raw.size()), 6) != Z_OK) return false;
  packed.resize(packedSize);

  std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  Put32(header, uint32_t(width));
  Put32(header, uint32_t(height));
  // 8 bits, RGB or RGBA, deflate, no filter, no interlace
  header.insert(header.end(), {8, uint8_t(alpha ? 6 : 2), 0, 0, 0});
  Chunk(file, "IHDR", header);
  Chunk(file, "IDAT", packed);
  Chunk(file, "IEND", {});

  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(file.data(), 1, file.size(), f) == file.size();
  ok = (std::fclose(f) == 0) && ok;
  return ok;
}

}  // namespace

bool WritePng(const std::string& path, const uint32_t* pixels, int width, int height) {
  return Write(path, pixels, width, height, false);
}

bool WritePngWithAlpha(const std::string& path, const uint32_t* pixels, int width, int height) {
  return Write(path, pixels, width, height, true);
}
