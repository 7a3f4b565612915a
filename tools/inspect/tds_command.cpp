// dorsel-inspect 3ds: what the show's scene loader makes of a 3DS file, and
// optionally one picture of it drawn by the show's own rasterizers.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/file_read.h"
#include "commands.h"
#include "engine3d/scene.h"
#include "engine3d/scene_frame.h"
#include "base/png_writer.h"

namespace {

constexpr uint32_t kBackdrop = 0x181820;
constexpr float kViewDistance = -300;  // the objects' z, 300 in front of the start camera
constexpr float kTurn = 0.5f;          // radians on each axis, so the depth shows

// A 3DS scene is one main chunk (a project file holds one too); the show's
// loader takes any bytes, so the inspector looks at the first chunk itself.
bool StartsAsAScene(const std::vector<uint8_t>& bytes) {
  if (bytes.size() < 6) return false;
  const unsigned id = bytes[0] | bytes[1] << 8;
  return id == 0x4D4D || id == 0xC23D;
}

// The loader talks to standard output as the show does; here that output is
// kept for the listing, so the loader's messages are set aside.
int LoadQuietly(Scene& scene, const std::string& file) {
  std::fflush(stdout);
  int saved = dup(1);
  int null = open("/dev/null", O_WRONLY);
  if (saved >= 0 && null >= 0) dup2(null, 1);
  CrtRandom random;
  int ok = LoadScene(scene, file.c_str(), random);
  std::fflush(stdout);
  if (saved >= 0) dup2(saved, 1), close(saved);
  if (null >= 0) close(null);
  return ok;
}

// Every object centred in front of the camera, turned a little, filled and
// then outlined, the way the show draws its morphing and closing objects.
bool DrawPicture(Scene& scene, const std::string& png) {
  std::vector<uint32_t> pixels(size_t(kFrameWidth) * kFrameHeight, kBackdrop);
  DepthOrder order;
  SceneCamera& camera = scene.cameras[0];
  AimCamera(camera);
  for (int k = 0; k < scene.objectCount; ++k) {
    SceneObject& object = scene.objects[k];
    object.position[0] = 0, object.position[1] = 0, object.position[2] = kViewDistance;
    RotateMoveObject(object, kTurn, kTurn, 0, Vec3{0, 0, 0});
    TransformObject(object, camera);
    object.drawMode = 2;
  }
  DrawScene(scene, camera, pixels.data(), order, 0, 0);
  for (int k = 0; k < scene.objectCount; ++k) scene.objects[k].drawMode = 1;
  DrawScene(scene, camera, pixels.data(), order, 0xFFFFFFFFu, 0);
  return WritePng(png, pixels.data(), kFrameWidth, kFrameHeight);
}

}  // namespace

int RunTdsCommand(const std::vector<std::string>& args) {
  if (!(args.size() == 1 || (args.size() == 3 && args[1] == "--png"))) {
    std::fprintf(stderr, "usage: dorsel-inspect 3ds FILE [--png OUT]\n");
    return 2;
  }
  const std::string& file = args[0];
  std::vector<uint8_t> bytes;
  if (base::ReadWholeFile(file, kSceneFileLimit, bytes) != base::FileRead::kOk) {
    std::fprintf(stderr, "dorsel-inspect: cannot open %s\n", file.c_str());
    return 1;
  }
  if (!StartsAsAScene(bytes)) {
    std::fprintf(stderr, "dorsel-inspect: %s is not a 3DS scene\n", file.c_str());
    return 1;
  }
  bytes = {};
  Scene scene;
  if (!LoadQuietly(scene, file)) {
    std::fprintf(stderr, "dorsel-inspect: cannot open %s\n", file.c_str());
    return 1;
  }
  std::printf("%s: %d objects\n", file.c_str(), scene.objectCount);
  for (int k = 0; k < scene.objectCount; ++k)
    std::printf("object %d: %d vertices, %d faces\n", k, scene.objects[k].vertexCount,
                scene.objects[k].faceCount);
  if (args.size() == 3 && !DrawPicture(scene, args[2])) {
    std::fprintf(stderr, "dorsel-inspect: cannot write %s\n", args[2].c_str());
    return 1;
  }
  return 0;
}
