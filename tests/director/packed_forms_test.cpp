// The packed (SSE2) forms of the director's pixel operations against their
// plain forms, over frames and pictures the show really draws: the same
// pixels everywhere, and the same generator state after the noise.
#include <gtest/gtest.h>

#include <vector>

#include "director/blends.h"
#include "director/landscape.h"
#include "director/roto_zoom.h"
#include "director/table_warp.h"
#include "director/text_writer.h"
#include "director/tiles.h"
#include "support/show.h"

namespace {

using testing_support::InDataDir;
using testing_support::Show;

using Pixels = std::vector<uint32_t>;

struct Canvas {
  Pixels pixels;
  RenderTarget target;
  explicit Canvas(Pixels p) : pixels(std::move(p)) {
    target.pixels = pixels.data();
    target.width = kFrameWidth;
    target.height = kFrameHeight;
  }
};

// Some top bytes set: they carry no colour, and both forms must treat them
// alike.
Pixels WithTopBytes(Pixels p, size_t every) {
  for (size_t i = 0; i < p.size(); i += every) p[i] |= 0x9C000000u;
  return p;
}

long Differing(const Pixels& a, const Pixels& b) {
  long n = 0;
  for (size_t i = 0; i < a.size(); ++i) n += a[i] != b[i];
  return n;
}

class DirectorPackedForms : public testing::Test {
 protected:
  InDataDir inData;
  Show s;
  void SetUp() override {
    ASSERT_TRUE(s.Open());
    s.demo.settings.useMmx = 0;
  }
  // The frame the plain show leaves at time t.
  Pixels FrameAt(uint32_t t) {
    s.FrameAt(t);
    return Pixels(s.demo.target.pixels, s.demo.target.pixels + kFramePixels);
  }
};

TEST_F(DirectorPackedForms, OverlayTextLaysTheSamePixels) {
  // The listing over the first windows, the greetings in the zoom and a
  // story page, each with what the writer has typed by then.
  long replaced = 0;
  for (uint32_t t : {12000u, 45000u, 100000u, 158000u, 190000u}) {
    Pixels frame = WithTopBytes(FrameAt(t), 3);
    Canvas plain(frame), packed(frame);
    OverlayText(s.demo.textWriter, plain.target, 0);
    OverlayText(s.demo.textWriter, packed.target, 1);
    ASSERT_EQ(packed.pixels, plain.pixels) << "t " << t;
    replaced += Differing(plain.pixels, frame);
  }
  EXPECT_GT(replaced, 1000) << "the overlays laid hardly anything over the frames";
  // A writer without an overlay lays nothing, in either form.
  Pixels frame = FrameAt(30000);
  Canvas none(frame);
  OverlayText(TextWriter{}, none.target, 1);
  EXPECT_EQ(none.pixels, frame);
}

TEST_F(DirectorPackedForms, NoiseAddsTheSameNumbersAndLeavesTheSameGenerator) {
  struct Case {
    uint32_t t;
    uint32_t state;  // where the generator stands before the draw
  };
  // Real backgrounds with pale pixels, so the carries between channels show;
  // generator states from the start and from deep in a run.
  const Case cases[] = {{5000, 1}, {30000, 0xDEADBEEF}, {30000, 0}, {170000, 0x7FFFFFFF}};
  for (const Case& c : cases) {
    Pixels frame = WithTopBytes(FrameAt(c.t), 11);
    Canvas plain(frame), packed(frame);
    CrtRandom plainRandom{c.state}, packedRandom{c.state};
    AddNoise(plain.target, plainRandom, 0);
    AddNoise(packed.target, packedRandom, 1);
    ASSERT_EQ(packed.pixels, plain.pixels) << "t " << c.t << ", state " << c.state;
    EXPECT_EQ(packedRandom.state, plainRandom.state) << "t " << c.t;
    // And the next draw goes on from there in both.
    EXPECT_EQ(packedRandom.Next(), plainRandom.Next());
    EXPECT_GT(Differing(plain.pixels, frame), kFramePixels / 2) << "the noise hardly changed the frame";
  }
}

TEST_F(DirectorPackedForms, CrossFadeGivesTheSamePixelsAtEveryLevel) {
  const PcxImage* pictures[] = {&s.demo.pictures.gV, &s.demo.pictures.image2};
  for (uint32_t t : {60000u, 84000u, 106000u}) {
    Pixels frame = WithTopBytes(FrameAt(t), 7);
    for (const PcxImage* picture : pictures) {
      // Every level on the first frame; the ends and out-of-range ones too.
      for (int a = -3; a <= 258; a += t == 60000u ? 1 : 17) {
        Canvas plain(frame), packed(frame);
        CrossFadeImage(*picture, a, plain.target, 0);
        CrossFadeImage(*picture, a, packed.target, 1);
        ASSERT_EQ(packed.pixels, plain.pixels) << "t " << t << ", a " << a;
      }
    }
  }
  // A picture shorter than its size says: the count the forms read is odd.
  PcxImage cut = s.demo.pictures.gV;
  cut.pixels.resize(1001);
  Pixels frame = FrameAt(84000);
  Canvas plain(frame), packed(frame);
  CrossFadeImage(cut, 77, plain.target, 0);
  CrossFadeImage(cut, 77, packed.target, 1);
  EXPECT_EQ(packed.pixels, plain.pixels);
  EXPECT_EQ(Differing(plain.pixels, frame), 1001) << "the short picture blended exactly its 1001 pixels";
}

TEST_F(DirectorPackedForms, TableWarpFetchesTheSameTexelsAndStepsTheSamePhases) {
  const PcxImage& texture = s.demo.pictures.staticdi2;
  // Phases as the show leaves them in its two warp windows, and phases far
  // into a long run, where the sines' sums and the offsets go negative and
  // past 255 alike.
  struct Case {
    uint32_t t;
    int32_t phaseFrom;  // 0: the show's own phases
  };
  const Case cases[] = {{58000, 0}, {70000, 0}, {78500, 0}, {58000, 1000003}};
  for (const Case& c : cases) {
    FrameAt(c.t);
    WarpTables plainWarp = s.demo.warp;
    if (c.phaseFrom) {
      plainWarp.p0 = c.phaseFrom, plainWarp.p1 = 7 * c.phaseFrom, plainWarp.p2 = 3, plainWarp.p3 = c.phaseFrom / 5;
    }
    WarpTables packedWarp = plainWarp;
    Canvas plain(Pixels(kFramePixels, 0x00123456u)), packed(Pixels(kFramePixels, 0x00654321u));
    for (int frame = 0; frame < 3; ++frame) {
      DrawTableWarp(plainWarp, plain.target, texture, 0);
      DrawTableWarp(packedWarp, packed.target, texture, 1);
      ASSERT_EQ(packed.pixels, plain.pixels) << "t " << c.t << ", frame " << frame;
      ASSERT_EQ(std::vector<int32_t>({packedWarp.p0, packedWarp.p1, packedWarp.p2, packedWarp.p3}),
                std::vector<int32_t>({plainWarp.p0, plainWarp.p1, plainWarp.p2, plainWarp.p3}));
    }
    EXPECT_EQ(Differing(plain.pixels, Pixels(kFramePixels, 0x00123456u)), kFramePixels) << "every pixel is drawn";
  }
  // A texture it cannot read leaves the frame and the phases alone in both.
  WarpTables plainWarp = s.demo.warp, packedWarp = s.demo.warp;
  Canvas plain(Pixels(kFramePixels, 7u)), packed(Pixels(kFramePixels, 7u));
  DrawTableWarp(plainWarp, plain.target, PcxImage{}, 0);
  DrawTableWarp(packedWarp, packed.target, PcxImage{}, 1);
  EXPECT_EQ(packed.pixels, Pixels(kFramePixels, 7u));
  EXPECT_EQ(packedWarp.p0, plainWarp.p0);
}

TEST_F(DirectorPackedForms, RotoZoomBlendsTheSameTexels) {
  // The zoom's own texture as the show has fed it back by then, over a
  // frame with top bytes set, at phases all round the turn and zooms from
  // a close-up to far off (the steps change sign and size).
  Pixels background = WithTopBytes(FrameAt(92000), 3);
  const PcxImage texture = s.demo.pictures.zoom6;
  const float phases[] = {0.0f, 12.5f, 64.0f, 128.3f, 191.9f, 255.0f, -40.0f, 5000.7f};
  const float zooms[] = {400.0f, 37.0f, 2500.0f};
  for (float zoom : zooms) {
    for (float phase : phases) {
      Canvas plain(background), packed(background);
      DrawRotoZoom(phase, zoom, plain.target, texture, 0);
      DrawRotoZoom(phase, zoom, packed.target, texture, 1);
      ASSERT_EQ(packed.pixels, plain.pixels) << "phase " << phase << ", zoom " << zoom;
      EXPECT_GT(Differing(plain.pixels, background), kFrameWidth * kZoomBandRows / 2);
    }
  }
  // A texture it cannot read draws nothing in either form.
  Canvas packed(background);
  DrawRotoZoom(0.0f, 400.0f, packed.target, PcxImage{}, 1);
  EXPECT_EQ(packed.pixels, background);
}

TEST_F(DirectorPackedForms, LandscapeWalksTheSameRaysForEveryEyeItTakes) {
  // The show's own map, its flight's positions and headings and both its
  // eye heights; eyes from just over the highest ground to far above; and
  // depth offsets that throw the ground above the frame's top, so columns
  // fill up and stop early.
  FrameAt(200000);
  Landscape land = s.demo.landscape;
  const PcxImage& colours = s.demo.pictures.land7;
  struct Case {
    int eye;
    int32_t x, y, heading;
    bool lowOffsets;
  };
  const Case cases[] = {{256, 0, 0, 0, false},          {300, 123456, -98765, 1500, false},
                        {300, -5000000, 77, 2047, false}, {255, 40000, 40000, 700, false},
                        {1000, 1 << 20, 3, 333, false},   {129999, 5, 5, 5, false},
                        {300, 9999, 8888, 1024, true},     {255, -1, -1, 64, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "eye " << c.eye << " at " << c.x << ", " << c.y << " heading " << c.heading);
    Landscape l = land;
    l.eyeHeight = c.eye;
    if (c.lowOffsets)
      for (int k = 1; k <= kLandSteps; ++k) l.depthOffsets[size_t(k)] = 40 - 31 * k;
    Pixels background = WithTopBytes(FrameAt(200000), 9);
    Canvas plain(background), packed(background);
    DrawLandscape(l, c.x, c.y, c.heading, colours, plain.target, 0);
    DrawLandscape(l, c.x, c.y, c.heading, colours, packed.target, 1);
    ASSERT_EQ(packed.pixels, plain.pixels);
    EXPECT_GT(Differing(plain.pixels, background), 0);
  }
}

TEST_F(DirectorPackedForms, TileColumnsBlendTheSamePixels) {
  const PcxImage& tile = s.demo.pictures.tilpeh2;
  Pixels frame = WithTopBytes(FrameAt(60000), 5);
  Canvas plain(frame), packed(frame);
  TileColumns plainColumns, packedColumns;
  // A whole turn of the scroll and then some, as windows 3 and 4 draw them.
  for (int k = 0; k < 25; ++k) {
    ScrollTilesDown(plainColumns, 10, tile, plain.target, 0);
    ScrollTilesUp(plainColumns, 422, tile, plain.target, 0);
    ScrollTilesDown(packedColumns, 10, tile, packed.target, 1);
    ScrollTilesUp(packedColumns, 422, tile, packed.target, 1);
    ASSERT_EQ(packed.pixels, plain.pixels) << "step " << k;
    ASSERT_EQ(packedColumns.tileScroll, plainColumns.tileScroll);
  }
  EXPECT_GT(Differing(plain.pixels, frame), 10000);
}

TEST_F(DirectorPackedForms, FadedTilesClippedAtTheEdgesGiveTheSamePixels) {
  const PcxImage& tile = s.demo.pictures.tilpeh2;
  struct Case {
    int32_t x, y;
  };
  // Cut on the left and right by amounts that leave 1 to 3 pixels past a
  // group of four, and at the top and bottom rows.
  const Case cases[] = {{-1, 100}, {-2, 0},   {-3, 300},  {-79, 150}, {433, 200}, {434, -70},
                        {435, 304}, {509, 10}, {511, 380}, {10, -78},  {10, 383},  {200, 152}};
  Pixels frame = WithTopBytes(FrameAt(70000), 3);
  int drew = 0;
  for (const Case& c : cases) {
    Canvas plain(frame), packed(frame);
    DrawFadedTile(c.x, c.y, tile, plain.target, 0);
    DrawFadedTile(c.x, c.y, tile, packed.target, 1);
    ASSERT_EQ(packed.pixels, plain.pixels) << "x " << c.x << ", y " << c.y;
    drew += plain.pixels != frame;
  }
  EXPECT_GE(drew, 8) << "most of the tiles should have blended something";
}

}  // namespace
