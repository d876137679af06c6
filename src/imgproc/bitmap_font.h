// The built-in 8x14 bitmap font: 96 glyphs for the codes 0x20 to 0x7F.
// Constant data; reentrant.
#pragma once

#include <cstdint>

namespace rozoru {

inline constexpr int kGlyphWidth = 8;
inline constexpr int kGlyphHeight = 14;
inline constexpr unsigned kFirstGlyph = 0x20;
inline constexpr unsigned kLastGlyph = 0x7F;

// The 14 rows of code c's glyph, top row first, bit 7 the leftmost pixel;
// nullptr for codes outside 0x20-0x7F.
const std::uint8_t* glyphRows(unsigned char c);

}  // namespace rozoru
