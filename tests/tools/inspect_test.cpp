// dorsel-inspect as a user runs it: on the show's pictures, scenes and song,
// on scenes another tool wrote (assimp's 3DS exporter), and on bad input.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "assetgen/it_writer.h"
#include "engine3d/scene.h"
#include "support/host_scratch.h"

namespace {

namespace fs = std::filesystem;
using testing_support::Outcome;
using testing_support::RunCommand;
using testing_support::ScratchDir;

const std::string kData = testing_support::DataDir() + "/";

// Standard output and error together; a run still going after a minute is a hang.
Outcome Inspect(const std::string& args) {
  return RunCommand("timeout 60 " + testing_support::BuiltProgram("dorsel-inspect") + " " + args + " 2>&1");
}

// A song far longer than a WAV can hold (4 GiB of 16-bit stereo at
// 44100 Hz is 6.8 hours): ten orders of one slow, empty pattern of 200 rows
// at speed 255 and tempo 32, nearly 20 seconds a row.
void WriteEndlessSong(const std::string& path) {
  it::Module m;
  m.name = "long";
  m.channels = 1;
  m.speed = 255;
  m.tempo = 32;
  m.patterns.emplace_back(200, 1);
  m.orders.assign(10, 0);
  std::string error;
  std::vector<uint8_t> bytes = it::WriteModule(m, &error);
  ASSERT_FALSE(bytes.empty()) << error;
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

TEST(Inspect, ListsDrawsAndRefusesWhatItCannotReadOrWrite) {
  ScratchDir s("inspect_cases");
  const std::string png = s / "out.png", song = kData + "what2xx.it", ball = kData + "X_BALL.3DS";
  const std::string knot = kData + "X_DAOBJ.3DS", usage3ds = "usage: dorsel-inspect 3ds FILE [--png OUT]\n";
  for (const char* kind : {"pcx", "3ds", "it"}) {
    fs::create_directory(s / "folder." + kind);
    ASSERT_EQ(mkfifo((s / "fifo." + kind).c_str(), 0600), 0);
  }
  fs::create_directory(s / "empty");
  std::ofstream(s / "text.3ds") << "a picture of a scene, in words\n";
  std::ofstream(s / "junk.it") << "not a module at all";
  WriteEndlessSong(s / "endless.it");
  struct Case {
    std::string args;
    int exitCode;
    std::string says;    // in what it prints; with `whole`, all it prints
    bool whole;
    std::string never;   // what it must not print, when not empty
    int width, height;   // of the PNG written, 0 for none; a height of -1: more than one row of 384
  };
  const std::string objects = ": 3 objects\nobject 0: ", empties = "object 1: 0 vertices, 0 faces\nobject 2: 0 vertices, 0 faces\n";
  const Case cases[] = {
      {"pcx " + kData + "flare.pcx --png " + png, 0, "", false, "", 64, 64},
      {"pcx " + kData + "staff2.pcx --png " + png, 0, "", false, "", 218, 384},
      {"pcx " + kData + "korkeus.pcx --png " + png, 0, "", false, "", 512, 384},
      {"pcx " + kData + "flare.pcx", 0, "flare.pcx: 64 x 64, 24-bit", false, "", 0, 0},
      {"pcx " + song, 1, "LoadPCX ERROR!", false, "", 0, 0},
      {"pcx " + kData + "flare.pcx --jpg " + png, 2, "usage", false, "", 0, 0},
      {"--version", 0, "dorsel-inspect " DORSEL_VERSION, false, "", 0, 0},
      {"sheet " + kData + " --png " + png, 0, "", false, "", 1064, -1},
      {"sheet " + (s / "empty") + " --png " + png, 1, "no .pcx files", false, "", 0, 0},
      {"sheet " + kData, 2, "usage", false, "", 0, 0},
      {"3ds " + ball, 0, ball + objects + "218 vertices, 432 faces\n" + empties, true, "", 0, 0},
      {"3ds " + knot + " --png " + png, 0, knot + objects + "768 vertices, 1536 faces\n" + empties, true, "", 512, 384},
      {"3ds " + (s / "text.3ds"), 1, "dorsel-inspect: " + (s / "text.3ds") + " is not a 3DS scene\n", true, "", 0, 0},
      {"3ds " + ball + " --png", 2, usage3ds, true, "", 0, 0},
      {"3ds", 2, usage3ds, true, "", 0, 0},
      {"it", 2, "usage", false, "length: ", 0, 0},
      {"it a.it b.it", 2, "usage", false, "length: ", 0, 0},
      {"it --wav", 2, "usage", false, "length: ", 0, 0},
      {"it " + (s / "missing.it"), 1, "not found", false, "length: ", 0, 0},
      {"it " + (s / "junk.it"), 1, "junk.it", false, "length: ", 0, 0},
      {"it " + (s / "fifo.it"), 1, "not a regular file", false, "length: ", 0, 0},
      {"it " + (s / "folder.it"), 1, "not a regular file", false, "length: ", 0, 0},
      // An output that cannot be made fails before anything is rendered.
      {"it " + song + " --wav " + (s / "no/such.wav"), 1, "cannot write", false, "length: ", 0, 0},
      {"it " + song + " --wav " + (s / "folder.it"), 1, "cannot write", false, "length: ", 0, 0},
      {"it " + (s / "endless.it") + " --wav " + (s / "endless.wav"), 1, "4 GiB", false, "length: ", 0, 0},
      {"it " + (s / "endless.it"), 0, "length: ", false, "", 0, 0},  // without a WAV the length is only told
      {"it " + song + " --wav /dev/full", 1, "cannot write /dev/full", false, "wav: ", 0, 0},  // a full disk
  };
  std::vector<Case> all(std::begin(cases), std::end(cases));
  for (const std::string& bad : {s / "none", s / "folder", s / "fifo"}) {  // what cannot be read as a file
    all.push_back({"pcx " + bad + ".pcx --png " + png, 1, "LoadPCX ERROR!: file " + bad + ".pcx not found", false, "", 0, 0});
    all.push_back({"3ds " + bad + ".3ds", 1, "dorsel-inspect: cannot open " + bad + ".3ds\n", true, "", 0, 0});
  }
  for (const Case& c : all) {
    SCOPED_TRACE(c.args);
    fs::remove(png);
    Outcome run = Inspect(c.args);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.out;
    if (c.whole) {
      EXPECT_EQ(run.out, c.says);
    } else {
      EXPECT_NE(run.out.find(c.says), std::string::npos) << run.out;
    }
    if (!c.never.empty()) { EXPECT_EQ(run.out.find(c.never), std::string::npos) << run.out; }
    auto [w, h] = testing_support::PngSize(png);
    EXPECT_EQ(w, c.width);
    EXPECT_TRUE(c.height < 0 ? h > 384 : h == c.height) << h << " rows";
  }
  EXPECT_FALSE(fs::exists(s / "endless.wav"));
}

uint32_t U32(const std::string& b, size_t at) {
  return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
         uint32_t(uint8_t(b[at + 3])) << 24;
}

TEST(Inspect, DescribesTheSongAndRendersItWhole) {
  ScratchDir s("inspect_song");
  Outcome run = Inspect("it " + kData + "what2xx.it --wav " + (s / "song.wav"));
  ASSERT_EQ(run.exitCode, 0) << run.out;
  for (const char* line : {"length: 237.000 s", "channels: 13", "instruments: 13", "samples: 13", "warnings: none",
                           "kick", "reverse crash"})
    EXPECT_NE(run.out.find(line), std::string::npos) << line << "\n" << run.out;
  std::string b = testing_support::FileText(s / "song.wav");
  ASSERT_GE(b.size(), 44u);
  EXPECT_EQ(b.substr(0, 4) + b.substr(8, 8), "RIFFWAVEfmt ");
  // Rate, stereo, the data's and the RIFF's sizes, and the whole song.
  EXPECT_EQ(std::tuple(U32(b, 24), U32(b, 22) & 0xFFFF, U32(b, 40), U32(b, 4)),
            std::tuple(44100u, 2u, uint32_t(b.size() - 44), uint32_t(b.size() - 8)));
  EXPECT_NEAR((b.size() - 44) / 4.0 / 44100, 237.0, 0.1);
}

// An OBJ with two named objects, exported as 3DS by assimp, read by the
// show's loader and listed by the inspector.
TEST(Inspect, ScenesExportedByAssimpLoadWithTheirCounts) {
  ASSERT_EQ(RunCommand("command -v assimp >/dev/null").exitCode, 0)
      << "assimp (Debian's assimp-utils, in build.sh) is not installed";
  ScratchDir s("inspect_assimp");
  const std::string obj = s / "two.obj", tds = s / "two.3ds";
  {
    std::ofstream f(obj);
    f << "o Plate\n";
    for (int k = 0; k < 9; ++k) f << "v " << k % 3 << " " << k / 3 << " 0\n";
    for (int a : {1, 2, 4, 5}) f << "f " << a << " " << a + 1 << " " << a + 4 << "\nf " << a << " " << a + 4 << " " << a + 3 << "\n";
    f << "o Wedge\nv 0 0 5\nv 1 0 5\nv 0 1 5\nv 0 0 6\nf 10 11 12\nf 10 11 13\nf 10 12 13\nf 11 12 13\n";
  }
  Outcome exported = RunCommand("assimp export " + obj + " " + tds + " 2>&1");
  ASSERT_EQ(exported.exitCode, 0) << exported.out;
  Scene scene;
  CrtRandom random;
  ::testing::internal::CaptureStdout();
  ASSERT_EQ(LoadScene(scene, tds.c_str(), random), 1);
  ::testing::internal::GetCapturedStdout();
  ASSERT_EQ(scene.objectCount, 2);
  for (int k = 0; k < 2; ++k) {
    const SceneObject& o = scene.objects[k];
    EXPECT_EQ(std::pair(o.vertexCount, o.faceCount), k ? std::pair(4, 4) : std::pair(9, 8));
    for (int j = 0; j < o.faceCount; ++j) EXPECT_LT(std::max({o.faces[j].a, o.faces[j].b, o.faces[j].c}), o.vertexCount);
  }
  // The plate's corner (2, 2, 0) is there, whichever way the exporter
  // numbered the vertices (assimp keeps 3DS's z-up axes as they are).
  bool corner = false;
  for (const MeshVertex& v : scene.objects[0].vertices)
    corner |= std::fabs(std::fabs(v.x) - 2) < 1e-4 && std::fabs(std::fabs(v.y) + std::fabs(v.z) - 2) < 1e-4;
  EXPECT_TRUE(corner);
  EXPECT_EQ(Inspect("3ds " + tds).out, tds + ": 2 objects\nobject 0: 9 vertices, 8 faces\nobject 1: 4 vertices, 4 faces\n");
}

}  // namespace
