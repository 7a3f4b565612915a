// dorsel-inspect it: what libopenmpt, the show's module player, makes of a
// module, and optionally the whole song rendered to a 16-bit stereo WAV.
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include <libopenmpt/libopenmpt.hpp>

#include "base/file_read.h"
#include "commands.h"
#include "shell/wav_writer.h"

namespace {

constexpr int kWavRate = 44100;
// The player's own limit on a module file.
constexpr size_t kModuleLimit = size_t(64) << 20;
// A WAV's sizes are 32-bit: the RIFF size counts the 36 bytes of header
// behind it and the sound.
constexpr uint64_t kWavMaxSoundBytes = 0xFFFFFFFFull - 36;

// Streams the song into the file block by block as it is rendered. Stops
// at the first write that fails, or should the song run on past what the
// format can hold after all; returns what went wrong, or nothing.
std::string RenderWav(openmpt::module& mod, WavWriter& wav, const std::string& path) {
  std::vector<int16_t> block(2 * 4096);
  for (;;) {
    size_t frames = mod.read_interleaved_stereo(kWavRate, block.size() / 2, block.data());
    if (frames == 0) break;
    if (uint64_t(wav.Frames() + int64_t(frames)) * 4 > kWavMaxSoundBytes)
      return "the song runs on past the 4 GiB a WAV file holds; " + path + " stops there";
    if (!wav.Write(block.data(), int(frames))) return "cannot write " + path;
  }
  return wav.Close() ? "" : "cannot write " + path;
}

void PrintNames(const char* what, const std::vector<std::string>& names) {
  std::printf("%s: %zu\n", what, names.size());
  for (size_t i = 0; i < names.size(); i++) std::printf("  %2zu %s\n", i + 1, names[i].c_str());
}

const char* Refusal(base::FileRead result) {
  switch (result) {
    case base::FileRead::kOk:
      break;
    case base::FileRead::kNotFound:
      return "not found";
    case base::FileRead::kNotRegular:
      return "not a regular file";
    case base::FileRead::kTooLarge:
      return "larger than 64 MiB, more than any module";
    case base::FileRead::kReadError:
      return "read error";
  }
  return "";
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
  std::vector<uint8_t> bytes;
  base::FileRead read = base::ReadWholeFile(file, kModuleLimit, bytes);
  if (read != base::FileRead::kOk) {
    std::fprintf(stderr, "dorsel-inspect: cannot open %s: %s\n", file.c_str(), Refusal(read));
    return 1;
  }
  std::ostringstream log;
  try {
    openmpt::module mod(bytes, log);
    bytes = {};
    // The show's player does not dither, so neither do we: the WAV is then
    // sample for sample what the show plays from its start.
    mod.ctl_set_integer("dither", 0);
    // What cannot be written is known before anything is rendered.
    WavWriter out;
    if (!wav.empty()) {
      double seconds = mod.get_duration_seconds();
      if (!(seconds * kWavRate * 4 <= double(kWavMaxSoundBytes))) {
        std::fprintf(stderr, "dorsel-inspect: %s lasts %.0f s: its WAV would pass the format's 4 GiB\n", file.c_str(),
                     seconds);
        return 1;
      }
      if (!out.Open(wav, kWavRate)) {
        std::fprintf(stderr, "dorsel-inspect: cannot write %s\n", wav.c_str());
        return 1;
      }
    }
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
      std::fflush(stdout);
      std::string problem = RenderWav(mod, out, wav);
      if (!problem.empty()) {
        std::fprintf(stderr, "dorsel-inspect: %s\n", problem.c_str());
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
