// System detection: every rung of the version ladder, what each failing
// probe leaves, the notes for a debugger, and that nothing stays loaded.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <functional>
#include <string>

#include "host/headless.h"
#include "shell/startup.h"

using host::DisplayCall;
using host::DisplayInterface;
using host::Platform;

namespace {

struct Rung {
  const char* name;
  std::function<void(Platform&)> arrange;
  int directX, os;
  std::string debug;
  bool drawProbed;  // whether a DirectDraw object was asked for
};

TEST(DetectSystem, EveryRungOfTheLadder) {
  const char* kDInput = "DINPUT.DLL";
  const Rung rungs[] = {
      {"this host: NT 5", [](Platform&) {}, 0x600, 2, "", true},
      {"no version", [](Platform& p) { p.system.FailVersion(); }, 0, 0, "", false},
      {"NT 3", [](Platform& p) { p.system.SetVersion(host::VER_PLATFORM_WIN32_NT, 3); }, 0, 0, "", false},
      {"NT 4 with DirectInput", [](Platform& p) { p.system.SetVersion(host::VER_PLATFORM_WIN32_NT, 4); },
       0x300, 2, "", false},
      {"NT 4 without DirectInput",
       [&](Platform& p) {
         p.system.SetVersion(host::VER_PLATFORM_WIN32_NT, 4);
         p.system.RemoveLibrary(kDInput);
       },
       0x200, 2, "Couldn't LoadLibrary DInput\r\n", false},
      {"NT 4, DirectInput without its entry",
       [&](Platform& p) {
         p.system.SetVersion(host::VER_PLATFORM_WIN32_NT, 4);
         p.system.RemoveEntry(kDInput, "DirectInputCreateA");
       },
       0x200, 2, "Couldn't GetProcAddress DInputCreate\r\n", false},
      {"95/98 with everything", [](Platform& p) { p.system.SetVersion(host::VER_PLATFORM_WIN32_WINDOWS, 4); },
       0x600, 1, "", true},
      {"no DDRAW.DLL", [](Platform& p) { p.system.RemoveLibrary("DDRAW.DLL"); }, 0, 0, "", false},
      {"no DirectDrawCreate", [](Platform& p) { p.system.RemoveEntry("DDRAW.DLL", "DirectDrawCreate"); }, 0, 0,
       "Couldn't LoadLibrary DDraw\r\n", false},
      {"DirectDraw cannot be made", [](Platform& p) { p.display.FailCall(DisplayCall::DirectDrawCreate); }, 0, 0,
       "Couldn't create DDraw\r\n", true},
      {"no DirectDraw 2", [](Platform& p) { p.display.RemoveInterface(DisplayInterface::DirectDraw2); }, 0x100, 2,
       "Couldn't QI DDraw2\r\n", true},
      {"95/98 without DirectInput",
       [&](Platform& p) {
         p.system.SetVersion(host::VER_PLATFORM_WIN32_WINDOWS, 4);
         p.system.RemoveLibrary(kDInput);
       },
       0x200, 1, "Couldn't LoadLibrary DInput\r\n", true},
      {"DirectInput without its entry", [&](Platform& p) { p.system.RemoveEntry(kDInput, "DirectInputCreateA"); },
       0x200, 2, "Couldn't GetProcAddress DInputCreate\r\n", true},
      {"no cooperative level", [](Platform& p) { p.display.FailCall(DisplayCall::SetCooperativeLevel); }, 0, 2,
       "Couldn't Set coop level\r\n", true},
      {"no primary surface", [](Platform& p) { p.display.FailCall(DisplayCall::CreatePrimarySurface); }, 0, 2,
       "Couldn't CreateSurface\r\n", true},
      {"no third surface revision", [](Platform& p) { p.display.RemoveInterface(DisplayInterface::Surface3); },
       0x300, 2, "", true},
      {"no fourth surface revision", [](Platform& p) { p.display.RemoveInterface(DisplayInterface::Surface4); },
       0x500, 2, "", true},
  };
  for (const Rung& r : rungs) {
    SCOPED_TRACE(r.name);
    auto platform = host::MakeHeadlessPlatform();
    r.arrange(*platform);
    // Results start at 0; a path that does not write one leaves it so.
    int directX = 0, os = 0;
    DetectSystem(*platform, &directX, &os);
    EXPECT_EQ(directX, r.directX);
    EXPECT_EQ(os, r.os);
    EXPECT_EQ(platform->system.DebugOutput(), r.debug);
    EXPECT_EQ(platform->display.CallCount(DisplayCall::DirectDrawCreate), r.drawProbed ? 1 : 0);
    // Whatever was loaded or made is given back.
    EXPECT_EQ(platform->system.LoadedLibraries(), 0);
    EXPECT_FALSE(platform->display.HasInterface(1));
    EXPECT_EQ(platform->display.LiveSurfaces(), 0);
  }
}

TEST(DetectSystem, TheDisplayOpensAfterwardsAsIfNothingHadHappened) {
  auto platform = host::MakeHeadlessPlatform();
  int directX = 0, os = 0;
  DetectSystem(*platform, &directX, &os);
  ASSERT_EQ(directX, 0x600);
  EXPECT_EQ(platform->display.CooperativeWindow(), 0u);
  EXPECT_FALSE(platform->display.Exclusive());
  EXPECT_EQ(platform->display.DirectDrawCreate(), host::DD_OK);
  EXPECT_EQ(platform->display.QueryInterface4(), host::DD_OK);
}

TEST(DetectSystem, NotesReachStandardErrorOnlyWhenDebuggingIsAsked) {
  struct Case {
    const char* env;  // nullptr: unset
    bool toStderr;
  };
  const Case cases[] = {{nullptr, false}, {"0", false}, {"yes", false}, {"1", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.env ? c.env : "unset");
    if (c.env) setenv("DORSEL_DEBUG", c.env, 1);
    else unsetenv("DORSEL_DEBUG");
    auto platform = host::MakeHeadlessPlatform();
    platform->display.RemoveInterface(DisplayInterface::DirectDraw2);
    testing::internal::CaptureStderr();
    int directX = 0, os = 0;
    DetectSystem(*platform, &directX, &os);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, c.toStderr ? "Couldn't QI DDraw2\r\n" : "");
    EXPECT_EQ(platform->system.DebugOutput(), "Couldn't QI DDraw2\r\n");
  }
  unsetenv("DORSEL_DEBUG");
}

}  // namespace
