// The browser backend's windows, forms, input and screen. The page's half
// (web/page.js, the object dorselPage) makes the HTML elements and turns
// what the viewer does into events, which wait in its queue until the
// window system pumps them here.
#include "host/web_backend.h"

#include <emscripten.h>
#include <emscripten/heap.h>

#include <chrono>
#include <cstdio>

#include "host/display_device.h"
#include "host/sdl_pixels.h"
#include "host/window_system.h"

namespace host {

// What the page's queue holds: [kind, handle, value].
enum PageEvent { kNoEvent = 0, kClicked = 1, kDialogKey = 2, kKeyDown = 3, kCloseAsked = 4, kPointer = 5 };

// clang-format off
EM_JS(void, web_open_form, (int handle, const char* title, int width, int height), {
  dorselPage.openForm(handle, UTF8ToString(title), width, height);
});
EM_JS(void, web_open_control, (int handle, int parent, int kind, const char* text, int x, int y,
                               int width, int height, int enabled), {
  dorselPage.openControl(handle, parent, kind, UTF8ToString(text), x, y, width, height, !!enabled);
});
EM_JS(void, web_set_text, (int handle, const char* text), {
  dorselPage.setText(handle, UTF8ToString(text));
});
EM_JS(void, web_set_check, (int handle, int checked), { dorselPage.setCheck(handle, !!checked); });
EM_JS(int, web_checked, (int handle), { return dorselPage.checked(handle) ? 1 : 0; });
EM_JS(void, web_set_font, (int handle, int gui), { dorselPage.setFont(handle, !!gui); });
EM_JS(void, web_open_window, (int handle, const char* title, int width, int height), {
  dorselPage.openWindow(handle, UTF8ToString(title), width, height);
});
EM_JS(void, web_close, (int handle), { dorselPage.close(handle); });
EM_JS(void, web_show_cursor, (int visible), { dorselPage.showCursor(!!visible); });
EM_JS(void, web_fullscreen, (int handle, int on, int width, int height), {
  dorselPage.fullscreen(handle, !!on, width, height);
});
EM_JS(void, web_show, (int handle, const void* rgba, int width, int height), {
  dorselPage.show(handle, HEAPU8.subarray(rgba, rgba + width * height * 4), width, height);
});
EM_JS(int, web_next_event, (int* out), {
  const e = dorselPage.nextEvent();
  if (!e) return 0;
  HEAP32[out >> 2] = e[1];
  HEAP32[(out >> 2) + 1] = e[2];
  return e[0];
});
EM_ASYNC_JS(void, web_wait_event, (int ms), { await dorselPage.waitEvent(ms); });
EM_ASYNC_JS(void, web_message_box, (const char* text, const char* caption), {
  await dorselPage.messageBox(UTF8ToString(text), UTF8ToString(caption));
});
EM_ASYNC_JS(void, web_yield, (int soon), { await dorselPage.yieldTurn(!!soon); });
EM_JS(int, web_query_length, (), { return lengthBytesUTF8(location.search.substring(1)); });
EM_JS(void, web_query_copy, (char* out, int size), {
  stringToUTF8(location.search.substring(1), out, size);
});
EM_JS(void, web_download, (const char* path, const char* name), {
  const file = UTF8ToString(path);
  const bytes = FS.readFile(file);
  FS.unlink(file);
  dorselPage.download(UTF8ToString(name), bytes);
});
EM_JS(void, web_close_page, (const char* text, int lastWords), {
  dorselPage.closePage(UTF8ToString(text), !!lastWords);
});
EM_JS(void, web_finished, (int code), { dorselPage.finished(code); });
// clang-format on

WebBackend::~WebBackend() {
  CloseAudio();
  while (!views_.empty()) CloseWindow(views_.begin()->first);
  while (!forms_.empty()) CloseWindow(forms_.rbegin()->first);
}

uint64_t WebBackend::NowMs() {
  return uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::system_clock::now().time_since_epoch())
                      .count());
}

bool WebBackend::OpenWindow(HWND window, const std::string& title, const Rect& outer) {
  web_open_window(int(window), DesktopText(title).c_str(), outer.Width(), outer.Height());
  views_[window] = View{};
  return true;
}

bool WebBackend::OpenForm(HWND window, const std::string& title, const Rect& outer) {
  web_open_form(int(window), DesktopText(title).c_str(), outer.Width(), outer.Height());
  forms_[window] = true;
  return true;
}

bool WebBackend::OpenControl(HWND control, HWND parent, const ControlSpec& spec) {
  if (!forms_.count(parent)) return false;
  const Rect& r = spec.place;
  web_open_control(int(control), int(parent), int(spec.kind), DesktopText(spec.text).c_str(), r.left,
                   r.top, r.Width(), r.Height(), spec.enabled ? 1 : 0);
  forms_[control] = false;
  return true;
}

void WebBackend::SetControlText(HWND control, const std::string& text) {
  if (forms_.count(control)) web_set_text(int(control), DesktopText(text).c_str());
}

void WebBackend::SetControlCheck(HWND control, bool checked) {
  if (forms_.count(control)) web_set_check(int(control), checked ? 1 : 0);
}

bool WebBackend::ControlChecked(HWND control) {
  return forms_.count(control) && web_checked(int(control)) != 0;
}

void WebBackend::SetControlFont(HWND control, int font) {
  if (forms_.count(control)) web_set_font(int(control), font == DEFAULT_GUI_FONT ? 1 : 0);
}

void WebBackend::CloseWindow(HWND window) {
  if (forms_.erase(window) || views_.erase(window)) web_close(int(window));
}

void WebBackend::ShowCursor(bool visible) { web_show_cursor(visible ? 1 : 0); }

bool WebBackend::PumpEvents(WindowSystem& windows, bool wait) {
  if (wait && views_.empty() && forms_.empty()) return false;  // nothing could ever arrive
  double now = page::SteadyMs();
  bool turn = wait || shownSinceYield_ || now - lastYieldMs_ > 50;
  if (wait) {
    // Cut short now and then, as the desktop's wait is.
    web_wait_event(100);
  } else if (shownSinceYield_) {
    // The turn between two frames: the browser puts the last one on the
    // screen, plays the sound and hears the keys.
    web_yield(0);
  } else if (turn) {
    // A loop that shows nothing still lets the page live.
    web_yield(1);
  }
  if (turn) {
    shownSinceYield_ = false;
    lastYieldMs_ = page::SteadyMs();
  }
  int values[2];
  std::vector<HWND> pointerOver;
  while (int kind = web_next_event(values)) {
    HWND h = HWND(values[0]);
    if (!windows.IsWindow(h)) continue;
    switch (kind) {
      case kClicked: windows.ControlClicked(h); break;
      case kDialogKey: windows.DialogKey(h, WPARAM(values[1])); break;
      case kKeyDown: windows.PostMessage(h, WM_KEYDOWN, WPARAM(values[1]), 0); break;
      case kCloseAsked: windows.PostMessage(h, WM_CLOSE, 0, 0); break;
      case kPointer: pointerOver.push_back(h); break;
      default: break;
    }
  }
  // The desktop asks a window for its cursor whenever the pointer moves over
  // it; the answer is sent, not posted.
  for (HWND h : pointerOver)
    if (windows.IsWindow(h)) windows.SendMessage(h, WM_SETCURSOR, h, 1);
  return true;
}

void WebBackend::ShowMessageBox(const std::string& text, const std::string& caption) {
  std::string t = DesktopText(text), c = DesktopText(caption);
  // Said on the console too, as the desktop says it on the terminal.
  std::fprintf(stderr, "%s: %s\n", c.c_str(), t.c_str());
  web_message_box(t.c_str(), c.c_str());
}

bool WebBackend::EnterFullscreen(HWND window, int width, int height, int /*bitsPerPixel*/) {
  auto it = views_.find(window);
  if (it == views_.end()) return false;
  it->second.fullscreen = true;
  web_fullscreen(int(window), 1, width, height);
  return true;
}

void WebBackend::LeaveFullscreen(HWND window) {
  auto it = views_.find(window);
  if (it == views_.end() || !it->second.fullscreen) return;
  it->second.fullscreen = false;
  web_fullscreen(int(window), 0, 0, 0);
}

void WebBackend::Show(const Surface& primary, HWND window) {
  auto it = views_.find(window);
  if (it == views_.end()) return;
  View& view = it->second;
  Rect area{0, 0, primary.width, primary.height};
  if (!view.fullscreen) {
    // The primary surface is the desktop: show our client area of it.
    Rect client;
    Point topLeft;
    if (!windows_ || !windows_->GetClientRect(window, &client) ||
        !windows_->ClientToScreen(window, &topLeft))
      return;
    Rect desk = DesktopRect();
    area = Rect{topLeft.x - desk.left, topLeft.y - desk.top, 0, 0};
    area.right = area.left + client.Width();
    area.bottom = area.top + client.Height();
  }
  if (area.Width() <= 0 || area.Height() <= 0) return;
  Picture& shown = view.shown;
  shown.width = area.Width();
  shown.height = area.Height();
  shown.pixels.resize(size_t(shown.width) * shown.height);
  SurfaceToRgb(primary, area, shown.pixels.data(), shown.width);
  // The canvas takes red, green, blue and alpha bytes in that order.
  view.rgba.resize(shown.pixels.size());
  for (size_t i = 0; i < shown.pixels.size(); ++i) {
    uint32_t p = shown.pixels[i];
    view.rgba[i] = 0xFF000000u | (p & 0xFFu) << 16 | (p & 0xFF00u) | (p >> 16 & 0xFFu);
  }
  web_show(int(window), view.rgba.data(), shown.width, shown.height);
  shownSinceYield_ = true;
}

bool WebBackend::ShownPicture(HWND window, Picture* picture) {
  auto it = views_.find(window);
  if (it == views_.end() || it->second.shown.pixels.empty()) return false;
  *picture = it->second.shown;
  return true;
}

std::unique_ptr<Platform> MakeWebPlatform() {
  auto backend = std::make_unique<WebBackend>();
  WebBackend* raw = backend.get();
  auto platform = std::make_unique<Platform>(std::move(backend));
  raw->windows_ = &platform->windows;
  return platform;
}

WebBackend& Web(Platform& platform) { return static_cast<WebBackend&>(*platform.backend); }

namespace page {

std::string Query() {
  int length = web_query_length();
  std::string text(size_t(length) + 1, '\0');
  web_query_copy(text.data(), length + 1);
  text.resize(size_t(length));
  return text;
}

void Yield(bool soon) { web_yield(soon ? 1 : 0); }

void Download(const std::string& path, const std::string& name) {
  web_download(path.c_str(), name.c_str());
}

void Close(const std::string& text, bool lastWords) { web_close_page(text.c_str(), lastWords ? 1 : 0); }

void Finished(int code) { web_finished(code); }

double SteadyMs() { return emscripten_get_now(); }

size_t MemoryBytes() { return emscripten_get_heap_size(); }

}  // namespace page

}  // namespace host
