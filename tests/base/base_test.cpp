#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "base/clock.h"
#include "base/file_read.h"
#include "base/pixels.h"
#include "base/simd.h"

namespace {

TEST(DemoClock, Tick) {
  // The time before, the reading, the frame's seconds, whether the show ends.
  const std::tuple<uint32_t, uint32_t, float, bool> cases[] = {
      {1000, 1001, 0.001f, false},        // one millisecond
      {5000, 5000, 0.0f, false},          // two frames in one millisecond
      {5000, 4990, 0.0f, false},          // a backwards reading is no step
      {0, 2500, 2.5f, false},             // a long frame
      {233990, 234000, 0.01f, false},     // the last drawn millisecond
      {234000, 234001, 0.001f, true},     // one past the end ends
      {234001, 300000, 65.999f, true}};   // far past the end ends
  for (auto [previous, now, seconds, ends] : cases) {
    DemoClock clock;
    clock.DemoTimeMs = previous;
    EXPECT_EQ(std::make_tuple(TickDemoClock(clock, now), clock.PrevDemoTimeMs, clock.DemoTimeMs),
              std::make_tuple(ends, previous, now));
    EXPECT_FLOAT_EQ(clock.FrameSeconds, seconds) << now;
  }
}

TEST(DemoClock, SeededBySongTimeAndStepsInSinglePrecision) {
  // The step meets the float 0.001, not the double: 1 ms is 0.001f exactly,
  // and 3 ms is the float nearest 3 × 0.001f.
  for (uint32_t step : {1u, 3u, 17u, 33u, 250u, 1000u}) {
    DemoClock clock;
    SeedDemoClock(clock, 40);
    EXPECT_EQ(std::make_pair(clock.DemoTimeMs, clock.PrevDemoTimeMs), std::make_pair(40u, 40u));
    TickDemoClock(clock, 40 + step);
    EXPECT_EQ(clock.FrameSeconds, float(double(step) * double(0.001f))) << step;
  }
}

TEST(DemoClock, Readings) {
  // Sound off, started at, entered at, the song's time, the wall clock, and
  // the reading: the song's time with sound, the wall clock since the start
  // without, counted from where a show entered late. The wall clock's
  // 32 bits wrap every 49 days; a run that straddles the wrap must still
  // count forwards.
  const std::tuple<bool, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t> cases[] = {
      {false, 0, 0, 250, 99999, 250}, {true, 5000, 0, 250, 5007, 7}, {true, 5000, 20000, 0, 5010, 20010},
      {true, 0xFFFFFFE2u, 0, 0, 50, 80}};
  for (auto [noSound, startedAt, offset, song, wall, reading] : cases) {
    DemoClock clock;
    StartWallClock(clock, startedAt, offset);
    EXPECT_EQ(ClockReading(clock, noSound, song, wall), reading) << wall;
  }
}

namespace fs = std::filesystem;
using base::FileRead;

// Every kind of thing that can stand where a data file should, read with a
// limit of 100 bytes.
TEST(ReadWholeFile, TakesARegularFileUpToTheLimitAndNothingElse) {
  std::string pattern = (fs::temp_directory_path() / "file-read-XXXXXX").string();
  const struct Scratch {
    fs::path dir;
    ~Scratch() { fs::remove_all(dir); }
  } s{mkdtemp(pattern.data())};
  const std::string hundred(100, 'h');
  std::ofstream(s.dir / "hundred") << hundred;
  std::ofstream(s.dir / "empty").close();
  std::ofstream(s.dir / "more") << hundred << "!";
  fs::create_symlink(s.dir / "hundred", s.dir / "link");
  fs::create_symlink(s.dir / "nowhere", s.dir / "dangling");
  fs::create_directory(s.dir / "folder");
  ASSERT_EQ(mkfifo((s.dir / "fifo").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", s.dir / "zero");
  // A socket: bound, so it exists as a name.
  int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::string socketPath = (s.dir / "socket").string();
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  std::strcpy(address.sun_path, socketPath.c_str());
  ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

  const std::tuple<const char*, FileRead, std::string> cases[] = {
      {"hundred", FileRead::kOk, hundred},   {"empty", FileRead::kOk, ""},          {"link", FileRead::kOk, hundred},
      {"more", FileRead::kTooLarge, ""},     {"missing", FileRead::kNotFound, ""},  {"dangling", FileRead::kNotFound, ""},
      {"folder", FileRead::kNotRegular, ""}, {"fifo", FileRead::kNotRegular, ""},   {"zero", FileRead::kNotRegular, ""},
      {"socket", FileRead::kNotRegular, ""}};
  for (const auto& [name, result, want] : cases) {
    std::vector<uint8_t> bytes = {1, 2, 3};
    EXPECT_EQ(base::ReadWholeFile((s.dir / name).string(), 100, bytes), result) << name;
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), want) << name;
  }
  close(sock);
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(Truncation, TowardsZeroEachWithItsOwnRuleOutOfRange) {
  // 2147483520 is the largest float below 2^31.
  const std::tuple<double, int32_t, int32_t> cases[] = {
      {2.9, 2, 2},     {-2.9, -2, -2},     {-0.5, 0, 0},     {3e9, INT32_MIN, INT32_MAX}, {-3e9, INT32_MIN, INT32_MIN},
      {2147483520.0, 2147483520, 2147483520}, {kNaN, INT32_MIN, 0}};
  for (auto [v, indefinite, saturated] : cases)
    EXPECT_EQ(std::make_pair(TruncOrIndefinite(float(v)), TruncSaturated(v)), std::make_pair(indefinite, saturated)) << v;
}

// The blends' plain forms are held to their packed forms below.
TEST(PixelArithmetic, AddSaturatedHoldsEachChannelAt255AndClearsTheTopByte) {
  EXPECT_EQ(std::make_tuple(AddSaturated(0, 0x00FFFFFF), AddSaturated(0xFF102030, 0x00010203), AddSaturated(0x00808080, 0x00807F81)),
            std::make_tuple(0x00FFFFFFu, 0x00112233u, 0x00FFFFFFu));
}

#if DORSEL_PACKED
TEST(PixelArithmetic, PackedFormsGiveThePlainPixels) {
  // Every channel value against weights and partners that reach the ends.
  for (uint32_t v = 0; v < 256; ++v) {
    const uint32_t a[4] = {v * 0x010101u, v << 16 | 0xFF, 0xFF000000u | v << 8, v * 0x01010101u};
    const uint32_t b[4] = {0x00FFFFFF, 0, (255 - v) * 0x010101u, 0x00123456};
    __m128i pa = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
    __m128i pb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
    for (uint32_t w : {0u, 1u, 127u, 255u}) {
      alignas(16) uint32_t scaled[4], blended[4], halves[4];
      _mm_store_si128(reinterpret_cast<__m128i*>(scaled), ScalePixels4(pa, ChannelWeights(w)));
      _mm_store_si128(reinterpret_cast<__m128i*>(blended),
                      WeightedBlend4(pa, ChannelWeights(255 - w), pb, ChannelWeights(w)));
      _mm_store_si128(reinterpret_cast<__m128i*>(halves), HalfBlend4(pa, pb));
      for (int k = 0; k < 4; ++k) {
        ASSERT_EQ(scaled[k], ScalePixel(a[k], w)) << v << " " << w << " " << k;
        ASSERT_EQ(blended[k], WeightedBlend(a[k], 255 - w, b[k], w)) << v << " " << w << " " << k;
        ASSERT_EQ(halves[k], HalfBlend(a[k], b[k])) << v << " " << k;
      }
    }
  }
}
#endif

}  // namespace
