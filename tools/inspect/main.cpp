#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"

static const char kUsage[] =
    "usage: dorsel-inspect COMMAND ARGS\n"
    "  pcx FILE [--png OUT]   print a picture's size and depth as the show's loader reads\n"
    "                         it; with --png write it as a PNG\n"
    "  sheet DIR --png OUT    write a labelled contact sheet of every picture in DIR\n"
    "  it FILE [--wav OUT]    print a module's length, channels, patterns, instruments\n"
    "                         and samples; with --wav render it to a WAV file\n"
    "  3ds FILE [--png OUT]   list a scene's objects with their vertex and face counts;\n"
    "                         with --png draw it once with the show's rasterizers\n"
    "  --version              print the version\n";

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    std::fputs(kUsage, args.empty() ? stderr : stdout);
    return args.empty() ? 2 : 0;
  }
  if (args[0] == "--version") {
    std::printf("dorsel-inspect %s\n", DORSEL_VERSION);
    return 0;
  }
  std::string command = args[0];
  args.erase(args.begin());
  if (command == "pcx") return RunPcxCommand(args);
  if (command == "sheet") return RunSheetCommand(args);
  if (command == "it") return RunItCommand(args);
  if (command == "3ds") return RunTdsCommand(args);
  std::fprintf(stderr, "dorsel-inspect: unknown command '%s'\n%s", command.c_str(), kUsage);
  return 2;
}
