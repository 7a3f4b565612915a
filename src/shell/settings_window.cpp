#include "shell/demo.h"
#include "shell/startup.h"

using namespace host;

const char* DirectXText(int version) {
  switch (version) {
    case 0: return "No DirectX installed!";
    case 0x100: return "DirectX version 1";
    case 0x200: return "DirectX version 2";
    case 0x300: return "DirectX version 3";
    case 0x500: return "DirectX version 5";
    case 0x600: return "DirectX version 6";
    default: return "Unknown version of DirectX installed.";
  }
}

const char* OsText(int platform) {
  switch (platform) {
    case 1: return "Windows 95/98";
    case 2: return "Windows NT";
    default: return "Unknown Operation System.";
  }
}

namespace {

constexpr uint32_t kChild = WS_CHILD | WS_VISIBLE;

HWND Button(WindowSystem& ws, const char* text, uint32_t kind, HWND parent, int x, int y, int w,
            int h, int id = 0) {
  return ws.CreateWindow("button", text, kChild | kind, x, y, w, h, parent, id);
}

bool Selected(WindowSystem& ws, HWND control) {
  return ws.SendMessage(control, BM_GETCHECK, 0, 0) == LRESULT(BST_CHECKED);
}

void Check(WindowSystem& ws, HWND control) { ws.SendMessage(control, BM_SETCHECK, BST_CHECKED, 0); }

void CreateControls(Demo& demo, HWND window) {
  WindowSystem& ws = demo.platform.windows;
  SettingsControls& c = demo.settingsControls;
  c = SettingsControls{};
  c.window = window;
  c.font = ws.GetStockFont(DEFAULT_GUI_FONT);

  c.videoGroup = Button(ws, "Video settings", BS_GROUPBOX, window, 0, 0, 148, 176);
  // Showing the frames in a window takes the newer display interfaces.
  uint32_t windowedState = demo.DirectXVersion > 0x500 ? 0 : WS_DISABLED;
  c.windowed = Button(ws, "Windowed", BS_AUTORADIOBUTTON | windowedState, c.videoGroup, 7, 14, 120, 15);
  c.fullscreen = Button(ws, "Fullscreen", BS_AUTORADIOBUTTON, c.videoGroup, 7, 42, 120, 15);
  c.modeGroup = Button(ws, "FullScreen Mode", BS_GROUPBOX, c.videoGroup, 14, 63, 120, 108);
  for (int i = 0; i < 6; ++i)
    c.modes[i] = Button(ws, kVideoModes[i].label, BS_AUTORADIOBUTTON, c.modeGroup, 7, 14 + 15 * i, 92, 15);

  c.audioGroup = Button(ws, "Audio settings", BS_GROUPBOX, window, 154, 0, 127, 176);
  c.directSound = Button(ws, "Directsound", BS_AUTORADIOBUTTON, c.audioGroup, 7, 14, 100, 15);
  c.wavOut = Button(ws, "Wavout", BS_AUTORADIOBUTTON, c.audioGroup, 7, 42, 100, 15);
  c.noSound = Button(ws, "Nosound", BS_AUTORADIOBUTTON, c.audioGroup, 7, 70, 100, 15);
  c.rateGroup = Button(ws, "Mixrate", BS_GROUPBOX, c.audioGroup, 7, 105, 95, 64);
  const char* rateLabels[3] = {"44100 Hz", "22050 Hz", "11025 Hz"};
  for (int i = 0; i < 3; ++i)
    c.rates[i] = Button(ws, rateLabels[i], BS_AUTORADIOBUTTON, c.rateGroup, 7, 14 + 15 * i, 65, 15);

  c.hardwareGroup = Button(ws, "Hardware settings", BS_GROUPBOX, window, 0, 182, 148, 43);
  bool mmx = demo.settings.useMmx == 1;
  c.mmx = Button(ws, "MMX Optimizations", BS_AUTOCHECKBOX | (mmx ? 0 : WS_DISABLED), c.hardwareGroup,
                 7, 14, 127, 22);
  if (mmx) Check(ws, c.mmx);

  c.directXText = ws.CreateWindow("static", "", kChild | SS_LEFT, 155, 190, 127, 20, window, 0);
  c.osText = ws.CreateWindow("static", "", kChild | SS_LEFT, 155, 204, 127, 20, window, 0);
  ws.SetWindowText(c.directXText, DirectXText(demo.DirectXVersion));
  ws.SetWindowText(c.osText, OsText(demo.OsPlatform));

  c.startDemo = Button(ws, "Start Demo", BS_PUSHBUTTON, window, 7, 231, 80, 23, int(kStartDemoButton));
  c.exit = Button(ws, "Exit", BS_PUSHBUTTON, window, 196, 231, 80, 23, int(kExitButton));

  const HWND inOrder[] = {c.videoGroup, c.windowed, c.fullscreen, c.modeGroup, c.modes[0],
                          c.modes[1], c.modes[2], c.modes[3], c.modes[4], c.modes[5],
                          c.audioGroup, c.directSound, c.wavOut, c.noSound, c.rateGroup,
                          c.rates[0], c.rates[1], c.rates[2], c.hardwareGroup, c.mmx,
                          c.directXText, c.osText, c.startDemo, c.exit};
  for (HWND control : inOrder) {
    ws.SendMessage(control, WM_SETFONT, WPARAM(c.font), 1);
    if (control == c.fullscreen || control == c.modes[0] || control == c.rates[0]) Check(ws, control);
    if (control == c.directSound && demo.OsPlatform == 1) Check(ws, control);
    if (control == c.wavOut && demo.OsPlatform == 2) Check(ws, control);
  }
}

// "Start Demo": every control is read, and a choice with nothing selected
// leaves its setting as it was.
void StartDemo(Demo& demo) {
  WindowSystem& ws = demo.platform.windows;
  const SettingsControls& c = demo.settingsControls;
  DemoSettings& s = demo.settings;
  s.startRequested = 1;
  if (Selected(ws, c.windowed)) s.windowed = 1;
  if (Selected(ws, c.fullscreen)) s.windowed = 0;
  for (int i = 0; i < 6; ++i)
    if (Selected(ws, c.modes[i])) s.videoMode = i;
  s.useMmx = Selected(ws, c.mmx) ? 1 : 0;
  if (Selected(ws, c.noSound)) s.noSound = 1;
  if (Selected(ws, c.directSound)) demo.platform.player.SetOutput(kOutputDirectSound);
  if (Selected(ws, c.wavOut)) demo.platform.player.SetOutput(kOutputWaveOut);
  for (int i = 0; i < 3; ++i)
    if (Selected(ws, c.rates[i])) s.mixRate = kMixRates[i];

  // What the command line chose wins over the window.
  const SettingsChoices& given = demo.choices;
  if (given.windowed >= 0) s.windowed = given.windowed;
  if (given.videoMode >= 0) s.videoMode = given.videoMode;
  if (given.noSound >= 0) s.noSound = given.noSound;
  if (given.mixRate >= 0) s.mixRate = given.mixRate;
  if (given.useMmx >= 0) s.useMmx = given.useMmx;
  ws.PostQuitMessage(0);
}

}  // namespace

LRESULT SettingsWndProc(Demo& demo, HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      CreateControls(demo, window);
      return 0;
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
