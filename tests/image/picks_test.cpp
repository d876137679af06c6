// The picks driven pass by pass: a scripted pump hands the pick one input per
// pass (a mouse message on a window, a Stop, a look at the image), the way
// the worker's queue delivers them, and counts the waits between passes.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "image/image_commands.h"
#include "image/pick_commands.h"
#include "image/picks.h"
#include "rozoru/picks.h"
#include "shell/core/windows.h"
#include "tests/image/draw_fixture.h"

namespace rozoru::test {
namespace {

class ScriptPump final : public Pump {
 public:
  explicit ScriptPump(Pump& inner) : inner_(inner) {}
  std::vector<std::function<void()>> steps;
  int waits = 0, passes = 0;
  bool exhausted = false;

  int dispatchPending() override {
    ++passes;
    if (next_ < steps.size()) steps[next_++]();
    return inner_.dispatchPending();
  }
  void waitActivity(Clock::time_point) override {
    ++waits;
    // A pick still running after the script is a fault: end it so the test reports it.
    if (next_ >= steps.size()) exhausted = true, kav_stop = 1;
  }
  void wake() override {}
  MessageQueue& queue() override { return inner_.queue(); }

 private:
  Pump& inner_;
  std::size_t next_ = 0;
};

class PickTest : public DrawTest {
 protected:
  void SetUp() override {
    DrawTest::SetUp();
    picks::reset();
    kav_stop = 0;
    kav_running = 0;
    setCurrentPump(&script_);
    ASSERT_EQ(KAV_CreateImage(1, "p", 0, 0, 12, 10, 100), 0);
    ASSERT_EQ(KAV_CreateImage(2, "q", 0, 0, 12, 10, 100), 0);
  }
  void TearDown() override {
    setCurrentPump(&pump_);
    kav_running = 0;
    kav_stop = 0;
    DrawTest::TearDown();
  }
  // Steps of the script: one input each. Small images are shown enlarged:
  // the mouse is placed on image point (x, y).
  void mouse(Msg type, int x, int y, int id = 1) {
    const int zoom = kav_image[id].zoom;
    client(type, (x * zoom + 99) / 100, (y * zoom + 99) / 100, id);
  }
  void client(Msg type, int cx, int cy, int id) {
    script_.steps.push_back([=] { windowTable().post(Message{kav_image[id].window, type, 0, packXY(cx, cy), 0, {}}); });
  }
  void key(int k, int id = 1) {
    script_.steps.push_back([=] { windowTable().post(Message{kav_image[id].window, Msg::KeyDown, k, 0, 0, {}}); });
  }
  void then(std::function<void()> f) { script_.steps.push_back(std::move(f)); }
  void click(int x, int y, int id = 1) { mouse(Msg::LButtonDown, x, y, id); }

  // Slot 1's pixels as text ('#' where a figure inverted black).
  static Picture shown() { return window(0, 0, 12, 10); }
  // The status line's text without the blanks that centre it.
  static std::string trimmed(const std::string& s) {
    const auto b = s.find_first_not_of(' '), e = s.find_last_not_of(' ');
    return b == std::string::npos ? "" : s.substr(b, e - b + 1);
  }
  static Picture blank() { return Picture(10, std::string(12, '.')); }

  ScriptPump script_{pump_};
};

// Rectangles: the same pixel twice, corners sorted, the rubber band following
// the mouse, a right click in the second stage going back to the first point,
// the status texts, and no trace of the band afterwards.
TEST_F(PickTest, RectSortsCornersAndARightClickGoesBackToTheFirstPoint) {
  int x1 = 9, y1 = 9, x2 = 9, y2 = 9;
  click(4, 4);
  click(4, 4);
  EXPECT_EQ(KAV_PickRect(1, &x1, &y1, &x2, &y2), 0);
  EXPECT_TRUE(x1 == 4 && y1 == 4 && x2 == 4 && y2 == 4);

  script_.waits = script_.passes = 0;
  Picture band, afterCancel;
  std::string prompt2, prompt1;
  click(8, 6);
  mouse(Msg::MouseMove, 10, 8);
  then([&] { band = shown(), prompt2 = ws_.status(); });
  mouse(Msg::RButtonDown, 0, 0);
  then([&] { afterCancel = shown(), prompt1 = ws_.status(); });
  click(8, 6);
  click(2, 1);  // above and left of the first point
  EXPECT_EQ(KAV_PickRect(1, &x1, &y1, &x2, &y2), 0);
  EXPECT_TRUE(x1 == 2 && y1 == 1 && x2 == 8 && y2 == 6) << x1 << y1 << x2 << y2;
  EXPECT_EQ(count(band), 8);  // the 3 x 3 band from (8, 6) to (10, 8): its border
  EXPECT_EQ(band[7], "........#.#.");
  EXPECT_EQ(trimmed(prompt2), "Click the second point");
  EXPECT_EQ(afterCancel, blank());
  EXPECT_EQ(trimmed(prompt1), "Click the first point");
  EXPECT_EQ(shown(), blank());
  EXPECT_EQ(trimmed(ws_.status()), "24-bit color");
  EXPECT_EQ(KAV_CurrentImage(), 1);
  EXPECT_FALSE(picks::active());
  EXPECT_EQ(ws_.dropChanges(), (std::vector<bool>{false, true, false, true}));
  // Every pass blocked on the queue but the one that took the second point
  // and the one that ended the pick.
  EXPECT_EQ(script_.waits, script_.passes - 2);
  EXPECT_FALSE(script_.exhausted);
}

// Circles round half up; lines keep click order; a window at zoom 200 maps
// client (101, 51) to image (50, 25).
TEST_F(PickTest, CircleRadiusLineOrderAndZoom) {
  int cx = 0, cy = 0, r = 0;
  click(3, 3);
  click(6, 7);
  EXPECT_EQ(KAV_PickCircle(1, &cx, &cy, &r), 0);
  EXPECT_TRUE(cx == 3 && cy == 3 && r == 5);
  click(3, 3);
  click(4, 4);
  EXPECT_EQ(KAV_PickCircle(1, &cx, &cy, &r), 0);
  EXPECT_EQ(r, 1);

  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  click(9, 8);
  click(1, 2);
  EXPECT_EQ(KAV_PickLine(1, &x1, &y1, &x2, &y2), 0);
  EXPECT_TRUE(x1 == 9 && y1 == 8 && x2 == 1 && y2 == 2);

  ASSERT_EQ(KAV_CreateImage(3, "z", 0, 0, 100, 60, 100), 0);
  ASSERT_EQ(KAV_SetZoom(3, 200), 0);
  int x = 0, y = 0;
  client(Msg::LButtonDown, 101, 51, 3);
  EXPECT_EQ(KAV_PickPoint(3, &x, &y), 0);
  EXPECT_TRUE(x == 50 && y == 25);
  EXPECT_EQ(KAV_CurrentImage(), 3);
}

// Refusals, cancels, the order of the flags, a closed window, nesting and Stop.
TEST_F(PickTest, ResultsAndTheEndsOfAPick) {
  int x = 7, y = 7;
  EXPECT_EQ(KAV_PickPoint(256, &x, &y), 2);
  EXPECT_EQ(KAV_PickPoint(5, &x, &y), 2);
  EXPECT_TRUE(x == 7 && y == 7 && ws_.status().empty());  // nothing else happens

  // A click and a cancel in the same pass: the click is tested first.
  script_.steps.push_back([&] {
    const int z = kav_image[1].zoom;
    windowTable().post(Message{kav_image[1].window, Msg::LButtonDown, 0, packXY((5 * z + 99) / 100, (6 * z + 99) / 100), 0, {}});
    windowTable().post(Message{kav_image[1].window, Msg::RButtonDown, 0, 0, 0, {}});
  });
  EXPECT_EQ(KAV_PickPoint(1, &x, &y), 0);
  EXPECT_TRUE(x == 5 && y == 6);

  // The left-over cancel flag of that pass does not cancel the next pick;
  // clicks on another image window do nothing; the middle button cancels.
  mouse(Msg::LButtonDown, 1, 1, 2);
  click(2, 3);
  EXPECT_EQ(KAV_PickPoint(1, &x, &y), 0);
  EXPECT_TRUE(x == 2 && y == 3);
  mouse(Msg::MButtonDown, 0, 0);
  EXPECT_EQ(KAV_PickPoint(1, &x, &y), 1);
  EXPECT_TRUE(x == 0 && y == 0);

  // Nesting is refused; the window closed during the pick ends it with 1.
  int nested = -1;
  then([&] { nested = KAV_PickPoint(2, nullptr, nullptr); });
  then([] { KAV_DestroyImage(1); });
  EXPECT_EQ(KAV_PickPoint(1, &x, &y), 1);
  EXPECT_EQ(nested, 2);
  EXPECT_FALSE(picks::active());
}

// Stop ends a pick with 0 and the outputs as they stand (unsorted); a Stop
// meant for a running KAV_Main is let through, and drops stay refused.
TEST_F(PickTest, StopEndsThePickAndReachesARunningMain) {
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  kav_stop = 1;  // a stale request from before the pick is discarded
  click(8, 6);
  mouse(Msg::MouseMove, 3, 2);
  then([] { kav_stop = 1; });
  EXPECT_EQ(KAV_PickRect(1, &x1, &y1, &x2, &y2), 0);
  EXPECT_TRUE(x1 == 8 && y1 == 6 && x2 == 3 && y2 == 2);
  EXPECT_EQ(shown(), blank());

  kav_running = 1;
  kav_stop = 1;  // pending for KAV_Main: it ends the pick at once and stays
  click(5, 3);
  int x = 0, y = 0;
  EXPECT_EQ(KAV_PickRow(1, &x, &y), 0);
  EXPECT_TRUE(x == 0 && y == 0 && kav_stop.load() == 1);
  EXPECT_EQ(shown(), blank());
  EXPECT_EQ(ws_.dropChanges().back(), false);
}

// Rows, columns and placements follow the mouse; keys and menus are held
// back while a pick runs.
TEST_F(PickTest, FiguresFollowTheMouseAndInputIsHeldBack) {
  Picture row, column, box;
  int x = 0, y = 0;
  mouse(Msg::MouseMove, 5, 3);
  then([&] { row = shown(); });
  click(5, 3);
  EXPECT_EQ(KAV_PickRow(1, &x, &y), 0);
  EXPECT_EQ(row[3], std::string(12, '#'));
  EXPECT_EQ(count(row), 12);

  mouse(Msg::MouseMove, 7, 3);  // the last recorded mouse position is where it starts
  then([&] { column = shown(); });
  mouse(Msg::RButtonDown, 0, 0, 2);
  mouse(Msg::RButtonDown, 0, 0);
  EXPECT_EQ(KAV_PickColumn(1, &x, &y), 1);
  EXPECT_EQ(count(column), 10);
  EXPECT_EQ(column[0][7], '#');
  EXPECT_TRUE(ws_.popups().empty());

  const int stretch = KAV_GetStretchMode(1);
  int loads = 0;
  imageFileHooks().loadDropped = [&](int, const std::string&) { ++loads; };
  then([] {
    auto files = std::make_shared<DroppedFiles>(DroppedFiles{{"/tmp/x.bmp"}});
    windowTable().post(Message{kav_image[1].window, Msg::DropFiles, 0, 0, 0, files});
  });
  key(key::Tab);
  key(key::Escape);
  mouse(Msg::MouseMove, 5, 5);
  then([&] { box = shown(); });
  click(5, 5);
  EXPECT_EQ(KAV_PickPlacement(1, 9, 9, &x, &y), 0);
  EXPECT_TRUE(x == 5 && y == 5);
  EXPECT_EQ(KAV_GetStretchMode(1), stretch);
  EXPECT_EQ(loads, 0);
  imageFileHooks().loadDropped = {};
  EXPECT_EQ(box[1], ".#########..");
  EXPECT_EQ(box[2], ".##.....##..");  // the diagonals start inside the corners
  EXPECT_EQ(shown(), blank());
  const picks::Placement small = picks::placement(5, 5, 8, 9);
  EXPECT_TRUE(small.left == 1 && small.top == 1 && small.right == 8 && small.bottom == 9 && !small.diagonals);
}

// The menu commands built on picks: draw in the window's image, which becomes
// current; a cancel draws nothing; Clipping and Information make their result
// in the lowest free slot; Color Pick reads an 8-bit image through its palette.
TEST_F(PickTest, MenuCommandsDrawClipMeasureAndPickColoursFromTheirPick) {
  ASSERT_EQ(KAV_SelectImage(2), 0);
  click(2, 1);
  click(4, 3);
  runImageCommand(1, imgcmd::BoxFill);
  EXPECT_EQ(KAV_CurrentImage(), 1);
  EXPECT_EQ(shown()[1], "..###.......");
  EXPECT_EQ(count(shown()), 9);
  click(6, 5);
  mouse(Msg::RButtonDown, 0, 0);  // back to the first point, then cancelled
  mouse(Msg::RButtonDown, 0, 0);
  runImageCommand(1, imgcmd::CircleFill);
  EXPECT_EQ(count(shown()), 9);
  click(4, 3);  // a row through the box: the line covers the whole row
  runImageCommand(1, imgcmd::LineRow);
  EXPECT_EQ(shown()[3], std::string(12, '#'));

  // Clipping the box and its row, 5 x 3 from (2, 1), into slot 0.
  click(6, 3);
  click(2, 1);
  runImageCommand(1, imgcmd::Clipping);
  ASSERT_TRUE(kav_image[0].inUse);
  EXPECT_EQ(kav_image[0].title, "(2,1)-(6,3)");
  EXPECT_EQ(KAV_CurrentImage(), 0);
  EXPECT_EQ(picture(), (Picture{"###..", "###..", "#####"}));

  // An 8-bit image with a grey palette: its row profile and its colours.
  ASSERT_EQ(KAV_CreateImage8(4, "g", 0, 0, 12, 10, 100), 0);
  std::vector<std::uint32_t> grey(256);
  for (std::uint32_t i = 0; i < 256; ++i) grey[i] = i * 0x010101u;
  ASSERT_EQ(KAV_SetColorTable(grey.data(), 256), 0);
  KAV_ImageBytes[4][2 * KAV_Stride8(12) + 3] = 200;
  click(3, 2, 4);
  runImageCommand(4, imgcmd::InfoLineLumi);
  EXPECT_EQ(kav_image[3].title, "Luminance(Y=2)");
  EXPECT_EQ(KAV_CurrentImage(), 3);
  click(3, 2, 4);
  runImageCommand(4, imgcmd::PickColour);
  EXPECT_EQ(kav_dc, 200u);
  EXPECT_EQ(kav_tttc, 0xC8C8C8u);
  grey[200] = 0x123456;  // not what a new 8-bit window starts with
  ASSERT_EQ(KAV_SetColorTable(grey.data(), 256), 0);
  click(1, 1, 4);
  click(3, 2, 4);
  runImageCommand(4, imgcmd::Clipping);
  EXPECT_EQ(kav_image[5].bitDepth, 8);
  EXPECT_EQ(at(5, 2, 1), 200u);
  std::uint32_t table[256] = {};
  ASSERT_EQ(KAV_GetColorTable(table), 0);
  EXPECT_EQ(table[200], 0x123456u);
  EXPECT_FALSE(script_.exhausted);
}

}  // namespace
}  // namespace rozoru::test
