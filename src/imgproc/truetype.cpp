// TrueType text at the text cursor: style codes, newlines, the cell, and
// the glyphs an engine renders, laid into the current image.
#include "imgproc/truetype.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace rozoru {

namespace {

std::unique_ptr<TrueTypeEngine>& engine() {
  static std::unique_ptr<TrueTypeEngine> e;
  return e;
}

// Re-creates the font from the description; no engine means no font.
bool remakeFont() {
  TrueTypeFontDesc& d = drawState().font;
  d.valid = d.halfWidth > 0 && d.height > 0 && engine() && engine()->makeFont(d);
  return d.valid;
}

int clampToInt(std::int64_t v) {
  return v > INT32_MAX ? INT32_MAX : (v < INT32_MIN ? INT32_MIN : static_cast<int>(v));
}

bool isContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

}  // namespace

void startTrueType(std::unique_ptr<TrueTypeEngine> e) {
  engine() = std::move(e);
  DrawState& s = drawState();
  s.font = TrueTypeFontDesc{};
  s.textX = s.textY = s.leftMargin = 0;
  kav_tttc = 0xFFFFFF;
  remakeFont();
}

void releaseTrueType() {
  engine().reset();
  drawState().font.valid = false;
}

void blendGlyph(const Canvas& c, std::int64_t cellX, std::int64_t cellY, const GlyphMask& m, Pixel32 colour) {
  if (!c.valid() || m.coverage.size() < static_cast<std::size_t>(m.width) * static_cast<std::size_t>(m.height))
    return;
  const std::int64_t x0 = cellX + m.left, y0 = cellY + m.top;
  // Only the rows and columns inside the image are visited.
  const std::int64_t ya = y0 < 0 ? -y0 : 0, xa = x0 < 0 ? -x0 : 0;
  const std::int64_t yb = std::min<std::int64_t>(m.height, std::int64_t{c.height} - y0);
  const std::int64_t xb = std::min<std::int64_t>(m.width, std::int64_t{c.width} - x0);
  for (std::int64_t j = ya; j < yb; ++j) {
    const std::uint8_t* row = m.coverage.data() + j * m.width;
    for (std::int64_t i = xa; i < xb; ++i) {
      const unsigned a = row[i];
      if (a == 0) continue;
      const std::int64_t x = x0 + i, y = y0 + j;
      if (c.p8) {
        if (a >= 128) c.set(x, y, colour);
        continue;
      }
      const Pixel32 old = c.get(x, y);
      Pixel32 out = old & 0xFF000000u;
      for (int shift = 0; shift < 24; shift += 8) {
        const unsigned fg = (colour >> shift) & 0xFF, bg = (old >> shift) & 0xFF;
        out |= ((fg * a + bg * (255 - a) + 127) / 255) << shift;
      }
      c.set(x, y, out);
    }
  }
}

std::int32_t nextUtf8(std::string_view t, std::size_t& pos) {
  if (pos >= t.size()) return -1;
  const auto b0 = static_cast<unsigned char>(t[pos]);
  int need = 0;
  std::uint32_t cp = 0, min = 0;
  if (b0 < 0x80) {
    ++pos;
    return b0;
  } else if ((b0 & 0xE0) == 0xC0) {
    need = 1, cp = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    need = 2, cp = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    need = 3, cp = b0 & 0x07, min = 0x10000;
  } else {
    ++pos;
    return 0xFFFD;
  }
  for (int k = 1; k <= need; ++k) {
    if (pos + static_cast<std::size_t>(k) >= t.size()) return -1;  // cut short by the end
    const auto b = static_cast<unsigned char>(t[pos + static_cast<std::size_t>(k)]);
    if (!isContinuation(b)) {
      ++pos;  // the lead byte alone; the next byte starts afresh
      return 0xFFFD;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  pos += static_cast<std::size_t>(need) + 1;
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0xFFFD;
  return static_cast<std::int32_t>(cp);
}

}  // namespace rozoru

using namespace rozoru;

void KAV_DrawTrueTypeChar(int code) {
  const Canvas cv = currentCanvas();
  if (!cv.valid()) return;
  DrawState& s = drawState();
  TrueTypeFontDesc& f = s.font;
  if (code < 32) {
    switch (code) {
      case 1: f.italic = true; break;
      case 2: f.italic = false; break;
      case 3: f.weight = 700; break;
      case 4: f.weight = 400; break;
      case 5: f.underline = true; break;
      case 6: f.underline = false; break;
      case 10:
        s.textX = s.leftMargin;
        s.textY = clampToInt(std::int64_t{s.textY} + f.height);
        return;
      default: return;
    }
    // A style change re-creates the font; without one it is kept for the next.
    if (f.valid) remakeFont();
    return;
  }
  if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) || !f.valid || !engine()) return;
  GlyphMask m;
  if (!engine()->render(static_cast<char32_t>(code), m)) return;
  blendGlyph(cv, s.textX, std::int64_t{s.textY} - f.height + 1, m, kav_tttc);
  s.textX = clampToInt(std::int64_t{s.textX} + m.advance);
}

void KAV_DrawTrueTypeText(const char* utf8) {
  if (!utf8) return;
  const std::string_view text(utf8, std::strlen(utf8));
  std::size_t pos = 0;
  for (std::int32_t cp; (cp = nextUtf8(text, pos)) >= 0;) KAV_DrawTrueTypeChar(cp);
}

int KAV_SetTrueTypeCell(int w, int h) {
  TrueTypeFontDesc& f = drawState().font;
  f.halfWidth = w / 2;
  f.height = h;
  return remakeFont() ? 0 : 1;
}
