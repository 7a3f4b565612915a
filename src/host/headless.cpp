#include "host/headless.h"

#include <algorithm>
#include <cstdio>

#include "host/display_device.h"
#include "host/window_system.h"

namespace host {

void HeadlessBackend::ShowMessageBox(const std::string& text, const std::string& caption) {
  messageBoxes.emplace_back(text, caption);
  if (!quiet) std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

bool HeadlessBackend::EnterFullscreen(HWND, int, int, int) {
  if (refuseFullscreen) return false;
  fullscreen = true;
  return true;
}

bool HeadlessBackend::OpenAudio(int, int rate, AudioPull pull, std::string* error) {
  if (!refuseAudio.empty()) {
    *error = refuseAudio;
    return false;
  }
  audioRate_ = rate;
  audioOpenedMs_ = NowMs();
  audioPull_ = std::move(pull);
  audioTaken_ = 0;
  return true;
}

int64_t HeadlessBackend::TakeHeardAudio(const std::function<void(const int16_t*, int)>& sink) {
  if (audioRate_ == 0 || !audioPull_) return 0;
  constexpr int kBlock = 4096;
  int16_t block[2 * kBlock];
  int64_t heard = AudioFramesHeard(), given = 0;
  while (audioTaken_ < heard) {
    int n = int(std::min<int64_t>(kBlock, heard - audioTaken_));
    audioPull_(block, n);
    sink(block, n);
    audioTaken_ += n;
    given += n;
  }
  return given;
}

bool HeadlessBackend::ShownPicture(HWND, Picture* picture) {
  if (shows_ == 0) return false;
  *picture = Picture{screenWidth_, screenHeight_, Screen()};
  return true;
}

int64_t HeadlessBackend::AudioFramesHeard() {
  if (audioRate_ == 0) return 0;
  return int64_t((NowMs() - audioOpenedMs_) * uint64_t(audioRate_) / 1000);
}

void HeadlessBackend::Show(const Surface& s, HWND window) {
  ++shows_;
  Rect area{0, 0, s.width, s.height};
  if (!fullscreen && windows_ && window) {
    // Windowed: the primary surface is the desktop; show the client area.
    Rect client;
    Point topLeft;
    if (windows_->GetClientRect(window, &client) && windows_->ClientToScreen(window, &topLeft))
      area = Rect{topLeft.x, topLeft.y, topLeft.x + client.Width(), topLeft.y + client.Height()};
  }
  screenWidth_ = area.Width();
  screenHeight_ = area.Height();
  // Nothing is copied now: the conversion into a picture waits until
  // Screen() is asked for. The palette is read now, as a screen would.
  shown_.width = s.width;
  shown_.height = s.height;
  shown_.bitsPerPixel = s.bitsPerPixel;
  shown_.pitch = s.pitch;
  shown_.area = area;
  shown_.live = &s;
  if (s.bitsPerPixel == 8) {
    for (int i = 0; i < 256; ++i) {
      const PaletteEntry& e = s.palette ? s.palette->entries[size_t(i)] : PaletteEntry{};
      shown_.grey[size_t(i)] = uint32_t(e.red) << 16 | uint32_t(e.green) << 8 | e.blue;
    }
  }
  screenStale_ = true;
}

void HeadlessBackend::Keep(const Surface& surface) {
  if (shown_.live != &surface) return;
  shown_.memory.assign(surface.memory.begin(), surface.memory.end());
  shown_.live = nullptr;
}

const std::vector<uint32_t>& HeadlessBackend::Screen() const {
  if (!screenStale_ && !shown_.live) return screen_;
  screenStale_ = false;
  const Shown& s = shown_;
  const uint8_t* memory = s.live ? s.live->memory.data() : s.memory.data();
  const Rect& area = s.area;
  screen_.assign(size_t(screenWidth_) * screenHeight_, 0);
  for (int y = 0; y < screenHeight_; ++y) {
    int sy = area.top + y;
    if (sy < 0 || sy >= s.height) continue;
    const uint8_t* row = memory + size_t(sy) * s.pitch;
    for (int x = 0; x < screenWidth_; ++x) {
      int sx = area.left + x;
      if (sx < 0 || sx >= s.width) continue;
      uint32_t rgb = 0;
      if (s.bitsPerPixel == 32) {
        const uint8_t* p = row + sx * 4;
        rgb = uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
      } else if (s.bitsPerPixel == 24) {
        const uint8_t* p = row + sx * 3;
        rgb = uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
      } else {
        rgb = s.grey[row[sx]];
      }
      screen_[size_t(y) * screenWidth_ + x] = rgb;
    }
  }
  return screen_;
}

bool HeadlessBackend::OpenControl(HWND control, HWND parent, const ControlSpec& spec) {
  controls_[control] = Control{parent, spec, false, SYSTEM_FONT};
  return true;
}

void HeadlessBackend::SetControlText(HWND control, const std::string& text) {
  auto it = controls_.find(control);
  if (it != controls_.end()) it->second.spec.text = text;
}

void HeadlessBackend::SetControlCheck(HWND control, bool checked) {
  auto it = controls_.find(control);
  if (it != controls_.end()) it->second.checked = checked;
}

bool HeadlessBackend::ControlChecked(HWND control) {
  auto it = controls_.find(control);
  return it != controls_.end() && it->second.checked;
}

void HeadlessBackend::SetControlFont(HWND control, int font) {
  auto it = controls_.find(control);
  if (it != controls_.end()) it->second.font = font;
}

const HeadlessBackend::Control* HeadlessBackend::FindControl(HWND control) const {
  auto it = controls_.find(control);
  return it == controls_.end() ? nullptr : &it->second;
}

HWND HeadlessBackend::ControlNamed(const std::string& text) const {
  for (const auto& [handle, c] : controls_)
    if (c.spec.text == text) return handle;
  return 0;
}

bool HeadlessBackend::Click(HWND control) {
  auto it = controls_.find(control);
  if (it == controls_.end() || !it->second.spec.enabled) return false;
  Control& c = it->second;
  // Group boxes and texts take no clicks.
  if (c.spec.kind == ControlKind::GroupBox || c.spec.kind == ControlKind::Text) return false;
  if (c.spec.kind == ControlKind::RadioButton) {
    for (auto& [handle, other] : controls_)
      if (other.parent == c.parent && other.spec.kind == ControlKind::RadioButton) other.checked = false;
    c.checked = true;
  } else if (c.spec.kind == ControlKind::CheckBox) {
    c.checked = !c.checked;
  }
  if (windows_) windows_->ControlClicked(control);
  return true;
}

void HeadlessBackend::PressKey(HWND form, WPARAM key) {
  if (windows_) windows_->DialogKey(form, key);
}

std::unique_ptr<Platform> MakeHeadlessPlatform(int framesPerSecond) {
  auto backend = std::make_unique<HeadlessBackend>(framesPerSecond);
  HeadlessBackend* raw = backend.get();
  auto platform = std::make_unique<Platform>(std::move(backend));
  raw->windows_ = &platform->windows;
  return platform;
}

HeadlessBackend& Headless(Platform& platform) {
  return static_cast<HeadlessBackend&>(*platform.backend);
}

}  // namespace host
