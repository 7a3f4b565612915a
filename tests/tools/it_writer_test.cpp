#include "assetgen/it_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <libopenmpt/libopenmpt.hpp>
#include <sstream>

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
  m.samples.push_back(TestSample("one", std::vector<int16_t>(64, 1000)));
  m.samples.push_back(TestSample("two", std::vector<int16_t>(64, -1000)));
  for (const char* name : {"first", "second"}) {
    it::Instrument in;
    in.name = name;
    in.sample = static_cast<int>(m.instruments.size()) + 1;
    m.instruments.push_back(in);
  }
  m.patterns.emplace_back(rows, channels);
  m.orders = {0};
  return m;
}

std::unique_ptr<openmpt::module> Load(const it::Module& m, std::string* log = nullptr) {
  std::string error;
  std::vector<uint8_t> bytes = it::WriteModule(m, &error);
  EXPECT_FALSE(bytes.empty()) << error;
  std::ostringstream out;
  auto mod = std::make_unique<openmpt::module>(bytes, out);
  if (log) *log = out.str() + mod->get_metadata("warnings");
  return mod;
}

// What libopenmpt read into one cell, in the file's own terms.
Cell ReadBack(openmpt::module& mod, int pattern, int row, int ch) {
  auto get = [&](int what) { return mod.get_pattern_row_channel_command(pattern, row, ch, what); };
  Cell c;
  int note = get(openmpt::module::command_note);
  if (note >= 1 && note <= 120) c.note = note - 1;
  if (note >= 254) c.note = note;
  c.instrument = get(openmpt::module::command_instrument);
  int volcmd = get(openmpt::module::command_volumeffect);
  int vol = get(openmpt::module::command_volume);
  if (volcmd == 1) c.volume = vol;         // volume
  if (volcmd == 2) c.volume = 128 + vol;   // panning
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
  EXPECT_EQ(mod->get_metadata("title"), "round trip");
  EXPECT_EQ(mod->get_metadata("type"), "it");
  EXPECT_EQ(mod->get_num_channels(), 5);
  EXPECT_EQ(mod->get_current_speed(), 4);
  EXPECT_EQ(mod->get_current_tempo(), 125);
  ASSERT_EQ(mod->get_num_orders(), 4);
  ASSERT_EQ(mod->get_num_patterns(), 3);
  for (int o = 0; o < 4; o++) EXPECT_EQ(mod->get_order_pattern(o), m.orders[o]) << "order " << o;
  EXPECT_EQ(mod->get_pattern_num_rows(0), 48);
  EXPECT_EQ(mod->get_pattern_num_rows(1), 200);
  EXPECT_EQ(mod->get_pattern_num_rows(2), 32);
  EXPECT_EQ(mod->get_instrument_names(), (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(mod->get_sample_names(), (std::vector<std::string>{"one", "two"}));
  // 328 rows of 4 ticks at 2.5 / 125 s per tick.
  EXPECT_NEAR(mod->get_duration_seconds(), 328 * 4 * 0.02, 1e-6);
}

TEST(ItWriter, CellsReadBackAsWritten) {
  struct Case {
    int row, ch;
    Cell cell;
  };
  const Case cases[] = {
      {0, 0, {.note = 60, .instrument = 1, .volume = 64}},
      {0, 3, {.note = 0, .instrument = 2}},                     // lowest note
      {1, 0, {.note = 119, .instrument = 1, .volume = 0}},      // same mask as row 0: mask byte left out
      {2, 0, {.note = it::kNoteOff}},
      {2, 1, {.note = it::kNoteCut}},
      {3, 1, {.volume = 32}},                                   // volume only
      {3, 2, {.volume = 128 + 64}},                             // pan right
      {4, 2, {.command = Fx('D'), .param = 0x0F}},              // command only
      {5, 4, {.note = 45, .instrument = 2, .volume = 10, .command = Fx('H'), .param = 0x46}},
      {6, 4, {.instrument = 1}},                                // instrument alone
      {31, 4, {.note = 72, .command = Fx('X'), .param = 0x80}}, // last row
  };
  it::Module m = SmallModule(5, 32);
  for (const Case& c : cases) m.patterns[0].at(c.row, c.ch) = c.cell;
  auto mod = Load(m);
  for (int row = 0; row < 32; row++)
    for (int ch = 0; ch < 5; ch++)
      EXPECT_EQ(ReadBack(*mod, 0, row, ch), m.patterns[0].at(row, ch)) << "row " << row << " channel " << ch;
}

TEST(ItWriter, DensePatternReadsBackNoteForNote) {
  // Every field switched on and off at random, so masks change and repeat in
  // every combination, on all 64 channels.
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
  auto mod = Load(m);
  int wrong = 0;
  for (int row = 0; row < 200; row++)
    for (int ch = 0; ch < 64; ch++)
      if (!(ReadBack(*mod, 0, row, ch) == m.patterns[0].at(row, ch))) wrong++;
  EXPECT_EQ(wrong, 0);
}

// Plays instrument 1 at C-5 from the first row and returns the mono mix,
// with the resampler picking the nearest sample and no volume ramps, so the
// output is the sample data scaled.
std::vector<float> Render(const it::Module& m, int frames) {
  auto mod = Load(m);
  mod->set_render_param(openmpt::module::RENDER_INTERPOLATIONFILTER_LENGTH, 1);
  mod->set_render_param(openmpt::module::RENDER_VOLUMERAMPING_STRENGTH, 0);
  std::vector<float> out(frames);
  size_t got = mod->read(kRate, frames, out.data());
  out.resize(got);
  return out;
}

it::Module OneNote(const it::Sample& s) {
  it::Module m = SmallModule(1, 32);
  m.samples[0] = s;
  m.patterns[0].at(0, 0) = {.note = it::kMiddleC, .instrument = 1};
  return m;
}

TEST(ItWriter, SampleDataPlaysBackAsWritten) {
  std::vector<int16_t> wave(300);
  for (size_t i = 0; i < wave.size(); i++)  // uneven, with both signs and both bytes busy
    wave[i] = static_cast<int16_t>(std::lround(20000 * std::sin(i * 0.07) + 9000 * std::sin(i * 0.61)));
  struct Case {
    const char* name;
    bool sixteenBit;
  };
  for (const Case c : {Case{"16-bit", true}, Case{"8-bit", false}}) {
    SCOPED_TRACE(c.name);
    it::Sample s = TestSample("wave", wave);
    s.sixteenBit = c.sixteenBit;
    s.loop = true;
    s.loopStart = 100;
    s.loopEnd = 300;
    std::vector<float> out = Render(OneNote(s), 2000);
    ASSERT_EQ(out.size(), 2000u);
    // The expected sound: the data, through the loop, at 8 bits if so stored.
    auto expected = [&](int i) {
      int at = i < 300 ? i : 100 + (i - 300) % 200;
      return c.sixteenBit ? wave[at] : (wave[at] >> 8) * 256;
    };
    double gain = out[50] / expected(50);
    ASSERT_GT(std::fabs(gain), 0.0);
    double worst = 0;
    for (int i = 0; i < 2000; i++) worst = std::max(worst, std::fabs(out[i] - gain * expected(i)));
    EXPECT_LT(worst, std::fabs(gain) * 40) << "gain " << gain;
  }
}

TEST(ItWriter, VolumeEnvelopeShapesTheNote) {
  struct Case {
    const char* name;
    it::Envelope envelope;
    bool soundsAtTick20;
  };
  it::Envelope decay{.enabled = true, .nodes = {{64, 0}, {0, 10}}};
  it::Envelope hold{.enabled = true, .sustain = true, .sustainStart = 1, .sustainEnd = 1,
                    .nodes = {{64, 0}, {64, 10}, {0, 11}}};
  const Case cases[] = {{"no envelope", {}, true}, {"decays to silence", decay, false},
                        {"held at the sustain node", hold, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    it::Sample s = TestSample("tone", std::vector<int16_t>(100, 0));
    for (int i = 0; i < 100; i++) s.data[i] = i < 50 ? 16000 : -16000;
    s.loop = true;
    s.loopEnd = 100;
    it::Module m = OneNote(s);
    m.instruments[0].volumeEnvelope = c.envelope;
    std::vector<float> out = Render(m, 20 * 735 + 200);  // a tick is 735 frames at tempo 150
    float level = 0;
    for (size_t i = out.size() - 200; i < out.size(); i++) level = std::max(level, std::fabs(out[i]));
    EXPECT_EQ(level > 0.01f, c.soundsAtTick20) << "level " << level;
  }
}

TEST(ItWriter, RefusesWhatTheFormatCannotHold) {
  struct Case {
    const char* name;
    void (*spoil)(it::Module&);
  };
  const Case cases[] = {
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
      {"envelope ticks fall", [](it::Module& m) {
         m.instruments[0].volumeEnvelope = {.enabled = true, .nodes = {{64, 5}, {0, 5}}};
       }},
      {"65 channels", [](it::Module& m) { m.channels = 65; }},
  };
  for (const Case& c : cases) {
    it::Module m = SmallModule(2, 32);
    std::string error;
    ASSERT_FALSE(it::WriteModule(m, &error).empty()) << error;
    c.spoil(m);
    EXPECT_TRUE(it::WriteModule(m, &error).empty()) << c.name;
    EXPECT_FALSE(error.empty()) << c.name;
  }
}

}  // namespace
