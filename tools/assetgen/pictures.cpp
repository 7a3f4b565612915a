// Every picture the show loads, written as version-5 run-length PCX files.
// Photographic pictures are 24-bit, palette art is 8-bit, so both of the
// loader's paths run in the show.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "assetgen.h"
#include "pictures_set.h"

namespace {

bool Write(const std::string& dir, const std::string& name, const pics::Picture& p) {
  std::string path = dir + "/" + name;
  if (!p.rgb.empty()) return pics::WritePcx24(path, p.w, p.h, p.rgb);
  return pics::WritePcx8(path, p.w, p.h, p.indices, p.palette);
}

}  // namespace

bool WritePictures(const std::string& dir) {
  using namespace pics;
  bool ok = true;
  auto put = [&](const std::string& name, const Picture& p) { ok = Write(dir, name, p) && ok; };

  Picture gv = GV();
  put("mech_v.pcx", MechV());
  put("g_v.pcx", gv);
  put("ylareuna.pcx", Rows(gv, 0, 66));
  put("alareuna.pcx", Rows(gv, 318, 66));
  put("image2.pcx", Image2());
  put("atomb.pcx", Atomb());
  Picture leaves, relief;
  Leaves(leaves, relief);
  put("lehdet.pcx", leaves);
  put("korkeus.pcx", relief);

  put("6.pcx", ZoomTexture());
  put("staticdi.pcx", WarpTexture());
  put("bump.pcx", PanelTexture());
  Picture colours, heights;
  Landscape(colours, heights);
  put("7.pcx", colours);
  put("illasti2.pcx", heights);

  put("tilpeh1.pcx", Tile(1));
  put("tilpeh2.pcx", Tile(2));
  put("tilpe3v4.pcx", Tile(3));
  for (int k = 4; k <= 8; ++k) put("tilpeh" + std::to_string(k) + ".pcx", Tile(k));
  put("viivak.pcx", LineLogo());
  put("flare.pcx", Flare());
  put("staff2.pcx", Credits());
  put("fontti.pcx", FontStrip());
  put("quibb.pcx", Quibb());
  for (int k = 1; k <= 8; ++k) put("raster" + std::to_string(k) + ".pcx", Raster(k));
  return ok;
}
