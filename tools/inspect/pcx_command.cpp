// pcx and sheet: pictures decoded by the show's own loader, written as PNG.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/file_read.h"
#include "commands.h"
#include "base/png_writer.h"
#include "effects2d/pcx.h"

namespace {

namespace fs = std::filesystem;

constexpr int kSheetWidth = 1064;
constexpr int kMargin = 8;
constexpr int kCellWidth = 256;
constexpr int kCellHeight = 192;
constexpr int kLabelHeight = 19;
constexpr uint32_t kSheetBackground = 0x26262C;
constexpr uint32_t kFallbackLabel = 0xC0C0C0;
constexpr int kGlyphWidth = 8, kGlyphHeight = 15, kGlyphAdvance = 9, kFirstGlyph = 33;

struct Picture {
  std::string name;
  PcxImage image;
  int depth = 0;
};

// Bits per pixel × planes, read straight from the header for the label, of
// a file the loader has read (which it does only up to less than this).
int FileDepth(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (base::ReadWholeFile(path, size_t(128) << 20, bytes) != base::FileRead::kOk || bytes.size() < 128) return 0;
  return bytes[3] * bytes[65];
}

bool Load(const std::string& path, Picture& picture) {
  picture.name = fs::path(path).filename().string();
  PictureErrors errors;
  if (!LoadPCX(path, picture.image, errors)) {
    for (const std::string& text : errors) std::fprintf(stderr, "%s: %s\n", kPcxErrorCaption, text.c_str());
    return false;
  }
  picture.depth = FileDepth(path);
  if (picture.image.pixels.empty()) {
    std::fprintf(stderr, "dorsel-inspect: %s: depth %d is not one the show decodes\n", path.c_str(),
                 picture.depth);
    return false;
  }
  return true;
}

bool ParsePngArgs(const std::vector<std::string>& args, std::string& input, std::string& png) {
  if (args.size() != 3 || args[1] != "--png") return false;
  input = args[0];
  png = args[2];
  return true;
}

struct Canvas {
  int width, height;
  std::vector<uint32_t> pixels;
  Canvas(int w, int h, uint32_t fill) : width(w), height(h), pixels(size_t(w) * h, fill) {}
};

// The picture shrunk to dw × dh by averaging the source pixels under each
// sheet pixel.
void Paste(Canvas& sheet, const PcxImage& image, int left, int top, int dw, int dh) {
  for (int y = 0; y < dh; ++y) {
    int y0 = y * image.height / dh, y1 = std::max(y0 + 1, (y + 1) * image.height / dh);
    for (int x = 0; x < dw; ++x) {
      int x0 = x * image.width / dw, x1 = std::max(x0 + 1, (x + 1) * image.width / dw);
      uint32_t r = 0, g = 0, b = 0, n = 0;
      for (int sy = y0; sy < y1; ++sy)
        for (int sx = x0; sx < x1; ++sx) {
          uint32_t p = image.pixels[size_t(sy) * image.width + sx];
          r += p >> 16 & 255, g += p >> 8 & 255, b += p & 255, ++n;
        }
      sheet.pixels[size_t(top + y) * sheet.width + left + x] = (r / n) << 16 | (g / n) << 8 | b / n;
    }
  }
}

// Labels use the show's own font when the folder has it.
void Label(Canvas& sheet, const PcxImage* font, const std::string& text, int x, int y) {
  for (char ch : text) {
    int g = static_cast<signed char>(ch) - kFirstGlyph;
    bool drawable = font && g >= 0 && (g + 1) * kGlyphWidth <= font->width && font->height >= kGlyphHeight;
    for (int r = 0; r < kGlyphHeight && g >= 0; ++r)
      for (int k = 0; k < kGlyphWidth; ++k) {
        int sx = x + k, sy = y + r;
        if (sx >= sheet.width || sy >= sheet.height) continue;
        uint32_t p = 0;
        if (drawable)
          p = font->pixels[size_t(r) * font->width + g * kGlyphWidth + k];
        else if (r >= 3 && r < 12 && k >= 1 && k < 6)
          p = kFallbackLabel;  // no font: a block per character still shows the label's length
        if (p) sheet.pixels[size_t(sy) * sheet.width + sx] = p;
      }
    x += kGlyphAdvance;
  }
}

}  // namespace

int RunPcxCommand(const std::vector<std::string>& args) {
  std::string input, png;
  if (args.size() == 1) {
    input = args[0];  // the size is all that is asked for
  } else if (!ParsePngArgs(args, input, png)) {
    std::fputs("usage: dorsel-inspect pcx FILE [--png OUT]\n", stderr);
    return 2;
  }
  Picture picture;
  if (!Load(input, picture)) return 1;
  const PcxImage& image = picture.image;
  std::printf("%s: %d x %d, %d-bit\n", picture.name.c_str(), image.width, image.height, picture.depth);
  if (image.width <= 0 || image.height <= 0) {
    std::fprintf(stderr, "dorsel-inspect: %s has no pixels to write\n", input.c_str());
    return 1;
  }
  if (png.empty()) return 0;
  if (!WritePng(png, image.pixels.data(), image.width, image.height)) {
    std::fprintf(stderr, "dorsel-inspect: cannot write %s\n", png.c_str());
    return 1;
  }
  return 0;
}

int RunSheetCommand(const std::vector<std::string>& args) {
  std::string dir, png;
  if (!ParsePngArgs(args, dir, png)) {
    std::fputs("usage: dorsel-inspect sheet DIR --png OUT\n", stderr);
    return 2;
  }
  std::error_code ec;
  std::vector<std::string> paths;
  for (const auto& entry : fs::directory_iterator(dir, ec)) {
    std::string ext = entry.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (entry.is_regular_file() && ext == ".pcx") paths.push_back(entry.path().string());
  }
  if (ec) {
    std::fprintf(stderr, "dorsel-inspect: cannot read %s: %s\n", dir.c_str(), ec.message().c_str());
    return 1;
  }
  if (paths.empty()) {
    std::fprintf(stderr, "dorsel-inspect: no .pcx files in %s\n", dir.c_str());
    return 1;
  }
  std::sort(paths.begin(), paths.end());

  std::vector<Picture> pictures;
  bool allLoaded = true;
  for (const std::string& path : paths) {
    Picture picture;
    bool loaded = Load(path, picture);
    if (loaded && picture.image.width > 0 && picture.image.height > 0) {
      pictures.push_back(std::move(picture));
    } else {
      if (loaded) std::fprintf(stderr, "dorsel-inspect: %s has no pixels to show\n", path.c_str());
      allLoaded = false;
    }
  }
  // Large pictures first packs the sheet tighter; equal sizes stay in name
  // order.
  std::stable_sort(pictures.begin(), pictures.end(), [](const Picture& a, const Picture& b) {
    return a.image.width * a.image.height > b.image.width * b.image.height;
  });
  const PcxImage* font = nullptr;
  for (const Picture& p : pictures)
    if (p.name == "fontti.pcx") font = &p.image;
  if (!font) std::fprintf(stderr, "dorsel-inspect: no fontti.pcx in %s; labels are drawn as blocks\n", dir.c_str());

  // Shelf packing: pictures left to right, a new shelf when one is full.
  // Long strips (the font) may use the whole width.
  struct Place {
    int x, y, w, h;
  };
  std::vector<Place> places;
  int x = kMargin, y = kMargin, shelfHeight = 0;
  for (const Picture& p : pictures) {
    const PcxImage& im = p.image;
    bool strip = im.width > 6 * im.height;
    double maxW = strip ? kSheetWidth - 2 * kMargin : kCellWidth;
    double scale = std::min({1.0, maxW / im.width, double(kCellHeight) / im.height});
    int w = std::max(1, int(im.width * scale + 0.5)), h = std::max(1, int(im.height * scale + 0.5));
    int cellW = std::max(w, int(p.name.size() + 12) * kGlyphAdvance);
    if (x + cellW > kSheetWidth - kMargin) {
      x = kMargin;
      y += shelfHeight + kMargin;
      shelfHeight = 0;
    }
    places.push_back({x, y, w, h});
    x += cellW + kMargin;
    shelfHeight = std::max(shelfHeight, h + kLabelHeight);
  }
  Canvas sheet(kSheetWidth, y + shelfHeight + kMargin, kSheetBackground);
  for (size_t i = 0; i < pictures.size(); ++i) {
    const Picture& p = pictures[i];
    const Place& at = places[i];
    Paste(sheet, p.image, at.x, at.y, at.w, at.h);
    std::string label = p.name + " " + std::to_string(p.image.width) + "x" + std::to_string(p.image.height) +
                        " " + std::to_string(p.depth) + "b";
    Label(sheet, font, label, at.x, at.y + at.h + 3);
  }
  if (!WritePng(png, sheet.pixels.data(), sheet.width, sheet.height)) {
    std::fprintf(stderr, "dorsel-inspect: cannot write %s\n", png.c_str());
    return 1;
  }
  std::printf("%zu pictures from %s on a %d x %d sheet\n", pictures.size(), dir.c_str(), sheet.width,
              sheet.height);
  return allLoaded ? 0 : 1;
}
