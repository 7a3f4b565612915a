#include "director/director.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

namespace {

TEST(Timetable, OneLinePerWindowOfTheScheduleTheDirectorRuns) {
  std::istringstream text(TimetableText());
  std::string line;
  int n = 0;
  while (std::getline(text, line)) {
    ASSERT_LT(n, kScheduleWindows) << "more lines than windows: " << line;
    int window = 0;
    unsigned fromS = 0, fromMs = 0, toS = 0, toMs = 0;
    int used = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "%d %u.%3u %u.%3u %n", &window, &fromS, &fromMs, &toS, &toMs, &used), 5)
        << line;
    EXPECT_EQ(window, n + 1);
    EXPECT_EQ(fromS * 1000 + fromMs, kSchedule[n].from) << line;
    EXPECT_EQ(toS * 1000 + toMs, kSchedule[n].to) << line;
    EXPECT_EQ(line.substr(size_t(used)), kSchedule[n].contents);
    EXPECT_GT(std::string(kSchedule[n].contents).size(), 10u) << "window " << n + 1 << " needs words";
    // The time each line names is the window the director picks there.
    EXPECT_EQ(ScheduleWindow(kSchedule[n].from), n + 1);
    EXPECT_EQ(ScheduleWindow(kSchedule[n].to - 1), n + 1);
    ++n;
  }
  EXPECT_EQ(n, 22);
}

TEST(Timetable, TheWindowsFollowOneAnotherFromTheStartToTheEndOfTheShow) {
  EXPECT_EQ(kSchedule.front().from, 0u);
  EXPECT_EQ(kSchedule.back().to, 234000u);
  for (int w = 1; w < kScheduleWindows; ++w) EXPECT_EQ(kSchedule[w].from, kSchedule[w - 1].to) << w;
}

}  // namespace
