#include "host/display_device.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "host/window_system.h"

namespace host {

const char* DisplayCallName(DisplayCall call) {
  static const char* const kNames[] = {
      "DirectDrawCreate", "QueryInterface", "SetCooperativeLevel", "SetDisplayMode",
      "CreatePrimarySurface", "CreateOffscreenSurface", "CreateClipper", "CreatePalette",
      "Lock", "Unlock", "Blt", "Restore"};
  return kNames[int(call)];
}

DisplayDevice::~DisplayDevice() {
  for (const auto& s : surfaces_) backend_.Keep(*s);
}

HRESULT DisplayDevice::Enter(DisplayCall call, const std::string& text) {
  ++counts_[int(call)];
  // Locks, unlocks and blits happen every frame; keep the log to set-up calls
  // (a colour fill is one).
  if (call != DisplayCall::Lock && call != DisplayCall::Unlock && text != "Blt") log_.push_back(text);
  auto it = failures_.find(call);
  if (it == failures_.end()) return DD_OK;
  HRESULT code = it->second.code;
  if (it->second.times > 0 && --it->second.times == 0) failures_.erase(it);
  return code;
}

void DisplayDevice::FailCall(DisplayCall call, HRESULT code, int times) {
  failures_[call] = Failure{code, times};
}

HRESULT DisplayDevice::DirectDrawCreate() {
  if (HRESULT hr = Enter(DisplayCall::DirectDrawCreate, "DirectDrawCreate")) return hr;
  have1_ = true;
  return DD_OK;
}

HRESULT DisplayDevice::QueryInterface4() {
  if (!have1_) return DDERR_NOINTERFACE;
  if (HRESULT hr = Enter(DisplayCall::QueryInterface, "QueryInterface(4)")) return hr;
  if (missing_[int(DisplayInterface::DirectDraw4)]) return DDERR_NOINTERFACE;
  have4_ = true;
  return DD_OK;
}

static const char* InterfaceName(DisplayInterface which) {
  static const char* const kNames[] = {"DirectDraw2", "DirectDraw4", "DirectDrawSurface3",
                                       "DirectDrawSurface4"};
  return kNames[int(which)];
}

HRESULT DisplayDevice::QueryInterface(DisplayInterface which) {
  if (!have1_) return DDERR_NOINTERFACE;
  if (HRESULT hr = Enter(DisplayCall::QueryInterface,
                         std::string("QueryInterface(") + InterfaceName(which) + ")"))
    return hr;
  return missing_[int(which)] ? DDERR_NOINTERFACE : DD_OK;
}

HRESULT DisplayDevice::QuerySurfaceInterface(Surface* surface, DisplayInterface which) {
  if (!surface) return DDERR_INVALIDPARAMS;
  if (HRESULT hr = Enter(DisplayCall::QueryInterface,
                         std::string("QueryInterface(") + InterfaceName(which) + ")"))
    return hr;
  return missing_[int(which)] ? DDERR_NOINTERFACE : DD_OK;
}

void DisplayDevice::ReleaseInterface(int revision) {
  log_.push_back("Release(interface " + std::to_string(revision) + ")");
  (revision == 4 ? have4_ : have1_) = false;
  if (!have1_ && !have4_) {
    if (exclusive_) backend_.LeaveFullscreen(cooperativeWindow_);
    exclusive_ = false;
    surfaces_.clear();
    clippers_.clear();
  }
}

HRESULT DisplayDevice::SetCooperativeLevel(HWND window, uint32_t flags) {
  char text[64];
  std::snprintf(text, sizeof text, "SetCooperativeLevel(0x%02X)", unsigned(flags));
  if (HRESULT hr = Enter(DisplayCall::SetCooperativeLevel, text)) return hr;
  // Only the normal level may go without a window.
  if (window ? !windows_.IsWindow(window) : flags != DDSCL_NORMAL) return DDERR_INVALIDPARAMS;
  bool exclusive = (flags & DDSCL_EXCLUSIVE) && (flags & DDSCL_FULLSCREEN);
  if (exclusive_ && !exclusive) {
    backend_.LeaveFullscreen(cooperativeWindow_);
    modeWidth_ = modeHeight_ = modeBits_ = 0;
  }
  exclusive_ = exclusive;
  cooperativeWindow_ = window;
  return DD_OK;
}

HRESULT DisplayDevice::SetDisplayMode(int width, int height, int bitsPerPixel) {
  char text[64];
  std::snprintf(text, sizeof text, "SetDisplayMode(%d, %d, %d)", width, height, bitsPerPixel);
  if (HRESULT hr = Enter(DisplayCall::SetDisplayMode, text)) return hr;
  if (!exclusive_) return DDERR_NOEXCLUSIVEMODE;
  if (bitsPerPixel != 8 && bitsPerPixel != 24 && bitsPerPixel != 32) return DDERR_UNSUPPORTEDMODE;
  if (!backend_.EnterFullscreen(cooperativeWindow_, width, height, bitsPerPixel))
    return DDERR_UNSUPPORTEDMODE;
  modeWidth_ = width;
  modeHeight_ = height;
  modeBits_ = bitsPerPixel;
  return DD_OK;
}

static std::unique_ptr<Surface> MakeSurface(int width, int height, int bitsPerPixel) {
  auto s = std::make_unique<Surface>();
  s->width = width;
  s->height = height;
  s->bitsPerPixel = bitsPerPixel;
  // Rows are padded to 4 bytes, as a display driver would.
  s->pitch = (width * bitsPerPixel / 8 + 3) & ~3;
  s->memory.resize(size_t(s->pitch) * height);  // zero, untouched until drawn on
  return s;
}

HRESULT DisplayDevice::CreatePrimarySurface(Surface** out) {
  *out = nullptr;
  if (HRESULT hr = Enter(DisplayCall::CreatePrimarySurface, "CreateSurface(primary)")) return hr;
  if (!have1_) return DDERR_NOINTERFACE;
  std::unique_ptr<Surface> s;
  if (exclusive_ && modeWidth_ > 0) {
    s = MakeSurface(modeWidth_, modeHeight_, modeBits_);
  } else {
    Rect desk = backend_.DesktopRect();
    s = MakeSurface(desk.Width(), desk.Height(), 32);
  }
  s->primary = true;
  *out = s.get();
  surfaces_.push_back(std::move(s));
  return DD_OK;
}

HRESULT DisplayDevice::CreateOffscreenSurface(int width, int height, int bitsPerPixel,
                                              Surface** out) {
  *out = nullptr;
  char text[64];
  std::snprintf(text, sizeof text, "CreateSurface(offscreen %dx%dx%d)", width, height, bitsPerPixel);
  if (HRESULT hr = Enter(DisplayCall::CreateOffscreenSurface, text)) return hr;
  if (!have1_) return DDERR_NOINTERFACE;
  if (bitsPerPixel == 0) bitsPerPixel = 32;  // our desktops are 32-bit
  auto s = MakeSurface(width, height, bitsPerPixel);
  *out = s.get();
  surfaces_.push_back(std::move(s));
  return DD_OK;
}

HRESULT DisplayDevice::CreateClipper(Clipper** out) {
  *out = nullptr;
  if (HRESULT hr = Enter(DisplayCall::CreateClipper, "CreateClipper")) return hr;
  clippers_.push_back(std::make_unique<Clipper>());
  *out = clippers_.back().get();
  return DD_OK;
}

HRESULT DisplayDevice::SetClipperWindow(Clipper* clipper, HWND window) {
  clipper->window = window;
  return DD_OK;
}

HRESULT DisplayDevice::SetClipper(Surface* surface, Clipper* clipper) {
  surface->clipper = clipper;
  ++clipper->references;
  return DD_OK;
}

void DisplayDevice::ReleaseClipper(Clipper* clipper) {
  if (--clipper->references > 0) return;
  std::erase_if(clippers_, [clipper](const auto& c) { return c.get() == clipper; });
}

HRESULT DisplayDevice::CreatePalette(const PaletteEntry* entries, Palette** out) {
  *out = nullptr;
  if (HRESULT hr = Enter(DisplayCall::CreatePalette, "CreatePalette")) return hr;
  auto p = std::make_unique<Palette>();
  std::copy(entries, entries + 256, p->entries.begin());
  *out = p.get();
  palettes_.push_back(std::move(p));
  return DD_OK;
}

HRESULT DisplayDevice::SetPalette(Surface* surface, Palette* palette) {
  log_.push_back("SetPalette");
  surface->palette = palette;
  return DD_OK;
}

HRESULT DisplayDevice::Lock(Surface* surface, SurfaceDesc* desc) {
  if (HRESULT hr = Enter(DisplayCall::Lock, "Lock")) return hr;
  if (!surface || (desc->size != kSurfaceDescSize && desc->size != kSurfaceDesc2Size))
    return DDERR_INVALIDPARAMS;
  if (surface->lost) return DDERR_SURFACELOST;
  surface->locked = true;
  desc->width = surface->width;
  desc->height = surface->height;
  desc->pitch = surface->pitch;
  desc->bitsPerPixel = surface->bitsPerPixel;
  desc->memory = surface->memory.data();
  return DD_OK;
}

HRESULT DisplayDevice::Unlock(Surface* surface) {
  if (HRESULT hr = Enter(DisplayCall::Unlock, "Unlock")) return hr;
  if (!surface || !surface->locked) return DDERR_INVALIDPARAMS;
  surface->locked = false;
  ShowIfPrimary(surface);
  return DD_OK;
}

HRESULT DisplayDevice::Blt(Surface* dst, const Rect* dstRect, Surface* src, const Rect* srcRect) {
  if (HRESULT hr = Enter(DisplayCall::Blt, "Blt")) return hr;
  if (!dst || !src) return DDERR_INVALIDPARAMS;
  if (dst->lost || src->lost) return DDERR_SURFACELOST;
  if (dst->bitsPerPixel != 32 || src->bitsPerPixel != 32) return DDERR_INVALIDPARAMS;
  Rect d = dstRect ? *dstRect : Rect{0, 0, dst->width, dst->height};
  Rect s = srcRect ? *srcRect : Rect{0, 0, src->width, src->height};
  if (d.Width() <= 0 || d.Height() <= 0 || s.Width() <= 0 || s.Height() <= 0) return DD_OK;
  // A clipped primary surface only takes pixels inside its window's client area.
  Rect clip{0, 0, dst->width, dst->height};
  if (dst->clipper && dst->clipper->window) {
    Rect client;
    Point topLeft;
    if (windows_.GetClientRect(dst->clipper->window, &client) &&
        windows_.ClientToScreen(dst->clipper->window, &topLeft)) {
      Rect desk = backend_.DesktopRect();
      clip.left = std::max(clip.left, topLeft.x - desk.left);
      clip.top = std::max(clip.top, topLeft.y - desk.top);
      clip.right = std::min(clip.right, topLeft.x - desk.left + client.Width());
      clip.bottom = std::min(clip.bottom, topLeft.y - desk.top + client.Height());
    }
  }
  for (int y = std::max(d.top, clip.top); y < std::min(d.bottom, clip.bottom); ++y) {
    int sy = s.top + int(int64_t(y - d.top) * s.Height() / d.Height());
    if (sy < 0 || sy >= src->height) continue;
    auto* out = reinterpret_cast<uint32_t*>(dst->memory.data() + size_t(y) * dst->pitch);
    auto* in = reinterpret_cast<const uint32_t*>(src->memory.data() + size_t(sy) * src->pitch);
    for (int x = std::max(d.left, clip.left); x < std::min(d.right, clip.right); ++x) {
      int sx = s.left + int(int64_t(x - d.left) * s.Width() / d.Width());
      if (sx >= 0 && sx < src->width) out[x] = in[sx];
    }
  }
  ShowIfPrimary(dst);
  return DD_OK;
}

HRESULT DisplayDevice::ColorFill(Surface* dst, uint32_t colour) {
  if (HRESULT hr = Enter(DisplayCall::Blt, "Blt(colour fill)")) return hr;
  if (!dst) return DDERR_INVALIDPARAMS;
  if (dst->lost) return DDERR_SURFACELOST;
  int bytes = dst->bitsPerPixel / 8;
  for (int y = 0; y < dst->height; ++y) {
    uint8_t* row = dst->memory.data() + size_t(y) * dst->pitch;
    for (int x = 0; x < dst->width; ++x)
      for (int b = 0; b < bytes; ++b) row[x * bytes + b] = uint8_t(colour >> (8 * b));
  }
  ShowIfPrimary(dst);
  return DD_OK;
}

HRESULT DisplayDevice::Restore(Surface* surface) {
  if (HRESULT hr = Enter(DisplayCall::Restore, "Restore")) return hr;
  if (!surface) return DDERR_INVALIDPARAMS;
  if (surface->lost) {
    backend_.Keep(*surface);  // the screen keeps its picture until the next show
    std::fill(surface->memory.begin(), surface->memory.end(), 0);
  }
  surface->lost = false;
  return DD_OK;
}

void DisplayDevice::Release(Surface* surface) {
  if (!surface) return;
  log_.push_back(surface->primary ? "Release(primary)" : "Release(offscreen)");
  backend_.Keep(*surface);
  if (surface->clipper) ReleaseClipper(surface->clipper);
  std::erase_if(surfaces_, [surface](const auto& s) { return s.get() == surface; });
}

void DisplayDevice::LoseSurfaces() {
  for (auto& s : surfaces_) s->lost = true;
}

const Surface* DisplayDevice::PrimarySurface() const {
  for (const auto& s : surfaces_)
    if (s->primary) return s.get();
  return nullptr;
}

void DisplayDevice::ShowIfPrimary(Surface* surface) {
  if (!surface->primary) return;
  HWND window = surface->clipper ? surface->clipper->window : cooperativeWindow_;
  backend_.Show(*surface, window);
}

}  // namespace host
