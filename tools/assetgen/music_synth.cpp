#include "music_synth.h"

#include <algorithm>
#include <cmath>

namespace music {
namespace {

constexpr double kTau = 6.283185307179586;

// A fixed noise source: every build makes the same drums.
class Noise {
 public:
  explicit Noise(uint32_t seed) : state_(seed) {}
  float Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return static_cast<float>(static_cast<int32_t>(state_) / 2147483648.0);
  }

 private:
  uint32_t state_;
};

// First-order high-pass, cutoff in Hz.
class HighPass {
 public:
  HighPass(double hz, int rate) : a_(1.0 / (1.0 + kTau * hz / rate)) {}
  float Run(float x) {
    y_ = static_cast<float>(a_ * (y_ + x - x_));
    x_ = x;
    return y_;
  }

 private:
  double a_;
  float x_ = 0, y_ = 0;
};

// Chamberlin state-variable filter; returns the band-pass output.
class BandPass {
 public:
  float Run(float x, double hz, double q, int rate) {
    double f = 2.0 * std::sin(M_PI * std::min(hz, rate / 6.0) / rate);
    low_ += f * band_;
    double high = x - low_ - band_ / q;
    band_ += f * high;
    return static_cast<float>(band_);
  }

 private:
  double low_ = 0, band_ = 0;
};

Wave Make(int rate, double seconds) { return Wave(static_cast<size_t>(rate * seconds)); }

}  // namespace

Wave Kick(int rate) {
  Wave w = Make(rate, 0.42);
  double phase = 0;
  for (size_t i = 0; i < w.size(); i++) {
    double t = static_cast<double>(i) / rate;
    double hz = 44 + 120 * std::exp(-t / 0.028);
    phase += kTau * hz / rate;
    double body = std::sin(phase) * std::exp(-t / 0.16);
    double click = std::exp(-t / 0.002) * 0.6;
    w[i] = static_cast<float>(std::tanh(1.6 * (body + click)));
  }
  return w;
}

Wave Snare(int rate) {
  Wave w = Make(rate, 0.28);
  Noise noise(7);
  HighPass hp(900, rate);
  for (size_t i = 0; i < w.size(); i++) {
    double t = static_cast<double>(i) / rate;
    double tone = (std::sin(kTau * 185 * t) + 0.5 * std::sin(kTau * 330 * t)) * std::exp(-t / 0.045);
    double hiss = hp.Run(noise.Next()) * std::exp(-t / 0.085);
    w[i] = static_cast<float>(std::tanh(0.8 * tone + 1.3 * hiss));
  }
  return w;
}

Wave Hat(int rate, double seconds, double decay) {
  Wave w = Make(rate, seconds);
  Noise noise(11);
  HighPass hp1(6500, rate), hp2(6500, rate);
  for (size_t i = 0; i < w.size(); i++) {
    double t = static_cast<double>(i) / rate;
    // A few square partials at odd ratios give the metal over the hiss.
    double metal = 0;
    for (double hz : {3150.0, 4410.0, 5870.0, 7230.0}) metal += std::sin(kTau * hz * t) > 0 ? 0.25 : -0.25;
    w[i] = static_cast<float>(hp2.Run(hp1.Run(noise.Next() + 0.5f * static_cast<float>(metal))) *
                              std::exp(-t / decay));
  }
  return w;
}

Wave Crash(int rate) {
  Wave w = Hat(rate, 1.6, 0.45);
  Noise noise(23);
  HighPass hp(2500, rate);
  for (size_t i = 0; i < w.size(); i++) {
    double t = static_cast<double>(i) / rate;
    w[i] += static_cast<float>(0.6 * hp.Run(noise.Next()) * std::exp(-t / 0.25));
  }
  return w;
}

Wave Bell(int rate) {
  Wave w = Make(rate, 1.4);
  for (size_t i = 0; i < w.size(); i++) {
    double t = static_cast<double>(i) / rate;
    // Two-operator FM with a ratio of 3.5: bright strike, glassy tail.
    double index = 2.2 * std::exp(-t / 0.25);
    double mod = index * std::sin(kTau * kPitchHz * 3.5 * t);
    double car = std::sin(kTau * kPitchHz * t + mod) + 0.3 * std::sin(kTau * kPitchHz * 2 * t);
    w[i] = static_cast<float>(car * std::exp(-t / 0.45) * std::min(1.0, t / 0.002));
  }
  return w;
}

Wave Riser(int rate, double seconds) {
  Wave w = Make(rate, seconds);
  Noise noise(31);
  BandPass bp;
  for (size_t i = 0; i < w.size(); i++) {
    double u = static_cast<double>(i) / w.size();
    double hz = 300 * std::pow(20.0, u);  // 300 Hz up to 6 kHz
    w[i] = static_cast<float>(bp.Run(noise.Next(), hz, 4.0, rate) * u * u);
  }
  return w;
}

Wave Zap(int rate) {
  Wave w = Make(rate, 0.6);
  double phase = 0;
  for (size_t i = 0; i < w.size(); i++) {
    double t = static_cast<double>(i) / rate;
    phase += kTau * (60 + 1400 * std::exp(-t / 0.09)) / rate;
    double saw = std::fmod(phase / kTau, 1.0) * 2 - 1;
    w[i] = static_cast<float>(saw * std::exp(-t / 0.2));
  }
  return w;
}

Wave SawStack(int length, const std::vector<int>& cycles, int harmonics, double rolloff) {
  Wave w(length);
  for (size_t v = 0; v < cycles.size(); v++) {
    double offset = 0.37 * static_cast<double>(v);  // voices start out of phase
    for (int h = 1; h <= harmonics; h++) {
      double amp = std::exp(-h / rolloff) / h;
      for (int i = 0; i < length; i++)
        w[i] += static_cast<float>(amp * std::sin(kTau * (h * cycles[v] * (i + offset * length) / length)));
    }
  }
  return w;
}

Wave Pulse(int length, int cycles, double width, int harmonics) {
  Wave w(length);
  for (int h = 1; h <= harmonics; h++) {
    // Fourier series of a pulse of the given duty, each partial softened.
    double amp = std::sin(M_PI * h * width) / h * std::exp(-h / (0.5 * harmonics));
    for (int i = 0; i < length; i++)
      w[i] += static_cast<float>(amp * std::cos(kTau * h * cycles * i / length));
  }
  return w;
}

std::vector<int16_t> ToPcm(const Wave& w, double peak) {
  float top = 0;
  for (float v : w) top = std::max(top, std::fabs(v));
  double scale = top > 0 ? peak * 32767.0 / top : 0;
  std::vector<int16_t> out(w.size());
  for (size_t i = 0; i < w.size(); i++) out[i] = static_cast<int16_t>(std::lround(w[i] * scale));
  return out;
}

int LoopC5Speed(int length, int cycles) {
  return static_cast<int>(std::lround(kPitchHz * length / cycles));
}

}  // namespace music
