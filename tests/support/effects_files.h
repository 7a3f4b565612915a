// A scratch folder for the loaders' tests, removed with everything in it.
#pragma once
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace testing_support {

struct TempDir {
  std::string path = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "dorsel-test-XXXXXX").string();
    return std::string(mkdtemp(pattern.data()));
  }();
  ~TempDir() { std::filesystem::remove_all(path); }
  std::string File(const std::string& name) const { return path + "/" + name; }
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::ofstream(File(name), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return File(name);
  }
};

}  // namespace testing_support
