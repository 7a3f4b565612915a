// The director's own effects inside the show: which window calls which,
// with which pictures and pages, on the show's real data.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "director/blends.h"
#include "director/pages.h"
#include "director/roto_zoom.h"
#include "support/show.h"

using testing_support::Show;

namespace {

// The show reads its data from the current folder; go there for one test
// and come back after it.
struct DataShow : Show {
  std::string home;
  DataShow() {
    char cwd[PATH_MAX];
    home = getcwd(cwd, sizeof cwd) ? cwd : ".";
    (void)!chdir(testing_support::DataDir().c_str());
  }
  ~DataShow() { (void)!chdir(home.c_str()); }
  uint32_t Pixel(int x, int y) const { return demo.frameBuffer[size_t(y) * kFrameWidth + size_t(x)]; }
};

TEST(Recipes, LoadingBuildsTheTablesAndGivesTheWriterTheListing) {
  DataShow s;
  ASSERT_TRUE(s.Open());
  EXPECT_TRUE(s.BoxTexts().empty());
  const TextWriter& w = s.demo.textWriter;
  EXPECT_EQ(w.page, MmxListing());
  EXPECT_EQ(w.homeX, 20);
  EXPECT_EQ(w.y, 35);
  EXPECT_EQ(w.lineLimit, 350);
  EXPECT_EQ(w.msPerChar, 33u);
  EXPECT_EQ(w.overlay.size(), size_t(kFramePixels));
  EXPECT_EQ(s.demo.warp.offsets.size(), size_t(kFramePixels));
  EXPECT_EQ(s.demo.warp.sines[64], 31);
  EXPECT_EQ(s.demo.landscape.eyeHeight, 256);
  EXPECT_EQ(s.demo.landscape.depthOffsets[1], 4101);
  EXPECT_EQ(s.demo.landscape.heightMap.width, 256);
}

TEST(Recipes, TheOpeningTypesTheListingOverTheNoisyBackground) {
  DataShow s;
  ASSERT_TRUE(s.Open());
  // A writer updated at demo time 0 still counts as not started, so the
  // first frame here comes just after.
  s.FrameAt(10);
  CrtRandom before = s.demo.random;
  s.FrameAt(6000);  // past the fade
  // One noise number per pixel.
  for (int i = 0; i < kFramePixels; ++i) before.Next();
  EXPECT_EQ(s.demo.random.state, before.state);
  // 6 s at 33 ms a character: the first lines are typed.
  const TextWriter& w = s.demo.textWriter;
  EXPECT_GT(w.nextLine, 5);
  int text = 0, shown = 0;
  for (int i = 0; i < kFramePixels; ++i)
    if (uint32_t p = w.overlay[size_t(i)]) {
      ++text;
      shown += s.demo.frameBuffer[size_t(i)] == p;
    }
  EXPECT_GT(text, 500);
  EXPECT_GT(shown, text * 9 / 10) << "the typed text lies over the picture";
  // Elsewhere the picture shows with its noise: never below the picture,
  // never more than 31 above it, never carrying.
  const PcxImage& mech = s.demo.pictures.mechV;
  for (int y = 200; y < 300; ++y)
    for (int x = 0; x < 10; ++x) {
      uint32_t p = s.Pixel(x, y), m = mech.pixels[size_t(y) * 512 + size_t(x)];
      uint32_t n = (p & 255) - (m & 255);
      ASSERT_LE(n, 31u);
      ASSERT_EQ(p, m + n * 0x010101u) << x << ", " << y;
    }
}

TEST(Recipes, TheConsoleLineRunsOnlyInWindowTwo) {
  DataShow s;
  ASSERT_TRUE(s.Open());
  s.FrameAt(10000);
  s.FrameAt(10100);
  EXPECT_EQ(s.demo.console.consoleLineCounter, 0u);
  for (uint32_t t : {30000u, 30010u, 30020u}) s.FrameAt(t);
  EXPECT_EQ(s.demo.console.consoleLineCounter, 3u);
  s.FrameAt(55000);
  EXPECT_EQ(s.demo.console.consoleLineCounter, 3u);
}

TEST(Recipes, WarpAndTileColumnsMoveOncePerFrameOfWindowsThreeAndFour) {
  DataShow s;
  ASSERT_TRUE(s.Open());
  s.JumpTo(54000);
  int frames = 0;
  for (uint32_t t = 54000; t < 58000; t += 500, ++frames) s.FrameAt(t);
  EXPECT_EQ(s.demo.tileColumns.tileScroll, (frames * 4) % 84);
  EXPECT_EQ(s.demo.warp.p0, 2 * frames);
  EXPECT_EQ(s.demo.warp.p3, 3 * frames);
  CrtRandom before = s.demo.random;
  s.FrameAt(60000);
  EXPECT_EQ(s.demo.random.state, before.state) << "no noise here";
  s.FrameAt(79000);  // window 5: the columns stay where they are
  EXPECT_EQ(s.demo.tileColumns.tileScroll, ((frames + 1) * 4) % 84);
}

TEST(Recipes, FullFramePicturesShowAtTheirLastStep) {
  struct Case {
    uint32_t t;
    const PcxImage Pictures::*picture;
  };
  const Case cases[] = {{80000, &Pictures::gV}, {108000, &Pictures::image2}};
  for (const Case& c : cases) {
    DataShow s;
    ASSERT_TRUE(s.Open());
    s.FrameAt(c.t);
    const PcxImage& p = s.demo.pictures.*c.picture;
    int differ = 0;
    for (int i = 0; i < kFramePixels; ++i)
      differ += s.demo.frameBuffer[size_t(i)] != WeightedBlend(0x00FFFFFF, 0, p.pixels[size_t(i)], 255);
    EXPECT_EQ(differ, 0) << c.t;
  }
}

TEST(Recipes, TheZoomFeedsBackIntoItsTextureAndTheGreetingsStart) {
  DataShow s;
  ASSERT_TRUE(s.Open());
  const std::vector<uint32_t> original = s.demo.pictures.zoom6.pixels;
  ASSERT_GE(original.size(), kFeedbackPixels);
  s.FrameAt(80000);
  EXPECT_EQ(s.demo.pictures.zoom6.pixels, original) << "no feedback in window 5";
  s.FrameAt(84000);
  EXPECT_NE(s.demo.pictures.zoom6.pixels[16732], original[16732]);
  EXPECT_EQ(s.demo.pictures.zoom6.pixels[16731], original[16731]);
  EXPECT_EQ(s.demo.textWriter.page, MmxListing()) << "the greetings wait for window 7";
  s.FrameAt(85000);
  const TextWriter& w = s.demo.textWriter;
  EXPECT_EQ(w.page, GreetingsText());
  EXPECT_EQ(w.homeX, 100);
  EXPECT_EQ(w.y, 72);
  EXPECT_EQ(w.lastTypeMs, 0u) << "window 7 does not type";
  s.FrameAt(88000);
  s.FrameAt(90000);
  EXPECT_EQ(w.page, GreetingsText()) << "set once";
  EXPECT_GT(w.nextLine, 0);
  EXPECT_EQ(w.lastTypeMs, 90000u);
  // Window 9 leaves the writer alone.
  s.FrameAt(105000);
  s.FrameAt(106000);
  EXPECT_EQ(w.lastTypeMs, 90000u);
}

TEST(Recipes, StoryPagesStartInOrderAndTheLatestStays) {
  struct Case {
    const char* name;
    std::vector<uint32_t> frames;
    int stage;
  };
  const Case cases[] = {
      {"on time", {148000, 149000, 159999}, 1},
      {"the second", {148000, 149000, 160000}, 2},
      {"three missed at once", {148000, 185000}, 4},
      {"entered late", {175000}, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DataShow s;
    ASSERT_TRUE(s.Open());
    for (uint32_t t : c.frames) s.FrameAt(t);
    const TextWriter& w = s.demo.textWriter;
    EXPECT_EQ(s.demo.director.pageStage, c.stage);
    EXPECT_EQ(w.page, StoryText(c.stage));
    EXPECT_EQ(w.homeX, 10);
    EXPECT_EQ(w.homeY, 140);
    EXPECT_EQ(w.lineLimit, 360);
    EXPECT_EQ(w.msPerChar, 10u);
  }
  // The page is typed at 10 ms a character over "atomb.pcx".
  DataShow s;
  ASSERT_TRUE(s.Open());
  s.FrameAt(149000);
  s.FrameAt(150000);
  EXPECT_GT(s.demo.textWriter.nextLine, 3);
  EXPECT_EQ(s.Pixel(511, 383), s.demo.pictures.atomb.pixels[size_t(kFramePixels) - 1]);
}

TEST(Recipes, LandscapeAndLogo) {
  DataShow s;
  ASSERT_TRUE(s.Open());
  s.FrameAt(200000);
  // No hill rises above row 43 (height 255 at the farthest steps). From
  // column 294 on the swaying credits lie over the landscape.
  for (int x : {0, 150, 293}) {
    EXPECT_EQ(s.Pixel(x, 0), 0xFFFFFFFFu) << "white sky";
    EXPECT_EQ(s.Pixel(x, 42), 0xFFFFFFFFu);
  }
  EXPECT_NE(s.Pixel(100, 382), 0xFFFFFFFFu) << "ground below";
  s.FrameAt(220000);
  const PcxImage& logo = s.demo.pictures.viivak;
  for (int y = 0; y < 96; ++y)
    for (int x = 0; x < 128; ++x)
      ASSERT_EQ(s.Pixel(374 + x, 10 + y), logo.pixels[size_t(y) * 128 + size_t(x)]) << x << ", " << y;
}

}  // namespace
