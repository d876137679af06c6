// Text in images: the bitmap font's table, bitmap-font text at the cursor,
// and TrueType text's plain side with a fake engine.
#include <climits>
#include <memory>
#include <string>

#include "imgproc/bitmap_font.h"
#include "imgproc/text.h"
#include "imgproc/truetype.h"
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
  EXPECT_TRUE(cx == x && cy == y) << cx << ',' << cy;
}

// A glyph put on the wrong rows would stand off the line of its neighbours.
TEST(BitmapFont, GlyphsStandOnTheirRows) {
  for (unsigned char c = 'A'; c <= 'Z'; ++c) EXPECT_EQ(inkRows(c), std::make_pair(2, c == 'Q' ? 11 : 10)) << c;
  for (unsigned char c = '0'; c <= '9'; ++c) EXPECT_EQ(inkRows(c), std::make_pair(2, 10)) << c;
  for (unsigned char c : std::string("gjpqy")) EXPECT_EQ(inkRows(c).second, 13) << c;
  for (unsigned char c : std::string("acemnorsuvwxz")) EXPECT_EQ(inkRows(c), std::make_pair(5, 10)) << c;
  EXPECT_TRUE(inkRows(' ').first < 0 && inkRows(0x7F).first < 0);
  for (unsigned c = 0x21; c < 0x7F; ++c) EXPECT_GE(inkRows(static_cast<unsigned char>(c)).first, c == '^' || c == '`' ? 0 : 2);
  EXPECT_TRUE(glyphRows(0x1F) == nullptr && glyphRows(0x80) == nullptr);
}

// Glyph rows at y - 14 to y - 1 with bit 7 leftmost, the transparent
// background, the pen-moving writes, the wrap before a glyph would start
// beyond width - 8.
TEST_F(DrawTest, BitmapCharsLandAtTheCursorAndWrap) {
  ASSERT_EQ(KAV_CreateImage(0, "t", 0, 0, 18, 9, 100), 0);
  KAV_SetPixel(6, 0, 0x123456);  // under a clear bit of the first glyph
  kav_tc = 0xFFFFFF;
  KAV_SetTextCursor(2, 12);  // glyph rows 2-10 on image rows 0-8
  KAV_DrawString("LL");  // the second starts at 18 - 8 exactly
  const Picture expected{"..####o...####....", "...##......##.....", "...##......##.....",
                         "...##......##.....", "...##......##.....", "...##......##.....",
                         "...##...#..##...#.", "...##..##..##..##.", "..#######.#######."};
  EXPECT_EQ(picture({{0xFFFFFF, '#'}, {0x123456, 'o'}}), expected);
  int px = 0, py = 0;
  KAV_GetPenPosition(&px, &py);
  EXPECT_TRUE(px == 16 && py == 8);
  cursorIs(0, 28);  // x = 18 would start beyond 18 - 8: back to the margin

  KAV_SetTextCursor(2, 12);
  KAV_DrawString(" ");  // a space draws nothing and advances
  cursorIs(10, 12);
  EXPECT_EQ(picture({{0xFFFFFF, '#'}, {0x123456, 'o'}}), expected);
}

// Newline and margin, skipped codes, a cursor near INT_MAX (whose advance
// must not wrap round into the image), a slot not in use, and formatted
// text longer than the buffer.
TEST_F(DrawTest, BitmapTextControlAndEdgeCases) {
  ASSERT_EQ(KAV_CreateImage(0, "t", 0, 0, 8, 8, 100), 0);
  KAV_SetLeftMargin(4);
  KAV_SetTextCursor(20, 14);
  for (int c : {10, 0x1F, 0x80, 0xFF, -1, 0x100}) KAV_DrawChar(c);  // a newline, then skipped codes
  cursorIs(4, 30);
  KAV_SetTextCursor(INT_MAX - 3, INT_MAX);
  KAV_DrawChar('A');
  cursorIs(4, INT_MAX);
  EXPECT_EQ(picture(), Picture(8, std::string(8, '.')));

  KAV_SetLeftMargin(0);
  KAV_SetTextCursor(0, 0);
  KAV_DrawPrintf("%5000d", 1);  // one character a line: y counts them
  cursorIs(0, 16 * 4095);
  EXPECT_EQ(trimPartialUtf8("ab\xC3"), "ab");
  EXPECT_EQ(trimPartialUtf8("ab\xF0\x9F\x98"), "ab");
  EXPECT_EQ(trimPartialUtf8("ab\xE2\x82\xAC"), "ab\xE2\x82\xAC");

  ASSERT_EQ(KAV_DestroyImage(0), 0);
  KAV_DrawString("A\nB");
  cursorIs(0, 16 * 4095);
}

// Renders every character as a 2 x 3 box of full coverage one column right
// of the cell's corner, advancing a digit by its value; records the fonts
// made and the characters drawn.
struct FakeLog {
  std::vector<TrueTypeFontDesc> fonts;
  std::u32string drawn;
};
class FakeEngine final : public TrueTypeEngine {
 public:
  explicit FakeEngine(FakeLog& log) : log_(log) {}
  bool makeFont(const TrueTypeFontDesc& d) override { return log_.fonts.push_back(d), true; }
  bool render(char32_t cp, GlyphMask& out) override {
    log_.drawn.push_back(cp);
    out = GlyphMask{1, 0, 2, 3, std::vector<std::uint8_t>(6, 255), cp >= U'0' && cp <= U'9' ? int(cp - U'0') : 0};
    return true;
  }

 private:
  FakeLog& log_;
};

class TrueTypeTest : public DrawTest {
 protected:
  void SetUp() override {
    DrawTest::SetUp();
    startTrueType(std::make_unique<FakeEngine>(log_));
    ASSERT_EQ(KAV_CreateImage(0, "t", 0, 0, 5, 4, 100), 0);
  }
  void TearDown() override {
    releaseTrueType();
    DrawTest::TearDown();
  }
  FakeLog log_;
};

// UTF-8 of every length, invalid bytes as U+FFFD, a sequence cut short by
// the end stopping the walk; the start font, style codes re-making it with
// one field changed, the newline by the cell height, the advance, and cells
// that make no font.
TEST_F(TrueTypeTest, TextStyleCodesCellAndCursor) {
  KAV_DrawTrueTypeText("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  KAV_DrawTrueTypeText("\x80" "b\xC3" "c\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80");
  KAV_DrawTrueTypeText("d\xE2\x82");
  KAV_DrawTrueTypeText("e\xF0");
  EXPECT_EQ(log_.drawn, U"a\u00E9\u20AC\U0001F600\uFFFDb\uFFFDc\uFFFD\uFFFD\uFFFDde");

  for (int code : {1, 3, 5, 2, 4, 6, 7, 0}) KAV_DrawTrueTypeChar(code);
  ASSERT_EQ(log_.fonts.size(), 7u);
  const auto& f = log_.fonts;
  EXPECT_TRUE(f[0].halfWidth == 8 && f[0].height == 16 && f[0].weight == 0 && !f[0].italic);
  EXPECT_TRUE(f[3].italic && f[3].underline && f[3].weight == 700);
  EXPECT_TRUE(!f[6].italic && !f[6].underline && f[6].weight == 400);

  KAV_SetLeftMargin(2);
  KAV_SetTextCursor(0, 5);
  KAV_DrawTrueTypeText("7\n3");
  cursorIs(5, 21);
  EXPECT_EQ(KAV_SetTrueTypeCell(41, 30), 0);
  EXPECT_TRUE(f.back().halfWidth == 20 && f.back().height == 30);
  KAV_DrawTrueTypeChar('\n');
  cursorIs(2, 51);

  for (auto [w, h] : {std::pair{1, 16}, std::pair{16, 0}, std::pair{-4, 16}}) EXPECT_EQ(KAV_SetTrueTypeCell(w, h), 1);
  EXPECT_EQ(f.size(), 8u);
  log_.drawn.clear();
  KAV_DrawTrueTypeText("ab");
  KAV_DrawTrueTypeChar(3);
  EXPECT_TRUE(log_.drawn.empty());
  cursorIs(2, 51);
  EXPECT_EQ(KAV_SetTrueTypeCell(16, 16), 0);
  EXPECT_EQ(f.back().weight, 700);  // the style asked for meanwhile is kept
}

// The cell's bottom row on the cursor's y, clipping at every edge, the
// blend keeping a pixel's fourth byte, and half coverage in 8-bit images.
TEST_F(TrueTypeTest, GlyphsBlendAtTheCell) {
  ASSERT_EQ(KAV_SetTrueTypeCell(8, 3), 0);
  KAV_SetTextCursor(0, 3);
  KAV_DrawTrueTypeText("12");  // '1' advances by 1: the boxes overlap
  EXPECT_EQ(picture(), (Picture{".....", ".###.", ".###.", ".###."}));
  KAV_SetTextCursor(3, 1);
  KAV_DrawTrueTypeChar('0');
  KAV_SetTextCursor(-2, 3);
  KAV_DrawTrueTypeChar('0');
  EXPECT_EQ(picture(), (Picture{"....#", "#####", "####.", "####."}));

  const GlyphMask m{0, 0, 3, 1, {255, 128, 127}, 0};
  KAV_SetPixel(0, 0, 0xFF000000);
  KAV_SetPixel(1, 0, 0x000000);
  KAV_SetPixel(2, 0, 0x102030);
  blendGlyph(currentCanvas(), 0, 0, m, 0x80FF00);
  EXPECT_EQ(KAV_GetPixel(0, 0), 0xFF80FF00u);
  EXPECT_EQ(KAV_GetPixel(1, 0), 0x408000u);
  EXPECT_EQ(KAV_GetPixel(2, 0), 0x488F18u);  // 127/255 of the way from 0x102030 to 0x80FF00
  ASSERT_EQ(KAV_CreateImage8(1, "t8", 0, 0, 3, 1, 100), 0);
  blendGlyph(currentCanvas(), 0, 0, m, 0xABCD42);
  EXPECT_EQ(picture({{0x42, '#'}}), (Picture{"##."}));
}

}  // namespace
}  // namespace rozoru::test
