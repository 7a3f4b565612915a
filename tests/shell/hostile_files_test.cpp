// Data files that are not files: a folder, a FIFO or an endless device in
// place of a picture, a scene or the module, and files past the size a
// reader takes. Each is "cannot be opened" for its kind, found without
// waiting, and never read whole into memory.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/process.h"

namespace fs = std::filesystem;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

enum class Stand { kFolder, kFifo, kEndless, kSparse };

struct Case {
  const char* file;
  Stand stand;
  uint64_t size;        // of the sparse file
  std::string message;  // what the viewer is told
  int exitCode;
};

TEST(HostileFiles, WhatIsNotARegularFileOrTooLargeCannotBeOpened) {
  const fs::path data = fs::path(DORSEL_BINARY_DIR) / "data";
  const std::string notRegular = "Fmod ERROR!: Not a regular file: what2xx.it";
  const std::vector<Case> cases = {
      {"what2xx.it", Stand::kFolder, 0, notRegular, 1},
      {"what2xx.it", Stand::kFifo, 0, notRegular, 1},
      {"what2xx.it", Stand::kEndless, 0, notRegular, 1},
      {"what2xx.it", Stand::kSparse, (64u << 20) + 1, "Fmod ERROR!: File too large: what2xx.it", 1},
      {"bump.pcx", Stand::kFifo, 0, "LoadPCX ERROR!: file bump.pcx not found", 0},
      {"X_VOTKY.3DS", Stand::kFifo, 0, "Can't open X_VOTKY.3DS!", 1},
      {"X_VOTKY.3DS", Stand::kFolder, 0, "Can't open X_VOTKY.3DS!", 1},
      {"X_BALL.3DS", Stand::kSparse, (16u << 20) + 1, "Can't open X_BALL.3DS!", 1},
  };
  const fs::path root = fs::path(testing::TempDir()) / ("hostile_files_" + std::to_string(getpid()));
  fs::remove_all(root);
  const std::string program = testing_support::BuiltProgram("dorsel");
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(std::string(c.file) + " as case " + std::to_string(i));
    const fs::path folder = root / std::to_string(i);
    fs::create_directories(folder);
    for (const auto& entry : fs::directory_iterator(data))
      if (entry.path().filename() != c.file) fs::create_symlink(entry.path(), folder / entry.path().filename());
    const fs::path in = folder / c.file;
    std::string limit;
    switch (c.stand) {
      case Stand::kFolder:
        fs::create_directory(in);
        break;
      case Stand::kFifo:
        ASSERT_EQ(mkfifo(in.c_str(), 0600), 0);
        break;
      case Stand::kEndless:
        // Read whole, it would take all the memory there is: the show runs
        // with 1 GiB of address space, which sanitizers reserve many times
        // over.
        if (kSanitized) continue;
        fs::create_symlink("/dev/zero", in);
        limit = "ulimit -v 1048576 && ";
        break;
      case Stand::kSparse:
        std::ofstream(in.string()).close();
        fs::resize_file(in, c.size);
        break;
    }
    // A show still going after a minute is a hang.
    testing_support::Outcome run = testing_support::RunCommand(
        limit + "timeout 60 " + program + " --headless --nosound --fps 1 --data " + folder.string() + " 2>&1");
    if (run.exitCode == 124) {
      ADD_FAILURE() << "the show hung\n" << run.out;
      continue;
    }
    EXPECT_EQ(run.exitCode, c.exitCode) << run.out;
    EXPECT_NE(run.out.find(c.message), std::string::npos) << run.out;
    const bool ranToTheEnd = run.out.find("windows visited 22/22") != std::string::npos;
    EXPECT_EQ(ranToTheEnd, c.exitCode == 0) << run.out;
  }
  fs::remove_all(root);
}

}  // namespace
