// The input box and the button box on the real worker thread with an
// in-memory window system; the test thread is the GUI thread.
#include <gtest/gtest.h>

#include <string>

#include "boxes/boxes.h"
#include "boxes/buttons.h"
#include "tests/shell/worker_fixture.h"

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
    hooks().init = [this] {
      probe_ = windowTable().add(&shell().workerPump().queue(), "probe",
                                 [this](const Message&) { return std::int64_t{++probed_}; });
    };
    startAndWaitForInit();
  }

  void TearDown() override {
    onWorker([] { bx::reset(); });  // the boxes belong to the worker
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

  static void post(Hwnd h, Msg type, std::int64_t w = 0, std::int64_t l = 0, std::uint32_t mods = 0) {
    windowTable().post(Message{h, type, w, l, mods, {}});
  }
  static void postText(Hwnd h, int id, int code, const std::string& text) {
    windowTable().post(Message{h, Msg::Control, id, code, 0, std::make_shared<const std::string>(text)});
  }

  // Opens a button box on the worker (after closing one that is open).
  Hwnd openButtons(int nx, int ny) {
    onWorker([=] { KAV_DestroyButtonBox(), KAV_OpenButtonBox(0, 0, nx, ny); });
    return bx::buttonBoxHandle();
  }
  Hwnd openInputs(int n) {
    onWorker([n] { KAV_OpenInputBox(0, 0, n); });
    return bx::inputBoxHandle();
  }
  // Reads (and so clears) every counter of a 44-button box.
  std::vector<int> readAll() {
    std::vector<int> v;
    onWorker([&] { for (int k = 0; k < 44; ++k) v.push_back(KAV_GetButton(k)); });
    return v;
  }
  // KAV_GetInputBoxText's result and text for item k into a buffer of size bytes.
  std::string textOf(int k, int size = 256) {
    std::vector<char> buf(static_cast<std::size_t>(size), 'x');
    int result = -1;
    onWorker([&] { result = KAV_GetInputBoxText(k, buf.data(), size); });
    return std::to_string(result) + ":" + buf.data();
  }
  std::vector<double> values(int n = 3) {
    std::vector<double> v;
    onWorker([&] { for (int k = 0; k < n; ++k) v.push_back(KAV_GetInputBoxValue(k)); });
    return v;
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

  Hwnd probe_ = 0;
  std::atomic<int> probed_{0};
};

// ------------------------------------------------------------ button box ---

TEST_F(BoxesTest, ButtonBoxOpensOnceWithAValidGridAndSizedAsTheLastWasResized) {
  onWorker([] { KAV_OpenButtonBox(0, 0, 16, 17); });
  EXPECT_EQ(bx::buttonBoxHandle(), 0u);
  EXPECT_EQ(buttonCount(), 0);

  onWorker([] { KAV_OpenButtonBox(0, 270, 11, 4); });
  const Hwnd h = bx::buttonBoxHandle();
  ASSERT_NE(h, 0u);
  EXPECT_EQ(ws_.frameRect(h).top, 270);
  EXPECT_EQ(ws_.controls(h).size(), 44u);
  EXPECT_EQ(ws_.controls(h).at(43).text, "43");
  EXPECT_EQ(buttonCount(), 44);
  // A second open while one is open changes nothing.
  onWorker([] { KAV_OpenButtonBox(0, 0, 2, 2); });
  EXPECT_EQ(bx::buttonBoxHandle(), h);
  EXPECT_EQ(ws_.controls(h).size(), 44u);

  // Resizing recomputes the button size, which the next box starts with.
  post(h, Msg::Size, 1200, 200);
  sync();
  EXPECT_EQ(bx::buttonBoxState().button, (bx::Size{104, 45}));
  const Hwnd h2 = openButtons(2, 1);
  EXPECT_EQ(ws_.frameRect(h2), (Rect{0, 0, 2 * 108 + 4, 53}));
  onWorker([] { KAV_ResizeButtonBox(400, 60); });
  EXPECT_EQ(bx::buttonBoxState().button, (bx::Size{194, 52}));
  EXPECT_EQ(ws_.controls(h2).at(1).rect, (Rect{202, 4, 396, 56}));
}

TEST_F(BoxesTest, ClicksKeysAndCharactersCountUntilRead) {
  const Hwnd h = openButtons(11, 4);
  for (int i = 0; i < 3; ++i) post(h, Msg::Control, 5, ctl::Clicked);
  post(h, Msg::Command, 5);    // menu commands come from no button and count nothing
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
  want[5] = 3;
  EXPECT_EQ(readAll(), want);
  EXPECT_EQ(readAll(), std::vector<int>(44));
  onWorker([] {
    for (int k : {44, -1}) EXPECT_EQ(KAV_GetButton(k), 0) << "out of range reads no stray element";
  });
  gui_.dispatchPending();  // whatever the box forwarded to the main window
  EXPECT_EQ(kav_stop.load(), 0);
  post(h, Msg::KeyDown, 'C');  // C is Stop in the main window
  EXPECT_TRUE(pumpFor([] { return kav_stop.load() == 1; }));
  kav_stop = 0;

  // In a smaller box, keys of missing buttons change nothing.
  post(openButtons(5, 4), Msg::KeyDown, 'Z');
  sync();
  EXPECT_EQ(readAll(), std::vector<int>(44));
  EXPECT_FALSE(pressButtonByKey(22));
}

TEST_F(BoxesTest, CaptionsAndRenamesInBothBoxes) {
  const Hwnd h = openButtons(4, 2);
  onWorker([] {
    KAV_SetButtonBoxTitle(2, "Save\nnow");
    KAV_SetButtonBoxTitle(8, "none");  // no such button
  });
  EXPECT_EQ(ws_.controls(h).at(2).text, "Save\nnow");
  EXPECT_EQ(ws_.controls(h).size(), 8u);

  // Double-click on the margin left of button 1 renames button 1.
  post(h, Msg::LButtonDblClk, 0, packXY(103, 5));
  answer(u"Gain+");
  EXPECT_EQ(ws_.controls(h).at(1).text, "Gain+");
  // Right button: the menu (its items are proven through Qt), then its
  // Rename... after an empty line, nothing changes.
  post(h, Msg::RButtonDown, mouse::Right, packXY(2, 40));
  post(h, Msg::Command, bx::bcmd::ButtonRename);
  answer(u"");
  EXPECT_EQ(bx::buttonBoxState().renameIndex, 4);
  EXPECT_EQ(ws_.controls(h).at(4).text, "4");
  EXPECT_EQ(readAll(), std::vector<int>(44));  // the rename command is no button press

  // An input box item, and the menu on a row below the items, which renames
  // nothing and prompts nothing.
  const Hwnd ib = openInputs(3);
  post(ib, Msg::LButtonDblClk, 0, packXY(10, 2 * 28 + 5));
  answer(u"Gain");
  EXPECT_EQ(ws_.controls(ib).at(bx::kTitleId + 2).text, "Gain");
  post(ib, Msg::RButtonDown, mouse::Right, packXY(10, 3 * 28 + 1));
  post(ib, Msg::Command, bx::bcmd::InputRename);
  sync();
  EXPECT_EQ(tw::waitingMark(), 0);
  onWorker([] { KAV_SetInputBoxTitle(0, "Exposure"); });
  EXPECT_EQ(ws_.controls(ib).at(bx::kTitleId).text, "Exposure");
}

TEST_F(BoxesTest, StopCancelsARenameTypedInsideTheLoop) {
  // The rename's line input runs inside KAV_Wait's dispatch and holds the
  // loop until Stop cancels it.
  hooks().main = [] { while (KAV_Wait(5) == 0) continue; };
  const Hwnd h = openButtons(4, 2);
  shell().start();
  ASSERT_TRUE(pumpFor([] { return kav_running.load() == 1; }));
  post(h, Msg::LButtonDblClk, 0, packXY(2, 2));
  ASSERT_TRUE(pumpFor([] { return tw::waitingMark() != 0; }));
  shell().stop();
  EXPECT_TRUE(pumpFor([] { return kav_running.load() == 0; }));
  EXPECT_EQ(tw::waitingMark(), 0);
  EXPECT_EQ(ws_.controls(h).at(0).text, "0");
}

TEST_F(BoxesTest, DestroyAndCloseForgetTheBoxEvenDuringItsRename) {
  onWorker([] { std::fill(std::begin(kav_button), std::end(kav_button), 0); });
  Hwnd h = openButtons(3, 1);
  post(h, Msg::LButtonDblClk, 0, packXY(2, 2));
  ASSERT_TRUE(pumpFor([] { return tw::waitingMark() != 0; }));
  // Destroyed while the line is typed (the worker dispatches meanwhile).
  post(h, Msg::Command, bx::bcmd::ButtonDestroy);
  sync();
  EXPECT_EQ(bx::buttonBoxHandle(), 0u);
  EXPECT_FALSE(ws_.exists(h));
  EXPECT_EQ(buttonCount(), 0);
  EXPECT_FALSE(pressButtonByKey(0));
  answer(u"late");
  EXPECT_EQ(bx::buttonBoxHandle(), 0u);

  h = openButtons(3, 1);
  EXPECT_TRUE(pressButtonByKey(2));
  post(h, Msg::Close);
  sync();
  EXPECT_EQ(bx::buttonBoxHandle(), 0u);
  EXPECT_EQ(readAll(), std::vector<int>(44));  // closed box: reads give nothing though a counter was set
}

TEST_F(BoxesTest, RequestReplacesTheOpenBoxAtTheOrigin) {
  onWorker([] { KAV_OpenButtonBox(300, 300, 2, 2), KAV_OpenInputBox(300, 300, 5); });
  const Hwnd oldButtons = bx::buttonBoxHandle(), oldInputs = bx::inputBoxHandle();
  Request r;
  r.code = req::ButtonBox, r.width = 3, r.height = 2;
  shell().sendRequest(r);
  r.code = req::InputBox, r.index = 7;
  shell().sendRequest(r);
  EXPECT_FALSE(ws_.exists(oldButtons));
  EXPECT_FALSE(ws_.exists(oldInputs));
  for (const auto& [h, controls] : {std::pair{bx::buttonBoxHandle(), 6u}, std::pair{bx::inputBoxHandle(), 14u}}) {
    ASSERT_NE(h, 0u);
    EXPECT_EQ(ws_.controls(h).size(), controls);
    EXPECT_EQ(std::pair(ws_.frameRect(h).left, ws_.frameRect(h).top), std::pair(0, 0));
  }
}

// ------------------------------------------------------------- input box ---

TEST_F(BoxesTest, InputBoxFocusAndValuesStoredOnFocusLossAndEnter) {
  const Hwnd h = openInputs(3);
  EXPECT_TRUE(ws_.heightFixed(h));
  EXPECT_EQ(ws_.controls(h).at(bx::kTitleId + 2).kind, ControlKind::Label);
  EXPECT_EQ(ws_.focus(), (std::pair<Hwnd, int>{h, bx::kEditId}));  // the first field, its text selected
  EXPECT_TRUE(ws_.focusSelectedAll());
  // Typing alone stores nothing.
  post(h, Msg::Control, bx::kEditId + 2, ctl::SetFocus);
  sync();
  EXPECT_EQ(bx::inputBoxState().focusRow, 2);
  EXPECT_EQ(textOf(0), "0:0");
  // "12", then Tab: the field loses the focus.
  postText(h, bx::kEditId + 0, ctl::KillFocus, "12");
  post(h, Msg::Control, bx::kEditId + 1, ctl::SetFocus);
  postText(h, bx::kEditId + 1, ctl::Enter, "-2.5e1");
  postText(h, bx::kTitleId + 2, ctl::KillFocus, "x");  // a label is no field
  sync();
  EXPECT_EQ(textOf(0), "0:12");
  EXPECT_EQ(values(), (std::vector<double>{12.0, -25.0, 0.0}));
  EXPECT_EQ(bx::inputBoxState().focusRow, 1);

  // Long texts are cut to what the value holds; small buffers are cut too.
  postText(h, bx::kEditId + 2, ctl::KillFocus, std::string(400, '7'));
  postText(h, bx::kEditId + 1, ctl::Enter, "abc");  // not a number
  sync();
  EXPECT_EQ(textOf(2), "0:" + std::string(255, '7'));
  EXPECT_EQ(textOf(2, 4), "0:777");
  EXPECT_EQ(textOf(3, 4), "1:");
  EXPECT_EQ(values().at(1), 0.0);
  onWorker([] { KAV_DestroyInputBox(); });
  EXPECT_EQ(textOf(0), "1:");
  EXPECT_EQ(values(1), std::vector<double>{0.0});
}

TEST_F(BoxesTest, DraggingAnEdgeWidensItsColumn) {
  const Hwnd h = openInputs(2);
  const auto columns = [] { return std::pair{bx::inputBoxState().titleWidth, bx::inputBoxState().editWidth}; };
  post(h, Msg::Sizing, sizing::Left);
  post(h, Msg::Size, 200, 58);
  sync();
  EXPECT_EQ(columns(), std::pair(118, 70));
  EXPECT_EQ(ws_.controls(h).at(bx::kEditId + 1).rect, (Rect{126, 32, 196, 56}));
  post(h, Msg::Sizing, sizing::Right);
  post(h, Msg::Size, 250, 58);
  sync();
  EXPECT_EQ(columns(), std::pair(118, 120));
  onWorker([] { KAV_ResizeInputBox(50, 0); });
  EXPECT_EQ(columns(), std::pair(50, 1));
  EXPECT_EQ(ws_.frameRect(h).right - ws_.frameRect(h).left, 63);
}

}  // namespace
}  // namespace rozoru
