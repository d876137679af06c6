// The main window's right-button menu and its window commands with their
// prompts, on the real worker thread with an in-memory window system; the
// test thread is the GUI thread. The console is tests/e2e/main_menu.sh's.
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
    // What the text windows show.
    tw::hooks().log = [this](int, std::string_view bytes) { shown(std::string(bytes)); };
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
  onWorker([] { KAV_CreateImage(0, "x", 0, 0, 8, 8, 100), KAV_CreateImage(1, "x", 0, 0, 8, 8, 100); });
  command(cmd::ImageWindow);
  answer("320"), answer("240");
  EXPECT_EQ(enabledMenuIds(), (std::vector<int>{1003, 1002})) << "a line input waits";
  answer("32"), barrier();
  EXPECT_EQ(shown(), "Creating ImageWindow...\n Width=320\nHeight=240\nBit[32 or 8]=32\n");
  const ImageSlot& s = kav_image[2];  // the worker is idle in its loop
  EXPECT_TRUE(s.inUse && s.title == "002" && s.width == 320 && s.height == 240 && s.bitDepth == 32 &&
              KAV_CurrentImage() == 2);
  command(cmd::ImageWindow);
  answer("10"), answer("11"), answer("16"), barrier();  // answers in a row differ
  EXPECT_FALSE(kav_image[3].inUse) << "bits other than 32 and 8 make nothing";

  test::hooks().main = [] { KAV_Wait(1 << 30); };
  command(cmd::Start);
  ASSERT_TRUE(test::pumpFor([] { return kav_running.load() == 1; }));
  EXPECT_EQ(enabledMenuIds(), (std::vector<int>{1003, 1002})) << "KAV_Main runs";
  command(cmd::Paste);
  command(cmd::Stop);
  ASSERT_TRUE(test::pumpFor([] { return kav_running.load() == 0; }));
  command(cmd::Paste);
  EXPECT_EQ(pastes, 1) << "refused while KAV_Main ran";
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

}  // namespace
}  // namespace rozoru
