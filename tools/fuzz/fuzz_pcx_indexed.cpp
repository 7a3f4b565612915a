// LoadPCXIndexed on arbitrary bytes, as the two height maps are read,
// checking the record, the result and the message box.
#include <cstdint>
#include <memory>

#include "effects2d/pcx.h"
#include "fuzz/fuzz_file.h"

namespace {

constexpr size_t kSlack = 120;  // values behind the last row

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzz::InputFile input(".pcx");
  PictureErrors errors;
  PcxImage image;
  int result = LoadPCXIndexed(input.Write(data, size), image, errors);
  size_t boxes = errors.size();
  if (result == 0) {
    if (boxes != 1) fuzz::Broken("a refusal without exactly one message box");
    return 0;
  }
  if (boxes != 0) fuzz::Broken("a message box on success");
  if (!image.pixels.empty()) fuzz::Broken("LoadPCXIndexed left 32-bit pixels");
  if (image.values.empty()) return 0;  // not an 8-bit file
  if (image.width < 0 || image.height < 0) fuzz::Broken("negative size with values");
  size_t count = size_t(image.width) * size_t(image.height);
  if (image.values.size() != count + kSlack) fuzz::Broken("value block of the wrong size");
  for (size_t i = count; i < image.values.size(); ++i)
    if (image.values[i] != 0) fuzz::Broken("slack written with image data");
  return 0;
}
