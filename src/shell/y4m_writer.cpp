#include "shell/y4m_writer.h"

namespace {

// BT.601 in 16.16 fixed point, already scaled to the studio range: luma
// spans 219 steps above 16, chroma 224 steps around 128. Each chroma row
// sums to zero so a grey has no colour at all.
constexpr int kYr = 16829, kYg = 33039, kYb = 6416;
constexpr int kCbR = -9715, kCbG = -19070, kCbB = 28785;
constexpr int kCrR = 28785, kCrG = -24104, kCrB = -4681;

uint8_t Chroma(int64_t weighted, int n) {
  // weighted / (n · 65536) + 128, rounded to nearest; never negative here.
  int64_t scale = int64_t(n) << 16;
  return uint8_t((weighted + 128 * scale + scale / 2) / scale);
}

}  // namespace

uint8_t Bt601Luma(uint32_t rgb) {
  int r = rgb >> 16 & 255, g = rgb >> 8 & 255, b = rgb & 255;
  return uint8_t(((16 << 16) + kYr * r + kYg * g + kYb * b + (1 << 15)) >> 16);
}

uint8_t Bt601Cb(int r, int g, int b, int n) { return Chroma(int64_t(kCbR) * r + int64_t(kCbG) * g + int64_t(kCbB) * b, n); }
uint8_t Bt601Cr(int r, int g, int b, int n) { return Chroma(int64_t(kCrR) * r + int64_t(kCrG) * g + int64_t(kCrB) * b, n); }

void RgbToYuv420(const uint32_t* rgb, int width, int height, uint8_t* y, uint8_t* cb, uint8_t* cr) {
  for (int i = 0; i < width * height; ++i) y[i] = Bt601Luma(rgb[i]);
  int half = width / 2;
  for (int by = 0; by < height / 2; ++by) {
    for (int bx = 0; bx < half; ++bx) {
      int r = 0, g = 0, b = 0;
      for (int dy = 0; dy < 2; ++dy)
        for (int dx = 0; dx < 2; ++dx) {
          uint32_t p = rgb[size_t(2 * by + dy) * width + 2 * bx + dx];
          r += p >> 16 & 255;
          g += p >> 8 & 255;
          b += p & 255;
        }
      cb[by * half + bx] = Bt601Cb(r, g, b, 4);
      cr[by * half + bx] = Bt601Cr(r, g, b, 4);
    }
  }
}

bool Y4mWriter::Open(std::FILE* file, int width, int height, int framesPerSecond) {
  Close();
  if (!file) return false;
  if (width <= 0 || height <= 0 || width % 2 || height % 2 || framesPerSecond <= 0) {
    std::fclose(file);
    return false;
  }
  file_ = file;
  width_ = width;
  height_ = height;
  frames_ = 0;
  failed_ = false;
  planes_.resize(size_t(width) * height * 3 / 2);
  // Progressive, square pixels, chroma centred in its block, studio range.
  failed_ = std::fprintf(file_, "YUV4MPEG2 W%d H%d F%d:1 Ip A1:1 C420jpeg XCOLORRANGE=LIMITED\n",
                         width, height, framesPerSecond) < 0;
  return !failed_;
}

bool Y4mWriter::WriteFrame(const uint32_t* pixels) {
  if (!file_) return false;
  size_t luma = size_t(width_) * height_, chroma = luma / 4;
  RgbToYuv420(pixels, width_, height_, planes_.data(), planes_.data() + luma,
              planes_.data() + luma + chroma);
  failed_ |= std::fputs("FRAME\n", file_) < 0;
  failed_ |= std::fwrite(planes_.data(), 1, planes_.size(), file_) != planes_.size();
  ++frames_;
  return !failed_;
}

bool Y4mWriter::Close() {
  if (!file_) return !failed_;
  failed_ |= std::fclose(file_) != 0;
  file_ = nullptr;
  return !failed_;
}
