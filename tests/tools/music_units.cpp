// test_tools does not link the assetgen tool, so the music code under test
// is compiled into it here, once.
#include "assetgen/it_writer.cpp"
#include "assetgen/music.cpp"
#include "assetgen/music_score.cpp"
#include "assetgen/music_synth.cpp"
