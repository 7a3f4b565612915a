// The program as a user runs it: command line, headless show, frame files.
#include <gtest/gtest.h>

#include "director/director.h"
#include "support/png_read.h"
#include "support/process.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace {

using Result = testing_support::Outcome;

Result RunDorsel(const std::string& args) {
  return testing_support::RunCommand(testing_support::BuiltProgram("dorsel") + " " + args + " 2>&1");
}

const std::string kData = std::string("--data ") + DORSEL_BINARY_DIR + "/data";

TEST(CommandLine, AHeadlessShowVisitsEveryWindowAndEndsByItself) {
  Result r = RunDorsel("--headless --nosound --fps 30 " + kData);
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_NE(r.out.find("frames 7022, last demo time 234033 ms, windows visited 22/22"), std::string::npos)
      << r.out;
}

TEST(CommandLine, FramesAreWrittenNamedByTheirDemoTime) {
  std::string dir = testing::TempDir() + "/dorsel-frames";
  std::filesystem::remove_all(dir);
  Result r = RunDorsel("--headless --fps 10 --start 100000 --end 102000 --every 5 --frames " + dir + " " + kData);
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_NE(r.out.find("frames 21, last demo time 102000 ms, windows visited 1/22"), std::string::npos) << r.out;
  for (const char* name : {"t0100000.png", "t0100500.png", "t0101000.png", "t0101500.png", "t0102000.png"})
    EXPECT_TRUE(std::filesystem::exists(dir + "/" + name)) << name;
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) files += entry.is_regular_file();
  EXPECT_EQ(files, 5);
  EXPECT_EQ(testing_support::PngSize(dir + "/t0100000.png"), std::make_pair(512, 384));
}

// --hashes names each frame shown by the FNV-1a of its pixels, the same
// frames --frames writes.
TEST(CommandLine, HashesAreThoseOfTheFramesShown) {
  std::string dir = testing::TempDir() + "/dorsel-hashes";
  std::filesystem::remove_all(dir);
  Result r = RunDorsel("--headless --fps 10 --start 20000 --end 20300 --hashes --frames " + dir + " " + kData);
  ASSERT_EQ(r.exitCode, 0) << r.out;
  int lines = 0;
  for (size_t at = r.out.find("frame "); at != std::string::npos; at = r.out.find("frame ", at + 1)) {
    unsigned t = 0;
    unsigned long long hash = 0;
    ASSERT_EQ(std::sscanf(r.out.c_str() + at, "frame %u %llx", &t, &hash), 2) << r.out;
    char name[32];
    std::snprintf(name, sizeof name, "/t%07u.png", t);
    testing_support::RgbImage png = testing_support::ReadRgbPng(dir + name);
    ASSERT_EQ(png.pixels.size(), 512u * 384u) << name;
    uint64_t h = 14695981039346656037ull;
    for (uint32_t p : png.pixels)
      for (int b = 0; b < 4; ++b) h = (h ^ (p >> (8 * b) & 0xFF)) * 1099511628211ull;
    EXPECT_EQ(hash, h) << name;
    ++lines;
  }
  EXPECT_EQ(lines, 4) << r.out;  // 20.0, 20.1, 20.2 and 20.3 s
  // Each of the program's own lines starts a line, after whatever the scene
  // loader said.
  for (const char* own : {"frame 20000 ", "frames 4, last demo time"})
    EXPECT_NE(r.out.find(std::string("\n") + own), std::string::npos) << own << "\n" << r.out;
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

uint32_t Le32(const std::string& bytes, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | uint8_t(bytes[at + size_t(i)]);
  return v;
}

// Recordings on standard output, a reader that goes away, and a closed
// standard output that a recording must not take.
TEST(CommandLine, RecordingsKeepToTheirOwnDescriptors) {
  const std::string dir = testing::TempDir() + "/dorsel-streams";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string dorsel = testing_support::BuiltProgram("dorsel") + " --headless " + kData;
  struct Case {
    const char* name;
    std::string command;  // in bash; its output is the program's status
    int status;
    const char* streamStart;  // how the file "out" begins
    bool wavBeside;           // "side.wav" holds a whole WAV
  };
  const Case cases[] = {
      {"video into a reader", dorsel + " --end 500 --y4m - 2>/dev/null >out", 0, "YUV4MPEG2 W512 H384", false},
      {"sound into a reader", dorsel + " --end 500 --wav - 2>/dev/null | cat >out", 0, "RIFF\xff\xff\xff\xff", false},
      {"a reader that goes away", dorsel + " --end 100000 --y4m - --wav side.wav 2>out | head -c 1000 >/dev/null", 1,
       "", true},
      {"standard output closed", dorsel + " --end 500 --wav side.wav >&- 2>out", 0, "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(dir + "/side.wav");
    Result r = testing_support::RunCommand("cd " + dir + " && bash -c '" + c.command +
                                           "; echo ${PIPESTATUS[0]}' 2>&1");
    EXPECT_EQ(std::atoi(r.out.c_str()), c.status) << r.out;
    std::string out = FileText(dir + "/out");
    const std::string start = c.streamStart;
    EXPECT_EQ(out.substr(0, start.size()), start);
    if (c.status) {
      EXPECT_NE(out.find("cannot write -: Broken pipe"), std::string::npos) << out;
    }
    if (!c.wavBeside) continue;
    std::string wav = FileText(dir + "/side.wav");
    ASSERT_GT(wav.size(), 44u);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(Le32(wav, 40), wav.size() - 44) << "the header counts what the file holds";
    EXPECT_EQ(wav.find("Track object"), std::string::npos) << "the loader's words went into the recording";
  }
}

// With a full-screen --mode the recordings keep what that mode shows.
TEST(CommandLine, RecordingsOfAModeHaveItsSizeAndColours) {
  const std::string dir = testing::TempDir() + "/dorsel-modes";
  struct Case {
    int mode;
    int width, height;
    bool grey;
  };
  for (const Case c : {Case{0, 512, 384, false}, Case{2, 512, 384, true}, Case{5, 640, 480, true}}) {
    SCOPED_TRACE(c.mode);
    std::filesystem::remove_all(dir);
    Result r = RunDorsel("--headless --start 30000 --end 30000 --mode " + std::to_string(c.mode) + " --frames " + dir +
                         " --y4m " + dir + ".y4m " + kData);
    ASSERT_EQ(r.exitCode, 0) << r.out;
    testing_support::RgbImage png = testing_support::ReadRgbPng(dir + "/t0030000.png");
    ASSERT_EQ(png.width, c.width);
    ASSERT_EQ(png.height, c.height);
    int coloured = 0;
    for (uint32_t p : png.pixels) coloured += (p >> 16 & 0xFF) != (p & 0xFF) || (p >> 8 & 0xFF) != (p & 0xFF);
    EXPECT_EQ(coloured == 0, c.grey) << coloured << " coloured pixels";
    EXPECT_EQ(FileText(dir + ".y4m").rfind("YUV4MPEG2 W" + std::to_string(c.width) + " H" + std::to_string(c.height), 0), 0u);
  }
}

TEST(CommandLine, BadArgumentsAreExplainedWithCodeTwo) {
  const char* bad[] = {"--mode 6", "--mode x", "--fps 0", "--mixrate", "--frobnicate", "--every 2",
                       "--headless --start 5000 --end 10", "--data /nonexistent/folder --headless"};
  for (const char* args : bad) {
    Result r = RunDorsel(args);
    EXPECT_EQ(r.exitCode, 2) << args << "\n" << r.out;
    EXPECT_EQ(r.out.rfind("dorsel: ", 0), 0u) << args << "\n" << r.out;
  }
  Result help = RunDorsel("--help");
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("--headless"), std::string::npos);
  Result version = RunDorsel("--version");
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out.rfind("dorsel ", 0), 0u);
}

// Each refusal names what is wrong, so the message is checked too.
TEST(CommandLine, RangesAndConflictsOfTheViewerOptionsAreRefused) {
  struct Case {
    const char* args;
    const char* says;
  };
  const Case cases[] = {
      {"--scale 0", "--scale takes a whole number from 1 to 4, not '0'"},
      {"--scale 5", "--scale takes a whole number from 1 to 4, not '5'"},
      {"--scale", "--scale needs a value"},
      {"--window 0", "--window takes a whole number from 1 to 22, not '0'"},
      {"--window 23", "--window takes a whole number from 1 to 22, not '23'"},
      {"--window two", "--window takes a whole number from 1 to 22, not 'two'"},
      {"--window 3 --start 1000", "--window and --start both say where to begin"},
      {"--start 1000 --window 3", "--window and --start both say where to begin"},
      {"--start 0 --window 1", "--window and --start both say where to begin"},
      {"--window 5 --end 78999", "--end comes before the start of that --window"},
      {"--wav", "--wav needs a value"},
      {"--y4m ''", "--y4m needs a value"},
      {"--wav a.wav --nosound", "--wav records the music, and --nosound has none"},
      {"--wav same --y4m same", "--wav and --y4m name the same file"},
      {"--headless --scale 2", "--scale sizes the window, and --headless has none"},
      {"--windowed --fullscreen", "--windowed and --fullscreen ask for both; give one"},
      {"--fps 30 --fps 30", "--fps is given twice"},
      {"--nosound --headless --nosound", "--nosound is given twice"},
      {"--wav - --y4m -", "--wav - and --y4m - would both write to standard output"},
      {"--hashes", "--hashes runs on the virtual clock: give --headless"},
      {"--y4m a.y4m --scale 3", "--scale sizes the window, and a recording has none"},
      {"--y4m /nonexistent/folder/a.y4m", "cannot write /nonexistent/folder/a.y4m"},
      {"--wav /nonexistent/folder/a.wav", "cannot write /nonexistent/folder/a.wav"},
  };
  for (const Case& c : cases) {
    Result r = RunDorsel(kData + " " + c.args);
    EXPECT_EQ(r.exitCode, 2) << c.args << "\n" << r.out;
    EXPECT_EQ(r.out.rfind("dorsel: ", 0), 0u) << c.args << "\n" << r.out;
    EXPECT_NE(r.out.find(c.says), std::string::npos) << c.args << "\n" << r.out;
  }
  // The edges of the ranges are taken.
  for (const char* ok : {"--headless --window 1 --end 0", "--headless --window 22 --end 231000",
                         "--headless --window 4 --end 57000"}) {
    Result r = RunDorsel(std::string(ok) + " " + kData);
    EXPECT_EQ(r.exitCode, 0) << ok << "\n" << r.out;
  }
}

TEST(CommandLine, ListWindowsPrintsTheTimetableTheDirectorRuns) {
  Result r = RunDorsel("--list-windows");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, TimetableText());
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 22);
  EXPECT_EQ(r.out.rfind(" 1    0.000   20.000  ", 0), 0u) << r.out;
  Result help = RunDorsel("--help");
  for (const char* option : {"--wav", "--y4m", "--scale", "--list-windows", "--window", "F9"})
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
}

// --window N is --start at that window's beginning: the first frame is
// drawn by window N, and the show's music starts there too.
TEST(CommandLine, WindowStartsTheShowAtTheBeginningOfThatWindow) {
  std::string dir = testing::TempDir() + "/dorsel-window";
  for (int w = 1; w <= kScheduleWindows; ++w) {
    SCOPED_TRACE("window " + std::to_string(w));
    std::filesystem::remove_all(dir);
    uint32_t from = kSchedule[size_t(w - 1)].from;
    Result r = RunDorsel("--headless --window " + std::to_string(w) + " --end " + std::to_string(from) +
                         " --frames " + dir + " " + kData);
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find("frames 1, last demo time " + std::to_string(from) + " ms, windows visited 1/22"),
              std::string::npos)
        << r.out;
    char name[32];
    std::snprintf(name, sizeof name, "/t%07u.png", unsigned(from));
    EXPECT_TRUE(std::filesystem::exists(dir + name)) << name;
  }
}

TEST(CommandLine, AMissingSongIsAFailure) {
  Result r = RunDorsel("--headless --data /");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("Fmod ERROR!: File not found: what2xx.it"), std::string::npos) << r.out;
}

}  // namespace

namespace {

std::string SourceFile(const std::string& name) {
  std::ifstream in(std::string(DORSEL_SOURCE_DIR) + "/" + name);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The manual and the README keep up with the program: every option its
// --help names is described in both, and the manual reads without warnings.
TEST(Documentation, TheManualAndTheReadmeDescribeEveryOption) {
  Result help = RunDorsel("--help");
  std::vector<std::string> options;
  std::istringstream lines(help.out);
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("  --", 0) == 0) options.push_back(line.substr(2, line.find(' ', 2) - 2));
  ASSERT_GE(options.size(), 20u) << help.out;
  std::string manual = SourceFile("docs/dorsel.6"), readme = SourceFile("README.md");
  ASSERT_FALSE(manual.empty());
  for (const std::string& o : options) {
    std::string roff;  // roff writes every hyphen of an option as \-
    for (char c : o) roff += c == '-' ? std::string("\\-") : std::string(1, c);
    EXPECT_NE(manual.find(roff), std::string::npos) << o << " is missing from the manual";
    if (o != "--help" && o != "--version") {
      EXPECT_NE(readme.find("`" + o), std::string::npos) << o << " is missing from the README";
    }
  }
  for (const char* key : {"F9", "F11", "F12", "Escape"}) EXPECT_NE(manual.find(key), std::string::npos) << key;
  // The README's excerpt of the timetable is the one the program prints.
  std::string timetable = TimetableText();
  std::string first = timetable.substr(0, timetable.find('\n') + 1);
  std::string last = timetable.substr(timetable.rfind('\n', timetable.size() - 2) + 1);
  EXPECT_NE(readme.find(first), std::string::npos) << first;
  EXPECT_NE(readme.find(last), std::string::npos) << last;

  if (!testing_support::RunCommand("command -v man >/dev/null 2>&1").exitCode) {
    Result man = testing_support::RunCommand("MANWIDTH=80 man --warnings -l " + std::string(DORSEL_SOURCE_DIR) +
                                             "/docs/dorsel.6 2>&1 >/dev/null");
    EXPECT_EQ(man.exitCode, 0);
    EXPECT_EQ(man.out, "") << "man warns";
    Result text = testing_support::RunCommand("MANWIDTH=80 man -l " + std::string(DORSEL_SOURCE_DIR) + "/docs/dorsel.6");
    EXPECT_NE(text.out.find("--list-windows"), std::string::npos) << text.out.substr(0, 400);
  }
}

}  // namespace
