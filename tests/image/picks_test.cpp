// The picks driven pass by pass, one input per pass as the worker's queue
// delivers them, counting the waits between passes.
#include <array>
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

using Four = std::array<int, 4>;

// The test is the worker's pump: each pass runs the next script step (one
// input: a mouse message, a Stop, a look at the image) and then dispatches.
class PickTest : public DrawTest, public Pump {
 protected:
  void SetUp() override {
    DrawTest::SetUp();
    picks::reset();
    kav_stop = kav_running = 0;
    setCurrentPump(this);
    ASSERT_EQ(KAV_CreateImage(1, "p", 0, 0, 12, 10, 100), 0);  // shown enlarged
    ASSERT_EQ(KAV_CreateImage(2, "q", 0, 0, 12, 10, 100), 0);
  }
  void TearDown() override {
    setCurrentPump(&pump_);
    kav_stop = kav_running = 0;
    DrawTest::TearDown();
  }
  int dispatchPending() override {
    ++passes_;
    if (next_ < steps_.size()) steps_[next_++]();
    return pump_.dispatchPending();
  }
  // A pick outliving its script is a fault: Stop, then the window's end,
  // finish it so that the test fails instead of hanging.
  void waitActivity(Clock::time_point) override {
    ++waits_;
    if (next_ < steps_.size()) return;
    if (kav_stop.exchange(1) != 0)
      for (int id = 0; id < 4; ++id) KAV_DestroyImage(id);
  }
  void wake() override {}
  MessageQueue& queue() override { return pump_.queue(); }

  // Script steps: a mouse message at image point (x, y), or any step.
  void mouse(Msg type, int x, int y, int id = 1) {
    const int z = kav_image[id].zoom;
    const std::int64_t at = packXY((x * z + 99) / 100, (y * z + 99) / 100);
    then([=] { windowTable().post(Message{kav_image[id].window, type, 0, at, 0, {}}); });
  }
  void click(int x, int y, int id = 1) { mouse(Msg::LButtonDown, x, y, id); }
  void then(std::function<void()> f) { steps_.push_back(std::move(f)); }
  static Four rect(int (*pick)(int, int*, int*, int*, int*)) {
    Four o{9, 9, 9, 9};
    EXPECT_EQ(pick(1, &o[0], &o[1], &o[2], &o[3]), 0);
    return o;
  }
  static Picture shown() { return window(0, 0, 12, 10); }
  static Picture blank() { return Picture(10, std::string(12, '.')); }
  // White pixels on image 1's window once the repaints asked for are done.
  long onScreen() {
    pump_.dispatchPending();
    return std::ranges::count(ws_.presented(kav_image[1].window).pixels, 0xFFFFFFu);
  }
  bool says(const char* text) const { return ws_.status().find(text) != std::string::npos; }

  std::vector<std::function<void()>> steps_;
  std::size_t next_ = 0;
  int waits_ = 0, passes_ = 0;
};

// Rectangles: the same pixel twice, corners sorted, the band following the
// mouse on screen, a right click in the second stage going back to the first
// point, the status texts, no trace of the band, and a blocking wait every pass.
TEST_F(PickTest, CornersRadiusZoomAndARightClickInTheSecondStage) {
  click(4, 4), click(4, 4);
  EXPECT_EQ(rect(KAV_PickRect), (Four{4, 4, 4, 4}));
  waits_ = passes_ = 0;
  Picture band, afterCancel;
  bool prompts = false;
  long bandShown = 0;
  click(8, 6), mouse(Msg::MouseMove, 10, 8);
  then([&] { band = shown(), prompts = says("Click the second point"), bandShown = onScreen(); });
  mouse(Msg::RButtonDown, 0, 0);
  then([&] { afterCancel = shown(), prompts = prompts && says("Click the first point"); });
  click(8, 6), click(2, 1);  // the second above and left of the first
  EXPECT_EQ(rect(KAV_PickRect), (Four{2, 1, 8, 6}));
  EXPECT_TRUE(count(band) == 8 && band[7] == "........#.#." && bandShown > 0);  // the 3 x 3 band to (10, 8)
  EXPECT_TRUE(prompts && afterCancel == blank() && shown() == blank() && onScreen() == 0);
  EXPECT_TRUE(says("24-bit color") && KAV_CurrentImage() == 1 && !picks::active());
  EXPECT_EQ(ws_.dropChanges(), (std::vector<bool>{false, true, false, true}));
  // Every pass blocked but the one that took the second point and the last.
  EXPECT_TRUE(waits_ == passes_ - 2 && next_ == steps_.size());

  // Circles round half up; lines keep click order; zoom 200 maps client
  // (101, 51) to image (50, 25).
  Four c{};
  click(3, 3), click(6, 7);
  EXPECT_TRUE(KAV_PickCircle(1, &c[0], &c[1], &c[2]) == 0 && c == (Four{3, 3, 5, 0}));
  click(3, 3), click(4, 4);
  EXPECT_TRUE(KAV_PickCircle(1, &c[0], &c[1], &c[2]) == 0 && c[2] == 1);
  click(9, 8), click(1, 2);
  EXPECT_EQ(rect(KAV_PickLine), (Four{9, 8, 1, 2}));
  ASSERT_EQ(KAV_CreateImage(3, "z", 0, 0, 100, 60, 200), 0);
  then([] { windowTable().post(Message{kav_image[3].window, Msg::LButtonDown, 0, packXY(101, 51), 0, {}}); });
  EXPECT_TRUE(KAV_PickPoint(3, &c[0], &c[1]) == 0 && c[0] == 50 && c[1] == 25 && KAV_CurrentImage() == 3);
}

// Refusals, cancels, the order of the flags, a closed window, nesting and Stop.
TEST_F(PickTest, ResultsAndTheEndsOfAPick) {
  int x = 7, y = 7;
  EXPECT_TRUE(KAV_PickPoint(256, &x, &y) == 2 && KAV_PickPoint(5, &x, &y) == 2);
  EXPECT_TRUE(x == 7 && y == 7 && ws_.status().empty());  // nothing else happens
  // A click and a cancel in one pass: the click is tested first.
  click(5, 6);
  steps_.back() = [f = steps_.back()] {
    f(), windowTable().post(Message{kav_image[1].window, Msg::RButtonDown, 0, 0, 0, {}});
  };
  EXPECT_TRUE(KAV_PickPoint(1, &x, &y) == 0 && x == 5 && y == 6);
  // The cancel left over does not end the next pick; another window's
  // clicks do nothing; the middle button cancels with the outputs at 0.
  mouse(Msg::LButtonDown, 1, 1, 2), click(2, 3);
  EXPECT_TRUE(KAV_PickPoint(1, &x, &y) == 0 && x == 2 && y == 3);
  mouse(Msg::MButtonDown, 0, 0);
  EXPECT_TRUE(KAV_PickPoint(1, &x, &y) == 1 && x == 0 && y == 0);
  // KAV_EndPick from something the pick dispatched: 1, the figure removed.
  then([] { KAV_EndPick(); });
  EXPECT_TRUE(KAV_PickRow(1, &x, &y) == 1 && shown() == blank());
  // A nested pick is refused; the window closed and its slot made anew: 1,
  // and the old figure is not removed from the new image.
  int nested = -1;
  then([&] { nested = KAV_PickPoint(2, nullptr, nullptr); });
  then([] { KAV_DestroyImage(1), KAV_CreateImage(1, "p", 0, 0, 12, 10, 100); });
  EXPECT_TRUE(KAV_PickRow(1, &x, &y) == 1 && nested == 2 && !picks::active() && shown() == blank());

  // Stop ends a pick with 0 and the outputs as they stand (unsorted); a Stop
  // meant for a running KAV_Main ends the pick at once and stays for it, and
  // the main window keeps refusing drops.
  kav_stop = 1;  // from before the pick: discarded
  click(8, 6), mouse(Msg::MouseMove, 3, 2), then([] { kav_stop = 1; });
  EXPECT_EQ(rect(KAV_PickRect), (Four{8, 6, 3, 2}));
  EXPECT_EQ(shown(), blank());
  kav_running = 1, kav_stop = 1;
  click(5, 3);
  x = y = 9;
  EXPECT_TRUE(KAV_PickRow(1, &x, &y) == 0 && x == 0 && y == 0 && kav_stop.load() == 1);
  EXPECT_TRUE(shown() == blank() && !ws_.dropChanges().back());
}

// A placement follows the mouse; keys, menus and dropped files are held
// back while a pick runs.
TEST_F(PickTest, FiguresFollowTheMouseAndInputIsHeldBack) {
  Picture box;
  int x = 0, y = 0, loads = 0;
  imageFileHooks().loadDropped = [&](int, const std::string&) { ++loads; };
  then([] {
    const Hwnd w = kav_image[1].window;
    windowTable().post(Message{w, Msg::DropFiles, 0, 0, 0, std::make_shared<DroppedFiles>(DroppedFiles{{"f"}})});
    windowTable().post(Message{w, Msg::KeyDown, key::Tab, 0, 0, {}});
  });
  mouse(Msg::RButtonDown, 0, 0, 2), mouse(Msg::MouseMove, 5, 5), then([&] { box = shown(); }), click(5, 5);
  EXPECT_TRUE(KAV_PickPlacement(1, 9, 9, &x, &y) == 0 && x == 5 && y == 5);
  imageFileHooks().loadDropped = {};
  EXPECT_TRUE(box[1] == ".#########.." && box[2] == ".##.....##..");  // diagonals start inside the corners
  EXPECT_TRUE(KAV_GetStretchMode(1) == 3 && loads == 0 && ws_.popups().empty() && shown() == blank());
  const picks::Placement small = picks::placement(5, 5, 8, 9);
  EXPECT_TRUE(small.left == 1 && small.top == 1 && small.right == 8 && small.bottom == 9 && !small.diagonals);
}

// The commands built on picks: a cancel draws nothing; a row line crosses
// the image; on an 8-bit image the row profile goes to the lowest free slot,
// Color Pick reads through the palette, and a clip keeps depth and palette.
TEST_F(PickTest, MenuCommandsDrawMeasureAndPickColoursFromTheirPick) {
  click(6, 5), mouse(Msg::RButtonDown, 0, 0), mouse(Msg::RButtonDown, 0, 0);  // back to the first point, cancelled
  runImageCommand(1, imgcmd::CircleFill);
  EXPECT_EQ(shown(), blank());
  click(4, 3);
  runImageCommand(1, imgcmd::LineRow);
  EXPECT_TRUE(shown()[3] == std::string(12, '#') && count(shown()) == 12);
  ASSERT_EQ(KAV_CreateImage8(4, "g", 0, 0, 12, 10, 100), 0);
  std::vector<std::uint32_t> palette(256);
  palette[200] = 0x123456;  // not what a new 8-bit window starts with
  ASSERT_EQ(KAV_SetColorTable(palette.data(), 256), 0);
  KAV_ImageBytes[4][2 * KAV_Stride8(12) + 3] = 200;
  click(3, 2, 4);
  runImageCommand(4, imgcmd::InfoLineLumi);
  EXPECT_TRUE(kav_image[0].title == "Luminance(Y=2)" && KAV_CurrentImage() == 0);
  click(3, 2, 4);
  runImageCommand(4, imgcmd::PickColour);
  EXPECT_EQ(std::tuple(kav_dc, kav_tttc), std::tuple(200u, 0x123456u));
  click(1, 1, 4), click(3, 2, 4);
  runImageCommand(4, imgcmd::Clipping);
  std::uint32_t table[256] = {};
  ASSERT_EQ(KAV_GetColorTable(table), 0);
  EXPECT_TRUE(kav_image[3].bitDepth == 8 && at(3, 2, 1) == 200u && table[200] == 0x123456u);
  EXPECT_EQ(kav_stop.load(), 0);  // no pick outlived its script
}

}  // namespace
}  // namespace rozoru::test
