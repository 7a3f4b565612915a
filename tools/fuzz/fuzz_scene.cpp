// LoadScene on arbitrary bytes with the show's generator, checking that
// every slot it leaves can be drawn: counts match the lists, and every face
// names vertices of its own object.
#include <cstdint>
#include <cstdio>

#include "engine3d/scene.h"
#include "fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The loader's track and camera messages would swamp the fuzzer's own.
  static bool quiet = std::freopen("/dev/null", "w", stdout) != nullptr;
  (void)quiet;
  static fuzz::InputFile input(".3DS");
  const std::string& path = input.Write(data, size);
  Scene scene;
  CrtRandom random;
  // The file is there, so the path that ends the show is never taken.
  if (LoadScene(scene, path.c_str(), random) != 1) fuzz::Broken("the written scene could not be opened");
  if (scene.objectCount < 0 || scene.objectCount > scene.objectCapacity) fuzz::Broken("object count out of range");
  if (scene.objects.size() != size_t(kObjectSlots) || scene.cameras.size() != size_t(kCameraSlots))
    fuzz::Broken("slot arrays resized");
  for (const SceneObject& o : scene.objects) {
    if (o.vertexCount < 0 || size_t(o.vertexCount) != o.vertices.size()) fuzz::Broken("vertex count mismatch");
    if (o.faceCount < 0 || size_t(o.faceCount) != o.faces.size() || o.faces.size() != o.faceInfo.size())
      fuzz::Broken("face count mismatch");
    for (const FaceIndices& f : o.faces)
      for (int32_t v : {f.a, f.b, f.c})
        if (v < 0 || v >= o.vertexCount) fuzz::Broken("a face names a vertex its object lacks");
  }
  if (LargestFaceCount(&scene, 1) > 65535) fuzz::Broken("more faces than a list can hold");
  return 0;
}
