// The meshes of the show, made from formulas, and the files they go into.
#include "assetgen/scenes.h"

#include <cmath>
#include <map>
#include <tuple>

#include "assetgen/assetgen.h"
#include "engine3d/scene.h"

namespace scenes {

namespace {

constexpr float kPi = 3.14159265f;

struct Lattice {
  std::vector<std::array<int, 3>> points;  // 0..n on each axis, on the cube's surface
  std::vector<tds::Face> faces;
};

// The surface of an n × n × n cube of cells: shared corner and edge points,
// two triangles to a cell, wound outwards, cell by cell.
// n must be even.
Lattice CubeLattice(int n) {
  Lattice l;
  std::map<std::array<int, 3>, uint16_t> index;
  auto point = [&](std::array<int, 3> p) {
    auto [it, added] = index.try_emplace(p, uint16_t(l.points.size()));
    if (added) l.points.push_back(p);
    return it->second;
  };
  for (int axis = 0; axis < 3; ++axis)
    for (int side = 0; side < 2; ++side) {
      int u = (axis + 1) % 3, v = (axis + 2) % 3;
      auto at = [&](int p, int q) {
        std::array<int, 3> c{};
        c[axis] = side * n, c[u] = p, c[v] = q;
        return point(c);
      };
      // Faces take their colours in pairs, a cell each, alternating: every
      // other row goes by swapped neighbours so the cells make a chequer.
      for (int q = 0; q < n; ++q)
        for (int e = 0; e < n; ++e) {
          int p = q % 2 ? e ^ 1 : e;
          uint16_t a = at(p, q), b = at(p + 1, q), c = at(p + 1, q + 1), d = at(p, q + 1);
          if (side == 1) {
            l.faces.push_back({a, b, c}), l.faces.push_back({a, c, d});
          } else {
            l.faces.push_back({a, c, b}), l.faces.push_back({a, d, c});
          }
        }
    }
  return l;
}

using Vec = std::array<float, 3>;

float Length(const Vec& v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }
Vec Scale(const Vec& v, float s) { return {v[0] * s, v[1] * s, v[2] * s}; }
Vec Normalise(const Vec& v) { return Scale(v, 1 / Length(v)); }
Vec Cross(const Vec& a, const Vec& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// A lattice point as a cube coordinate in -1..1 and as a direction spread
// evenly over the sphere (equal angles per cell).
Vec CubeCoord(const std::array<int, 3>& p, int n) {
  return {2.0f * p[0] / n - 1, 2.0f * p[1] / n - 1, 2.0f * p[2] / n - 1};
}
Vec SphereDir(const Vec& c) {
  return Normalise({std::tan(c[0] * kPi / 4), std::tan(c[1] * kPi / 4), std::tan(c[2] * kPi / 4)});
}

enum class Shape { kBall, kBox, kOrganic, kTwistedBox, kSpikes };

Vec Place(Shape shape, const std::array<int, 3>& p, int n) {
  Vec c = CubeCoord(p, n), d = SphereDir(c);
  switch (shape) {
    case Shape::kBall:
      return Scale(d, 70);
    case Shape::kBox:
      return Scale(c, 62);
    case Shape::kOrganic: {
      // A lumpy, twisting gourd: lobes round the vertical axis that turn
      // with height, swelling towards the top.
      float around = std::atan2(d[2], d[0]);
      float r = 64 * (1 + 0.24f * std::sin(4 * around + 3 * d[1]) * std::cos(1.4f * d[1]) +
                      0.16f * d[1] + 0.1f * std::cos(6 * d[1]));
      return Scale(d, r);
    }
    case Shape::kTwistedBox: {
      // A tall block turned a quarter round over its height.
      float x = 40 * c[0], y = 84 * c[1], z = 40 * c[2];
      float turn = 0.8f * c[1];
      return {x * std::cos(turn) - z * std::sin(turn), y, x * std::sin(turn) + z * std::cos(turn)};
    }
    case Shape::kSpikes: {
      bool spike = p[0] % (n / 2) == 0 && p[1] % (n / 2) == 0 && p[2] % (n / 2) == 0;
      return Scale(d, spike ? 116.0f : 54.0f);
    }
  }
  return d;
}

tds::Mesh LatticeMesh(const std::string& name, Shape shape) {
  Lattice l = CubeLattice(kCubeCells);
  tds::Mesh mesh{name, {}, l.faces};
  for (const auto& p : l.points) mesh.vertices.push_back(Place(shape, p, kCubeCells));
  return mesh;
}

// A (2, 3) torus knot drawn as a tube: kAlong rings of kAround points.
tds::Mesh Knot() {
  constexpr int kAlong = 96, kAround = 8;
  constexpr float kSize = 23, kTube = 6.5f;
  auto centre = [&](float t) {
    float r = 2 + std::cos(3 * t);
    return Vec{kSize * r * std::cos(2 * t), kSize * std::sin(3 * t), kSize * r * std::sin(2 * t)};
  };
  tds::Mesh mesh{"Knot", {}, {}};
  for (int i = 0; i < kAlong; ++i) {
    float t = 2 * kPi * i / kAlong;
    Vec a = centre(t - 0.01f), b = centre(t + 0.01f), c = centre(t);
    Vec tangent = Normalise({b[0] - a[0], b[1] - a[1], b[2] - a[2]});
    Vec normal = Normalise(Cross(tangent, {0, 1, 0}));
    Vec binormal = Cross(tangent, normal);
    for (int j = 0; j < kAround; ++j) {
      float th = 2 * kPi * j / kAround;
      float cs = kTube * std::cos(th), sn = kTube * std::sin(th);
      mesh.vertices.push_back({c[0] + cs * normal[0] + sn * binormal[0],
                               c[1] + cs * normal[1] + sn * binormal[1],
                               c[2] + cs * normal[2] + sn * binormal[2]});
    }
  }
  auto at = [&](int i, int j) { return uint16_t((i % kAlong) * kAround + j % kAround); };
  for (int i = 0; i < kAlong; ++i)
    for (int j = 0; j < kAround; ++j) {
      uint16_t a = at(i, j), b = at(i + 1, j), c = at(i + 1, j + 1), d = at(i, j + 1);
      mesh.faces.push_back({a, b, c}), mesh.faces.push_back({a, c, d});
    }
  return mesh;
}

tds::Material Chrome() { return {"CHROME", {40, 40, 48}, {200, 205, 220}, {0.9f, 0.9f, 1.0f}, "BUMP.PCX"}; }

}  // namespace

tds::SceneData Build(int k) {
  tds::SceneData s;
  s.material = Chrome();
  s.lightPosition = {-200, 260, -400};
  switch (k) {
    case 0: s.meshes.push_back(LatticeMesh("Ball", Shape::kBall)); break;
    case 1: s.meshes.push_back(LatticeMesh("Boksi2", Shape::kBox)); break;
    case 2: s.meshes.push_back(LatticeMesh("Votky", Shape::kOrganic)); break;
    case 3: s.meshes.push_back(LatticeMesh("Boksi", Shape::kTwistedBox)); break;
    case 4: s.meshes.push_back(LatticeMesh("Spike", Shape::kSpikes)); break;
    default:
      s.meshes.push_back(Knot());
      s.material = {"GLOW", {0, 0, 40}, {30, 60, 255}, {0.4f, 0.6f, 1.0f}, ""};
      break;
  }
  return s;
}

}  // namespace scenes

bool WriteScenes(const std::string& dir) {
  bool ok = true;
  for (int k = 0; k < kSceneCount; ++k)
    ok = tds::Save(dir + "/" + kSceneFiles[k], tds::Encode(scenes::Build(k))) && ok;
  return ok;
}
