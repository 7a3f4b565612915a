// The packed fade against the plain one, over frames the show really draws.
#include <gtest/gtest.h>

#include <vector>

#include "display/present.h"
#include "support/show.h"

namespace {

using testing_support::InDataDir;
using testing_support::Show;

std::vector<uint32_t> Faded(std::vector<uint32_t> pixels, int width, int height, int factor, int useMmx) {
  RenderTarget t;
  t.pixels = pixels.data();
  t.width = width;
  t.height = height;
  FadeTarget(t, factor, useMmx);
  return pixels;
}

TEST(FadeTargetPacked, EveryFactorGivesThePlainPixelsOnRealFrames) {
  InDataDir inData;
  Show s;
  ASSERT_TRUE(s.Open());
  for (uint32_t t : {30000u, 100000u, 170000u, 226000u}) {
    s.FrameAt(t);
    std::vector<uint32_t> frame(s.demo.target.pixels, s.demo.target.pixels + kFrameWidth * kFrameHeight);
    // The top bytes carry no colour but must end 0 in both forms.
    for (size_t i = 0; i < frame.size(); i += 3) frame[i] |= 0xA5000000u;
    // Every factor on the first frame, a spread of them on the others.
    for (int factor = 0; factor <= 255; factor += t == 30000u ? 1 : 15) {
      std::vector<uint32_t> plain = Faded(frame, kFrameWidth, kFrameHeight, factor, 0);
      ASSERT_EQ(Faded(frame, kFrameWidth, kFrameHeight, factor, 1), plain) << "t " << t << ", factor " << factor;
    }
    // A pixel count that is not a multiple of the packed width.
    std::vector<uint32_t> odd(frame.begin(), frame.begin() + 7);
    EXPECT_EQ(Faded(odd, 7, 1, 200, 1), Faded(odd, 7, 1, 200, 0)) << t;
  }
}

}  // namespace
