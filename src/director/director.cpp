// The show's timetable. Each window of the schedule has a recipe: the effect
// calls of one frame, in order, ending with the present. Rates are per
// second of demo time unless a line says per frame.
#include "director/director.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "director/blends.h"
#include "director/pages.h"
#include "director/roto_zoom.h"
#include "engine3d/morph.h"
#include "engine3d/raster.h"
#include "engine3d/scene_frame.h"
#include "shell/demo.h"

namespace {

// The levels are kept in single precision, but the arithmetic between them
// ran in double precision: grow in double, round once on the store.
void Grow(float& value, double amount) { value = float(double(value) + amount); }
void GrowHeld(float& value, double amount, float limit) {
  Grow(value, amount);
  if (value > limit) value = limit;
}
void FallHeld(float& value, double amount) {
  Grow(value, -amount);
  if (value < 0) value = 0;
}

double Dt(Demo& demo) { return demo.clock.FrameSeconds; }
Director& State(Demo& demo) { return demo.director; }

// ---- Shared steps ---------------------------------------------------------

void FlareRing(Demo& demo, bool draw = true) {
  Director& d = State(demo);
  double dt = Dt(demo);
  Grow(d.orbitYaw, 0.4 * dt);
  Grow(d.orbitPitch, 0.4 * dt);
  Grow(d.orbitRoll, 0.4 * dt);
  double sa = std::sin(double(d.orbitYaw)), ca = std::cos(double(d.orbitYaw));
  double sb = std::sin(double(d.orbitPitch)), cb = std::cos(double(d.orbitPitch));
  double sc = std::sin(double(d.orbitRoll)), cc = std::cos(double(d.orbitRoll));
  d.orbitMatrix = {float(ca * cb),
                   float(sa * cb),
                   float(-sb),
                   float(ca * sb * sc - sa * cc),
                   float(sa * sb * sc + ca * cc),
                   float(cb * sc),
                   float(ca * sb * cc + sa * sc),
                   float(sa * sb * cc - ca * sc),
                   float(cb * cc)};
  const auto& m = d.orbitMatrix;
  for (float& phase : d.flarePhase) {
    Grow(phase, double(0.2f) * dt);
    // A flare past the end starts again from the very beginning.
    if (phase > 8) phase = 0;
    // The ring turns about its centre, 750 deep, and sits 1400 ahead.
    Vec3 p = EvaluatePath(d.flarePath, phase);
    double z = double(p.z) - 750;
    double x = double(m[0]) * p.x + double(m[3]) * p.y + double(m[6]) * z;
    double y = double(m[1]) * p.x + double(m[4]) * p.y + double(m[7]) * z;
    double depth = double(m[2]) * p.x + double(m[5]) * p.y + double(m[8]) * z + 1400;
    if (draw) DrawFlare(demo.flare, float(x), float(y), float(depth), demo.target, demo.settings.useMmx);
  }
}

void CameraStep(Demo& demo) {
  Director& d = State(demo);
  d.smoothSeconds = float(0.9 * d.smoothSeconds + 0.1 * Dt(demo));
  Grow(d.cameraPathPos, double(0.18f) * d.smoothSeconds);
  if (d.cameraPathPos > 7) d.cameraPathPos = 7;
  float u = d.cameraPathPos;
  TraceScene& scene = demo.trace;
  if (scene.lights.size() < size_t(kLitLights)) return;  // not built yet
  scene.eye = EvaluatePath(d.cameraEyePath, u);
  scene.target = EvaluatePath(d.cameraTargetPath, u);
  scene.lights[0].position = EvaluatePath(d.lightPath1, u);
  scene.lights[1].position = EvaluatePath(d.lightPath2, u);
  scene.lights[2].position = EvaluatePath(d.lightPath3, u);
}

// Rows 0-65 and 318-383 frame the ray-cast scenes, which never draw there.
void BorderRows(Demo& demo) {
  Director& d = State(demo);
  if (d.bordersDone) return;
  const PcxImage& gV = demo.pictures.gV;
  if (gV.width == kFrameWidth && gV.pixels.size() >= size_t(kFramePixels)) {
    constexpr int kBorderRows = 66;
    constexpr int kLowerBorder = kFrameHeight - kBorderRows;  // 318
    uint32_t* frame = demo.target.pixels;
    std::memcpy(frame, gV.pixels.data(), kBorderRows * kFrameWidth * sizeof(uint32_t));
    std::memcpy(frame + kLowerBorder * kFrameWidth, gV.pixels.data() + kLowerBorder * kFrameWidth,
                kBorderRows * kFrameWidth * sizeof(uint32_t));
  }
  if (demo.clock.DemoTimeMs >= 111000) d.bordersDone = 1;
}

void GreetingsPage(Demo& demo) {
  Director& d = State(demo);
  if (d.greetPageSet == 0) {
    SetTextPage(demo.textWriter, 100, 72, 0, 0, 350, 33, GreetingsText());
    d.greetPageSet = 1;
  }
}

// A scene whose file was never read has no slots: nothing to move or draw.
bool Loaded(const Scene& scene) { return !scene.objects.empty(); }

constexpr uint32_t kPageStartMs[4] = {149000, 160000, 171000, 182000};
constexpr int kFirstStoryWindow = 16;

void PagesAndMorphTarget(Demo& demo) {
  Director& d = State(demo);
  Scene& scene = demo.scenes[0];
  if (Loaded(scene)) {
    SceneObject& story = scene.objects[0];
    story.position[0] = -125, story.position[1] = 20, story.position[2] = -300;
  }
  // Pages a long frame skipped are all started, in order; the latest stays.
  for (int k = 1; k <= 4; ++k)
    if (demo.clock.DemoTimeMs >= kPageStartMs[k - 1] && d.pageStage == k - 1) {
      SetTextPage(demo.textWriter, 10, 140, 0, 0, 360, 10, StoryText(k));
      d.pageStage = k;
    }
  // Aimed again every frame: the object keeps melting towards this window's
  // shape from wherever it is.
  int page = ScheduleWindow(demo.clock.DemoTimeMs) - kFirstStoryWindow + 1;
  if (Loaded(scene) && Loaded(demo.scenes[page]))
    MorphAim(scene.objects[0], demo.scenes[page].objects[0]);
}

// The ball beside the ray-cast scenes.
void BallScene(Demo& demo) {
  if (!Loaded(demo.scenes[0])) return;
  DrawBallScene(demo.scenes[0], demo.depthOrder, State(demo).wobblePhase, demo.target.pixels);
}

// Camera aim, then every object turned by s on each axis, brought into
// camera space, depth-ordered and given its mode; `last` is the window's own
// per-object step.
template <typename Last>
void ObjectPass(Demo& demo, Scene& scene, float s, int32_t drawMode, Last last) {
  AimCamera(scene.cameras[0]);
  for (int k = 0; k < scene.objectCount; ++k) {
    SceneObject& object = scene.objects[k];
    RotateMoveObject(object, s, s, s, Vec3{0, 0, 0});
    TransformObject(object, scene.cameras[0]);
    BuildDepthKeys(object, demo.depthOrder);
    if (object.faceCount > 0) SortFaces(demo.depthOrder, 0, object.faceCount - 1);
    object.drawMode = drawMode;
    last(object);
  }
}

constexpr int kStoryScene = 0, kClosingScene = 5;
constexpr uint32_t kAllBits = 0xFFFFFFFFu;
constexpr int32_t kSmoothFirst = kFrameWidth;                      // row 1
constexpr int32_t kSmoothPixels = (kFrameHeight - 2) * kFrameWidth;  // rows 1 to 382

// The lights move on their own; the director only sets how strongly they
// show.
void BumpLightsAt(Demo& demo, float level) {
  demo.bumpLights.level = int32_t(level);
  DrawBumpLights(demo.bumpLights, demo.target, demo.clock.FrameSeconds, demo.settings.useMmx);
}

void Planes(Demo& demo) { DrawPlanes(demo.trace, demo.pictures.bump, demo.target, demo.settings.useMmx); }
void Tunnel(Demo& demo) { DrawTunnel(demo.trace, demo.pictures.bump, demo.target, demo.settings.useMmx); }

void UseFrameBuffer(Demo& demo) { SetFrameBuffer(demo.target, demo.frameBuffer.data()); }

void Fade(Demo& demo, float level) { FadeTarget(demo.target, int(level), demo.settings.useMmx); }

void TextStep(Demo& demo) {
  UpdateTextWriter(demo.textWriter, demo.pictures.fontti, demo.clock.DemoTimeMs);
  OverlayText(demo.textWriter, demo.target, demo.settings.useMmx);
}

void Noise(Demo& demo) { AddNoise(demo.target, demo.random, demo.settings.useMmx); }

void TileColumnsStep(Demo& demo) {
  ScrollTilesDown(demo.tileColumns, 10, demo.pictures.tilpeh2, demo.target, demo.settings.useMmx);
  ScrollTilesUp(demo.tileColumns, 422, demo.pictures.tilpeh2, demo.target, demo.settings.useMmx);
}

void Warp(Demo& demo) { DrawTableWarp(demo.warp, demo.target, demo.pictures.staticdi2, demo.settings.useMmx); }

constexpr float kZoom = 400.0f;
void RotoZoom(Demo& demo) {
  DrawRotoZoom(State(demo).rotoPhase, kZoom, demo.target, demo.pictures.zoom6, demo.settings.useMmx);
}
void FeedBack(Demo& demo) { FeedBackIntoTexture(demo.pictures.zoom6, demo.target); }

void CrossFade(Demo& demo, const PcxImage& picture, float level) {
  CrossFadeImage(picture, int32_t(level), demo.target, demo.settings.useMmx);
}

// The tile beside the ray-cast scenes.
void SideTile(Demo& demo) { DrawTile(10, 230, demo.pictures.tilpe3v4, demo.target); }

// ---- The recipes ----------------------------------------------------------

void Window1(Demo& demo) {
  UseFrameBuffer(demo);
  CopyPicture(demo.pictures.mechV, demo.target);
  Noise(demo);
  TextStep(demo);
  FlareRing(demo);
  Director& d = State(demo);
  Grow(d.fadeInLevel, 51 * Dt(demo));
  if (d.fadeInLevel < 255) Fade(demo, d.fadeInLevel);
  PresentFrame(demo.display);
}

void Window2(Demo& demo) {
  UseFrameBuffer(demo);
  Director& d = State(demo);
  GrowHeld(d.bumpRise, 85 * Dt(demo), 255);
  demo.bumpLights.level = int32_t(d.bumpRise);
  // Risen, the lights cover the whole frame: what lies below is not drawn,
  // but the generator, the writer and the flares move on as if it were.
  bool below = !BumpLightsCoverFrame(demo.bumpLights);
  if (below) {
    CopyPicture(demo.pictures.mechV, demo.target);
    Noise(demo);
    TextStep(demo);
  } else {
    SkipNoise(demo.random);
    UpdateTextWriter(demo.textWriter, demo.pictures.fontti, demo.clock.DemoTimeMs);
  }
  FlareRing(demo, below);
  BumpLightsAt(demo, d.bumpRise);
  DrawConsoleLine(demo.console, demo.pictures.fontti, 10, 366, demo.target);
  PresentFrame(demo.display);
}

void Window3(Demo& demo) {
  UseFrameBuffer(demo);
  Warp(demo);
  TileColumnsStep(demo);
  Director& d = State(demo);
  FallHeld(d.bumpFall, 85 * Dt(demo));
  d.smoothSeconds = float(0.9 * d.smoothSeconds + 0.1 * Dt(demo));
  BumpLightsAt(demo, d.bumpFall);
  PresentFrame(demo.display);
}

void Window4(Demo& demo) {
  UseFrameBuffer(demo);
  Warp(demo);
  TileColumnsStep(demo);
  if (demo.clock.DemoTimeMs > 76000) {
    GrowHeld(State(demo).imageRise, 85 * Dt(demo), 255);
    CrossFade(demo, demo.pictures.gV, State(demo).imageRise);
  }
  PresentFrame(demo.display);
}

void Window5(Demo& demo) {
  UseFrameBuffer(demo);
  CrossFadeImage(demo.pictures.gV, 255, demo.target, demo.settings.useMmx);
  PresentFrame(demo.display);
}

void Window6(Demo& demo) {
  UseFrameBuffer(demo);
  RotoZoom(demo);
  Grow(State(demo).rotoPhase, 6.4 * Dt(demo));
  FeedBack(demo);
  FallHeld(State(demo).imageFall, 85 * Dt(demo));
  CrossFade(demo, demo.pictures.gV, State(demo).imageFall);
  PresentFrame(demo.display);
}

void Window7(Demo& demo) {
  GreetingsPage(demo);
  UseFrameBuffer(demo);
  RotoZoom(demo);
  Grow(State(demo).rotoPhase, 6.4 * Dt(demo));
  FeedBack(demo);
  PresentFrame(demo.display);
}

void Window8(Demo& demo) {
  GreetingsPage(demo);
  UseFrameBuffer(demo);
  RotoZoom(demo);
  Grow(State(demo).rotoPhase, 6.4 * Dt(demo));
  TextStep(demo);
  FeedBack(demo);  // the typed text is smeared into the texture too
  PresentFrame(demo.display);
}

void Window9(Demo& demo) {
  GreetingsPage(demo);
  UseFrameBuffer(demo);
  RotoZoom(demo);
  Grow(State(demo).rotoPhase, 6.4 * Dt(demo));
  FeedBack(demo);
  GrowHeld(State(demo).overlayRise, 127.5 * Dt(demo), 255);
  CrossFade(demo, demo.pictures.image2, State(demo).overlayRise);
  PresentFrame(demo.display);
}

void Window10(Demo& demo) {
  GreetingsPage(demo);
  UseFrameBuffer(demo);
  CrossFadeImage(demo.pictures.image2, 255, demo.target, demo.settings.useMmx);
  PresentFrame(demo.display);
}

void Window11(Demo& demo) {
  BorderRows(demo);
  UseFrameBuffer(demo);
  CameraStep(demo);
  Planes(demo);
  SideTile(demo);
  BallScene(demo);
  // Not held: once at or below 0 the picture is simply left out.
  Grow(State(demo).overlayFall, -255 * Dt(demo));
  if (State(demo).overlayFall > 0) CrossFade(demo, demo.pictures.image2, State(demo).overlayFall);
  PresentFrame(demo.display);
}

void Window12(Demo& demo) {
  BorderRows(demo);
  UseFrameBuffer(demo);
  CameraStep(demo);
  Planes(demo);
  SideTile(demo);
  BallScene(demo);
  PresentFrame(demo.display);
}

void Window13(Demo& demo) {
  BorderRows(demo);
  UseFrameBuffer(demo);
  CameraStep(demo);
  Director& d = State(demo);
  DrawMorph(demo.trace, d.morphWeight, demo.pictures.bump, demo.target, demo.settings.useMmx);
  SideTile(demo);
  BallScene(demo);
  Grow(d.morphWeight, -double(0.2f) * Dt(demo));
  if (d.morphWeight < 0) d.morphWeight = 0;
  PresentFrame(demo.display);
}

void Window14(Demo& demo) {
  BorderRows(demo);
  UseFrameBuffer(demo);
  CameraStep(demo);
  Tunnel(demo);
  SideTile(demo);
  BallScene(demo);
  PresentFrame(demo.display);
}

void Window15(Demo& demo) {
  BorderRows(demo);
  UseFrameBuffer(demo);
  CameraStep(demo);
  Tunnel(demo);
  SideTile(demo);
  BallScene(demo);
  FallHeld(State(demo).tunnelFade, 85 * Dt(demo));
  Fade(demo, State(demo).tunnelFade);
  PresentFrame(demo.display);
}

// Windows 16 to 19: a story page over "atomb.pcx" and the morphing object.
// They keep the target the previous window chose.
void StoryPage(Demo& demo) {
  PagesAndMorphTarget(demo);
  CopyPicture(demo.pictures.atomb, demo.target);
  Scene& scene = demo.scenes[kStoryScene];
  if (Loaded(scene)) {
    // The morph moves the object-space vertices: it shows from the next frame.
    ObjectPass(demo, scene, 0.03f, 2, [](SceneObject& object) { MorphStep(object); });
    DrawScene(scene, scene.cameras[0], demo.target.pixels, demo.depthOrder, kAllBits, 0);
  }
  TextStep(demo);
  Grow(State(demo).wobblePhase, 0.025);  // per frame
  PresentFrame(demo.display);
}

void Window20(Demo& demo) {
  UseFrameBuffer(demo);
  demo.landscape.eyeHeight = 300;
  Director& d = State(demo);
  DrawLandscape(demo.landscape, d.landX, d.landY, d.landHeading, demo.pictures.land7, demo.target,
                demo.settings.useMmx);
  // The flight follows the heading of the view's left edge; per frame.
  d.landX += 2 * demo.landscape.dirX[d.landHeading];
  d.landY += 2 * demo.landscape.dirY[d.landHeading];
  d.landHeading = (d.landHeading + 4) % kLandDirections;
  DrawWobbleOverlay(demo.wobble, demo.pictures.staff2, demo.landscape.dirX, demo.landscape.dirY, demo.target);
  PresentFrame(demo.display);
}

void ClosingScene(Demo& demo, bool fading) {
  Scene& scene = demo.scenes[kClosingScene];
  if (Loaded(scene)) {
    SceneObject& knot = scene.objects[0];
    knot.position[0] = 0, knot.position[1] = 0, knot.position[2] = -450;
  }
  UseFrameBuffer(demo);
  std::memset(demo.target.pixels, 0, kFramePixels * sizeof(uint32_t));
  Director& d = State(demo);
  if (Loaded(scene)) {
    ObjectPass(demo, scene, 0.015f, 1,
               [&d](SceneObject& object) { WobbleVertices(d.wobblePhase, object); });
    DrawScene(scene, scene.cameras[0], demo.target.pixels, demo.depthOrder, 0, 0);
  }
  SmoothRow(demo.target.pixels + kSmoothFirst, kSmoothPixels, demo.settings.useMmx);
  CopyLogo(374, 10, demo.pictures.viivak, demo.target);
  if (fading && demo.clock.DemoTimeMs > 231000) {
    FallHeld(d.closingFade, 85 * Dt(demo));
    Fade(demo, d.closingFade);
  }
  PresentFrame(demo.display);
  Grow(d.wobblePhase, 0.025);  // per frame
}

void Window21(Demo& demo) { ClosingScene(demo, false); }
void Window22(Demo& demo) { ClosingScene(demo, true); }

}  // namespace

const std::array<ScheduleEntry, kScheduleWindows> kSchedule = {{
    {0, 20000, Window1,
     "a machine picture with noise, a code listing typed out, 40 flares on a rotating ring; fade in from black"},
    {20000, 54000, Window2,
     "lit leaves under coloured bump-mapped lights rise over it until they cover the picture; a console line"},
    {54000, 57000, Window3,
     "a warped static texture between two scrolling tile columns; the lights fade out"},
    {57000, 79000, Window4,
     "the warp and tile columns; a full-frame picture cross-fades in near the end"},
    {79000, 82000, Window5,
     "the full-frame picture alone"},
    {82000, 85000, Window6,
     "a rotating zoom that feeds back into its own texture; the picture fades out"},
    {85000, 88000, Window7,
     "the rotating zoom"},
    {88000, 105000, Window8,
     "greetings typed into the zoom and smeared by its feedback"},
    {105000, 107000, Window9,
     "the rotating zoom; a second picture cross-fades in"},
    {107000, 109000, Window10,
     "the second picture alone"},
    {109000, 111000, Window11,
     "ray-cast planes with a tile and a ball scene between framing borders; the picture fades out"},
    {111000, 128000, Window12,
     "ray-cast planes, tile and ball scene"},
    {128000, 133000, Window13,
     "the planes morph into a tunnel"},
    {133000, 146000, Window14,
     "ray-cast tunnel, tile and ball scene"},
    {146000, 149000, Window15,
     "the tunnel; fade to black"},
    {149000, 160000, StoryPage,
     "story page 1 typed over a picture and a morphing object"},
    {160000, 171000, StoryPage,
     "story page 2; the object morphs towards a new shape"},
    {171000, 182000, StoryPage,
     "story page 3; another shape"},
    {182000, 193000, StoryPage,
     "story page 4; the last shape"},
    {193000, 215000, Window20,
     "flight over a height-field landscape beside the swaying credits"},
    {215000, 231000, Window21,
     "a wobbling wire-frame object on black, smoothed, with the logo"},
    {231000, 234000, Window22,
     "the wire-frame object and logo; fade to black"},
}};

int ScheduleWindow(uint32_t t) {
  for (int w = 0; w < kScheduleWindows; ++w)
    if (t < kSchedule[w].to) return w + 1;
  return 0;
}

int WindowsVisited(const Director& director) { return std::popcount(director.visitedWindows); }

void FillPaths(Director& d) {
  struct Row {
    KeyPath* path;
    int closed;
    float keys[8][3];
  };
  const Row rows[6] = {
      {&d.flarePath, 1, {{-95, -220, 1500}, {-380, -45, 500}, {-145, 385, 1500}, {125, 285, 500},
                         {170, -135, 1500}, {345, 130, 500}, {660, -465, 1000}, {-130, -245, 500}}},
      {&d.cameraEyePath, 0, {{0, 0, 0}, {0, -50, 400}, {26, 53, 800}, {0, 71, 1200},
                             {0, 6, 1600}, {0, -150, 2000}, {-111, 65, 2045}, {0, 0, 0}}},
      {&d.cameraTargetPath, 0, {{0, 0, 50}, {28, -21, 430}, {-3, 34, 836}, {24, 54, 1240},
                                {-29, 38, 1650}, {-37, -140, 2032}, {-101, 77, 1998}, {0, 0, -50}}},
      {&d.lightPath1, 0, {{420, -155, 880}, {0, 0, 400}, {-700, 95, 1500}, {-280, 0, 1580},
                          {140, 90, 2540}, {0, 0, 1140}, {220, 80, 1345}, {0, 0, -1800}}},
      {&d.lightPath2, 0, {{-280, 135, 880}, {120, 0, 780}, {-240, -100, 520}, {380, -140, 1880},
                          {-180, 105, 2860}, {0, 0, 900}, {0, 0, 1545}, {0, 0, 1380}}},
      {&d.lightPath3, 0, {{-60, 0, 1340}, {660, 0, 1180}, {-60, 0, 1340}, {720, 0, 940},
                          {0, 0, 1120}, {-220, -95, 2720}, {0, 0, 1545}, {0, 0, 980}}},
  };
  for (const Row& row : rows) {
    PathKey keys[8];
    for (int k = 0; k < 8; ++k) keys[k].position = Vec3{row.keys[k][0], row.keys[k][1], row.keys[k][2]};
    SetPathKeys(*row.path, keys, row.closed);
  }
  // The flare ring's two tight bends.
  d.flarePath.keys[0].tension = 7.8f;
  d.flarePath.keys[2].tension = 9.0f;
}

void FillFlarePhases(Director& d) {
  // Summed step by step at higher precision, as the original did, so the
  // last flare lands on 8.
  const double step = 8.0 * double(0.025641026f);
  double phase = 0;
  for (float& p : d.flarePhase) {
    p = float(phase);
    phase += step;
  }
}

void DemoFrame(Demo& demo) {
  host::Platform& host = demo.platform;
  uint32_t t = ClockReading(demo.clock, demo.settings.noSound, host.player.SongTimeMs(demo.SongHandle),
                            uint32_t(host.backend->NowMs()));
  if (TickDemoClock(demo.clock, t)) host.windows.PostMessage(demo.MainWindow, host::WM_CLOSE, 0, 0);
  BeginFrame(demo.display);
  // A surface that could not be locked leaves nothing to draw into.
  if (!demo.target.pixels) return;
  int w = ScheduleWindow(demo.clock.DemoTimeMs);
  if (w == 0) return;
  demo.director.visitedWindows |= 1u << w;
  demo.director.lastWindow = w;
  kSchedule[w - 1].recipe(demo);
}

std::string TimetableText() {
  std::string text;
  for (int w = 0; w < kScheduleWindows; ++w) {
    const ScheduleEntry& e = kSchedule[w];
    char line[256];
    std::snprintf(line, sizeof line, "%2d %4u.%03u %4u.%03u  %s\n", w + 1, unsigned(e.from / 1000),
                  unsigned(e.from % 1000), unsigned(e.to / 1000), unsigned(e.to % 1000), e.contents);
    text += line;
  }
  return text;
}
