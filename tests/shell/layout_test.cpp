// Status text centring, main window placement and window snapping.
#include <gtest/gtest.h>

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

TEST(MainWindowPlacement, BottomCentre) {
  EXPECT_EQ(mainWindowStart(1280, 1000), (Point{520, 887}));
  EXPECT_EQ(mainWindowStart(1281, 1000).x, 520);  // integer halving
}

TEST(Snapping, WallsWindowsAndTheirEdges) {
  // A window 200 x 200 at (100, 100); the screen edges are walls.
  const Rect other{100, 100, 300, 300};
  SnapTable table;
  table.rebuild(1280, 1000, {other});
  ASSERT_EQ(table.entries().size(), 5u);
  EXPECT_EQ(table.entries()[0], (Rect{-1000, 0, 0, 1000}));
  EXPECT_EQ(table.entries()[4], other);
  struct Case {
    Rect moving, own;
    bool snap;
    Rect want;
  };
  const Case cases[] = {
      {{307, 150, 407, 250}, {500, 500, 600, 600}, true, {300, 150, 400, 250}},  // 7 px snap flush
      {{308, 150, 408, 250}, {500, 500, 600, 600}, true, {308, 150, 408, 250}},  // 8 px do not
      {{307, 150, 407, 250}, {500, 500, 600, 600}, false, {307, 150, 407, 250}},
      {{295, 104, 395, 204}, {}, true, {300, 100, 400, 200}},  // overlapping: tops aligned too
      {{45, 104, 95, 154}, {}, true, {50, 104, 100, 154}},     // a gap closes; the top stays
      {{103, 306, 203, 406}, {}, true, {103, 300, 203, 400}},  // onto the bottom; the left stays
      {{103, 103, 303, 303}, other, true, {103, 103, 303, 303}},  // never onto itself
      {{6, 500, 106, 600}, {}, true, {0, 500, 100, 600}},          // the screen's edge
  };
  for (const Case& c : cases) EXPECT_EQ(table.snap(c.moving, c.own, c.snap), c.want) << c.moving.left;

  table.rebuild(1280, 1000, std::vector<Rect>(300, Rect{1, 2, 3, 4}));
  EXPECT_EQ(table.entries().size(), SnapTable::kCapacity);  // extra windows are left out
}

}  // namespace
}  // namespace rozoru
