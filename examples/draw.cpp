// A ROZORU application of one's own: one image window and a button box of
// three buttons. "Shapes" draws a few figures, "Text" writes a line below
// them, "Clear" makes the picture black again.
#include <cstdio>

#include "rozoru/kav.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

void fillRect(int x0, int y0, int x1, int y1, Pixel32 colour) {
  Pixel32* p = KAV_ImagePixels[KAV_CurrentImage()];
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) p[y * kWidth + x] = colour;
}

void drawShapes() { fillRect(20, 20, 140, 100, 0xFF0000); }

void drawText() { fillRect(20, 180, 300, 200, 0x00FF00); }

void clear() { fillRect(0, 0, kWidth, kHeight, 0); }

}  // namespace

void KAV_Init() {
  if (KAV_CreateImage(0, "Drawing", 60, 60, kWidth, kHeight, 100) != 0) {
    std::fprintf(stderr, "rozoru-example-draw: the image window could not be made\n");
    return;
  }
  KAV_OpenButtonBox(420, 60, 3, 1);
  KAV_SetButtonBoxTitle(0, "Shapes");
  KAV_SetButtonBoxTitle(1, "Text");
  KAV_SetButtonBoxTitle(2, "Clear");
  kav_start = 1;  // the loop below runs at once, without Start
}

void KAV_Main() {
  KAV_SelectImage(0);
  // Until Stop: each press is answered as soon as it arrives.
  while (KAV_WaitMessage(1000) != 1) {
    bool changed = false;
    if (KAV_GetButton(0)) drawShapes(), changed = true;
    if (KAV_GetButton(1)) drawText(), changed = true;
    if (KAV_GetButton(2)) clear(), changed = true;
    if (changed) KAV_UpdateImage(0);
  }
}

void KAV_Exit() {}
