// Running the built programs from tests, as a user would.
#pragma once
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

namespace testing_support {

struct Outcome {
  int exitCode = -1;
  std::string out;  // what the command wrote to its standard output
};

// Runs a shell command line; redirect standard error in it to see that too.
inline Outcome RunCommand(const std::string& command) {
  Outcome r;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return r;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) r.out.append(buffer, n);
  int status = pclose(pipe);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

inline std::string BuiltProgram(const std::string& name) { return std::string(DORSEL_BINARY_DIR) + "/" + name; }

// The data files the build wrote.
inline std::string DataDir() { return std::string(DORSEL_BINARY_DIR) + "/data"; }

// The show with these arguments, started in `folder`, standard error with
// its output.
inline Outcome RunDorsel(const std::string& args, const std::string& folder = ".") {
  return RunCommand("cd " + folder + " && " + BuiltProgram("dorsel") + " " + args + " 2>&1");
}

// An empty folder of its own for a test to write into.
inline std::string FreshFolder(const std::string& name) {
  std::filesystem::path dir = std::filesystem::temp_directory_path() / (name + "_" + std::to_string(getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir.string();
}

inline std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Width and height from a PNG's header chunk; 0 × 0 when it is not a PNG.
inline std::pair<int, int> PngSize(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  unsigned char b[24] = {};
  in.read(reinterpret_cast<char*>(b), 24);
  if (!in || b[1] != 'P' || b[2] != 'N' || b[3] != 'G') return {0, 0};
  auto be32 = [&](int at) { return int(b[at] << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3]); };
  return {be32(16), be32(20)};
}

}  // namespace testing_support
