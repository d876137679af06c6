// Status text centring, main window placement and window snapping.
#include <gtest/gtest.h>

#include <numeric>

#include "shell/core/layout.h"

namespace rozoru {
namespace {

TEST(StatusText, CentredInItsField) {
  const std::string s = centredStatusText("24-bit color");  // 12 bytes: offset 18 - 6
  ASSERT_EQ(s.size(), 63u);
  EXPECT_EQ(s.substr(0, 12), std::string(12, ' '));
  EXPECT_EQ(s.substr(12, 12), "24-bit color");
  EXPECT_EQ(s.find_first_not_of(' ', 24), std::string::npos);

  // Odd lengths halve with truncation: 11 bytes start at 18 - 5.
  EXPECT_EQ(centredStatusText("Input text!").find('I'), 13u);
  // The empty text leaves the field blank.
  EXPECT_EQ(centredStatusText(""), std::string(63, ' '));
  // 36 bytes and more start at the left edge.
  const std::string wide(40, 'w');
  EXPECT_EQ(centredStatusText(wide).substr(0, 40), wide);
}

TEST(StatusText, OverlongTextIsCutAtTheField) {
  const std::string s = centredStatusText(std::string(100, 'x'));
  EXPECT_EQ(s, std::string(63, 'x'));
  // 40 bytes at offset 0 fit; 30 bytes at offset 3 fit too.
  EXPECT_EQ(centredStatusText(std::string(30, 'y')).substr(3, 30), std::string(30, 'y'));
}

TEST(MainWindowPlacement, BottomCentreAndDropIn) {
  EXPECT_EQ(mainWindowStart(1280, 1000), (Point{520, 887}));
  EXPECT_EQ(mainWindowStart(1281, 1000).x, 520);  // integer halving
  EXPECT_EQ(kDropInOffsets.size(), 28u);
  EXPECT_EQ(std::accumulate(kDropInOffsets.begin(), kDropInOffsets.end(), 0), 55);
}

class Snapping : public ::testing::Test {
 protected:
  void SetUp() override { table.rebuild(1280, 1000, {other}); }
  // A window 200 x 200 at (100, 100); the walls are entries 0-3.
  Rect other{100, 100, 300, 300};
  SnapTable table;
};

TEST_F(Snapping, WallsThenWindows) {
  ASSERT_EQ(table.entries().size(), 5u);
  EXPECT_EQ(table.entries()[0], (Rect{-1000, 0, 0, 1000}));
  EXPECT_EQ(table.entries()[1], (Rect{0, -1000, 1280, 0}));
  EXPECT_EQ(table.entries()[2], (Rect{1280, 0, 2280, 1000}));
  EXPECT_EQ(table.entries()[3], (Rect{0, 1000, 1280, 2000}));
  EXPECT_EQ(table.entries()[4], other);
}

TEST_F(Snapping, SevenPixelsSnapFlushEightDoNot) {
  const Rect moving{307, 150, 407, 250};
  const Rect snapped = table.snap(moving, {500, 500, 600, 600}, true);
  EXPECT_EQ(snapped, (Rect{300, 150, 400, 250}));

  const Rect far{308, 150, 408, 250};
  EXPECT_EQ(table.snap(far, {500, 500, 600, 600}, true), far);
  EXPECT_EQ(table.snap(moving, {500, 500, 600, 600}, false), moving);
}

TEST_F(Snapping, LeftOntoRightEdgeThenTopsAligned) {
  // Overlapping the other window's right edge by 5 px, top 4 px below its top.
  EXPECT_EQ(table.snap({295, 104, 395, 204}, {}, true), (Rect{300, 100, 400, 200}));
}

TEST_F(Snapping, RightEdgeOntoLeftEdgeKeepsTheTop) {
  // A 5 px gap closes; the rectangles do not overlap horizontally (on entry),
  // so the tops are not aligned.
  EXPECT_EQ(table.snap({45, 104, 95, 154}, {}, true), (Rect{50, 104, 100, 154}));
}

TEST_F(Snapping, TopOntoBottomWithoutVerticalOverlapKeepsTheLeft) {
  EXPECT_EQ(table.snap({103, 306, 203, 406}, {}, true), (Rect{103, 300, 203, 400}));
}

TEST_F(Snapping, TheWindowsOwnRectangleIsSkipped) {
  // Moving the window that the table holds as `other`: it must not snap to itself.
  const Rect moving{103, 103, 303, 303};
  EXPECT_EQ(table.snap(moving, other, true), moving);
}

TEST_F(Snapping, ScreenEdgesAreWalls) {
  const Rect moving{6, 500, 106, 600};
  EXPECT_EQ(table.snap(moving, {}, true), (Rect{0, 500, 100, 600}));
}

TEST(SnapTableCapacity, ExtraWindowsAreLeftOut) {
  SnapTable t;
  t.rebuild(1280, 1000, std::vector<Rect>(300, Rect{1, 2, 3, 4}));
  EXPECT_EQ(t.entries().size(), SnapTable::kCapacity);
}

}  // namespace
}  // namespace rozoru
