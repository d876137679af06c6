// The main window's right-button menu, its window commands with their
// prompts, and the console, on the real worker thread with an in-memory
// window system; the test thread is the GUI thread.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "boxes/boxes.h"
#include "image/slots.h"
#include "program/main_menu_commands.h"
#include "tests/shell/worker_fixture.h"

namespace rozoru {
namespace {

using test::hooks;
using test::pumpFor;
namespace tw = textwin;

class MainMenuTest : public test::WorkerFixture {
 protected:
  void SetUp() override {
    WorkerFixture::SetUp();
    installImageSlots();
    tw::install();
    boxes::install();
    mainmenu::install();
    // What the text windows show, as their logs would have it.
    tw::hooks().log = [this](int, std::string_view bytes) {
      std::lock_guard lock(mutex_);
      shown_.append(bytes);
    };
    tw::hooks().command = [this](int index, int command) {
      std::lock_guard lock(mutex_);
      commands_.emplace_back(index, command);
    };
  }
  void TearDown() override {
    if (shell().workerStarted() && !shell().workerFinished()) {
      kav_stop = 1;
      shell().exitSequence();
    }
    boxes::reset();
    releaseAllImages();
    WorkerFixture::TearDown();
  }

  void command(int id) { shell().mainWindowProc(Message{main_, Msg::Command, id, 0, 0, {}}); }
  std::vector<MenuItem> openMenu(Msg how = Msg::RButtonDown) {
    const std::size_t before = ws_.popups().size();
    shell().mainWindowProc(Message{main_, how, 0, 0, 0, {}});
    const auto popups = ws_.popups();
    return popups.size() > before ? popups.back().second : std::vector<MenuItem>{};
  }
  static std::vector<int> enabledIds(const std::vector<MenuItem>& menu) {
    std::vector<int> ids;
    for (const MenuItem& it : menu)
      if (!it.separator && it.enabled) ids.push_back(it.id);
    return ids;
  }

  // Types the answer to the next prompt: once a line input waits that
  // follows the previous answer (answers in a row must differ).
  void answer(const std::string& text) {
    ASSERT_TRUE(pumpFor([&] { return tw::waitingMark() != 0 && tw::inputHistory() == last_; })) << text;
    const Hwnd h = tw::handleOf(tw::waitingMark() - 1);
    for (char c : text) windowTable().post(Message{h, Msg::Char, c, 0, 0, {}});
    windowTable().post(Message{h, Msg::KeyDown, key::Return, 0, 0, {}});
    last_ = std::u16string(text.begin(), text.end());
  }
  // Requests run in the worker's loop only: once this one has, a prompt
  // sequence that was running has ended.
  static int onWorkerLoop(std::function<int()> f) {
    Request r;
    r.code = req::Call;
    r.call = std::move(f);
    return shell().sendRequest(r);
  }
  std::string shown() {
    std::lock_guard lock(mutex_);
    return shown_;
  }
  bool showing(const std::string& tail) {
    const std::string s = shown();
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
  }

  std::mutex mutex_;
  std::string shown_;
  std::vector<std::pair<int, int>> commands_;
  std::u16string last_;
};

TEST_F(MainMenuTest, MenuItemsLockWhileMainRunsAndPasteIsRefusedThen) {
  int pastes = 0;
  shell().pasteAsNewImage = [&pastes] { ++pastes; };
  hooks().main = [] {
    while (KAV_Wait(10000) == 0) continue;
  };
  startAndWaitForInit();

  const std::vector<MenuItem> idle = openMenu();
  std::vector<std::string> texts;
  for (const MenuItem& it : idle) texts.push_back(it.separator ? "-" : it.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"Paste\tCtrl+V", "-", "Start", "Stop", "E&xit", "-", "Image Window",
                                             "Text Window", "Input Box", "Button Box", "-", "&Window Info.\tCtrl+W"}));
  EXPECT_EQ(enabledIds(idle), (std::vector<int>{1026, 1001, 1003, 1002, 1027, 1028, 1044, 1051, 1045}));
  shell().mainWindowProc(Message{main_, Msg::KeyDown, 'V', 0, mods::Ctrl, {}});
  ASSERT_TRUE(pumpFor([&] { return pastes == 1; })) << "Ctrl+V pastes as a new image";

  shell().start();
  ASSERT_TRUE(pumpFor([] { return kav_running.load() == 1; }));
  EXPECT_EQ(enabledIds(openMenu()), (std::vector<int>{1003, 1002}));
  EXPECT_EQ(enabledIds(openMenu(Msg::NcRButtonDown)), (std::vector<int>{1003, 1002})) << "a click on the frame";
  command(cmd::Paste);
  EXPECT_EQ(pastes, 1) << "no paste while the application runs";

  command(cmd::Stop);
  ASSERT_TRUE(pumpFor([] { return kav_running.load() == 0; }));
  shell().mainWindowUnit().pickRunning = [] { return true; };
  EXPECT_TRUE(openMenu().empty()) << "no menu in pick mode";
}

TEST_F(MainMenuTest, ImageWindowPromptsMakeTheLowestFreeSlotOrNothing) {
  startAndWaitForInit();
  onWorker([] {
    for (int id = 0; id < 3; ++id) ASSERT_EQ(KAV_CreateImage(id, "x", 0, 0, 8, 8, 100), 0);
    KAV_SelectImage(1);
  });
  command(cmd::ImageWindow);
  answer("320");
  answer("240");
  EXPECT_EQ(enabledIds(openMenu()), (std::vector<int>{1003, 1002})) << "locked while a line input waits";
  answer("32");
  onWorkerLoop([] {
    const ImageSlot& s = kav_image[3];
    EXPECT_TRUE(s.inUse && s.title == "003" && s.width == 320 && s.height == 240 && s.bitDepth == 32);
    EXPECT_EQ(KAV_CurrentImage(), 3) << "the new image stays current";
    return 0;
  });
  EXPECT_EQ(shown(), "Creating ImageWindow...\n Width=320\nHeight=240\nBit[32 or 8]=32\n");
  EXPECT_EQ(tw::currentIndex(), 0);

  command(cmd::ImageWindow);
  answer("20");
  answer("10");
  answer("16");
  onWorkerLoop([] {
    EXPECT_FALSE(kav_image[4].inUse) << "bits other than 32 and 8 make nothing";
    return 0;
  });
}

TEST_F(MainMenuTest, TextWindowOpensTheLowestClosedOneAndWindowInfoGoesToTheCurrent) {
  startAndWaitForInit();
  command(cmd::WindowInfo);  // none open: text window 0 first
  ASSERT_TRUE(tw::isOpen(0));
  command(cmd::TextWindow);
  command(cmd::TextWindow);
  EXPECT_TRUE(tw::isOpen(1) && tw::isOpen(2) && !tw::isOpen(3));
  onWorker([] { KAV_CloseTextWindow(1); });
  command(cmd::TextWindow);
  EXPECT_TRUE(tw::isOpen(1) && !tw::isOpen(3));
  ASSERT_EQ(KAV_SelectTextWindow(2), 0);
  command(cmd::WindowInfo);
  ASSERT_TRUE(pumpFor([&] {
    std::lock_guard lock(mutex_);
    return commands_.size() == 2;
  }));
  EXPECT_EQ(commands_, (std::vector<std::pair<int, int>>{{0, 1045}, {2, 1045}}));
}

TEST_F(MainMenuTest, BoxPromptsStopWhenCancelledAndExitStopsTheImagePrompt) {
  startAndWaitForInit();
  command(cmd::InputBox);
  answer("3");
  onWorkerLoop([] { return 0; });
  EXPECT_EQ(boxes::inputBoxState().n, 3);
  onWorker([] { KAV_DestroyInputBox(); });

  command(cmd::InputBox);
  ASSERT_TRUE(pumpFor([] { return tw::waitingMark() != 0; }));
  command(cmd::Stop);  // cancels the line input
  command(cmd::ButtonBox);
  answer("4");
  ASSERT_TRUE(pumpFor([&] { return showing("Number[Y]=>"); }));
  tw::cancelLineInput();
  onWorkerLoop([] { return 0; });
  EXPECT_EQ(boxes::inputBoxHandle(), 0u);
  EXPECT_EQ(boxes::buttonBoxHandle(), 0u);

  command(cmd::ImageWindow);
  answer("64");
  ASSERT_TRUE(pumpFor([&] { return showing("Height="); }));
  command(cmd::Exit);
  ASSERT_TRUE(shell().workerFinished());
  EXPECT_TRUE(showing("Height=")) << shown();
  EXPECT_FALSE(kav_image[0].inUse);
}

TEST_F(MainMenuTest, ConsoleOnSpaceRunsOneCaseSensitiveCommand) {
  startAndWaitForInit();
  onWorker([] {
    KAV_OpenTextWindow(0, 0, 0, 400, 300);
    kav_dc = 0x0A14FF;
    kav_tc = 0x123456;
    kav_tttc = 0xABCDEF;
  });
  const auto console = [&](const std::string& line) {
    // The key's press, then its character, which may come only once the
    // console reads: it is not part of the line.
    windowTable().post(Message{tw::handleOf(0), Msg::KeyDown, key::Space, 0, 0, {}});
    ASSERT_TRUE(pumpFor([] { return tw::waitingMark() != 0; }));
    windowTable().post(Message{tw::handleOf(0), Msg::Char, u' ', 0, 0, {}});
    answer(line);
  };
  console("help");
  ASSERT_TRUE(pumpFor([&] { return showing("Cmd>help\nCommand list:exit help start ver color\n"); })) << shown();
  console("HELP");
  ASSERT_TRUE(pumpFor([&] { return showing("Cmd>HELP\nInvalid command\n"); })) << shown();
  console("color");
  ASSERT_TRUE(pumpFor([&] {
    return showing("Cmd>color\nRed  : 10\nGreen: 20\nBlue :255\nkav_tttc=abcdef\nkav_tc=123456\n");
  })) << shown();
  console("ver");
  ASSERT_TRUE(pumpFor([&] {
    std::lock_guard lock(mutex_);
    return commands_ == std::vector<std::pair<int, int>>{{0, 1020}};
  }));
}

}  // namespace
}  // namespace rozoru
