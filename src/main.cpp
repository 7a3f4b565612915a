// dorsel: the command line, then the show's own start-up.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "base/png_writer.h"
#include "director/director.h"
#include "host/headless.h"
#include "host/sdl_backend.h"
#include "host/stop_signal.h"
#include "shell/demo.h"
#include "shell/progress.h"
#include "shell/startup.h"
#include "shell/wav_writer.h"
#include "shell/y4m_writer.h"

namespace {

const char kUsage[] =
    "usage: dorsel [options]\n"
    "Plays the show: 234 seconds of real-time effects in step with its music.\n"
    "\n"
    "  --data DIR       read the data files from DIR (default: the current folder if\n"
    "                   what2xx.it is there, else data/ beside the program, else\n"
    "                   ../share/dorsel beside the program's folder)\n"
    "  --skip-settings  start at once with the choices the settings window preselects\n"
    "                   (so do --headless and every option below that makes a choice)\n"
    "  --windowed       show the frames in a 512x384 window\n"
    "  --fullscreen     show the frames full screen (the default)\n"
    "  --mode N         full-screen video mode 0-5: 512x384 at 32, 24, 8 bits,\n"
    "                   640x480 at 32, 24, 8 bits (default 0)\n"
    "  --nosound        no audio; the wall clock runs the show\n"
    "  --mixrate HZ     mixing rate, 8000-96000 (default 44100)\n"
    "  --no-mmx         use the plain code paths only\n"
    "  --headless       no window and no audio device: frames are drawn off-screen\n"
    "                   on a virtual clock (implies --skip-settings)\n"
    "  --fps N          headless frames per second of demo time (default 60)\n"
    "  --benchmark      with --headless: run the whole show as fast as it goes,\n"
    "                   write nothing, print each window's frame times (median\n"
    "                   and 95th percentile), frames/s, peak memory and loading\n"
    "  --start MS       begin the show, music included, at this demo time\n"
    "  --end MS         close the show once the demo time reaches MS\n"
    "  --hashes         with --headless: print 'frame T HASH' for every frame shown\n"
    "                   (T the demo time in ms, HASH the frame's 64-bit FNV-1a)\n"
    "  --frames DIR     write the frames the show draws as DIR/tNNNNNNN.png (demo\n"
    "                   time in ms, seven digits)\n"
    "  --every N        with --frames, write every Nth frame (default 1)\n"
    "  --wav FILE       record the music as the show hears it, from the first frame\n"
    "                   on, as a 16-bit stereo WAV (implies --headless)\n"
    "  --y4m FILE       record every frame as a YUV4MPEG2 video at the --fps rate\n"
    "                   (implies --headless)\n"
    "  --scale N        open the window N times 512x384, 1-4 (default 1)\n"
    "  --list-windows   print the show's timetable: window, start and end in\n"
    "                   seconds, what it shows\n"
    "  --window N       begin at the start of window N (1-22), music included\n"
    "  --help           show this text\n"
    "  --version        show the version\n"
    "\n"
    "Keys: Escape or F12 end the show, F11 switches between window and full screen,\n"
    "F9 saves what is on the screen as dorsel-TTTTTTT.png (demo time in ms),\n"
    "Space holds the show and goes on, PageDown and PageUp start the next and the\n"
    "previous window afresh, music included.\n";

struct Options {
  std::string dataDir;
  bool skipSettings = false, headless = false, noSound = false, noMmx = false;
  bool benchmark = false, hashes = false;
  int windowed = -1, mode = -1, mixRate = -1, fps = 60, every = 1;  // -1: not given
  long start = 0, end = -1;
  std::string framesDir;
  std::string wavFile, y4mFile;
  int scale = 1;
  int window = 0;  // 1..22 when --window was given
};

[[noreturn]] void BadArgument(const std::string& text) {
  std::fprintf(stderr, "dorsel: %s\nTry 'dorsel --help'.\n", text.c_str());
  std::exit(2);
}

long Number(int& i, int argc, char** argv, long lo, long hi) {
  std::string name = argv[i];
  if (i + 1 >= argc) BadArgument(name + " needs a value");
  const char* text = argv[++i];
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(text, &end, 10);
  if (errno || end == text || *end != '\0' || v < lo || v > hi)
    BadArgument(name + " takes a whole number from " + std::to_string(lo) + " to " +
                std::to_string(hi) + ", not '" + text + "'");
  return v;
}

std::string Text(int& i, int argc, char** argv) {
  if (i + 1 >= argc || argv[i + 1][0] == '\0') BadArgument(std::string(argv[i]) + " needs a value");
  return argv[++i];
}

Options Parse(int argc, char** argv) {
  Options o;
  bool everyGiven = false, startGiven = false, scaleGiven = false;
  std::set<std::string> given;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    // A second time could only contradict the first or repeat it.
    if (a.rfind("--", 0) == 0 && !given.insert(a).second) BadArgument(a + " is given twice");
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    } else if (a == "--version") {
      std::printf("dorsel %s\n", DORSEL_VERSION);
      std::exit(0);
    } else if (a == "--data") o.dataDir = Text(i, argc, argv);
    else if (a == "--skip-settings") o.skipSettings = true;
    else if (a == "--windowed") o.windowed = 1;
    else if (a == "--fullscreen") o.windowed = 0;
    else if (a == "--mode") o.mode = int(Number(i, argc, argv, 0, 5));
    else if (a == "--nosound") o.noSound = true;
    else if (a == "--mixrate") o.mixRate = int(Number(i, argc, argv, 8000, 96000));
    else if (a == "--no-mmx") o.noMmx = true;
    else if (a == "--headless") o.headless = true;
    else if (a == "--fps") o.fps = int(Number(i, argc, argv, 1, 1000));
    else if (a == "--benchmark") o.benchmark = true;
    else if (a == "--hashes") o.hashes = true;
    else if (a == "--start") { o.start = Number(i, argc, argv, 0, 234000); startGiven = true; }
    else if (a == "--end") o.end = Number(i, argc, argv, 0, 1000000);
    else if (a == "--frames") o.framesDir = Text(i, argc, argv);
    else if (a == "--every") { o.every = int(Number(i, argc, argv, 1, 1000000)); everyGiven = true; }
    else if (a == "--wav") o.wavFile = Text(i, argc, argv);
    else if (a == "--y4m") o.y4mFile = Text(i, argc, argv);
    else if (a == "--scale") { o.scale = int(Number(i, argc, argv, 1, 4)); scaleGiven = true; }
    else if (a == "--window") o.window = int(Number(i, argc, argv, 1, kScheduleWindows));
    else if (a == "--list-windows") {
      std::fputs(TimetableText().c_str(), stdout);
      std::exit(0);
    }
    else BadArgument("unknown option '" + a + "'");
  }
  if (given.count("--windowed") && given.count("--fullscreen"))
    BadArgument("--windowed and --fullscreen ask for both; give one");
  if (o.wavFile == "-" && o.y4mFile == "-") BadArgument("--wav - and --y4m - would both write to standard output");
  if (everyGiven && o.framesDir.empty()) BadArgument("--every needs --frames");
  if (o.window && startGiven) BadArgument("--window and --start both say where to begin; give one");
  if (o.window) o.start = long(kSchedule[o.window - 1].from);
  if (o.end >= 0 && o.end < o.start)
    BadArgument(o.window ? "--end comes before the start of that --window" : "--end comes before --start");
  // A recording is made on the virtual clock, frame by frame.
  bool recording = !o.wavFile.empty() || !o.y4mFile.empty();
  if (!o.wavFile.empty() && o.noSound) BadArgument("--wav records the music, and --nosound has none");
  if (!o.wavFile.empty() && o.wavFile == o.y4mFile) BadArgument("--wav and --y4m name the same file");
  if (recording) o.headless = true;
  if (scaleGiven && o.headless)
    BadArgument(std::string("--scale sizes the window, and ") +
                (recording ? "a recording" : "--headless") + " has none");
  if (o.benchmark && !o.headless) BadArgument("--benchmark runs on the virtual clock: give --headless");
  if (o.benchmark && (recording || !o.framesDir.empty() || o.hashes))
    BadArgument("--benchmark writes nothing; leave out --frames, --hashes, --wav and --y4m");
  if (o.hashes && !o.headless) BadArgument("--hashes runs on the virtual clock: give --headless");
  if (o.headless) o.skipSettings = true;
  // An option that makes a choice answers the settings window for the viewer.
  if (o.windowed >= 0 || o.mode >= 0 || o.noSound || o.mixRate >= 0 || o.noMmx) o.skipSettings = true;
  return o;
}

// Runs after each frame: the frame may be written out and recorded, a
// headless run's virtual time moves on by one frame (and the sound heard
// meanwhile is recorded), and --end closes the show.
struct FrameDriver {
  FrameDriver(Demo& d, host::HeadlessBackend* h, const Options& o) : demo(d), headless(h), options(o) {}
  Demo& demo;
  host::HeadlessBackend* headless;  // null on the desktop
  const Options& options;
  long frames = 0;
  long lastPresents = 0;
  bool writeFailed = false;
  WavWriter wav;
  Y4mWriter y4m;
  std::unique_ptr<ProgressMeter> progress;

  void AfterFrame() {
    uint32_t t = demo.clock.DemoTimeMs;
    bool presented = demo.display.presents != lastPresents;
    lastPresents = demo.display.presents;
    if (!options.framesDir.empty() && presented && frames % options.every == 0 && !writeFailed)
      WriteFrame(t);
    if (options.hashes && presented && demo.target.pixels)
      std::printf("frame %u %016llx\n", unsigned(t), static_cast<unsigned long long>(FrameHash(demo.target.pixels)));
    // The recordings take one frame's worth of picture and sound for every
    // frame of the show's 234 seconds, so frame k and sample k · rate / fps
    // stay together however the run goes.
    bool inShow = t < kDemoEndMs && !writeFailed;
    if (y4m.IsOpen() && inShow && demo.target.pixels) {
      host::Picture shown;
      const uint32_t* pixels = ShowsMode() && Shown(&shown) ? shown.pixels.data() : demo.target.pixels;
      if (!y4m.WriteFrame(pixels)) Failed(options.y4mFile);
    }
    ++frames;
    if (progress) progress->Frame(ScheduleWindow(t), t);
    if (options.end >= 0 && t >= uint32_t(options.end))
      demo.platform.windows.PostMessage(demo.MainWindow, host::WM_CLOSE, 0, 0);
    if (headless) headless->AdvanceFrame();
    // What was heard while this frame was on the screen.
    if (headless && wav.IsOpen() && inShow)
      headless->TakeHeardAudio([this](const int16_t* s, int n) {
        if (!wav.Write(s, n)) Failed(options.wavFile);
      });
  }

  void Failed(const std::string& path) {
    if (writeFailed) return;
    std::fprintf(stderr, "dorsel: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
    writeFailed = true;
    demo.platform.windows.PostMessage(demo.MainWindow, host::WM_CLOSE, 0, 0);
  }

  // The 512 × 384 frame as the show drew it, before any mode conversion.
  // With a full-screen --mode a recording keeps what that mode shows: its
  // size, with the frame centred, and grey in the 8-bit modes.
  bool ShowsMode() const { return options.mode >= 0 && options.windowed != 1; }
  bool Shown(host::Picture* picture) {
    return demo.platform.backend->ShownPicture(demo.MainWindow, picture) &&
           picture->width == kVideoModes[options.mode].width && picture->height == kVideoModes[options.mode].height;
  }

  // The 512 × 384 frame as the show drew it, or the mode's picture.
  void WriteFrame(uint32_t t) {
    const uint32_t* pixels = demo.target.pixels;
    if (!pixels) return;
    char name[32];
    std::snprintf(name, sizeof name, "/t%07u.png", unsigned(t));
    std::string path = options.framesDir + name;
    host::Picture shown;
    bool ok = ShowsMode() && Shown(&shown) ? WritePng(path, shown.pixels.data(), shown.width, shown.height)
                                           : WritePng(path, pixels, kFrameWidth, kFrameHeight);
    if (!ok) Failed(path);
  }
};

// --benchmark: the time of every frame on the steady clock, gathered by the
// window that drew it. A frame's time runs from the end of the frame before
// to the end of its own, so nothing between frames goes uncounted; the first
// frame closes the loading time instead.
struct FrameTimer {
  using Clock = std::chrono::steady_clock;
  Clock::time_point started = Clock::now(), last;
  double loadingMs = -1;
  long frames = 0;
  double totalUs = 0;
  // The processor time of the frames alone: on a shared machine the wall
  // clock also counts the time other programs had the processor.
  double cpuAtFirstFrame = 0;

  static double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  }
  std::array<std::vector<float>, kScheduleWindows + 1> perWindow;  // index 0: past the schedule

  void Frame(uint32_t demoTimeMs) {
    Clock::time_point now = Clock::now();
    if (loadingMs < 0) {
      loadingMs = std::chrono::duration<double, std::milli>(now - started).count();
      cpuAtFirstFrame = CpuSeconds();
    } else {
      double us = std::chrono::duration<double, std::micro>(now - last).count();
      int w = ScheduleWindow(demoTimeMs);
      perWindow[w >= 1 && w <= kScheduleWindows ? w : 0].push_back(float(us));
      totalUs += us;
      ++frames;
    }
    last = now;
  }

  static float Percentile(std::vector<float> v, double p) {
    size_t k = std::min(v.size() - 1, size_t(p * double(v.size())));
    std::nth_element(v.begin(), v.begin() + long(k), v.end());
    return v[k];
  }

  void Print() const {
    std::printf("window  frames  median_us   p95_us\n");
    for (int w = 1; w <= kScheduleWindows; ++w) {
      const std::vector<float>& v = perWindow[size_t(w)];
      if (v.empty()) continue;
      std::printf("%6d  %6zu  %9.1f  %7.1f\n", w, v.size(), double(Percentile(v, 0.5)),
                  double(Percentile(v, 0.95)));
    }
    double cpu = CpuSeconds() - cpuAtFirstFrame;
    std::printf("processor time: %.2f s for %ld frames, %.0f frames/s\n", cpu, frames,
                cpu > 0 ? double(frames) / cpu : 0.0);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);  // ru_maxrss is in KiB on this system
    std::printf("overall: %.0f frames/s, peak RSS %.1f MiB, loading %.0f ms\n",
                totalUs > 0 ? frames * 1e6 / totalUs : 0.0, double(usage.ru_maxrss) / 1024,
                loadingMs < 0 ? 0.0 : loadingMs);
  }
};

}  // namespace

// Output files are named from where the program was started, not from the
// data folder it reads from.
std::string FromStartFolder(const std::string& path) {
  if (path.empty() || path == "-") return path;
  std::error_code ec;
  std::filesystem::path full = std::filesystem::absolute(path, ec);
  return ec ? path : full.string();
}

// "-" is standard output: the recording takes it over, and whatever the
// program says from then on goes to standard error.
std::FILE* OpenOutput(const std::string& path) {
  if (path != "-") return std::fopen(path.c_str(), "wb");
  std::fflush(stdout);
  int fd = dup(STDOUT_FILENO);
  std::FILE* file = fd >= 0 ? fdopen(fd, "wb") : nullptr;
  if (file) dup2(STDERR_FILENO, STDOUT_FILENO);
  return file;
}

// The loaders read plain names, so the program moves into the data folder:
// the one given with --data; else the current folder when the module is there,
// as the original had it; else data/ beside the program (a build); else
// ../share/dorsel beside the program's folder (an install). Returns the exit
// code when there is none.
int EnterDataFolder(const std::string& given) {
  if (!given.empty()) {
    if (chdir(given.c_str()) == 0) return 0;
    std::fprintf(stderr, "dorsel: cannot open the data folder %s: %s\n", given.c_str(), std::strerror(errno));
    return 2;
  }
  namespace fs = std::filesystem;
  std::error_code ec;
  std::vector<fs::path> folders{fs::current_path(ec)};
  if (ec) folders[0] = ".";
  fs::path program = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    folders.push_back(program.parent_path() / "data");
    folders.push_back((program.parent_path().parent_path() / "share/dorsel").lexically_normal());
  }
  std::string tried;
  for (const fs::path& folder : folders) {
    if (fs::is_regular_file(folder / "what2xx.it", ec) && chdir(folder.c_str()) == 0) return 0;
    tried += (tried.empty() ? "" : ", ") + folder.string();
  }
  std::fprintf(stderr, "dorsel: no data: what2xx.it is in none of %s; give the folder with --data DIR\n",
               tried.c_str());
  return 1;
}

int main(int argc, char** argv) {
  FrameTimer timer;  // loading is timed from here, the program's start
  // Standard input, output and error that were closed are opened on
  // /dev/null first, so that no file opened later takes their place and
  // receives what was meant for them.
  for (int fd = 0; fd <= 2; ++fd)
    if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
  // A reader that goes away fails the write, which is reported, and the
  // other recordings are closed properly.
  std::signal(SIGPIPE, SIG_IGN);
  Options options = Parse(argc, argv);
  host::CatchStopSignals();
  options.framesDir = FromStartFolder(options.framesDir);
  options.wavFile = FromStartFolder(options.wavFile);
  options.y4mFile = FromStartFolder(options.y4mFile);
  std::error_code cwdError;
  std::string startFolder = std::filesystem::current_path(cwdError).string();
  if (int code = EnterDataFolder(options.dataDir)) return code;
  if (!options.framesDir.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(options.framesDir, ec);
    if (ec) {
      std::fprintf(stderr, "dorsel: cannot create %s: %s\n", options.framesDir.c_str(),
                   ec.message().c_str());
      return 2;
    }
  }

  std::unique_ptr<host::Platform> platform;
  if (options.headless) {
    platform = host::MakeHeadlessPlatform(options.fps);
  } else {
    std::string error;
    platform = host::MakeSdlPlatform(&error);
    if (platform) {
      // A window larger than the screen could not be seen whole: the largest
      // whole scale that fits is taken instead, and said so.
      host::Rect desktop = platform->backend->DesktopRect();
      int fits = std::max(1, std::min(desktop.Width() / kFrameWidth, desktop.Height() / kFrameHeight));
      if (options.scale > fits)
        std::fprintf(stderr, "dorsel: a window at --scale %d does not fit the %dx%d screen; using --scale %d\n",
                     options.scale, desktop.Width(), desktop.Height(), fits);
      host::Sdl(*platform).windowScale = std::min(options.scale, fits);
    }
    if (!platform) {
      std::fprintf(stderr,
                   "dorsel: cannot open a display: %s\n"
                   "Without a screen, run with --headless to draw the show off-screen "
                   "(--frames DIR writes the frames as PNG files).\n",
                   error.c_str());
      return 1;
    }
  }
  Demo demo(*platform);
  demo.skipSettings = options.skipSettings;
  demo.choices.windowed = options.windowed;
  demo.choices.videoMode = options.mode;
  demo.choices.mixRate = options.mixRate;
  if (options.noSound) demo.choices.noSound = 1;
  if (options.noMmx) demo.choices.useMmx = 0;
  demo.startOffsetMs = uint32_t(options.start);
  platform->player.SetStartOffsetMs(uint32_t(options.start));
  demo.screenshots.folder = startFolder;

  FrameDriver run{demo, options.headless ? &host::Headless(*platform) : nullptr, options};
  if (!options.wavFile.empty() && !run.wav.Open(OpenOutput(options.wavFile), options.mixRate > 0 ? options.mixRate : kMixRates[0])) {
    std::fprintf(stderr, "dorsel: cannot write %s: %s\n", options.wavFile.c_str(), std::strerror(errno));
    return 2;
  }
  if (!options.y4mFile.empty() &&
      !run.y4m.Open(OpenOutput(options.y4mFile), run.ShowsMode() ? kVideoModes[options.mode].width : kFrameWidth,
                    run.ShowsMode() ? kVideoModes[options.mode].height : kFrameHeight, options.fps)) {
    std::fprintf(stderr, "dorsel: cannot write %s: %s\n", options.y4mFile.c_str(), std::strerror(errno));
    return 2;
  }
  if (options.headless && isatty(STDERR_FILENO) && !options.benchmark) {
    uint32_t to = options.end >= 0 ? uint32_t(std::min<long>(options.end, kDemoEndMs)) : kDemoEndMs;
    run.progress = std::make_unique<ProgressMeter>(stderr, uint32_t(options.start), to);
  }
  Driver driver;
  driver.afterFrame = [&run] { run.AfterFrame(); };
  if (options.benchmark)
    driver.afterFrame = [&run, &timer, &demo] {
      timer.Frame(demo.clock.DemoTimeMs);
      run.AfterFrame();
    };
  int code = WinMain(demo, host::SW_SHOWNORMAL, driver);
  if (run.progress) run.progress->Finish();
  demo.screenshots.Wait();
  if (!run.wav.Close() && !run.writeFailed) run.Failed(options.wavFile);
  if (!run.y4m.Close() && !run.writeFailed) run.Failed(options.y4mFile);
  // Ended by a signal: in order, as above, and then as the shell expects.
  if (int signal = host::StopSignal()) return 128 + signal;
  // "Exit" in the settings window, or closing it, is no failure.
  if (demo.settingsControls.window && !demo.settings.startRequested) return code;
  if (driver.shutdowns == 0) return 1;  // the show never ran; the reason was shown
  if (options.headless)
    std::printf("frames %ld, last demo time %u ms, windows visited %d/%d\n", run.frames,
                unsigned(demo.clock.DemoTimeMs), WindowsVisited(demo.director), kScheduleWindows);
  if (options.benchmark) timer.Print();
  // A display that failed after the show had started ends it as a failure.
  return run.writeFailed || demo.display.failures ? 1 : code;
}
