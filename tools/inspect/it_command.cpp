// dorsel-inspect it: what libopenmpt, the show's module player, makes of a
// module, and optionally the whole song rendered to a 16-bit stereo WAV.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include <libopenmpt/libopenmpt.hpp>

#include "commands.h"

namespace {

constexpr int kWavRate = 44100;

void PutU32(std::ofstream& f, uint32_t v) {
  for (int i = 0; i < 4; i++) f.put(static_cast<char>(v >> (8 * i)));
}
void PutU16(std::ofstream& f, uint16_t v) {
  f.put(static_cast<char>(v & 0xFF));
  f.put(static_cast<char>(v >> 8));
}

bool RenderWav(openmpt::module& mod, const std::string& path) {
  std::vector<int16_t> pcm;
  std::vector<int16_t> block(2 * 4096);
  for (;;) {
    size_t frames = mod.read_interleaved_stereo(kWavRate, block.size() / 2, block.data());
    if (frames == 0) break;
    pcm.insert(pcm.end(), block.begin(), block.begin() + 2 * frames);
  }
  std::ofstream f(path, std::ios::binary);
  uint32_t bytes = static_cast<uint32_t>(pcm.size() * 2);
  f.write("RIFF", 4);
  PutU32(f, 36 + bytes);
  f.write("WAVEfmt ", 8);
  PutU32(f, 16);
  PutU16(f, 1);  // PCM
  PutU16(f, 2);
  PutU32(f, kWavRate);
  PutU32(f, kWavRate * 4);
  PutU16(f, 4);
  PutU16(f, 16);
  f.write("data", 4);
  PutU32(f, bytes);
  for (int16_t s : pcm) PutU16(f, static_cast<uint16_t>(s));
  return static_cast<bool>(f);
}

void PrintNames(const char* what, const std::vector<std::string>& names) {
  std::printf("%s: %zu\n", what, names.size());
  for (size_t i = 0; i < names.size(); i++) std::printf("  %2zu %s\n", i + 1, names[i].c_str());
}

}  // namespace

int RunItCommand(const std::vector<std::string>& args) {
  std::string file, wav;
  for (size_t i = 0; i < args.size(); i++) {
    if (args[i] == "--wav" && i + 1 < args.size()) {
      wav = args[++i];
    } else if (file.empty() && args[i].rfind("--", 0) != 0) {
      file = args[i];
    } else {
      std::fprintf(stderr, "usage: dorsel-inspect it FILE [--wav OUT]\n");
      return 2;
    }
  }
  if (file.empty()) {
    std::fprintf(stderr, "usage: dorsel-inspect it FILE [--wav OUT]\n");
    return 2;
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "dorsel-inspect: cannot open %s\n", file.c_str());
    return 1;
  }
  std::ostringstream log;
  try {
    openmpt::module mod(in, log);
    // The show's player does not dither, so neither do we: the WAV is then
    // sample for sample what the show plays from its start.
    mod.ctl_set_integer("dither", 0);
    std::printf("file: %s\n", file.c_str());
    std::printf("title: %s\n", mod.get_metadata("title").c_str());
    std::printf("length: %.3f s\n", mod.get_duration_seconds());
    std::printf("channels: %d\n", mod.get_num_channels());
    std::printf("orders: %d\n", mod.get_num_orders());
    std::printf("patterns: %d\n", mod.get_num_patterns());
    PrintNames("instruments", mod.get_instrument_names());
    PrintNames("samples", mod.get_sample_names());
    std::string warnings = mod.get_metadata("warnings");
    std::printf("warnings: %s\n", warnings.empty() ? "none" : warnings.c_str());
    if (!log.str().empty()) std::printf("loader log:\n%s", log.str().c_str());
    if (!wav.empty()) {
      if (!RenderWav(mod, wav)) {
        std::fprintf(stderr, "dorsel-inspect: cannot write %s\n", wav.c_str());
        return 1;
      }
      std::printf("wav: %s\n", wav.c_str());
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "dorsel-inspect: %s: %s\n%s", file.c_str(), e.what(), log.str().c_str());
    return 1;
  }
  return 0;
}
