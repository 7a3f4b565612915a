// A YUV4MPEG2 stream of frames: 4:2:0, BT.601 studio range, square pixels,
// the frame rate in the header. Video tools take it as it is.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// One pixel 0x00RRGGBB as BT.601 studio-range luma (16..235).
uint8_t Bt601Luma(uint32_t rgb);
// Chroma of the sum of n pixels' channels (n = 4 for a 2 × 2 block), 16..240.
uint8_t Bt601Cb(int sumR, int sumG, int sumB, int n);
uint8_t Bt601Cr(int sumR, int sumG, int sumB, int n);

// Converts an image of even width and height into its three planes: luma
// per pixel, and chroma per 2 × 2 block from the block's average colour (the
// chroma sample sits in the block's centre).
void RgbToYuv420(const uint32_t* rgb, int width, int height, uint8_t* y, uint8_t* cb, uint8_t* cr);

class Y4mWriter {
 public:
  Y4mWriter() = default;
  Y4mWriter(const Y4mWriter&) = delete;
  Y4mWriter& operator=(const Y4mWriter&) = delete;
  ~Y4mWriter() { Close(); }

  bool Open(const std::string& path, int width, int height, int framesPerSecond) {
    return Open(std::fopen(path.c_str(), "wb"), width, height, framesPerSecond);
  }
  // Takes `file` over (null: it could not be opened).
  bool Open(std::FILE* file, int width, int height, int framesPerSecond);
  // Appends one frame of width × height pixels, rows without gaps.
  bool WriteFrame(const uint32_t* pixels);
  bool Close();  // false if any write failed

  bool IsOpen() const { return file_ != nullptr; }
  int64_t Frames() const { return frames_; }

 private:
  std::FILE* file_ = nullptr;
  int width_ = 0, height_ = 0;
  int64_t frames_ = 0;
  bool failed_ = false;
  std::vector<uint8_t> planes_;
};
