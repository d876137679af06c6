// Text in the built-in bitmap font at the text cursor.
#include "imgproc/text.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>

#include "imgproc/bitmap_font.h"
#include "imgproc/canvas.h"
#include "imgproc/draw_state.h"

namespace rozoru {

namespace {

// A row or column one step on, held within int: the cursor is a plain int,
// and a cursor near INT_MAX must not wrap round into the image.
int clampToInt(std::int64_t v) {
  return v > INT32_MAX ? INT32_MAX : (v < INT32_MIN ? INT32_MIN : static_cast<int>(v));
}

void newline(DrawState& s, int rows) {
  s.textX = s.leftMargin;
  s.textY = clampToInt(std::int64_t{s.textY} + rows);
}

}  // namespace

std::string_view trimPartialUtf8(std::string_view text) {
  // Look back at most three bytes for the lead byte of the last sequence.
  const std::size_t n = text.size();
  for (std::size_t back = 1; back <= 4 && back <= n; ++back) {
    const auto b = static_cast<unsigned char>(text[n - back]);
    if ((b & 0xC0) == 0x80) continue;  // a continuation byte: keep looking
    std::size_t need = 1;
    if ((b & 0xE0) == 0xC0) need = 2;
    else if ((b & 0xF0) == 0xE0) need = 3;
    else if ((b & 0xF8) == 0xF0) need = 4;
    return back < need ? text.substr(0, n - back) : text;
  }
  return text;  // only continuation bytes at the end: not UTF-8, left as it is
}

}  // namespace rozoru

using namespace rozoru;

void KAV_DrawChar(int c) {
  const Canvas cv = currentCanvas();
  if (!cv.valid()) return;
  DrawState& s = drawState();
  const auto code = static_cast<unsigned char>(c);
  if (code == '\n') {
    newline(s, 16);
    return;
  }
  const std::uint8_t* rows = glyphRows(code);
  if (!rows) return;
  // Each set bit is a pen-moving write: the pen ends on the glyph's last
  // set pixel, inside the image or not.
  const std::int64_t top = std::int64_t{s.textY} - kGlyphHeight;
  bool any = false;
  std::int64_t lastX = 0, lastY = 0;
  for (int i = 0; i < kGlyphHeight; ++i) {
    const unsigned bits = rows[i];
    if (bits == 0) continue;
    const std::int64_t y = top + i;
    for (int j = 0; j < kGlyphWidth; ++j) {
      if (!(bits & (0x80u >> j))) continue;
      const std::int64_t x = std::int64_t{s.textX} + j;
      if (cv.inside(x, y)) cv.set(x, y, kav_tc);
      any = true;
      lastX = x;
      lastY = y;
    }
  }
  if (any) KAV_SetPenPosition(clampToInt(lastX), clampToInt(lastY));
  const std::int64_t next = std::int64_t{s.textX} + kGlyphWidth;
  if (next > std::int64_t{cv.width} - kGlyphWidth) newline(s, 16);
  else s.textX = static_cast<int>(next);
}

void KAV_DrawString(const char* text) {
  if (!text) return;
  for (; *text; ++text) KAV_DrawChar(static_cast<unsigned char>(*text));
}

void KAV_DrawPrintf(const char* format, ...) {
  if (!format) return;
  char buffer[kDrawPrintfLimit + 1];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (n < 0) return;
  std::string_view text(buffer, static_cast<std::size_t>(n) < sizeof buffer ? static_cast<std::size_t>(n)
                                                                             : kDrawPrintfLimit);
  if (static_cast<std::size_t>(n) > kDrawPrintfLimit) text = trimPartialUtf8(text);
  buffer[text.size()] = '\0';
  KAV_DrawString(buffer);
}
