// dorsel-inspect 3ds on the show's scenes, on files another tool wrote
// (assimp's 3DS exporter), and on bad input.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine3d/scene.h"
#include "support/process.h"

namespace {

namespace fs = std::filesystem;
using testing_support::Outcome;
using testing_support::PngSize;
using testing_support::RunCommand;

std::string Inspect() { return testing_support::BuiltProgram("dorsel-inspect"); }
std::string Data(const std::string& name) { return std::string(DORSEL_BINARY_DIR) + "/data/" + name; }

struct Scratch {
  fs::path dir;
  Scratch() {
    std::string pattern = (fs::temp_directory_path() / "inspect-3ds-XXXXXX").string();
    dir = mkdtemp(pattern.data());
  }
  ~Scratch() { fs::remove_all(dir); }
  std::string operator/(const std::string& name) const { return (dir / name).string(); }
};

TEST(Inspect3ds, ListsObjectsAndDrawsThem) {
  Scratch scratch;
  std::string png = scratch / "scene.png";
  fs::create_directory(scratch / "folder.3ds");
  ASSERT_EQ(mkfifo((scratch / "fifo.3ds").c_str(), 0600), 0);
  std::ofstream(scratch / "text.3ds") << "a picture of a scene, in words\n";
  struct Case {
    std::string args;
    int exitCode;
    std::string out;  // standard output and error together
    bool picture;
  };
  const Case cases[] = {
      {Data("X_BALL.3DS"), 0,
       Data("X_BALL.3DS") + ": 3 objects\nobject 0: 218 vertices, 432 faces\nobject 1: 0 vertices, 0 faces\n"
                            "object 2: 0 vertices, 0 faces\n",
       false},
      {Data("X_DAOBJ.3DS") + " --png " + png, 0,
       Data("X_DAOBJ.3DS") + ": 3 objects\nobject 0: 768 vertices, 1536 faces\nobject 1: 0 vertices, 0 faces\n"
                             "object 2: 0 vertices, 0 faces\n",
       true},
      {scratch / "none.3ds", 1, "dorsel-inspect: cannot open " + (scratch / "none.3ds") + "\n", false},
      {scratch / "folder.3ds", 1, "dorsel-inspect: cannot open " + (scratch / "folder.3ds") + "\n", false},
      {scratch / "fifo.3ds", 1, "dorsel-inspect: cannot open " + (scratch / "fifo.3ds") + "\n", false},
      {scratch / "text.3ds", 1, "dorsel-inspect: " + (scratch / "text.3ds") + " is not a 3DS scene\n", false},
      {Data("X_BALL.3DS") + " --png", 2, "usage: dorsel-inspect 3ds FILE [--png OUT]\n", false},
      {"", 2, "usage: dorsel-inspect 3ds FILE [--png OUT]\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    fs::remove(png);
    Outcome run = RunCommand("timeout 60 " + Inspect() + " 3ds " + c.args + " 2>&1");
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(PngSize(png), c.picture ? std::pair(512, 384) : std::pair(0, 0));
  }
}

// Writes an OBJ with two named objects, has assimp export it as 3DS, and
// reads that with the show's loader.
TEST(Inspect3ds, ScenesExportedByAssimpLoadWithTheirCounts) {
  ASSERT_EQ(RunCommand("command -v assimp >/dev/null").exitCode, 0)
      << "assimp (Debian's assimp-utils, in build.sh) is not installed";
  Scratch scratch;
  std::string obj = scratch / "two.obj", tds = scratch / "two.3ds";
  {
    std::ofstream f(obj);
    f << "o Plate\n";
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 3; ++x) f << "v " << x << " " << y << " 0\n";
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 2; ++x) {
        int a = 1 + y * 3 + x;
        f << "f " << a << " " << a + 1 << " " << a + 4 << "\n" << "f " << a << " " << a + 4 << " " << a + 3 << "\n";
      }
    f << "o Wedge\nv 0 0 5\nv 1 0 5\nv 0 1 5\nv 0 0 6\n";
    f << "f 10 11 12\nf 10 11 13\nf 10 12 13\nf 11 12 13\n";
  }
  Outcome exported = RunCommand("assimp export " + obj + " " + tds + " 2>&1");
  ASSERT_EQ(exported.exitCode, 0) << exported.out;

  Scene scene;
  CrtRandom random;
  ::testing::internal::CaptureStdout();
  ASSERT_EQ(LoadScene(scene, tds.c_str(), random), 1);
  ::testing::internal::GetCapturedStdout();
  ASSERT_EQ(scene.objectCount, 2);
  EXPECT_EQ(scene.objects[0].vertexCount, 9);
  EXPECT_EQ(scene.objects[0].faceCount, 8);
  EXPECT_EQ(scene.objects[1].vertexCount, 4);
  EXPECT_EQ(scene.objects[1].faceCount, 4);
  for (int k = 0; k < 2; ++k)
    for (int j = 0; j < scene.objects[k].faceCount; ++j) {
      const FaceIndices& f = scene.objects[k].faces[j];
      EXPECT_LT(std::max({f.a, f.b, f.c}), scene.objects[k].vertexCount);
    }
  // The plate's corner (2, 2, 0) is there, whichever way the exporter
  // numbered the vertices (assimp keeps 3DS's z-up axes as they are).
  bool corner = false;
  for (const MeshVertex& v : scene.objects[0].vertices)
    corner |= std::fabs(std::fabs(v.x) - 2) < 1e-4 && std::fabs(std::fabs(v.y) + std::fabs(v.z) - 2) < 1e-4;
  EXPECT_TRUE(corner);
  Outcome listed = RunCommand(Inspect() + " 3ds " + tds);
  EXPECT_EQ(listed.out, tds + ": 2 objects\nobject 0: 9 vertices, 8 faces\nobject 1: 4 vertices, 4 faces\n");
}

}  // namespace
