// The input box and the button box on the real worker thread with an
// in-memory window system; the test thread is the GUI thread.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>

#include "boxes/boxes.h"
#include "boxes/buttons.h"
#include "rozoru/kav.h"
#include "shell/core/shell.h"
#include "shell/core/windows.h"
#include "tests/shell/test_hooks.h"
#include "tests/shell/worker_fixture.h"
#include "textwin/textwin.h"

namespace rozoru {
namespace {

using test::hooks;
using test::pumpFor;
namespace tw = textwin;
namespace bx = boxes;

class BoxesTest : public test::WorkerFixture {
 protected:
  void SetUp() override {
    WorkerFixture::SetUp();
    tw::install();
    bx::install();
    tw::hooks().log = [this](int, std::string_view bytes) {
      std::lock_guard lock(printedMutex_);
      printed_ += bytes;
    };
    hooks().init = [this] {
      probe_ = windowTable().add(&shell().workerPump().queue(), "probe", [this](const Message&) {
        ++probed_;
        return std::int64_t{0};
      });
    };
    startAndWaitForInit();
  }

  void TearDown() override {
    onWorker([] { bx::reset(); });  // the boxes belong to the worker
    kav_stop = 1;
    shell().exitSequence();
    windowTable().remove(probe_);
    WorkerFixture::TearDown();
  }

  // Waits until the worker has handled every message posted so far: its
  // messages are handled in order, and the probe's comes last.
  void sync() {
    const int before = probed_.load();
    windowTable().post(Message{probe_, Msg::User, 0, 0, 0, {}});
    ASSERT_TRUE(pumpFor([&] { return probed_.load() > before; }));
  }

  void post(Hwnd h, Msg type, std::int64_t w = 0, std::int64_t l = 0, std::uint32_t mods = 0,
            std::shared_ptr<const void> payload = {}) {
    windowTable().post(Message{h, type, w, l, mods, std::move(payload)});
  }

  int readButton(int k) {
    int v = -1;
    onWorker([&] { v = KAV_GetButton(k); });
    return v;
  }
  // Reads (and so clears) every counter of a 44-button box.
  std::vector<int> readAll() {
    std::vector<int> v(44);
    onWorker([&] {
      for (int k = 0; k < 44; ++k) v[k] = KAV_GetButton(k);
    });
    return v;
  }
  static void request(int code, int index, int width = 0, int height = 0) {
    Request r;
    r.code = code;
    r.index = index;
    r.width = width;
    r.height = height;
    shell().sendRequest(r);
  }

  // Types a line into text window 0 once the worker waits for one.
  void answer(std::u16string_view line) {
    ASSERT_TRUE(pumpFor([] { return tw::waitingMark() != 0; }));
    const Hwnd h = tw::handleOf(0);
    for (char16_t u : line) post(h, Msg::Char, u);
    post(h, Msg::KeyDown, key::Return);
    ASSERT_TRUE(pumpFor([] { return tw::waitingMark() == 0; }));
    sync();
  }

  std::string printed() {
    std::lock_guard lock(printedMutex_);
    return printed_;
  }

  Hwnd probe_ = 0;
  std::atomic<int> probed_{0};
  std::mutex printedMutex_;
  std::string printed_;
};

// ------------------------------------------------------------ button box ---

TEST_F(BoxesTest, ButtonBoxOpensWithNumberedButtonsInTheDefaultGrid) {
  onWorker([] { KAV_OpenButtonBox(0, 270, 11, 4); });
  const Hwnd h = bx::buttonBoxHandle();
  ASSERT_NE(h, 0u);
  EXPECT_EQ(windowTable().className(h), "kav_bb");
  EXPECT_EQ(ws_.caption(h), "ButtonBox");
  const Rect frame = ws_.frameRect(h);
  EXPECT_EQ(frame.right - frame.left, 1126);
  EXPECT_EQ(frame.bottom - frame.top, 124);
  EXPECT_EQ(frame.top, 270);
  const auto controls = ws_.controls(h);
  ASSERT_EQ(controls.size(), 44u);
  EXPECT_EQ(controls.at(43).text, "43");
  EXPECT_EQ(controls.at(43).kind, ControlKind::Button);
  EXPECT_EQ(controls.at(43).rect, (Rect{1024, 94, 1122, 120}));
  EXPECT_EQ(buttonCount(), 44);

  // A second open while one is open changes nothing.
  onWorker([] { KAV_OpenButtonBox(0, 0, 2, 2); });
  EXPECT_EQ(bx::buttonBoxHandle(), h);
  EXPECT_EQ(ws_.controls(h).size(), 44u);
}

TEST_F(BoxesTest, InvalidGridsOpenNothing) {
  onWorker([] {
    KAV_OpenButtonBox(0, 0, 16, 17);
    KAV_OpenButtonBox(0, 0, 0, 3);
    KAV_OpenButtonBox(0, 0, 3, -1);
  });
  EXPECT_EQ(bx::buttonBoxHandle(), 0u);
  EXPECT_EQ(buttonCount(), 0);
  EXPECT_EQ(readButton(0), 0);
}

TEST_F(BoxesTest, ClicksCountUntilRead) {
  onWorker([] { KAV_OpenButtonBox(0, 0, 11, 4); });
  const Hwnd h = bx::buttonBoxHandle();
  for (int i = 0; i < 3; ++i) post(h, Msg::Control, 5, ctl::Clicked);
  // Menu commands come from no button and count nothing.
  post(h, Msg::Command, 5);
  sync();
  EXPECT_EQ(readButton(5), 3);
  EXPECT_EQ(readButton(5), 0);
  EXPECT_EQ(readButton(4), 0);
  // Out of range reads are 0, not a stray element.
  EXPECT_EQ(readButton(44), 0);
  EXPECT_EQ(readButton(-1), 0);
}

TEST_F(BoxesTest, KeysDigitCharactersAndStop) {
  onWorker([] { KAV_OpenButtonBox(0, 0, 11, 4); });
  const Hwnd h = bx::buttonBoxHandle();
  post(h, Msg::KeyDown, '1');  // key 1, then the character 1 that follows it
  post(h, Msg::Char, '1');
  post(h, Msg::KeyDown, 'D', 0, mods::Ctrl);  // a key sets 1 however often; Ctrl does not matter
  post(h, Msg::KeyDown, 'D');
  post(h, Msg::KeyDown, key::Up);
  for (char c : {'4', '4', 'z'}) post(h, Msg::Char, c);  // characters add up; they are no key
  post(h, Msg::KeyDown, 'C', 0, mods::Ctrl);
  post(h, Msg::KeyDown, 'B');
  sync();
  std::vector<int> want(44);
  want[0] = want[1] = want[11] = want[41] = 1;
  want[4] = 2;
  EXPECT_EQ(readAll(), want);
  gui_.dispatchPending();  // whatever the box forwarded to the main window
  EXPECT_EQ(kav_stop.load(), 0);
  post(h, Msg::KeyDown, 'C');  // C is Stop in the main window
  EXPECT_TRUE(pumpFor([] { return kav_stop.load() == 1; }));
  kav_stop = 0;

  // In a smaller box, keys of missing buttons change nothing.
  onWorker([] {
    KAV_DestroyButtonBox();
    KAV_OpenButtonBox(0, 0, 5, 4);
  });
  post(bx::buttonBoxHandle(), Msg::KeyDown, 'Z');
  sync();
  EXPECT_EQ(readAll(), std::vector<int>(44));
  EXPECT_FALSE(pressButtonByKey(22));
}

TEST_F(BoxesTest, ResizingRecomputesTheButtonSizeForTheNextBox) {
  onWorker([] { KAV_OpenButtonBox(0, 0, 11, 4); });
  const Hwnd h = bx::buttonBoxHandle();
  post(h, Msg::Size, 1200, 200);
  sync();
  EXPECT_EQ(bx::buttonBoxState().button, (bx::Size{104, 45}));
  EXPECT_EQ(ws_.controls(h).at(12).rect, (Rect{112, 53, 216, 98}));
  onWorker([] {
    KAV_DestroyButtonBox();
    KAV_OpenButtonBox(0, 0, 2, 1);
  });
  const Hwnd h2 = bx::buttonBoxHandle();
  const Rect frame = ws_.frameRect(h2);
  EXPECT_EQ(frame.right - frame.left, 2 * 108 + 4);
  EXPECT_EQ(frame.bottom - frame.top, 53);
  onWorker([] { KAV_ResizeButtonBox(400, 60); });
  EXPECT_EQ(bx::buttonBoxState().button, (bx::Size{194, 52}));
  EXPECT_EQ(ws_.controls(h2).at(1).rect, (Rect{202, 4, 396, 56}));
}

TEST_F(BoxesTest, CaptionsAndRename) {
  onWorker([] {
    KAV_OpenButtonBox(0, 0, 4, 2);
    KAV_SetButtonBoxTitle(2, "Save\nnow");
    KAV_SetButtonBoxTitle(8, "none");  // no such button
  });
  const Hwnd h = bx::buttonBoxHandle();
  EXPECT_EQ(ws_.controls(h).at(2).text, "Save\nnow");
  EXPECT_EQ(ws_.controls(h).size(), 8u);

  // Double-click on the margin left of button 1 renames button 1... after
  // an empty line, nothing changes.
  post(h, Msg::LButtonDblClk, 0, packXY(103, 5));
  answer(u"");
  EXPECT_EQ(ws_.controls(h).at(1).text, "1");
  EXPECT_NE(printed().find("1 '1' ->"), std::string::npos) << printed();

  // Right button: the menu, then its Rename command.
  post(h, Msg::RButtonDown, mouse::Right, packXY(2, 40));
  sync();
  ASSERT_FALSE(ws_.popups().empty());
  EXPECT_EQ(ws_.popups().back().second.at(0).id, bx::bcmd::ButtonRename);
  post(h, Msg::Command, bx::bcmd::ButtonRename);
  answer(u"Gain+");
  EXPECT_EQ(ws_.controls(h).at(4).text, "Gain+");
  EXPECT_NE(printed().find("4 '4' ->"), std::string::npos) << printed();
  // The rename command is no button press.
  EXPECT_EQ(readButton(4), 0);
}

TEST_F(BoxesTest, RenameOfADestroyedBoxChangesNothing) {
  onWorker([] { KAV_OpenButtonBox(0, 0, 4, 2); });
  const Hwnd h = bx::buttonBoxHandle();
  post(h, Msg::LButtonDblClk, 0, packXY(2, 2));
  ASSERT_TRUE(pumpFor([] { return tw::waitingMark() != 0; }));
  // Destroyed while the line is typed (the worker dispatches meanwhile).
  post(h, Msg::Command, bx::bcmd::ButtonDestroy);
  sync();
  EXPECT_EQ(bx::buttonBoxHandle(), 0u);
  answer(u"late");
  EXPECT_FALSE(ws_.exists(h));
}

TEST_F(BoxesTest, StopCancelsARenameTypedInsideTheLoop) {
  // The rename's line input runs inside KAV_Wait's dispatch and holds the
  // loop until Stop cancels it.
  hooks().main = [] { while (KAV_Wait(5) == 0) continue; };
  onWorker([] { KAV_OpenButtonBox(0, 0, 4, 2); });
  const Hwnd h = bx::buttonBoxHandle();
  shell().start();
  ASSERT_TRUE(pumpFor([] { return kav_running.load() == 1; }));
  post(h, Msg::LButtonDblClk, 0, packXY(2, 2));
  ASSERT_TRUE(pumpFor([] { return tw::waitingMark() != 0; }));
  shell().stop();
  EXPECT_TRUE(pumpFor([] { return kav_running.load() == 0; }));
  EXPECT_EQ(tw::waitingMark(), 0);
  EXPECT_EQ(ws_.controls(h).at(0).text, "0");
}

TEST_F(BoxesTest, DestroyAndCloseForgetTheBox) {
  onWorker([] {
    for (int& v : kav_button) v = 0;
    KAV_OpenButtonBox(0, 0, 3, 1);
  });
  Hwnd h = bx::buttonBoxHandle();
  post(h, Msg::Command, bx::bcmd::ButtonDestroy);
  sync();
  EXPECT_EQ(bx::buttonBoxHandle(), 0u);
  EXPECT_FALSE(ws_.exists(h));
  EXPECT_EQ(buttonCount(), 0);
  EXPECT_FALSE(pressButtonByKey(0));

  onWorker([] { KAV_OpenButtonBox(0, 0, 3, 1); });
  h = bx::buttonBoxHandle();
  EXPECT_TRUE(pressButtonByKey(2));
  post(h, Msg::Close);
  sync();
  EXPECT_EQ(bx::buttonBoxHandle(), 0u);
  // Closed box: reads give nothing even though the counter was set.
  EXPECT_EQ(readButton(2), 0);
}

TEST_F(BoxesTest, RequestReplacesTheOpenBoxAtTheOrigin) {
  onWorker([] {
    KAV_OpenButtonBox(300, 300, 2, 2);
    KAV_OpenInputBox(300, 300, 5);
  });
  const Hwnd oldButtons = bx::buttonBoxHandle();
  const Hwnd oldInputs = bx::inputBoxHandle();
  request(req::ButtonBox, 0, 3, 2);
  request(req::InputBox, 7);
  EXPECT_FALSE(ws_.exists(oldButtons));
  EXPECT_FALSE(ws_.exists(oldInputs));
  ASSERT_NE(bx::buttonBoxHandle(), 0u);
  EXPECT_EQ(ws_.controls(bx::buttonBoxHandle()).size(), 6u);
  EXPECT_EQ(ws_.frameRect(bx::buttonBoxHandle()).left, 0);
  EXPECT_EQ(ws_.frameRect(bx::buttonBoxHandle()).top, 0);
  EXPECT_EQ(ws_.controls(bx::inputBoxHandle()).size(), 14u);
  EXPECT_EQ(ws_.frameRect(bx::inputBoxHandle()).top, 0);
}

// ------------------------------------------------------------- input box ---

TEST_F(BoxesTest, InputBoxRowsAndFirstFocus) {
  onWorker([] { KAV_OpenInputBox(20, 30, 3); });
  const Hwnd h = bx::inputBoxHandle();
  ASSERT_NE(h, 0u);
  EXPECT_EQ(windowTable().className(h), "kav_ib");
  EXPECT_EQ(ws_.caption(h), "InputBox");
  const Rect frame = ws_.frameRect(h);
  EXPECT_EQ(frame.right - frame.left, 162);
  EXPECT_EQ(frame.bottom - frame.top, 86);
  EXPECT_TRUE(ws_.heightFixed(h));
  const auto c = ws_.controls(h);
  EXPECT_EQ(c.at(bx::kTitleId + 2).text, "Item 2");
  EXPECT_EQ(c.at(bx::kTitleId + 2).kind, ControlKind::Label);
  EXPECT_EQ(c.at(bx::kEditId + 2).text, "0");
  EXPECT_EQ(c.at(bx::kEditId + 2).rect, (Rect{88, 60, 158, 84}));
  EXPECT_EQ(ws_.focus(), (std::pair<Hwnd, int>{h, bx::kEditId}));
  EXPECT_EQ(bx::inputBoxState().values, (std::vector<std::string>{"0", "0", "0"}));
  EXPECT_TRUE(ws_.focusSelectedAll());

  post(h, Msg::Control, bx::kEditId + 2, ctl::SetFocus);
  sync();
  EXPECT_EQ(bx::inputBoxState().focusRow, 2);
}

TEST_F(BoxesTest, ValuesAreStoredOnFocusLossAndEnter) {
  onWorker([] { KAV_OpenInputBox(0, 0, 3); });
  const Hwnd h = bx::inputBoxHandle();
  auto text = [](const char* s) { return std::make_shared<const std::string>(s); };
  // Typing alone stores nothing.
  post(h, Msg::Control, bx::kEditId + 0, ctl::SetFocus);
  sync();
  char buf[256];
  onWorker([&] { EXPECT_EQ(KAV_GetInputBoxText(0, buf, sizeof buf), 0); });
  EXPECT_STREQ(buf, "0");
  // "12", then Tab: the field loses the focus.
  post(h, Msg::Control, bx::kEditId + 0, ctl::KillFocus, 0, text("12"));
  post(h, Msg::Control, bx::kEditId + 1, ctl::SetFocus);
  post(h, Msg::Control, bx::kEditId + 1, ctl::Enter, 0, text("-2.5e1"));
  // A label is no field.
  post(h, Msg::Control, bx::kTitleId + 2, ctl::KillFocus, 0, text("x"));
  sync();
  double v0 = 0, v1 = 0, v2 = -1;
  onWorker([&] {
    EXPECT_EQ(KAV_GetInputBoxText(0, buf, sizeof buf), 0);
    v0 = KAV_GetInputBoxValue(0);
    v1 = KAV_GetInputBoxValue(1);
    v2 = KAV_GetInputBoxValue(2);
  });
  EXPECT_STREQ(buf, "12");
  EXPECT_EQ(v0, 12.0);
  EXPECT_EQ(v1, -25.0);
  EXPECT_EQ(v2, 0.0);
  EXPECT_EQ(bx::inputBoxState().focusRow, 1);

  // Long texts are cut to what the value holds; small buffers are cut too.
  post(h, Msg::Control, bx::kEditId + 2, ctl::KillFocus, 0, text(std::string(400, '7').c_str()));
  sync();
  char small[4];
  onWorker([&] {
    EXPECT_EQ(KAV_GetInputBoxText(2, buf, sizeof buf), 0);
    EXPECT_EQ(KAV_GetInputBoxText(2, small, sizeof small), 0);
    EXPECT_EQ(KAV_GetInputBoxText(3, small, sizeof small), 1);
  });
  EXPECT_EQ(std::strlen(buf), 255u);
  EXPECT_STREQ(small, "");

  // Not a number, and the box gone.
  post(h, Msg::Control, bx::kEditId + 1, ctl::Enter, 0, text("abc"));
  sync();
  onWorker([&] {
    v1 = KAV_GetInputBoxValue(1);
    KAV_DestroyInputBox();
    EXPECT_EQ(KAV_GetInputBoxText(0, buf, sizeof buf), 1);
    v0 = KAV_GetInputBoxValue(0);
  });
  EXPECT_EQ(v1, 0.0);
  EXPECT_EQ(v0, 0.0);
  EXPECT_STREQ(buf, "");
}

TEST_F(BoxesTest, DraggingAnEdgeWidensItsColumn) {
  onWorker([] { KAV_OpenInputBox(0, 0, 2); });
  const Hwnd h = bx::inputBoxHandle();
  post(h, Msg::Sizing, sizing::Left);
  post(h, Msg::Size, 200, 58);
  sync();
  EXPECT_EQ(bx::inputBoxState().titleWidth, 118);
  EXPECT_EQ(bx::inputBoxState().editWidth, 70);
  EXPECT_EQ(ws_.controls(h).at(bx::kEditId + 1).rect, (Rect{126, 32, 196, 56}));
  EXPECT_EQ(ws_.controls(h).at(bx::kTitleId + 1).rect, (Rect{4, 35, 122, 59}));
  post(h, Msg::Sizing, sizing::Right);
  post(h, Msg::Size, 250, 58);
  sync();
  EXPECT_EQ(bx::inputBoxState().titleWidth, 118);
  EXPECT_EQ(bx::inputBoxState().editWidth, 120);

  onWorker([] { KAV_ResizeInputBox(50, 0); });
  EXPECT_EQ(bx::inputBoxState().titleWidth, 50);
  EXPECT_EQ(bx::inputBoxState().editWidth, 1);
  const Rect frame = ws_.frameRect(h);
  EXPECT_EQ(frame.right - frame.left, 63);
}

TEST_F(BoxesTest, RenamingAnItemThroughTheTextWindow) {
  onWorker([] { KAV_OpenInputBox(0, 0, 3); });
  const Hwnd h = bx::inputBoxHandle();
  post(h, Msg::LButtonDblClk, 0, packXY(10, 2 * 28 + 5));
  answer(u"Gain");
  EXPECT_NE(printed().find("2 'Item 2' ->"), std::string::npos) << printed();
  EXPECT_EQ(ws_.controls(h).at(bx::kTitleId + 2).text, "Gain");

  // The menu on a row below the items renames nothing and prompts nothing.
  post(h, Msg::RButtonDown, mouse::Right, packXY(10, 3 * 28 + 1));
  post(h, Msg::Command, bx::bcmd::InputRename);
  sync();
  EXPECT_EQ(tw::waitingMark(), 0);

  onWorker([] { KAV_SetInputBoxTitle(0, "Exposure"); });
  EXPECT_EQ(ws_.controls(h).at(bx::kTitleId).text, "Exposure");
}

}  // namespace
}  // namespace rozoru
