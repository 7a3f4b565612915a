#include "effects2d/image_sets.h"

#include <cmath>
#include <string>

namespace {

constexpr float kOneIn2047 = 0.0004885197849944234f;
constexpr float kOneIn1023 = 0.0009775171056389809f;
constexpr double kAngleToByte = 40.743665431526004;  // 128/π
constexpr std::array<int32_t, kRasterFrames> kFrameSequence{0, 1, 2, 3, 4, 5, 6, 7,
                                                             6, 5, 4, 3, 2, 1, 0, 0};

}  // namespace

int SetUpLogoSet(LogoSet& logo, CrtRandom& random, PictureErrors& errors) {
  logo.buffer1.assign(kLogoBufferBytes, 0);
  logo.buffer2.assign(kLogoBufferBytes, 0);
  for (LogoParticle& p : logo.particles) {
    p = LogoParticle{};
    // The draws go to fields 2, 6 and 4, in that order.
    p.field2 = float(random.Next() % 70 + 20);
    p.field6 = float(double(float(random.Next() % 40) * kOneIn1023) + 0.004);
    p.field4 = float(double(float(random.Next() % 10) * kOneIn2047) + 0.003);
  }
  return LoadPCX("quibb.pcx", logo.image, errors);
}

void BuildRasterTables(RasterSet& raster) {
  raster.distance.assign(kRasterTableWidth * kRasterTableHeight, 0);
  raster.angle.assign(kRasterTableWidth * kRasterTableHeight, 0);
  for (int j = 0; j < kRasterTableHeight; ++j) {
    int y = j - kRasterTableHeight / 2;
    for (int i = 0; i < kRasterTableWidth; ++i) {
      int x = i - kRasterTableWidth / 2;
      int at = j * kRasterTableWidth + i;
      raster.distance[at] = uint8_t(int(std::sqrt(double(x * x + y * y))));
      // Negative angles wrap, so a full turn covers the 256 byte values.
      raster.angle[at] = uint8_t(int(std::atan2(double(y), double(x)) * kAngleToByte));
    }
  }
}

int SetUpRasterSet(RasterSet& raster, PictureErrors& errors) {
  raster.buffer.assign(kRasterBufferBytes, 0);
  BuildRasterTables(raster);
  int ok = 1;
  for (int k = 0; k < kRasterPictures; ++k)
    ok &= LoadPCX("raster" + std::to_string(k + 1) + ".pcx", raster.pictures[k], errors);
  raster.frames = kFrameSequence;
  return ok;
}
