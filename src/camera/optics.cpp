#include "camera/optics.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ryk {

namespace {

void shiftRows(std::uint8_t* p, int width, int height, int stride, int shift) {
  const int s = std::clamp(shift, -width, width);
  if (s == 0 || width <= 0) return;
  const int a = std::abs(s);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = p + static_cast<std::ptrdiff_t>(y) * stride;
    if (a >= width) continue;
    if (s > 0) {
      std::memmove(row + a * 4, row, static_cast<size_t>(width - a) * 4);
      for (int x = 0; x < a; ++x) std::memcpy(row + x * 4, row + a * 4, 4);  // repeat the edge
    } else {
      std::memmove(row, row + a * 4, static_cast<size_t>(width - a) * 4);
      for (int x = width - a; x < width; ++x) std::memcpy(row + x * 4, row + (width - a - 1) * 4, 4);
    }
  }
}

// Separable box blur; edges use the pixels that exist.
void boxBlur(std::uint8_t* p, int width, int height, int stride, int r, std::vector<std::uint8_t>& scratch) {
  const size_t rowBytes = static_cast<size_t>(width) * 4;
  scratch.resize(rowBytes * static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* src = p + static_cast<std::ptrdiff_t>(y) * stride;
    std::uint8_t* dst = scratch.data() + rowBytes * static_cast<size_t>(y);
    for (int x = 0; x < width; ++x) {
      const int x0 = std::max(0, x - r), x1 = std::min(width - 1, x + r);
      for (int c = 0; c < 4; ++c) {
        int sum = 0;
        for (int i = x0; i <= x1; ++i) sum += src[i * 4 + c];
        dst[x * 4 + c] = static_cast<std::uint8_t>(sum / (x1 - x0 + 1));
      }
    }
  }
  for (int y = 0; y < height; ++y) {
    const int y0 = std::max(0, y - r), y1 = std::min(height - 1, y + r);
    std::uint8_t* dst = p + static_cast<std::ptrdiff_t>(y) * stride;
    for (size_t i = 0; i < rowBytes; ++i) {
      int sum = 0;
      for (int j = y0; j <= y1; ++j) sum += scratch[rowBytes * static_cast<size_t>(j) + i];
      dst[i] = static_cast<std::uint8_t>(sum / (y1 - y0 + 1));
    }
  }
}

int fixed(double f) { return static_cast<int>(std::lround(std::clamp(f, 0.0, 64.0) * 256.0)); }

}  // namespace

void applyOptics(std::uint8_t* bgrx, int width, int height, int stride, const Optics& o,
                 std::vector<std::uint8_t>& scratch) {
  if (!bgrx || width <= 0 || height <= 0 || stride < width * 4) return;
  shiftRows(bgrx, width, height, stride, o.shift);
  const int r = std::clamp(o.blur, 0, 8);
  if (r > 0) boxBlur(bgrx, width, height, stride, r, scratch);
  const int fb = fixed(o.brightness * o.blue), fg = fixed(o.brightness), fr = fixed(o.brightness * o.red);
  if (fb == 256 && fg == 256 && fr == 256) return;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* px = bgrx + static_cast<std::ptrdiff_t>(y) * stride;
    for (int x = 0; x < width; ++x, px += 4) {
      px[0] = static_cast<std::uint8_t>(std::min(255, (px[0] * fb) >> 8));
      px[1] = static_cast<std::uint8_t>(std::min(255, (px[1] * fg) >> 8));
      px[2] = static_cast<std::uint8_t>(std::min(255, (px[2] * fr) >> 8));
    }
  }
}

}  // namespace ryk
