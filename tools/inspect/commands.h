// dorsel-inspect looks inside the show's data files through the show's own
// loaders. Each command takes the arguments after its name and returns the
// process exit code (0 ok, 1 the file could not be read, 2 bad arguments).
#pragma once
#include <string>
#include <vector>

int RunPcxCommand(const std::vector<std::string>& args);    // pcx FILE --png OUT
int RunSheetCommand(const std::vector<std::string>& args);  // sheet DIR --png OUT
int RunItCommand(const std::vector<std::string>& args);     // it FILE [--wav OUT]
int RunTdsCommand(const std::vector<std::string>& args);    // 3ds FILE [--png OUT]
