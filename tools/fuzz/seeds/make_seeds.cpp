// fuzz_seeds DIR: writes the hand-made hostile files into DIR/pcx and
// DIR/scene, where tools/fuzz.sh starts the fuzzers from.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "fuzz/seeds/hostile_files.h"

namespace {

bool WriteAll(const std::filesystem::path& dir, const std::vector<hostile::File>& files) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  for (const hostile::File& f : files) {
    std::ofstream out(dir / f.name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(f.bytes.data()), std::streamsize(f.bytes.size()));
    if (!out.flush()) {
      std::fprintf(stderr, "fuzz_seeds: cannot write %s\n", (dir / f.name).c_str());
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  bool ok = WriteAll(dir / "pcx", hostile::Pictures()) && WriteAll(dir / "scene", hostile::Scenes());
  return ok ? 0 : 1;
}
