// The song's writer and composer: an IT file's header, cells, samples and
// envelopes as libopenmpt reads them back, what it refuses, and the score
// the show plays.
#include <gtest/gtest.h>

#include <cmath>
#include <libopenmpt/libopenmpt.hpp>
#include <numeric>
#include <set>
#include <sstream>

#include "assetgen/it_writer.h"
#include "assetgen/music_score.h"
#include "assetgen/music_song.h"

namespace {

using it::Cell;
using it::Fx;

// The rate at which one sample step of a sample played at C-5 is one frame.
constexpr int kRate = 44100;

it::Sample TestSample(const std::string& name, std::vector<int16_t> data) {
  it::Sample s;
  s.name = name;
  s.data = std::move(data);
  s.c5speed = kRate;
  return s;
}

it::Module SmallModule(int channels, int rows) {
  it::Module m;
  m.name = "round trip";
  m.channels = channels;
  m.speed = 6;
  m.tempo = 150;
  m.samples = {TestSample("one", std::vector<int16_t>(64, 1000)), TestSample("two", std::vector<int16_t>(64, -1000))};
  m.instruments.resize(2);
  m.instruments[0].name = "first", m.instruments[0].sample = 1;
  m.instruments[1].name = "second", m.instruments[1].sample = 2;
  m.patterns.emplace_back(rows, channels);
  m.orders = {0};
  return m;
}

std::unique_ptr<openmpt::module> Load(const std::vector<uint8_t>& bytes, std::string* log = nullptr) {
  std::ostringstream out;
  auto mod = std::make_unique<openmpt::module>(bytes, out);
  if (log) *log = out.str() + mod->get_metadata("warnings");
  return mod;
}

std::unique_ptr<openmpt::module> Load(const it::Module& m, std::string* log = nullptr) {
  std::string error;
  std::vector<uint8_t> bytes = it::WriteModule(m, &error);
  EXPECT_FALSE(bytes.empty()) << error;
  return Load(bytes, log);
}

// What libopenmpt read into one cell, in the file's own terms.
Cell ReadBack(openmpt::module& mod, int pattern, int row, int ch) {
  auto get = [&](int what) { return mod.get_pattern_row_channel_command(pattern, row, ch, what); };
  Cell c;
  int note = get(openmpt::module::command_note);
  if (note >= 1 && note <= 120) c.note = note - 1;
  if (note >= 254) c.note = note;
  c.instrument = get(openmpt::module::command_instrument);
  int volcmd = get(openmpt::module::command_volumeffect), vol = get(openmpt::module::command_volume);
  if (volcmd == 1) c.volume = vol;        // volume
  if (volcmd == 2) c.volume = 128 + vol;  // panning
  std::string fx = mod.format_pattern_row_channel_command(pattern, row, ch, openmpt::module::command_effect);
  if (!fx.empty() && fx[0] >= 'A' && fx[0] <= 'Z') c.command = Fx(fx[0]);
  c.param = c.command ? get(openmpt::module::command_parameter) : 0;
  return c;
}

TEST(ItWriter, HeaderOrdersAndNamesReadBack) {
  it::Module m = SmallModule(5, 48);
  m.patterns.emplace_back(200, 5);
  m.patterns.emplace_back(32, 5);
  m.orders = {2, 0, 1, 0};
  m.patterns[1].at(7, 4).note = 50;  // libopenmpt counts the channels that patterns use
  m.speed = 4;
  m.tempo = 125;
  std::string log;
  auto mod = Load(m, &log);
  EXPECT_EQ(log, "");
  EXPECT_EQ(mod->get_metadata("title") + "/" + mod->get_metadata("type"), "round trip/it");
  EXPECT_EQ(std::tuple(mod->get_num_channels(), mod->get_current_speed(), mod->get_current_tempo()), std::tuple(5, 4, 125));
  ASSERT_EQ(std::pair(mod->get_num_orders(), mod->get_num_patterns()), std::pair(4, 3));
  for (int o = 0; o < 4; o++) EXPECT_EQ(mod->get_order_pattern(o), m.orders[o]) << "order " << o;
  EXPECT_EQ(std::tuple(mod->get_pattern_num_rows(0), mod->get_pattern_num_rows(1), mod->get_pattern_num_rows(2)),
            std::tuple(48, 200, 32));
  EXPECT_EQ(mod->get_instrument_names(), (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(mod->get_sample_names(), (std::vector<std::string>{"one", "two"}));
  // 328 rows of 4 ticks at 2.5 / 125 s per tick.
  EXPECT_NEAR(mod->get_duration_seconds(), 328 * 4 * 0.02, 1e-6);
}

// Every field switched on and off at random on all 64 channels, so masks
// change and repeat in every combination, and the edge cases placed among them.
TEST(ItWriter, CellsReadBackAsWritten) {
  it::Module m = SmallModule(64, 200);
  const int commands[] = {Fx('D'), Fx('E'), Fx('F'), Fx('H'), Fx('J'), Fx('M'), Fx('X')};
  uint32_t seed = 12345;
  auto next = [&](int n) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 16) % n);
  };
  for (Cell& c : m.patterns[0].cells) {
    if (next(2)) c.note = next(6) ? next(120) : it::kNoteOff;
    if (next(2)) c.instrument = 1 + next(2);
    if (next(2)) c.volume = next(65);
    if (next(2)) c.command = commands[next(7)], c.param = 1 + next(255);
  }
  const std::tuple<int, int, Cell> cases[] = {
      {0, 0, {.note = 60, .instrument = 1, .volume = 64}},
      {0, 3, {.note = 0, .instrument = 2}},                 // lowest note
      {1, 0, {.note = 119, .instrument = 1, .volume = 0}},  // same mask as above: mask byte left out
      {2, 0, {.note = it::kNoteOff}},
      {2, 1, {.note = it::kNoteCut}},
      {3, 1, {.volume = 32}},                               // volume only
      {3, 2, {.volume = 128 + 64}},                         // pan right
      {4, 2, {.command = Fx('D'), .param = 0x0F}},          // command only
      {5, 4, {.note = 45, .instrument = 2, .volume = 10, .command = Fx('H'), .param = 0x46}},
      {6, 4, {.instrument = 1}},                            // instrument alone
      {7, 4, {}},                                           // nothing
      {199, 63, {.note = 72, .command = Fx('X'), .param = 0x80}},  // last row, last channel
  };
  for (const auto& [row, ch, cell] : cases) m.patterns[0].at(row, ch) = cell;
  auto mod = Load(m);
  for (int row = 0; row < 200; row++)
    for (int ch = 0; ch < 64; ch++)
      ASSERT_EQ(ReadBack(*mod, 0, row, ch), m.patterns[0].at(row, ch)) << "row " << row << " channel " << ch;
}

// Plays instrument 1 at C-5 from the first row and returns the mono mix,
// with the resampler picking the nearest sample and no volume ramps, so the
// output is the sample data scaled.
std::vector<float> Render(const it::Sample& s, const it::Envelope& envelope, int frames) {
  it::Module m = SmallModule(1, 32);
  m.samples[0] = s;
  m.instruments[0].volumeEnvelope = envelope;
  m.patterns[0].at(0, 0) = {.note = it::kMiddleC, .instrument = 1};
  auto mod = Load(m);
  mod->set_render_param(openmpt::module::RENDER_INTERPOLATIONFILTER_LENGTH, 1);
  mod->set_render_param(openmpt::module::RENDER_VOLUMERAMPING_STRENGTH, 0);
  std::vector<float> out(frames);
  out.resize(mod->read(kRate, frames, out.data()));
  return out;
}

TEST(ItWriter, SampleDataPlaysBackAsWritten) {
  std::vector<int16_t> wave(300);
  for (size_t i = 0; i < wave.size(); i++)  // uneven, with both signs and both bytes busy
    wave[i] = static_cast<int16_t>(std::lround(20000 * std::sin(i * 0.07) + 9000 * std::sin(i * 0.61)));
  for (bool sixteenBit : {true, false}) {
    SCOPED_TRACE(sixteenBit ? "16-bit" : "8-bit");
    it::Sample s = TestSample("wave", wave);
    s.sixteenBit = sixteenBit;
    s.loop = true;
    s.loopStart = 100;
    s.loopEnd = 300;
    std::vector<float> out = Render(s, {}, 2000);
    ASSERT_EQ(out.size(), 2000u);
    // The expected sound: the data, through the loop, at 8 bits if so stored.
    auto expected = [&](int i) {
      int at = i < 300 ? i : 100 + (i - 300) % 200;
      return sixteenBit ? wave[at] : (wave[at] >> 8) * 256;
    };
    double gain = out[50] / expected(50), worst = 0;
    ASSERT_GT(std::fabs(gain), 0.0);
    for (int i = 0; i < 2000; i++) worst = std::max(worst, std::fabs(out[i] - gain * expected(i)));
    EXPECT_LT(worst, std::fabs(gain) * 40) << "gain " << gain;
  }
}

TEST(ItWriter, VolumeEnvelopeShapesTheNote) {
  it::Envelope decay{.enabled = true, .nodes = {{64, 0}, {0, 10}}};
  it::Envelope hold{.enabled = true, .sustain = true, .sustainStart = 1, .sustainEnd = 1,
                    .nodes = {{64, 0}, {64, 10}, {0, 11}}};
  const std::tuple<const char*, it::Envelope, bool> cases[] = {
      {"no envelope", {}, true}, {"decays to silence", decay, false}, {"held at the sustain node", hold, true}};
  for (const auto& [name, envelope, soundsAtTick20] : cases) {
    SCOPED_TRACE(name);
    it::Sample s = TestSample("tone", std::vector<int16_t>(100, 16000));
    std::fill(s.data.begin() + 50, s.data.end(), -16000);
    s.loop = true;
    s.loopEnd = 100;
    std::vector<float> out = Render(s, envelope, 20 * 735 + 200);  // a tick is 735 frames at tempo 150
    float level = 0;
    for (size_t i = out.size() - 200; i < out.size(); i++) level = std::max(level, std::fabs(out[i]));
    EXPECT_EQ(level > 0.01f, soundsAtTick20) << "level " << level;
  }
}

TEST(ItWriter, RefusesWhatTheFormatCannotHold) {
  const std::pair<const char*, void (*)(it::Module&)> cases[] = {
      {"no orders", [](it::Module& m) { m.orders.clear(); }},
      {"order past the patterns", [](it::Module& m) { m.orders = {1}; }},
      {"pattern too short", [](it::Module& m) { m.patterns[0] = it::Pattern(31, 2); }},
      {"pattern too long", [](it::Module& m) { m.patterns[0] = it::Pattern(201, 2); }},
      {"pattern narrower than the song", [](it::Module& m) { m.patterns[0] = it::Pattern(32, 1); }},
      {"note past B-9", [](it::Module& m) { m.patterns[0].at(0, 0).note = 120; }},
      {"missing instrument", [](it::Module& m) { m.patterns[0].at(0, 0).instrument = 3; }},
      {"instrument without its sample", [](it::Module& m) { m.instruments[0].sample = 3; }},
      {"empty sample", [](it::Module& m) { m.samples[1].data.clear(); }},
      {"loop past the end", [](it::Module& m) { m.samples[0].loop = true, m.samples[0].loopEnd = 65; }},
      {"envelope ticks fall",
       [](it::Module& m) { m.instruments[0].volumeEnvelope = {.enabled = true, .nodes = {{64, 5}, {0, 5}}}; }},
      {"65 channels", [](it::Module& m) { m.channels = 65; }},
  };
  for (const auto& [name, spoil] : cases) {
    it::Module m = SmallModule(2, 32);
    std::string error;
    ASSERT_FALSE(it::WriteModule(m, &error).empty()) << error;
    spoil(m);
    EXPECT_TRUE(it::WriteModule(m, &error).empty()) << name;
    EXPECT_FALSE(error.empty()) << name;
  }
}


TEST(MusicScore, PatternLengthsStartAtCutsAndStayInRange) {
  const std::tuple<int, std::vector<int>, std::vector<int>> cases[] = {  // rows, cuts, pattern lengths
      {64, {}, {64}},
      {130, {}, {64, 66}},                       // a 2-row tail joins the last piece
      {100, {40}, {40, 60}},
      {100, {20, 40}, {40, 60}},                 // 20 is too close to the start
      {200, {40, 60, 80}, {40, 40, 64, 56}},     // 60 is too close to 40
      {100, {80}, {64, 36}},                     // 80 leaves too little after it
      {300, {0, 300}, {64, 64, 64, 64, 44}},     // cuts at the ends change nothing
      {90, {}, {90}},                            // 64 + 26: one pattern
  };
  for (const auto& [rows, cuts, lengths] : cases)
    EXPECT_EQ(music::PatternLengths(rows, cuts, 64), lengths) << rows << " rows, " << cuts.size() << " cuts";
  // With pieces as long as a pattern may be, a tail still never drops below 32 rows.
  EXPECT_EQ(music::PatternLengths(220, {}, 200), (std::vector<int>{188, 32}));
}

TEST(MusicScore, RepeatedPatternsAreStoredOnce) {
  music::Score score(96, 2);
  for (int r = 0; r < 96; r += 4) score.at(r, 0).note = 60;  // the same in every 32 rows
  score.at(70, 1).note = 50;                                   // but the last block differs
  it::Module m;
  music::CutIntoPatterns(score, {32, 32, 32}, m);
  EXPECT_EQ(m.orders, (std::vector<int>{0, 0, 1}));
  ASSERT_EQ(m.patterns.size(), 2u);
  EXPECT_EQ(m.patterns[1].at(6, 1).note, 50);
  EXPECT_EQ(m.patterns[1].at(4, 0).note, 60);
  EXPECT_EQ(m.patterns[1].at(5, 0).note, it::kNoNote);
}

// The song as libopenmpt reads it back from the file's bytes.
struct LoadedSong {
  std::string error, warnings;
  std::vector<uint8_t> bytes = it::WriteModule(music::ComposeSong(), &error);
  std::unique_ptr<openmpt::module> mod = Load(bytes, &warnings);
};

TEST(Song, EachWindowBringsADifferentArrangement) {
  LoadedSong song;
  openmpt::module& mod = *song.mod;
  // What is played in each window: every channel with the instruments it
  // starts and the effects it uses.
  std::vector<int> starts = music::WindowStartRows();
  starts.push_back(2340);
  std::vector<std::set<std::pair<int, int>>> used(starts.size() - 1);
  int row = 0;
  for (int o = 0; o < mod.get_num_orders(); o++) {
    int p = mod.get_order_pattern(o);
    for (int r = 0; r < mod.get_pattern_num_rows(p); r++, row++) {
      auto w = std::upper_bound(starts.begin(), starts.end(), row) - starts.begin() - 1;
      if (w < 0 || w >= static_cast<int>(used.size())) continue;
      for (int ch = 0; ch < mod.get_num_channels(); ch++) {
        int ins = mod.get_pattern_row_channel_command(p, r, ch, openmpt::module::command_instrument);
        int fx = mod.get_pattern_row_channel_command(p, r, ch, openmpt::module::command_effect);
        if (ins) used[w].insert({ch, ins});
        if (fx) used[w].insert({ch, 100 + fx});
      }
    }
  }
  EXPECT_EQ(row, 2370);
  for (size_t w = 1; w < used.size(); w++) EXPECT_NE(used[w], used[w - 1]) << "window " << w + 1;
}

TEST(Song, LoadsCleanlyOutlastsTheShowAndItsLevelsFollowTheTimetableWithoutClipping) {
  LoadedSong song;
  ASSERT_FALSE(song.bytes.empty()) << song.error;
  EXPECT_EQ(song.warnings, "");
  EXPECT_LT(song.bytes.size(), 600u * 1024);
  EXPECT_EQ(std::pair(song.mod->get_current_tempo(), song.mod->get_current_speed()), std::pair(150, 6));
  std::vector<float> left, right, l(8192), r(8192);
  while (size_t n = song.mod->read(kRate, l.size(), l.data(), r.data())) {
    left.insert(left.end(), l.begin(), l.begin() + n);
    right.insert(right.end(), r.begin(), r.begin() + n);
  }
  EXPECT_NEAR(left.size() / double(kRate), 240.0, 5.0);
  float peak = 0;
  for (size_t i = 0; i < left.size(); i++) peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
  EXPECT_LE(20 * std::log10(peak), -1.0);

  auto db = [&](double from, double to) {  // RMS level of a stretch of seconds
    double sum = 0;
    size_t a = static_cast<size_t>(from * kRate), b = static_cast<size_t>(to * kRate);
    for (size_t i = a; i < b; i++) sum += 0.5 * (left[i] * left[i] + right[i] * right[i]);
    return 10 * std::log10(sum / (b - a) + 1e-12);
  };
  // A quiet stretch, and starts of 3-second stretches with the beat.
  const std::tuple<const char*, double, double, std::vector<double>> quiet[] = {
      {"intro", 0, 20, {20, 30}},
      {"break", 54, 57, {50, 57}},
      {"first picture", 79, 82, {70, 82}},
      {"second picture", 105, 109, {100, 109}},
      {"fade to black", 146, 149, {140, 130}},
      {"story", 149, 193, {140, 195}},
  };
  for (const auto& [what, from, to, louder] : quiet)
    for (double at : louder) EXPECT_GT(db(at, at + 3), db(from, to) + 4) << what << " against " << at << " s";
  EXPECT_LT(db(233.5, 234), db(231, 231.5) - 12) << "the closing fade";
  EXPECT_LT(db(234.1, 236.9), -80) << "after the show";
}

}  // namespace
