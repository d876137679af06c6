// Text in images: the bitmap font's table, bitmap-font text at the cursor,
// and TrueType text's plain side with a fake engine.
#include <climits>
#include <memory>

#include "imgproc/bitmap_font.h"
#include "imgproc/text.h"
#include "imgproc/truetype.h"
#include "tests/image/draw_fixture.h"

namespace rozoru::test {
namespace {

// First and last rows with a set pixel; {-1, -1} for an empty glyph.
std::pair<int, int> inkRows(unsigned char c) {
  const std::uint8_t* rows = glyphRows(c);
  int first = 0, last = kGlyphHeight - 1;
  while (first <= last && !rows[first]) ++first;
  while (last >= first && !rows[last]) --last;
  return first > last ? std::pair{-1, -1} : std::pair{first, last};
}

// A glyph put on the wrong rows would stand off the line of its neighbours.
TEST(BitmapFont, GlyphsStandOnTheirRows) {
  const std::pair<std::string, std::pair<int, int>> rows[] = {
      {"ABCDEFGHIJKLMNOPRSTUVWXYZ0123456789", {2, 10}}, {"Q", {2, 11}}, {"acemnorsuvwxz", {5, 10}}, {" \x7F", {-1, -1}}};
  for (const auto& [chars, ink] : rows)
    for (unsigned char c : chars) EXPECT_EQ(inkRows(c), ink) << c;
  for (unsigned char c : std::string("gjpqy")) EXPECT_EQ(inkRows(c).second, 13) << c;
  for (unsigned c = 0x21; c < 0x7F; ++c) EXPECT_GE(inkRows(static_cast<unsigned char>(c)).first, c == '^' || c == '`' ? 0 : 2);
  EXPECT_TRUE(glyphRows(0x1F) == nullptr && glyphRows(0x80) == nullptr);
}

// Glyph rows at y - 14 to y - 1 with bit 7 leftmost, the transparent
// background, the pen-moving writes, the wrap before a glyph would start
// beyond width - 8; then control codes and edge cases.
TEST_F(DrawTest, BitmapTextAtTheCursorWrapsAndSkips) {
  image(0, 18, 9, {0, 0, 0, 0, 0, 0, 0x123456});  // under a clear bit of the first glyph
  kav_tc = 0xFFFFFF;
  KAV_SetTextCursor(2, 12);  // glyph rows 2-10 on image rows 0-8
  KAV_DrawString("LL");  // the second starts at 18 - 8 exactly
  const Picture expected{"..####o...####....", "...##......##.....", "...##......##.....",
                         "...##......##.....", "...##......##.....", "...##......##.....",
                         "...##...#..##...#.", "...##..##..##..##.", "..#######.#######."};
  EXPECT_EQ(picture({{0xFFFFFF, '#'}, {0x123456, 'o'}}), expected);
  EXPECT_EQ(pen(), Pen(16, 8));
  EXPECT_EQ(cursor(), Pen(0, 28));  // x = 18 would start beyond 18 - 8: back to the margin

  KAV_SetTextCursor(2, 12);
  KAV_DrawString(" ");  // a space advances (its glyph is empty: GlyphsStandOnTheirRows)
  EXPECT_EQ(cursor(), Pen(10, 12));

  // Newline and margin, skipped codes, a cursor near INT_MAX (whose advance
  // must not wrap round into the image), a slot not in use, and formatted
  // text longer than the buffer.
  KAV_SetLeftMargin(4);
  KAV_SetTextCursor(20, 14);
  for (int c : {10, 0x1F, 0x80, 0xFF, -1, 0x100}) KAV_DrawChar(c);  // a newline, then skipped codes
  EXPECT_EQ(cursor(), Pen(4, 30));
  KAV_SetTextCursor(INT_MAX - 3, INT_MAX);
  KAV_DrawChar('A');
  EXPECT_EQ(cursor(), Pen(4, INT_MAX));
  EXPECT_EQ(picture({{0xFFFFFF, '#'}, {0x123456, 'o'}}), expected);

  KAV_SetLeftMargin(0);
  KAV_SetTextCursor(0, 0);
  KAV_DrawPrintf("%5000d", 1);  // two characters a line: 4095 end half a line on
  EXPECT_EQ(cursor(), Pen(8, 16 * 2047));
  for (const char* cut : {"ab\xC3", "ab\xF0\x9F\x98"}) EXPECT_EQ(trimPartialUtf8(cut), "ab");
  EXPECT_EQ(trimPartialUtf8("ab\xE2\x82\xAC"), "ab\xE2\x82\xAC");

  ASSERT_EQ(KAV_DestroyImage(0), 0);
  KAV_DrawString("A\nB");
  EXPECT_EQ(cursor(), Pen(8, 16 * 2047));
}

// Renders every character as a 2 x 3 box of full coverage one column right
// of the cell's corner, advancing a digit by its value; records the fonts
// made and the characters drawn.
struct FakeEngine final : TrueTypeEngine {
  bool makeFont(const TrueTypeFontDesc& d) override { return fonts.push_back(d), true; }
  bool render(char32_t cp, GlyphMask& out) override {
    drawn.push_back(cp);
    out = GlyphMask{1, 0, 2, 3, std::vector<std::uint8_t>(6, 255), cp >= U'0' && cp <= U'9' ? int(cp - U'0') : 0};
    return true;
  }
  std::vector<TrueTypeFontDesc> fonts;
  std::u32string drawn;
};

class TrueTypeTest : public DrawTest {
 protected:
  void SetUp() override {
    DrawTest::SetUp();
    auto engine = std::make_unique<FakeEngine>();
    log_ = engine.get();  // owned by the text state until releaseTrueType()
    startTrueType(std::move(engine));
    ASSERT_EQ(KAV_CreateImage(0, "t", 0, 0, 5, 4, 100), 0);
  }
  void TearDown() override { releaseTrueType(), DrawTest::TearDown(); }
  FakeEngine* log_ = nullptr;
};

// UTF-8 of every length, invalid bytes as U+FFFD, a sequence cut short by
// the end stopping the walk; the start font, style codes re-making it with
// one field changed, the newline by the cell height, the advance, and cells
// that make no font.
TEST_F(TrueTypeTest, TextStyleCodesCellAndCursor) {
  for (const char* t : {"a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", "\x80" "b\xC3" "c\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80", "d\xE2\x82", "e\xF0"})
    KAV_DrawTrueTypeText(t);
  EXPECT_EQ(log_->drawn, U"a\u00E9\u20AC\U0001F600\uFFFDb\uFFFDc\uFFFD\uFFFD\uFFFDde");

  for (int code : {1, 3, 5, 2, 4, 6, 7, 0}) KAV_DrawTrueTypeChar(code);
  ASSERT_EQ(log_->fonts.size(), 7u);
  const auto& f = log_->fonts;
  EXPECT_TRUE(f[0].halfWidth == 8 && f[0].height == 16 && f[0].weight == 0 && !f[0].italic);
  EXPECT_TRUE(f[3].italic && f[3].underline && f[3].weight == 700);
  EXPECT_TRUE(!f[6].italic && !f[6].underline && f[6].weight == 400);

  KAV_SetLeftMargin(2);
  KAV_SetTextCursor(0, 5);
  KAV_DrawTrueTypeText("7\n3");
  EXPECT_EQ(cursor(), Pen(5, 21));
  EXPECT_EQ(KAV_SetTrueTypeCell(41, 30), 0);
  EXPECT_TRUE(f.back().halfWidth == 20 && f.back().height == 30);
  KAV_DrawTrueTypeChar('\n');
  EXPECT_EQ(cursor(), Pen(2, 51));

  for (auto [w, h] : {std::pair{1, 16}, std::pair{16, 0}, std::pair{-4, 16}}) EXPECT_EQ(KAV_SetTrueTypeCell(w, h), 1);
  EXPECT_EQ(f.size(), 8u);
  log_->drawn.clear();
  KAV_DrawTrueTypeText("ab");
  KAV_DrawTrueTypeChar(3);
  EXPECT_TRUE(log_->drawn.empty() && cursor() == Pen(2, 51));  // nothing drawn, the cursor kept
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
  image(2, 3, 1, {0xFF000000, 0x000000, 0x102030});
  blendGlyph(currentCanvas(), 0, 0, m, 0x80FF00);
  // The last is 127/255 of the way from 0x102030 to 0x80FF00.
  EXPECT_EQ(pixels(2), (std::vector<Pixel32>{0xFF80FF00, 0x408000, 0x488F18}));
  ASSERT_EQ(KAV_CreateImage8(1, "t8", 0, 0, 3, 1, 100), 0);
  blendGlyph(currentCanvas(), 0, 0, m, 0xABCD42);
  EXPECT_EQ(picture({{0x42, '#'}}), (Picture{"##."}));
}

}  // namespace
}  // namespace rozoru::test
