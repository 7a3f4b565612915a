#include "host/display_device.h"

#include <gtest/gtest.h>

#include "host/headless.h"

namespace {

using namespace host;

struct Device {
  std::unique_ptr<Platform> platform = MakeHeadlessPlatform();
  DisplayDevice& dd = platform->display;
  HWND window = 0;
  Device() {
    platform->windows.RegisterClass(WndClass{"W", nullptr});
    window = platform->windows.CreateWindow("W", "w", 0, 100, 50, 512, 384);
    dd.DirectDrawCreate();
    dd.QueryInterface4();
  }
};

TEST(DisplayDevice, InjectedFailuresCountDown) {
  Device d;
  d.dd.FailCall(DisplayCall::CreateClipper, DDERR_GENERIC, 2);
  Clipper* c = nullptr;
  EXPECT_EQ(d.dd.CreateClipper(&c), DDERR_GENERIC);
  EXPECT_EQ(c, nullptr);
  EXPECT_EQ(d.dd.CreateClipper(&c), DDERR_GENERIC);
  EXPECT_EQ(d.dd.CreateClipper(&c), DD_OK);
  EXPECT_NE(c, nullptr);
  EXPECT_EQ(d.dd.CallCount(DisplayCall::CreateClipper), 3);
  d.dd.FailCall(DisplayCall::Lock, DDERR_SURFACELOST);  // for ever
  Surface* s = nullptr;
  d.dd.CreateOffscreenSurface(16, 16, 32, &s);
  SurfaceDesc desc{kSurfaceDesc2Size};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(d.dd.Lock(s, &desc), DDERR_SURFACELOST);
  EXPECT_EQ(desc.memory, nullptr);
}

TEST(DisplayDevice, ModesNeedExclusiveAccessAndShapeThePrimary) {
  struct Case {
    uint32_t level;
    int w, h, bits;
    HRESULT mode;
    int primaryW, primaryBits, pitch;
  };
  const Case cases[] = {
      {DDSCL_NORMAL, 512, 384, 32, DDERR_NOEXCLUSIVEMODE, 1280, 32, 5120},
      {DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN, 512, 384, 24, DD_OK, 512, 24, 1536},
      {DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN, 640, 480, 8, DD_OK, 640, 8, 640},
      {DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN, 640, 480, 16, DDERR_UNSUPPORTEDMODE, 1280, 32, 5120},
  };
  for (const Case& c : cases) {
    Device d;
    ASSERT_EQ(d.dd.SetCooperativeLevel(d.window, c.level), DD_OK);
    EXPECT_EQ(d.dd.SetDisplayMode(c.w, c.h, c.bits), c.mode);
    Surface* primary = nullptr;
    ASSERT_EQ(d.dd.CreatePrimarySurface(&primary), DD_OK);
    EXPECT_EQ(primary->width, c.primaryW);
    EXPECT_EQ(primary->bitsPerPixel, c.primaryBits);
    EXPECT_EQ(primary->pitch, c.pitch);
  }
}

// Surface memory is zero when made, even where the allocator hands back
// the block of a surface that was drawn on and released.
TEST(DisplayDevice, EveryNewSurfaceStartsBlack) {
  Device d;
  for (int round = 0; round < 3; ++round) {
    Surface* s = nullptr;
    ASSERT_EQ(d.dd.CreateOffscreenSurface(640, 480, 32, &s), DD_OK);
    ASSERT_EQ(s->memory.size(), size_t(640 * 480 * 4));
    size_t nonZero = 0;
    for (uint8_t b : s->memory) nonZero += b != 0;
    EXPECT_EQ(nonZero, 0u) << "round " << round;
    std::fill(s->memory.begin(), s->memory.end(), uint8_t(0xA5));
    d.dd.Release(s);
    Surface* small = nullptr;
    ASSERT_EQ(d.dd.CreateOffscreenSurface(3, 5, 8, &small), DD_OK);
    EXPECT_EQ(small->memory, decltype(small->memory)(size_t(4 * 5), 0));
    std::fill(small->memory.begin(), small->memory.end(), uint8_t(0x5A));
    d.dd.Release(small);
  }
}

TEST(DisplayDevice, ClippedBlitsStayInsideTheWindow) {
  Device d;
  d.dd.SetCooperativeLevel(d.window, DDSCL_NORMAL);
  Surface *primary, *off;
  Clipper* clipper;
  d.dd.CreatePrimarySurface(&primary);
  d.dd.CreateClipper(&clipper);
  d.dd.SetClipperWindow(clipper, d.window);
  d.dd.SetClipper(primary, clipper);
  d.dd.ReleaseClipper(clipper);
  d.dd.CreateOffscreenSurface(512, 384, 32, &off);
  d.dd.ColorFill(off, 0x00FF00FF);
  // A destination that spills past the window's client area is cut to it.
  Rect dst{90, 40, 690, 490}, src{0, 0, 512, 384};  // stretched, too
  ASSERT_EQ(d.dd.Blt(primary, &dst, off, &src), DD_OK);
  auto at = [&](int x, int y) { return reinterpret_cast<uint32_t*>(primary->memory.data() + y * primary->pitch)[x]; };
  EXPECT_EQ(at(100, 50), 0x00FF00FFu);
  EXPECT_EQ(at(611, 433), 0x00FF00FFu);
  EXPECT_EQ(at(99, 50), 0u);
  EXPECT_EQ(at(612, 433), 0u);
  EXPECT_EQ(at(611, 434), 0u);
  // The headless screen shows the window's client area.
  EXPECT_EQ(Headless(*d.platform).ScreenWidth(), 512);
  EXPECT_EQ(Headless(*d.platform).Screen()[0], 0x00FF00FFu);
  // The clipper lives as long as the surface holding it.
  d.dd.Release(primary);
  d.dd.Release(off);
  EXPECT_EQ(d.dd.LiveSurfaces(), 0);
}

TEST(DisplayDevice, LostSurfacesRefuseUntilRestored) {
  Device d;
  Surface* s;
  d.dd.CreateOffscreenSurface(8, 8, 32, &s);
  d.dd.ColorFill(s, 0x123456);
  d.dd.LoseSurfaces();
  SurfaceDesc desc{kSurfaceDesc2Size};
  EXPECT_EQ(d.dd.Lock(s, &desc), DDERR_SURFACELOST);
  EXPECT_EQ(d.dd.Blt(s, nullptr, s, nullptr), DDERR_SURFACELOST);
  EXPECT_EQ(d.dd.Restore(s), DD_OK);
  ASSERT_EQ(d.dd.Lock(s, &desc), DD_OK);
  EXPECT_EQ(static_cast<uint32_t*>(desc.memory)[0], 0u);  // what was there is gone
  SurfaceDesc wrong{100};
  EXPECT_EQ(d.dd.Lock(s, &wrong), DDERR_INVALIDPARAMS);
}

// The device wipes a lost surface when it is restored and frees a released
// one; neither reaches the screen, which keeps the last picture shown.
TEST(DisplayDevice, ARestoredOrReleasedPrimaryLeavesTheLastPictureOnTheScreen) {
  for (bool release : {false, true}) {
    SCOPED_TRACE(release ? "released" : "restored");
    Device d;
    HeadlessBackend& backend = Headless(*d.platform);
    ASSERT_EQ(d.dd.SetCooperativeLevel(d.window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    ASSERT_EQ(d.dd.SetDisplayMode(512, 384, 32), DD_OK);
    Surface* primary = nullptr;
    ASSERT_EQ(d.dd.CreatePrimarySurface(&primary), DD_OK);
    SurfaceDesc desc{};
    desc.size = kSurfaceDescSize;
    ASSERT_EQ(d.dd.Lock(primary, &desc), DD_OK);
    static_cast<uint32_t*>(desc.memory)[5] = 0x00ABCDEF;
    ASSERT_EQ(d.dd.Unlock(primary), DD_OK);
    if (release) {
      d.dd.Release(primary);
    } else {
      d.dd.LoseSurfaces();
      ASSERT_EQ(d.dd.Restore(primary), DD_OK);
      ASSERT_EQ(static_cast<uint32_t*>(desc.memory)[5], 0u) << "the restored surface is wiped";
    }
    ASSERT_EQ(backend.Screen().size(), size_t(512 * 384));
    EXPECT_EQ(backend.Screen()[5], 0x00ABCDEFu);
    EXPECT_EQ(backend.Screen()[4], 0u);
  }
}

}  // namespace
