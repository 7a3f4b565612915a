// The display device: an interface object (with an optional newer revision),
// a cooperative level, display modes, surfaces that lock to plain memory,
// clippers, palettes and blits. Every call returns a result code, and any
// named call can be told to fail so the show's error paths can be exercised.
#pragma once
#include <array>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/backend.h"
#include "host/win.h"

namespace host {

class WindowSystem;

using HRESULT = int32_t;
constexpr HRESULT DD_OK = 0;
constexpr HRESULT DDERR_GENERIC = HRESULT(0x80004005u);
constexpr HRESULT DDERR_NOINTERFACE = HRESULT(0x80004002u);
constexpr HRESULT DDERR_INVALIDPARAMS = HRESULT(0x80070057u);
constexpr HRESULT DDERR_NOEXCLUSIVEMODE = HRESULT(0x887602E1u);
constexpr HRESULT DDERR_SURFACELOST = HRESULT(0x887601C2u);
constexpr HRESULT DDERR_WASSTILLDRAWING = HRESULT(0x8876021Cu);
constexpr HRESULT DDERR_UNSUPPORTEDMODE = HRESULT(0x8876024Eu);

constexpr uint32_t DDSCL_FULLSCREEN = 0x01;
constexpr uint32_t DDSCL_ALLOWREBOOT = 0x02;
constexpr uint32_t DDSCL_NORMAL = 0x08;
constexpr uint32_t DDSCL_EXCLUSIVE = 0x10;

// Sizes of the two surface descriptions a lock may be given.
constexpr uint32_t kSurfaceDescSize = 108;
constexpr uint32_t kSurfaceDesc2Size = 124;

enum class DisplayCall {
  DirectDrawCreate,
  QueryInterface,
  SetCooperativeLevel,
  SetDisplayMode,
  CreatePrimarySurface,
  CreateOffscreenSurface,
  CreateClipper,
  CreatePalette,
  Lock,
  Unlock,
  Blt,
  Restore,
  Count
};
const char* DisplayCallName(DisplayCall call);

struct PaletteEntry {
  uint8_t red = 0, green = 0, blue = 0, flags = 0;
};

struct Palette {
  std::array<PaletteEntry, 256> entries;
};

struct Clipper {
  HWND window = 0;
  int references = 1;
};

// Surface bytes come zeroed from calloc, which hands large blocks over as
// fresh pages: a surface the show never draws on (a probe, or a desktop of
// which only the window's part is shown) costs no page of memory. A vector
// grown by resize() takes the calloc'd zeros as they are, so surface memory
// is sized once, when the surface is made; every other fill says its value.
template <class T>
struct ZeroedAllocator {
  using value_type = T;
  ZeroedAllocator() = default;
  template <class U>
  ZeroedAllocator(const ZeroedAllocator<U>&) noexcept {}
  T* allocate(size_t n) {
    if (void* p = std::calloc(n, sizeof(T))) return static_cast<T*>(p);
    throw std::bad_alloc();
  }
  void deallocate(T* p, size_t) noexcept { std::free(p); }
  template <class U>
  void construct(U*) noexcept {}  // already zero
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
  template <class U>
  bool operator==(const ZeroedAllocator<U>&) const noexcept { return true; }
};

struct Surface {
  int width = 0, height = 0, bitsPerPixel = 0, pitch = 0;
  bool primary = false;
  bool lost = false;
  bool locked = false;
  Palette* palette = nullptr;
  Clipper* clipper = nullptr;
  std::vector<uint8_t, ZeroedAllocator<uint8_t>> memory;
};

struct SurfaceDesc {
  uint32_t size = 0;
  int width = 0, height = 0, pitch = 0, bitsPerPixel = 0;
  void* memory = nullptr;
};

// Interface revisions that can be asked for by name: of the device object,
// and of a surface.
enum class DisplayInterface { DirectDraw2, DirectDraw4, Surface3, Surface4 };

class DisplayDevice {
 public:
  DisplayDevice(Backend& backend, WindowSystem& windows) : backend_(backend), windows_(windows) {}
  ~DisplayDevice();

  // The two interface revisions. The newer one (4) can be missing.
  HRESULT DirectDrawCreate();
  HRESULT QueryInterface4();
  bool HasInterface(int revision) const { return revision == 4 ? have4_ : have1_; }
  void ReleaseInterface(int revision);
  // Asks for a revision without keeping it (the answer is all that is wanted).
  HRESULT QueryInterface(DisplayInterface which);
  HRESULT QuerySurfaceInterface(Surface* surface, DisplayInterface which);

  HRESULT SetCooperativeLevel(HWND window, uint32_t flags);
  HRESULT SetDisplayMode(int width, int height, int bitsPerPixel);
  HRESULT CreatePrimarySurface(Surface** out);
  // bitsPerPixel 0 takes the desktop's format.
  HRESULT CreateOffscreenSurface(int width, int height, int bitsPerPixel, Surface** out);
  HRESULT CreateClipper(Clipper** out);
  HRESULT SetClipperWindow(Clipper* clipper, HWND window);
  HRESULT SetClipper(Surface* surface, Clipper* clipper);
  void ReleaseClipper(Clipper* clipper);
  HRESULT CreatePalette(const PaletteEntry* entries, Palette** out);
  HRESULT SetPalette(Surface* surface, Palette* palette);
  HRESULT Lock(Surface* surface, SurfaceDesc* desc);
  HRESULT Unlock(Surface* surface);
  // Copies (stretching if the sizes differ); null rectangles mean whole surfaces.
  HRESULT Blt(Surface* dst, const Rect* dstRect, Surface* src, const Rect* srcRect);
  HRESULT ColorFill(Surface* dst, uint32_t colour);
  HRESULT Restore(Surface* surface);
  void Release(Surface* surface);

  // For tests and for backends that lose video memory.
  void FailCall(DisplayCall call, HRESULT code = DDERR_GENERIC, int times = -1);
  void ClearFailures() { failures_.clear(); }
  // This host has every revision; a test can take one away.
  void RemoveInterface(DisplayInterface which) { missing_[int(which)] = true; }
  void LoseSurfaces();
  int CallCount(DisplayCall call) const { return counts_[int(call)]; }
  const std::vector<std::string>& CallLog() const { return log_; }
  int LiveSurfaces() const { return int(surfaces_.size()); }
  int LivePalettes() const { return int(palettes_.size()); }
  bool Exclusive() const { return exclusive_; }
  HWND CooperativeWindow() const { return cooperativeWindow_; }
  const Surface* PrimarySurface() const;

 private:
  HRESULT Enter(DisplayCall call, const std::string& text);
  void ShowIfPrimary(Surface* surface);

  struct Failure {
    HRESULT code;
    int times;
  };
  Backend& backend_;
  WindowSystem& windows_;
  bool have1_ = false, have4_ = false;
  bool exclusive_ = false;
  HWND cooperativeWindow_ = 0;
  int modeWidth_ = 0, modeHeight_ = 0, modeBits_ = 0;
  std::vector<std::unique_ptr<Surface>> surfaces_;
  std::vector<std::unique_ptr<Clipper>> clippers_;
  std::vector<std::unique_ptr<Palette>> palettes_;
  std::map<DisplayCall, Failure> failures_;
  std::array<bool, 4> missing_{};
  std::array<int, int(DisplayCall::Count)> counts_{};
  std::vector<std::string> log_;
};

}  // namespace host
