// Layout rules of the boxes: plain logic. Whole-box sizes are checked through
// Qt and on a display; here the rules at their edges.
#include <gtest/gtest.h>

#include "boxes/box_layout.h"
#include "shell/core/message.h"

namespace rozoru::boxes {
namespace {

constexpr Size kDefault{kDefaultButtonWidth, kDefaultButtonHeight};

TEST(ButtonLayout, GridRowsSizesAndThePointer) {
  // The last button of the first row, the first of the second.
  EXPECT_EQ(buttonRect(10, 11, kDefault), (Rect{1024, 4, 1122, 30}));
  EXPECT_EQ(buttonRect(11, 11, kDefault), (Rect{4, 34, 102, 60}));
  // A product that wraps a 32-bit int must not sneak into range.
  for (auto [nx, ny, valid] : {std::tuple{16, 16, true}, {256, 1, true}, {16, 17, false}, {0, 4, false},
                               {4, -1, false}, {65536, 65536, false}})
    EXPECT_EQ(validButtonGrid(nx, ny), valid) << nx << " x " << ny;
  // Resizing shares the width among columns; below the margins buttons stay 1 pixel, never 0.
  EXPECT_EQ(buttonSizeFor(1200, 124, 11, 4), (Size{104, 26}));
  EXPECT_EQ(buttonSizeFor(1126, 124, 11, 4), kDefault);
  EXPECT_EQ(buttonSizeFor(10, 10, 11, 4), (Size{1, 1}));
  // The button under the pointer is clamped into the grid; the margin right
  // of button 0 belongs to 1.
  for (auto [x, y, k] : {std::tuple{0, 0, 0}, {104, 4, 1}, {5, 35, 11}, {5000, 5000, 43}, {-50, -50, 0}})
    EXPECT_EQ(buttonAt(x, y, 11, 4, kDefault), k) << x << "," << y;
}

TEST(InputLayout, RowsColumnsAndTheDraggedEdge) {
  for (auto [n, clamped] : {std::pair{0, 1}, {-5, 1}, {30, 30}, {45, 30}}) EXPECT_EQ(clampItems(n), clamped);
  EXPECT_EQ(titleRect(0, 80), (Rect{4, 7, 84, 31}));  // a title sits 3 pixels below its field
  EXPECT_EQ(editRect(2, 80, 70), (Rect{88, 60, 158, 84}));
  for (auto [y, row] : {std::pair{0, 0}, {27, 0}, {28, 1}, {84, -1}, {-1, -1}}) EXPECT_EQ(rowAt(y, 3), row) << y;

  int isize = 118, esize = 120;  // widening is checked with the box itself
  columnsFor(5, sizing::Other, isize, esize);
  EXPECT_EQ(esize, 1);
  columnsFor(5, sizing::Left, isize, esize);
  EXPECT_EQ(isize, 1);
  const Rect before{100, 100, 262, 186};
  EXPECT_EQ(draggedEdge(before, Rect{60, 100, 262, 186}), sizing::Left);
  EXPECT_EQ(draggedEdge(before, Rect{100, 100, 300, 186}), sizing::Right);
  EXPECT_EQ(draggedEdge(before, Rect{50, 100, 300, 186}), sizing::Other);
}

TEST(Utf8, CutKeepsWholeCharacters) {
  EXPECT_EQ(cutUtf8("abc", 255), "abc");
  EXPECT_EQ(cutUtf8("abcdef", 3), "abc");
  // "ゲ" is three bytes: a cut inside it drops it whole.
  EXPECT_EQ(cutUtf8("a\xE3\x82\xB2", 3), "a");
  EXPECT_EQ(cutUtf8("a\xE3\x82\xB2", 4), "a\xE3\x82\xB2");
}

}  // namespace
}  // namespace rozoru::boxes
