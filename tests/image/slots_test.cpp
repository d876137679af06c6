// Image slots and image windows without a display: the test thread is the
// worker, the window system is in memory.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstring>
#include <tuple>
#include <utility>
#include <vector>

#include "boxes/buttons.h"
#include "image/image_commands.h"
#include "image/slots.h"
#include "rozoru/draw.h"
#include "rozoru/imgproc.h"
#include "rozoru/kav.h"
#include "shell/core/shell.h"
#include "shell/core/windows.h"
#include "tests/shell/fake_window_system.h"

namespace rozoru {
namespace {

class SlotsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetShell();
    setCurrentPump(&pump_);
    shell().attach(&ws_, &pump_);
    main_ = shell().createMainWindowHandle();
    installImageSlots();
    setButtonCount(0);
    std::memset(kav_button, 0, sizeof kav_button);
    kav_mousetracking = 0;
  }
  void TearDown() override {
    releaseAllImages();
    windowTable().remove(main_);
    resetShell();
    setCurrentPump(nullptr);
  }

  // Delivers a message to slot id's window and dispatches everything pending.
  void send(int id, Msg type, std::int64_t w = 0, std::int64_t l = 0, std::uint32_t modifiers = 0) {
    windowTable().post(Message{kav_image[id].window, type, w, l, modifiers, {}});
    pump_.dispatchPending();
  }

  QueuePump pump_;
  test::FakeWindowSystem ws_;
  Hwnd main_ = 0;
};

TEST_F(SlotsTest, CreationLayoutAndResults) {
  ASSERT_EQ(KAV_CreateImage(0, "Right", 0, 0, 320, 240, 50), 0);
  EXPECT_EQ(ws_.frameRect(kav_image[0].window), (Rect{0, 0, 160, 120}));
  for (int i = 0; i < 320 * 240; ++i) ASSERT_EQ(KAV_ImagePixels[0][i], 0u);

  // A used slot answers 1 and keeps its picture and title.
  KAV_ImagePixels[0][7] = 0x00ABCDEF;
  EXPECT_EQ(KAV_CreateImage(0, "Other", 5, 5, 10, 10, 100), 1);
  EXPECT_EQ(KAV_ImagePixels[0][7], 0x00ABCDEFu);
  EXPECT_EQ(kav_image[0].title, "Right");

  EXPECT_EQ(KAV_CreateImage(3, "x", -1, -1, 0, -7, 100), 0);  // sizes below 1 become 1
  EXPECT_EQ(kav_image[3].width * kav_image[3].height, 1);

  EXPECT_EQ(KAV_CreateImage(256, "x", 0, 0, 8, 8, 100), 4);
  EXPECT_EQ(KAV_CreateImage(4, "x", 0, 0, 1, 5000, 100), 2);  // no zoom fits
  EXPECT_EQ(kav_image[4].inUse, 0);
  // A failed creation leaves the pixel table on live memory (this much
  // memory goes back to the system when freed: a stale pointer would fault).
  ASSERT_EQ(KAV_CreateImage(5, "x", 0, 0, 3200, 3200, 10), 0);
  ASSERT_EQ(KAV_DestroyImage(5), 0);
  Pixel32* kept = KAV_ImagePixels[5];
  ws_.failCreate = true;
  EXPECT_EQ(KAV_CreateImage(5, "x", 0, 0, 8, 8, 100), 3);
  EXPECT_EQ(kav_image[5].inUse, 0);
  EXPECT_EQ(KAV_ImagePixels[5], kept);
  kept[3200 * 3200 - 1] = 1;
}

TEST_F(SlotsTest, EightBitRowsArePaddedAreasOutsideAreBlack) {
  ASSERT_EQ(KAV_CreateImage8(1, "img", 0, 0, 5, 2, 100), 0);
  EXPECT_EQ(KAV_Stride8(5), 8);
  EXPECT_EQ(KAV_Stride8(INT_MAX), std::ptrdiff_t{INT_MAX} + 1);  // no int overflow
  EXPECT_EQ(KAV_CreateImage8(2, "wide", 0, 0, INT_MAX, 1, 100), 3);
  KAV_ImageBytes[1][8] = 200;  // pixel (0, 1)
  std::uint8_t area[10];
  KAV_GetImageArea(area, 0, 0, 5, 2);
  EXPECT_TRUE(area[5] == 200 && area[0] == 0);
  // Setting one entry leaves the rest of the grey ramp.
  const std::uint32_t red = 0xFF0000;
  EXPECT_EQ(KAV_SetColorTable(&red, 1), 0);
  std::uint32_t table[256];
  ASSERT_EQ(KAV_GetColorTable(table), 0);
  EXPECT_EQ(table[0], 0xFF0000u);
  EXPECT_EQ(table[1], 0x010101u);

  // Areas outside the image read black.
  ASSERT_EQ(KAV_CreateImage(0, "a", 0, 0, 4, 3, 100), 0);
  for (int i = 0; i < 12; ++i) KAV_ImagePixels[0][i] = 100u + static_cast<std::uint32_t>(i);
  std::uint32_t area32[6] = {9, 9, 9, 9, 9, 9};
  KAV_GetImageArea(area32, -1, 2, 3, 2);  // the last row from x = -1, and a row below the image
  EXPECT_EQ(std::vector<std::uint32_t>(area32, area32 + 6), (std::vector<std::uint32_t>{0, 108, 109, 0, 0, 0}));
  EXPECT_EQ(KAV_GetColorTable(table), 2);  // a 32-bit image has none to give
}

TEST_F(SlotsTest, HistoryOfTheCurrentImageAndDestroyingIt) {
  for (int id : {0, 1, 2}) ASSERT_EQ(KAV_CreateImage(id, "w", 0, 0, 8, 8, 100), 0);
  ASSERT_EQ(KAV_CurrentImage(), 2);
  EXPECT_EQ(KAV_SelectImage(0), 0);
  EXPECT_EQ(KAV_RestoreImage(), 0);
  EXPECT_EQ(KAV_CurrentImage(), 2);
  EXPECT_EQ(KAV_SelectImage(9), 1);  // not in use: nothing changes
  EXPECT_EQ(KAV_CurrentImage(), 2);

  // Exhausted: the bottom entry (slot 0, from program start) stands again.
  for (int i = 0; i < 10; ++i) KAV_RestoreImage();
  EXPECT_EQ(KAV_CurrentImage(), 0);
  EXPECT_EQ(KAV_RestoreImage(), 0);
  EXPECT_EQ(KAV_CurrentImage(), 0);

  // Destroying the current image leaves nothing to use.
  Pixel32* stale = KAV_ImagePixels[0];
  const Hwnd w = kav_image[0].window;
  ASSERT_EQ(KAV_DestroyImage(0), 0);
  EXPECT_FALSE(ws_.exists(w));
  EXPECT_FALSE(windowTable().exists(w));
  EXPECT_EQ(KAV_CurrentImage(), 0);
  std::uint32_t t[256];
  std::uint8_t area[1] = {7};
  KAV_GetImageArea(area, 0, 0, 1, 1);
  EXPECT_EQ(area[0], 7);
  EXPECT_EQ((std::array{KAV_GetColorTable(t), KAV_SetColorTable(t, 1), KAV_UpdateImage(0), KAV_DestroyImage(0)}),
            (std::array{1, 1, 1, 1}));
  // The pixel table still points at live memory: a late write harms nothing.
  stale[0] = 1;
  EXPECT_EQ(KAV_ImagePixels[0], stale);
}

TEST_F(SlotsTest, ZoomChangesResizeTheWindow) {
  ASSERT_EQ(KAV_CreateImage(0, "z", 10, 20, 320, 240, 50), 0);
  ASSERT_EQ(KAV_SetZoom(0, 200), 0);
  EXPECT_EQ(ws_.frameRect(kav_image[0].window), (Rect{10, 20, 650, 500}));
  // A fitting failure changes nothing.
  ws_.screen.screenWidth = 50;
  EXPECT_EQ(KAV_SetZoom(0, 100), 2);
  EXPECT_TRUE(kav_image[0].zoom == 200 && kav_image[0].inUse == 1);
  ws_.screen.screenWidth = 1280;

  // Ctrl+wheel toward the user from 50 asks for 56.
  KAV_SetZoom(0, 50);
  send(0, Msg::MouseWheel, -120, 0, mods::Ctrl);
  EXPECT_EQ(kav_image[0].zoom, 56);
  send(0, Msg::MouseWheel, -120);  // without Ctrl nothing
  EXPECT_EQ(kav_image[0].zoom, 56);
  send(0, Msg::MouseWheel, 120, 0, mods::Ctrl);
  EXPECT_EQ(kav_image[0].zoom, 50);
  send(0, Msg::Command, imgcmd::Zoom200);  // from the menu
  EXPECT_EQ(kav_image[0].zoom, 200);
  send(0, Msg::Command, 1020);  // not an image window command: ignored
  EXPECT_EQ(kav_image[0].inUse, 1);
}

TEST_F(SlotsTest, ResizeKeepsTitleZoomModeAndTableButNotPixels) {
  ASSERT_EQ(KAV_CreateImage8(2, "r", 30, 40, 320, 240, 50), 0);
  const std::uint32_t blue = 0x0000FF;
  KAV_SetColorTable(&blue, 1);
  KAV_SetStretchMode(2, 4);
  KAV_ImageBytes[2][0] = 9;
  const Hwnd window = kav_image[2].window;
  ASSERT_EQ(KAV_ResizeImage(2, 100, 80), 0);
  const ImageSlot& s = kav_image[2];
  EXPECT_EQ(ws_.caption(window), "r(112%)[8bit]*");  // 50 % of 100 is below the smallest window
  // The same window, in place, with the new size.
  EXPECT_EQ(s.window, window);
  EXPECT_EQ(ws_.frameRect(window), (Rect{30, 40, 142, 129}));
  EXPECT_EQ(KAV_ImageBytes[2][0], 0);
  std::uint32_t t[256];
  KAV_GetColorTable(t);
  EXPECT_EQ(t[0], 0x0000FFu);
  EXPECT_EQ(KAV_ResizeImage(7, 10, 10), 1);

  // No zoom fits, or too many bytes: the image, window and pointer stay.
  KAV_ImageBytes[2][0] = 9;
  const std::uint8_t* pixels = KAV_ImageBytes[2];
  EXPECT_EQ(KAV_ResizeImage(2, 1, 5000), 2);
  EXPECT_EQ(KAV_ResizeImage(2, 50000, 50000), 3);
  EXPECT_TRUE(s.inUse == 1 && s.window == window && ws_.exists(window) && s.width == 100);
  EXPECT_EQ(ws_.caption(window), "r(112%)[8bit]*");
  EXPECT_EQ(KAV_ImageBytes[2], pixels);
  EXPECT_EQ(pixels[0], 9);
}

TEST_F(SlotsTest, KeysPostCommandsGoToTheMainWindowZoomSmoothAndPressButtons) {
  ASSERT_EQ(KAV_CreateImage(0, "k", 0, 0, 320, 240, 50), 0);
  const Hwnd w = kav_image[0].window;
  for (int k : {int{'C'}, int{'V'}, int{'R'}}) windowTable().post(Message{w, Msg::KeyDown, k, 0, mods::Ctrl, {}});
  windowTable().post(Message{w, Msg::KeyDown, key::Escape, 0, 0, {}});
  windowTable().post(Message{w, Msg::KeyDown, 'C', 0, 0, {}});
  // Dispatch only the five key messages; collect what they post.
  for (int i = 0; i < 5; ++i) windowTable().dispatch(*pump_.queue().takeMessage());
  std::vector<std::int64_t> commands, mainKeys;
  while (auto m = pump_.queue().takeMessage()) {
    if (m->hwnd == w && m->type == Msg::Command) commands.push_back(m->wparam);
    if (m->hwnd == main_ && m->type == Msg::KeyDown) mainKeys.push_back(m->wparam);
  }
  EXPECT_EQ(commands, (std::vector<std::int64_t>{imgcmd::Copy, imgcmd::PasteAtOrigin, imgcmd::Clipping}));
  EXPECT_EQ(mainKeys, (std::vector<std::int64_t>{key::Escape, 'C'}));

  send(0, Msg::KeyDown, key::Add, 0, mods::Ctrl);
  EXPECT_EQ(kav_image[0].zoom, 56);
  send(0, Msg::KeyDown, key::Tab);  // smoothing on, and off again
  EXPECT_EQ(KAV_GetStretchMode(0), 4);
  send(0, Msg::KeyDown, key::Tab);
  EXPECT_EQ(KAV_GetStretchMode(0), 3);
  EXPECT_EQ(KAV_SetStretchMode(0, 7), 0);  // other modes change nothing
  EXPECT_EQ(KAV_GetStretchMode(0), 3);

  // Digits press only the buttons that exist; with 44, Ctrl+X is a button, not a cut.
  setButtonCount(4);
  for (int k = '0'; k <= '9'; ++k) send(0, Msg::KeyDown, k);
  EXPECT_EQ(std::vector<int>(kav_button, kav_button + 10), (std::vector<int>{1, 1, 1, 1, 0, 0, 0, 0, 0, 0}));
  setButtonCount(44);
  send(0, Msg::KeyDown, 'X', 0, mods::Ctrl);
  EXPECT_EQ(kav_button[23], 1);
}

TEST_F(SlotsTest, MouseStateWhileTrackingAndMenus) {
  ASSERT_EQ(KAV_CreateImage(0, "m", 0, 0, 320, 240, 200), 0);
  send(0, Msg::LButtonDown, mouse::Left, packXY(101, 51), mods::Shift);
  EXPECT_EQ(kav_mouse.x, 0);  // not tracking: nothing written
  kav_mousetracking = 1;
  send(0, Msg::LButtonDown, mouse::Left, packXY(101, 51), mods::Shift);
  EXPECT_TRUE(kav_mouse.x == 50 && kav_mouse.y == 25 && kav_mouse.left == 1 && kav_mouse.shift != 0);
  send(0, Msg::MouseMove, mouse::Middle, packXY(20, 30), mods::Ctrl);
  EXPECT_TRUE(kav_mouse.x == 10 && kav_mouse.left == 0 && kav_mouse.middle != 0 && kav_mouse.ctrl != 0);

  // Menus open with the zoom marked; shut during line input, see the boxes' framework test.
  ASSERT_EQ(KAV_SetZoom(0, 50), 0);
  send(0, Msg::RButtonDown, mouse::Right, packXY(3, 3));
  send(0, Msg::RButtonDown, mouse::Right, packXY(3, 3), mods::Ctrl);
  send(0, Msg::MButtonDown, mouse::Middle, packXY(3, 3));
  const auto popups = ws_.popups();
  ASSERT_EQ(popups.size(), 3u);
  std::vector<int> checked;
  for (const MenuItem& it : popups[0].second)
    if (it.checked) checked.push_back(it.id);
  EXPECT_EQ(checked, std::vector<int>{imgcmd::Zoom50});
}

// The command a menu item carries, found by its label in the menus of an
// image of depth bits, so that a number the menus and the dispatch disagree
// on shows up here. 0 when no item has the label.
int commandOf(const std::string& label, int bits = 32) {
  std::vector<MenuItem> items = imageWindowMenu(100);
  for (const MenuItem& top : processingMenu(bits)) items.push_back(top);
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].text == label) return items[i].id;
    const std::vector<MenuItem> below = items[i].submenu;
    items.insert(items.end(), below.begin(), below.end());
  }
  return 0;
}

// Each command on a 4 x 2 image of pixels 1 to 8 while another image is
// current: whether the window's image became current, its first pixel and
// size afterwards, and whether the window was repainted. Then the dialogs'
// owner, the numbers without a command, the 8-bit Information submenu, and
// the clipboard seam (Cut clears only after a copy that worked; the two
// Pastes).
TEST_F(SlotsTest, MenuCommandsSelectOnlyWhereTheyMustAndReachTheirCalls) {
  ASSERT_EQ(KAV_CreateImage(2, "ref", 0, 0, 4, 2, 100), 0);
  KAV_TestPatternHsv();
  ASSERT_EQ(KAV_CreateImage(1, "other", 0, 0, 4, 2, 100), 0);
  ASSERT_EQ(KAV_CreateImage(0, "a", 0, 0, 4, 2, 100), 0);
  ws_.colourAnswer = 0x00FF00u;
  struct Case { const char* label; bool selects; Pixel32 first; int w, h; bool repaints; };
  for (const Case& c : std::vector<Case>{
           {"Invert", false, 0xFFFFFE, 4, 2, true}, {"Horz. Flip", false, 4, 4, 2, true},
           {"Vert. Flip", false, 5, 4, 2, true}, {"R. Rotate", true, 5, 2, 4, true}, {"L. Rotate", true, 4, 2, 4, true},
           {"Size 200.0%", true, 1, 8, 4, true}, {"Size 50.0%", true, 1, 2, 1, true},
           {"HSV", true, KAV_ImagePixels[2][0], 4, 2, true}, {"Cut\tCtrl+X", false, 1, 4, 2, false},
           {"Change", false, 1, 4, 2, false}, {"Font Change", false, 1, 4, 2, false}}) {
    ASSERT_EQ(KAV_ResizeImage(0, 4, 2), 0);
    for (int i = 0; i < 8; ++i) KAV_ImagePixels[0][i] = static_cast<Pixel32>(i + 1);
    ASSERT_EQ(KAV_SelectImage(1), 0);
    const int shown = ws_.presented(kav_image[0].window).count;
    send(0, Msg::Command, commandOf(c.label));
    EXPECT_EQ(std::tuple(KAV_CurrentImage() == 0, KAV_ImagePixels[0][0], kav_image[0].width, kav_image[0].height,
                         ws_.presented(kav_image[0].window).count > shown),
              std::tuple(c.selects, c.first, c.w, c.h, c.repaints)) << c.label;
  }
  EXPECT_EQ(KAV_GetDrawColor(), 0x00FF00u);
  EXPECT_EQ(ws_.dialogOwners(), std::vector<Hwnd>(2, kav_image[0].window));
  for (int unused : {1006, 1020, 1023, 1033, 1044, 1050, 1056, 1069}) send(0, Msg::Command, unused);
  EXPECT_TRUE(KAV_ImagePixels[0][0] == 1 && KAV_CurrentImage() == 1);
  EXPECT_EQ(std::tuple(commandOf("Pixel", 8), commandOf("Line(Lumi)", 8), commandOf("Line(RGB)", 8)),
            std::tuple(1015, 1070, 0));

  std::vector<std::string> calls;
  bool copies = false;  // a Cut whose copy failed keeps the picture: the next copy still sees 9
  imageClipboardHooks().copy = [&](int id) {
    calls.push_back("copy " + std::to_string(KAV_ImagePixels[id][5]));
    return copies;
  };
  imageClipboardHooks().paste = [&](int, int x, int y) { calls.push_back(std::to_string(x) + "," + std::to_string(y)); };
  KAV_ImagePixels[0][5] = 9;
  send(0, Msg::Command, commandOf("Cut\tCtrl+X"));
  copies = true;
  send(0, Msg::Command, commandOf("Cut\tCtrl+X"));
  send(0, Msg::Command, commandOf("Paste\tCtrl+V"));
  send(0, Msg::KeyDown, 'V', 0, mods::Ctrl);
  imageClipboardHooks() = {};
  EXPECT_EQ(calls, (std::vector<std::string>{"copy 9", "copy 9", "-1,-1", "0,0"}));
  EXPECT_EQ(KAV_ImagePixels[0][5], 0u);
}

TEST_F(SlotsTest, PutFrameLaysAFrameAtAColumnOffset) {
  std::vector<Pixel32> frame(320 * 240);
  for (int i = 0; i < 320 * 240; ++i) frame[static_cast<std::size_t>(i)] = static_cast<Pixel32>(i + 1);
  // The whole frame at 320 in 640 x 240 is driven by the stereo demo's end-to-end
  // test; into 400 x 200 only columns 320-399 of rows 0-199 are written.
  ASSERT_EQ(KAV_CreateImage(3, "s", 0, 0, 400, 200, 100), 0);
  KAV_PutFrame(frame.data(), 320);
  EXPECT_EQ(KAV_ImagePixels[3][399], 80u);
  EXPECT_EQ(KAV_ImagePixels[3][199 * 400 + 399], static_cast<Pixel32>(199 * 320 + 80));
  EXPECT_EQ(KAV_ImagePixels[3][199 * 400 + 319], 0u);
  KAV_PutFrame(frame.data(), 0xFFFFFFF0u);  // far outside, even when the offset wraps
  EXPECT_EQ(KAV_ImagePixels[3][0], 0u);

  // An 8-bit image takes the frame as bytes, at its own stride.
  ASSERT_EQ(KAV_CreateImage8(4, "b", 0, 0, 5, 2, 100), 0);
  KAV_PutFrame(frame.data(), 1);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(frame.data());
  EXPECT_EQ(KAV_ImageBytes[4][1], bytes[0]);
  EXPECT_EQ(KAV_ImageBytes[4][8 + 4], bytes[320 + 3]);
  EXPECT_EQ(KAV_ImageBytes[4][0], 0);
}

}  // namespace
}  // namespace rozoru
