#include "director/console_line.h"

#include "director/pages.h"
#include "director/text_writer.h"

void DrawConsoleLine(ConsoleLine& console, const PcxImage& font, int32_t x, int32_t y, RenderTarget& target) {
  DrawText(font, kConsoleListing[console.consoleLineCounter & 15], x, y, target.pixels);
  console.consoleLineCounter += 1;  // per frame, whatever the frame rate
}
