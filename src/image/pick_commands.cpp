// Commands that pick a place in the window first. Every pick makes the
// window's image current; a cancelled or refused pick (nonzero) ends the
// command without drawing.
#include "image/pick_commands.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "image/slots.h"
#include "imgproc/measure.h"
#include "rozoru/draw.h"
#include "rozoru/kav.h"
#include "rozoru/picks.h"
#include "rozoru/textwin.h"
#include "shell/core/shell.h"
#include "textwin/textwin.h"

namespace rozoru {

int clipCurrentImage(int x1, int y1, int x2, int y2) {
  const int source = KAV_CurrentImage();
  if (source < 0 || source > 255 || !kav_image[source].inUse) return -1;
  const int bits = kav_image[source].bitDepth;
  const int w = x2 - x1 + 1, h = y2 - y1 + 1;
  if (w <= 0 || h <= 0 || w > kav_image[source].width || h > kav_image[source].height) return -1;
  const std::size_t count = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
  std::vector<std::uint32_t> pixels(bits == 8 ? 0 : count);
  std::vector<std::uint8_t> bytes(bits == 8 ? count : 0);
  std::uint32_t table[256] = {};
  if (bits == 8) {
    KAV_GetImageArea(bytes.data(), x1, y1, w, h);
    KAV_GetColorTable(table);
  } else {
    KAV_GetImageArea(pixels.data(), x1, y1, w, h);
  }
  char title[64];
  std::snprintf(title, sizeof title, "(%d,%d)-(%d,%d)", x1, y1, x2, y2);
  const int id = KAV_CreateImageInFreeSlot(title, 0, 0, w, h, 100, bits);
  if (id < 0) return -1;
  // The new window is the current image now.
  if (bits == 8) {
    KAV_SetColorTable(table, 256);
    const std::ptrdiff_t stride = KAV_Stride8(w);
    for (int y = 0; y < h; ++y)
      std::memcpy(KAV_ImageBytes[id] + y * stride,
                  bytes.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w),
                  static_cast<std::size_t>(w));
  } else {
    std::memcpy(KAV_ImagePixels[id], pixels.data(), count * sizeof(std::uint32_t));
  }
  KAV_UpdateImage(id);
  return id;
}

namespace {

// A line for Draw Text and TrueType Draw, read after "Text>" in the current
// text window. False when no line came, a line input already waits (its line
// is not ours to take), or the picked image went away meanwhile.
bool readText(int id, std::string& line) {
  if (shell().lineInputWaiting && shell().lineInputWaiting()) {
    std::fprintf(stderr, "rozoru: image %d: a line input is waiting; no text read\n", id);
    return false;
  }
  const Hwnd window = kav_image[id].window;
  textwin::ensureTextWindow();
  KAV_Printf("Text>");
  char buffer[256] = {};
  if (KAV_ReadLine(buffer) != 0) return false;
  line = buffer;
  return kav_image[id].inUse && kav_image[id].window == window && KAV_CurrentImage() == id;
}

void pickColour(int id) {
  int x = 0, y = 0;
  if (KAV_PickPoint(id, &x, &y) != 0) return;
  const Pixel32 v = KAV_GetPixel(x, y);
  kav_dc = v;
  if (kav_image[id].bitDepth != 8) {
    kav_tttc = v;
    return;
  }
  std::uint32_t table[256] = {};
  KAV_GetColorTable(table);
  kav_tttc = table[v & 0xFF] & 0xFFFFFF;
}

// The drawing items: the window's image current, the pick, the drawing.
void draw(int id, int command) {
  if (KAV_FindAndSelectImage(kav_image[id].window) < 0) return;
  int a = 0, b = 0, c = 0, d = 0;
  const int w = kav_image[id].width, h = kav_image[id].height;
  using namespace imgcmd;
  switch (command) {
    case LineNormal:
      if (KAV_PickLine(id, &a, &b, &c, &d) != 0) return;
      KAV_DrawLine(kav_dc, a, b, c, d);
      break;
    case LineRow:
      if (KAV_PickRow(id, &a, &b) != 0) return;
      KAV_DrawLine(kav_dc, 0, b, w - 1, b);
      break;
    case LineColumn:
      if (KAV_PickColumn(id, &a, &b) != 0) return;
      KAV_DrawLine(kav_dc, a, 0, a, h - 1);
      break;
    case BoxNormal:
    case BoxFill:
    case BoxFillXor:
      if (KAV_PickRect(id, &a, &b, &c, &d) != 0) return;
      (command == BoxNormal ? KAV_DrawBox : command == BoxFill ? KAV_FillBox : KAV_XorFillBox)(a, b, c, d);
      break;
    case CircleNormal:
      if (KAV_PickCircle(id, &a, &b, &c) != 0) return;
      KAV_DrawCircle(kav_dc, a, b, c);
      break;
    case CircleFill:
    case CircleFillXor:
      if (KAV_PickCircle(id, &a, &b, &c) != 0) return;
      (command == CircleFill ? KAV_FillCircle : KAV_XorFillCircle)(a, b, c);
      break;
    case Paint:
      if (KAV_PickPoint(id, &a, &b) != 0) return;
      KAV_Paint(a, b);
      break;
    case DrawText: {
      std::string line;
      if (KAV_PickPoint(id, &a, &b) != 0 || !readText(id, line)) return;
      KAV_SetTextCursor(a, b);
      KAV_SetLeftMargin(a);
      kav_tc = kav_dc;
      KAV_DrawPrintf("%s", line.c_str());
      break;
    }
    case TrueTypeDraw: {
      std::string line;
      if (KAV_PickRect(id, &a, &b, &c, &d) != 0 || !readText(id, line)) return;
      KAV_SetTextCursor(a, d);
      KAV_SetLeftMargin(a);
      KAV_SetTrueTypeCell(c - a + 1, d - b + 1);
      KAV_DrawTrueTypeText(line.c_str());
      break;
    }
    default:
      return;
  }
  invalidateImage(id);
}

// The Information tools: the pick, then the tool on the picked image.
void inform(int id, int command) {
  using namespace imgcmd;
  using measure::Profile;
  int a = 0, b = 0, c = 0, d = 0;
  if (command == InfoPixel) {
    if (KAV_PickPoint(id, &a, &b) == 0) measure::pixelInfo(a, b);
  } else if (command == InfoAreaCrCb) {
    if (KAV_PickRect(id, &a, &b, &c, &d) == 0) measure::crCbArea(a, b, c, d);
  } else if (KAV_PickRow(id, &a, &b) == 0) {
    if (command == InfoLineCrCb)
      measure::crCbLine(b);
    else
      measure::lineProfile(command == InfoLineRgb     ? Profile::Rgb
                           : command == InfoLineHsv   ? Profile::Hsv
                           : command == InfoLineYCrCb ? Profile::YCrCb
                                                      : Profile::Luminance,
                           b);
  }
}

}  // namespace

bool runPickCommand(int id, int command) {
  using namespace imgcmd;
  switch (command) {
    case InfoPixel:
    case InfoLineRgb:
    case InfoLineHsv:
    case InfoLineYCrCb:
    case InfoLineCrCb:
    case InfoAreaCrCb:
    case InfoLineLumi:
      inform(id, command);
      return true;
    case Clipping: {
      int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
      if (KAV_PickRect(id, &x1, &y1, &x2, &y2) == 0) clipCurrentImage(x1, y1, x2, y2);
      return true;
    }
    case PickColour:
      pickColour(id);
      return true;
    case LineNormal:
    case LineRow:
    case LineColumn:
    case BoxNormal:
    case BoxFill:
    case BoxFillXor:
    case CircleNormal:
    case CircleFill:
    case CircleFillXor:
    case Paint:
    case DrawText:
    case TrueTypeDraw:
      draw(id, command);
      return true;
    default:
      return false;
  }
}

}  // namespace rozoru
