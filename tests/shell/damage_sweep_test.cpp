// Every data file taken away, damaged or replaced by what is not a file, in
// turn, in a copy of the data folder made of links, and the whole show run
// at one frame a second of virtual time. Each fault has the outcome its kind
// of file gives: a picture reports what its loader reports and the show
// goes on to its end; a scene that is there loads what it holds and the
// show goes on, one that cannot be opened ends the program before any
// frame; a module the player cannot read ends the program with the sound
// library's box before any frame. Never a crash or a hang (and, in the
// sanitized build, never a read outside a buffer).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "support/process.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::string;
constexpr char kWrongFormat[] = "The PCX-file must be of version 5 and RLE compressed";
constexpr size_t kPcxHeader = 128, kPcxPalette = 768;

enum class Ends { kAtTheEnd, kBeforeAnyFrame, kEither };

struct Fault {
  std::string file, how;
  std::function<void(const fs::path&)> make;  // puts the file in place; empty: none
  std::string message;  // what each read of the file tells the viewer, or "" for nothing
  Ends ends = Ends::kAtTheEnd;
  std::string options = " --nosound";
  std::string limit = "";  // a shell command run before the show
  testing_support::Outcome outcome = {};
};

std::string Kind(const std::string& file) {
  std::string k = fs::path(file).extension().string();
  for (char& c : k) c = char(std::tolower(static_cast<unsigned char>(c)));
  return k;
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

std::vector<std::string> DataFiles() {
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(testing_support::DataDir()))
    if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
      files.push_back(entry.path().filename().string());
  std::sort(files.begin(), files.end());
  return files;
}

Fault Written(const std::string& file, const std::string& how, const Bytes& bytes, std::string message,
              Ends ends = Ends::kAtTheEnd, std::string options = " --nosound") {
  return {file, how, [bytes](const fs::path& p) { std::ofstream(p, std::ios::binary) << bytes; }, message, ends, options};
}

Bytes Cut(Bytes b, size_t length) { return b.substr(0, length); }

Bytes FlipByte(Bytes b, size_t at, uint8_t mask) {
  b.at(at) = char(b.at(at) ^ mask);
  return b;
}

// Sixteen bytes at or after `from`, each XORed with a non-zero value, the
// places and values drawn from a fixed seed.
Bytes FlipBytes(Bytes b, size_t from, uint32_t s) {
  auto next = [&s] { return (s = s * 1103515245u + 12345u) >> 8; };
  for (int i = 0; i < 16; ++i) {
    size_t at = from + next() % (b.size() - from);
    b[at] = char(b[at] ^ (next() % 255 + 1));
  }
  return b;
}

// Runs the show on each fault's folder, four at a time; a show still going
// after `seconds` is a hang. Then checks each outcome against its kind.
void RunAndCheck(std::vector<Fault>& faults, const std::string& name, int seconds) {
  const fs::path data = testing_support::DataDir();
  const fs::path root = fs::path(testing::TempDir()) / (name + "_" + std::to_string(getpid()));
  fs::remove_all(root);
  std::vector<fs::path> folders;
  for (size_t i = 0; i < faults.size(); ++i) {
    folders.push_back(root / std::to_string(i));
    fs::create_directories(folders[i]);
    for (const auto& entry : fs::directory_iterator(data))
      if (entry.path().filename() != faults[i].file) fs::create_symlink(entry.path(), folders[i] / entry.path().filename());
    if (faults[i].make) faults[i].make(folders[i] / faults[i].file);
  }
  std::vector<FILE*> pipes(faults.size());
  for (size_t first = 0; first < faults.size(); first += 4) {
    size_t end = std::min(faults.size(), first + 4);
    for (size_t i = first; i < end; ++i)
      pipes[i] = popen((faults[i].limit + "timeout " + std::to_string(seconds) + " " + testing_support::BuiltProgram("dorsel") + " --headless --fps 1 --data " +
                        folders[i].string() + faults[i].options + " 2>&1").c_str(), "r");
    for (size_t i = first; i < end; ++i) {
      ASSERT_NE(pipes[i], nullptr);
      char buffer[4096];
      for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipes[i])) > 0;) faults[i].outcome.out.append(buffer, n);
      int status = pclose(pipes[i]);
      faults[i].outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
  }
  fs::remove_all(root);

  for (const Fault& f : faults) {
    SCOPED_TRACE(f.file + ", " + f.how);
    const std::string& out = f.outcome.out;
    ASSERT_NE(f.outcome.exitCode, 124) << "the show hung\n" << out;
    ASSERT_NE(f.outcome.exitCode, -1) << "the show was killed by a signal\n" << out;
    Ends ends = f.ends;
    if (ends == Ends::kEither) ends = out.find("Fmod ERROR!") != std::string::npos ? Ends::kBeforeAnyFrame : Ends::kAtTheEnd;
    // Each kind has one family of messages; a picture is read twice when
    // it feeds two images (the warp's texture).
    const std::string kind = Kind(f.file);
    const std::string family = kind == ".pcx" ? "LoadPCX ERROR!" : kind == ".it" ? "Fmod ERROR!" : "Can't open";
    size_t reads = f.file == "staticdi.pcx" ? 2 : 1;
    size_t told = !f.message.empty() ? reads : ends == Ends::kBeforeAnyFrame ? 1 : 0;
    EXPECT_EQ(Count(out, family), told) << out;
    if (!f.message.empty()) {
      EXPECT_EQ(Count(out, f.message), told) << out;
    }
    if (ends == Ends::kAtTheEnd) {
      EXPECT_EQ(f.outcome.exitCode, 0) << out;
      EXPECT_NE(out.find("last demo time 235000 ms, windows visited 22/22"), std::string::npos) << out;
    } else {
      EXPECT_EQ(out.find("frames "), std::string::npos) << "a frame was drawn\n" << out;
      EXPECT_EQ(f.outcome.exitCode, 1) << out;
    }
  }
}

TEST(DataSweep, EveryMissingFileIsReportedTheWayItsKindIs) {
  std::vector<Fault> faults;
  for (const std::string& file : DataFiles()) {
    std::string kind = Kind(file);
    if (kind == ".pcx") faults.push_back({file, "missing", nullptr, "LoadPCX ERROR!: file " + file + " not found"});
    else if (kind == ".it") faults.push_back({file, "missing", nullptr, "Fmod ERROR!: File not found: " + file, Ends::kBeforeAnyFrame});
    else if (kind == ".3ds") faults.push_back({file, "missing", nullptr, "Can't open " + file + "!", Ends::kBeforeAnyFrame});
    else ADD_FAILURE() << "a data file of a kind this sweep does not know: " << file;
  }
  ASSERT_FALSE(faults.empty());
  RunAndCheck(faults, "data_sweep", 600);
}

TEST(DamageSweep, EveryDamagedFileGivesTheOutcomeOfItsKind) {
  std::vector<Fault> faults;
  for (const std::string& file : DataFiles()) {
    const Bytes b = testing_support::FileText(testing_support::DataDir() + "/" + file);
    const std::string kind = Kind(file);
    if (kind == ".pcx") {
      ASSERT_GE(b.size(), kPcxHeader + 16) << file;
      const int depth = uint8_t(b[3]) * uint8_t(b[65]);
      ASSERT_TRUE(depth == 8 || depth == 24) << file << " is of depth " << depth;
      // An 8-bit picture needs room for a header and its palette at the end.
      auto dataCut = [&](size_t length) { return depth == 8 && length < kPcxHeader + kPcxPalette ? kWrongFormat : ""; };
      const size_t half = kPcxHeader + (b.size() - (depth == 8 ? kPcxPalette + 1 : 0) - kPcxHeader) / 2;
      faults.push_back(Written(file, "cut inside the header", Cut(b, 100), kWrongFormat));
      faults.push_back(Written(file, "cut inside the picture data", Cut(b, half), dataCut(half)));
      if (depth == 8) faults.push_back(Written(file, "cut inside the palette", Cut(b, b.size() - 300), ""));
      faults.push_back(Written(file, "version byte flipped", FlipByte(b, 1, 0xFF), kWrongFormat));
      // The line length becomes 32768 or more: far past any picture's side.
      faults.push_back(Written(file, "line length's top bit flipped", FlipByte(b, 67, 0x80), "Memory allocation error !!!"));
      // One plane becomes three and three become one: the file is then read
      // as the other depth, without complaint.
      faults.push_back(Written(file, "plane count flipped", FlipByte(b, 65, 0x02), dataCut(b.size())));
      faults.push_back(Written(file, "bytes flipped after the header", FlipBytes(b, kPcxHeader, 1), ""));
    } else if (kind == ".3ds") {
      ASSERT_GE(b.size(), 64u) << file;
      faults.push_back(Written(file, "cut inside the first chunk's header", Cut(b, 3), ""));
      faults.push_back(Written(file, "cut in the middle", Cut(b, 6 + (b.size() - 6) / 2), ""));
      faults.push_back(Written(file, "last five bytes cut", Cut(b, b.size() - 5), ""));
      faults.push_back(Written(file, "bytes flipped anywhere, seed 1", FlipBytes(b, 0, 1), ""));
      faults.push_back(Written(file, "bytes flipped anywhere, seed 2", FlipBytes(b, 0, 2), ""));
    } else if (kind == ".it") {
      ASSERT_GE(b.size(), 4096u) << file;
      // With the sound on, the song is mixed to the end as well, into a
      // sink that keeps nothing. Whether the player takes a module with its
      // end missing or bytes changed is its own affair; either way the
      // outcome is one of the two, whole.
      const std::string mix = " --wav /dev/null";
      faults.push_back(Written(file, "cut inside the header", Cut(b, 20),
                               "Fmod ERROR!: Unknown file format or corrupted file: " + file, Ends::kBeforeAnyFrame, mix));
      faults.push_back(Written(file, "cut in the middle", Cut(b, b.size() / 2), "", Ends::kEither, mix));
      faults.push_back(Written(file, "bytes flipped after the header, seed 1", FlipBytes(b, 192, 1), "", Ends::kEither, mix));
      faults.push_back(Written(file, "bytes flipped anywhere, seed 2", FlipBytes(b, 0, 2), "", Ends::kEither, mix));
    } else {
      ADD_FAILURE() << "a data file of a kind this sweep does not know: " << file;
    }
  }
  RunAndCheck(faults, "damage_sweep", 600);
}

// A folder, a FIFO or an endless device in place of a data file, or a file
// past the size its reader takes: "cannot be opened" for its kind, found
// without waiting, and never read whole into memory.
TEST(HostileFiles, WhatIsNotARegularFileOrTooLargeCannotBeOpened) {
  auto folder = [](const fs::path& p) { fs::create_directory(p); };
  auto fifo = [](const fs::path& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); };
  auto sparse = [](uint64_t size) {
    return [size](const fs::path& p) {
      std::ofstream(p).close();
      fs::resize_file(p, size);
    };
  };
  const std::string notRegular = "Fmod ERROR!: Not a regular file: what2xx.it";
  std::vector<Fault> faults = {
      {"what2xx.it", "a folder", folder, notRegular, Ends::kBeforeAnyFrame},
      {"what2xx.it", "a FIFO", fifo, notRegular, Ends::kBeforeAnyFrame},
      {"what2xx.it", "past 64 MiB", sparse((64u << 20) + 1), "Fmod ERROR!: File too large: what2xx.it",
       Ends::kBeforeAnyFrame},
      {"bump.pcx", "a FIFO", fifo, "LoadPCX ERROR!: file bump.pcx not found"},
      {"X_VOTKY.3DS", "a FIFO", fifo, "Can't open X_VOTKY.3DS!", Ends::kBeforeAnyFrame},
      {"X_VOTKY.3DS", "a folder", folder, "Can't open X_VOTKY.3DS!", Ends::kBeforeAnyFrame},
      {"X_BALL.3DS", "past 16 MiB", sparse((16u << 20) + 1), "Can't open X_BALL.3DS!", Ends::kBeforeAnyFrame},
  };
  // Read whole, it would take all the memory there is: the show runs with
  // 1 GiB of address space, unless it cannot start in that (sanitizers
  // reserve many times more).
  const std::string limit = "ulimit -v 1048576 && ";
  if (testing_support::RunCommand(limit + testing_support::BuiltProgram("dorsel") + " --version").exitCode == 0)
    faults.push_back({"what2xx.it", "endless", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); }, notRegular,
                      Ends::kBeforeAnyFrame, " --nosound", limit});
  RunAndCheck(faults, "hostile_files", 60);
}

}  // namespace
