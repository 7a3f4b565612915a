#include "shell/progress.h"

#include <gtest/gtest.h>

namespace {

TEST(Progress, TheLineShowsBarWindowTimeSpeedAndWhatIsLeft) {
  struct Case {
    Progress p;
    const char* line;
  };
  const Case cases[] = {
      {{1, 0, 0, 234000, 0, -1}, "[------------------------] window  1/22     0.0 s     0 fps --:-- left"},
      {{2, 30000, 20000, 30000, 412.4, 0.0}, "[########################] window  2/22    30.0 s   412 fps 0:00 left"},
      {{2, 25000, 20000, 30000, 60, 5.4}, "[############------------] window  2/22    25.0 s    60 fps 0:05 left"},
      {{20, 193000, 0, 234000, 1500, 125.6}, "[###################-----] window 20/22   193.0 s  1500 fps 2:06 left"},
      {{0, 234033, 0, 234000, 999, 0}, "[########################] window  0/22   234.0 s   999 fps 0:00 left"},
      // A run that starts past where it ends still draws a sane line.
      {{5, 80000, 90000, 80000, 10, -1}, "[------------------------] window  5/22    80.0 s    10 fps --:-- left"},
  };
  for (const Case& c : cases) EXPECT_EQ(ProgressLine(c.p), c.line);
}

TEST(Progress, TheMeterRedrawsInPlaceAndEndsWithALineEnd) {
  char* text = nullptr;
  size_t size = 0;
  std::FILE* out = open_memstream(&text, &size);
  ASSERT_NE(out, nullptr);
  {
    ProgressMeter meter(out, 20000, 30000);
    for (uint32_t t = 20000; t <= 30000; t += 40) meter.Frame(2, t);
    meter.Finish();
  }
  std::fclose(out);
  std::string s(text, size);
  std::free(text);
  ASSERT_FALSE(s.empty());
  EXPECT_EQ(s.front(), '\r');
  EXPECT_EQ(s.back(), '\n');
  EXPECT_EQ(s.find('\n'), s.size() - 1) << "only the end starts a new line";
  // The last state is the end of the run.
  size_t last = s.rfind('\r');
  EXPECT_EQ(s.substr(last + 1, 27), "[########################] ");
  EXPECT_NE(s.find("30.0 s", last), std::string::npos) << s.substr(last);
}

}  // namespace
