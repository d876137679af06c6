// The seed fill: spans grown left and right, seeds pushed where a run of
// the region's value starts above or below, on a fixed stack of 4000 points.
// Every neighbour is tested against the image explicitly, since a pixel
// 0xFFFFFFFF reads the same as "outside" through KAV_ProbePixel.
#include <array>

#include "imgproc/canvas.h"
#include "imgproc/draw_state.h"

namespace {

struct Seed {
  int x, y;
};
constexpr int kMaxSeeds = 4000;

}  // namespace

void KAV_Paint(int x, int y) {
  const rozoru::Canvas c = rozoru::currentCanvas();
  if (!c.valid() || !c.inside(x, y)) return;
  const Pixel32 target = c.get(x, y);
  const Pixel32 fill = c.stored(kav_dc);
  if (target == fill) return;
  const auto isTarget = [&](int px, int py) { return c.inside(px, py) && c.get(px, py) == target; };

  std::array<Seed, kMaxSeeds> stack;
  int top = 0;
  for (;;) {
    int xl = x;
    while (isTarget(xl - 1, y)) --xl;
    bool upOpen = true, downOpen = true;
    int xr = xl;
    for (; isTarget(xr, y); ++xr) {
      if (upOpen) {
        if (isTarget(xr, y - 1) && top < kMaxSeeds) {
          stack[static_cast<std::size_t>(top++)] = {xr, y - 1};
          upOpen = false;
        }
      } else if (!isTarget(xr, y - 1)) {
        upOpen = true;
      }
      if (downOpen) {
        if (isTarget(xr, y + 1) && top < kMaxSeeds) {
          stack[static_cast<std::size_t>(top++)] = {xr, y + 1};
          downOpen = false;
        }
      } else if (!isTarget(xr, y + 1)) {
        downOpen = true;
      }
    }
    for (int px = xl; px < xr; ++px) c.set(px, y, fill);
    KAV_SetPenPosition(xr - 1, y);
    do {
      if (top == 0) return;
      const Seed s = stack[static_cast<std::size_t>(--top)];
      x = s.x;
      y = s.y;
    } while (!isTarget(x, y));
  }
}
