#include "host/module_player.h"

#include <algorithm>
#include <cstring>
#include <libopenmpt/libopenmpt.hpp>
#include <vector>

#include "base/file_read.h"

namespace host {

namespace {

// Modules are read whole into memory; a larger file, far beyond any real
// module, is refused as too large.
constexpr size_t kModuleFileLimit = size_t(64) << 20;

}  // namespace

ModulePlayer::ModulePlayer(AudioOut& audio, Clock& clock) : audio_(audio), clock_(clock) {}

ModulePlayer::~ModulePlayer() { Close(); }

void ModulePlayer::SetOutput(int output) { output_ = output; }

bool ModulePlayer::Init(int mixRate, int /*maxChannels*/) {
  ++initCalls_;
  if (!failInit_.empty()) {
    initError_ = failInit_;
    failInit_.clear();
    return false;
  }
  if (mixRate < 4000 || mixRate > 192000) {
    initError_ = "Unsupported mixing rate " + std::to_string(mixRate) + " Hz.";
    return false;
  }
  mixRate_ = mixRate;
  if (output_ != kOutputNone) {
    std::string error;
    if (!audio_.OpenAudio(output_, mixRate,
                            [this](int16_t* s, int n) { Mix(s, n); }, &error)) {
      // What to do about it, too: the show plays as well without sound.
      initError_ = "Could not open the sound output: " + error + ". Choose Nosound, or start with --nosound.";
      return false;
    }
    audioOpen_ = true;
  }
  initialised_ = true;
  return true;
}

Song* ModulePlayer::LoadSong(const std::string& path) {
  std::vector<uint8_t> bytes;
  switch (base::ReadWholeFile(path, kModuleFileLimit, bytes)) {
    case base::FileRead::kOk:
      break;
    case base::FileRead::kNotFound:
      songError_ = "File not found: " + path;
      return nullptr;
    case base::FileRead::kNotRegular:
      songError_ = "Not a regular file: " + path;
      return nullptr;
    case base::FileRead::kTooLarge:
      songError_ = "File too large: " + path;
      return nullptr;
    case base::FileRead::kReadError:
      songError_ = "Read error: " + path;
      return nullptr;
  }
  auto song = std::make_unique<Song>();
  try {
    song->module = std::make_unique<openmpt::module>(bytes);
    // No dither: the same song always makes the same samples.
    song->module->ctl_set_integer("dither", 0);
  } catch (const std::exception& e) {
    songError_ = std::string("Unknown file format or corrupted file: ") + path + " (" + e.what() + ")";
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(mixLock_);
  song_ = std::move(song);
  return song_.get();
}

bool ModulePlayer::PlaySong(Song* song) {
  if (!song || song != song_.get()) return false;
  std::lock_guard<std::mutex> lock(mixLock_);
  song->module->set_position_seconds(startOffsetMs_ / 1000.0);
  // The song's first sample goes into the next frame mixed, which is heard
  // once everything mixed before it has played. A backend that takes no
  // pulls (headless) hears each frame as it happens.
  song->framesAtPlay = audioOpen_ ? std::max(mixedFrames_, audio_.AudioFramesHeard()) : 0;
  song->clockAtPlay = clock_.NowMs();
  song->playing = true;
  return true;
}

uint32_t ModulePlayer::SongTimeMs(Song* song) {
  if (!song || !song->playing) return 0;
  if (song->paused) return song->pausedAtMs;
  if (!audioOpen_) return startOffsetMs_ + uint32_t(clock_.NowMs() - song->clockAtPlay);
  std::lock_guard<std::mutex> lock(mixLock_);
  int64_t heard = audio_.AudioFramesHeard();
  // Silence heard to its end counts as if the song had started that much
  // later; the run being heard now counts up to the listener.
  while (!song->silences.empty() && song->silences.front().first + song->silences.front().second <= heard) {
    song->framesAtPlay += song->silences.front().second;
    song->silences.pop_front();
  }
  int64_t frames = heard - song->framesAtPlay;
  if (!song->silences.empty() && heard > song->silences.front().first) frames -= heard - song->silences.front().first;
  if (frames < 0) frames = 0;
  return startOffsetMs_ + uint32_t(frames * 1000 / mixRate_);
}

void ModulePlayer::PauseSong(Song* song, bool paused) {
  if (!song || !song->playing || song->paused == paused) return;
  if (paused) song->pausedAtMs = SongTimeMs(song);
  std::lock_guard<std::mutex> lock(mixLock_);
  // The song stops at, and goes on from, the next stream frame not yet
  // mixed; what lies between is silence.
  int64_t next = audioOpen_ ? std::max(mixedFrames_, audio_.AudioFramesHeard()) : 0;
  if (paused) {
    song->pausedAtFrame = next;
    song->clockAtPause = clock_.NowMs();
  } else {
    song->silences.emplace_back(song->pausedAtFrame, next - song->pausedAtFrame);
    song->clockAtPlay += clock_.NowMs() - song->clockAtPause;
  }
  song->paused = paused;
}

void ModulePlayer::Mix(int16_t* samples, int frames) {
  std::lock_guard<std::mutex> lock(mixLock_);
  mixedFrames_ += frames;
  int done = 0;
  if (song_ && song_->playing && !song_->paused) {
    while (done < frames) {
      size_t got = song_->module->read_interleaved_stereo(mixRate_, frames - done, samples + 2 * done);
      if (got == 0) break;
      done += int(got);
    }
  }
  std::memset(samples + 2 * done, 0, size_t(frames - done) * 2 * sizeof(int16_t));
}

void ModulePlayer::FreeSong(Song* song) {
  std::lock_guard<std::mutex> lock(mixLock_);
  if (song && song == song_.get()) song_.reset();
}

void ModulePlayer::Close() {
  if (!initialised_) return;
  ++closeCalls_;
  if (audioOpen_) audio_.CloseAudio();
  audioOpen_ = false;
  initialised_ = false;
}

}  // namespace host
