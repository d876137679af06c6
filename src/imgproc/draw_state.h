// The drawing state behind include/rozoru/draw.h as plain data: pen, text
// cursor, margin and the TrueType font's description. Worker thread only.
#pragma once

#include <cstdint>

#include "rozoru/draw.h"

namespace rozoru {

// What the TrueType font is made from; the text code keeps the font itself.
struct TrueTypeFontDesc {
  int halfWidth = 8;  // the width given to the font: half the cell width
  int height = 16;    // cell height
  int weight = 0;     // 0 the font's default, 400 normal, 700 bold
  bool italic = false;
  bool underline = false;
  bool valid = true;  // false after a failed creation: TrueType text draws nothing
};

struct DrawState {
  int penX = 0, penY = 0;
  int textX = 0, textY = 0;
  int leftMargin = 0;
  TrueTypeFontDesc font;
};

DrawState& drawState();

// Moves the pen to a point that shape maths computed in 64 bits; points
// beyond the int range are held at its ends.
void movePen(std::int64_t x, std::int64_t y);

// Back to the start values (colours, pen, cursor, margin, cell and style);
// the process start and tests call it.
void resetDrawState();

}  // namespace rozoru
