// dorsel-hashes: the whole show headless on the virtual clock, one line per
// frame handed to the display:
//
//   frame T HASH
//
// T is the demo time in ms, HASH the 64-bit FNV-1a of the 512 x 384 frame as
// the show drew it (each pixel a little-endian 32-bit word), in lowercase
// hex. The same program built for the desktop and for WebAssembly must print
// the same lines: that is how a build for another machine proves it draws
// the show's very pixels. With --audio a last line
//
//   audio N HASH
//
// gives the FNV-1a of the N stereo frames of 16-bit sound heard meanwhile.
// The show's loading messages go to standard output too, and its last one
// ends without a line break; --out FILE keeps the hash lines to themselves.
// --raw T FILE writes the frame of demo time T as it was hashed (the bytes
// of its pixels), to find where two builds part. --no-hash draws the show
// and hashes nothing, to time the drawing alone.
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/headless.h"
#include "shell/demo.h"
#include "shell/startup.h"

namespace {

const char kUsage[] =
    "usage: dorsel-hashes [--data DIR] [--fps N] [--mmx 0|1] [--end MS] [--audio] [--out FILE]\n"
    "                     [--raw T FILE] [--no-hash]\n"
    "Runs the show headless and prints 'frame T HASH' for every frame presented\n"
    "(into FILE with --out, else to standard output after the show's own messages).\n";

constexpr uint64_t kFnvOffset = 0xcbf29ce484222325ull;
constexpr uint64_t kFnvPrime = 0x100000001b3ull;

uint64_t Fnv1a(uint64_t h, const uint8_t* bytes, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    h ^= bytes[i];
    h *= kFnvPrime;
  }
  return h;
}

// The bytes a little-endian machine keeps, whatever this one keeps.
uint64_t HashWords32(const uint32_t* words, size_t count) {
  uint64_t h = kFnvOffset;
  for (size_t i = 0; i < count; ++i) {
    uint32_t w = words[i];
    uint8_t b[4] = {uint8_t(w), uint8_t(w >> 8), uint8_t(w >> 16), uint8_t(w >> 24)};
    h = Fnv1a(h, b, 4);
  }
  return h;
}

[[noreturn]] void Usage(const char* problem) {
  std::fprintf(stderr, "dorsel-hashes: %s\n%s", problem, kUsage);
  std::exit(2);
}

long Number(int& i, int argc, char** argv, long lo, long hi) {
  if (i + 1 >= argc) Usage("an option needs a value");
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(argv[++i], &end, 10);
  if (errno || end == argv[i] || *end || v < lo || v > hi) Usage("a value is out of range");
  return v;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dataDir, outFile, rawFile;
  long rawAt = -1;
  int fps = 10, mmx = 1;
  long endMs = -1;
  bool audio = false, hash = true;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--data" && i + 1 < argc) dataDir = argv[++i];
    else if (a == "--fps") fps = int(Number(i, argc, argv, 1, 1000));
    else if (a == "--mmx") mmx = int(Number(i, argc, argv, 0, 1));
    else if (a == "--end") endMs = Number(i, argc, argv, 0, 1000000);
    else if (a == "--audio") audio = true;
    else if (a == "--no-hash") hash = false;
    else if (a == "--out" && i + 1 < argc) outFile = argv[++i];
    else if (a == "--raw") {
      rawAt = Number(i, argc, argv, 0, 1000000);
      if (i + 1 >= argc) Usage("--raw needs a time and a file");
      rawFile = argv[++i];
    }
    else if (a == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else Usage(("unknown option '" + a + "'").c_str());
  }
  FILE* out = stdout;
  if (!outFile.empty() && !(out = std::fopen(outFile.c_str(), "w"))) {
    std::fprintf(stderr, "dorsel-hashes: cannot write %s: %s\n", outFile.c_str(), std::strerror(errno));
    return 2;
  }
  FILE* raw = nullptr;
  if (rawAt >= 0 && !(raw = std::fopen(rawFile.c_str(), "wb"))) {
    std::fprintf(stderr, "dorsel-hashes: cannot write %s: %s\n", rawFile.c_str(), std::strerror(errno));
    return 2;
  }
  if (!dataDir.empty() && chdir(dataDir.c_str()) != 0) {
    std::fprintf(stderr, "dorsel-hashes: cannot open %s: %s\n", dataDir.c_str(), std::strerror(errno));
    return 2;
  }

  std::unique_ptr<host::Platform> platform = host::MakeHeadlessPlatform(fps);
  host::HeadlessBackend& headless = host::Headless(*platform);
  Demo demo(*platform);
  demo.skipSettings = true;
  demo.choices.useMmx = mmx;

  long frames = 0, lastPresents = 0;
  int64_t audioFrames = 0;
  uint64_t audioHash = kFnvOffset;
  Driver driver;
  driver.afterFrame = [&] {
    uint32_t t = demo.clock.DemoTimeMs;
    if (demo.display.presents != lastPresents && demo.target.pixels) {
      ++frames;
      if (hash) {
        uint64_t h = HashWords32(demo.target.pixels, size_t(kFrameWidth) * kFrameHeight);
        std::fprintf(out, "frame %u %016" PRIx64 "\n", unsigned(t), h);
      }
      if (raw && t == uint32_t(rawAt)) {
        std::fwrite(demo.target.pixels, sizeof(uint32_t), size_t(kFrameWidth) * kFrameHeight, raw);
        std::fclose(raw);
        raw = nullptr;
      }
    }
    lastPresents = demo.display.presents;
    if (endMs >= 0 && t >= uint32_t(endMs))
      platform->windows.PostMessage(demo.MainWindow, host::WM_CLOSE, 0, 0);
    headless.AdvanceFrame();
    if (audio)
      audioFrames += headless.TakeHeardAudio([&](const int16_t* s, int n) {
        for (int k = 0; k < 2 * n; ++k) {
          uint16_t v = uint16_t(s[k]);
          uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
          audioHash = Fnv1a(audioHash, b, 2);
        }
      });
  };
  int code = WinMain(demo, host::SW_SHOWNORMAL, driver);
  if (driver.shutdowns == 0) return 1;  // the show never ran; the reason was shown
  if (audio) std::fprintf(out, "audio %" PRId64 " %016" PRIx64 "\n", audioFrames, audioHash);
  std::fprintf(stderr, "dorsel-hashes: %ld frames presented, useMmx %d, last demo time %u ms\n",
               frames, demo.settings.useMmx, unsigned(demo.clock.DemoTimeMs));
  if (out != stdout && std::fclose(out) != 0) {
    std::fprintf(stderr, "dorsel-hashes: cannot write %s: %s\n", outFile.c_str(), std::strerror(errno));
    return 1;
  }
  return code;
}
