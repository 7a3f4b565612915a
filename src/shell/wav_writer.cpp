#include "shell/wav_writer.h"

#include <bit>
#include <cstring>
#include <vector>

namespace {

void PutLe(uint8_t* at, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = uint8_t(v >> (8 * i));
}

// The 44-byte header of a PCM WAV holding `frames` 16-bit stereo frames;
// -1 frames, not known yet, gives the largest sizes.
void Header(uint8_t* h, int rate, int64_t frames) {
  uint32_t data = frames < 0 ? 0xFFFFFFFFu - 36 : uint32_t(frames * 4);
  std::memcpy(h, "RIFF", 4);
  PutLe(h + 4, 36 + data, 4);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  PutLe(h + 16, 16, 4);  // format chunk size
  PutLe(h + 20, 1, 2);   // PCM
  PutLe(h + 22, 2, 2);   // channels
  PutLe(h + 24, uint32_t(rate), 4);
  PutLe(h + 28, uint32_t(rate) * 4, 4);  // bytes per second
  PutLe(h + 32, 4, 2);                   // bytes per frame
  PutLe(h + 34, 16, 2);                  // bits per sample
  std::memcpy(h + 36, "data", 4);
  PutLe(h + 40, data, 4);
}

}  // namespace

bool WavWriter::Open(std::FILE* file, int rate) {
  Close();
  file_ = file;
  if (!file_) return false;
  rate_ = rate;
  frames_ = 0;
  failed_ = false;
  seekable_ = std::fseek(file_, 0, SEEK_CUR) == 0;
  uint8_t h[kHeaderBytes];
  Header(h, rate, seekable_ ? 0 : -1);
  failed_ = std::fwrite(h, 1, sizeof h, file_) != sizeof h;
  return !failed_;
}

bool WavWriter::Write(const int16_t* samples, int frames) {
  if (!file_ || frames <= 0) return file_ != nullptr;
  size_t count = size_t(frames) * 2;
  if constexpr (std::endian::native == std::endian::little) {
    failed_ |= std::fwrite(samples, 2, count, file_) != count;
  } else {
    std::vector<uint8_t> bytes(count * 2);
    for (size_t i = 0; i < count; ++i) PutLe(&bytes[2 * i], uint16_t(samples[i]), 2);
    failed_ |= std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size();
  }
  frames_ += frames;
  return !failed_;
}

bool WavWriter::Close() {
  if (!file_) return !failed_;
  if (seekable_) {
    uint8_t h[kHeaderBytes];
    Header(h, rate_, frames_);
    failed_ |= std::fseek(file_, 0, SEEK_SET) != 0;
    failed_ |= std::fwrite(h, 1, sizeof h, file_) != sizeof h;
  }
  failed_ |= std::fclose(file_) != 0;
  file_ = nullptr;
  return !failed_;
}
