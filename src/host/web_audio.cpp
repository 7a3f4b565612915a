// The browser backend's sound: SDL's Web Audio output. "Directsound" and
// "Wavout" both open it; the page has no other.
#include <SDL.h>

#include <algorithm>

#include "host/web_backend.h"

namespace host {

void WebBackend::AudioCallback(void* user, uint8_t* stream, int bytes) {
  auto* self = static_cast<WebBackend*>(user);
  int frames = bytes / 4;  // 16-bit stereo
  self->pull_(reinterpret_cast<int16_t*>(stream), frames);
  self->delivered_ += frames;
  self->deliveredAtMs_ = page::SteadyMs();
}

bool WebBackend::OpenAudio(int /*output*/, int rate, AudioPull pull, std::string* error) {
  CloseAudio();
  pull_ = std::move(pull);
  audioRate_ = rate;
  delivered_ = heard_ = 0;
  deliveredAtMs_ = 0;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    *error = SDL_GetError();
    return false;
  }
  // The callback runs on the page's only thread, between two frames: its
  // buffer must outlast the longest frame, so about 45 ms of sound.
  int frames = 256;
  while (frames * 2 <= rate / 20) frames *= 2;
  SDL_AudioSpec want{}, have{};
  want.freq = rate;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = uint16_t(frames);
  want.callback = &WebBackend::AudioCallback;
  want.userdata = this;
  // No changes allowed: SDL converts to the audio context's own rate, so the
  // player always mixes at the rate the viewer chose.
  SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (!device) {
    *error = SDL_GetError();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  audioDevice_ = device;
  bufferFrames_ = have.samples;
  SDL_PauseAudioDevice(device, 0);
  return true;
}

void WebBackend::CloseAudio() {
  if (!audioDevice_) return;
  SDL_CloseAudioDevice(audioDevice_);
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  audioDevice_ = 0;
}

int64_t WebBackend::AudioFramesHeard() {
  if (delivered_ == 0) return heard_;
  // As on the desktop: the buffer filled last still waits to be played; the
  // one before it plays out at the mixing rate since that callback.
  double since = page::SteadyMs() - deliveredAtMs_;
  int64_t heard = delivered_ - bufferFrames_ + int64_t(since * audioRate_ / 1000.0);
  heard = std::min(heard, delivered_);
  if (heard > heard_) heard_ = heard;
  return heard_;
}

}  // namespace host
