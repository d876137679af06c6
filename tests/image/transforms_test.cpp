// Point operations and geometric transforms on image slots without a
// display: the test thread is the worker, the window system is in memory.
#include "tests/image/draw_fixture.h"

namespace rozoru {
namespace {

using TransformsTest = test::DrawTest;

// Catches a swapped mapping (left for right), a transposition instead of a
// rotation, a stride taken from the old width, and padding bytes of 8-bit
// rows leaking into the result.
TEST_F(TransformsTest, RotationsMapEveryPixelAndSwapTheSize) {
  image(0, 3, 1, {0xA, 0xB, 0xC});
  KAV_RotateRight();
  EXPECT_EQ(dump(0), (Dump{1, 3, {0xA, 0xB, 0xC}}));
  for (int turn = 0; turn < 2; ++turn) KAV_RotateLeft();
  EXPECT_EQ(pixels(0), (std::vector<Pixel32>{0xC, 0xB, 0xA}));

  // 3 x 2: one turn right maps exactly; a left turn and four right come back.
  image(2, 3, 2, {1, 2, 3, 4, 5, 6});
  KAV_RotateRight();
  EXPECT_EQ(dump(2), (Dump{2, 3, {4, 1, 5, 2, 6, 3}}));
  for (void (*turn)() : {KAV_RotateLeft, KAV_RotateRight, KAV_RotateRight, KAV_RotateRight, KAV_RotateRight}) turn();
  EXPECT_EQ(dump(2), (Dump{3, 2, {1, 2, 3, 4, 5, 6}}));

  // 8-bit, width 5 (rows of 8 bytes) to width 2 (rows of 4 bytes).
  image(1, 5, 2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, true);
  KAV_RotateLeft();
  EXPECT_EQ(dump(1), (Dump{2, 5, {5, 10, 4, 9, 3, 8, 2, 7, 1, 6}}));
  KAV_RotateRight();
  EXPECT_EQ(pixels(1), (std::vector<Pixel32>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

// Catches a transform that changes a picture it could not resize, and one
// that writes a slot that is not in use (the freed slot keeps its memory).
TEST_F(TransformsTest, FailedResizeAndFreeSlotsKeepThePicture) {
  image(2, 1000, 10, std::vector<Pixel32>(10000, 0x123456));
  // 10 x 1000 has no zoom that fits the screen; 1000000 x 10000 is more
  // memory than an image may have; factors 0 and below mean nothing.
  KAV_RotateRight();
  for (int factor : {1000000, 0, -500}) KAV_ScaleImage(factor);
  EXPECT_EQ(dump(2), (Dump{1000, 10, std::vector<Pixel32>(10000, 0x123456)}));

  ASSERT_EQ(KAV_DestroyImage(2), 0);
  Pixel32* stale = KAV_ImagePixels[2];
  for (void (*op)(int) : {KAV_Invert, KAV_ClearImage, KAV_FlipHorizontal, KAV_FlipVertical}) op(2);
  for (void (*op)() : {KAV_RotateLeft, KAV_TestPatternRgb, KAV_TestPatternHsv, KAV_TestPatternYCrCb, KAV_TestPatternGrey}) op();
  KAV_ScaleImage(500);
  EXPECT_TRUE(stale[0] == 0x123456u && stale[9999] == 0x123456u && kav_image[2].inUse == 0);
}

// Catches flips that miss the middle, swap a pixel twice, or touch row padding;
// invert that changes bits 24-31 or the padding; a clear that leaves padding.
TEST_F(TransformsTest, FlipsInvertAndClear) {
  image(0, 3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 0xFF000009});
  KAV_FlipHorizontal(0);
  EXPECT_EQ(pixels(0), (std::vector<Pixel32>{3, 2, 1, 6, 5, 4, 0xFF000009, 8, 7}));
  KAV_FlipVertical(0);
  EXPECT_EQ(pixels(0), (std::vector<Pixel32>{0xFF000009, 8, 7, 6, 5, 4, 3, 2, 1}));
  KAV_Invert(0);
  EXPECT_TRUE(pixels(0)[0] == 0xFFFFFFF6u && pixels(0)[8] == 0x00FFFFFEu);

  image(1, 3, 2, {1, 2, 3, 4, 5, 6}, true);
  for (void (*op)(int) : {KAV_FlipHorizontal, KAV_FlipVertical, KAV_Invert}) op(1);
  EXPECT_EQ(pixels(1), (std::vector<Pixel32>{249, 250, 251, 252, 253, 254}));
  EXPECT_TRUE(KAV_ImageBytes[1][3] == 0xEE && KAV_ImageBytes[1][7] == 0xEE);
  KAV_ClearImage(1);
  EXPECT_EQ(std::vector(KAV_ImageBytes[1], KAV_ImageBytes[1] + 8), std::vector<std::uint8_t>(8, 0));
}

// Catches sizes rounded differently from (side * factor + 500) / 1000, a
// blend in mode 3, mode 4 not averaging, and 8-bit averages of raw indexes
// instead of palette colours.
TEST_F(TransformsTest, ScalingSizesAndSampling) {
  const struct {
    int w, h, factor, nw, nh;
  } sizes[] = {{320, 240, 707, 226, 170}, {320, 240, 1414, 452, 339}, {1, 1, 500, 1, 1}, {3, 3, 500, 2, 2}};
  for (const auto& c : sizes) {
    image(3, c.w, c.h, std::vector<Pixel32>(static_cast<std::size_t>(c.w * c.h), 0x404040));
    KAV_ScaleImage(c.factor);
    EXPECT_EQ(dump(3), (Dump{c.nw, c.nh, std::vector<Pixel32>(static_cast<std::size_t>(c.nw * c.nh), 0x404040)}))
        << c.w << "x" << c.h << " by " << c.factor;
  }

  image(0, 2, 1, {0x000000, 0xFEFEFE});
  KAV_ScaleImage(2000);
  EXPECT_EQ(pixels(0), (std::vector<Pixel32>{0, 0, 0xFEFEFE, 0xFEFEFE, 0, 0, 0xFEFEFE, 0xFEFEFE}));
  ASSERT_EQ(KAV_SetStretchMode(0, 4), 0);
  KAV_ScaleImage(250);  // 4 x 2 to 1 x 1: the mean of all
  EXPECT_EQ(pixels(0), (std::vector<Pixel32>{0x7F7F7F}));

  image(1, 2, 1, {7, 9}, true);
  KAV_ScaleImage(2000);
  EXPECT_EQ(pixels(1), (std::vector<Pixel32>{7, 7, 9, 9, 7, 7, 9, 9}));
  // Black at 0, white at 1, mid grey at 2: white and black average to entry 2.
  std::vector<std::uint32_t> palette{0x000000, 0xFFFFFF, 0x808080};
  palette.resize(256, 0x0000FF);
  image(2, 2, 2, {0, 1, 1, 0}, true);
  ASSERT_EQ(KAV_SetColorTable(palette.data(), 256), 0);
  ASSERT_EQ(KAV_SetStretchMode(2, 4), 0);
  KAV_ScaleImage(500);
  EXPECT_EQ(pixels(2), (std::vector<Pixel32>{2}));
}

// Catches wrong rounding or operand order in the pattern formulas, a pen left
// elsewhere, 8-bit images not getting the low byte, the division by the half
// height of a one-row HSV image, a chroma centre off (W/2, H/2) or chroma
// with the vertical sign turned, and a grey ramp without the grey palette.
TEST_F(TransformsTest, TestPatterns) {
  image(0, 2, 2);
  KAV_SetPenPosition(9, 9);
  KAV_TestPatternRgb();
  EXPECT_EQ(pixels(0), (std::vector<Pixel32>{0x0000FF, 0x7F00C0, 0x007FC0, 0x7F7F80}));
  EXPECT_EQ(pen(), test::Pen(1, 1));
  image(1, 2, 2, {}, true);
  KAV_TestPatternRgb();
  EXPECT_EQ(pixels(1), (std::vector<Pixel32>{0xFF, 0xC0, 0xC0, 0x80}));

  image(2, 2, 1);
  KAV_TestPatternHsv();
  EXPECT_EQ(pixels(2)[0], 0xFF0000u);
  image(3, 1, 2);
  KAV_TestPatternHsv();  // white above (no saturation), full red below
  EXPECT_EQ(pixels(3), (std::vector<Pixel32>{0xFFFFFF, 0xFF0000}));

  image(4, 5, 4);
  for (void (*pattern)() : {KAV_TestPatternYCrCb, KAV_TestPatternYuv, KAV_TestPatternYiq}) {
    std::memset(KAV_ImagePixels[4], 0x55, 5 * 4 * sizeof(Pixel32));
    pattern();
    const std::vector<Pixel32> p = pixels(4);
    // Black at the centre; above it the chroma leans to red, below it to green.
    EXPECT_TRUE(p[2 * 5 + 2] == 0u && (p[2] >> 16 & 0xFF) > (p[2] >> 8 & 0xFF) && (p[17] >> 8 & 0xFF) > (p[17] >> 16 & 0xFF));
  }

  image(5, 4, 2);
  KAV_TestPatternGrey();
  EXPECT_EQ(pixels(5), (std::vector<Pixel32>{0x000000, 0x3F3F3F, 0x7F7F7F, 0xBFBFBF,  //
                                             0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040}));
  image(6, 3, 1, {}, true);
  std::vector<std::uint32_t> table(256, 0x123456);
  ASSERT_EQ(KAV_SetColorTable(table.data(), 256), 0);
  KAV_TestPatternGrey();  // one row: the falling ramp is drawn last
  EXPECT_EQ(pixels(6), (std::vector<Pixel32>{255, 170, 85}));
  ASSERT_EQ(KAV_GetColorTable(table.data()), 0);
  EXPECT_TRUE(table[0] == 0u && table[200] == 0xC8C8C8u);
}

}  // namespace
}  // namespace rozoru
