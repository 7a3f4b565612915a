// The packed (SSE2) forms of the director's pixel operations against their
// plain forms, over frames and pictures the show really draws: the same
// pixels everywhere, and the same generator state after the noise.
#include <gtest/gtest.h>

#include <functional>
#include <numeric>
#include <tuple>
#include <vector>

#include "director/blends.h"
#include "director/landscape.h"
#include "director/roto_zoom.h"
#include "director/table_warp.h"
#include "director/text_writer.h"
#include "director/tiles.h"
#include "effect_fixtures.h"

namespace {

using Pixels = std::vector<uint32_t>;

long Differing(const Pixels& a, const Pixels& b) {
  return std::inner_product(a.begin(), a.end(), b.begin(), 0L, std::plus<>(), std::not_equal_to<>());
}

class DirectorPackedForms : public testing::Test {
 protected:
  fixtures::DataShow s;
  void SetUp() override {
    ASSERT_TRUE(s.opened);
    s.demo.settings.useMmx = 0;
  }
  // The frame the plain show leaves at time t, with some top bytes set: they
  // carry no colour, and both forms must treat them alike.
  Pixels FrameAt(uint32_t t, size_t topBytesEvery = 0) {
    s.FrameAt(t);
    Pixels p(s.demo.target.pixels, s.demo.target.pixels + kFramePixels);
    for (size_t i = 0; topBytesEvery && i < p.size(); i += topBytesEvery) p[i] |= 0x9C000000u;
    return p;
  }
  // Draws on two copies of the frame, plainly (0) and packed (1); the two
  // must agree. Returns the plain one.
  template <class Draw>
  static Pixels Both(const Pixels& frame, Draw draw) {
    Pixels out[2] = {frame, frame};
    for (int packed : {0, 1}) {
      RenderTarget t;
      t.pixels = out[packed].data();
      t.width = kFrameWidth, t.height = kFrameHeight;
      draw(t, packed);
    }
    if (out[0] != out[1]) ADD_FAILURE() << Differing(out[0], out[1]) << " pixels differ";
    return out[0];
  }
};

TEST_F(DirectorPackedForms, OverlayTextLaysTheSamePixels) {
  // The listing over the first windows, the greetings in the zoom and a
  // story page, each with what the writer has typed by then.
  long replaced = 0;
  for (uint32_t t : {12000u, 45000u, 100000u, 158000u, 190000u}) {
    SCOPED_TRACE(t);
    Pixels frame = FrameAt(t, 3);
    replaced += Differing(Both(frame, [&](RenderTarget& r, int m) { OverlayText(s.demo.textWriter, r, m); }), frame);
  }
  EXPECT_GT(replaced, 1000) << "the overlays laid hardly anything over the frames";
  // A writer without an overlay lays nothing.
  Pixels frame = FrameAt(30000);
  EXPECT_EQ(Both(frame, [](RenderTarget& r, int m) { OverlayText(TextWriter{}, r, m); }), frame);
}

TEST_F(DirectorPackedForms, NoiseAddsTheSameNumbersAndLeavesTheSameGenerator) {
  // Real backgrounds with pale pixels, so the carries between channels show;
  // generator states from the start and from deep in a run.
  const std::pair<uint32_t, uint32_t> cases[] = {{5000, 1}, {30000, 0xDEADBEEF}, {30000, 0}, {170000, 0x7FFFFFFF}};
  for (auto [t, state] : cases) {
    SCOPED_TRACE(testing::Message() << "t " << t << ", state " << state);
    Pixels frame = FrameAt(t, 11);
    CrtRandom random[2] = {{state}, {state}};
    Pixels plain = Both(frame, [&](RenderTarget& r, int m) { AddNoise(r, random[m], m); });
    EXPECT_EQ(random[1].state, random[0].state);
    EXPECT_EQ(random[1].Next(), random[0].Next()) << "the next draw goes on from there in both";
    EXPECT_GT(Differing(plain, frame), kFramePixels / 2);
  }
}

TEST_F(DirectorPackedForms, CrossFadeGivesTheSamePixelsAtEveryLevel) {
  for (uint32_t t : {60000u, 84000u, 106000u}) {
    Pixels frame = FrameAt(t, 7);
    for (const PcxImage* picture : {&s.demo.pictures.gV, &s.demo.pictures.image2})
      // Every level on the first frame; the ends and out-of-range ones too.
      for (int a = -3; a <= 258; a += t == 60000u ? 1 : 17) {
        SCOPED_TRACE(testing::Message() << "t " << t << ", a " << a);
        Both(frame, [&](RenderTarget& r, int m) { CrossFadeImage(*picture, a, r, m); });
      }
  }
  // A picture shorter than its size says: the count the forms read is odd.
  PcxImage cut = s.demo.pictures.gV;
  cut.pixels.resize(1001);
  Pixels frame = FrameAt(84000);
  EXPECT_EQ(Differing(Both(frame, [&](RenderTarget& r, int m) { CrossFadeImage(cut, 77, r, m); }), frame), 1001);
}

TEST_F(DirectorPackedForms, TableWarpFetchesTheSameTexelsAndStepsTheSamePhases) {
  const PcxImage& texture = s.demo.pictures.staticdi2;
  const Pixels blank(kFramePixels, 0x00123456u);
  auto phases = [](const WarpTables& w) { return std::tie(w.p0, w.p1, w.p2, w.p3); };
  // Phases as the show leaves them in its two warp windows, and phases far
  // into a long run, where the sines' sums and the offsets go negative and
  // past 255 alike.
  for (auto [t, from] : {std::pair{58000u, 0}, {70000u, 0}, {78500u, 0}, {58000u, 1000003}}) {
    SCOPED_TRACE(t);
    FrameAt(t);
    WarpTables w[2] = {s.demo.warp, s.demo.warp};
    for (WarpTables& x : w)
      if (from) std::tie(x.p0, x.p1, x.p2, x.p3) = std::tuple(from, 7 * from, 3, from / 5);
    for (int frame = 0; frame < 3; ++frame) {
      EXPECT_EQ(Differing(Both(blank, [&](RenderTarget& r, int m) { DrawTableWarp(w[m], r, texture, m); }), blank), kFramePixels)
          << "every pixel is drawn";
      EXPECT_EQ(phases(w[1]), phases(w[0]));
    }
  }
  // A texture it cannot read leaves the frame and the phases alone in both.
  WarpTables w[2] = {s.demo.warp, s.demo.warp};
  EXPECT_EQ(Both(blank, [&](RenderTarget& r, int m) { DrawTableWarp(w[m], r, PcxImage{}, m); }), blank);
  EXPECT_EQ(phases(w[1]), phases(s.demo.warp));
}

TEST_F(DirectorPackedForms, RotoZoomBlendsTheSameTexels) {
  // The zoom's own texture as the show has fed it back by then, at phases
  // all round the turn and zooms from a close-up to far off (the steps
  // change sign and size).
  Pixels background = FrameAt(92000, 3);
  const PcxImage texture = s.demo.pictures.zoom6;
  for (float zoom : {400.0f, 37.0f, 2500.0f})
    for (float phase : {0.0f, 12.5f, 64.0f, 128.3f, 191.9f, 255.0f, -40.0f, 5000.7f}) {
      SCOPED_TRACE(testing::Message() << "phase " << phase << ", zoom " << zoom);
      auto draw = [&](RenderTarget& r, int m) { DrawRotoZoom(phase, zoom, r, texture, m); };
      EXPECT_GT(Differing(Both(background, draw), background), kFrameWidth * kZoomBandRows / 2);
    }
  // A texture it cannot read draws nothing.
  EXPECT_EQ(Both(background, [](RenderTarget& r, int m) { DrawRotoZoom(0.0f, 400.0f, r, PcxImage{}, m); }), background);
}

TEST_F(DirectorPackedForms, LandscapeWalksTheSameRaysForEveryEyeItTakes) {
  // The show's own map, its flight's positions and headings and both its
  // eye heights; eyes from just over the highest ground to far above; and
  // depth offsets that throw the ground above the frame's top, so columns
  // fill up and stop early.
  Pixels background = FrameAt(200000, 9);
  // Eye, place, heading, and whether the depth offsets are low.
  const std::tuple<int, int32_t, int32_t, int32_t, bool> cases[] = {
      {256, 0, 0, 0, false},       {300, 123456, -98765, 1500, false}, {300, -5000000, 77, 2047, false},
      {255, 40000, 40000, 700, false}, {1000, 1 << 20, 3, 333, false}, {129999, 5, 5, 5, false},
      {300, 9999, 8888, 1024, true},  {255, -1, -1, 64, true}};
  for (auto [eye, x, y, heading, lowOffsets] : cases) {
    SCOPED_TRACE(testing::Message() << "eye " << eye << " at " << x << ", " << y << " heading " << heading);
    Landscape l = s.demo.landscape;
    l.eyeHeight = eye;
    for (int k = 1; lowOffsets && k <= kLandSteps; ++k) l.depthOffsets[size_t(k)] = 40 - 31 * k;
    auto draw = [&, x = x, y = y, heading = heading](RenderTarget& r, int m) {
      DrawLandscape(l, x, y, heading, s.demo.pictures.land7, r, m);
    };
    EXPECT_GT(Differing(Both(background, draw), background), 0);
  }
}

TEST_F(DirectorPackedForms, TileColumnsBlendTheSamePixels) {
  const PcxImage& tile = s.demo.pictures.tilpeh2;
  const Pixels start = FrameAt(60000, 5);
  Pixels frame = start;
  TileColumns columns[2];
  // A whole turn of the scroll and then some, as windows 3 and 4 draw them.
  for (int k = 0; k < 25; ++k) {
    SCOPED_TRACE(k);
    frame = Both(frame, [&](RenderTarget& r, int m) {
      ScrollTilesDown(columns[m], 10, tile, r, m);
      ScrollTilesUp(columns[m], 422, tile, r, m);
    });
    ASSERT_EQ(columns[1].tileScroll, columns[0].tileScroll);
  }
  EXPECT_GT(Differing(frame, start), 10000);
}

TEST_F(DirectorPackedForms, FadedTilesClippedAtTheEdgesGiveTheSamePixels) {
  // Cut on the left and right by amounts that leave 1 to 3 pixels past a
  // group of four, and at the top and bottom rows.
  const std::pair<int32_t, int32_t> cases[] = {{-1, 100}, {-2, 0},   {-3, 300},  {-79, 150}, {433, 200}, {434, -70},
                                               {435, 304}, {509, 10}, {511, 380}, {10, -78},  {10, 383},  {200, 152}};
  Pixels frame = FrameAt(70000, 3);
  int drew = 0;
  for (auto [x, y] : cases) {
    SCOPED_TRACE(testing::Message() << "x " << x << ", y " << y);
    drew += Both(frame, [&](RenderTarget& r, int m) { DrawFadedTile(x, y, s.demo.pictures.tilpeh2, r, m); }) != frame;
  }
  EXPECT_GE(drew, 8) << "most of the tiles should have blended something";
}

}  // namespace
