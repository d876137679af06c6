// Circles: the eight-way symmetric outline and the filled disc of
// horizontal spans, both stepping an integer error term from e = r. All
// maths in 64 bits so that centres and radii near the int limits never wrap.
#include "imgproc/canvas.h"
#include "imgproc/draw_state.h"

namespace rozoru {
namespace {

using I64 = std::int64_t;

void outline(const Canvas& c, I64 cx, I64 cy, I64 r, Ink ink, Pixel32 v) {
  const auto plot = [&](I64 x, I64 y) {
    if (c.inside(x, y)) c.mark(x, y, ink, v);
  };
  I64 i = 0, d = r, e = r;
  const I64 limit = 5 * r / 7;
  I64 lastI = 0, lastD = d;
  for (;;) {
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
    if (i > limit || i > d) break;
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
  I64 j = 0, d = r, e = r;
  const I64 limit = 5 * r / 7;
  bool shrank = false;
  for (;;) {
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
    if (j + 1 > limit || d < j + 1) break;
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
