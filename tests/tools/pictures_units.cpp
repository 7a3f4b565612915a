// test_tools does not link the assetgen tool, so the picture code under test
// is compiled into it here, once.
#include "assetgen/pictures.cpp"
#include "assetgen/pictures_backdrops.cpp"
#include "assetgen/pictures_font.cpp"
#include "assetgen/pictures_kit.cpp"
#include "assetgen/pictures_sprites.cpp"
#include "assetgen/pictures_textures.cpp"
