// The module player: output selection, start-up, one loaded song, its play
// time. Songs are decoded by libopenmpt; the sound goes to the backend's
// audio stream. The time reported is what has been heard, not what has been
// mixed, so pictures follow the ears.
#pragma once
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "host/audio_out.h"
#include "host/clock.h"

namespace openmpt {
class module;
}

namespace host {

struct Song {
  std::unique_ptr<openmpt::module> module;
  bool playing = false;
  int64_t framesAtPlay = 0;  // the stream's frame that holds the song's first sample
  uint64_t clockAtPlay = 0;  // wall clock when the song started (no output)
  bool paused = false;
  uint32_t pausedAtMs = 0;     // the song's time when it was paused
  int64_t pausedAtFrame = 0;   // the stream's frame where the song stopped
  uint64_t clockAtPause = 0;   // the wall clock then (no output)
  // The stream's silent stretches while paused (first frame, count) that the
  // listener has not yet heard to their end.
  std::deque<std::pair<int64_t, int64_t>> silences;
};

class ModulePlayer {
 public:
  ModulePlayer(AudioOut& audio, Clock& clock);
  ~ModulePlayer();

  void SetOutput(int output);
  bool Init(int mixRate, int maxChannels);
  const char* InitErrorText() const { return initError_.c_str(); }
  Song* LoadSong(const std::string& path);
  const char* SongErrorText() const { return songError_.c_str(); }
  bool PlaySong(Song* song);
  uint32_t SongTimeMs(Song* song);
  // Holds the song where the listener is, or lets it go on from there: while
  // held the mixer gives silence and the song's time stands still; once let
  // go, the time counts only what was played of the song.
  void PauseSong(Song* song, bool paused);
  void FreeSong(Song* song);
  void Close();

  // Songs start this many milliseconds in (the command line's --start).
  void SetStartOffsetMs(uint32_t ms) { startOffsetMs_ = ms; }
  // For tests: the next Init fails with this text.
  void FailInit(const std::string& text) { failInit_ = text; }

  int Output() const { return output_; }
  int MixRate() const { return mixRate_; }
  bool Initialised() const { return initialised_; }
  int InitCalls() const { return initCalls_; }
  int CloseCalls() const { return closeCalls_; }
  bool HasAudio() const { return audioOpen_; }

 private:
  void Mix(int16_t* samples, int frames);

  AudioOut& audio_;
  Clock& clock_;
  int output_ = kOutputDirectSound;  // the library's default output
  int mixRate_ = 0;
  bool initialised_ = false;
  bool audioOpen_ = false;
  int initCalls_ = 0, closeCalls_ = 0;
  uint32_t startOffsetMs_ = 0;
  std::string initError_ = "No error.";
  std::string songError_ = "No error.";
  std::string failInit_;
  std::unique_ptr<Song> song_;
  int64_t mixedFrames_ = 0;  // frames handed to the audio stream so far
  std::mutex mixLock_;  // the audio callback runs on its own thread
};

}  // namespace host
