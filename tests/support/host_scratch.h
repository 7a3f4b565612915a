// A folder of its own for one test, removed with all it holds when done.
#pragma once
#include <filesystem>
#include <string>

#include "support/process.h"

namespace testing_support {

struct ScratchDir {
  std::string dir;
  explicit ScratchDir(const std::string& name) : dir(FreshFolder(name)) {}
  ~ScratchDir() { std::filesystem::remove_all(dir); }
  std::string operator/(const std::string& file) const { return dir + "/" + file; }
};

}  // namespace testing_support
