// Drawing primitives on 32-bit and 8-bit images, compared pixel by pixel
// with small expected pictures.
#include <algorithm>
#include <climits>
#include <functional>
#include <utility>
#include <vector>

#include "rozoru/draw.h"
#include "tests/image/draw_fixture.h"

namespace rozoru::test {
namespace {

using Pen = std::pair<int, int>;

// Pixel reads and writes: 32-bit and padded 8-bit addressing, the unsigned
// bounds test, the pen, the inversion rules, and a slot not in use.
TEST_F(DrawTest, PixelsAddressBoundAndMoveThePen) {
  ASSERT_EQ(KAV_CreateImage(0, "p", 0, 0, 4, 2, 100), 0);
  KAV_SetPixel(1, 0, 0xFFFFFF);
  KAV_PenSetPixel(3, 1, 0xFFFFFF);
  KAV_PenSetPixel(-1, 5, 0xFFFFFF);  // outside: the pen moves, nothing is written
  EXPECT_EQ(picture(), (Picture{".#..", "...#"}));
  EXPECT_EQ(pen(), Pen(-1, 5));
  KAV_SetPixel(0, 0, 0xFF123456);
  KAV_XorPixel(0, 0);  // the fourth byte is kept
  KAV_PenXorPixel(2, 0);
  EXPECT_TRUE(KAV_GetPixel(0, 0) == 0xFFEDCBA9u && KAV_GetPixel(2, 0) == 0xFFFFFFu && pen() == Pen(2, 0));
  EXPECT_TRUE(KAV_GetPixel(INT_MIN, 0) == 0 && KAV_ProbePixel(0, 2) == -1);

  ASSERT_EQ(KAV_CreateImage8(1, "p8", 0, 0, 5, 2, 100), 0);
  KAV_SetPixel(4, 0, 0x123456);
  KAV_SetPixel(0, 1, 0x0000FF);
  KAV_XorPixel(1, 1);
  KAV_SetPixel(5, 0, 0x77);  // beyond the width, in the row's padding
  EXPECT_EQ(picture({{0x56, 'a'}, {0xFF, '#'}}), (Picture{"....a", "##..."}));
  EXPECT_TRUE(KAV_ImageBytes[1][5] == 0 && KAV_ProbePixel(4, 0) == 0x56);

  ASSERT_EQ(KAV_DestroyImage(1), 0);
  KAV_PenSetPixel(7, 7, 1);
  KAV_DrawLine(1, 0, 0, 3, 3);
  EXPECT_EQ(pen(), Pen(2, 0));
}

// The walk: both majors, both directions, ties, points, XOR twice.
TEST_F(DrawTest, LinesWalkTheExactPixels) {
  ASSERT_EQ(KAV_CreateImage(0, "l", 0, 0, 6, 3, 100), 0);
  KAV_DrawLine(0xFFFFFF, 0, 0, 5, 2);
  EXPECT_EQ(picture(), (Picture{"##....", "..##..", "....##"}));
  KAV_XorLine(5, 2, 0, 0);  // reversed: the same pixels, so all are cleared
  EXPECT_TRUE(picture() == Picture(3, "......") && pen() == Pen(0, 0));

  ASSERT_EQ(KAV_CreateImage(2, "u", 0, 0, 6, 6, 100), 0);
  KAV_DrawLine(0xFFFFFF, 0, 5, 2, 0);
  KAV_DrawLine(0xFFFFFF, 3, 3, 5, 1);  // dx = dy: x-major
  KAV_DrawLine(0xFFFFFF, 5, 5, 5, 5);
  KAV_DrawLine(0xFFFFFF, 5, 0, 3, 0);
  EXPECT_EQ(picture(), (Picture{"..####", "..#..#", ".#..#.", ".#.#..", "#.....", "#....#"}));
  for (int pass = 0; pass < 2; ++pass) {
    KAV_XorLine(0, 0, 5, 5);
    KAV_XorLine(4, 5, 4, -3);
  }
  EXPECT_EQ(picture(), (Picture{"..####", "..#..#", ".#..#.", ".#.#..", "#.....", "#....#"}));
}

// Draws draw(dx, dy) (the shape moved by dx, dy) whole on a big image and
// moved by (-ox, -oy) on a 17 x 13 one: the same pixels and the same pen.
void sameThroughWindow(int big, int ox, int oy, const std::function<void(int, int)>& draw) {
  ASSERT_EQ(KAV_CreateImage(0, "big", 0, 0, big, big, 10), 0);
  draw(0, 0);
  const Picture expected = DrawTest::window(ox, oy, 17, 13);
  const Pen bigPen = DrawTest::pen();
  ASSERT_EQ(KAV_CreateImage(1, "small", 0, 0, 17, 13, 100), 0);
  draw(-ox, -oy);
  EXPECT_EQ(DrawTest::picture(), expected) << "window at " << ox << "," << oy;
  EXPECT_EQ(DrawTest::pen(), Pen(bigPen.first - ox, bigPen.second - oy));
  KAV_DestroyImage(1);
  KAV_DestroyImage(0);
}

// Shapes mostly outside are entered where they reach the image (lines) or
// skip passes that cannot reach it (circles): nothing changes in the
// pixels written; near the int limits nothing overflows or takes long.
TEST_F(DrawTest, ShapesFromFarOutsideDrawTheSamePixels) {
  const int ends[][4] = {{0, 0, 1413, 809}, {50, 408, 730, 398}, {705, 0, 697, 820}, {600, 700, 720, 50}};
  for (auto& e : ends)
    sameThroughWindow(1500, 700, 400, [&](int dx, int dy) { KAV_DrawLine(0xFFFFFF, e[0] + dx, e[1] + dy, e[2] + dx, e[3] + dy); });
  for (const int r : {600, 997}) {
    const int c = r + 1, k = r * 707 / 1000;
    const int windows[][2] = {{c - 5, 0}, {c + k - 8, c - k - 6}, {2 * r - 14, c - 3}, {c - 30, c - k - 2}, {c, c}};
    for (auto& o : windows) {
      sameThroughWindow(2 * r + 3, o[0], o[1], [&](int dx, int dy) { KAV_DrawCircle(0xFFFFFF, c + dx, c + dy, r); });
      sameThroughWindow(2 * r + 3, o[0], o[1], [&](int dx, int dy) { KAV_XorFillCircle(c + dx, c + dy, r); });
    }
  }
  ASSERT_EQ(KAV_CreateImage(2, "d", 0, 0, 8, 3, 100), 0);
  KAV_DrawLine(0xFFFFFF, INT_MAX, INT_MAX, INT_MIN, INT_MIN);
  KAV_DrawLine(0xFFFFFF, INT_MIN, 1, INT_MAX, 1);
  EXPECT_TRUE(picture() == (Picture{"#.......", "########", "..#....."}) && pen() == Pen(INT_MAX, 1));
  ASSERT_EQ(KAV_CreateImage(3, "top", 0, 0, 8, 3, 100), 0);
  KAV_DrawCircle(0xFFFFFF, 3, INT_MAX, INT_MAX);
  EXPECT_EQ(picture(), (Picture{"########", "........", "........"}));
  KAV_XorFillCircle(3, INT_MAX, INT_MAX);  // the disc covers all three rows
  EXPECT_EQ(picture(), (Picture{"........", "########", "########"}));
}

// Outlines, fills and XOR bands of rectangles, corners given either way round.
TEST_F(DrawTest, BoxesOutlineFillAndRubberBand) {
  ASSERT_EQ(KAV_CreateImage(0, "b", 0, 0, 6, 5, 100), 0);
  KAV_DrawBox(4, 3, 0, 0);
  KAV_SetDrawColor(0x00FF00);
  KAV_FillBox(0, 4, 1, 4);  // one row high: the edges only
  EXPECT_EQ(pen(), Pen(0, 4));
  KAV_FillBox(5, 3, 3, 1);
  EXPECT_EQ(picture({{0xFFFFFF, '#'}, {0x00FF00, 'o'}}), (Picture{"#####.", "#..ooo", "#..ooo", "###ooo", "oo...."}));

  ASSERT_EQ(KAV_CreateImage(2, "x", 0, 0, 6, 7, 100), 0);
  KAV_XorBox(3, 4, 0, 0);  // corners inverted once
  KAV_XorBox(5, 0, 5, 5);  // x1 = x2: the two sides cancel
  EXPECT_EQ(picture(), (Picture{"####.#", "#..#..", "#..#..", "#..#..", "####..", ".....#", "......"}));
  KAV_XorBox(3, 4, 0, 0);
  KAV_XorBox(5, 5, 5, 0);
  KAV_XorFillBox(1, 6, 4, 5);
  EXPECT_EQ(picture(), (Picture{"......", "......", "......", "......", "......", ".####.", ".####."}));
}

// Outlines: the radius-10 octant and its 56 pixels, each written once (one
// XOR pass is the solid outline, two restore), a small circle whole, the pen.
TEST_F(DrawTest, CircleOutlines) {
  ASSERT_EQ(KAV_CreateImage(0, "c", 0, 0, 21, 21, 100), 0);
  KAV_DrawCircle(0xFFFFFF, 10, 10, 10);
  const Picture ring = picture();
  EXPECT_EQ(pen(), Pen(3, 3));
  int count = 0;
  for (const auto& row : ring) count += static_cast<int>(std::count(row.begin(), row.end(), '#'));
  EXPECT_EQ(count, 56);
  EXPECT_EQ(window(10, 0, 8, 4), (Picture{"####....", "....##..", "......#.", ".......#"}));
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
  EXPECT_EQ(pen(), Pen(3, 3));
}

// Filled discs: every row one span, so one XOR pass is the solid disc and
// two restore.
TEST_F(DrawTest, FilledCircles) {
  const Picture disc{"..###..", ".#####.", "#######", "#######", "#######", ".#####.", "..###.."};
  ASSERT_EQ(KAV_CreateImage(0, "f", 0, 0, 7, 7, 100), 0);
  KAV_FillCircle(3, 3, 3);
  EXPECT_EQ(picture(), disc);
  ASSERT_EQ(KAV_CreateImage(1, "x", 0, 0, 7, 7, 100), 0);
  KAV_XorFillCircle(3, 3, 3);
  EXPECT_TRUE(picture() == disc && pen() == Pen(5, 1));
  for (int r = 0; r < 24; ++r) KAV_XorFillCircle(3, 3, r % 12);
  EXPECT_EQ(picture(), disc);
}

// The seed fill: one region only, around obstacles, on 8-bit images, never
// off the image when the region is 0xFFFFFFFF, and a full seed stack.
TEST_F(DrawTest, SeedFill) {
  const Picture ring{"..........", ".########.", ".#......#.", ".#.#.#..#.", ".#.#.#.##.", ".#......#.", ".########."};
  const std::map<Pixel32, char> seen{{0x0000FF, '#'}, {0xFFFFFF, 'o'}};
  ASSERT_EQ(KAV_CreateImage(0, "in", 0, 0, 10, 7, 100), 0);
  for (int i = 0; i < 70; ++i) KAV_ImagePixels[0][i] = ring[static_cast<std::size_t>(i / 10)][static_cast<std::size_t>(i % 10)] == '#' ? 0x0000FF : 0;
  KAV_Paint(2, 2);
  KAV_Paint(3, 2);  // already the fill value: nothing
  EXPECT_EQ(picture(seen), (Picture{"..........", ".########.", ".#oooooo#.", ".#o#o#oo#.", ".#o#o#o##.", ".#oooooo#.", ".########."}));

  ASSERT_EQ(KAV_CreateImage8(2, "8", 0, 0, 3, 2, 100), 0);
  KAV_SetPixel(1, 0, 0xFF);
  KAV_Paint(1, 0);  // index 255 is white's low byte: nothing
  KAV_SetDrawColor(0x123407);
  KAV_Paint(0, 1);
  EXPECT_EQ(picture({{0xFF, '#'}, {0x07, 'o'}}), (Picture{"o#o", "ooo"}));

  ASSERT_EQ(KAV_CreateImage(3, "w", 0, 0, 4, 3, 100), 0);
  std::fill(KAV_ImagePixels[3], KAV_ImagePixels[3] + 12, 0xFFFFFFFFu);
  KAV_ImagePixels[3][5] = 0;
  KAV_Paint(3, 2);
  EXPECT_EQ(picture({{0x123407, 'o'}}), (Picture{"oooo", "o.oo", "oooo"}));

  // 8000 one-pixel pockets above and below one row: the first 4000 seeds
  // fill theirs, the rest are dropped rather than overrunning the stack.
  ASSERT_EQ(KAV_CreateImage(4, "comb", 0, 0, 8000, 400, 10), 0);
  std::fill(KAV_ImagePixels[4], KAV_ImagePixels[4] + 8000 * 400, 0x0000FFu);
  for (int x = 0; x < 8000; ++x) KAV_ImagePixels[4][8000 + x] = KAV_ImagePixels[4][x & ~1] = KAV_ImagePixels[4][16000 + (x & ~1)] = 0;
  KAV_Paint(0, 1);
  EXPECT_EQ(window(3996, 0, 8, 3, {{0x123407, 'o'}, {0x0000FF, '#'}}), (Picture{"o#o#.#.#", "oooooooo", "o#o#.#.#"}));
}

}  // namespace
}  // namespace rozoru::test
