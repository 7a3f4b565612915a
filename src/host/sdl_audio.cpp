#include "host/sdl_backend.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

namespace host {

static uint64_t SteadyNs() {
  return uint64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(
                      std::chrono::steady_clock::now().time_since_epoch())
                      .count());
}

void SdlBackend::AudioCallback(void* user, uint8_t* stream, int bytes) {
  auto* self = static_cast<SdlBackend*>(user);
  int frames = bytes / 4;  // 16-bit stereo
  self->pull_(reinterpret_cast<int16_t*>(stream), frames);
  std::lock_guard<std::mutex> lock(self->audioLock_);
  self->delivered_ += frames;
  self->deliveredAtNs_ = SteadyNs();
}

std::vector<AudioAttempt> AudioAttempts(int output, int rate, const std::string& namedDriver) {
  // About 25 ms of sound per callback by default: short enough that the
  // picture is never far behind the ear, long enough not to starve on a
  // busy frame. The direct output takes about half of that.
  int frames = 256;
  while (frames * 2 <= rate / 40) frames *= 2;
  int small = 256;
  while (small * 2 <= rate / 80) small *= 2;
  std::vector<AudioAttempt> attempts;
  if (output == kOutputDirectSound && namedDriver.empty())
    attempts.push_back(AudioAttempt{"alsa", "sysdefault", small});
  attempts.push_back(AudioAttempt{"", "", frames});
  return attempts;
}

bool SdlBackend::TryAudio(const AudioAttempt& attempt, int rate, std::string* error) {
  const char* driver = attempt.driver.empty() ? nullptr : attempt.driver.c_str();
  if (driver) SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, driver, SDL_HINT_OVERRIDE);
  // SDL's ALSA driver opens the device the environment names.
  const char* given = SDL_getenv("AUDIODEV");
  bool setDevice = !attempt.device.empty() && !(given && *given);
  if (setDevice) setenv("AUDIODEV", attempt.device.c_str(), 1);
  int failed = SDL_InitSubSystem(SDL_INIT_AUDIO);
  if (driver) SDL_ResetHint(SDL_HINT_AUDIODRIVER);
  SDL_AudioDeviceID device = 0;
  SDL_AudioSpec want{}, have{};
  if (!failed) {
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = uint16_t(attempt.bufferFrames);
    want.callback = &SdlBackend::AudioCallback;
    want.userdata = this;
    // No changes allowed: SDL converts to whatever the device wants, so the
    // player always mixes at the rate the viewer chose.
    device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (!device) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  if (setDevice) unsetenv("AUDIODEV");
  if (!device) {
    *error = SDL_GetError();
    return false;
  }
  audioDevice_ = device;
  audioDriver_ = SDL_GetCurrentAudioDriver();
  bufferFrames_ = have.samples;
  SDL_PauseAudioDevice(device, 0);
  return true;
}

bool SdlBackend::OpenAudio(int output, int rate, AudioPull pull, std::string* error) {
  CloseAudio();
  pull_ = std::move(pull);
  audioRate_ = rate;
  delivered_ = heard_ = 0;
  deliveredAtNs_ = 0;
  const char* named = SDL_getenv("SDL_AUDIODRIVER");
  std::vector<AudioAttempt> attempts = AudioAttempts(output, rate, named ? named : "");
  for (size_t i = 0; i < attempts.size(); ++i) {
    std::string failure;
    if (TryAudio(attempts[i], rate, &failure)) return true;
    if (i + 1 == attempts.size()) *error = failure;
  }
  return false;
}

void SdlBackend::CloseAudio() {
  if (!audioDevice_) return;
  SDL_CloseAudioDevice(audioDevice_);  // waits for a running callback
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  audioDevice_ = 0;
  audioDriver_.clear();
}

int64_t SdlBackend::AudioFramesDelivered() {
  std::lock_guard<std::mutex> lock(audioLock_);
  return delivered_;
}

int64_t SdlBackend::AudioFramesHeard() {
  std::lock_guard<std::mutex> lock(audioLock_);
  if (delivered_ == 0) return heard_;
  // The buffer the callback filled last is still waiting to be played; the
  // one before it plays out at the mixing rate since that callback.
  int64_t sinceNs = int64_t(SteadyNs() - deliveredAtNs_);
  int64_t heard = delivered_ - bufferFrames_ + sinceNs * audioRate_ / 1000000000;
  heard = std::min(heard, delivered_);
  if (heard > heard_) heard_ = heard;
  return heard_;
}

}  // namespace host
