#include "host/platform.h"
#include "shell/startup.h"

using namespace host;

// The level is read off which interfaces exist: DirectDraw 2 makes level 2,
// DirectInput level 3, the third surface revision level 5 and the fourth
// level 6. There is no level 4. Each probe that fails ends the search with
// the level reached so far (or none, where the display itself is missing)
// and leaves a note for a debugger.
void DetectSystem(Platform& host, int* directXVersion, int* osPlatform) {
  SystemInfo& system = host.system;
  DisplayDevice& display = host.display;

  OsVersionInfo version;
  version.size = kOsVersionInfoSize;
  if (!system.GetVersionEx(&version)) {
    *directXVersion = 0;
    *osPlatform = 0;
    return;
  }
  if (version.platformId == VER_PLATFORM_WIN32_NT) {
    *osPlatform = 2;
    if (version.majorVersion < 4) {
      *osPlatform = 0;
      return;
    }
    if (version.majorVersion == 4) {
      // Version 4 has no display interfaces worth asking; DirectInput tells.
      *directXVersion = 0x200;
      HMODULE input = system.LoadLibrary("DINPUT.DLL");
      if (!input) {
        system.OutputDebugString("Couldn't LoadLibrary DInput\r\n");
        return;
      }
      bool found = system.GetProcAddress(input, "DirectInputCreateA");
      system.FreeLibrary(input);
      if (!found) {
        system.OutputDebugString("Couldn't GetProcAddress DInputCreate\r\n");
        return;
      }
      *directXVersion = 0x300;
      return;
    }
  } else {
    *osPlatform = 1;
  }

  HMODULE draw = system.LoadLibrary("DDRAW.DLL");
  if (!draw) {
    *directXVersion = 0;
    *osPlatform = 0;
    return;
  }
  if (!system.GetProcAddress(draw, "DirectDrawCreate")) {
    *directXVersion = 0;
    *osPlatform = 0;
    system.FreeLibrary(draw);
    system.OutputDebugString("Couldn't LoadLibrary DDraw\r\n");
    return;
  }
  if (display.DirectDrawCreate() != DD_OK) {
    *directXVersion = 0;
    *osPlatform = 0;
    system.FreeLibrary(draw);
    system.OutputDebugString("Couldn't create DDraw\r\n");
    return;
  }
  *directXVersion = 0x100;
  // Releasing the object also releases the surface made from it.
  auto releaseAll = [&] {
    display.ReleaseInterface(1);
    system.FreeLibrary(draw);
  };
  if (display.QueryInterface(DisplayInterface::DirectDraw2) != DD_OK) {
    releaseAll();
    system.OutputDebugString("Couldn't QI DDraw2\r\n");
    return;
  }
  *directXVersion = 0x200;

  HMODULE input = system.LoadLibrary("DINPUT.DLL");
  if (!input) {
    system.OutputDebugString("Couldn't LoadLibrary DInput\r\n");
    releaseAll();
    return;
  }
  bool found = system.GetProcAddress(input, "DirectInputCreateA");
  system.FreeLibrary(input);
  if (!found) {
    releaseAll();
    system.OutputDebugString("Couldn't GetProcAddress DInputCreate\r\n");
    return;
  }
  *directXVersion = 0x300;

  if (display.SetCooperativeLevel(0, DDSCL_NORMAL) != DD_OK) {
    releaseAll();
    *directXVersion = 0;
    system.OutputDebugString("Couldn't Set coop level\r\n");
    return;
  }
  Surface* primary = nullptr;
  if (display.CreatePrimarySurface(&primary) != DD_OK) {
    releaseAll();
    *directXVersion = 0;
    system.OutputDebugString("Couldn't CreateSurface\r\n");
    return;
  }
  if (display.QuerySurfaceInterface(primary, DisplayInterface::Surface3) != DD_OK) {
    releaseAll();
    return;
  }
  *directXVersion = 0x500;
  if (display.QuerySurfaceInterface(primary, DisplayInterface::Surface4) == DD_OK) {
    *directXVersion = 0x600;
    display.Release(primary);
  }
  releaseAll();
}
