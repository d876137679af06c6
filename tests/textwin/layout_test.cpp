// Layout of printed and typed text in fixed cells, scrolling, the key ring and
// the text conversions. The plain surface draws a block for a glyph, a bottom
// line for '_' and nothing for blanks, so cells can be read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "textwin/text_layout.h"

namespace rozoru::textwin {
namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kBlack = 0;

// What one cell shows: '#' a glyph, '_' the caret, ' ' nothing.
char cellAt(const TextSurface& s, int col, int row) {
  const int x = col * s.cellWidth(), y = row * s.cellHeight();
  if (s.pixel(x + s.cellWidth() / 2, y + s.cellHeight() / 2) != kBlack) return '#';
  if (s.pixel(x + s.cellWidth() / 2, y + s.cellHeight() - 2) != kBlack) return '_';
  return ' ';
}

// A row of cells as text, trailing blanks dropped.
std::string rowText(const TextSurface& s, int row) {
  std::string out;
  for (int col = 0; col < s.width() / s.cellWidth(); ++col) out += cellAt(s, col, row);
  out.erase(out.find_last_not_of(' ') + 1);
  return out;
}

void print(TextSurface& s, Cursor& c, std::u16string_view text) { printUnits(s, c, text, kWhite, kBlack); }

// Where wrapping puts the cursor and the glyphs (8 x 16 cells).
TEST(PrintLayout, Wrapping) {
  struct Case {
    int w, h;
    std::u16string text;
    Cursor end;
    std::vector<std::string> rows;
  };
  const std::string x50(50, '#'), x49(49, '#'), x10(10, '#');
  const Case cases[] = {
      {400, 300, u"abc\n\ndef", {24, 32}, {"###", "", "###"}},  // line feeds leave empty lines
      {400, 300, std::u16string(50, u'x'), {400, 0}, {x50}},  // a unit ending at the edge still fits
      {400, 300, std::u16string(50, u'x') + u"y", {8, 16}, {x50, "#"}},
      {400, 300, std::u16string(49, u'x') + u"\u3042", {16, 16}, {x49, "##"}},  // a wide unit moves whole
      {400, 300, std::u16string(48, u'x') + u"\u00e9", {400, 0}, {x50}},        // ...or fits exactly
      {80, 50, std::u16string(45, u'x'), {40, 32}, {x10, x10, "#####"}},        // 3 lines: 2 scrolls
      {80, 50, u"a\nbb\nccc\ndddd", {32, 32}, {"##", "###", "####"}},          // one line per line feed
      {80, 16, u"a\nb\nc", {8, 0}, {"#"}},  // lower than two lines: the cursor keeps its line
  };
  for (const Case& c : cases) {
    TextSurface s(c.w, c.h, 8, 16);
    Cursor cur;
    print(s, cur, c.text);
    EXPECT_EQ(cur, c.end) << c.w << "x" << c.h << " " << c.text.size();
    for (std::size_t r = 0; r < c.rows.size(); ++r) EXPECT_EQ(rowText(s, static_cast<int>(r)), c.rows[r]) << r;
    // Nothing is left below the last whole line (a window lower than two keeps its one).
    for (int y = std::max(16, (c.h - 1) / 16 * 16); y < c.h; ++y)
      EXPECT_EQ(s.pixel(4, y), kBlack) << c.w << "x" << c.h << " " << y;
  }
}

// ------------------------------------------------------------- line input --

struct Typing {
  TextSurface s{400, 300, 8, 16};
  Cursor c;
  LineEditor e;
  void type(std::u16string_view units) {
    for (char16_t u : units) e.type(u, s, c, kWhite, kBlack);
  }
  bool back() { return e.backspace(s, c, kWhite, kBlack); }
};

// Backspace within a line is driven by the end-to-end test.
TEST(LineEditor, FinishClearsTheCaretAndBackspaceStopsAtTheStart) {
  Typing t;
  t.type(u"AB");
  LineEditor::drawCaret(true, t.s, t.c, kWhite, kBlack);
  EXPECT_EQ(cellAt(t.s, 2, 0), '_');
  LineEditor::finish(t.s, t.c, kWhite, kBlack);
  EXPECT_EQ(cellAt(t.s, 2, 0), ' ');
  EXPECT_EQ(t.c, (Cursor{0, 16}));
  Typing u;
  EXPECT_FALSE(u.back()) << "nothing to remove";
  EXPECT_EQ(u.c, (Cursor{0, 0}));
}

TEST(LineEditor, TheLastCellOfALineIsLeftForTheCaretAnd255UnitsAtMost) {
  Typing t;
  t.type(std::u16string(49, u'x'));
  EXPECT_EQ(t.c, (Cursor{392, 0}));
  t.type(u"y");  // drawn in the last cell, then the cursor wraps
  EXPECT_EQ(t.c, (Cursor{0, 16}));
  EXPECT_EQ(t.e.depth(), 1);
  EXPECT_EQ(rowText(t.s, 0), std::string(50, '#'));
  // Backspace comes back onto the last cell of the line above.
  t.back();
  EXPECT_EQ(t.c, (Cursor{392, 0}));
  EXPECT_EQ(t.e.depth(), 0);
  LineEditor::drawCaret(true, t.s, t.c, kWhite, kBlack);
  EXPECT_EQ(cellAt(t.s, 49, 0), '_') << "the caret covers the removed unit";

  // 255 units at most; many wrapped lines walked back to the start.
  t.type(std::u16string(300, u'q'));
  EXPECT_EQ(t.e.units().size(), 255u);
  EXPECT_FALSE(t.e.type(u'r', t.s, t.c, kWhite, kBlack));
  while (t.back()) {
  }
  EXPECT_EQ(t.e.depth(), 0);
  EXPECT_EQ(t.c.x, 0);
}

// A double-width unit that would leave the caret no cell moves whole to the
// next line; backspace comes back to where it was typed.
TEST(LineEditor, DoubleWidthUnitsAtTheLineEnd) {
  struct Case {
    int before;    // narrow units typed first
    Cursor typed;  // where the wide unit leaves the cursor
  };
  for (const Case& c : {Case{49, {16, 16}}, Case{48, {0, 16}}, Case{47, {392, 0}}}) {
    Typing t;
    t.type(std::u16string(static_cast<std::size_t>(c.before), u'x') + u"\u3042");
    EXPECT_EQ(t.c, c.typed) << c.before;
    EXPECT_EQ(rowText(t.s, 0).size() + rowText(t.s, 1).size(), static_cast<std::size_t>(c.before + 2)) << c.before;
    t.back();
    EXPECT_EQ(t.c, (Cursor{8 * c.before, 0})) << c.before;
    EXPECT_EQ(rowText(t.s, 0), std::string(static_cast<std::size_t>(c.before), '#'));
    EXPECT_EQ(rowText(t.s, 1), "");
    EXPECT_EQ(t.e.depth(), 0);
  }
  Typing t;  // after 47 and one wide unit, the next wide unit wraps whole
  t.type(std::u16string(47, u'x') + u"\u3042\u3044");
  EXPECT_EQ(t.c, (Cursor{16, 16}));
}

// ---------------------------------------------------------------- key ring --

TEST(KeyRing, KeepsOrderWrapsAroundAndDropsWhenFull) {
  KeyRing r;
  EXPECT_TRUE(r.empty());
  EXPECT_EQ(r.take(), 0);
  for (int i = 0; i < 200; ++i) ASSERT_TRUE(r.push(u'a') && r.take() == u'a');
  // Now the positions wrap past the end of the array.
  for (int i = 0; i < KeyRing::kSize; ++i) ASSERT_TRUE(r.push(static_cast<char16_t>(0x100 + i))) << i;
  EXPECT_FALSE(r.push(u'z')) << "a full ring drops";
  for (int i = 0; i < KeyRing::kSize; ++i) ASSERT_EQ(r.take(), static_cast<char16_t>(0x100 + i)) << i;
  EXPECT_TRUE(r.empty());
}

// -------------------------------------------------------------------- text --

TEST(Text, ConversionsLimitsMalformedInputAndCharacterBoundaries) {
  EXPECT_EQ(utf8ToUtf16("a\xc3\xa9\xe3\x81\x82", 10), u"a\u00e9\u3042");
  EXPECT_EQ(utf8ToUtf16("\xf0\x9f\x98\x80", 10), u"\U0001F600");
  EXPECT_EQ(utf8ToUtf16("ab\xf0\x9f\x98\x80", 3), u"ab") << "a pair is not split by the limit";
  EXPECT_EQ(utf8ToUtf16("a\xff" "b", 10), u"a\uFFFDb");
  EXPECT_EQ(utf8ToUtf16("a\xe3\x81", 10), u"a\uFFFD\uFFFD") << "cut short";
  EXPECT_EQ(utf8ToUtf16("\xc0\xaf", 10), u"\uFFFD\uFFFD") << "overlong";
  EXPECT_EQ(utf16ToUtf8(u"a\u00e9\u3042\U0001F600"), "a\xc3\xa9\xe3\x81\x82\xf0\x9f\x98\x80");
  EXPECT_EQ(utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xef\xbf\xbd");
  const std::string s = "ab\xe3\x81\x82";  // 5 bytes
  EXPECT_EQ(utf8Prefix(s, 5), 5u);
  for (std::size_t n : {2u, 3u, 4u}) EXPECT_EQ(utf8Prefix(s, n), 2u) << n;
  EXPECT_EQ(utf8Complete("ab\xe3\x81"), 2u);
  EXPECT_EQ(utf8Complete("ab\xe3\x81\x82"), 5u);
  EXPECT_EQ(utf8Complete("ab\xc3"), 2u);
}

}  // namespace
}  // namespace rozoru::textwin
