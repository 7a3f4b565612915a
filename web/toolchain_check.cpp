// A check of the browser build's compiler, built with the show's own flags:
// values read before a loop that changes them must be the values from before
// it. Clang 14's straight-line vectoriser, given WebAssembly's 128-bit
// operations, read them after the loop here (the bump lights' offsets
// followed the amplitudes one frame early); -mllvm -vectorize-slp=false keeps it off.
// Exits 1 and says so if the compiled code gets it wrong.
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

struct Offset {
  int32_t x = 0, y = 0;
};

struct Lights {
  std::array<Offset, 4> offset{};
  std::array<double, 4> amplitude{}, speed{}, angle{};
};

constexpr double kTurnRate[4] = {0.5, 0.03, 0.06, 0.08};

// As the bump lights move: offsets from the present amplitudes, then the
// amplitudes and angles move on.
__attribute__((noinline)) void Move(Lights& b, double dt) {
  for (int i = 1; i <= 3; ++i) {
    b.offset[i].x = int32_t(b.amplitude[i] * std::sin(b.angle[i]));
    b.offset[i].y = int32_t(b.amplitude[i] * std::cos(b.angle[i]));
  }
  for (int i = 0; i < 4; ++i) {
    b.amplitude[i] += dt * b.speed[i];
    b.angle[i] += kTurnRate[i] * dt;
  }
}

}  // namespace

int main(int argc, char** argv) {
  Lights b;
  b.amplitude = {0, 10, 20, 30};
  b.speed = {0, 100, 200, 300};
  // At angle 0 the offsets across are 0 and down the amplitudes themselves.
  Move(b, argc > 1 ? std::atof(argv[1]) : 0.1);
  int wrong = 0;
  for (int i = 1; i <= 3; ++i) {
    if (b.offset[i].x != 0 || b.offset[i].y != 10 * i) {
      std::printf("light %d: offset %d %d, not 0 %d\n", i, b.offset[i].x, b.offset[i].y, 10 * i);
      ++wrong;
    }
  }
  if (b.amplitude[3] != 60) {
    std::printf("amplitude moved to %g, not 60\n", b.amplitude[3]);
    ++wrong;
  }
  if (wrong) {
    std::printf("the compiler reorders reads and writes of the same values\n");
    return 1;
  }
  std::printf("toolchain check: reads before a loop see the values from before it\n");
  return 0;
}
