#include "effects2d/wobble_overlay.h"

#include <gtest/gtest.h>

#include <vector>

#include "director/landscape.h"
#include "support/effects_frame.h"

namespace {

struct Rig : testing_support::Frame {
  Landscape land;
  WobbleOverlay overlay;
  explicit Rig(uint32_t fill = 0) : Frame(fill) {
    BuildDirectionTables(land);
    overlay.columnShift.assign(kWobbleShiftEntries, 0);
  }
  void Draw(const PcxImage& picture) { DrawWobbleOverlay(overlay, picture, land.dirX, land.dirY, target); }
};

TEST(DrawWobbleOverlay, RefusesWhatItCannotReadSafely) {
  struct Case {
    const char* what;
    void (*spoil)(Rig&, PcxImage&);
  };
  const Case cases[] = {
      {"no picture", [](Rig&, PcxImage& p) { p = PcxImage{}; }}, {"short pixel block", [](Rig&, PcxImage& p) { p.pixels.resize(1000); }},
      {"a wider picture", [](Rig&, PcxImage& p) { p.width = 220, p.pixels.resize(220 * 384); }},
      {"a shorter picture", [](Rig&, PcxImage& p) { p.height = 200, p.pixels.resize(218 * 200); }},
      {"no direction tables", [](Rig& r, PcxImage&) { r.land.dirX.clear(); }},
      {"no column-shift table", [](Rig& r, PcxImage&) { r.overlay.columnShift.clear(); }},
  };
  for (const Case& c : cases) {
    Rig rig(0x00ABCDEF);
    PcxImage picture{std::vector<uint32_t>(kWobbleWidth * kWobbleHeight, 0xFFFFFF), {}, kWobbleWidth, kWobbleHeight};
    c.spoil(rig, picture);
    rig.Draw(picture);
    EXPECT_EQ(rig.pixels, Rig(0x00ABCDEF).pixels) << c.what;
    EXPECT_EQ(rig.overlay.p0, 0) << c.what;
  }
}

}  // namespace
