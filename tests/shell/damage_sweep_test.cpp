// Every data file taken away, damaged, or replaced by what is not a file
// (a folder, a FIFO, an endless device) or by one past the size its reader
// takes, in turn, in a copy of the data folder made of links, and the whole
// show run at one frame a second of virtual time. Each fault has the outcome
// its kind of file gives: a picture reports what its loader reports and the
// show goes on to its end; a scene that is there loads what it holds and the
// show goes on, one that cannot be opened ends the program before any frame;
// a module the player cannot read or open ends the program with the sound
// library's box before any frame. What cannot be opened is found without
// waiting on it or reading it whole. Never a crash or a hang (and, in the
// sanitized build, never a read outside a buffer).
#include <gtest/gtest.h>
#include <strings.h>
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
  std::string options = " --nosound", limit = "";  // limit: a shell command run before the show
};

bool Is(const std::string& file, const char* extension) {
  return strcasecmp(fs::path(file).extension().c_str(), extension) == 0;
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

Fault Written(const std::string& file, const std::string& how, const Bytes& bytes, std::string message,
              Ends ends = Ends::kAtTheEnd, std::string options = " --nosound") {
  return {file, how, [bytes](const fs::path& p) { std::ofstream(p, std::ios::binary) << bytes; }, message, ends, options};
}

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

void Damages(const std::string& file, const Bytes& b, std::vector<Fault>& out) {
  if (Is(file, ".pcx")) {
    ASSERT_GE(b.size(), kPcxHeader + 16) << file;
    const int depth = uint8_t(b[3]) * uint8_t(b[65]);
    ASSERT_TRUE(depth == 8 || depth == 24) << file << " is of depth " << depth;
    // An 8-bit picture needs room for a header and its palette at the end.
    auto dataCut = [&](size_t length) { return depth == 8 && length < kPcxHeader + kPcxPalette ? kWrongFormat : ""; };
    const size_t half = kPcxHeader + (b.size() - (depth == 8 ? kPcxPalette + 1 : 0) - kPcxHeader) / 2;
    out.push_back(Written(file, "cut inside the header", b.substr(0, 100), kWrongFormat));
    out.push_back(Written(file, "cut inside the picture data", b.substr(0, half), dataCut(half)));
    if (depth == 8) out.push_back(Written(file, "cut inside the palette", b.substr(0, b.size() - 300), ""));
    out.push_back(Written(file, "version byte flipped", FlipByte(b, 1, 0xFF), kWrongFormat));
    // The line length becomes 32768 or more: far past any picture's side.
    out.push_back(Written(file, "line length's top bit flipped", FlipByte(b, 67, 0x80), "Memory allocation error !!!"));
    // One plane becomes three and three become one: the file is then read
    // as the other depth, without complaint.
    out.push_back(Written(file, "plane count flipped", FlipByte(b, 65, 0x02), dataCut(b.size())));
    out.push_back(Written(file, "bytes flipped after the header", FlipBytes(b, kPcxHeader, 1), ""));
  } else if (Is(file, ".3ds")) {
    ASSERT_GE(b.size(), 64u) << file;
    out.push_back(Written(file, "cut inside the first chunk's header", b.substr(0, 3), ""));
    out.push_back(Written(file, "cut in the middle", b.substr(0, 6 + (b.size() - 6) / 2), ""));
    out.push_back(Written(file, "last five bytes cut", b.substr(0, b.size() - 5), ""));
    out.push_back(Written(file, "bytes flipped anywhere, seed 1", FlipBytes(b, 0, 1), ""));
    out.push_back(Written(file, "bytes flipped anywhere, seed 2", FlipBytes(b, 0, 2), ""));
  } else {
    ASSERT_TRUE(Is(file, ".it")) << "a data file of a kind this sweep does not know: " << file;
    ASSERT_GE(b.size(), 4096u) << file;
    // With the sound on, the song is mixed to the end as well, into a sink
    // that keeps nothing. Whether the player takes a module with its end
    // missing or bytes changed is its own affair; either way the outcome is
    // one of the two, whole.
    const std::string mix = " --wav /dev/null";
    out.push_back(Written(file, "cut inside the header", b.substr(0, 20),
                          "Fmod ERROR!: Unknown file format or corrupted file: " + file, Ends::kBeforeAnyFrame, mix));
    out.push_back(Written(file, "cut in the middle", b.substr(0, b.size() / 2), "", Ends::kEither, mix));
    out.push_back(Written(file, "bytes flipped after the header, seed 1", FlipBytes(b, 192, 1), "", Ends::kEither, mix));
    out.push_back(Written(file, "bytes flipped anywhere, seed 2", FlipBytes(b, 0, 2), "", Ends::kEither, mix));
  }
}

TEST(DamageSweep, EveryMissingDamagedOrHostileFileGivesTheOutcomeOfItsKind) {
  const fs::path data = testing_support::DataDir();
  std::vector<Fault> faults;
  for (const auto& entry : fs::directory_iterator(data)) {
    const std::string file = entry.path().filename().string();
    if (!entry.is_regular_file() || file[0] == '.') continue;
    const Ends early = Ends::kBeforeAnyFrame;
    if (Is(file, ".pcx")) faults.push_back({file, "missing", nullptr, "LoadPCX ERROR!: file " + file + " not found"});
    if (Is(file, ".it")) faults.push_back({file, "missing", nullptr, "Fmod ERROR!: File not found: " + file, early});
    if (Is(file, ".3ds")) faults.push_back({file, "missing", nullptr, "Can't open " + file + "!", early});
    Damages(file, testing_support::FileText(entry.path()), faults);
  }
  ASSERT_FALSE(HasFatalFailure() || faults.empty());
  auto folder = [](const fs::path& p) { fs::create_directory(p); };
  auto fifo = [](const fs::path& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); };
  auto sparse = [](uint64_t size) {
    return [size](const fs::path& p) { std::ofstream(p).close(), fs::resize_file(p, size); };
  };
  const std::string notRegular = "Fmod ERROR!: Not a regular file: what2xx.it";
  const Ends early = Ends::kBeforeAnyFrame;
  faults.insert(faults.end(), {
      {"what2xx.it", "a folder", folder, notRegular, early}, {"what2xx.it", "a FIFO", fifo, notRegular, early},
      {"what2xx.it", "past 64 MiB", sparse((64u << 20) + 1), "Fmod ERROR!: File too large: what2xx.it", early},
      {"bump.pcx", "a FIFO", fifo, "LoadPCX ERROR!: file bump.pcx not found"},
      {"X_VOTKY.3DS", "a FIFO", fifo, "Can't open X_VOTKY.3DS!", early},
      {"X_VOTKY.3DS", "a folder", folder, "Can't open X_VOTKY.3DS!", early},
      {"X_BALL.3DS", "past 16 MiB", sparse((16u << 20) + 1), "Can't open X_BALL.3DS!", early},
  });
  // Read whole, it would take all the memory there is: the show runs with
  // 1 GiB of address space, unless it cannot start in that (sanitizers
  // reserve many times more).
  const std::string limit = "ulimit -v 1048576 && ", program = testing_support::BuiltProgram("dorsel");
  if (testing_support::RunCommand(limit + program + " --version >/dev/null 2>&1").exitCode == 0)
    faults.push_back({"what2xx.it", "endless", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); }, notRegular,
                      early, " --nosound", limit});

  const fs::path root = testing_support::FreshFolder("damage_sweep");
  for (size_t i = 0; i < faults.size(); ++i) {
    const fs::path folder = root / std::to_string(i);
    fs::create_directories(folder);
    for (const auto& entry : fs::directory_iterator(data))
      if (entry.path().filename() != faults[i].file) fs::create_symlink(entry.path(), folder / entry.path().filename());
    if (faults[i].make) faults[i].make(folder / faults[i].file);
  }
  // Four shows at a time; one still going after five minutes is a hang.
  std::vector<testing_support::Outcome> outcomes(faults.size());
  std::vector<FILE*> pipes(faults.size());
  for (size_t first = 0; first < faults.size(); first += 4) {
    const size_t end = std::min(faults.size(), first + 4);
    for (size_t i = first; i < end; ++i)
      pipes[i] = popen((faults[i].limit + "timeout 300 " + program + " --headless --fps 1 --data " +
                        (root / std::to_string(i)).string() + faults[i].options + " 2>&1").c_str(), "r");
    for (size_t i = first; i < end; ++i) {
      ASSERT_NE(pipes[i], nullptr);
      char buffer[4096];
      for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipes[i])) > 0;) outcomes[i].out.append(buffer, n);
      int status = pclose(pipes[i]);
      outcomes[i].exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
  }
  fs::remove_all(root);

  for (size_t i = 0; i < faults.size(); ++i) {
    const Fault& f = faults[i];
    const std::string& out = outcomes[i].out;
    SCOPED_TRACE(f.file + ", " + f.how);
    ASSERT_NE(outcomes[i].exitCode, 124) << "the show hung\n" << out;
    ASSERT_NE(outcomes[i].exitCode, -1) << "the show was killed by a signal\n" << out;
    Ends ends = f.ends;
    if (ends == Ends::kEither) ends = out.find("Fmod ERROR!") != std::string::npos ? early : Ends::kAtTheEnd;
    // Each kind has one family of messages; a picture is read twice when it
    // feeds two images (the warp's texture).
    const std::string family = Is(f.file, ".pcx") ? "LoadPCX ERROR!" : Is(f.file, ".it") ? "Fmod ERROR!" : "Can't open";
    const size_t told = !f.message.empty() ? (f.file == "staticdi.pcx" ? 2 : 1) : ends == early ? 1 : 0;
    EXPECT_EQ(Count(out, family), told) << out;
    EXPECT_EQ(Count(out, f.message.empty() ? family : f.message), told) << out;
    if (ends == Ends::kAtTheEnd) {
      EXPECT_EQ(outcomes[i].exitCode, 0) << out;
      EXPECT_NE(out.find("last demo time 235000 ms, windows visited 22/22"), std::string::npos) << out;
    } else {
      EXPECT_EQ(out.find("frames "), std::string::npos) << "a frame was drawn\n" << out;
      EXPECT_EQ(outcomes[i].exitCode, 1) << out;
    }
  }
}

}  // namespace
