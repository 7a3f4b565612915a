#include "shell/demo.h"
#include "shell/startup.h"

using namespace host;

// "Start Demo": the chosen settings become the show's, the sound output is
// selected, and the settings stage ends.
static void StartDemo(Demo& demo) {
  const DemoSettings& c = demo.choices;
  DemoSettings& s = demo.settings;
  s.startRequested = 1;
  s.windowed = c.windowed;
  s.videoMode = c.videoMode;
  // The box is only offered checked when the processor has MMX.
  s.useMmx = (s.useMmx && c.useMmx) ? 1 : 0;
  if (c.noSound) s.noSound = 1;
  if (!c.noSound && demo.choiceOutput != kOutputNone) demo.platform.player.SetOutput(demo.choiceOutput);
  s.mixRate = c.mixRate;
  demo.platform.windows.PostQuitMessage(0);
}

LRESULT SettingsWndProc(Demo& demo, HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      demo.platform.windows.PostQuitMessage(0);
      return 0;
    case WM_SIZE:
      return 0;
    case WM_COMMAND:
      if ((wParam >> 16) != 0) return 0;
      if (wParam == kStartDemoButton) StartDemo(demo);
      if (wParam == kExitButton) demo.platform.windows.PostQuitMessage(0);
      return 0;
  }
  return demo.platform.windows.DefWindowProc(window, message, wParam, lParam);
}
