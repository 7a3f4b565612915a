#include <cstdio>

#include "commands.h"

// Placeholder until the picture loader lands.
int RunPcxCommand(const std::vector<std::string>&) {
  std::fprintf(stderr, "dorsel-inspect: pcx is not available yet\n");
  return 2;
}
int RunSheetCommand(const std::vector<std::string>&) {
  std::fprintf(stderr, "dorsel-inspect: sheet is not available yet\n");
  return 2;
}
