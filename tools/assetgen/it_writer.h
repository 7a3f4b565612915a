// An Impulse Tracker module as plain data, and the code that turns it into
// the bytes of an .it file (instrument mode, uncompressed mono samples,
// patterns packed with channel masks).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace it {

constexpr int kMaxChannels = 64;
constexpr int kNoNote = -1;
constexpr int kNoteCut = 254;
constexpr int kNoteOff = 255;
constexpr int kNoVolume = -1;
constexpr int kMiddleC = 60;  // C-5

// Effect letters as the file numbers them: A = 1 … Z = 26.
constexpr int Fx(char letter) { return letter - 'A' + 1; }

struct Cell {
  int note = kNoNote;        // 0..119, kNoteCut or kNoteOff
  int instrument = 0;        // 1-based, 0 = none
  int volume = kNoVolume;    // raw volume column: 0..64 volume, 128..192 pan
  int command = 0;           // Fx('A')..Fx('Z'), 0 = none
  int param = 0;

  bool Empty() const {
    return note == kNoNote && instrument == 0 && volume == kNoVolume && command == 0;
  }
  bool operator==(const Cell&) const = default;
};

struct Pattern {
  Pattern(int rows, int channels) : rows(rows), channels(channels), cells(rows * channels) {}
  Cell& at(int row, int channel) { return cells[row * channels + channel]; }
  const Cell& at(int row, int channel) const { return cells[row * channels + channel]; }
  bool operator==(const Pattern&) const = default;

  int rows;
  int channels;
  std::vector<Cell> cells;
};

struct EnvelopeNode {
  int value;  // 0..64 for volume
  int tick;
};

struct Envelope {
  bool enabled = false;
  bool loop = false;
  bool sustain = false;
  int loopStart = 0, loopEnd = 0;        // node indices
  int sustainStart = 0, sustainEnd = 0;  // node indices
  std::vector<EnvelopeNode> nodes;       // at most 25
};

struct Instrument {
  std::string name;
  int sample = 1;             // every note plays this sample, at its own pitch
  int globalVolume = 128;     // 0..128
  int fadeout = 0;            // 0..1024 per tick, after note off
  int newNoteAction = 0;      // 0 cut, 1 continue, 2 note off, 3 fade
  int defaultPan = -1;        // 0..64, -1 = channel's own
  Envelope volumeEnvelope;
};

struct Sample {
  std::string name;
  std::vector<int16_t> data;  // mono
  bool sixteenBit = true;     // false stores the top 8 bits only
  int c5speed = 8363;         // playback rate of C-5
  int globalVolume = 64;      // 0..64
  int defaultVolume = 64;     // 0..64
  bool loop = false;
  bool pingPong = false;
  int loopStart = 0, loopEnd = 0;  // in samples, end exclusive
};

struct Module {
  std::string name;
  int speed = 6;
  int tempo = 125;
  int globalVolume = 128;  // 0..128
  int mixVolume = 48;      // 0..128
  int separation = 128;    // 0..128
  int channels = 4;        // channels in use; the rest are switched off
  std::vector<int> channelPan = std::vector<int>(kMaxChannels, 32);     // 0..64
  std::vector<int> channelVolume = std::vector<int>(kMaxChannels, 64);  // 0..64
  std::vector<int> orders;  // pattern numbers; the end marker is added
  std::vector<Instrument> instruments;
  std::vector<Sample> samples;
  std::vector<Pattern> patterns;
};

// The module's bytes, or an empty vector with `error` set when a value does
// not fit the format.
std::vector<uint8_t> WriteModule(const Module& module, std::string* error);

// One pattern's packed data (without its 8-byte header).
std::vector<uint8_t> PackPattern(const Pattern& pattern);

}  // namespace it
