// The drawing state and its public accessors.
#include "imgproc/draw_state.h"

#include <algorithm>
#include <limits>

Pixel32 kav_dc = 0xFFFFFF;
Pixel32 kav_tc = 0x000000;
Pixel32 kav_tttc = 0xFFFFFF;

namespace rozoru {

DrawState& drawState() {
  static DrawState state;
  return state;
}

void movePen(std::int64_t x, std::int64_t y) {
  const auto clamp = [](std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
  };
  drawState().penX = clamp(x);
  drawState().penY = clamp(y);
}

void resetDrawState() {
  kav_dc = 0xFFFFFF;
  kav_tc = 0x000000;
  kav_tttc = 0xFFFFFF;
  drawState() = DrawState{};
}

}  // namespace rozoru

using rozoru::drawState;

void KAV_SetDrawColor(Pixel32 colour) { kav_dc = colour; }
Pixel32 KAV_GetDrawColor() { return kav_dc; }

void KAV_GetPenPosition(int* x, int* y) {
  if (x) *x = drawState().penX;
  if (y) *y = drawState().penY;
}
void KAV_SetPenPosition(int x, int y) {
  drawState().penX = x;
  drawState().penY = y;
}

void KAV_GetTextCursor(int* x, int* y) {
  if (x) *x = drawState().textX;
  if (y) *y = drawState().textY;
}
void KAV_SetTextCursor(int x, int y) {
  drawState().textX = x;
  drawState().textY = y;
}

int KAV_GetLeftMargin() { return drawState().leftMargin; }
void KAV_SetLeftMargin(int x) { drawState().leftMargin = x; }

void KAV_GetTrueTypeCell(int* halfWidth, int* height) {
  if (halfWidth) *halfWidth = drawState().font.halfWidth;
  if (height) *height = drawState().font.height;
}
