// The audio stream: a sound device that pulls stereo 16-bit frames.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace host {

enum SoundOutput { kOutputNone = 0, kOutputWaveOut = 1, kOutputDirectSound = 2 };

// Fills `frames` stereo frames of interleaved 16-bit samples.
using AudioPull = std::function<void(int16_t* samples, int frames)>;

class AudioOut {
 public:
  virtual ~AudioOut() = default;

  // output: kOutputWaveOut the system's default output (through its sound
  // server where one runs), kOutputDirectSound the most direct output it
  // has, else the default.
  virtual bool OpenAudio(int output, int rate, AudioPull pull, std::string* error) = 0;
  virtual void CloseAudio() = 0;
  // Stereo frames that have actually reached the listener since OpenAudio.
  virtual int64_t AudioFramesHeard() = 0;
};

}  // namespace host
