// The seed fill: spans grown left and right, seeds pushed where a run of
// the region's value starts above or below, on a fixed stack of 4000 points.
// Every neighbour is tested against the image's bounds explicitly, since a
// pixel 0xFFFFFFFF reads the same as "outside" through KAV_ProbePixel.
#include <algorithm>
#include <array>
#include <cstddef>

#include "imgproc/canvas.h"
#include "imgproc/draw_state.h"

namespace {

struct Seed {
  int x, y;
};
constexpr int kMaxSeeds = 4000;

// One pixel type (Pixel32 or an 8-bit index) with rows `stride` elements apart.
template <class P>
void fill(P* base, std::ptrdiff_t stride, int w, int h, int x, int y, P target, P value) {
  std::array<Seed, kMaxSeeds> stack;
  int top = 0;
  // Row above or below: while it is open, the first pixel of the region's
  // value pushes a seed and closes it; a pixel of another value opens it.
  const auto look = [&](const P* row, int px, int py, bool& open) {
    if (!row) return;
    if (open) {
      if (row[px] == target && top < kMaxSeeds) {
        stack[static_cast<std::size_t>(top++)] = {px, py};
        open = false;
      }
    } else if (row[px] != target) {
      open = true;
    }
  };
  for (;;) {
    P* row = base + y * stride;
    const P* up = y > 0 ? row - stride : nullptr;
    const P* down = y + 1 < h ? row + stride : nullptr;
    int xl = x;
    while (xl > 0 && row[xl - 1] == target) --xl;
    bool upOpen = true, downOpen = true;
    int xr = xl;
    for (; xr < w && row[xr] == target; ++xr) {
      look(up, xr, y - 1, upOpen);
      look(down, xr, y + 1, downOpen);
    }
    std::fill(row + xl, row + xr, value);
    KAV_SetPenPosition(xr - 1, y);  // where the span's line ends
    do {
      if (top == 0) return;
      const Seed s = stack[static_cast<std::size_t>(--top)];
      x = s.x;
      y = s.y;
    } while (base[y * stride + x] != target);
  }
}

}  // namespace

void KAV_Paint(int x, int y) {
  const rozoru::Canvas c = rozoru::currentCanvas();
  if (!c.valid() || !c.inside(x, y)) return;
  const Pixel32 target = c.get(x, y);
  const Pixel32 value = c.stored(kav_dc);
  if (target == value) return;
  if (c.p32) fill<Pixel32>(c.p32, c.width, c.width, c.height, x, y, target, value);
  else fill<std::uint8_t>(c.p8, c.stride8, c.width, c.height, x, y, static_cast<std::uint8_t>(target),
                          static_cast<std::uint8_t>(value));
}
