// LoadPCX on arbitrary bytes, once as most pictures are read and once with
// the zoom texture's larger block, checking what the loader promises about
// the record, its result and its message box.
#include <cstdint>
#include <memory>

#include "effects2d/pcx.h"
#include "fuzz/fuzz_file.h"
#include "shell/demo.h"

namespace {


// Its loops run over every pixel, which tells the fuzzer nothing new: they
// are left out of the coverage, whose compare hooks would otherwise make a
// large picture many times slower to check than to load.
__attribute__((no_sanitize("coverage"))) void Check(int result, const PcxImage& image, size_t minPixels,
                                                    size_t boxes) {
  if (result == 0) {
    if (boxes != 1) fuzz::Broken("a refusal without exactly one message box");
    return;
  }
  if (boxes != 0) fuzz::Broken("a message box on success");
  if (!image.values.empty()) fuzz::Broken("LoadPCX left 8-bit values");
  if (image.pixels.empty()) return;  // a depth it does not decode, or an empty 24-bit picture
  if (image.width < 0 || image.height < 0) fuzz::Broken("negative size with pixels");
  size_t count = size_t(image.width) * size_t(image.height);
  if (image.pixels.size() < count || image.pixels.size() < minPixels)
    fuzz::Broken("pixel block smaller than the picture");
  for (size_t i = 0; i < image.pixels.size(); ++i)
    if (image.pixels[i] >> 24) fuzz::Broken("a pixel with a top byte");
  for (size_t i = count; i < image.pixels.size(); ++i)
    if (image.pixels[i] != 0) fuzz::Broken("slack written with image data");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzz::InputFile input(".pcx");
  const std::string& path = input.Write(data, size);
  for (size_t minPixels : {size_t(0), kZoomTexturePixels}) {
    PictureErrors errors;
    PcxImage image;
    int result = LoadPCX(path, image, errors, minPixels);
    Check(result, image, minPixels, errors.size());
    // A block that already holds the zoom's pixels would be the same again.
    if (image.pixels.size() >= kZoomTexturePixels) break;
  }
  return 0;
}
