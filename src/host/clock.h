// The wall clock a backend keeps.
#pragma once
#include <cstdint>

namespace host {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since 1970, like the old runtime's time of day.
  virtual uint64_t NowMs() = 0;
};

}  // namespace host
