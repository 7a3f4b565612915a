#include "display/display.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "support/show.h"

using testing_support::Show;

namespace {

std::string Joined(const std::vector<std::string>& calls, size_t from = 0) {
  std::string text;
  for (size_t i = from; i < calls.size(); ++i) text += (i > from ? "; " : "") + calls[i];
  return text;
}

// Each way of opening the display takes its steps in order, makes its
// surfaces and palette, gives the effects a frame of 512 unpadded 32-bit
// rows, and lets go of everything again on the way out.
TEST(Display, EachPathOpensItsSurfacesAndReleasesThem) {
  // Windowed asked, video mode, the newer interface there, and the calls.
  // A window gets a clipped primary and a 32-bit frame surface, cleared; the
  // 8-bit modes a grey palette; full screen through the newer interface is
  // allowed a reboot (0x13), through the first one not (0x11).
  const std::string window = "DirectDrawCreate; QueryInterface(4); SetCooperativeLevel(0x08); CreateSurface(primary); "
                             "CreateClipper; CreateSurface(offscreen 512x384x32); Blt(colour fill)";
  const std::string full = "DirectDrawCreate; QueryInterface(4); SetCooperativeLevel(0x1";
  const std::tuple<int, int, bool, std::string> cases[] = {
      {1, 2, true, window + "; CreatePalette; SetPalette"},
      {1, 0, true, window},
      {1, 1, true, window},
      {1, 4, true, window},
      {0, 5, true, full + "3); SetDisplayMode(640, 480, 8); CreateSurface(primary); CreatePalette; SetPalette"},
      {0, 0, true, full + "3); SetDisplayMode(512, 384, 32); CreateSurface(primary)"},
      {1, 1, false, full + "1); SetDisplayMode(512, 384, 24); CreateSurface(primary)"}};
  for (const auto& [windowed, mode, newerInterface, calls] : cases) {
    SCOPED_TRACE(calls);
    Show s;
    auto& device = s.platform->display;
    if (!newerInterface) device.RemoveInterface(host::DisplayInterface::DirectDraw4);
    RegisterClasses(s.demo);
    s.demo.settings.windowed = windowed;
    s.demo.settings.videoMode = mode;
    s.demo.MainWindow =
        s.platform->windows.CreateWindow("Demo", kDemoTitle, host::WS_OVERLAPPEDWINDOW, 100, 80, 512, 384);
    s.platform->windows.GetWindowRect(s.demo.MainWindow, &s.demo.display.SavedWindowRect);
    ASSERT_EQ(OpenDisplay(s.demo.display, s.demo.MainWindow), 1);
    EXPECT_EQ(Joined(device.CallLog()), calls);
    EXPECT_EQ(std::make_pair(s.demo.display.DisplayReady, s.BoxTexts().size()), std::make_pair(1, size_t(0)));
    const bool hasPalette = calls.find("SetPalette") != std::string::npos, inWindow = windowed && newerInterface;
    EXPECT_EQ(device.LivePalettes(), int(hasPalette));
    EXPECT_EQ(device.LiveSurfaces(), inWindow ? 2 : 1);
    const host::Surface* primary = device.PrimarySurface();
    ASSERT_NE(primary, nullptr);
    for (int i = 0; hasPalette && i < 256; i += 85) {
      EXPECT_EQ(primary->palette->entries[i].red + primary->palette->entries[i].blue, 2 * i);
    }
    if (const host::Surface* frame = inWindow ? s.demo.display.offscreen : nullptr) {
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
    EXPECT_EQ(Joined(device.CallLog(), before),
              std::string(newerInterface ? "Release(interface 4); " : "") + "Release(interface 1)");
    EXPECT_FALSE(device.HasInterface(1) || device.HasInterface(4) || device.Exclusive());
  }
}

}  // namespace
