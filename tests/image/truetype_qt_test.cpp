// TrueType text through Qt with the Gothic face, on the offscreen platform.
#include <algorithm>
#include <set>

#include "imgproc/qt_truetype.h"
#include "rozoru/draw.h"
#include "tests/image/draw_fixture.h"
#include "tests/shell/framework_fixture.h"

namespace rozoru::test {
namespace {

class QtTrueTypeTest : public DrawTest {
 protected:
  void SetUp() override {
    DrawTest::SetUp();
    startTrueType(makeQtTrueTypeEngine());
  }
  void TearDown() override {
    releaseTrueType();
    DrawTest::TearDown();
  }
  // Drawn text's ink: the box of the pixels that differ from bg, and how many.
  struct Ink {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1, count = 0;
  };
  static Ink inkOf(Pixel32 bg) {
    const ImageSlot& s = kav_image[KAV_CurrentImage()];
    Ink k;
    for (int y = 0; y < s.height; ++y)
      for (int x = 0; x < s.width; ++x)
        if (KAV_GetPixel(x, y) != bg) {
          k.left = std::min(k.left, x), k.right = std::max(k.right, x);
          k.top = std::min(k.top, y), k.bottom = std::max(k.bottom, y);
          ++k.count;
        }
    return k;
  }
  static int cursorX() {
    int x = 0, y = 0;
    KAV_GetTextCursor(&x, &y);
    return x;
  }
};

// The start font exists; half-width and full-width characters advance by
// the cell's half and whole width; the ink stays in the cell above the
// cursor's row, in the text colour blended over a background left as it was.
TEST_F(QtTrueTypeTest, GothicCellAdvanceAndColour) {
  ASSERT_EQ(KAV_CreateImage(0, "t", 0, 0, 64, 40, 100), 0);
  for (int i = 0; i < 64 * 40; ++i) KAV_ImagePixels[0][i] = 0x000080;
  kav_tttc = 0x00FF00;
  KAV_SetTextCursor(2, 19);
  KAV_DrawTrueTypeText("A\xE6\xBC\xA2");  // "A" and a kanji
  EXPECT_EQ(cursorX(), 2 + 8 + 16);
  const Ink k = inkOf(0x000080);
  ASSERT_GT(k.count, 20);
  EXPECT_TRUE(k.left >= 2 && k.right < 26 && k.top >= 4 && k.bottom <= 19) << k.left << ' ' << k.right << ' ' << k.top
                                                                            << ' ' << k.bottom;
  std::set<Pixel32> greens;
  for (int i = 0; i < 64 * 40; ++i)
    if (KAV_ImagePixels[0][i] != 0x000080) {
      EXPECT_EQ(KAV_ImagePixels[0][i] & 0xFF0000u, 0u);
      greens.insert(KAV_ImagePixels[0][i]);
    }
  EXPECT_TRUE(greens.count(0x00FF00));

  // A cell twice as large: twice the advance, ink within 32 rows.
  ASSERT_EQ(KAV_CreateImage(1, "t", 0, 0, 80, 40, 100), 0);
  ASSERT_EQ(KAV_SetTrueTypeCell(32, 32), 0);
  KAV_SetTextCursor(0, 35);
  KAV_DrawTrueTypeText("A\xE6\xBC\xA2");
  EXPECT_EQ(cursorX(), 16 + 32);
  const Ink big = inkOf(0);
  EXPECT_TRUE(big.top >= 4 && big.bottom <= 35 && big.right < 48);
  EXPECT_GT(big.count, 3 * k.count);
}

// Bold adds ink, underline draws a row across the advance, italic changes
// the shape but not the advance; an 8-bit image gets the colour's low byte.
TEST_F(QtTrueTypeTest, StylesAndEightBitImages) {
  const auto draw = [](int style) {
    KAV_CreateImage(0, "t", 0, 0, 20, 20, 100);
    KAV_SetTextCursor(2, 17);
    if (style) KAV_DrawTrueTypeChar(style);
    KAV_DrawTrueTypeChar('H');
    const Ink k = inkOf(0);
    for (int undo : {2, 4, 6}) KAV_DrawTrueTypeChar(undo);
    EXPECT_EQ(cursorX(), 10);
    std::vector<Pixel32> px(KAV_ImagePixels[0], KAV_ImagePixels[0] + 400);
    KAV_DestroyImage(0);
    return std::pair{k, px};
  };
  const auto [plain, plainPx] = draw(0);
  const auto [bold, boldPx] = draw(3);
  const auto [under, underPx] = draw(5);
  const auto [italic, italicPx] = draw(1);
  EXPECT_GT(bold.count, plain.count);
  EXPECT_GT(under.bottom, plain.bottom);
  int underRow = 0;
  for (int x = 2; x < 10; ++x) underRow += underPx[static_cast<std::size_t>(under.bottom * 20 + x)] != 0;
  EXPECT_GE(underRow, 7);
  EXPECT_NE(italicPx, plainPx);

  ASSERT_EQ(KAV_CreateImage8(1, "t8", 0, 0, 21, 20, 100), 0);
  kav_tttc = 0x123456;
  KAV_SetTextCursor(2, 17);
  KAV_DrawTrueTypeChar(U'\u6F22');
  const Picture pic = picture({{0x56, '#'}});
  int ink = 0;
  for (const std::string& row : pic) {
    EXPECT_EQ(row.find('?'), std::string::npos);
    ink += static_cast<int>(std::count(row.begin(), row.end(), '#'));
  }
  EXPECT_GT(ink, 20);
}

// The framework makes the TrueType font when it starts: an application
// draws TrueType text without setting a cell first.
using TrueTypeStartTest = FrameworkFixture;
TEST_F(TrueTypeStartTest, FontIsReadyWhenTheApplicationStarts) {
  startFramework();
  int x = -1, y = -1, margin = -1, halfWidth = 0, height = 0;
  Pixel32 colour = 0;
  onWorker([&] {
    ASSERT_EQ(KAV_CreateImage(0, "t", 0, 0, 32, 32, 100), 0);
    KAV_GetTextCursor(&x, &y);
    margin = KAV_GetLeftMargin();
    KAV_GetTrueTypeCell(&halfWidth, &height);
    colour = kav_tttc;
    KAV_SetTextCursor(0, 20);
    KAV_DrawTrueTypeChar('A');
  });
  EXPECT_TRUE(x == 0 && y == 0 && margin == 0);
  EXPECT_TRUE(halfWidth == 8 && height == 16);
  EXPECT_EQ(colour, 0xFFFFFFu);
  onWorker([&] { KAV_GetTextCursor(&x, &y); });
  EXPECT_EQ(x, 8);
}

}  // namespace
}  // namespace rozoru::test
