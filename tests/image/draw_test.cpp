// Drawing primitives on 32-bit and 8-bit images, compared pixel by pixel
// with small expected pictures.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <utility>
#include <vector>

#include "rozoru/draw.h"
#include "tests/image/draw_fixture.h"

namespace rozoru::test {
namespace {

std::vector<Pixel32> pixelsOf(int id) {
  return {KAV_ImagePixels[id], KAV_ImagePixels[id] + kav_image[id].width * kav_image[id].height};
}

// Pixel reads and writes: the 32-bit and 8-bit addressing, the unsigned
// bounds test, the pen, and the inversion rules.
TEST_F(DrawTest, PixelsAddressBoundAndMoveThePen) {
  ASSERT_EQ(KAV_CreateImage(0, "p", 0, 0, 4, 2, 100), 0);
  KAV_SetPixel(1, 0, 0xFFFFFF);
  KAV_PenSetPixel(3, 1, 0xFFFFFF);
  KAV_PenSetPixel(-1, 5, 0xFFFFFF);  // outside: pen moves, nothing written
  EXPECT_EQ(picture(), (Picture{".#..", "...#"}));
  int px = 0, py = 0;
  KAV_GetPenPosition(&px, &py);
  EXPECT_TRUE(px == -1 && py == 5);

  KAV_SetPixel(0, 0, 0xFF123456);
  KAV_XorPixel(0, 0);  // the fourth byte is kept
  EXPECT_EQ(KAV_GetPixel(0, 0), 0xFFEDCBA9u);
  KAV_PenXorPixel(2, 0);
  EXPECT_EQ(KAV_GetPixel(2, 0), 0xFFFFFFu);
  KAV_GetPenPosition(&px, &py);
  EXPECT_TRUE(px == 2 && py == 0);
  EXPECT_EQ(KAV_GetPixel(4, 0), 0u);
  EXPECT_EQ(KAV_GetPixel(INT_MIN, 0), 0u);
  EXPECT_EQ(KAV_ProbePixel(0, 2), -1);
  EXPECT_EQ(KAV_ProbePixel(1, 0), 0xFFFFFF);

  // 8-bit: the low byte, rows of 8 bytes for width 5, padding untouched.
  ASSERT_EQ(KAV_CreateImage8(1, "p8", 0, 0, 5, 2, 100), 0);
  KAV_SetPixel(4, 0, 0x123456);
  KAV_SetPixel(0, 1, 0x0000FF);
  KAV_XorPixel(1, 1);
  KAV_SetPixel(5, 0, 0x77);  // beyond the width, inside the row's padding
  EXPECT_EQ(picture({{0x56, 'a'}, {0xFF, '#'}}), (Picture{"....a", "##..."}));
  EXPECT_EQ(KAV_ImageBytes[1][5], 0);
  EXPECT_EQ(KAV_ImageBytes[1][8], 0xFF);
  EXPECT_EQ(KAV_ProbePixel(4, 0), 0x56);

  // A slot not in use: nothing is written, the pen stays.
  ASSERT_EQ(KAV_DestroyImage(1), 0);
  ASSERT_EQ(KAV_SelectImage(0), 0);
  ASSERT_EQ(KAV_DestroyImage(0), 0);
  KAV_PenSetPixel(7, 7, 1);
  KAV_DrawLine(1, 0, 0, 3, 3);
  KAV_GetPenPosition(&px, &py);
  EXPECT_TRUE(px == 2 && py == 0);
  EXPECT_EQ(KAV_ProbePixel(0, 0), -1);
}

// The walk itself: both majors, both directions, ties, single points.
TEST_F(DrawTest, LinesWalkTheExactPixels) {
  ASSERT_EQ(KAV_CreateImage(0, "l", 0, 0, 6, 3, 100), 0);
  KAV_DrawLine(0xFFFFFF, 0, 0, 5, 2);
  const Picture shallow{"##....", "..##..", "....##"};
  EXPECT_EQ(picture(), shallow);
  int px = 0, py = 0;
  KAV_GetPenPosition(&px, &py);
  EXPECT_TRUE(px == 5 && py == 2);

  // Reversed: the same pixels, the pen at the new end point.
  ASSERT_EQ(KAV_CreateImage(1, "r", 0, 0, 6, 3, 100), 0);
  KAV_DrawLine(0xFFFFFF, 5, 2, 0, 0);
  EXPECT_EQ(picture(), shallow);
  KAV_GetPenPosition(&px, &py);
  EXPECT_TRUE(px == 0 && py == 0);

  // Upwards and y-major; a tie (dx = dy) is x-major; a point is one pixel.
  ASSERT_EQ(KAV_CreateImage(2, "u", 0, 0, 6, 6, 100), 0);
  KAV_DrawLine(0xFFFFFF, 0, 5, 2, 0);
  KAV_DrawLine(0xFFFFFF, 3, 3, 5, 1);
  KAV_DrawLine(0xFFFFFF, 5, 5, 5, 5);
  EXPECT_EQ(picture(), (Picture{"..#...", "..#..#", ".#..#.", ".#.#..", "#.....", "#....#"}));

  // Horizontal and vertical lines include both ends in either direction.
  ASSERT_EQ(KAV_CreateImage(3, "hv", 0, 0, 5, 4, 100), 0);
  KAV_DrawLine(0xFFFFFF, 3, 0, 1, 0);
  KAV_DrawLine(0xFFFFFF, 4, 3, 4, 1);
  EXPECT_EQ(picture(), (Picture{".###.", "....#", "....#", "....#"}));
}

// XOR lines invert every pixel once, so twice restores the picture; the same
// on an 8-bit image.
TEST_F(DrawTest, XorLinesTwiceRestore) {
  ASSERT_EQ(KAV_CreateImage(0, "x", 0, 0, 7, 5, 100), 0);
  for (int i = 0; i < 35; ++i) KAV_ImagePixels[0][i] = static_cast<Pixel32>(i * 0x030507);
  const auto before = pixelsOf(0);
  const int ends[][4] = {{0, 0, 6, 4}, {6, 0, 0, 4}, {1, 4, 3, 0}, {-3, 2, 9, 2}, {2, -5, 2, 9}};
  for (auto& e : ends) KAV_XorLine(e[0], e[1], e[2], e[3]);
  EXPECT_NE(pixelsOf(0), before);
  for (auto& e : ends) KAV_XorLine(e[0], e[1], e[2], e[3]);
  EXPECT_EQ(pixelsOf(0), before);

  ASSERT_EQ(KAV_CreateImage8(1, "x8", 0, 0, 3, 3, 100), 0);
  KAV_XorLine(0, 2, 2, 0);
  EXPECT_EQ(picture({{0xFF, '#'}}), (Picture{"..#", ".#.", "#.."}));
}

// Lines from far outside write the same in-image pixels as the whole walk
// would, without overflow and without walking the outside.
TEST_F(DrawTest, LinesFromFarOutsideClipExactly) {
  // Reference: each line drawn whole on a large image, then the window at
  // (ox, oy) of the small image's size compared.
  const int ox = 700, oy = 400, w = 13, h = 9;
  const int ends[][4] = {{-700, -400, 713, 409}, {-650, 8, 30, -2}, {5, -400, -3, 420}, {-100, 300, 20, -350}};
  for (auto& e : ends) {
    ASSERT_EQ(KAV_CreateImage(0, "big", 0, 0, 1500, 900, 10), 0);
    KAV_DrawLine(0xFFFFFF, e[0] + ox, e[1] + oy, e[2] + ox, e[3] + oy);
    Picture expected;
    const Picture whole = picture();
    for (int y = 0; y < h; ++y) expected.push_back(whole[static_cast<std::size_t>(y + oy)].substr(ox, w));
    ASSERT_EQ(KAV_CreateImage(1, "small", 0, 0, w, h, 100), 0);
    KAV_DrawLine(0xFFFFFF, e[0], e[1], e[2], e[3]);
    EXPECT_EQ(picture(), expected) << e[0] << "," << e[1] << " - " << e[2] << "," << e[3];
    KAV_DestroyImage(1);
    KAV_DestroyImage(0);
  }
  // The extreme diagonal passes through (i, i); the pen ends at the far end.
  ASSERT_EQ(KAV_CreateImage(2, "d", 0, 0, 3, 3, 100), 0);
  KAV_DrawLine(0xFFFFFF, INT_MAX, INT_MAX, INT_MIN, INT_MIN);
  KAV_DrawLine(0xFFFFFF, INT_MIN, 1, INT_MAX, 1);
  EXPECT_EQ(picture(), (Picture{"#..", "###", "..#"}));
  int px = 0, py = 0;
  KAV_GetPenPosition(&px, &py);
  EXPECT_TRUE(px == INT_MAX && py == 1);
}

// Outlines, fills and XOR bands of rectangles, corners given either way round.
TEST_F(DrawTest, BoxesOutlineFillAndRubberBand) {
  ASSERT_EQ(KAV_CreateImage(0, "b", 0, 0, 6, 5, 100), 0);
  KAV_DrawBox(4, 3, 0, 0);
  int px = 0, py = 0;
  KAV_GetPenPosition(&px, &py);
  EXPECT_TRUE(px == 4 && py == 3);
  EXPECT_EQ(picture(), (Picture{"#####.", "#...#.", "#...#.", "#####.", "......"}));

  ASSERT_EQ(KAV_CreateImage(1, "f", 0, 0, 6, 5, 100), 0);
  KAV_SetDrawColor(0x00FF00);
  KAV_FillBox(4, 3, 1, 1);
  KAV_FillBox(0, 4, 1, 4);  // one row high: the edges only
  EXPECT_EQ(picture({{0x00FF00, '#'}}), (Picture{"......", ".####.", ".####.", ".####.", "##...."}));

  // The rubber band inverts each pixel once, corners included.
  ASSERT_EQ(KAV_CreateImage(2, "x", 0, 0, 6, 7, 100), 0);
  KAV_XorBox(3, 4, 0, 0);
  KAV_XorBox(5, 0, 5, 5);  // x1 = x2: the two sides cancel
  EXPECT_EQ(picture(), (Picture{"####.#", "#..#..", "#..#..", "#..#..", "####..", ".....#", "......"}));
  KAV_XorBox(3, 4, 0, 0);
  KAV_XorBox(5, 5, 5, 0);
  KAV_XorFillBox(1, 6, 4, 5);
  EXPECT_EQ(picture(), (Picture{"......", "......", "......", "......", "......", ".####.", ".####."}));
  KAV_XorFillBox(4, 5, 1, 6);
  EXPECT_EQ(picture(), (Picture(7, "......")));
}

// The outline's octant and pixel count, its symmetry, each pixel written
// once (one XOR pass equals the solid outline), and the pen.
TEST_F(DrawTest, CircleOutlines) {
  ASSERT_EQ(KAV_CreateImage(0, "c", 0, 0, 21, 21, 100), 0);
  KAV_DrawCircle(0xFFFFFF, 10, 10, 10);
  const Picture ring = picture();
  int count = 0;
  for (const auto& row : ring) count += static_cast<int>(std::count(row.begin(), row.end(), '#'));
  EXPECT_EQ(count, 56);
  const int octant[][2] = {{0, 10}, {1, 10}, {2, 10}, {3, 10}, {4, 9}, {5, 9}, {6, 8}, {7, 7}};
  for (auto& id : octant) EXPECT_EQ(ring[static_cast<std::size_t>(10 - id[1])][static_cast<std::size_t>(10 + id[0])], '#');
  EXPECT_EQ(ring[0][14], '.');  // (4, 9) is not doubled by (4, 10)
  for (int y = 0; y < 21; ++y)
    for (int x = 0; x < 21; ++x) {
      const char v = ring[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
      ASSERT_EQ(v, ring[static_cast<std::size_t>(x)][static_cast<std::size_t>(y)]);
      ASSERT_EQ(v, ring[static_cast<std::size_t>(20 - y)][static_cast<std::size_t>(20 - x)]);
    }
  int px = 0, py = 0;
  KAV_GetPenPosition(&px, &py);
  EXPECT_TRUE(px == 3 && py == 3);

  ASSERT_EQ(KAV_CreateImage(1, "x", 0, 0, 21, 21, 100), 0);
  KAV_XorCircle(10, 10, 10);
  EXPECT_EQ(picture(), ring);
  KAV_XorCircle(10, 10, 10);
  KAV_XorCircle(3, 3, 0);  // the centre four times: unchanged
  EXPECT_EQ(picture(), Picture(21, std::string(21, '.')));

  ASSERT_EQ(KAV_CreateImage(2, "s", 0, 0, 7, 7, 100), 0);
  KAV_DrawCircle(0xFFFFFF, 3, 3, 3);
  KAV_DrawCircle(0xFFFFFF, 3, 3, 0);
  EXPECT_EQ(picture(), (Picture{"..###..", ".#...#.", "#.....#", "#..#..#", "#.....#", ".#...#.", "..###.."}));
  KAV_GetPenPosition(&px, &py);
  EXPECT_TRUE(px == 3 && py == 3);
}

// Filled discs: every row one span, so one XOR pass is the solid disc and
// two restore; clipped at the edges; no overflow near the int limits.
TEST_F(DrawTest, FilledCircles) {
  const Picture disc{"..###..", ".#####.", "#######", "#######", "#######", ".#####.", "..###.."};
  ASSERT_EQ(KAV_CreateImage(0, "f", 0, 0, 7, 7, 100), 0);
  KAV_FillCircle(3, 3, 3);
  EXPECT_EQ(picture(), disc);
  ASSERT_EQ(KAV_CreateImage(1, "x", 0, 0, 7, 7, 100), 0);
  KAV_XorFillCircle(3, 3, 3);
  EXPECT_EQ(picture(), disc);
  int px = 0, py = 0;
  KAV_GetPenPosition(&px, &py);
  EXPECT_TRUE(px == 5 && py == 1);
  for (int r = 0; r < 12; ++r) KAV_XorFillCircle(3, 3, r);
  for (int r = 0; r < 12; ++r) KAV_XorFillCircle(3, 3, r);
  EXPECT_EQ(picture(), disc);

  // Centred off the image's corner: the quarter inside.
  ASSERT_EQ(KAV_CreateImage(2, "q", 0, 0, 7, 7, 100), 0);
  KAV_FillCircle(-1, 6, 3);
  KAV_FillCircle(INT_MAX, INT_MIN, 50);  // far away, nothing
  EXPECT_EQ(picture(), (Picture{".......", ".......", ".......", "#......", "##.....", "###....", "###...."}));
}

// The seed fill: one region only, around obstacles, on 8-bit images, and
// never off the image when the region is white with a fourth byte.
TEST_F(DrawTest, SeedFill) {
  const Picture ring{"..........", ".########.", ".#......#.", ".#.#.#..#.",
                     ".#.#.#.##.", ".#......#.", ".########.", ".........."};
  const std::map<char, Pixel32> ink{{'.', 0}, {'#', 0x0000FF}};
  const std::map<Pixel32, char> seen{{0x0000FF, '#'}, {0xFFFFFF, 'o'}};
  ASSERT_EQ(KAV_CreateImage(0, "in", 0, 0, 10, 8, 100), 0);
  paint(ring, ink);
  KAV_Paint(2, 2);
  EXPECT_EQ(picture(seen), (Picture{"..........", ".########.", ".#oooooo#.", ".#o#o#oo#.",
                                    ".#o#o#o##.", ".#oooooo#.", ".########.", ".........."}));
  ASSERT_EQ(KAV_CreateImage(1, "out", 0, 0, 10, 8, 100), 0);
  paint(ring, ink);
  KAV_Paint(9, 7);
  EXPECT_EQ(picture(seen), (Picture{"oooooooooo", "o########o", "o#......#o", "o#.#.#..#o",
                                    "o#.#.#.##o", "o#......#o", "o########o", "oooooooooo"}));
  KAV_Paint(0, 0);  // already the fill value: nothing
  KAV_Paint(10, 0);  // outside: nothing
  EXPECT_EQ(picture(seen)[0], "oooooooooo");

  // 8-bit: index 255 already equals white's low byte.
  ASSERT_EQ(KAV_CreateImage8(2, "8", 0, 0, 3, 2, 100), 0);
  KAV_SetPixel(1, 0, 0xFF);
  KAV_Paint(1, 0);
  KAV_SetDrawColor(0x123407);
  KAV_Paint(0, 1);
  EXPECT_EQ(picture({{0xFF, '#'}, {0x07, 'o'}}), (Picture{"o#o", "ooo"}));

  // A region of 0xFFFFFFFF reaching every edge.
  ASSERT_EQ(KAV_CreateImage(3, "w", 0, 0, 4, 3, 100), 0);
  for (int i = 0; i < 12; ++i) KAV_ImagePixels[3][i] = 0xFFFFFFFFu;
  KAV_ImagePixels[3][5] = 0;
  KAV_Paint(3, 2);
  EXPECT_EQ(picture({{0x123407, 'o'}}), (Picture{"oooo", "o.oo", "oooo"}));

  // 8000 one-pixel pockets above and below one row: the first 4000 seeds
  // fill theirs, the rest are dropped rather than overrunning the stack.
  ASSERT_EQ(KAV_CreateImage(4, "comb", 0, 0, 8000, 400, 10), 0);
  std::fill(KAV_ImagePixels[4], KAV_ImagePixels[4] + 8000 * 400, 0x0000FFu);
  for (int x = 0; x < 8000; ++x) KAV_ImagePixels[4][8000 + x] = 0;
  for (int x = 0; x < 8000; x += 2) KAV_ImagePixels[4][x] = KAV_ImagePixels[4][16000 + x] = 0;
  KAV_Paint(0, 1);
  int filled[3] = {0, 0, 0};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 8000; ++x) filled[y] += KAV_GetPixel(x, y) == 0x123407;
  EXPECT_TRUE(filled[0] == 2000 && filled[1] == 8000 && filled[2] == 2000);
  EXPECT_TRUE(KAV_GetPixel(3998, 0) == 0x123407 && KAV_GetPixel(4000, 2) == 0);
}

// Circles whose passes mostly miss a small image skip ahead: the same pixels
// and pen as the circle drawn whole on a large image, seen through the same
// window; a radius of 2^31 - 1 finishes and draws its top row.
TEST_F(DrawTest, LargeCirclesSkipOnlyInvisiblePasses) {
  const int w = 17, h = 13;
  for (const int r : {600, 997}) {
    const int big = 2 * r + 3, c = r + 1, k = r * 707 / 1000;
    const int windows[][2] = {{c - 5, 0}, {c + k - 8, c - k - 6}, {big - w, c - 3}, {c - 30, c - k - 2}, {c, c}};
    for (auto& o : windows) {
      for (const bool filled : {false, true}) {
        const auto draw = [&](int cx, int cy) {
          if (filled) KAV_XorFillCircle(cx, cy, r);
          else KAV_DrawCircle(0xFFFFFF, cx, cy, r);
          int px = 0, py = 0;
          KAV_GetPenPosition(&px, &py);
          return std::pair{px - cx, py - cy};
        };
        ASSERT_EQ(KAV_CreateImage(0, "big", 0, 0, big, big, 10), 0);
        const auto bigPen = draw(c, c);
        const Picture whole = picture();
        Picture expected;
        for (int y = 0; y < h; ++y) expected.push_back(whole[static_cast<std::size_t>(o[1] + y)].substr(static_cast<std::size_t>(o[0]), w));
        ASSERT_EQ(KAV_CreateImage(1, "small", 0, 0, w, h, 100), 0);
        EXPECT_EQ(draw(c - o[0], c - o[1]), bigPen);
        EXPECT_EQ(picture(), expected) << "r " << r << " at " << o[0] << "," << o[1] << (filled ? " filled" : "");
        KAV_DestroyImage(1);
        KAV_DestroyImage(0);
      }
    }
  }
  ASSERT_EQ(KAV_CreateImage(2, "top", 0, 0, 8, 3, 100), 0);
  KAV_DrawCircle(0xFFFFFF, 3, INT_MAX, INT_MAX);
  EXPECT_EQ(picture(), (Picture{"########", "........", "........"}));
  KAV_XorFillCircle(3, INT_MAX, INT_MAX);  // the disc covers all three rows
  EXPECT_EQ(picture(), (Picture{"........", "########", "########"}));
}

}  // namespace
}  // namespace rozoru::test
