#include <gtest/gtest.h>

#include <cmath>
#include <libopenmpt/libopenmpt.hpp>
#include <numeric>
#include <set>
#include <sstream>

#include "assetgen/music_score.h"
#include "assetgen/music_song.h"

namespace {

TEST(MusicScore, PatternLengthsStartAtCutsAndStayInRange) {
  struct Case {
    int rows;
    std::vector<int> cuts;
    std::vector<int> lengths;
  };
  const Case cases[] = {
      {64, {}, {64}},
      {130, {}, {64, 66}},                       // a 2-row tail joins the last piece
      {250, {}, {64, 64, 64, 58}},
      {100, {40}, {40, 60}},
      {100, {20, 40}, {40, 60}},                 // 20 is too close to the start
      {200, {40, 60, 80}, {40, 40, 64, 56}},     // 60 is too close to 40
      {100, {80}, {64, 36}},                     // 80 leaves too little after it
      {300, {0, 300}, {64, 64, 64, 64, 44}},     // cuts at the ends change nothing
      {300, {50}, {50, 64, 64, 64, 58}},
      {90, {}, {90}},                            // 64 + 26: one pattern
  };
  for (const Case& c : cases) {
    std::vector<int> got = music::PatternLengths(c.rows, c.cuts, 64);
    EXPECT_EQ(got, c.lengths) << c.rows << " rows, " << c.cuts.size() << " cuts";
  }
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
  LoadedSong() {
    std::string error;
    bytes = it::WriteModule(music::ComposeSong(), &error);
    std::ostringstream log;
    mod = std::make_unique<openmpt::module>(bytes, log);
    warnings = log.str() + mod->get_metadata("warnings");
  }
  std::vector<uint8_t> bytes;
  std::unique_ptr<openmpt::module> mod;
  std::string warnings;
};

TEST(Song, LoadsCleanlyAndOutlastsTheShow) {
  LoadedSong song;
  ASSERT_FALSE(song.bytes.empty());
  EXPECT_EQ(song.warnings, "");
  EXPECT_GE(song.mod->get_duration_seconds(), 235.0);
  EXPECT_LE(song.mod->get_duration_seconds(), 245.0);
  EXPECT_EQ(song.mod->get_current_tempo(), 150);
  EXPECT_EQ(song.mod->get_current_speed(), 6);
  EXPECT_LT(song.bytes.size(), 600u * 1024);
}

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

TEST(Song, LevelsFollowTheTimetableWithoutClipping) {
  LoadedSong song;
  constexpr int kRate = 44100;
  std::vector<float> left, right;
  std::vector<float> l(8192), r(8192);
  while (size_t n = song.mod->read(kRate, l.size(), l.data(), r.data())) {
    left.insert(left.end(), l.begin(), l.begin() + n);
    right.insert(right.end(), r.begin(), r.begin() + n);
  }
  float peak = 0;
  for (size_t i = 0; i < left.size(); i++) peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
  EXPECT_LE(20 * std::log10(peak), -1.0);

  auto db = [&](double from, double to) {  // RMS level of a stretch of seconds
    double sum = 0;
    size_t a = static_cast<size_t>(from * kRate), b = static_cast<size_t>(to * kRate);
    for (size_t i = a; i < b; i++) sum += 0.5 * (left[i] * left[i] + right[i] * right[i]);
    return 10 * std::log10(sum / (b - a) + 1e-12);
  };
  struct Quiet {
    const char* what;
    double from, to;   // the quiet stretch
    double louder[2];  // starts of 3-second stretches with the beat
  };
  const Quiet quiet[] = {
      {"intro", 0, 20, {20, 30}},
      {"break", 54, 57, {50, 57}},
      {"first picture", 79, 82, {70, 82}},
      {"second picture", 105, 109, {100, 109}},
      {"fade to black", 146, 149, {140, 130}},
      {"story", 149, 193, {140, 195}},
  };
  for (const Quiet& q : quiet)
    for (double at : q.louder)
      EXPECT_GT(db(at, at + 3), db(q.from, q.to) + 4) << q.what << " against " << at << " s";
  EXPECT_LT(db(233.5, 234), db(231, 231.5) - 12) << "the closing fade";
  EXPECT_LT(db(234.1, 236.9), -80) << "after the show";
}

}  // namespace
