#include "display/display.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/show.h"

using host::DisplayCall;
using testing_support::Show;

namespace {

// The demo window and the display only, as start-up opens them; no data
// file is read.
bool OpenDisplayOnly(Show& s, int windowed, int videoMode) {
  RegisterClasses(s.demo);
  s.demo.settings.windowed = windowed;
  s.demo.settings.videoMode = videoMode;
  s.demo.MainWindow =
      s.platform->windows.CreateWindow("Demo", kDemoTitle, host::WS_OVERLAPPEDWINDOW, 100, 80, 512, 384);
  s.platform->windows.GetWindowRect(s.demo.MainWindow, &s.demo.display.SavedWindowRect);
  return OpenDisplay(s.demo.display, s.demo.MainWindow) == 1;
}

TEST(Display, EachPathTakesItsStepsInOrder) {
  struct Case {
    const char* name;
    int windowed, mode;
    bool newerInterface;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {"windowed, 8 bits: clipped primary, 32-bit frame surface cleared, grey palette",
       1,
       2,
       true,
       {"DirectDrawCreate", "QueryInterface(4)", "SetCooperativeLevel(0x08)", "CreateSurface(primary)",
        "CreateClipper", "CreateSurface(offscreen 512x384x32)", "Blt(colour fill)", "CreatePalette",
        "SetPalette"}},
      {"windowed, 32 bits: no palette", 1, 0, true,
       {"DirectDrawCreate", "QueryInterface(4)", "SetCooperativeLevel(0x08)", "CreateSurface(primary)",
        "CreateClipper", "CreateSurface(offscreen 512x384x32)", "Blt(colour fill)"}},
      {"full screen through the newer interface, reboot allowed", 0, 5, true,
       {"DirectDrawCreate", "QueryInterface(4)", "SetCooperativeLevel(0x13)", "SetDisplayMode(640, 480, 8)",
        "CreateSurface(primary)", "CreatePalette", "SetPalette"}},
      {"full screen through the first interface, asked for a window", 1, 1, false,
       {"DirectDrawCreate", "QueryInterface(4)", "SetCooperativeLevel(0x11)", "SetDisplayMode(512, 384, 24)",
        "CreateSurface(primary)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Show s;
    if (!c.newerInterface) s.platform->display.RemoveInterface(host::DisplayInterface::DirectDraw4);
    ASSERT_TRUE(OpenDisplayOnly(s, c.windowed, c.mode));
    EXPECT_EQ(s.platform->display.CallLog(), c.calls);
    EXPECT_EQ(s.demo.display.DisplayReady, 1);
    EXPECT_TRUE(s.BoxTexts().empty());
  }
}

TEST(Display, PathsPaletteAndRelease) {
  struct Case {
    int windowed, mode;
    bool palette, modeSet;
    int surfaces;
  };
  const Case cases[] = {
      {0, 0, false, true, 1}, {0, 2, true, true, 1}, {0, 5, true, true, 1},
      {1, 0, false, false, 2}, {1, 2, true, false, 2}, {1, 4, false, false, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("windowed " + std::to_string(c.windowed) + " mode " + std::to_string(c.mode));
    Show s;
    ASSERT_TRUE(OpenDisplayOnly(s, c.windowed, c.mode));
    EXPECT_EQ(s.platform->display.LivePalettes(), c.palette ? 1 : 0);
    EXPECT_EQ(s.platform->display.CallCount(DisplayCall::SetDisplayMode), c.modeSet ? 1 : 0);
    EXPECT_EQ(s.platform->display.LiveSurfaces(), c.surfaces);
    const host::Surface* primary = s.platform->display.PrimarySurface();
    ASSERT_NE(primary, nullptr);
    if (c.palette) {
      ASSERT_NE(primary->palette, nullptr);
      for (int i : {0, 1, 128, 255})
        EXPECT_EQ(primary->palette->entries[i].red + primary->palette->entries[i].blue, 2 * i);
    }
    EXPECT_EQ(s.demo.target.width, 512);
    EXPECT_EQ(s.demo.target.height, 384);
    EXPECT_EQ(s.demo.target.bitsPerPixel, 32);
    // Released twice, as an error path and then WM_DESTROY do.
    ReleaseAllObjects(s.demo.display, s.demo.MainWindow);
    ReleaseAllObjects(s.demo.display, s.demo.MainWindow);
    EXPECT_EQ(s.platform->display.LiveSurfaces(), 0);
    EXPECT_EQ(s.platform->display.LivePalettes(), c.palette ? 1 : 0);  // palettes outlive releases
  }
}

TEST(Display, ClosingReleasesEveryInterfaceObtained) {
  struct Case {
    const char* name;
    int windowed;
    bool newerInterface;
    std::vector<std::string> releases;
  };
  const Case cases[] = {
      {"both revisions, windowed", 1, true, {"Release(interface 4)", "Release(interface 1)"}},
      {"both revisions, full screen", 0, true, {"Release(interface 4)", "Release(interface 1)"}},
      {"the first revision only", 0, false, {"Release(interface 1)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Show s;
    if (!c.newerInterface) s.platform->display.RemoveInterface(host::DisplayInterface::DirectDraw4);
    ASSERT_TRUE(OpenDisplayOnly(s, c.windowed, 0));
    // As at the end of the show: the window's destruction releases the
    // surfaces, shutdown then closes the display.
    s.platform->windows.DestroyWindow(s.demo.MainWindow);
    size_t before = s.platform->display.CallLog().size();
    CloseDisplay(s.demo.display);
    const std::vector<std::string>& log = s.platform->display.CallLog();
    EXPECT_EQ(std::vector<std::string>(log.begin() + long(before), log.end()), c.releases);
    EXPECT_FALSE(s.platform->display.HasInterface(1));
    EXPECT_FALSE(s.platform->display.HasInterface(4));
    EXPECT_FALSE(s.platform->display.Exclusive());
    EXPECT_EQ(s.platform->display.LiveSurfaces(), 0);
  }
}

TEST(Display, TheFramesSurfaceHoldsItsRowsWithoutPadding) {
  // The effects write 512 32-bit pixels to a row, one row after the other,
  // whatever the desktop's format: the windowed frame surface is made so.
  for (int mode : {0, 1, 2, 3, 4, 5}) {
    SCOPED_TRACE(mode);
    Show s;
    ASSERT_TRUE(OpenDisplayOnly(s, 1, mode));
    const host::Surface* frame = s.demo.display.offscreen;
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->width, 512);
    EXPECT_EQ(frame->height, 384);
    EXPECT_EQ(frame->bitsPerPixel, 32);
    EXPECT_EQ(frame->pitch, 512 * 4);
    BeginFrame(s.demo.display);
    ASSERT_NE(s.demo.target.pixels, nullptr);
    EXPECT_EQ(static_cast<const void*>(s.demo.target.pixels), static_cast<const void*>(frame->memory.data()));
    EXPECT_EQ(s.demo.target.surfacePitch, 512 * 4);
    EXPECT_EQ(frame->memory.size(), size_t(kFramePixels) * 4) << "exactly the frame, no more, no less";
    PresentFrame(s.demo.display);
  }
}

}  // namespace
