// A 16-bit stereo PCM WAV file written as the sound arrives. The sizes in
// the header are filled in when the file is closed; a stream that cannot go
// back (a pipe) carries the largest sizes instead, as streaming writers do.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

class WavWriter {
 public:
  WavWriter() = default;
  WavWriter(const WavWriter&) = delete;
  WavWriter& operator=(const WavWriter&) = delete;
  ~WavWriter() { Close(); }

  bool Open(const std::string& path, int rate) { return Open(std::fopen(path.c_str(), "wb"), rate); }
  // Takes `file` over (null: it could not be opened).
  bool Open(std::FILE* file, int rate);
  // Appends `frames` stereo frames of interleaved samples.
  bool Write(const int16_t* samples, int frames);
  // Writes the final sizes; false if any write failed along the way.
  bool Close();

  bool IsOpen() const { return file_ != nullptr; }
  int64_t Frames() const { return frames_; }

  static constexpr int kHeaderBytes = 44;

 private:
  std::FILE* file_ = nullptr;
  int rate_ = 0;
  int64_t frames_ = 0;
  bool failed_ = false;
  bool seekable_ = false;
};
