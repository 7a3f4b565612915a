// Reads back the PNGs the program writes (8-bit RGB, unfiltered rows), so
// tests can compare pictures without outside tools.
#pragma once
#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace testing_support {

struct RgbImage {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB; empty if the file could not be read
};

inline RgbImage ReadRgbPng(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  RgbImage image;
  if (b.size() < 8 || b[1] != 'P' || b[2] != 'N' || b[3] != 'G') return image;
  auto be32 = [&](size_t at) { return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3]; };
  std::vector<uint8_t> packed;
  for (size_t at = 8; at + 12 <= b.size();) {
    uint32_t length = be32(at);
    std::string type(b.begin() + long(at) + 4, b.begin() + long(at) + 8);
    if (at + 12 + length > b.size()) return image;
    const uint8_t* data = b.data() + at + 8;
    if (type == "IHDR") {
      image.width = int(be32(at + 8));
      image.height = int(be32(at + 12));
      if (data[8] != 8 || data[9] != 2) return RgbImage{};  // only 8-bit RGB
    } else if (type == "IDAT") {
      packed.insert(packed.end(), data, data + length);
    }
    at += 12 + length;
  }
  uLongf size = uLongf(image.height) * (1 + 3 * uLongf(image.width));
  std::vector<uint8_t> raw(size);
  if (size == 0 || uncompress(raw.data(), &size, packed.data(), uLong(packed.size())) != Z_OK ||
      size != raw.size())
    return RgbImage{};
  image.pixels.resize(size_t(image.width) * image.height);
  for (int y = 0; y < image.height; ++y) {
    const uint8_t* row = raw.data() + size_t(y) * (1 + 3 * size_t(image.width));
    if (row[0] != 0) return RgbImage{};  // a filter this reader does not undo
    for (int x = 0; x < image.width; ++x)
      image.pixels[size_t(y) * image.width + x] =
          uint32_t(row[1 + 3 * x]) << 16 | uint32_t(row[2 + 3 * x]) << 8 | row[3 + 3 * x];
  }
  return image;
}

}  // namespace testing_support
