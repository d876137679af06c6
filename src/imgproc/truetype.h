// TrueType text's plain side: the font engine the window-system layer
// supplies, laying a rendered glyph into an image, and the UTF-8 walk.
// Worker thread only, apart from the installation at process start.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "imgproc/canvas.h"
#include "imgproc/draw_state.h"

namespace rozoru {

// One character's coverage (0 none to 255 full) over a box placed relative
// to the top-left of its cell, and how far it moves the cursor.
struct GlyphMask {
  int left = 0, top = 0;  // of the box, from the cell's top-left
  int width = 0, height = 0;
  std::vector<std::uint8_t> coverage;  // width * height, rows top-down
  int advance = 0;                     // the character's full width
};

// Makes fonts and renders characters; the Qt layer has the real one.
class TrueTypeEngine {
 public:
  virtual ~TrueTypeEngine() = default;
  // Replaces the font with one made from desc (size and style); false when
  // no font can be made, and then there is none.
  virtual bool makeFont(const TrueTypeFontDesc& desc) = 0;
  // Renders code point cp in the current font; false when there is none.
  virtual bool render(char32_t cp, GlyphMask& out) = 0;
};

// Installs the engine and makes the start font (cell 8 x 16, the face's
// default style), with kav_tttc white and the text cursor and margin at 0.
// nullptr leaves no font. Runs before the worker starts, or on it.
void startTrueType(std::unique_ptr<TrueTypeEngine> engine);
// Deletes the font and the engine (process end, while the toolkit still runs).
void releaseTrueType();

// Lays mask into c with its cell's top-left at (cellX, cellY) in colour:
// 32-bit pixels blend each channel by the coverage and keep their fourth
// byte; 8-bit pixels take the colour's low byte where the coverage is at
// least half, since an index has no shade between two entries.
void blendGlyph(const Canvas& c, std::int64_t cellX, std::int64_t cellY, const GlyphMask& mask, Pixel32 colour);

// The next character of UTF-8 text from pos, moving pos past it. A byte that
// starts no valid sequence (a stray continuation, an overlong form, a
// surrogate, beyond U+10FFFF) is U+FFFD on its own. A sequence cut short by
// the end of the text gives -1 (the caller stops), as does the end itself.
std::int32_t nextUtf8(std::string_view text, std::size_t& pos);

}  // namespace rozoru
