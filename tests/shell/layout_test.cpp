// Status text centring, main window placement and window snapping.
#include <gtest/gtest.h>

#include "shell/core/layout.h"

namespace rozoru {
namespace {

// A text of n bytes starts at 18 - n / 2 (halved with truncation), at 0 from
// 36 bytes on, in a blank field of 63 that cuts what overruns it.
TEST(StatusText, CentredInItsFieldAndCutAtItsEnd) {
  const std::pair<std::string, std::size_t> cases[] = {{"24-bit color", 12}, {"Input text!", 13}, {"", 0},
                                                       {std::string(30, 'y'), 3}, {std::string(40, 'w'), 0},
                                                       {std::string(100, 'x'), 0}};
  for (const auto& [text, at] : cases)
    EXPECT_EQ(centredStatusText(text), (std::string(at, ' ') + text + std::string(63, ' ')).substr(0, 63)) << text;
}

// The even case is checked on a display.
TEST(MainWindowPlacement, BottomCentre) {
  EXPECT_EQ(mainWindowStart(1281, 1000), (Point{520, 887}));  // integer halving
}

TEST(Snapping, WallsWindowsAndTheirEdges) {
  // A window 200 x 200 at (100, 100); the screen edges are walls.
  const Rect other{100, 100, 300, 300};
  SnapTable table;
  table.rebuild(1280, 1000, {other});
  const std::tuple<Rect, Rect, bool, Rect> cases[] = {  // moving, its own place, snapping on, the result
      {{307, 150, 407, 250}, {500, 500, 600, 600}, true, {300, 150, 400, 250}},  // 7 px snap flush
      {{308, 150, 408, 250}, {500, 500, 600, 600}, true, {308, 150, 408, 250}},  // 8 px do not
      {{307, 150, 407, 250}, {500, 500, 600, 600}, false, {307, 150, 407, 250}},
      {{295, 104, 395, 204}, {}, true, {300, 100, 400, 200}},  // overlapping: tops aligned too
      {{45, 104, 95, 154}, {}, true, {50, 104, 100, 154}},     // a gap closes; the top stays
      {{103, 306, 203, 406}, {}, true, {103, 300, 203, 400}},  // onto the bottom; the left stays
      {{103, 103, 303, 303}, other, true, {103, 103, 303, 303}},  // never onto itself
      {{6, 500, 106, 600}, {}, true, {0, 500, 100, 600}},          // the screen's edge
  };
  for (const auto& [moving, own, snap, want] : cases) EXPECT_EQ(table.snap(moving, own, snap), want) << moving.left;

  table.rebuild(1280, 1000, std::vector<Rect>(300, Rect{1, 2, 3, 4}));
  EXPECT_EQ(table.entries().size(), SnapTable::kCapacity);  // extra windows are left out
}

}  // namespace
}  // namespace rozoru
