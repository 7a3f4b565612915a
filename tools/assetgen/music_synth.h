// The instruments' raw sounds, made from oscillators, noise and simple
// filters. Each returns mono floats at the given rate; tonal sounds are one
// seamless loop whose pitch is kPitchHz at the rate, so C-5 plays middle C
// when the sample's C-5 speed is the rate.
#pragma once
#include <cstdint>
#include <vector>

namespace music {

using Wave = std::vector<float>;

constexpr double kPitchHz = 261.6256;  // middle C

Wave Kick(int rate);
Wave Snare(int rate);
Wave Hat(int rate, double seconds, double decay);
Wave Crash(int rate);
Wave Bell(int rate);
Wave Riser(int rate, double seconds);
Wave Zap(int rate);

// Loops: `cycles` periods of each detuned voice fit the loop exactly.
// Bright sawtooth stack for pads and leads.
Wave SawStack(int length, const std::vector<int>& cycles, int harmonics, double rolloff);
// Square-ish wave with a softened top, for the bass and the arpeggio.
Wave Pulse(int length, int cycles, double width, int harmonics);

// Scales to the given peak and rounds to 16-bit.
std::vector<int16_t> ToPcm(const Wave& w, double peak);

// The C-5 speed that makes a loop of `length` samples holding `cycles`
// periods sound middle C on C-5.
int LoopC5Speed(int length, int cycles);

}  // namespace music
