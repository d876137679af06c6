// Rectangles: outlines and fills, solid and XOR, built from lines. Rows of
// fills are limited to the image's rows in advance (the same pixels).
#include <algorithm>
#include <utility>

#include "imgproc/canvas.h"
#include "imgproc/draw_state.h"

namespace rozoru {
namespace {

using I64 = std::int64_t;

// Rows a to b of the image, in order, each a line from xa to xb.
void rows(const Canvas& c, I64 xa, I64 xb, I64 a, I64 b, Ink ink, Pixel32 v) {
  for (I64 y = std::max<I64>(a, 0); y <= std::min<I64>(b, I64{c.height} - 1); ++y) lineOn(c, xa, y, xb, y, ink, v);
}

void sortCorners(int& x1, int& y1, int& x2, int& y2) {
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
}

}  // namespace
}  // namespace rozoru

using rozoru::Canvas;
using rozoru::Ink;
using rozoru::lineOn;
using I64 = std::int64_t;

void KAV_DrawBox(int x1, int y1, int x2, int y2) {
  const Canvas c = rozoru::currentCanvas();
  if (!c.valid()) return;
  lineOn(c, x1, y1, x2, y1, Ink::Set, kav_dc);
  lineOn(c, x2, y1, x2, y2, Ink::Set, kav_dc);
  lineOn(c, x2, y2, x1, y2, Ink::Set, kav_dc);
  lineOn(c, x1, y2, x1, y1, Ink::Set, kav_dc);
  KAV_SetPenPosition(x1, y1);
}

void KAV_FillBox(int x1, int y1, int x2, int y2) {
  const Canvas c = rozoru::currentCanvas();
  if (!c.valid()) return;
  rozoru::sortCorners(x1, y1, x2, y2);
  KAV_DrawBox(x1, y1, x2, y2);
  if (I64{x2} - x1 >= 2 && I64{y2} - y1 >= 2) {
    rozoru::rows(c, I64{x1} + 1, I64{x2} - 1, I64{y1} + 1, I64{y2} - 1, Ink::Set, kav_dc);
    KAV_SetPenPosition(x2 - 1, y2 - 1);  // where the last row's line ends
  }
}

void KAV_XorBox(int x1, int y1, int x2, int y2) {
  const Canvas c = rozoru::currentCanvas();
  if (!c.valid()) return;
  rozoru::sortCorners(x1, y1, x2, y2);
  lineOn(c, x1, y1, x2, y1, Ink::Xor, 0);
  KAV_SetPenPosition(x2, y1);
  if (y1 != y2) {
    lineOn(c, x1, y2, x2, y2, Ink::Xor, 0);
    KAV_SetPenPosition(x2, y2);
  }
  if (I64{y2} - y1 > 1) {
    lineOn(c, x1, I64{y1} + 1, x1, I64{y2} - 1, Ink::Xor, 0);
    lineOn(c, x2, I64{y1} + 1, x2, I64{y2} - 1, Ink::Xor, 0);
    KAV_SetPenPosition(x2, y2 - 1);
  }
}

void KAV_XorFillBox(int x1, int y1, int x2, int y2) {
  const Canvas c = rozoru::currentCanvas();
  if (!c.valid()) return;
  rozoru::sortCorners(x1, y1, x2, y2);
  rozoru::rows(c, x1, x2, y1, y2, Ink::Xor, 0);
  KAV_SetPenPosition(x2, y2);
}
