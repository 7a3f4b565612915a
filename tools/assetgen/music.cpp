// "what2xx.it": the show's soundtrack, composed here row by row. Tempo 150
// at speed 6 makes every row exactly 100 ms, so each window of the show's
// timetable starts on a row and every section below starts with its window.
#include <cstdio>
#include <fstream>

#include "assetgen.h"
#include "it_writer.h"
#include "music_score.h"
#include "music_synth.h"

namespace music {
namespace {

constexpr int kRowMs = 100;
constexpr int kSongRows = 2370;  // the show ends at row 2340; a short silence follows

// Window starts in rows.
constexpr int kWindowStarts[] = {0,    200,  540,  570,  790,  820,  850,  880,  1050, 1070, 1090,
                                 1110, 1280, 1330, 1460, 1490, 1600, 1710, 1820, 1930, 2150, 2310};
constexpr int kShowEndRow = 2340;

enum Channel { kKick, kSnare, kHat, kChannels };
enum Instrument { kInsKick = 1, kInsSnare, kInsHat };

void AddInstrument(it::Module& m, const char* name, std::vector<int16_t> pcm, int c5speed) {
  it::Sample s;
  s.name = name;
  s.data = std::move(pcm);
  s.c5speed = c5speed;
  m.samples.push_back(std::move(s));
  it::Instrument in;
  in.name = name;
  in.sample = static_cast<int>(m.samples.size());
  m.instruments.push_back(std::move(in));
}

void Put(Score& s, int row, int ch, int note, int ins, int vol) {
  it::Cell& c = s.at(row, ch);
  c.note = note;
  c.instrument = ins;
  c.volume = vol;
}

}  // namespace

it::Module ComposeSong() {
  it::Module m;
  m.name = "what2xx";
  m.speed = 6;
  m.tempo = 150;
  m.channels = kChannels;
  AddInstrument(m, "kick", ToPcm(Kick(22050), 0.95), 22050);
  AddInstrument(m, "snare", ToPcm(Snare(22050), 0.95), 22050);
  AddInstrument(m, "hat", ToPcm(Hat(44100, 0.09, 0.02), 0.95), 44100);

  Score score(kSongRows, kChannels);
  for (int row = 0; row < kShowEndRow; row += 4) Put(score, row, kKick, it::kMiddleC, kInsKick, 64);
  for (int row = 2; row < kShowEndRow; row += 4) Put(score, row, kHat, it::kMiddleC, kInsHat, 40);
  for (int row = 4; row < kShowEndRow; row += 8) Put(score, row, kSnare, it::kMiddleC, kInsSnare, 56);

  std::vector<int> cuts(std::begin(kWindowStarts), std::end(kWindowStarts));
  cuts.push_back(kShowEndRow);
  CutIntoPatterns(score, PatternLengths(kSongRows, cuts, 64), m);
  (void)kRowMs;
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
