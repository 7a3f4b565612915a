// "what2xx.it": the show's soundtrack, composed here row by row. Tempo 150
// at speed 6 makes every row exactly 100 ms (a beat is four rows), so each
// window of the show's timetable starts on a row and each section below
// starts with its window.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "assetgen.h"
#include "it_writer.h"
#include "music_score.h"
#include "music_song.h"
#include "music_synth.h"

namespace music {
namespace {

constexpr int kSongRows = 2370;  // the show ends at row 2340; a short silence follows
constexpr int kShowEndRow = 2340;
constexpr int kFadeRow = 2310;
constexpr int kWindowStarts[] = {0,    200,  540,  570,  790,  820,  850,  880,  1050, 1070, 1090,
                                 1110, 1280, 1330, 1460, 1490, 1600, 1710, 1820, 1930, 2150, 2310};

enum Channel { kKick, kSnare, kHat, kBass, kPad1, kPad2, kPad3, kArp, kLead, kEcho, kFx, kBell, kCtrl, kChannels };
enum Instrument {
  kInsKick = 1, kInsSnare, kInsHat, kInsOpenHat, kInsCrash, kInsBass, kInsPad, kInsLead,
  kInsPluck, kInsBell, kInsRiser, kInsZap, kInsReverse
};
constexpr int kEchoDelay = 3;  // a dotted eighth

// ---- Instruments --------------------------------------------------------

struct Voice {
  const char* name;
  Wave wave;
  int rate;              // sample rate, or the C-5 speed of a loop
  bool loop;
  bool sixteenBit;
  it::Envelope envelope;
  int newNoteAction;     // 2 lets a pad's tail ring under the next chord
  int fadeout;
  int globalVolume;      // 0..128, the mix between instruments
};

it::Envelope Shape(std::vector<it::EnvelopeNode> nodes, int sustainNode) {
  it::Envelope e;
  e.enabled = true;
  e.nodes = std::move(nodes);
  if (sustainNode >= 0) {
    e.sustain = true;
    e.sustainStart = e.sustainEnd = sustainNode;
  }
  return e;
}

void AddVoice(it::Module& m, Voice v) {
  it::Sample s;
  s.name = v.name;
  s.data = ToPcm(v.wave, 0.98);
  s.sixteenBit = v.sixteenBit;
  s.c5speed = v.rate;
  s.loop = v.loop;
  s.loopEnd = v.loop ? static_cast<int>(v.wave.size()) : 0;
  m.samples.push_back(std::move(s));
  it::Instrument in;
  in.name = v.name;
  in.sample = static_cast<int>(m.samples.size());
  in.volumeEnvelope = std::move(v.envelope);
  in.newNoteAction = v.newNoteAction;
  in.fadeout = v.fadeout;
  in.globalVolume = v.globalVolume;
  m.instruments.push_back(std::move(in));
}

void AddInstruments(it::Module& m) {
  const it::Envelope none;
  Wave crash = Crash(32000);
  Wave reversed(crash.rbegin(), crash.rend());
  // Loops of 16384 samples hold 128 periods of middle C and, for the stacks,
  // a few voices a period or two apart: a slow built-in chorus.
  const int padSpeed = LoopC5Speed(16384, 128);
  AddVoice(m, {"kick", Kick(22050), 22050, false, true, none, 0, 0, 128});
  AddVoice(m, {"snare", Snare(22050), 22050, false, true, none, 0, 0, 104});
  AddVoice(m, {"closed hat", Hat(44100, 0.09, 0.018), 44100, false, true, none, 0, 0, 80});
  AddVoice(m, {"open hat", Hat(44100, 0.4, 0.11), 44100, false, true, none, 0, 0, 64});
  AddVoice(m, {"crash", crash, 32000, false, false, none, 0, 0, 72});
  AddVoice(m, {"bass", Pulse(256, 1, 0.42, 24), LoopC5Speed(256, 1), true, true,
               Shape({{64, 0}, {46, 6}, {38, 24}}, 2), 0, 1024, 112});
  AddVoice(m, {"pad", SawStack(16384, {126, 127, 128, 129, 130}, 28, 9.0), padSpeed, true, true,
               Shape({{0, 0}, {64, 36}, {0, 110}}, 1), 2, 128, 56});
  AddVoice(m, {"lead", SawStack(16384, {128, 129}, 36, 14.0), padSpeed, true, true,
               Shape({{0, 0}, {64, 1}, {48, 18}, {0, 30}}, 2), 2, 256, 76});
  AddVoice(m, {"pluck", Pulse(256, 2, 0.25, 48), LoopC5Speed(256, 2), true, true,
               Shape({{64, 0}, {22, 5}, {0, 28}}, -1), 0, 0, 72});
  AddVoice(m, {"bell", Bell(22050), 22050, false, true, none, 0, 0, 64});
  AddVoice(m, {"riser", Riser(16000, 3.0), 16000, false, false, none, 0, 0, 80});
  AddVoice(m, {"zap", Zap(22050), 22050, false, true, none, 0, 0, 80});
  AddVoice(m, {"reverse crash", reversed, 32000, false, false, none, 0, 0, 64});
}

// ---- Harmony and melody -------------------------------------------------

struct Chord {
  int root;       // bass note
  int pad[3];     // voicing around middle C
};
constexpr Chord kAm{33, {57, 60, 64}}, kF{29, {57, 60, 65}}, kC{36, {55, 60, 64}},
    kG{31, {55, 59, 62}}, kDm{38, {57, 62, 65}}, kE{28, {56, 59, 64}};

struct Progression {
  std::vector<Chord> chords;
  int rowsEach;
  const Chord& At(int row) const { return chords[(row / rowsEach) % chords.size()]; }
};
const Progression kMain{{kAm, kF, kC, kG}, 32};

// One token a row: "C-5", "G#4", "." to let the note ring, "==" note off.
std::vector<int> Notes(const char* text) {
  std::vector<int> rows;
  static const int kSemitone[] = {9, 11, 0, 2, 4, 5, 7};  // A..G
  for (const char* p = text; *p;) {
    while (*p == ' ' || *p == '|') p++;
    if (!*p) break;
    size_t len = std::strcspn(p, " |");
    if (len == 1 && *p == '.') rows.push_back(it::kNoNote);
    else if (len == 2 && p[0] == '=') rows.push_back(it::kNoteOff);
    else rows.push_back(kSemitone[p[0] - 'A'] + (p[1] == '#') + 12 * (p[2] - '0'));
    p += len;
  }
  return rows;
}

const std::vector<int> kThemeA = Notes(
    "E-5 . . . A-5 . . . C-6 . B-5 . A-5 . . . | G-5 . . . A-5 . . . E-5 . . . . . == . "
    "F-5 . . . A-5 . . . C-6 . D-6 . C-6 . . . | A-5 . . . C-6 . . . F-6 . . . E-6 . D-6 . "
    "E-6 . . . . . C-6 . G-5 . . . C-6 . . . | E-6 . . . D-6 . C-6 . D-6 . . . . . == . "
    "D-6 . . . B-5 . . . G-5 . . . B-5 . D-6 . | G-6 . . . F-6 . E-6 . D-6 . . . B-5 . == .");
const std::vector<int> kThemeB = Notes(
    "A-5 . A-5 . C-6 . A-5 . E-6 . D-6 . C-6 . B-5 . | A-5 . . . E-5 . G-5 . A-5 . . . == . . . "
    "A-5 . A-5 . C-6 . A-5 . F-6 . E-6 . C-6 . A-5 . | C-6 . . . D-6 . . . C-6 . . . == . . . "
    "G-5 . G-5 . C-6 . G-5 . E-6 . D-6 . C-6 . G-5 . | E-6 . . . G-6 . . . E-6 . . . == . . . "
    "G-5 . B-5 . D-6 . G-6 . F-6 . E-6 . D-6 . B-5 . | D-6 . . . . . . . B-5 . . . == . . .");
// The story: one phrase for each page, over two chords.
struct Page {
  Chord first, second;
  std::vector<int> phrase;
};
const Page kPages[4] = {
    {kAm, kF, Notes("E-5 . . . . . . . A-5 . . . . . . . | B-5 . . . C-6 . . . . . . . . . . . "
                    "B-5 . . . A-5 . . . G-5 . . . . . . . | A-5 . . . . . . . . . . . . . . . "
                    "C-6 . . . . . . . A-5 . . . . . . . | F-5 . . . . . . . . . . . == . . .")},
    {kDm, kAm, Notes("D-6 . . . . . . . C-6 . . . A-5 . . . | F-5 . . . . . . . . . . . G-5 . A-5 . "
                     "E-5 . . . . . . . . . . . . . . . | A-5 . . . . . . . C-6 . . . E-6 . . . "
                     "D-6 . . . C-6 . . . B-5 . . . . . . . | A-5 . . . . . . . . . . . == . . .")},
    {kF, kC, Notes("C-6 . . . . . . . F-6 . . . E-6 . . . | C-6 . . . . . . . A-5 . . . . . . . "
                   "G-5 . . . . . . . . . . . E-5 . G-5 . | C-6 . . . . . . . . . . . D-6 . E-6 . "
                   "G-6 . . . . . . . E-6 . . . . . . . | C-6 . . . . . . . . . . . == . . .")},
    {kG, kE, Notes("D-6 . . . . . . . B-5 . . . G-5 . . . | D-6 . . . . . . . . . . . E-6 . F-6 . "
                   "E-6 . . . . . . . D-6 . . . B-5 . . . | G#5 . . . . . . . . . . . . . . . "
                   "B-5 . . . . . . . E-6 . . . . . . . | G#5 . . . . . . . . . . . == . . .")},
};

// ---- Writing into the score ---------------------------------------------

class Writer {
 public:
  explicit Writer(Score& s) : s_(s) {}

  void Note(int row, int ch, int note, int ins, int vol) {
    if (row < 0 || row >= s_.rows()) return;
    it::Cell& c = s_.at(row, ch);
    c.note = note;
    c.instrument = note == it::kNoteOff || note == it::kNoteCut ? 0 : ins;
    c.volume = note == it::kNoteOff || note == it::kNoteCut ? it::kNoVolume : std::clamp(vol, 0, 64);
  }
  // Ends whatever rings on a channel, unless a new note starts there anyway.
  void Release(int row, int ch) {
    if (row < s_.rows() && s_.at(row, ch).note == it::kNoNote) Note(row, ch, it::kNoteOff, 0, 0);
  }
  void Command(int row, int ch, int command, int param) {
    it::Cell& c = s_.at(row, ch);
    c.command = command;
    c.param = param;
  }

  void Pads(int from, int to, const Progression& p, int vol) {
    for (int r = from; r < to; r += p.rowsEach)
      for (int v = 0; v < 3; v++) Note(r, kPad1 + v, p.At(r - from).pad[v], kInsPad, vol);
    for (int v = 0; v < 3; v++) Release(to, kPad1 + v);
  }

  enum BassStyle { kOffbeat, kRolling, kPedal };
  void Bass(int from, int to, const Progression& p, BassStyle style, int vol) {
    for (int r = from; r < to; r++) {
      int step = (r - from) % 16;
      int root = p.At(r - from).root;
      switch (style) {
        case kOffbeat:
          if (step % 4 == 2) Note(r, kBass, step == 14 ? root + 12 : root, kInsBass, vol);
          break;
        case kRolling:  // three sixteenths between the kicks, the middle one an octave up
          if (step % 4 != 0) Note(r, kBass, step % 4 == 2 ? root + 12 : root, kInsBass, step % 4 == 1 ? vol : vol - 10);
          break;
        case kPedal:
          if (step % 4 == 2) Note(r, kBass, kAm.root, kInsBass, vol);
          break;
      }
    }
    Release(to, kBass);
  }

  void Arp(int from, int to, const Progression& p, int vol) {
    static const int kOrder[] = {0, 1, 2, 3, 2, 1, 3, 1};  // 3 is the root an octave up
    for (int r = from; r < to; r++) {
      const Chord& c = p.At(r - from);
      int k = kOrder[(r - from) % 8];
      int note = (k == 3 ? c.pad[0] + 12 : c.pad[k]) + 12;
      Note(r, kArp, note, kInsPluck, (r - from) % 4 == 0 ? vol : vol - 6);
    }
  }

  struct Kit {
    bool kick, snare, hats16, openHats;
    int level;  // added to every drum's volume
  };
  void Drums(int from, int to, Kit kit) {
    static const int kHatAccent[] = {0, -16, -6, -16};
    for (int r = from; r < to; r++) {
      int step = (r - from) % 16;
      if (kit.kick && step % 4 == 0) Note(r, kKick, it::kMiddleC, kInsKick, 60 + kit.level);
      if (kit.snare && (step == 4 || step == 12)) Note(r, kSnare, it::kMiddleC, kInsSnare, 54 + kit.level);
      if (kit.openHats && step % 4 == 2) {
        Note(r, kHat, it::kMiddleC, kInsOpenHat, 40 + kit.level);
      } else if (kit.hats16 || step % 4 == 2) {
        Note(r, kHat, it::kMiddleC, kInsHat, 42 + kHatAccent[step % 4] + kit.level);
      }
    }
  }

  void SnareRoll(int from, int to) {
    for (int r = from; r < to; r++) Note(r, kSnare, it::kMiddleC, kInsSnare, 24 + 36 * (r - from) / (to - from));
  }

  // Plays a melody from `from`, repeating it until `to`, then lets it go.
  void Melody(int from, int to, const std::vector<int>& notes, int vol, int transpose = 0) {
    for (int r = from; r < to; r++) {
      int n = notes[(r - from) % notes.size()];
      if (n != it::kNoNote) Note(r, kLead, n == it::kNoteOff ? n : n + transpose, kInsLead, vol);
    }
    Release(to, kLead);
  }

  void Hit(int row, int ch, int ins, int note, int vol) { Note(row, ch, note, ins, vol); }

  // The lead, a dotted eighth later and softer, on its own channel.
  void Echo() {
    for (int r = s_.rows() - 1; r >= kEchoDelay; r--) {
      const it::Cell& c = s_.at(r - kEchoDelay, kLead);
      if (c.note != it::kNoNote) Note(r, kEcho, c.note, kInsLead, c.volume * 2 / 5);
    }
  }

 private:
  Score& s_;
};

// ---- The sections, one per window of the show ---------------------------

void Compose(Writer& w) {
  const int C5 = it::kMiddleC;
  const Writer::Kit full{true, true, true, true, 0};

  // 0-20 s: the listing is typed. Pads breathe, bells, a pluck creeps in.
  w.Pads(0, 200, kMain, 44);
  for (int r : {0, 64, 128}) w.Hit(r, kBell, kInsBell, r == 64 ? C5 + 16 : C5 + 9, 36);
  w.Arp(96, 200, kMain, 18);
  for (int r = 128; r < 200; r += 2) w.Hit(r, kHat, kInsHat, C5, 10 + (r - 128) / 6);
  w.Hit(170, kFx, kInsRiser, C5, 48);

  // 20-54 s: the bump lights rise with the beat; the theme after eight bars.
  w.Hit(200, kFx, kInsCrash, C5, 56);
  w.Drums(200, 264, {true, false, false, false, -4});
  w.Drums(264, 524, {true, true, false, true, -2});
  w.SnareRoll(524, 540);
  w.Bass(200, 540, kMain, Writer::kOffbeat, 50);
  w.Pads(200, 540, kMain, 34);
  w.Arp(200, 540, kMain, 22);
  w.Melody(328, 540, kThemeA, 44);

  // 54-57 s: the break. A zap, a held chord, a cymbal sucked backwards.
  w.Hit(540, kFx, kInsZap, C5, 48);
  w.Pads(540, 570, {{kAm}, 30}, 46);
  w.Hit(540, kBell, kInsBell, C5 + 9, 40);
  w.Hit(554, kFx, kInsReverse, C5, 56);

  // 57-79 s: the warp drives: rolling bass, sixteenths, the second theme.
  w.Hit(570, kFx, kInsCrash, C5, 60);
  w.Drums(570, 774, full);
  w.Drums(774, 790, {true, false, true, false, -6});
  w.Hit(774, kFx, kInsReverse, C5, 48);
  w.Bass(570, 790, kMain, Writer::kRolling, 52);
  w.Pads(570, 790, kMain, 30);
  w.Melody(570, 790, kThemeB, 46);

  // 79-82 s: air for the picture.
  w.Pads(790, 820, {{kF}, 30}, 50);
  for (int r : {790, 800, 810}) w.Hit(r, kBell, kInsBell, C5 + (r == 800 ? 21 : 16), 40);

  // 82-88 s: the zoom starts on kick and bass, then the snare and pluck.
  w.Drums(820, 850, {true, false, false, false, -2});
  w.Drums(850, 872, {true, true, false, false, -2});
  w.SnareRoll(872, 880);
  w.Bass(820, 880, kMain, Writer::kRolling, 50);
  w.Pads(820, 880, kMain, 30);
  w.Arp(850, 880, kMain, 24);

  // 88-105 s: greetings over the full drive and the first theme.
  w.Hit(880, kFx, kInsCrash, C5, 60);
  w.Drums(880, 1050, full);
  w.Bass(880, 1050, kMain, Writer::kRolling, 52);
  w.Pads(880, 1050, kMain, 30);
  w.Arp(880, 1050, kMain, 22);
  w.Melody(880, 1050, kThemeA, 46);

  // 105-107 s: the picture fades in; the beat falls away to hats.
  w.Drums(1050, 1070, {false, false, true, false, -14});
  w.Pads(1050, 1070, {{kG}, 20}, 40);
  w.Hit(1054, kFx, kInsReverse, C5, 50);

  // 107-109 s: air again.
  w.Pads(1070, 1090, {{kF}, 20}, 50);
  for (int r : {1070, 1080}) w.Hit(r, kBell, kInsBell, C5 + (r == 1070 ? 21 : 24), 40);

  // 109-128 s: the flight builds from a lone kick and a pedal bass.
  w.Drums(1090, 1110, {true, false, false, false, -4});
  w.Bass(1090, 1110, kMain, Writer::kPedal, 50);
  w.Pads(1090, 1110, {{kAm}, 20}, 30);
  w.Drums(1110, 1174, {true, false, true, false, -8});
  w.Drums(1174, 1238, {true, true, true, false, -4});
  w.Drums(1238, 1264, {true, true, true, true, 0});
  for (int r = 1246; r < 1264; r += 2) w.Hit(r, kSnare, kInsSnare, C5, 40);
  w.SnareRoll(1264, 1280);
  w.Bass(1110, 1280, kMain, Writer::kRolling, 50);
  w.Pads(1110, 1280, kMain, 30);
  w.Arp(1110, 1280, kMain, 26);
  w.Hit(1250, kFx, kInsRiser, C5, 56);

  // 128-133 s: planes melt into the tunnel; the second theme starts.
  w.Hit(1280, kFx, kInsCrash, C5, 64);
  w.Drums(1280, 1330, {true, true, true, false, 0});
  w.Bass(1280, 1460, kMain, Writer::kRolling, 54);
  w.Pads(1280, 1460, kMain, 30);
  w.Melody(1280, 1460, kThemeB, 48);

  // 133-146 s: the tunnel at full tilt.
  w.Hit(1330, kFx, kInsCrash, C5, 60);
  w.Drums(1330, 1460, {true, true, true, true, 2});
  w.Arp(1330, 1460, kMain, 26);

  // 146-149 s: fade to black on the dominant.
  w.Hit(1460, kFx, kInsZap, C5 - 5, 44);
  w.Pads(1460, 1490, {{kE}, 30}, 40);
  w.Hit(1460, kBell, kInsBell, C5 + 4, 36);

  // 149-193 s: the story, one phrase a page over a soft pulse.
  for (int k = 0; k < 4; k++) {
    int from = 1490 + 110 * k, to = from + 110;
    const Page& page = kPages[k];
    w.Hit(from, kBell, kInsBell, page.first.pad[2] + 12, 34);
    const Progression chords{{page.first, page.second}, 55};
    w.Pads(from, to, chords, 36);
    w.Bass(from, to, chords, Writer::kOffbeat, 32);
    w.Melody(from + 8, to, page.phrase, 34);
    // Each page adds a layer, so the story leans towards the landscape.
    for (int r = from; r < to; r += 16) w.Hit(r, kKick, kInsKick, C5, 30);
    if (k >= 1) w.Drums(from, to, {false, false, k >= 3, k >= 3, -8});
    if (k >= 2) w.Arp(from, to, chords, 18 + 2 * k);
  }

  // 193-215 s: over the landscape, a rounder groove and the first theme.
  w.Drums(1930, 2150, {true, false, true, false, -6});
  for (int r = 1930 + 12; r < 2150; r += 16) w.Hit(r, kSnare, kInsSnare, C5, 40);
  w.Bass(1930, 2150, kMain, Writer::kOffbeat, 50);
  w.Pads(1930, 2150, kMain, 34);
  w.Arp(1930, 2150, kMain, 20);
  w.Melody(1962, 2150, kThemeA, 42);

  // 215-234 s: the finale, everything at once; then the fade.
  w.Hit(2150, kFx, kInsCrash, C5, 64);
  w.Drums(2150, kShowEndRow, {true, true, true, true, 2});
  w.Bass(2150, kShowEndRow, kMain, Writer::kRolling, 54);
  w.Pads(2150, kShowEndRow, kMain, 32);
  w.Arp(2150, kShowEndRow, kMain, 24);
  w.Melody(2150, kShowEndRow, kThemeB, 48);
  w.Echo();
  for (int r = kFadeRow; r < kShowEndRow; r++)
    w.Command(r, kCtrl, it::Fx('V'), 128 * (kShowEndRow - r) / (kShowEndRow - kFadeRow));
  w.Command(kShowEndRow, kCtrl, it::Fx('V'), 0);
  for (int ch = 0; ch < kChannels; ch++)
    if (ch != kCtrl) w.Note(kShowEndRow, ch, it::kNoteCut, 0, 0);
}

}  // namespace

const std::vector<int>& WindowStartRows() {
  static const std::vector<int> rows(std::begin(kWindowStarts), std::end(kWindowStarts));
  return rows;
}

it::Module ComposeSong() {
  it::Module m;
  m.name = "what2xx";
  m.speed = 6;
  m.tempo = 150;
  m.mixVolume = 60;
  m.channels = kChannels;
  const int pans[kChannels] = {32, 30, 42, 32, 14, 32, 50, 20, 38, 54, 32, 46, 32};
  for (int ch = 0; ch < kChannels; ch++) m.channelPan[ch] = pans[ch];
  AddInstruments(m);

  Score score(kSongRows, kChannels);
  Writer w(score);
  Compose(w);

  std::vector<int> cuts = WindowStartRows();
  cuts.push_back(kShowEndRow);
  CutIntoPatterns(score, PatternLengths(kSongRows, cuts, 64), m);
  return m;
}

}  // namespace music

bool WriteMusic(const std::string& dir) {
  std::string error;
  std::vector<uint8_t> bytes = it::WriteModule(music::ComposeSong(), &error);
  std::string path = dir + "/what2xx.it";
  if (bytes.empty()) {
    std::fprintf(stderr, "assetgen: %s: %s\n", path.c_str(), error.c_str());
    return false;
  }
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "assetgen: cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}
