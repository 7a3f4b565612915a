// Everything the show takes from its host, in one object: a backend and the
// window system, display device and module player built on it.
#pragma once
#include <memory>

#include "host/backend.h"
#include "host/display_device.h"
#include "host/module_player.h"
#include "host/system_info.h"
#include "host/window_system.h"

namespace host {

struct Platform {
  explicit Platform(std::unique_ptr<Backend> b)
      : backend(std::move(b)), windows(*backend), display(*backend, windows),
        player(*backend, *backend) {}

  std::unique_ptr<Backend> backend;
  WindowSystem windows;
  DisplayDevice display;
  ModulePlayer player;
  SystemInfo system;
};

}  // namespace host
