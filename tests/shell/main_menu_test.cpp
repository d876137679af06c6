// The main window's right-button menu, its window commands with their
// prompts, and the console, on the real worker thread with an in-memory
// window system; the test thread is the GUI thread.
#include <gtest/gtest.h>

#include <mutex>
#include <string>

#include "boxes/boxes.h"
#include "image/slots.h"
#include "program/main_menu_commands.h"
#include "tests/shell/worker_fixture.h"

namespace rozoru {
namespace {

namespace tw = textwin;

class MainMenuTest : public test::WorkerFixture {
 protected:
  void SetUp() override {
    WorkerFixture::SetUp();
    installImageSlots(), tw::install(), boxes::install(), mainmenu::install();
    // What the text windows show, and the commands they pass on (1045, 1020).
    tw::hooks().log = [this](int, std::string_view bytes) { shown(std::string(bytes)); };
    tw::hooks().command = [this](int i, int c) { shown("<" + std::to_string(i) + ":" + std::to_string(c) + ">"); };
    startAndWaitForInit();
  }
  void TearDown() override {
    if (!shell().workerFinished()) kav_stop = 1, shell().exitSequence();
    boxes::reset(), releaseAllImages();
    WorkerFixture::TearDown();
  }
  void command(int id) { shell().mainWindowProc(Message{main_, Msg::Command, id, 0, 0, {}}); }
  std::vector<int> enabledMenuIds() {
    shell().mainWindowProc(Message{main_, Msg::RButtonDown, 0, 0, 0, {}});
    const auto popups = ws_.popups();
    std::vector<int> ids;
    for (const MenuItem& it : popups.back().second)
      if (!it.separator && it.enabled) ids.push_back(it.id);
    return ids;
  }
  // Types the answer to the next prompt: a line input that waits after the
  // previous answer was read (answers in a row differ).
  void answer(const std::string& text) {
    ASSERT_TRUE(test::pumpFor([&] { return tw::waitingMark() != 0 && tw::inputHistory() == last_; })) << text;
    for (char c : text + '\r')
      windowTable().post(Message{tw::handleOf(0), c == '\r' ? Msg::KeyDown : Msg::Char, c, 0, 0, {}});
    last_ = std::u16string(text.begin(), text.end());
  }
  // Requests run in the worker's loop only: once this one has, a prompt
  // sequence has ended.
  static void barrier() {
    Request r;
    r.code = req::Call, r.call = [] { return 0; };
    shell().sendRequest(r);
  }
  std::string shown(const std::string& more = {}) {
    std::lock_guard l(mutex_);
    return shown_ += more;
  }
  bool shows(const std::string& tail) { return shown().ends_with(tail); }

  std::mutex mutex_;
  std::string shown_;
  std::u16string last_;
};

TEST_F(MainMenuTest, LockedItemsWhileMainRunsOrALineWaitsAndTheImageWindowPrompts) {
  int pastes = 0;
  shell().pasteAsNewImage = [&pastes] { ++pastes; };
  EXPECT_EQ(enabledMenuIds(), (std::vector<int>{1026, 1001, 1003, 1002, 1027, 1028, 1044, 1051, 1045}));
  onWorker([] {
    for (int id = 0; id < 3; ++id) KAV_CreateImage(id, "x", 0, 0, 8, 8, 100);
  });
  command(cmd::ImageWindow);
  answer("320"), answer("240");
  EXPECT_EQ(enabledMenuIds(), (std::vector<int>{1003, 1002})) << "a line input waits";
  answer("32"), barrier();
  EXPECT_EQ(shown(), "Creating ImageWindow...\n Width=320\nHeight=240\nBit[32 or 8]=32\n");
  const ImageSlot& s = kav_image[3];  // the worker is idle in its loop
  EXPECT_TRUE(s.inUse && s.title == "003" && s.width == 320 && s.height == 240 && s.bitDepth == 32);
  EXPECT_EQ(KAV_CurrentImage(), 3);
  command(cmd::ImageWindow);
  answer("20"), answer("10"), answer("16"), barrier();
  EXPECT_FALSE(kav_image[4].inUse) << "only 32 and 8 bits make an image";

  test::hooks().main = [] { KAV_Wait(1 << 30); };
  command(cmd::Start);
  ASSERT_TRUE(test::pumpFor([] { return kav_running.load() == 1; }));
  EXPECT_EQ(enabledMenuIds(), (std::vector<int>{1003, 1002})) << "KAV_Main runs";
  command(cmd::Paste);
  command(cmd::Stop);
  ASSERT_TRUE(test::pumpFor([] { return kav_running.load() == 0; }));
  command(cmd::Paste);
  EXPECT_EQ(pastes, 1) << "refused while KAV_Main ran";
  shell().mainWindowUnit().pickRunning = [] { return true; };
  const std::size_t menus = ws_.popups().size();
  shell().mainWindowProc(Message{main_, Msg::NcRButtonDown, 0, 0, 0, {}});
  EXPECT_EQ(ws_.popups().size(), menus) << "no menu in pick mode";
}

TEST_F(MainMenuTest, TextWindowsOpenLowestFirstAndWindowInfoGoesToTheCurrentOne) {
  command(cmd::WindowInfo);  // none open: text window 0 opens for it
  command(cmd::TextWindow), command(cmd::TextWindow);
  EXPECT_TRUE(tw::isOpen(0) && tw::isOpen(1) && tw::isOpen(2) && !tw::isOpen(3));
  KAV_SelectTextWindow(1);
  command(cmd::WindowInfo);
  EXPECT_TRUE(test::pumpFor([&] { return shows("<0:1045><1:1045>"); }));
}

TEST_F(MainMenuTest, PromptsStopWhenTheLineIsCancelledOrOnExit) {
  command(cmd::ButtonBox);
  ASSERT_TRUE(test::pumpFor([] { return tw::waitingMark() != 0; }));
  command(cmd::Stop);  // cancels the line input
  command(cmd::InputBox);
  ASSERT_TRUE(test::pumpFor([&] { return shows("How many items? >"); }));
  command(cmd::Exit);
  EXPECT_EQ(shown(), "Creating ButtonBox...\nNumber[X]=>Creating InpuxBox...\nHow many items? >");
  EXPECT_EQ(boxes::inputBoxHandle(), 0u);
}

TEST_F(MainMenuTest, ConsoleOnSpaceReadsOneCaseSensitiveCommand) {
  onWorker([] { KAV_OpenTextWindow(0, 0, 0, 400, 300), kav_dc = 0x0A14FF, kav_tc = 0x123456, kav_tttc = 0xABCDEF; });
  for (const char* line : {"help", "HELP", "color", "ver"}) {
    barrier();  // the previous command has been carried out
    windowTable().post(Message{tw::handleOf(0), Msg::KeyDown, key::Space, 0, 0, {}});
    // The key's character may come once the console reads: not part of the line.
    ASSERT_TRUE(test::pumpFor([] { return tw::waitingMark() != 0; }));
    windowTable().post(Message{tw::handleOf(0), Msg::Char, u' ', 0, 0, {}});
    answer(line);
  }
  ASSERT_TRUE(test::pumpFor([&] { return shows("<0:1020>"); })) << shown();
  EXPECT_EQ(shown(),
            "Cmd>help\nCommand list:exit help start ver color\nCmd>HELP\nInvalid command\nCmd>color\nRed  : 10\n"
            "Green: 20\nBlue :255\nkav_tttc=abcdef\nkav_tc=123456\nCmd>ver\n<0:1020>");
}

}  // namespace
}  // namespace rozoru
