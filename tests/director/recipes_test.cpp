// The recipes on a whole show with its real data, at frame times the show's
// regular run never takes: pages missed by a long frame, a show entered late.
// What the windows draw at a steady rate is held by the show's frame net
// (tests/shell/show_net_test.cpp).
#include <gtest/gtest.h>

#include <tuple>

#include "director/director.h"
#include "director/pages.h"
#include "effect_fixtures.h"

namespace {

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
  // The page is typed at 10 ms a character over "atomb.pcx".
  fixtures::DataShow s;
  ASSERT_TRUE(s.opened);
  s.FrameAt(149000);
  s.FrameAt(150000);
  EXPECT_GT(s.demo.textWriter.nextLine, 3);
  EXPECT_EQ(s.Pixel(511, 383), s.demo.pictures.atomb.pixels[size_t(kFramePixels) - 1]);
}

}  // namespace
