// The program as a user runs it from the command line: what it refuses and
// prints, where it begins, its recordings' descriptors, the benchmark, and
// the manual and README that describe it.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "director/director.h"
#include "support/process.h"

namespace {

namespace fs = std::filesystem;
using testing_support::FileText;
using testing_support::Outcome;
using testing_support::RunDorsel;

const std::string kData = " --data " + testing_support::DataDir();

// Each refusal exits with 2 and names what is wrong after the program's name.
TEST(CommandLine, RangesAndConflictsOfTheViewerOptionsAreRefused) {
  const std::pair<const char*, const char*> cases[] = {
      {"--mode 6", "--mode takes a whole number from 0 to 5, not '6'"}, {"--frobnicate", "unknown option '--frobnicate'"},
      {"--mode x", "--mode takes a whole number from 0 to 5, not 'x'"}, {"--every 2", "--every needs --frames"},
      {"--fps 0", "--fps takes a whole number from 1 to 1000, not '0'"}, {"--scale", "--scale needs a value"},
      {"--fps 1001", "--fps takes a whole number from 1 to 1000, not '1001'"}, {"--wav", "--wav needs a value"},
      {"--mixrate 7999", "--mixrate takes a whole number from 8000 to 96000, not '7999'"},
      {"--y4m ''", "--y4m needs a value"}, {"--wav same --y4m same", "--wav and --y4m name the same file"},
      {"--mixrate 96001", "--mixrate takes a whole number from 8000 to 96000, not '96001'"},
      {"--start 234001", "--start takes a whole number from 0 to 234000, not '234001'"},
      {"--every 0 --frames x", "--every takes a whole number from 1 to 1000000, not '0'"},
      {"--end 1000001", "--end takes a whole number from 0 to 1000000, not '1000001'"},
      {"--headless --frames /dev/null/x", "cannot create /dev/null/x"},
      {"--headless --start 5000 --end 10", "--end comes before --start"},
      {"--data /nonexistent/folder --headless", "cannot open the data folder /nonexistent/folder"},
      {"--scale 0", "--scale takes a whole number from 1 to 4, not '0'"},
      {"--scale 5", "--scale takes a whole number from 1 to 4, not '5'"},
      {"--window 0", "--window takes a whole number from 1 to 22, not '0'"},
      {"--window 23", "--window takes a whole number from 1 to 22, not '23'"},
      {"--window two", "--window takes a whole number from 1 to 22, not 'two'"},
      {"--window 3 --start 1000", "--window and --start both say where to begin"},
      {"--start 1000 --window 3", "--window and --start both say where to begin"},
      {"--start 0 --window 1", "--window and --start both say where to begin"},
      {"--window 5 --end 78999", "--end comes before the start of that --window"},
      {"--wav a.wav --nosound", "--wav records the music, and --nosound has none"},
      {"--headless --scale 2", "--scale sizes the window, and --headless has none"},
      {"--y4m a.y4m --scale 3", "--scale sizes the window, and a recording has none"},
      {"--windowed --fullscreen", "--windowed and --fullscreen ask for both; give one"},
      {"--fps 30 --fps 30", "--fps is given twice"}, {"--nosound --headless --nosound", "--nosound is given twice"},
      {"--wav - --y4m -", "--wav - and --y4m - would both write to standard output"},
      {"--hashes", "--hashes runs on the virtual clock: give --headless"},
      {"--y4m /nonexistent/folder/a.y4m", "cannot write /nonexistent/folder/a.y4m"},
      {"--wav /nonexistent/folder/a.wav", "cannot write /nonexistent/folder/a.wav"},
      {"--benchmark", "--benchmark runs on the virtual clock: give --headless"},
      {"--benchmark --nosound", "--benchmark runs on the virtual clock: give --headless"},
      {"--headless --benchmark --frames /tmp/x", "--benchmark writes nothing"},
      {"--benchmark --y4m a.y4m", "--benchmark writes nothing"},
      {"--headless --benchmark --wav a.wav", "--benchmark writes nothing"},
  };
  for (const auto& [args, says] : cases) {
    Outcome r = RunDorsel(args);
    EXPECT_EQ(r.exitCode, 2) << args << "\n" << r.out;
    EXPECT_EQ(r.out.rfind(std::string("dorsel: ") + says, 0), 0u) << args << "\n" << r.out;
  }
}

// The timetable's own layout is held by the director's schedule test.
TEST(CommandLine, ListWindowsPrintsTheTimetableTheDirectorRuns) {
  Outcome list = RunDorsel("--list-windows"), version = RunDorsel("--version");
  EXPECT_EQ(std::make_tuple(list.exitCode, list.out), std::make_tuple(0, TimetableText()));
  EXPECT_EQ(std::make_pair(version.exitCode, version.out.rfind("dorsel ", 0)), std::make_pair(0, size_t(0)));
}

// --window N is --start at that window's beginning: the first frame is
// drawn by window N, and written as the frame of that time.
TEST(CommandLine, WindowStartsTheShowAtTheBeginningOfThatWindow) {
  for (int w = 1; w <= kScheduleWindows; ++w) {
    SCOPED_TRACE("window " + std::to_string(w));
    const std::string dir = testing_support::FreshFolder("window"), from = std::to_string(kSchedule[size_t(w - 1)].from);
    Outcome r = RunDorsel("--headless --window " + std::to_string(w) + " --end " + from + " --frames " + dir + kData);
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find("frames 1, last demo time " + from + " ms, windows visited 1/22"), std::string::npos) << r.out;
    EXPECT_TRUE(fs::exists(dir + "/t" + std::string(7 - from.size(), '0') + from + ".png"));
    fs::remove_all(dir);
  }
}

// Recordings on standard output, a reader that goes away, a full disk, and
// a closed standard output that a recording must not take. A failed write
// is reported and ends the program with 1, the other recording closed whole.
TEST(CommandLine, RecordingsKeepToTheirOwnDescriptors) {
  const std::string dir = testing_support::FreshFolder("streams");
  const std::string dorsel = testing_support::BuiltProgram("dorsel") + " --headless" + kData;
  // command: in bash, its output the program's status; out: how the file
  // "out" begins; says: what a failure is reported as; side.wav: a whole WAV.
  struct Case { const char* name; std::string command, out, says; bool wavBeside; };
  const Case cases[] = {
      {"video into a reader", dorsel + " --end 500 --y4m - 2>/dev/null >out", "YUV4MPEG2 W512 H384", "", false},
      {"sound into a reader", dorsel + " --end 500 --wav - 2>/dev/null | cat >out", "RIFF\xff\xff\xff\xff", "", false},
      {"a reader that goes away", dorsel + " --end 100000 --y4m - --wav side.wav 2>out | head -c 1000 >/dev/null", "",
       "dorsel: cannot write -: Broken pipe", true},
      {"a full disk", dorsel + " --end 100000 --wav /dev/full --y4m side.y4m >/dev/null 2>out", "",
       "dorsel: cannot write /dev/full: No space left on device", false},
      {"standard output closed", dorsel + " --end 500 --wav side.wav >&- 2>out", "", "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(dir + "/side.wav");
    Outcome r = testing_support::RunCommand("cd " + dir + " && bash -c '" + c.command + "; echo ${PIPESTATUS[0]}'");
    EXPECT_EQ(std::atoi(r.out.c_str()), c.says.empty() ? 0 : 1) << r.out;
    std::string out = FileText(dir + "/out");
    EXPECT_EQ(out.substr(0, c.out.size()), c.out);
    EXPECT_EQ(out.find(c.says.empty() ? "cannot write" : c.says) != std::string::npos, !c.says.empty()) << out;
    if (!c.wavBeside) continue;
    std::string wav = FileText(dir + "/side.wav");
    ASSERT_GT(wav.size(), 44u);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    uint32_t data = 0;
    for (int i = 3; i >= 0; --i) data = data << 8 | uint8_t(wav[40 + size_t(i)]);
    EXPECT_EQ(data, wav.size() - 44) << "the header counts what the file holds";
    EXPECT_EQ(wav.find("Track object"), std::string::npos) << "the loader's words went into the recording";
  }
  fs::remove_all(dir);
}

// --headless --benchmark: a table of the windows drawn, the processor
// time, a last "overall" line, and nothing written.
TEST(BenchmarkMode, PrintsEachWindowDrawnThenTheOverallLine) {
  const std::string dir = testing_support::FreshFolder("benchmark");
  // Windows 21 and 22 only: 3 s at 30 fps from 228 s, then 3 s more.
  Outcome r = RunDorsel("--headless --benchmark --fps 30 --start 228000 --end 233999" + kData, dir);
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_TRUE(fs::is_empty(dir)) << "a benchmark writes nothing";
  // Window 22 starts at 231 s: 90 frames before it (the first one timed as
  // loading, not as a frame), 90 in it up to 233967 ms, and the frame at
  // 234 s that the --end closes on, timed but in no window.
  double w[2][4], cpu = -1, fps = 0, rss = 0, loading = -1;
  long frames = 0;
  ASSERT_EQ(std::sscanf(r.out.c_str() + r.out.find("window  frames"),
                        "window frames median_us p95_us %lf %lf %lf %lf %lf %lf %lf %lf processor time: %lf s for %ld "
                        "frames, %*f frames/s overall: %lf frames/s, peak RSS %lf MiB, loading %lf ms",
                        &w[0][0], &w[0][1], &w[0][2], &w[0][3], &w[1][0], &w[1][1], &w[1][2], &w[1][3], &cpu, &frames,
                        &fps, &rss, &loading), 13) << r.out;
  EXPECT_EQ(std::vector<double>({w[0][0], w[0][1], w[1][0], w[1][1]}), std::vector<double>({21, 89, 22, 90}));
  for (auto& row : w) EXPECT_TRUE(row[2] > 0 && row[3] >= row[2]) << row[0];
  EXPECT_EQ(frames, 89 + 90 + 1);
  EXPECT_TRUE(cpu >= 0 && fps > 0 && loading > 0) << r.out;
  EXPECT_GT(rss, 1) << "the frame buffer alone is more than a MiB";
  fs::remove_all(dir);
}

// The manual and the README keep up with the program: every option its
// --help names, and every key, is described in both, the README's excerpt
// of the timetable is the one the program prints, and the manual reads
// without warnings.
TEST(Documentation, TheManualAndTheReadmeDescribeEveryOption) {
  Outcome help = RunDorsel("--help");
  EXPECT_EQ(help.exitCode, 0);
  std::vector<std::string> options;
  std::istringstream lines(help.out);
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("  --", 0) == 0) options.push_back(line.substr(2, line.find(' ', 2) - 2));
  ASSERT_GE(options.size(), 20u) << help.out;
  const std::string manual = FileText(DORSEL_SOURCE_DIR "/docs/dorsel.6"), readme = FileText(DORSEL_SOURCE_DIR "/README.md");
  for (const std::string& o : options) {
    std::string roff;  // roff writes every hyphen of an option as \-
    for (char c : o) roff += c == '-' ? std::string("\\-") : std::string(1, c);
    EXPECT_NE(manual.find(roff), std::string::npos) << o << " is missing from the manual";
    EXPECT_TRUE(o == "--help" || o == "--version" || readme.find("`" + o) != std::string::npos) << o << ", README";
  }
  for (const char* key : {"F9", "F11", "F12", "Escape"})
    EXPECT_TRUE(manual.find(key) != std::string::npos && help.out.find(key) != std::string::npos) << key;
  const std::string timetable = TimetableText();
  EXPECT_NE(readme.find(timetable.substr(0, timetable.find('\n') + 1)), std::string::npos);
  EXPECT_NE(readme.find(timetable.substr(timetable.rfind('\n', timetable.size() - 2) + 1)), std::string::npos);
  if (!testing_support::RunCommand("command -v man >/dev/null 2>&1").exitCode) {
    Outcome man =
        testing_support::RunCommand("MANWIDTH=80 man --warnings -l " DORSEL_SOURCE_DIR "/docs/dorsel.6 2>&1 >/dev/null");
    EXPECT_EQ(man.exitCode, 0);
    EXPECT_EQ(man.out, "") << "man warns";
  }
}

}  // namespace
