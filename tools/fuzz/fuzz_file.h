// The loaders read named files, so every fuzz input is first written to a
// file of this process's own.
#pragma once
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

// Stops the run the way a sanitizer report would, so libFuzzer keeps the
// input: a loader broke one of its own promises.
[[noreturn]] inline void Broken(const char* what) {
  std::fprintf(stderr, "fuzz: %s\n", what);
  std::abort();
}

class InputFile {
 public:
  explicit InputFile(const char* suffix) {
    const char* dir = std::getenv("TMPDIR");
    path_ = std::string(dir && *dir ? dir : "/tmp") + "/dorsel-fuzz-" + std::to_string(getpid()) + suffix;
  }
  ~InputFile() { std::remove(path_.c_str()); }

  // The file holds exactly these bytes afterwards.
  const std::string& Write(const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(path_.c_str(), "wb");
    if (!f) Broken("cannot write the input file");
    if (size > 0 && std::fwrite(data, 1, size, f) != size) Broken("cannot write the input file");
    if (std::fclose(f) != 0) Broken("cannot write the input file");
    return path_;
  }

 private:
  std::string path_;
};

}  // namespace fuzz
