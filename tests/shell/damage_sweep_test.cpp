// Every data file damaged in turn, in a copy of the data folder made of
// links: cut short at telling places and with bytes flipped at fixed seeds.
// Each damage has the outcome its kind of file gives: a picture reports
// what its loader reports and the show goes on to its end; a scene loads
// what it holds and the show goes on; a module the player cannot read ends
// the program with the sound library's box before any frame. Never a crash
// or a hang (and, in the sanitized build, never a read outside a buffer).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "support/process.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

constexpr char kWrongFormat[] = "The PCX-file must be of version 5 and RLE compressed";
constexpr char kNoMemory[] = "Memory allocation error !!!";
constexpr size_t kPcxHeader = 128, kPcxPalette = 768;

int ReadsOf(const std::string& picture) { return picture == "staticdi.pcx" ? 2 : 1; }

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

Bytes ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

Bytes Cut(Bytes b, size_t length) {
  b.resize(std::min(length, b.size()));
  return b;
}

Bytes FlipByte(Bytes b, size_t at, uint8_t mask) {
  if (at < b.size()) b[at] ^= mask;
  return b;
}

// Sixteen bytes at or after `from`, each XORed with a non-zero value, the
// places and values drawn from a fixed seed.
Bytes FlipBytes(Bytes b, size_t from, uint32_t seed) {
  if (b.size() <= from) return b;
  uint32_t s = seed;
  auto next = [&s] { return (s = s * 1103515245u + 12345u) >> 8; };
  for (int i = 0; i < 16; ++i) {
    size_t at = from + next() % (b.size() - from);
    b[at] ^= uint8_t(next() % 255 + 1);
  }
  return b;
}

// What the viewer is to be told and whether the show is to reach its end.
enum class Ends { kAtTheEnd, kBeforeAnyFrame, kEither };

struct Damage {
  std::string file, how;
  Bytes bytes;
  std::string message;  // the box each read of the file shows, or "" for none
  Ends ends = Ends::kAtTheEnd;
  std::string sound = " --nosound";
  // Filled in by the run.
  std::string folder = {};
  testing_support::Outcome outcome = {};
};

void PictureDamages(const std::string& file, const Bytes& b, std::vector<Damage>& out) {
  ASSERT_GE(b.size(), kPcxHeader + 16) << file;
  const int depth = b[3] * b[65];
  ASSERT_TRUE(depth == 8 || depth == 24) << file << " is of depth " << depth;
  const bool palette = depth == 8;
  // An 8-bit picture needs room for a header and its palette at the end.
  auto dataCut = [&](size_t length) {
    return palette && length < kPcxHeader + kPcxPalette ? std::string(kWrongFormat) : std::string();
  };
  const size_t dataEnd = b.size() - (palette ? kPcxPalette + 1 : 0);
  const size_t half = kPcxHeader + (dataEnd - kPcxHeader) / 2;
  out.push_back({file, "cut inside the header", Cut(b, 100), kWrongFormat, Ends::kAtTheEnd, " --nosound"});
  out.push_back({file, "cut inside the picture data", Cut(b, half), dataCut(half), Ends::kAtTheEnd, " --nosound"});
  if (palette) {
    out.push_back({file, "cut inside the palette", Cut(b, b.size() - 300), "", Ends::kAtTheEnd, " --nosound"});
  }
  out.push_back({file, "version byte flipped", FlipByte(b, 1, 0xFF), kWrongFormat, Ends::kAtTheEnd, " --nosound"});
  // The line length becomes 32768 or more: far past any picture's side.
  out.push_back({file, "line length's top bit flipped", FlipByte(b, 67, 0x80), kNoMemory, Ends::kAtTheEnd, " --nosound"});
  // One plane becomes three and three become one: the file is then read as
  // the other depth, without complaint.
  out.push_back({file, "plane count flipped", FlipByte(b, 65, 0x02), dataCut(b.size()), Ends::kAtTheEnd, " --nosound"});
  out.push_back({file, "bytes flipped after the header", FlipBytes(b, kPcxHeader, 1), "", Ends::kAtTheEnd, " --nosound"});
}

void SceneDamages(const std::string& file, const Bytes& b, std::vector<Damage>& out) {
  ASSERT_GE(b.size(), 64u) << file;
  out.push_back({file, "cut inside the first chunk's header", Cut(b, 3), "", Ends::kAtTheEnd, " --nosound"});
  out.push_back({file, "cut in the middle", Cut(b, 6 + (b.size() - 6) / 2), "", Ends::kAtTheEnd, " --nosound"});
  out.push_back({file, "last five bytes cut", Cut(b, b.size() - 5), "", Ends::kAtTheEnd, " --nosound"});
  out.push_back({file, "bytes flipped anywhere, seed 1", FlipBytes(b, 0, 1), "", Ends::kAtTheEnd, " --nosound"});
  out.push_back({file, "bytes flipped anywhere, seed 2", FlipBytes(b, 0, 2), "", Ends::kAtTheEnd, " --nosound"});
}

void ModuleDamages(const std::string& file, const Bytes& b, std::vector<Damage>& out) {
  ASSERT_GE(b.size(), 4096u) << file;
  // With the sound on, the song is mixed to the end as well, into a sink
  // that keeps nothing.
  const std::string mix = " --wav /dev/null";
  out.push_back({file, "cut inside the header", Cut(b, 20),
                 "Fmod ERROR!: Unknown file format or corrupted file: " + file, Ends::kBeforeAnyFrame, mix});
  // Whether the player takes a module with its end missing or bytes changed
  // is its own affair; either way the outcome is one of the two, whole.
  out.push_back({file, "cut in the middle", Cut(b, b.size() / 2), "", Ends::kEither, mix});
  out.push_back({file, "bytes flipped after the header, seed 1", FlipBytes(b, 192, 1), "", Ends::kEither, mix});
  out.push_back({file, "bytes flipped anywhere, seed 2", FlipBytes(b, 0, 2), "", Ends::kEither, mix});
}

TEST(DamageSweep, EveryDamagedFileGivesTheOutcomeOfItsKind) {
  const fs::path data = fs::path(DORSEL_BINARY_DIR) / "data";
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(data))
    if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
      files.push_back(entry.path().filename().string());
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());

  std::vector<Damage> damages;
  for (const std::string& file : files) {
    std::string kind = Lower(fs::path(file).extension().string());
    Bytes bytes = ReadAll(data / file);
    if (kind == ".pcx") {
      PictureDamages(file, bytes, damages);
    } else if (kind == ".3ds") {
      SceneDamages(file, bytes, damages);
    } else if (kind == ".it") {
      ModuleDamages(file, bytes, damages);
    } else {
      ADD_FAILURE() << "a data file of a kind this sweep does not know: " << file;
    }
  }
  ASSERT_FALSE(HasFatalFailure());
  for (const Damage& d : damages) ASSERT_NE(d.bytes, ReadAll(data / d.file)) << d.file << ", " << d.how;

  const fs::path root = fs::path(testing::TempDir()) / ("damage_sweep_" + std::to_string(getpid()));
  fs::remove_all(root);
  for (size_t i = 0; i < damages.size(); ++i) {
    Damage& d = damages[i];
    d.folder = (root / std::to_string(i)).string();
    fs::create_directories(d.folder);
    for (const std::string& f : files)
      if (f != d.file) fs::create_symlink(data / f, fs::path(d.folder) / f);
    std::ofstream(fs::path(d.folder) / d.file, std::ios::binary)
        .write(reinterpret_cast<const char*>(d.bytes.data()), std::streamsize(d.bytes.size()));
  }

  // A few shows at a time, each at one frame a second of virtual time; a
  // show still going after ten minutes is a hang.
  const std::string program = testing_support::BuiltProgram("dorsel");
  constexpr size_t kAtOnce = 4;
  std::vector<FILE*> pipes(damages.size(), nullptr);
  for (size_t first = 0; first < damages.size(); first += kAtOnce) {
    size_t end = std::min(damages.size(), first + kAtOnce);
    for (size_t i = first; i < end; ++i)
      pipes[i] = popen(("timeout 600 " + program + " --headless --fps 1 --data " + damages[i].folder + damages[i].sound +
                        " 2>&1")
                           .c_str(),
                       "r");
    for (size_t i = first; i < end; ++i) {
      ASSERT_NE(pipes[i], nullptr);
      char buffer[4096];
      for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipes[i])) > 0;) damages[i].outcome.out.append(buffer, n);
      int status = pclose(pipes[i]);
      damages[i].outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
  }
  fs::remove_all(root);

  for (const Damage& d : damages) {
    SCOPED_TRACE(d.file + ", " + d.how);
    const std::string& out = d.outcome.out;
    const bool ranToTheEnd = out.find("windows visited 22/22") != std::string::npos &&
                             out.find("last demo time 235000 ms") != std::string::npos;
    const bool drewAFrame = out.find("frames ") != std::string::npos;
    ASSERT_NE(d.outcome.exitCode, 124) << "the show hung\n" << out;
    ASSERT_NE(d.outcome.exitCode, -1) << "the show was killed by a signal\n" << out;
    std::string kind = Lower(fs::path(d.file).extension().string());
    if (kind == ".pcx") {
      size_t expected = d.message.empty() ? 0 : size_t(ReadsOf(d.file));
      if (!d.message.empty()) {
        EXPECT_EQ(Count(out, "LoadPCX ERROR!: " + d.message), expected) << out;
      }
      EXPECT_EQ(Count(out, "LoadPCX ERROR!"), expected) << out;
    } else if (kind == ".3ds") {
      EXPECT_EQ(out.find("Can't open"), std::string::npos) << out;
    }
    Ends ends = d.ends;
    if (ends == Ends::kEither) {
      ends = out.find("Fmod ERROR!") != std::string::npos ? Ends::kBeforeAnyFrame : Ends::kAtTheEnd;
    }
    if (ends == Ends::kAtTheEnd) {
      EXPECT_EQ(d.outcome.exitCode, 0) << out;
      EXPECT_TRUE(ranToTheEnd) << out;
      EXPECT_EQ(out.find("Fmod ERROR!"), std::string::npos) << out;
    } else {
      if (!d.message.empty()) {
        EXPECT_NE(out.find(d.message), std::string::npos) << out;
      }
      EXPECT_EQ(Count(out, "Fmod ERROR!"), 1u) << out;
      EXPECT_FALSE(drewAFrame) << "a frame was drawn\n" << out;
      EXPECT_EQ(d.outcome.exitCode, 1) << out;
    }
  }
}

}  // namespace
