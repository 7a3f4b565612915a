// assetgen: writes every data file the show reads into one folder, from code
// and fixed seeds, so two runs give identical bytes.
#include <cstdio>
#include <filesystem>
#include <string>

#include "assetgen.h"

int main(int argc, char** argv) {
  if (argc != 2 || std::string(argv[1]) == "--help") {
    std::fprintf(stderr, "usage: assetgen DIR\nWrites the show's pictures, scenes and music into DIR.\n");
    return argc == 2 ? 0 : 2;
  }
  std::string dir = argv[1];
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    std::fprintf(stderr, "assetgen: cannot create %s: %s\n", dir.c_str(), ec.message().c_str());
    return 1;
  }
  bool ok = WriteMusic(dir);
  ok = WritePictures(dir) && ok;
  ok = WriteScenes(dir) && ok;
  return ok ? 0 : 1;
}
