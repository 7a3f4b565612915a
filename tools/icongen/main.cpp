// icongen: writes the program's icon, the same ring the window shows, as the
// desktop's hicolor theme wants it: DIR/NxN/apps/dorsel.png at every size.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "base/png_writer.h"
#include "host/sdl_pixels.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: icongen DIR\nWrites DIR/NxN/apps/dorsel.png at 16 to 256 pixels.\n");
    return 2;
  }
  for (int size : {16, 32, 48, 64, 128, 256}) {
    std::string side = std::to_string(size);
    std::filesystem::path folder = std::filesystem::path(argv[1]) / (side + "x" + side) / "apps";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    std::string path = (folder / "dorsel.png").string();
    if (ec || !WritePngWithAlpha(path, host::ProgramIcon(size).data(), size, size)) {
      std::fprintf(stderr, "icongen: cannot write %s: %s\n", path.c_str(),
                   ec ? ec.message().c_str() : std::strerror(errno));
      return 1;
    }
  }
  return 0;
}
