// TrueType text through Qt with the Gothic face, on the offscreen platform.
#include <algorithm>

#include "imgproc/qt_truetype.h"
#include "tests/image/draw_fixture.h"
#include "tests/shell/framework_fixture.h"

namespace rozoru::test {
namespace {

int cursorX() {
  int x = 0, y = 0;
  KAV_GetTextCursor(&x, &y);
  return x;
}

// Pixels of the current image that are not bg, and the rows they span.
struct Ink {
  int count = 0, top = INT_MAX, bottom = -1, right = -1;
};
Ink inkOf(Pixel32 bg) {
  const ImageSlot& s = kav_image[KAV_CurrentImage()];
  Ink k;
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x)
      if (KAV_GetPixel(x, y) != bg) ++k.count, k.top = std::min(k.top, y), k.bottom = y, k.right = std::max(k.right, x);
  return k;
}

// Half-width and full-width characters advance by the cell's half and whole
// width, ink stays in the cell, the colour (channel order included) is
// blended over a background left as it was; bold adds ink, underline a row.
TEST_F(DrawTest, QtTrueTypeCellsColoursAndStyles) {
  startTrueType(makeQtTrueTypeEngine());
  for (int cell : {16, 32}) {
    ASSERT_EQ(KAV_SetTrueTypeCell(cell, cell), 0);
    ASSERT_EQ(KAV_CreateImage(cell / 16, "t", 0, 0, 64, 40, 100), 0);
    std::fill_n(KAV_ImagePixels[cell / 16], 64 * 40, 0x000080u);
    kav_tttc = 0xFF0000;
    KAV_SetTextCursor(2, 35);
    KAV_DrawTrueTypeText("A\xE6\xBC\xA2");  // "A" and a kanji
    EXPECT_EQ(cursorX(), 2 + cell / 2 + cell);
    const Ink k = inkOf(0x000080);
    EXPECT_TRUE(k.count > cell * 2 && k.top >= 36 - cell && k.bottom <= 35 && k.right < 2 + cell * 3 / 2);
    const Pixel32* px = KAV_ImagePixels[cell / 16];
    EXPECT_TRUE(std::none_of(px, px + 64 * 40, [](Pixel32 p) { return p & 0xFF00u; }));
    EXPECT_TRUE(std::find(px, px + 64 * 40, 0xFF0000u) != px + 64 * 40);
  }
  ASSERT_EQ(KAV_SetTrueTypeCell(16, 16), 0);
  Ink styled[3];
  for (int style : {0, 3, 5}) {
    ASSERT_EQ(KAV_CreateImage(3 + style, "s", 0, 0, 20, 20, 100), 0);
    KAV_SetTextCursor(2, 17);
    for (int code : {style, int('H'), 4, 6}) KAV_DrawTrueTypeChar(code);
    styled[style / 2] = inkOf(0);
  }
  EXPECT_GT(styled[1].count, styled[0].count);
  EXPECT_GT(styled[2].bottom, styled[0].bottom);
  releaseTrueType();
}

// The framework makes the TrueType font when it starts: an application
// draws TrueType text without setting a cell first.
using TrueTypeStartTest = FrameworkFixture;
TEST_F(TrueTypeStartTest, FontIsReadyWhenTheApplicationStarts) {
  startFramework();
  int x = -1, y = -1, margin = -1, halfWidth = 0, height = 0, advanced = 0;
  Pixel32 colour = 0;
  onWorker([&] {
    KAV_GetTextCursor(&x, &y);
    margin = KAV_GetLeftMargin();
    KAV_GetTrueTypeCell(&halfWidth, &height);
    colour = kav_tttc;
    ASSERT_EQ(KAV_CreateImage(0, "t", 0, 0, 32, 32, 100), 0);
    KAV_SetTextCursor(0, 20);
    KAV_DrawTrueTypeChar('A');
    advanced = cursorX();
  });
  EXPECT_TRUE(x == 0 && y == 0 && margin == 0 && halfWidth == 8 && height == 16);
  EXPECT_EQ(colour, 0xFFFFFFu);
  EXPECT_EQ(advanced, 8);
}

}  // namespace
}  // namespace rozoru::test
