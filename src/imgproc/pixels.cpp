// Single-pixel reads and writes on the current image.
#include "imgproc/canvas.h"
#include "imgproc/draw_state.h"

namespace rozoru {

Canvas currentCanvas() {
  const int id = KAV_CurrentImage();
  Canvas c;
  if (id < 0 || id >= KAV_MAX_IMAGES) return c;
  const ImageSlot& s = kav_image[id];
  if (!s.inUse) return c;
  c.width = s.width;
  c.height = s.height;
  if (s.bitDepth == 8) {
    c.p8 = KAV_ImageBytes[id];
    c.stride8 = KAV_Stride8(s.width);
  } else {
    c.p32 = KAV_ImagePixels[id];
  }
  return c;
}

}  // namespace rozoru

using rozoru::Canvas;
using rozoru::currentCanvas;

void KAV_PenSetPixel(int x, int y, Pixel32 value) {
  const Canvas c = currentCanvas();
  if (!c.valid()) return;
  if (c.inside(x, y)) c.set(x, y, value);
  KAV_SetPenPosition(x, y);
}

void KAV_SetPixel(int x, int y, Pixel32 value) {
  const Canvas c = currentCanvas();
  if (c.valid() && c.inside(x, y)) c.set(x, y, value);
}

Pixel32 KAV_GetPixel(int x, int y) {
  const Canvas c = currentCanvas();
  return c.valid() && c.inside(x, y) ? c.get(x, y) : 0;
}

int KAV_ProbePixel(int x, int y) {
  const Canvas c = currentCanvas();
  return c.valid() && c.inside(x, y) ? static_cast<int>(c.get(x, y)) : -1;
}

void KAV_PenXorPixel(int x, int y) {
  const Canvas c = currentCanvas();
  if (!c.valid()) return;
  if (c.inside(x, y)) c.invert(x, y);
  KAV_SetPenPosition(x, y);
}

void KAV_XorPixel(int x, int y) {
  const Canvas c = currentCanvas();
  if (c.valid() && c.inside(x, y)) c.invert(x, y);
}
