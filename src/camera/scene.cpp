#include "camera/scene.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

namespace ryk {

namespace {

// The world; see scene.h.
constexpr float kCamY = 0.7f;     // eye height above the floor
constexpr float kWallZ = 12.0f;   // distance of the wall
constexpr float kWallTop = 4.0f;  // height of the wall; sky above
constexpr float kBlockW = 0.9f, kBlockH = 0.45f;  // wall stones
constexpr float kTile = 0.6f;     // floor tiles
// Towards the sun: high, a little to the left and behind the cameras, so
// that shadows fall just behind what casts them.
constexpr float kLx = -0.3501f, kLy = 0.8803f, kLz = -0.3201f;
// Half-way between the sun and the view direction, for highlights.
constexpr float kHx = -0.2155f, kHy = 0.5418f, kHz = -0.8124f;
constexpr float kPi = 3.14159265f;

struct Colour {
  float b, g, r;
};
Colour operator*(Colour c, float k) { return {c.b * k, c.g * k, c.r * k}; }
Colour operator+(Colour a, Colour b) { return {a.b + b.b, a.g + b.g, a.r + b.r}; }
Colour mixed(Colour a, Colour b, float t) { return a * (1.0f - t) + b * t; }

// max before min so that NaN ends as 0.
std::uint8_t u8(float v) { return static_cast<std::uint8_t>(std::min(255.0f, std::max(0.0f, v)) + 0.5f); }

[[gnu::always_inline]] inline void blend(std::uint8_t* p, Colour c, float a) {
  if (a >= 1.0f) {
    p[0] = u8(c.b);
    p[1] = u8(c.g);
    p[2] = u8(c.r);
  } else {
    p[0] = u8(p[0] + (c.b - p[0]) * a);
    p[1] = u8(p[1] + (c.g - p[1]) * a);
    p[2] = u8(p[2] + (c.r - p[2]) * a);
  }
  p[3] = 0;
}

// Picture coordinates are clamped before they become integers: far-away
// eyes or tiny pictures give huge projections.
int clampedFloor(double v, int lo, int hi) {
  if (!(v >= lo)) return lo;
  if (v >= hi) return hi;
  return static_cast<int>(std::floor(v));
}

float clamp01(float v) { return std::min(1.0f, std::max(0.0f, v)); }

std::uint32_t hash(std::uint32_t x, std::uint32_t y) {
  std::uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  return h ^ (h >> 15);
}

struct View {
  std::uint8_t* p;
  int w, h, stride;
  float f, cx, cy, eye;
  std::uint8_t* at(int x, int y) const { return p + static_cast<std::ptrdiff_t>(y) * stride + x * 4; }
  float u(float x, float z) const { return cx + f * (x - eye) / z; }    // column of a point
  float v(float y, float z) const { return cy - f * (y - kCamY) / z; }  // row of a point
};

// ---- Sky, wall and floor: every pixel, so integer maths per pixel ----------

constexpr int kPalette = 8;
const Colour kStones[kPalette] = {{118, 160, 204}, {104, 146, 190}, {126, 170, 212}, {96, 132, 178},
                                  {112, 150, 186}, {130, 166, 200}, {100, 140, 196}, {120, 154, 192}};

void background(const View& V) {
  const int w = V.w;
  // Per column: the wall's stone coordinate (16.16, offset to stay positive)
  // and the light, which falls off to the right and towards the edges.
  std::vector<std::int32_t> wallX(static_cast<size_t>(w));
  std::vector<std::int32_t> light(static_cast<size_t>(w));
  constexpr float kBias = 4096.0f;  // stones; keeps +-100 m eyes positive
  for (int x = 0; x < w; ++x) {
    const float dx = (static_cast<float>(x) + 0.5f - V.cx) / V.f;
    const float X = V.eye + dx * kWallZ;
    wallX[static_cast<size_t>(x)] = static_cast<std::int32_t>((X / kBlockW + kBias) * 65536.0f);
    const float edge = (static_cast<float>(x) + 0.5f - V.cx) / V.cx;
    const float sun = 1.08f - 0.22f * clamp01((X + 6.0f) / 12.0f);
    light[static_cast<size_t>(x)] = static_cast<std::int32_t>(256.0f * sun * (1.0f - 0.22f * edge * edge));
  }
  for (int y = 0; y < V.h; ++y) {
    std::uint8_t* row = V.at(0, y);
    const float dy = (V.cy - (static_cast<float>(y) + 0.5f)) / V.f;  // up per metre ahead
    const float edge = (static_cast<float>(y) + 0.5f - V.cy) / V.cy;
    const float rowLight = 1.0f - 0.18f * edge * edge;
    const float wallY = kCamY + dy * kWallZ;
    if (wallY >= kWallTop) {
      // Sky: deep blue above, hazy towards the wall.
      const float t = clamp01((wallY - kWallTop) / (kWallTop * 1.6f));
      const Colour c = mixed({228, 214, 196}, {196, 134, 72}, std::sqrt(t)) * rowLight;
      const auto cb = static_cast<std::int32_t>(c.b), cg = static_cast<std::int32_t>(c.g),
                 cr = static_cast<std::int32_t>(c.r);
      for (int x = 0; x < w; ++x, row += 4) {
        const std::int32_t l = (light[static_cast<size_t>(x)] + 256) >> 1;  // the sky barely shades
        row[0] = static_cast<std::uint8_t>(std::min(255, (cb * l) >> 8));
        row[1] = static_cast<std::uint8_t>(std::min(255, (cg * l) >> 8));
        row[2] = static_cast<std::uint8_t>(std::min(255, (cr * l) >> 8));
        row[3] = 0;
      }
    } else if (wallY >= 0.0f) {
      // Wall: stones in courses, every other course offset by half a stone,
      // lit from above (light top edges, dark bottom edges), darker where it
      // meets the floor.
      const float course = wallY / kBlockH;
      const auto by = static_cast<std::uint32_t>(course);
      const float fy = course - static_cast<float>(by);
      const std::int32_t offset = (by & 1u) ? 0x8000 : 0;
      const float ao = 1.0f - 0.4f * std::exp(-wallY / 0.35f);
      const float k = rowLight * ao * (0.86f + 0.05f * wallY);
      std::int32_t pal[kPalette][3];
      for (int i = 0; i < kPalette; ++i) {
        pal[i][0] = static_cast<std::int32_t>(kStones[i].b * k);
        pal[i][1] = static_cast<std::int32_t>(kStones[i].g * k);
        pal[i][2] = static_cast<std::int32_t>(kStones[i].r * k);
      }
      const bool mortarRow = fy < 0.1f;
      const std::int32_t rowBevel = fy > 0.84f ? 290 : fy < 0.24f ? 214 : 256;
      const std::int32_t mortar[3] = {static_cast<std::int32_t>(92 * k), static_cast<std::int32_t>(104 * k),
                                      static_cast<std::int32_t>(112 * k)};
      for (int x = 0; x < w; ++x, row += 4) {
        const std::int32_t sx = wallX[static_cast<size_t>(x)] + offset;
        const std::int32_t fx = sx & 0xFFFF;
        const std::int32_t l = light[static_cast<size_t>(x)];
        const std::int32_t* c;
        std::int32_t m;
        if (mortarRow || fx < 0x0A00) {
          c = mortar;
          m = l;
        } else {
          c = pal[hash(static_cast<std::uint32_t>(sx >> 16), by) & (kPalette - 1)];
          const std::int32_t colBevel = fx < 0x1C00 ? 276 : fx > 0xEC00 ? 222 : 256;
          m = (l * ((rowBevel * colBevel) >> 8)) >> 8;
        }
        row[0] = static_cast<std::uint8_t>(std::min(255, (c[0] * m) >> 8));
        row[1] = static_cast<std::uint8_t>(std::min(255, (c[1] * m) >> 8));
        row[2] = static_cast<std::uint8_t>(std::min(255, (c[2] * m) >> 8));
        row[3] = 0;
      }
    } else {
      // Floor: cream and terracotta tiles. Far rows hold less than a tile's
      // depth each, so the checker fades to its mean there instead of
      // flickering; the haze and the wall's shade darken the far end.
      const float z = kCamY / -dy;
      const auto tz = static_cast<std::int32_t>(z / kTile);
      const float rowsPerTile = V.f * kCamY * kTile / (z * z);
      const float contrast = clamp01((rowsPerTile - 0.7f) / 2.5f);
      const Colour cream{170, 204, 226}, terracotta{70, 104, 168};
      const Colour mean = mixed(cream, terracotta, 0.5f);
      const float haze = clamp01(z / 30.0f);
      const float near = 1.0f - 0.35f * std::exp(-(kWallZ - z) / 0.45f);
      const float k = rowLight * near * (1.0f - 0.25f * haze);
      const Colour a = mixed(mixed(mean, cream, contrast), {200, 200, 200}, haze) * k;
      const Colour b = mixed(mixed(mean, terracotta, contrast), {200, 200, 200}, haze) * k;
      const std::int32_t tile[2][3] = {
          {static_cast<std::int32_t>(a.b), static_cast<std::int32_t>(a.g), static_cast<std::int32_t>(a.r)},
          {static_cast<std::int32_t>(b.b), static_cast<std::int32_t>(b.g), static_cast<std::int32_t>(b.r)}};
      const float x0 = V.eye + (0.5f - V.cx) / V.f * z;
      const float scale = 65536.0f / kTile;
      std::int32_t sx = static_cast<std::int32_t>((x0 / kTile + kBias) * 65536.0f);
      const auto step = static_cast<std::int32_t>(z / V.f * scale);
      for (int x = 0; x < w; ++x, row += 4, sx += step) {
        const std::int32_t* c = tile[((sx >> 16) + tz) & 1];
        const std::int32_t l = light[static_cast<size_t>(x)];
        row[0] = static_cast<std::uint8_t>(std::min(255, (c[0] * l) >> 8));
        row[1] = static_cast<std::uint8_t>(std::min(255, (c[1] * l) >> 8));
        row[2] = static_cast<std::uint8_t>(std::min(255, (c[2] * l) >> 8));
        row[3] = 0;
      }
    }
  }
}

// The sky, wall and floor never move, and a streaming thread draws one eye
// over and over: each thread keeps the last two it drew and copies them.
struct Layer {
  int w = 0, h = 0;
  float eye = 0.0f;
  std::vector<std::uint8_t> px;  // w x 4 bytes a row
};

void cachedBackground(const View& V) {
  thread_local std::array<Layer, 2> layers;
  thread_local size_t next = 0;
  Layer* hit = nullptr;
  for (Layer& l : layers)
    if (l.w == V.w && l.h == V.h && l.eye == V.eye && !l.px.empty()) hit = &l;
  const auto rowBytes = static_cast<size_t>(V.w) * 4;
  if (!hit) {
    hit = &layers[next];
    next = (next + 1) % layers.size();
    hit->px.assign(rowBytes * static_cast<size_t>(V.h), 0);
    hit->w = V.w;
    hit->h = V.h;
    hit->eye = V.eye;
    View L = V;
    L.p = hit->px.data();
    L.stride = V.w * 4;
    background(L);
  }
  for (int y = 0; y < V.h; ++y) std::memcpy(V.at(0, y), hit->px.data() + rowBytes * static_cast<size_t>(y), rowBytes);
}

// ---- Objects ---------------------------------------------------------------

// A soft shadow on the floor under a ball of radius r at (x, y, z), cast
// away from the sun.
void shadow(const View& V, float x, float y, float z, float r) {
  const float sx = x - kLx / kLy * y, sz = z - kLz / kLy * y;
  const float rs = r * 1.15f;
  const float zNear = std::max(0.05f, sz - rs), zFar = std::min(kWallZ - 0.01f, sz + rs);
  if (zFar <= zNear) return;
  const int y0 = clampedFloor(V.v(0.0f, zFar), 0, V.h), y1 = clampedFloor(V.v(0.0f, zNear) + 1.0, 0, V.h);
  for (int py = y0; py < y1; ++py) {
    const float dy = ((static_cast<float>(py) + 0.5f) - V.cy) / V.f;
    if (dy <= 0.0f) continue;
    const float pz = kCamY / dy;
    const float ez = (pz - sz) / rs;
    if (ez * ez >= 1.0f) continue;
    const float half = rs * std::sqrt(1.0f - ez * ez);
    const int x0 = clampedFloor(V.u(sx - half, pz), 0, V.w), x1 = clampedFloor(V.u(sx + half, pz) + 1.0, 0, V.w);
    for (int px = x0; px < x1; ++px) {
      const float X = V.eye + ((static_cast<float>(px) + 0.5f) - V.cx) / V.f * pz;
      const float d2 = ((X - sx) * (X - sx)) / (rs * rs) + ez * ez;
      if (d2 >= 1.0f) continue;
      const float k = 1.0f - 0.55f * clamp01((1.0f - d2) * 2.2f);
      std::uint8_t* p = V.at(px, py);
      p[0] = u8(p[0] * k);
      p[1] = u8(p[1] * k);
      p[2] = u8(p[2] * k);
    }
  }
}

// Paints rows [top, bottom) of column x (fractional ends are blended), with
// colour(y) for each row, weighted by the column's coverage.
template <class Shade>
void column(const View& V, int x, float top, float bottom, float coverage, Shade colour) {
  const int y0 = clampedFloor(top, 0, V.h), y1 = clampedFloor(std::ceil(bottom), 0, V.h);
  for (int y = y0; y < y1; ++y) {
    const float fy = static_cast<float>(y);
    const float a = coverage * clamp01(std::min(fy + 1.0f, bottom) - std::max(fy, top));
    if (a > 0.0f) blend(V.at(x, y), colour(fy + 0.5f), a);
  }
}

// A fluted pillar from the floor up out of the picture. Its columns' colours
// and its rows' shade are worked out once, then painted row by row.
void pillar(const View& V, float px, float pz, float radius, Colour base) {
  const float uc = V.u(px, pz), hw = V.f * radius / pz;
  const float bottom = V.v(0.0f, pz);
  const float plinth = V.v(0.3f, pz);
  const float aoHeight = V.f * 0.4f / pz;
  const int x0 = clampedFloor(uc - hw - 1.0f, 0, V.w), x1 = clampedFloor(uc + hw + 2.0f, 0, V.w);
  if (x1 <= x0) return;
  thread_local std::vector<float> coverage;
  thread_local std::vector<Colour> lit, stone;
  const auto n0 = static_cast<size_t>(x1 - x0);
  coverage.resize(n0);
  lit.resize(n0);
  stone.resize(n0);
  for (int x = x0; x < x1; ++x) {
    const auto i = static_cast<size_t>(x - x0);
    const float off = static_cast<float>(x) + 0.5f - uc;
    coverage[i] = clamp01(hw - std::abs(off) + 0.5f);
    const float n = std::clamp(off / hw, -1.0f, 1.0f);
    const float nz = std::sqrt(1.0f - n * n);
    const float lambert = std::max(0.0f, n * kLx - nz * kLz);
    const float flutes = 0.88f + 0.12f * std::cos(14.0f * std::asin(n));
    lit[i] = base * ((0.3f + 1.2f * lambert) * flutes);
    stone[i] = base * (0.25f + 1.1f * lambert);
  }
  const int y1 = clampedFloor(std::ceil(bottom), 0, V.h);
  for (int y = 0; y < y1; ++y) {
    const float fy = static_cast<float>(y), cy = fy + 0.5f;
    const float rowCoverage = clamp01(std::min(fy + 1.0f, bottom) - fy);
    // The floor's shade reaches a little way up.
    const float ao = bottom - cy < 5.0f * aoHeight ? 1.0f - 0.3f * std::exp(-(bottom - cy) / aoHeight) : 1.0f;
    const Colour* c = cy > plinth ? stone.data() : lit.data();
    std::uint8_t* p = V.at(x0, y);
    for (size_t i = 0; i < n0; ++i, p += 4)
      if (coverage[i] > 0.0f) blend(p, c[i] * ao, coverage[i] * rowCoverage);
  }
}

// A crate (a square prism of half-diagonal d and height h) turned by angle.
void crate(const View& V, float cx, float cz, float d, float h, float angle) {
  float px[4], pz[4];
  float uMin = 1e30f, uMax = -1e30f;
  for (int i = 0; i < 4; ++i) {
    const float a = angle + static_cast<float>(i) * kPi * 0.5f;
    px[i] = cx + d * std::cos(a);
    pz[i] = cz + d * std::sin(a);
    uMin = std::min(uMin, V.u(px[i], pz[i]));
    uMax = std::max(uMax, V.u(px[i], pz[i]));
  }
  const Colour wood{58, 112, 176};
  const int x0 = clampedFloor(uMin, 0, V.w), x1 = clampedFloor(std::ceil(uMax), 0, V.w);
  for (int x = x0; x < x1; ++x) {
    const float fx = static_cast<float>(x);
    const float coverage = clamp01(std::min(fx + 1.0f, uMax) - std::max(fx, uMin));
    // The column's ray, through a point inside the silhouette.
    const float dx = (std::clamp(fx + 0.5f, uMin + 0.01f, uMax - 0.01f) - V.cx) / V.f;
    float bestZ = 1e30f, bestS = 0.0f, shade = 0.0f;
    for (int i = 0; i < 4; ++i) {
      const int j = (i + 1) & 3;
      const float ex = px[j] - px[i], ez = pz[j] - pz[i];
      const float nx = ez, nz = -ex;  // outward normal (unnormalised)
      if (nx * (px[i] - V.eye) + nz * pz[i] >= 0.0f) continue;  // faces away
      const float den = ex - dx * ez;
      if (std::abs(den) < 1e-6f) continue;
      const float s = (V.eye + dx * pz[i] - px[i]) / den;
      if (s < -0.001f || s > 1.001f) continue;
      const float z = pz[i] + s * ez;
      if (z < bestZ) {
        bestZ = z;
        bestS = s;
        const float len = std::sqrt(nx * nx + nz * nz);
        shade = 0.35f + 1.1f * std::max(0.0f, (nx * kLx + nz * kLz) / len);
      }
    }
    if (bestZ > 1e29f) continue;
    const float top = V.v(h, bestZ), bottom = V.v(0.0f, bestZ);
    const float frame = (bestS < 0.08f || bestS > 0.92f) ? 0.78f : 1.0f;
    column(V, x, top, bottom, coverage, [&](float y) {
      const float t = (y - top) / (bottom - top);  // 0 at the top edge
      const float plank = t * 4.0f - std::floor(t * 4.0f);
      const float k = (t < 0.06f || t > 0.94f) ? 0.78f : plank < 0.07f ? 0.7f : frame;
      return wood * (shade * k * (1.05f - 0.2f * t));
    });
  }
}

// A glossy ball. With spin >= 0 it is a beach ball in six coloured gores
// turned by spin around its vertical axis, with a white cap on top.
void ball(const View& V, float bx, float by, float bz, float radius, Colour solid, float spin) {
  const float uc = V.u(bx, bz), vc = V.v(by, bz), rs = V.f * radius / bz;
  if (!(rs > 0.05f)) return;
  const int x0 = clampedFloor(uc - rs - 1.0f, 0, V.w), x1 = clampedFloor(uc + rs + 2.0f, 0, V.w);
  const int y0 = clampedFloor(vc - rs - 1.0f, 0, V.h), y1 = clampedFloor(vc + rs + 2.0f, 0, V.h);
  const float edge = (1.0f + 1.0f / rs) * (1.0f + 1.0f / rs);
  const float cs = std::cos(spin), sn = std::sin(spin);
  static const Colour gores[6] = {{40, 40, 215}, {235, 235, 235}, {200, 110, 20},
                                  {30, 200, 240}, {235, 235, 235}, {70, 170, 40}};
  const float inner = rs > 1.0f ? (1.0f - 1.0f / rs) * (1.0f - 1.0f / rs) : 0.0f;  // fully covered inside
  for (int y = y0; y < y1; ++y) {
    const float dy = (static_cast<float>(y) + 0.5f - vc) / rs;
    if (dy * dy >= edge) continue;
    const float half = rs * std::sqrt(edge - dy * dy);
    const int xa = std::max(x0, clampedFloor(uc - half, 0, V.w)), xb = std::min(x1, clampedFloor(uc + half + 1.0f, 0, V.w));
    for (int x = xa; x < xb; ++x) {
      float dx = (static_cast<float>(x) + 0.5f - uc) / rs;
      float ny = -dy;
      const float d2 = dx * dx + dy * dy;
      if (d2 >= edge) continue;
      float a = 1.0f;
      if (d2 > inner) {
        const float d = std::sqrt(d2);
        a = clamp01((1.0f - d) * rs + 0.5f);
        if (d > 1.0f) {  // outside the outline: shade it as the rim
          dx /= d;
          ny /= d;
        }
      }
      const float nz = -std::sqrt(std::max(0.0f, 1.0f - dx * dx - ny * ny));  // towards the camera
      const float lambert = std::max(0.0f, dx * kLx + ny * kLy + nz * kLz);
      float spec = std::max(0.0f, dx * kHx + ny * kHy + nz * kHz);
      spec *= spec;
      spec *= spec;
      spec *= spec;
      spec *= spec;
      spec *= spec;  // ^32
      Colour c = solid;
      if (spin >= 0.0f) {
        if (ny > 0.93f) {
          c = {235, 235, 235};
        } else {
          const float gx = dx * cs + nz * sn, gz = nz * cs - dx * sn;
          const int count = (0.5f * gz - 0.866f * gx > 0.0f) + (-0.5f * gz - 0.866f * gx > 0.0f);
          c = gores[gz > 0.0f ? count : 5 - count];
        }
      }
      const float bounce = 0.12f * std::max(0.0f, -ny);  // light off the floor
      const Colour lit = c * (0.22f + bounce + 0.85f * lambert) + Colour{255, 255, 255} * (0.75f * spec);
      blend(V.at(x, y), lit, a);
    }
  }
}

}  // namespace

void renderStereoScene(std::uint8_t* bgrx, int width, int height, int stride, double seconds, double eye) {
  if (!bgrx || width <= 0 || height <= 0 || stride / 4 < width) return;
  if (!std::isfinite(seconds)) seconds = 0.0;
  if (!std::isfinite(eye)) eye = 0.0;
  View V{bgrx,
         width,
         height,
         stride,
         static_cast<float>(kSceneFocal * width),
         static_cast<float>(width) * 0.5f,
         static_cast<float>(height) * 0.5f,
         static_cast<float>(std::clamp(eye, -100.0, 100.0))};
  // Periodic motion computed in double, so that long-running streams keep
  // their precision.
  const auto wave = [seconds](double rate, double phase) {
    return static_cast<float>(std::sin(std::fmod(rate * seconds, 2.0 * 3.14159265358979) + phase));
  };
  const float ballX = 0.5f * wave(0.61, 0.0);
  const float ballZ = 1.95f + 0.4f * wave(0.37, 0.8);
  const float ballY = 0.58f + 0.16f * std::abs(wave(1.6, 0.0));
  const float spin = static_cast<float>(std::fmod(1.3 * std::abs(seconds), 2.0 * 3.14159265358979));
  const float crateAngle = static_cast<float>(std::fmod(0.25 * seconds, 2.0 * 3.14159265358979));
  constexpr float kBallR = 0.22f;

  cachedBackground(V);
  shadow(V, -0.55f, 0.3f, 5.3f, 0.3f);
  shadow(V, ballX, ballY, ballZ, kBallR);
  // Far to near; the objects never pass each other in depth.
  crate(V, 0.75f, 8.0f, 0.5f, 0.9f, crateAngle);
  pillar(V, 1.9f, 6.2f, 0.3f, {150, 160, 90});
  ball(V, -0.55f, 0.3f, 5.3f, 0.3f, {70, 120, 40}, -1.0f);
  pillar(V, -1.6f, 4.2f, 0.28f, {215, 222, 228});
  ball(V, ballX, ballY, ballZ, kBallR, {}, spin);
}

}  // namespace ryk
