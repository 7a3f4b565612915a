// dorsel: the command line, then the show's own start-up.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "host/headless.h"
#include "host/sdl_backend.h"
#include "shell/demo.h"
#include "shell/png_writer.h"
#include "shell/startup.h"

namespace {

const char kUsage[] =
    "usage: dorsel [options]\n"
    "Plays the show: 234 seconds of real-time effects in step with its music.\n"
    "\n"
    "  --data DIR       read the data files from DIR (default: the current folder)\n"
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
    "  --start MS       begin the show, music included, at this demo time\n"
    "  --end MS         close the show once the demo time reaches MS\n"
    "  --frames DIR     write the frames the show draws as DIR/tNNNNNNN.png (demo\n"
    "                   time in ms, seven digits)\n"
    "  --every N        with --frames, write every Nth frame (default 1)\n"
    "  --help           show this text\n"
    "  --version        show the version\n"
    "\n"
    "Keys: Escape or F12 end the show, F11 switches between window and full screen.\n";

struct Options {
  std::string dataDir;
  bool skipSettings = false, headless = false, noSound = false, noMmx = false;
  int windowed = -1, mode = -1, mixRate = -1, fps = 60, every = 1;  // -1: not given
  long start = 0, end = -1;
  std::string framesDir;
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
  bool everyGiven = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
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
    else if (a == "--start") o.start = Number(i, argc, argv, 0, 234000);
    else if (a == "--end") o.end = Number(i, argc, argv, 0, 1000000);
    else if (a == "--frames") o.framesDir = Text(i, argc, argv);
    else if (a == "--every") { o.every = int(Number(i, argc, argv, 1, 1000000)); everyGiven = true; }
    else BadArgument("unknown option '" + a + "'");
  }
  if (everyGiven && o.framesDir.empty()) BadArgument("--every needs --frames");
  if (o.end >= 0 && o.end < o.start) BadArgument("--end comes before --start");
  if (o.headless) o.skipSettings = true;
  // An option that makes a choice answers the settings window for the viewer.
  if (o.windowed >= 0 || o.mode >= 0 || o.noSound || o.mixRate >= 0 || o.noMmx) o.skipSettings = true;
  return o;
}

// Runs after each frame: a headless run's virtual time moves on by one
// frame, the frame may be written out, and --end closes the show.
struct FrameDriver {
  Demo& demo;
  host::HeadlessBackend* headless;  // null on the desktop
  const Options& options;
  long frames = 0;
  long lastPresents = 0;
  bool writeFailed = false;

  void AfterFrame() {
    uint32_t t = demo.clock.DemoTimeMs;
    bool presented = demo.presents != lastPresents;
    lastPresents = demo.presents;
    if (!options.framesDir.empty() && presented && frames % options.every == 0 && !writeFailed)
      WriteFrame(t);
    ++frames;
    if (options.end >= 0 && t >= uint32_t(options.end))
      demo.platform.windows.PostMessage(demo.MainWindow, host::WM_CLOSE, 0, 0);
    if (headless) headless->AdvanceFrame();
  }

  // The 512 × 384 frame as the show drew it, before any mode conversion.
  void WriteFrame(uint32_t t) {
    const uint32_t* pixels = demo.target.pixels;
    if (!pixels) return;
    char name[32];
    std::snprintf(name, sizeof name, "/t%07u.png", unsigned(t));
    std::string path = options.framesDir + name;
    if (!WritePng(path, pixels, kFrameWidth, kFrameHeight)) {
      std::fprintf(stderr, "dorsel: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
      writeFailed = true;
      demo.platform.windows.PostMessage(demo.MainWindow, host::WM_CLOSE, 0, 0);
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  Options options = Parse(argc, argv);
  if (!options.dataDir.empty() && chdir(options.dataDir.c_str()) != 0) {
    std::fprintf(stderr, "dorsel: cannot open the data folder %s: %s\n", options.dataDir.c_str(),
                 std::strerror(errno));
    return 2;
  }
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

  FrameDriver run{demo, options.headless ? &host::Headless(*platform) : nullptr, options};
  demo.afterFrame = [&run] { run.AfterFrame(); };
  int code = WinMain(demo, host::SW_SHOWNORMAL);
  // "Exit" in the settings window, or closing it, is no failure.
  if (demo.settingsControls.window && !demo.settings.startRequested) return code;
  if (demo.shutdowns == 0) return 1;  // the show never ran; the reason was shown
  if (options.headless)
    std::printf("frames %ld, last demo time %u ms, windows visited %d/%d\n", run.frames,
                unsigned(demo.clock.DemoTimeMs), WindowsVisited(demo.director), kScheduleWindows);
  return run.writeFailed ? 1 : code;
}
