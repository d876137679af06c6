// Text in images: the bitmap font's table and bitmap-font text at the
// cursor, compared pixel by pixel with small expected pictures.
#include <climits>
#include <string>

#include "imgproc/bitmap_font.h"
#include "imgproc/text.h"
#include "rozoru/draw.h"
#include "tests/image/draw_fixture.h"

namespace rozoru::test {
namespace {

// First and last rows with a set pixel; {-1, -1} for an empty glyph.
std::pair<int, int> inkRows(unsigned char c) {
  const std::uint8_t* rows = glyphRows(c);
  int first = -1, last = -1;
  for (int i = 0; i < kGlyphHeight; ++i)
    if (rows[i]) {
      if (first < 0) first = i;
      last = i;
    }
  return {first, last};
}

void cursorIs(int x, int y) {
  int cx = 0, cy = 0;
  KAV_GetTextCursor(&cx, &cy);
  EXPECT_EQ(cx, x);
  EXPECT_EQ(cy, y);
}

// The glyph table's geometry: a glyph put on the wrong rows would stand
// off the line of its neighbours.
TEST(BitmapFont, GlyphsStandOnTheirRows) {
  for (unsigned char c = 'A'; c <= 'Z'; ++c)
    EXPECT_EQ(inkRows(c), std::make_pair(2, c == 'Q' ? 11 : 10)) << c;
  for (unsigned char c = '0'; c <= '9'; ++c) EXPECT_EQ(inkRows(c), std::make_pair(2, 10)) << c;
  for (unsigned char c : std::string("gjpqy")) EXPECT_EQ(inkRows(c).second, 13) << c;
  for (unsigned char c : std::string("acemnorsuvwxz")) EXPECT_EQ(inkRows(c), std::make_pair(5, 10)) << c;
  EXPECT_EQ(inkRows(' '), std::make_pair(-1, -1));
  EXPECT_EQ(inkRows(0x7F), std::make_pair(-1, -1));
  for (unsigned c = 0x21; c < 0x7F; ++c) {
    EXPECT_GE(inkRows(static_cast<unsigned char>(c)).first, c == '^' || c == '`' ? 0 : 2) << c;
    EXPECT_NE(inkRows(static_cast<unsigned char>(c)).first, -1) << c;
  }
  EXPECT_EQ(glyphRows(0x1F), nullptr);
  EXPECT_EQ(glyphRows(0x80), nullptr);
}

// Glyph placement (rows y - 14 to y - 1, bit 7 leftmost), the transparent
// background, the pen-moving writes, and the wrap before a glyph would
// start beyond width - 8.
TEST_F(DrawTest, BitmapCharsLandAtTheCursorAndWrap) {
  ASSERT_EQ(KAV_CreateImage(0, "t", 0, 0, 18, 16, 100), 0);
  KAV_SetPixel(6, 3, 0x123456);  // under a clear bit of the first glyph
  kav_tc = 0xFFFFFF;
  KAV_SetTextCursor(1, 15);
  KAV_DrawString("LL");
  const Picture expected{
      "..................", "..................", "..................",
      ".####.o..####.....", "..##......##......", "..##......##......",
      "..##......##......", "..##......##......", "..##......##......",
      "..##...#..##...#..", "..##..##..##..##..", ".#######.#######..",
      "..................", "..................", "..................",
      ".................."};
  EXPECT_EQ(picture({{0xFFFFFF, '#'}, {0x123456, 'o'}}), expected);
  int px = 0, py = 0;
  KAV_GetPenPosition(&px, &py);
  EXPECT_TRUE(px == 15 && py == 11);
  cursorIs(0, 31);  // x = 17 would start beyond 18 - 8: back to the margin

  // 8-bit: the low byte; a space draws nothing and advances.
  ASSERT_EQ(KAV_CreateImage8(1, "t8", 0, 0, 18, 16, 100), 0);
  kav_tc = 0xABCD07;
  KAV_SetTextCursor(-7, 15);
  KAV_DrawString(" L");
  const Picture expected8{
      "..................", "..................", "..................",
      ".####.............", "..##..............", "..##..............",
      "..##..............", "..##..............", "..##..............",
      "..##...#..........", "..##..##..........", ".#######..........",
      "..................", "..................", "..................",
      ".................."};
  EXPECT_EQ(picture({{0x07, '#'}}), expected8);
  cursorIs(9, 15);
}

// Newline and the margin, skipped codes, a slot not in use, a cursor near
// INT_MAX (whose advance must not wrap round into the image).
TEST_F(DrawTest, BitmapTextControlAndEdgeCases) {
  ASSERT_EQ(KAV_CreateImage(0, "t", 0, 0, 40, 40, 100), 0);
  KAV_SetLeftMargin(4);
  KAV_SetTextCursor(20, 14);
  KAV_DrawChar('\n');
  cursorIs(4, 30);
  for (int c : {0x1F, 0x80, 0xFF, -1, 0x100}) KAV_DrawChar(c);  // 0x100's low byte is 0
  cursorIs(4, 30);
  const Picture blank(40, std::string(40, '.'));
  EXPECT_EQ(picture(), blank);

  KAV_SetTextCursor(INT_MAX - 3, INT_MAX);
  KAV_DrawChar('A');
  cursorIs(4, INT_MAX);
  EXPECT_EQ(picture(), blank);

  ASSERT_EQ(KAV_DestroyImage(0), 0);
  KAV_SetTextCursor(0, 14);
  KAV_DrawString("A\nB");
  cursorIs(0, 14);
}

// Formatted text longer than the buffer: 4095 bytes drawn, and a cut never
// leaves the first bytes of a UTF-8 character.
TEST_F(DrawTest, DrawPrintfCutsAtTheLimitOnACharacterBoundary) {
  ASSERT_EQ(KAV_CreateImage(0, "t", 0, 0, 8, 8, 100), 0);
  KAV_SetTextCursor(0, 0);
  KAV_DrawPrintf("%5000d", 1);  // one character a line: y counts them
  cursorIs(0, 16 * 4095);

  EXPECT_EQ(trimPartialUtf8("ab\xC3"), "ab");
  EXPECT_EQ(trimPartialUtf8("ab\xE2\x82"), "ab");
  EXPECT_EQ(trimPartialUtf8("ab\xF0\x9F\x98"), "ab");
  EXPECT_EQ(trimPartialUtf8("ab\xE2\x82\xAC"), "ab\xE2\x82\xAC");
  EXPECT_EQ(trimPartialUtf8("ab\xC3\xA9"), "ab\xC3\xA9");
  EXPECT_EQ(trimPartialUtf8("abc"), "abc");
}

}  // namespace
}  // namespace rozoru::test
