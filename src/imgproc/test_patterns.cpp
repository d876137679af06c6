// The six test patterns: a computed colour for every pixel of the current
// image, written row by row.
#include <cmath>
#include <cstdint>

#include "imgproc/canvas.h"
#include "rozoru/colour.h"
#include "rozoru/draw.h"
#include "rozoru/imgproc.h"

namespace {

using rozoru::Canvas;

// Products in 64 bits: 255 * x overflows int for the widest images.
int ratio(long long num, long long den) { return static_cast<int>(num / den); }

// Every pixel row by row, as pen-moving writes would leave it: each pixel
// written once in that order and the pen at the last one. All of them are
// inside, so the walk writes directly.
template <typename F>
void fillRows(F pixelAt) {
  const Canvas c = rozoru::currentCanvas();
  if (!c.valid()) return;
  for (int y = 0; y < c.height; ++y) {
    if (c.p32) {
      Pixel32* row = c.p32 + static_cast<std::ptrdiff_t>(y) * c.width;
      for (int x = 0; x < c.width; ++x) row[x] = pixelAt(x, y);
    } else {
      std::uint8_t* row = c.p8 + y * c.stride8;
      for (int x = 0; x < c.width; ++x) row[x] = static_cast<std::uint8_t>(pixelAt(x, y));
    }
  }
  KAV_SetPenPosition(c.width - 1, c.height - 1);
}

// The chroma planes around the centre, and the luma that grows with the
// distance from it.
struct Chroma {
  int y, u, v;
};
Chroma chromaAt(int x, int y, int w, int h) {
  const int u = ratio(255LL * (x - w / 2), w), v = ratio(255LL * (y - h / 2), h);
  const int luma = static_cast<int>(std::sqrt(5.0 * u * u + 5.0 * v * v));
  return {luma, u, v};
}

}  // namespace

void KAV_TestPatternRgb() {
  const Canvas c = rozoru::currentCanvas();
  const long long w = c.width, h = c.height;
  fillRows([w, h](int x, int y) {
    const int r = ratio(255LL * x, w), g = ratio(255LL * y, h), b = 255 - ratio(255LL * (x + y), w + h);
    return static_cast<Pixel32>((r << 16) | (g << 8) | b);
  });
}

// An image one row high has no half height to divide by: its single row is
// the fully saturated, full-value hue band.
void KAV_TestPatternHsv() {
  const Canvas c = rozoru::currentCanvas();
  const long long w = c.width, n = c.height / 2;
  fillRows([w, n](int x, int y) {
    const int hue = ratio(359LL * x, w);
    if (n == 0) return KAV_HsvToRgb(255, 255, hue);
    if (y < n) return KAV_HsvToRgb(255, ratio(255LL * y, n), hue);
    return KAV_HsvToRgb(255 - ratio(255LL * (y - n), n), 255, hue);
  });
}

void KAV_TestPatternYCrCb() {
  const Canvas c = rozoru::currentCanvas();
  fillRows([w = c.width, h = c.height](int x, int y) {
    const Chroma k = chromaAt(x, y, w, h);
    return KAV_YCrCbToRgb(k.y, -k.v, k.u);
  });
}

void KAV_TestPatternYuv() {
  const Canvas c = rozoru::currentCanvas();
  fillRows([w = c.width, h = c.height](int x, int y) {
    const Chroma k = chromaAt(x, y, w, h);
    return KAV_YuvToRgb(k.y, -k.v, k.u);
  });
}

void KAV_TestPatternYiq() {
  const Canvas c = rozoru::currentCanvas();
  fillRows([w = c.width, h = c.height](int x, int y) {
    const Chroma k = chromaAt(x, y, w, h);
    return KAV_YiqToRgb(k.y, -k.v, k.u);
  });
}

// Column by column with the solid line, as the drawing commands would; on an
// image one row high the second line overwrites the first.
void KAV_TestPatternGrey() {
  const Canvas c = rozoru::currentCanvas();
  if (!c.valid()) return;
  if (c.p8) {
    std::uint32_t grey[256];
    for (std::uint32_t k = 0; k < 256; ++k) grey[k] = k * 0x010101u;
    KAV_SetColorTable(grey, 256);
  }
  const int w = c.width, h = c.height;
  for (int x = 0; x < w; ++x) {
    const auto g = static_cast<Pixel32>(ratio(255LL * x, w));
    KAV_DrawLine(g * 0x010101u, x, 0, x, h / 2 - 1);
    KAV_DrawLine((255 - g) * 0x010101u, x, h / 2, x, h - 1);
  }
}
