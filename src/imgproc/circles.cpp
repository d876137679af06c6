// Circles: the eight-way symmetric outline and the filled disc of
// horizontal spans, both stepping an integer error term from e = r. All
// maths in 64 bits so that centres and radii near the int limits never wrap.
//
// Both walks keep e = r^2 - i^2 - d^2 + d, so while the arc is flatter than
// the diagonal, d at pass i is the D with D(D - 1) < r^2 - i^2 <= D(D + 1).
// That lets a walk skip ahead over passes that cannot reach the image (a
// radius of 2^31 - 1 would otherwise take a billion passes) and land in
// exactly the state the step-by-step walk would have; the last passes near
// the diagonal are always walked.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "imgproc/canvas.h"
#include "imgproc/draw_state.h"

namespace rozoru {
namespace {

using I64 = std::int64_t;
constexpr I64 kNever = std::numeric_limits<I64>::max();

struct Range {
  I64 lo, hi;  // pass numbers, inclusive; empty when lo > hi
};

class Walk {
 public:
  explicit Walk(I64 r) : r_(r), limit_(5 * r / 7) {
    // The last pass whose successor is still exact: d >= i + 2.
    if (r_ >= 2) {
      I64 lo = 0, hi = limit_;
      while (lo < hi) {
        const I64 mid = lo + (hi - lo + 1) / 2;
        if (d(mid) >= mid + 2) lo = mid;
        else hi = mid - 1;
      }
      last_ = lo;
    }
  }
  I64 limit() const { return limit_; }
  // Passes up to here may be jumped to.
  I64 lastJump() const { return last_; }
  // d at pass i (i <= lastJump() + 1).
  I64 d(I64 i) const {
    const I64 s = r_ * r_ - i * i;
    I64 v = static_cast<I64>(std::sqrt(static_cast<long double>(s)));
    while (v * (v + 1) < s) ++v;
    while (v > 0 && v * (v - 1) >= s) --v;
    return v;
  }
  I64 e(I64 i, I64 dv) const { return r_ * r_ - i * i - dv * dv + dv; }
  // Passes (up to lastJump()) whose d lies in [a, b].
  Range passesWithD(I64 a, I64 b) const {
    if (last_ < 0 || a > b) return {1, 0};
    // d falls with i: the first pass with d <= b, the last with d >= a.
    I64 lo = 0, hi = last_ + 1;
    while (lo < hi) {
      const I64 mid = lo + (hi - lo) / 2;
      if (d(mid) <= b) hi = mid;
      else lo = mid + 1;
    }
    const I64 first = lo;
    lo = -1;
    hi = last_;
    while (lo < hi) {
      const I64 mid = lo + (hi - lo + 1) / 2;
      if (d(mid) >= a) lo = mid;
      else hi = mid - 1;
    }
    return {first, lo};
  }

 private:
  I64 r_, limit_;
  I64 last_ = -1;
};

// Passes where offset i puts centre + i or centre - i in [0, size).
std::array<Range, 2> offsetsInside(I64 centre, I64 size) {
  return {Range{-centre, size - 1 - centre}, Range{centre - size + 1, centre}};
}

// The first pass from i on inside one of the ranges (kNever if none).
template <std::size_t N>
I64 nextVisible(const std::array<Range, N>& ranges, I64 i) {
  I64 best = kNever;
  for (const Range& g : ranges) {
    if (g.lo > g.hi || g.hi < i) continue;
    best = std::min(best, std::max(g.lo, i));
  }
  return best;
}

// Moves a walk at pass i forward to the next pass that may show something.
template <std::size_t N>
void skip(const Walk& w, const std::array<Range, N>& visible, I64& i, I64& d, I64& e) {
  if (i >= w.lastJump()) return;
  const I64 t = std::min(nextVisible(visible, i), w.lastJump());
  if (t <= i) return;
  i = t;
  d = w.d(t);
  e = w.e(t, d);
}

void outline(const Canvas& c, I64 cx, I64 cy, I64 r, Ink ink, Pixel32 v) {
  const auto plot = [&](I64 x, I64 y) {
    if (c.inside(x, y)) c.mark(x, y, ink, v);
  };
  const Walk w(r);
  // Every point has i as its x or its y offset.
  const auto xs = offsetsInside(cx, c.width), ys = offsetsInside(cy, c.height);
  const std::array<Range, 4> visible{xs[0], xs[1], ys[0], ys[1]};
  I64 i = 0, d = r, e = r;
  I64 lastI = 0, lastD = d;
  for (;;) {
    skip(w, visible, i, d, e);
    plot(cx - i, cy + d);
    plot(cx + i, cy - d);
    plot(cx + d, cy + i);
    plot(cx - d, cy - i);
    if (i != 0 && i != d) {
      plot(cx + i, cy + d);
      plot(cx - i, cy - d);
      plot(cx + d, cy - i);
      plot(cx - d, cy + i);
    }
    lastI = i;
    lastD = d;
    e -= 2 * i + 1;
    if (e <= 0) {
      e += 2 * d - 2;
      --d;
    }
    ++i;
    if (i > w.limit() || i > d) break;
  }
  movePen(cx - lastD, cy - lastI);
}

void disc(const Canvas& c, I64 cx, I64 cy, I64 r, Ink ink, Pixel32 v) {
  I64 penX = 0, penY = 0;
  const auto span = [&](I64 y, I64 xa, I64 xb) {
    lineOn(c, xa, y, xb, y, ink, v);
    penX = xb;
    penY = y;
  };
  const Walk w(r);
  // Spans lie on rows cy +- j, and on rows cy +- d when d shrinks.
  const auto rowsJ = offsetsInside(cy, c.height);
  const auto rowsD = offsetsInside(cy, c.height);
  const std::array<Range, 4> visible{rowsJ[0], rowsJ[1], w.passesWithD(rowsD[0].lo, rowsD[0].hi),
                                     w.passesWithD(rowsD[1].lo, rowsD[1].hi)};
  I64 j = 0, d = r, e = r;
  bool shrank = false;
  for (;;) {
    skip(w, visible, j, d, e);
    if (d != j) {
      span(cy + j, cx - d, cx + d);
      if (j != 0) span(cy - j, cx - d, cx + d);
    }
    e -= 2 * j + 1;
    if (e <= 0) {
      span(cy + d, cx - j, cx + j);
      span(cy - d, cx - j, cx + j);
      e += 2 * d - 2;
      --d;
      shrank = true;
    } else {
      shrank = false;
    }
    if (j + 1 > w.limit() || d < j + 1) break;
    ++j;
  }
  if (!shrank) {
    span(cy + d, cx - j, cx + j);
    span(cy - d, cx - j, cx + j);
  }
  movePen(penX, penY);
}

}  // namespace
}  // namespace rozoru

using rozoru::Canvas;
using rozoru::Ink;

void KAV_DrawCircle(Pixel32 colour, int cx, int cy, int r) {
  const Canvas c = rozoru::currentCanvas();
  if (c.valid()) rozoru::outline(c, cx, cy, r, Ink::Set, colour);
}

void KAV_XorCircle(int cx, int cy, int r) {
  const Canvas c = rozoru::currentCanvas();
  if (c.valid()) rozoru::outline(c, cx, cy, r, Ink::Xor, 0);
}

void KAV_FillCircle(int cx, int cy, int r) {
  const Canvas c = rozoru::currentCanvas();
  if (!c.valid()) return;
  rozoru::disc(c, cx, cy, r, Ink::Set, kav_dc);
  rozoru::outline(c, cx, cy, r, Ink::Set, kav_dc);
}

void KAV_XorFillCircle(int cx, int cy, int r) {
  const Canvas c = rozoru::currentCanvas();
  if (c.valid()) rozoru::disc(c, cx, cy, r, Ink::Xor, 0);
}
