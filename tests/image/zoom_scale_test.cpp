// Zoom fitting, steps, captions, image coordinates and the repaint scalers.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "image/zoom.h"
#include "imgproc/scale.h"

namespace rozoru {
namespace {

// A 1280 x 1024 screen with a 24-pixel caption; smallest client 112 x 10.
constexpr ZoomScreen kScreen{1280, 1000, 112, 10};

// Enlarging to the smallest window, lowering to the screen, and failing ({0, 0, 0}).
TEST(ZoomFitting, FitsTheScreenAndTheSmallestWindow) {
  struct Case {
    int w, h, zoom;
    ZoomScreen screen;
    std::array<int, 3> want;  // zoom, display width and height
  };
  const Case cases[] = {
      {4000, 100, 100, kScreen, {32, 1280, 32}},
      {1, 1, 100, kScreen, {11200, 112, 112}},  // a dot is enlarged to the smallest window
      {320, 240, 0, kScreen, {35, 112, 84}},    // 0 or less: ceil(11200 / 320)
      {320, 240, -40, kScreen, {35, 112, 84}},
      {5, 3, 100, kScreen, {2240, 112, 67}},                     // 112 / 5 rounded up, in percent
      {320, 240, 1000, {1024, 744, 112, 10}, {310, 992, 744}},  // the largest that fits
      {1, 5000, 100, kScreen, {0, 0, 0}},  // the smallest width makes it far too tall
  };
  for (const Case& c : cases) {
    const ZoomFit f = fitZoom(c.w, c.h, c.zoom, c.screen);
    EXPECT_EQ((f.ok ? std::array{f.zoom, f.displayWidth, f.displayHeight} : std::array{0, 0, 0}), c.want)
        << c.w << "x" << c.h << "@" << c.zoom;
  }
}

// The zoom steps are driven through the wheel and keys by the slot tests.
TEST(ImageCoordinates, FromClientPositions) {
  EXPECT_EQ(clientToImage(101, 200), 50);
  EXPECT_EQ(clientToImage(7, 50), 14);
  EXPECT_EQ(clientToImage(-1, 100), 65535) << "positions are unsigned 16-bit numbers";
}

TEST(Captions, LongTitlesAreCutWholeCharacters) {
  // 200 two-byte characters: the cut must not split one.
  std::string title;
  for (int i = 0; i < 200; ++i) title += "\xC3\xA9";
  const std::string c = imageCaption(title, 100, 8, 4);
  EXPECT_LE(c.size(), 255u);
  EXPECT_EQ(c.substr(c.size() - 13), "(100%)[8bit]*");
  const std::string name = c.substr(0, c.size() - 13);
  EXPECT_EQ(name.size() % 2, 0u);
  EXPECT_EQ(name.substr(0, 2), "\xC3\xA9");
}

std::vector<std::uint32_t> ramp(int w, int h) {
  std::vector<std::uint32_t> v(static_cast<std::size_t>(w * h));
  for (int i = 0; i < w * h; ++i) v[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(i * 0x010203);
  return v;
}

TEST(Scaling, EqualSizesCopyAndNearestDropsAndRepeats) {
  const auto src = ramp(4, 4);
  std::vector<std::uint32_t> a(16), b(16);
  scaleNearest(src.data(), 4, 4, 4, a.data(), 4, 4, 4);
  scaleSmooth(src.data(), 4, 4, 4, b.data(), 4, 4, 4);
  EXPECT_EQ(a, src);
  EXPECT_EQ(b, src);
  std::vector<std::uint32_t> half(4);
  scaleNearest(src.data(), 4, 4, 4, half.data(), 2, 2, 2);
  EXPECT_EQ(half, (std::vector<std::uint32_t>{src[0], src[2], src[8], src[10]}));

  const std::vector<std::uint32_t> two = {1, 2, 3, 4};
  std::vector<std::uint32_t> dbl(16);
  scaleNearest(two.data(), 2, 2, 2, dbl.data(), 4, 4, 4);
  EXPECT_EQ(dbl, (std::vector<std::uint32_t>{1, 1, 2, 2, 1, 1, 2, 2, 3, 3, 4, 4, 3, 3, 4, 4}));
}

TEST(Scaling, SmoothAveragesKeepsFlatAreasFlatAndBlends) {
  const std::vector<std::uint32_t> quad = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  std::uint32_t one = 0;
  scaleSmooth(quad.data(), 2, 2, 2, &one, 1, 1, 1);
  EXPECT_EQ(one, 0x404040u);  // each channel 255 / 4, rounded
  // Halving adds channels side by side in one word: no channel may carry
  // into its neighbour, and bits 24-31 are no channel.
  const std::vector<std::uint32_t> blocks = {0xFF00FF, 0x01FF01, 0xFF102030, 0x000000,
                                             0xFF00FF, 0x000000, 0x0F0F0F, 0x0000FF};
  std::vector<std::uint32_t> halves(2);
  scaleSmooth(blocks.data(), 4, 2, 4, halves.data(), 2, 1, 2);
  EXPECT_EQ(halves, (std::vector<std::uint32_t>{0x804080, 0x080C50}));

  // A flat colour stays exactly that colour at any size, one way or both.
  const std::vector<std::uint32_t> flat(7 * 5, 0x123456);
  for (auto [dw, dh] : {std::pair{3, 2}, std::pair{11, 9}, std::pair{4, 8}, std::pair{13, 2}}) {
    std::vector<std::uint32_t> out(static_cast<std::size_t>(dw * dh));
    scaleSmooth(flat.data(), 7, 5, 7, out.data(), dw, dh, dw);
    for (std::uint32_t p : out) ASSERT_EQ(p, 0x123456u) << dw << "x" << dh;
  }
  // Enlarging keeps the corners and blends between.
  const std::vector<std::uint32_t> two = {0x000000, 0x0000FF};
  std::vector<std::uint32_t> out(8);
  scaleSmooth(two.data(), 2, 1, 2, out.data(), 8, 1, 8);
  EXPECT_EQ(out.front(), 0x000000u);
  EXPECT_EQ(out.back(), 0x0000FFu);
  for (std::size_t i = 1; i < out.size(); ++i) EXPECT_GE(out[i], out[i - 1]);
}

TEST(Scaling, IndexedPicturesGoThroughTheirTable) {
  std::uint32_t table[256];
  for (std::uint32_t i = 0; i < 256; ++i) table[i] = 0x010000u * i;
  // Width 5: rows padded to 8 bytes; the padding is never read.
  const std::uint8_t rows[16] = {0, 1, 2, 3, 4, 99, 99, 99, 5, 6, 7, 8, 9, 99, 99, 99};
  std::vector<std::uint32_t> out(10);
  expandIndexed(rows, 5, 2, 8, table, out.data(), 5);
  for (std::uint32_t i = 0; i < 10; ++i) EXPECT_EQ(out[i], 0x010000u * i) << i;
}

}  // namespace
}  // namespace rozoru
