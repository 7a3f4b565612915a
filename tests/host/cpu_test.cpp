#include "host/cpu.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace host {
namespace {

// The kernel lists the feature flags it read from the same CPUID leaf, one
// word each, on every processor's "flags" line.
TEST(Cpu, MmxIsReportedExactlyWhenTheKernelListsIt) {
  std::ifstream info("/proc/cpuinfo");
  if (!info) GTEST_SKIP() << "/proc/cpuinfo cannot be read here";
  bool sawFlags = false, listed = false;
  for (std::string line; std::getline(info, line);) {
    if (line.rfind("flags", 0) != 0) continue;
    sawFlags = true;
    std::istringstream words(line.substr(line.find(':') + 1));
    for (std::string word; words >> word;) listed |= word == "mmx";
    break;
  }
#if defined(__i386__) || defined(__x86_64__)
  ASSERT_TRUE(sawFlags) << "an x86 kernel lists the feature flags";
#else
  // Without the instruction there is nothing to ask: no MMX, whatever the
  // kernel says about its own processor.
  (void)sawFlags;
  listed = false;
#endif
  EXPECT_EQ(CpuHasMmx(), listed);
}

}  // namespace
}  // namespace host
