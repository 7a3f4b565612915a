// The director on a whole show: its schedule, the end of the show, the levels
// and phases its windows move, and the recipes at frame times the show's
// regular run never takes (pages missed by a long frame, a show entered
// late). What the windows draw at a steady rate is held frame by frame by
// the show's net, tests/shell/show_net_test.cpp.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <tuple>

#include "director/director.h"
#include "director/pages.h"
#include "effect_fixtures.h"
#include "support/show.h"

using testing_support::Show;

namespace {

// The timetable has one line per window; each window runs from its start to
// the next one's, a boundary belonging to the later window, and the director
// picks that window at both ends of what its line names.
TEST(Schedule, TheTimetableAndTheDirectorAgreeOnEveryWindow) {
  const uint32_t starts[] = {0,      20000,  54000,  57000,  79000,  82000,  85000,  88000,
                             105000, 107000, 109000, 111000, 128000, 133000, 146000, 149000,
                             160000, 171000, 182000, 193000, 215000, 231000, 234000};
  std::istringstream text(TimetableText());
  std::string line;
  int n = 0;
  for (; std::getline(text, line); ++n) {
    SCOPED_TRACE(line);
    ASSERT_LT(n, kScheduleWindows);
    int window = 0, used = 0;
    unsigned fromS = 0, fromMs = 0, toS = 0, toMs = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "%d %u.%3u %u.%3u %n", &window, &fromS, &fromMs, &toS, &toMs, &used), 5);
    const uint32_t from = fromS * 1000 + fromMs, to = toS * 1000 + toMs;
    EXPECT_EQ(std::make_tuple(window, from, to, kSchedule[n].from, kSchedule[n].to),
              std::make_tuple(n + 1, starts[n], starts[n + 1], from, to));
    EXPECT_EQ(line.substr(size_t(used)), kSchedule[n].contents);
    EXPECT_GT(std::strlen(kSchedule[n].contents), 10u);
    EXPECT_EQ(std::make_pair(ScheduleWindow(from), ScheduleWindow(to - 1)), std::make_pair(n + 1, n + 1));
  }
  EXPECT_EQ(n, 22);
  EXPECT_EQ(std::make_pair(ScheduleWindow(234000), ScheduleWindow(0xFFFFFFFFu)), std::make_pair(0, 0));
}

TEST(DemoFrame, FromTheEndOnNothingIsDrawnOrPresented) {
  Show s;
  ASSERT_TRUE(s.Open());
  s.FrameAt(233990);
  int shown = s.backend.ShowCount();
  s.demo.frameBuffer[0] = 0x00123456;
  host::Msg m;
  for (uint32_t t : {234000u, 234001u, 250000u}) {
    while (s.platform->windows.PeekMessage(&m, true)) continue;
    s.FrameAt(t);
    EXPECT_EQ(std::make_tuple(s.backend.ShowCount(), s.demo.frameBuffer[0], s.demo.director.lastWindow),
              std::make_tuple(shown, 0x00123456u, 22)) << t;
    // Past the last millisecond the frame closes the demo window.
    EXPECT_EQ(s.platform->windows.PeekMessage(&m, true) && m.message == host::WM_CLOSE, t > 234000u) << t;
  }
}

// Frames at the times given, the clock first set to the first of them; a
// director value set before, and what it holds after.
TEST(Director, LevelsAndPhasesGoByTheTimeOfTheirWindows) {
  using D = Director;
  const std::tuple<const char*, std::vector<uint32_t>, float Director::*, float, float> cases[] = {
      {"the opening fades in 51/s", {0, 2000}, &D::fadeInLevel, 0, 102}, {"bump lights rise 85/s", {20000, 21000}, &D::bumpRise, 0, 85},
      {"and hold at 255", {20000, 23500}, &D::bumpRise, 0, 255}, {"bump lights fall 85/s", {54000, 55000}, &D::bumpFall, 255, 170},
      {"and hold at 0", {54000, 55000}, &D::bumpFall, 10, 0}, {"g_v waits for 76 s", {57000, 76000}, &D::imageRise, 0, 0},
      {"then rises", {76000, 78000}, &D::imageRise, 0, 170}, {"g_v fades out", {82000, 84000}, &D::imageFall, 255, 85},
      {"image2 rises 127.5/s", {105000, 106000}, &D::overlayRise, 0, 127.5f},
      {"image2 falls 255/s, unheld", {109000, 110999}, &D::overlayFall, 255, -254.745f},
      {"tunnel fade", {146000, 148000}, &D::tunnelFade, 255, 85}, {"closing fade", {231000, 233000}, &D::closingFade, 255, 85},
      {"closing fade waits for 231 s", {231000, 231000}, &D::closingFade, 255, 255},
      {"zoom angle 6.4/s", {85000, 86000}, &D::rotoPhase, 0, 6.4f}, {"ring turns 0.4/s", {0, 100}, &D::orbitYaw, 0, 0.04f},
      {"zoom angle only in the zoom", {79000, 81999}, &D::rotoPhase, 0, 0}, {"morph weight", {128000, 130000}, &D::morphWeight, 1, 0.6f},
      {"morph weight near its end", {128000, 130000, 132999}, &D::morphWeight, 1, 0.0002f},
      // A long first frame carried in from window 12 counts too: past 5 s
      // the weight is 0, and it stays 0.
      {"morph weight after a long frame", {127900, 128000, 131000, 132950, 132990}, &D::morphWeight, 1, 0},
      {"the wobble: 0.025 a frame in windows 16 to 22", {150000, 150001, 216000}, &D::wobblePhase, 0, 0.075f}};
  for (const auto& [name, frames, value, start, want] : cases) {
    Show s;
    ASSERT_TRUE(s.Open());
    s.demo.director.*value = start;
    s.JumpTo(frames.front());
    for (uint32_t t : frames) s.FrameAt(t);
    EXPECT_NEAR(s.demo.director.*value, want, 1e-5 + 1e-5 * std::abs(want)) << name;
  }
}

TEST(Director, CameraPathStopsAtTheLastKey) {
  Show s;
  ASSERT_TRUE(s.Open());
  Director& d = s.demo.director;
  d.cameraPathPos = 6.99f, d.smoothSeconds = 1.0f;
  float smooth = 1.0f;
  s.JumpTo(146000);
  for (uint32_t t : {146000u, 146100u, 146200u, 146300u}) {
    // Far from the end, the position grows by 0.18 of the smoothed time.
    if (t == 146300u) d.cameraPathPos = 2.0f;
    s.FrameAt(t);
    // The low-pass: 0.9 of the old value and 0.1 of the frame time.
    smooth = float(0.9 * smooth + 0.1 * s.demo.clock.FrameSeconds);
    EXPECT_EQ(std::make_pair(d.smoothSeconds, d.cameraPathPos),
              std::make_pair(smooth, t == 146300u ? float(2.0 + double(0.18f) * smooth) : 7.0f));
  }
}

TEST(RecipesStory, PagesStartInOrderAndTheLatestStays) {
  // On time, the second, three missed at once, entered late.
  const std::pair<std::vector<uint32_t>, int> cases[] = {
      {{148000, 149000, 159999}, 1}, {{148000, 149000, 160000}, 2}, {{148000, 185000}, 4}, {{175000}, 3}};
  for (const auto& [frames, stage] : cases) {
    SCOPED_TRACE(stage);
    fixtures::DataShow s;
    ASSERT_TRUE(s.opened);
    for (uint32_t t : frames) s.FrameAt(t);
    const TextWriter& w = s.demo.textWriter;
    EXPECT_EQ(s.demo.director.pageStage, stage);
    EXPECT_EQ(w.page, StoryText(stage));
    EXPECT_EQ(std::make_tuple(w.homeX, w.homeY, w.lineLimit, w.msPerChar), std::make_tuple(10, 140, 360, 10u));
  }
}

}  // namespace
