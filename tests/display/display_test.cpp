#include "display/display.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "support/show.h"

using testing_support::Show;

namespace {

// Each way of opening the display takes its steps in order, makes its
// surfaces and palette, gives the effects a frame of 512 unpadded 32-bit
// rows, and lets go of everything again on the way out.
TEST(Display, EachPathOpensItsSurfacesAndReleasesThem) {
  struct Case {
    const char* name;
    int windowed, mode;
    bool newerInterface;
    std::vector<std::string> calls;
  };
  const std::vector<std::string> windowed = {"DirectDrawCreate", "QueryInterface(4)", "SetCooperativeLevel(0x08)",
                                             "CreateSurface(primary)", "CreateClipper",
                                             "CreateSurface(offscreen 512x384x32)", "Blt(colour fill)"};
  auto with = [](std::vector<std::string> calls, std::vector<std::string> more) {
    calls.insert(calls.end(), more.begin(), more.end());
    return calls;
  };
  const std::vector<std::string> palette = {"CreatePalette", "SetPalette"};
  const Case cases[] = {
      {"windowed, 8 bits: grey palette", 1, 2, true, with(windowed, palette)},
      {"windowed, 32 bits: no palette", 1, 0, true, windowed},
      {"windowed, 24 bits", 1, 1, true, windowed},
      {"windowed, 640 × 480 × 24", 1, 4, true, windowed},
      {"full screen through the newer interface, reboot allowed", 0, 5, true,
       with({"DirectDrawCreate", "QueryInterface(4)", "SetCooperativeLevel(0x13)", "SetDisplayMode(640, 480, 8)",
             "CreateSurface(primary)"}, palette)},
      {"full screen, 32 bits", 0, 0, true,
       {"DirectDrawCreate", "QueryInterface(4)", "SetCooperativeLevel(0x13)", "SetDisplayMode(512, 384, 32)",
        "CreateSurface(primary)"}},
      {"full screen through the first interface, asked for a window", 1, 1, false,
       {"DirectDrawCreate", "QueryInterface(4)", "SetCooperativeLevel(0x11)", "SetDisplayMode(512, 384, 24)",
        "CreateSurface(primary)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Show s;
    auto& device = s.platform->display;
    if (!c.newerInterface) device.RemoveInterface(host::DisplayInterface::DirectDraw4);
    RegisterClasses(s.demo);
    s.demo.settings.windowed = c.windowed;
    s.demo.settings.videoMode = c.mode;
    s.demo.MainWindow =
        s.platform->windows.CreateWindow("Demo", kDemoTitle, host::WS_OVERLAPPEDWINDOW, 100, 80, 512, 384);
    s.platform->windows.GetWindowRect(s.demo.MainWindow, &s.demo.display.SavedWindowRect);
    ASSERT_EQ(OpenDisplay(s.demo.display, s.demo.MainWindow), 1);
    EXPECT_EQ(device.CallLog(), c.calls);
    EXPECT_EQ(s.demo.display.DisplayReady, 1);
    EXPECT_TRUE(s.BoxTexts().empty());
    const bool hasPalette = c.calls.back() == "SetPalette", window = c.windowed && c.newerInterface;
    EXPECT_EQ(device.LivePalettes(), int(hasPalette));
    EXPECT_EQ(device.LiveSurfaces(), window ? 2 : 1);
    const host::Surface* primary = device.PrimarySurface();
    ASSERT_NE(primary, nullptr);
    for (int i = 0; hasPalette && i < 256; i += 85) {
      EXPECT_EQ(primary->palette->entries[i].red + primary->palette->entries[i].blue, 2 * i);
    }
    if (const host::Surface* frame = window ? s.demo.display.offscreen : nullptr) {
      EXPECT_EQ(std::make_tuple(frame->width, frame->height, frame->bitsPerPixel, frame->pitch),
                std::make_tuple(512, 384, 32, 512 * 4));
      BeginFrame(s.demo.display);
      EXPECT_EQ(static_cast<const void*>(s.demo.target.pixels), static_cast<const void*>(frame->memory.data()));
      EXPECT_EQ(s.demo.target.surfacePitch, 512 * 4);
      EXPECT_EQ(frame->memory.size(), size_t(kFramePixels) * 4) << "exactly the frame, no more, no less";
      PresentFrame(s.demo.display);
    }
    EXPECT_EQ(std::make_tuple(s.demo.target.width, s.demo.target.height, s.demo.target.bitsPerPixel),
              std::make_tuple(512, 384, 32));
    // Released twice, as an error path and then WM_DESTROY do; palettes
    // outlive releases. Shutdown then closes the display.
    ReleaseAllObjects(s.demo.display, s.demo.MainWindow);
    ReleaseAllObjects(s.demo.display, s.demo.MainWindow);
    EXPECT_EQ(device.LiveSurfaces(), 0);
    EXPECT_EQ(device.LivePalettes(), int(hasPalette));
    size_t before = device.CallLog().size();
    CloseDisplay(s.demo.display);
    const std::vector<std::string>& log = device.CallLog();
    std::vector<std::string> releases = {"Release(interface 4)", "Release(interface 1)"};
    if (!c.newerInterface) releases.erase(releases.begin());
    EXPECT_EQ(std::vector<std::string>(log.begin() + long(before), log.end()), releases);
    EXPECT_FALSE(device.HasInterface(1) || device.HasInterface(4) || device.Exclusive());
  }
}

}  // namespace
