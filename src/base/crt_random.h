#pragma once
#include <cstdint>

// The old C runtime's generator. The show's loading order fixes which of its
// numbers each effect receives, so it must be this one, starting from 1.
struct CrtRandom {
  uint32_t state = 1;
  int Next() {
    state = state * 214013u + 2531011u;
    return int((state >> 16) & 32767);
  }
};
