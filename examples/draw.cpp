// A ROZORU application of one's own: one image window and a button box of
// three buttons. "Shapes" draws a few figures, "Text" writes lines in the
// bitmap font and in TrueType below them, "Clear" makes the picture black again.
#include <cstdio>

#include "rozoru/kav.h"

namespace {

constexpr int kImage = 0;

void drawShapes() {
  KAV_SetDrawColor(0x2060C0);
  KAV_FillBox(20, 20, 120, 90);
  KAV_SetDrawColor(0xFFFFFF);
  KAV_DrawBox(20, 20, 120, 90);
  KAV_SetDrawColor(0xE03020);
  KAV_FillCircle(200, 60, 40);
  KAV_DrawCircle(0xFFD000, 200, 60, 50);
  for (int i = 0; i <= 4; ++i) KAV_DrawLine(0x30C040, 260, 20 + 20 * i, 310, 100 - 20 * i);
}

void drawText() {
  static int presses = 0;
  KAV_SetDrawColor(0xF0F0D0);
  KAV_FillBox(0, 140, 319, 206);  // a light plate under the text
  kav_tc = 0x000000;
  KAV_SetLeftMargin(10);
  KAV_SetTextCursor(10, 160);
  ++presses;
  KAV_DrawPrintf("Drawn by an application of one's own.\nText pressed %d time%s.", presses,
                 presses == 1 ? "" : "s");
  // TrueType text is UTF-8; its cursor row is the bottom of the cell.
  kav_tttc = 0x2060C0;
  KAV_SetTextCursor(10, 200);
  KAV_DrawTrueTypeText("TrueType: \u3053\u3093\u306B\u3061\u306F");
}

void clear() {
  const int width = kav_image[kImage].width;
  const int height = kav_image[kImage].height;
  for (int i = 0; i < width * height; ++i) KAV_ImagePixels[kImage][i] = 0;
}

}  // namespace

void KAV_Init() {
  if (KAV_CreateImage(kImage, "Drawing", 60, 60, 320, 240, 100) != 0) {
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
  KAV_SelectImage(kImage);
  // Until Stop: each press is answered as soon as it arrives.
  while (KAV_WaitMessage(1000) != 1) {
    bool changed = false;
    if (KAV_GetButton(0)) drawShapes(), changed = true;
    if (KAV_GetButton(1)) drawText(), changed = true;
    if (KAV_GetButton(2)) clear(), changed = true;
    if (changed) KAV_UpdateImage(kImage);
  }
}

void KAV_Exit() {}
