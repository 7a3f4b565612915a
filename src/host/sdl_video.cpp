#include "host/sdl_backend.h"

#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "host/display_device.h"
#include "host/sdl_pixels.h"
#include "host/window_system.h"

namespace host {

WPARAM VirtualKeyFor(int32_t key) {
  if (key >= SDLK_a && key <= SDLK_z) return WPARAM('A' + (key - SDLK_a));
  if (key >= SDLK_0 && key <= SDLK_9) return WPARAM('0' + (key - SDLK_0));
  if (key >= SDLK_F1 && key <= SDLK_F12) return WPARAM(0x70 + (key - SDLK_F1));
  switch (key) {
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_BACKSPACE: return 0x08;
    case SDLK_TAB: return 0x09;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return 0x0D;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_LEFT: return 0x25;
    case SDLK_UP: return 0x26;
    case SDLK_RIGHT: return 0x27;
    case SDLK_DOWN: return 0x28;
    default: return 0;
  }
}

SdlBackend::SdlBackend() = default;

SdlBackend::~SdlBackend() {
  CloseAudio();
  while (!views_.empty()) CloseWindow(views_.begin()->first);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

uint64_t SdlBackend::NowMs() {
  return uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::system_clock::now().time_since_epoch())
                      .count());
}

Rect SdlBackend::DesktopRect() {
  SDL_Rect r;
  if (SDL_GetDisplayBounds(0, &r) != 0) return Rect{0, 0, 640, 480};
  return Rect{r.x, r.y, r.x + r.w, r.y + r.h};
}

SdlBackend::View* SdlBackend::ViewOf(HWND window) {
  auto it = views_.find(window);
  return it == views_.end() ? nullptr : &it->second;
}

SDL_Window* SdlBackend::WindowOf(HWND window) const {
  auto it = views_.find(window);
  return it == views_.end() ? nullptr : it->second.window;
}

HWND SdlBackend::HandleOf(uint32_t sdlWindowId) const {
  for (const auto& [handle, view] : views_)
    if (SDL_GetWindowID(view.window) == sdlWindowId) return handle;
  return 0;
}

bool SdlBackend::OpenWindow(HWND handle, const std::string& title, const Rect& outer) {
  // Our windows are not resizable: the demo window's size is pinned anyway,
  // and the desktop's frame sits outside the client area we are given.
  SDL_Window* window = SDL_CreateWindow(DesktopText(title).c_str(), outer.left, outer.top,
                                        outer.Width() * windowScale, outer.Height() * windowScale,
                                        SDL_WINDOW_SHOWN);
  if (!window) return false;
  SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_PRESENTVSYNC);
  if (!renderer) renderer = SDL_CreateRenderer(window, -1, 0);
  if (!renderer) {
    SDL_DestroyWindow(window);
    return false;
  }
  std::vector<uint32_t> icon = ProgramIcon(32);
  if (SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(icon.data(), 32, 32, 32, 32 * 4,
                                                          SDL_PIXELFORMAT_ARGB8888)) {
    SDL_SetWindowIcon(window, s);
    SDL_FreeSurface(s);
  }
  // A new window shows the black class background until its first frame.
  SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
  SDL_RenderClear(renderer);
  SDL_RenderPresent(renderer);
  views_[handle] = View{window, renderer, nullptr, 0, 0, false, {}};
  return true;
}

bool SdlBackend::OpenForm(HWND window, const std::string& title, const Rect& outer) {
  return forms_.OpenForm(window, title, outer);
}

bool SdlBackend::OpenControl(HWND control, HWND parent, const ControlSpec& spec) {
  return forms_.OpenControl(control, parent, spec);
}

void SdlBackend::SetControlText(HWND control, const std::string& text) { forms_.SetText(control, text); }
void SdlBackend::SetControlCheck(HWND control, bool checked) { forms_.SetCheck(control, checked); }
bool SdlBackend::ControlChecked(HWND control) { return forms_.Checked(control); }
void SdlBackend::SetControlFont(HWND control, int font) { forms_.SetFont(control, font); }

void SdlBackend::CloseWindow(HWND handle) {
  if (forms_.Close(handle)) return;
  View* view = ViewOf(handle);
  if (!view) return;
  if (view->texture) SDL_DestroyTexture(view->texture);
  SDL_DestroyRenderer(view->renderer);
  SDL_DestroyWindow(view->window);
  views_.erase(handle);
  cursorCheck_.erase(handle);
}

void SdlBackend::PlaceWindow(HWND handle, const Rect& outer) {
  if (forms_.Owns(handle)) return forms_.Place(handle, outer);
  View* view = ViewOf(handle);
  if (!view || view->fullscreen) return;
  SDL_SetWindowSize(view->window, outer.Width() * windowScale, outer.Height() * windowScale);
  SDL_SetWindowPosition(view->window, outer.left, outer.top);
}

void SdlBackend::ShowCursor(bool visible) { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

void SdlBackend::HandleEvent(WindowSystem& windows, const void* raw) {
  const SDL_Event& e = *static_cast<const SDL_Event*>(raw);
  switch (e.type) {
    case SDL_QUIT:
      // The desktop asks the program to quit (signals are the window
      // system's, and closing the last window does not quit): close every
      // window the way the close button would.
      for (const auto& entry : views_) windows.PostMessage(entry.first, WM_CLOSE, 0, 0);
      for (HWND form : forms_.Forms()) windows.PostMessage(form, WM_CLOSE, 0, 0);
      break;
    case SDL_WINDOWEVENT: {
      HWND h = HandleOf(e.window.windowID);
      View* view = ViewOf(h);
      if (!view || !windows.IsWindow(h)) break;
      switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
          windows.PostMessage(h, WM_CLOSE, 0, 0);
          break;
        case SDL_WINDOWEVENT_EXPOSED:
          windows.PostMessage(h, WM_PAINT, 0, 0);
          break;
        case SDL_WINDOWEVENT_MOVED:
          // In full screen the window sits at the desktop's corner; its
          // windowed place is what the window system must remember. The
          // event may be stale by now (a switch moves the window twice), so
          // ask where the window is rather than trust its numbers.
          if (!view->fullscreen) {
            Point at;
            SDL_GetWindowPosition(view->window, &at.x, &at.y);
            windows.WindowMoved(h, at);
          }
          break;
        case SDL_WINDOWEVENT_ENTER:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
          cursorCheck_.insert(h);
          break;
        default:
          break;
      }
      break;
    }
    case SDL_MOUSEMOTION:
      if (HWND h = HandleOf(e.motion.windowID)) cursorCheck_.insert(h);
      break;
    case SDL_KEYDOWN: {
      HWND h = HandleOf(e.key.windowID);
      WPARAM key = VirtualKeyFor(e.key.keysym.sym);
      if (h && key) windows.PostMessage(h, WM_KEYDOWN, key, 0);
      break;
    }
    default:
      break;
  }
}

bool SdlBackend::PumpEvents(WindowSystem& windows, bool wait) {
  if (wait && views_.empty() && forms_.Empty()) return false;  // nothing could ever arrive
  // Forms wait on their own toolkit. SDL is still asked after each turn,
  // since a signal to end the program arrives through it.
  if (!forms_.Empty()) {
    forms_.Pump(wait ? (views_.empty() ? 0.05 : 0.005) : 0.0);
    wait = false;
  }
  SDL_Event e;
  // Waits are cut short so that a stop signal is seen within a tenth of a second.
  bool got = wait ? SDL_WaitEventTimeout(&e, 100) != 0 : SDL_PollEvent(&e) != 0;
  while (got) {
    HandleEvent(windows, &e);
    got = SDL_PollEvent(&e) != 0;
  }
  // The desktop asks a window for its cursor whenever the pointer moves over
  // it or the window changes under the pointer; the answer is sent, not posted.
  std::set<HWND> ask;
  ask.swap(cursorCheck_);
  for (HWND h : ask)
    if (windows.IsWindow(h)) windows.SendMessage(h, WM_SETCURSOR, h, 1);
  return true;
}

void SdlBackend::ShowMessageBox(const std::string& text, const std::string& caption) {
  std::string t = DesktopText(text), c = DesktopText(caption);
  // Said on the terminal too: a box may be behind a window, or nobody at
  // the screen.
  std::fprintf(stderr, "%s: %s\n", c.c_str(), t.c_str());
  if (!boxesToStderr) FltkMessageBox(t, c);
}

bool SdlBackend::SizeTexture(View& view, int width, int height) {
  if (view.texture && view.textureWidth == width && view.textureHeight == height) return true;
  if (view.texture) SDL_DestroyTexture(view.texture);
  view.texture = SDL_CreateTexture(view.renderer, SDL_PIXELFORMAT_RGB888,
                                   SDL_TEXTUREACCESS_STREAMING, width, height);
  view.textureWidth = view.texture ? width : 0;
  view.textureHeight = view.texture ? height : 0;
  return view.texture != nullptr;
}

bool SdlBackend::EnterFullscreen(HWND handle, int width, int height, int /*bitsPerPixel*/) {
  View* view = ViewOf(handle);
  if (!view) return false;
  view->fullscreen = true;
  // A framed window has a window manager that will make it full screen when
  // asked. Without frames there may be none (a bare X server): then we cover
  // the desktop ourselves, and still ask in case a manager does listen.
  int top = 0, left = 0, bottom = 0, right = 0;
  SDL_GetWindowBordersSize(view->window, &top, &left, &bottom, &right);
  if (top + left + bottom + right == 0) {
    Rect desk = DesktopRect();
    SDL_SetWindowPosition(view->window, desk.left, desk.top);
    SDL_SetWindowSize(view->window, desk.Width(), desk.Height());
  }
  // The desktop keeps its own mode; the mode's picture is scaled up to it.
  if (SDL_SetWindowFullscreen(view->window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
    view->fullscreen = false;
    return false;
  }
  cursorCheck_.insert(handle);
  return SizeTexture(*view, width, height);
}

void SdlBackend::LeaveFullscreen(HWND handle) {
  View* view = ViewOf(handle);
  if (!view || !view->fullscreen) return;
  SDL_SetWindowFullscreen(view->window, 0);
  view->fullscreen = false;
  // Back to the place the window had before: the window system never heard
  // of the full-screen moves.
  Rect place;
  if (windows_ && windows_->GetWindowRect(handle, &place)) {
    SDL_SetWindowSize(view->window, place.Width() * windowScale, place.Height() * windowScale);
    SDL_SetWindowPosition(view->window, place.left, place.top);
  }
  cursorCheck_.insert(handle);
}

void SdlBackend::Show(const Surface& primary, HWND handle) {
  View* view = ViewOf(handle);
  if (!view) return;
  Rect area{0, 0, primary.width, primary.height};
  if (!view->fullscreen) {
    // The primary surface is the desktop: show our client area of it.
    Rect client;
    Point topLeft;
    if (!windows_ || !windows_->GetClientRect(handle, &client) ||
        !windows_->ClientToScreen(handle, &topLeft))
      return;
    Rect desk = DesktopRect();
    area = Rect{topLeft.x - desk.left, topLeft.y - desk.top, 0, 0};
    area.right = area.left + client.Width();
    area.bottom = area.top + client.Height();
  }
  if (area.Width() <= 0 || area.Height() <= 0 || !SizeTexture(*view, area.Width(), area.Height()))
    return;
  Picture& shown = view->shown;
  shown.width = area.Width();
  shown.height = area.Height();
  shown.pixels.resize(size_t(shown.width) * shown.height);
  SurfaceToRgb(primary, area, shown.pixels.data(), shown.width);
  if (SDL_UpdateTexture(view->texture, nullptr, shown.pixels.data(), shown.width * 4) != 0) return;
  // The same rule in a window and in full screen: the largest whole scale
  // that fits, centred on black. A window is exactly windowScale times its
  // picture, so there it fills the window.
  int outW = 0, outH = 0;
  if (SDL_GetRendererOutputSize(view->renderer, &outW, &outH) != 0) return;
  Rect fit = FitPicture(outW, outH, shown.width, shown.height);
  SDL_Rect to{fit.left, fit.top, fit.Width(), fit.Height()};
  SDL_SetRenderDrawColor(view->renderer, 0, 0, 0, 255);
  SDL_RenderClear(view->renderer);
  SDL_RenderCopy(view->renderer, view->texture, nullptr, &to);
  SDL_RenderPresent(view->renderer);
}

bool SdlBackend::ShownPicture(HWND handle, Picture* picture) {
  View* view = ViewOf(handle);
  if (!view || view->shown.pixels.empty()) return false;
  *picture = view->shown;
  return true;
}

std::unique_ptr<Platform> MakeSdlPlatform(std::string* error) {
  // Closing the last window is the window procedure's business, not SDL's;
  // so are the signals that ask the program to end.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // Crisp pixels when a full-screen mode is scaled up.
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  // A busy X server may turn a connection away while its queue of new
  // clients is full; it is asked three times, a fifth of a second apart.
  int tries = 0;
  while (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    if (++tries == 3) {
      if (error) *error = SDL_GetError();
      return nullptr;
    }
    SDL_Delay(200);
  }
  // With no desktop at all SDL falls back to drawing into memory nobody
  // sees. That is only wanted when asked for by name (tests ask for it).
  const char* named = SDL_getenv("SDL_VIDEODRIVER");
  std::string driver = SDL_GetCurrentVideoDriver();
  if (!(named && *named) && (driver == "offscreen" || driver == "dummy")) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    if (error) *error = "neither DISPLAY nor WAYLAND_DISPLAY leads to a desktop";
    return nullptr;
  }
  auto backend = std::make_unique<SdlBackend>();
  SdlBackend* raw = backend.get();
  auto platform = std::make_unique<Platform>(std::move(backend));
  raw->windows_ = &platform->windows;
  return platform;
}

SdlBackend& Sdl(Platform& platform) { return static_cast<SdlBackend&>(*platform.backend); }

}  // namespace host
