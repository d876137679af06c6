// Layout rules and key table of the boxes: plain logic.
#include <gtest/gtest.h>

#include "boxes/box_layout.h"
#include "shell/core/message.h"

namespace rozoru::boxes {
namespace {

constexpr Size kDefault{kDefaultButtonWidth, kDefaultButtonHeight};

TEST(ButtonLayout, DefaultElevenByFourBox) {
  EXPECT_EQ(buttonBoxClient(11, 4, kDefault), (Size{1126, 124}));
  EXPECT_EQ(buttonRect(0, 11, kDefault), (Rect{4, 4, 102, 30}));
  // Last button of the first row, first of the second, the very last.
  EXPECT_EQ(buttonRect(10, 11, kDefault), (Rect{1024, 4, 1122, 30}));
  EXPECT_EQ(buttonRect(11, 11, kDefault), (Rect{4, 34, 102, 60}));
  EXPECT_EQ(buttonRect(43, 11, kDefault), (Rect{1024, 94, 1122, 120}));
}

TEST(ButtonLayout, GridLimits) {
  EXPECT_TRUE(validButtonGrid(16, 16));
  EXPECT_TRUE(validButtonGrid(256, 1));
  EXPECT_FALSE(validButtonGrid(16, 17));
  EXPECT_FALSE(validButtonGrid(0, 4));
  EXPECT_FALSE(validButtonGrid(4, -1));
  // A product that wraps a 32-bit int must not sneak into range.
  EXPECT_FALSE(validButtonGrid(65536, 65536));
}

TEST(ButtonLayout, ResizingSharesTheWidthAmongColumns) {
  EXPECT_EQ(buttonSizeFor(1200, 124, 11, 4), (Size{104, 26}));
  EXPECT_EQ(buttonSizeFor(1126, 124, 11, 4), kDefault);
  // Smaller than the margins: buttons stay 1 pixel, never 0.
  EXPECT_EQ(buttonSizeFor(10, 10, 11, 4), (Size{1, 1}));
  EXPECT_EQ(buttonSizeFor(1, 1, 1, 1), (Size{1, 1}));
}

TEST(ButtonLayout, ButtonUnderPointerIsClampedIntoTheGrid) {
  EXPECT_EQ(buttonAt(0, 0, 11, 4, kDefault), 0);
  EXPECT_EQ(buttonAt(102 + 2, 4, 11, 4, kDefault), 1);  // margin right of button 0 belongs to 1
  EXPECT_EQ(buttonAt(5, 35, 11, 4, kDefault), 11);
  EXPECT_EQ(buttonAt(5000, 5000, 11, 4, kDefault), 43);
  EXPECT_EQ(buttonAt(-50, -50, 11, 4, kDefault), 0);
}

TEST(InputLayout, RowsAndClientArea) {
  EXPECT_EQ(clampItems(0), 1);
  EXPECT_EQ(clampItems(-5), 1);
  EXPECT_EQ(clampItems(30), 30);
  EXPECT_EQ(clampItems(45), 30);
  EXPECT_EQ(inputBoxClient(3, 80, 70), (Size{162, 86}));
  EXPECT_EQ(titleRect(0, 80), (Rect{4, 7, 84, 31}));
  EXPECT_EQ(editRect(0, 80, 70), (Rect{88, 4, 158, 28}));
  EXPECT_EQ(editRect(2, 80, 70), (Rect{88, 60, 158, 84}));
  EXPECT_EQ(rowAt(0, 3), 0);
  EXPECT_EQ(rowAt(27, 3), 0);
  EXPECT_EQ(rowAt(28, 3), 1);
  EXPECT_EQ(rowAt(84, 3), -1);
  EXPECT_EQ(rowAt(-1, 3), -1);
}

TEST(InputLayout, DraggedEdgeDecidesTheColumn) {
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
  EXPECT_EQ(cutUtf8(std::string(300, 'x'), 255).size(), 255u);
}

}  // namespace
}  // namespace rozoru::boxes
