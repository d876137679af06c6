// Lines: the integer walk with the error term starting at (major + 1) / 2.
// The walk is entered where it reaches the image and left where it leaves,
// with the error term computed in closed form, so a line from far outside
// costs no more than its visible part and writes the same pixels.
#include <algorithm>
#include <utility>

#include "imgproc/canvas.h"
#include "imgproc/draw_state.h"

namespace rozoru {
namespace {

__extension__ typedef __int128 Wide;

// floor(a / b) for b > 0.
Wide floorDiv(Wide a, Wide b) {
  Wide q = a / b;
  if (a % b != 0 && a < 0) --q;
  return q;
}

// The major-axis walk: pixel k (0..major) steps the minor axis
// m_k = floor((k * minor - e0) / major) + 1 times, since the error term stays
// in (0, major]. Visits k from kFirst to kLast.
template <class Plot>
void walk(std::int64_t major, std::int64_t minor, std::int64_t kFirst, std::int64_t kLast, Plot plot) {
  if (kFirst > kLast) return;
  const std::int64_t e0 = (major + 1) / 2;
  std::int64_t m = static_cast<std::int64_t>(floorDiv(Wide{kFirst} * minor - e0, major) + 1);
  std::int64_t e = static_cast<std::int64_t>(Wide{e0} - Wide{kFirst} * minor + Wide{m} * major);
  plot(kFirst, m);
  for (std::int64_t k = kFirst + 1; k <= kLast; ++k) {
    e -= minor;
    if (e <= 0) {
      e += major;
      ++m;
    }
    plot(k, m);
  }
}

// Row y from a to b, both inside: the rows of fills, so written directly.
void spanOn(const Canvas& c, std::int64_t a, std::int64_t b, std::int64_t y, Ink ink, Pixel32 v) {
  if (c.p32) {
    Pixel32* p = c.p32 + y * c.width;
    if (ink == Ink::Set) std::fill(p + a, p + b + 1, v);
    else for (std::int64_t x = a; x <= b; ++x) p[x] ^= 0xFFFFFFu;
  } else {
    std::uint8_t* p = c.p8 + y * c.stride8;
    if (ink == Ink::Set) std::fill(p + a, p + b + 1, static_cast<std::uint8_t>(v));
    else for (std::int64_t x = a; x <= b; ++x) p[x] ^= 0xFFu;
  }
}

}  // namespace

void lineOn(const Canvas& c, std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2,
            Ink ink, Pixel32 v) {
  const std::int64_t w = c.width, h = c.height;
  if (x1 == x2) {
    if (x1 < 0 || x1 >= w) return;
    const std::int64_t a = std::max<std::int64_t>(std::min(y1, y2), 0);
    const std::int64_t b = std::min<std::int64_t>(std::max(y1, y2), h - 1);
    for (std::int64_t y = a; y <= b; ++y) c.mark(x1, y, ink, v);
    return;
  }
  if (y1 == y2) {
    if (y1 < 0 || y1 >= h) return;
    const std::int64_t a = std::max<std::int64_t>(std::min(x1, x2), 0);
    const std::int64_t b = std::min<std::int64_t>(std::max(x1, x2), w - 1);
    if (a <= b) spanOn(c, a, b, y1, ink, v);
    return;
  }
  if (x1 > x2) {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  const std::int64_t dx = x2 - x1;
  const std::int64_t dy = y2 > y1 ? y2 - y1 : y1 - y2;
  const std::int64_t s = y2 > y1 ? 1 : -1;
  if (dx >= dy) {
    // x = x1 + k must lie in [0, w).
    const std::int64_t kFirst = std::max<std::int64_t>(0, -x1);
    const std::int64_t kLast = std::min(dx, w - 1 - x1);
    walk(dx, dy, kFirst, kLast, [&](std::int64_t k, std::int64_t m) {
      const std::int64_t x = x1 + k, y = y1 + s * m;
      if (c.inside(x, y)) c.mark(x, y, ink, v);
    });
  } else {
    // y = y1 + s k must lie in [0, h).
    const std::int64_t kFirst = s > 0 ? std::max<std::int64_t>(0, -y1) : std::max<std::int64_t>(0, y1 - (h - 1));
    const std::int64_t kLast = s > 0 ? std::min(dy, h - 1 - y1) : std::min(dy, y1);
    walk(dy, dx, kFirst, kLast, [&](std::int64_t k, std::int64_t m) {
      const std::int64_t x = x1 + m, y = y1 + s * k;
      if (c.inside(x, y)) c.mark(x, y, ink, v);
    });
  }
}

}  // namespace rozoru

using rozoru::Canvas;
using rozoru::Ink;

void KAV_DrawLine(Pixel32 colour, int x1, int y1, int x2, int y2) {
  const Canvas c = rozoru::currentCanvas();
  if (!c.valid()) return;
  KAV_SetPenPosition(x2, y2);
  rozoru::lineOn(c, x1, y1, x2, y2, Ink::Set, colour);
}

void KAV_XorLine(int x1, int y1, int x2, int y2) {
  const Canvas c = rozoru::currentCanvas();
  if (!c.valid()) return;
  KAV_SetPenPosition(x2, y2);
  rozoru::lineOn(c, x1, y1, x2, y2, Ink::Xor, 0);
}
