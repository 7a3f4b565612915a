#include <cstdio>

#include "commands.h"

// Placeholder until the module writer lands.
int RunItCommand(const std::vector<std::string>&) {
  std::fprintf(stderr, "dorsel-inspect: it is not available yet\n");
  return 2;
}
