// Text windows and line input on the real worker thread with an in-memory
// window system; the test thread is the GUI thread.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>

#include "rozoru/textwin.h"
#include "shell/core/layout.h"
#include "tests/shell/worker_fixture.h"
#include "textwin/logs.h"
#include "textwin/text_commands.h"

namespace rozoru {
namespace {

using test::hooks;
using test::pumpFor;
namespace tw = textwin;

class TextWindowTest : public test::WorkerFixture {
 protected:
  void SetUp() override {
    WorkerFixture::SetUp();
    tw::install();
  }

  // Input as the window system delivers it to the text window.
  void chars(int index, std::u16string_view text) {
    const Hwnd h = tw::handleOf(index);
    for (char16_t u : text)
      windowTable().post(Message{h, u == u'\r' || u == u'\b' ? Msg::KeyDown : Msg::Char, u, 0, 0, {}});
  }
  void keyTo(int index, int k, std::uint32_t mods = 0) {
    windowTable().post(Message{tw::handleOf(index), Msg::KeyDown, k, 0, mods, {}});
  }

  // Starts the worker with window 0 open and KAV_Main reading lines into
  // lines_ as "<result>:<line>" until it reads "end" or is stopped.
  void startReader(bool autoStart = true) {
    hooks().init = [autoStart] {
      KAV_OpenTextWindow(0, 10, 10, 400, 300);
      kav_start = autoStart ? 1 : 0;
    };
    hooks().main = [this] {
      for (std::string got; kav_stop.load() == 0 && got != "0:end";) {
        char buf[256] = {};
        std::memset(buf, 'x', sizeof buf - 1);
        got = std::to_string(KAV_ReadLine(buf)) + ":" + buf;
        std::lock_guard lock(mutex_);
        lines_.push_back(got);
      }
    };
    startAndWaitForInit();
  }
  bool waitLines(std::size_t n) {
    return pumpFor([&] {
      std::lock_guard lock(mutex_);
      return lines_.size() >= n;
    });
  }
  bool waitInput() { return pumpFor([] { return tw::waitingMark() != 0; }); }
  std::string line(std::size_t i) {
    std::lock_guard lock(mutex_);
    return lines_.at(i);
  }
  std::string idleStatus() const { return centredStatusText("24-bit color"); }

  std::mutex mutex_;
  std::vector<std::string> lines_;
};

TEST_F(TextWindowTest, OpenSelectCloseRequestAndEnsure) {
  startAndWaitForInit();
  onWorker([] {
    EXPECT_EQ(KAV_OpenTextWindow(2, 5, 6, -1, -1), 0);
    EXPECT_EQ(KAV_OpenTextWindow(7, -1, -1, 200, 100), 0);
    EXPECT_EQ(KAV_OpenTextWindow(7, 0, 0, 10, 10), 1);
    EXPECT_EQ(KAV_OpenTextWindow(256, 0, 0, 10, 10), 2);
    EXPECT_EQ(KAV_OpenTextWindow(-1, 0, 0, 10, 10), 2);
  });
  EXPECT_EQ(tw::currentIndex(), 7);
  EXPECT_EQ(ws_.frameRect(tw::handleOf(2)), (Rect{5, 6, 405, 306}));
  EXPECT_EQ(ws_.presented(tw::handleOf(7)).width, 200) << "the black picture is shown at once";

  EXPECT_EQ(KAV_SelectTextWindow(2), 0);
  EXPECT_EQ(tw::currentIndex(), 2);
  EXPECT_EQ(KAV_SelectTextWindow(3), 1);
  EXPECT_EQ(tw::currentIndex(), 2);

  const Hwnd h2 = tw::handleOf(2);
  onWorker([] {
    EXPECT_EQ(KAV_CloseTextWindow(2), 0);
    EXPECT_EQ(KAV_CloseTextWindow(2), 1);
    EXPECT_EQ(KAV_CloseTextWindow(300), 1);
  });
  EXPECT_FALSE(ws_.exists(h2));
  EXPECT_FALSE(windowTable().exists(h2));
  EXPECT_EQ(tw::currentIndex(), 7) << "the lowest open window becomes current";
  onWorker([] { KAV_CloseTextWindow(7); });
  EXPECT_EQ(tw::currentIndex(), 7) << "none open: the index stays";
  EXPECT_EQ(KAV_Printf("dropped"), 0);

  // Requested from the GUI: opened once. Ensured: window 0 in the middle.
  tw::requestTextWindow(3);
  ASSERT_TRUE(tw::isOpen(3));
  const Hwnd h = tw::handleOf(3);
  tw::requestTextWindow(3);
  EXPECT_EQ(tw::handleOf(3), h);

  onWorker([] { KAV_CloseTextWindow(3); });
  onWorker([] { tw::ensureTextWindow(); });
  ASSERT_TRUE(tw::isOpen(0));
  // 1280 x 976 usable: the window's corner at (440, 338).
  EXPECT_EQ(ws_.frameRect(tw::handleOf(0)), (Rect{440, 338, 840, 638}));
}

TEST_F(TextWindowTest, PrintfLogsWholeCharactersAndTheColourStackKeepsEightLevels) {
  std::string logged;
  tw::hooks().log = [&](int index, std::string_view bytes) {
    if (index == 1) logged += bytes;
  };
  hooks().init = [] {
    KAV_OpenTextWindow(1, 0, 0, 400, 300);
    KAV_Printf("abc\n\n%s", "def");
  };
  startAndWaitForInit();
  auto s = tw::snapshot(1);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->cursor, (tw::Cursor{3 * s->cellWidth, 2 * s->cellHeight}));
  EXPECT_EQ(logged, "abc\n\ndef");
  // Longer than the buffer: 4095 bytes would end one byte into a character,
  // so 1 + 1364 * 3 are kept.
  std::string text = "a";
  for (int i = 0; i < 2000; ++i) text += "\xe3\x81\x82";
  logged.clear();
  EXPECT_EQ(KAV_Printf("%s", text.c_str()), 4093);
  EXPECT_EQ(logged.size(), 4093u);

  // Nine pushes over eight levels: red and the white before it fell off.
  KAV_PushTextColor(0xFF0000, 0x0000FF);
  for (int i = 0; i < 9; ++i) KAV_PushTextColor(static_cast<unsigned>(i), 0);
  for (int i = 8; i >= 1; --i) {
    KAV_PopTextColor();
    EXPECT_EQ(tw::snapshot(1)->fg, static_cast<unsigned>(i - 1)) << i;
  }
  for (int i = 0; i < 2; ++i) {
    KAV_PopTextColor();
    EXPECT_EQ(tw::snapshot(1)->fg, 0u) << "the last level keeps its value";
  }
}

// Typing, Backspace and Up are driven by the end-to-end test; here the edges.
TEST_F(TextWindowTest, LineInputEdgesPasteAndTheBufferLimit) {
  tw::hooks().clipboardText = [] { return std::u16string(u"pa\u3042ste\r\nsecond"); };
  startReader();
  ASSERT_TRUE(waitInput());
  EXPECT_EQ(ws_.status(), centredStatusText("Input text"));
  keyTo(0, key::Up);  // nothing typed yet: nothing to recall
  keyTo(0, key::Tab);
  keyTo(0, key::Escape);  // no Exit while a line is typed
  chars(0, u"x<");
  keyTo(0, 'V', mods::Ctrl);  // up to the clipboard's first line end
  chars(0, u">\r");
  ASSERT_TRUE(waitLines(1));
  EXPECT_EQ(tw::snapshot(0)->cursor, (tw::Cursor{0, tw::snapshot(0)->cellHeight})) << "at the next line's start";
  // 100 units of three bytes: 300 bytes, 85 whole ones fit in 255.
  chars(0, std::u16string(100, u'\u3042') + u"\r");
  ASSERT_TRUE(waitLines(2));
  EXPECT_EQ(tw::inputHistory().size(), 100u) << "the history keeps the whole typed line";
  chars(0, u"end\r");
  ASSERT_TRUE(waitLines(3));
  std::string cut;
  for (int i = 0; i < 85; ++i) cut += "\xe3\x81\x82";
  EXPECT_EQ(line(0), "0: x<pa\xe3\x81\x82ste>");
  EXPECT_EQ(line(1), "0:" + cut);
  EXPECT_EQ(kav_exit.load(), 0);
  EXPECT_TRUE(pumpFor([&] { return ws_.status() == idleStatus(); }));
}

TEST_F(TextWindowTest, TypingWhileNoInputWaitsIsIgnoredAndClosingCancelsTheInput) {
  startReader(false);
  chars(0, u"QZ\r");
  onWorker([] {});  // the worker has dispatched them
  kav_start = 1;
  shell().workerPump().wake();
  ASSERT_TRUE(waitInput());
  chars(0, u"ok\r");
  ASSERT_TRUE(waitLines(1));
  EXPECT_EQ(line(0), "0:ok");

  ASSERT_TRUE(waitInput());
  chars(0, u"abc");
  windowTable().post(Message{tw::handleOf(0), Msg::Close, 0, 0, 0, {}});
  ASSERT_TRUE(waitLines(2));
  EXPECT_EQ(line(1), "1:");
  EXPECT_FALSE(tw::isOpen(0));
  ASSERT_TRUE(pumpFor([&] { return ws_.status() == idleStatus(); }));
  // With no window left, the next read returns at once with the buffer untouched.
  ASSERT_TRUE(waitLines(3));
  EXPECT_EQ(line(2).substr(0, 5), "1:xxx");
  kav_stop = 1;
}

TEST_F(TextWindowTest, KeysPostCommandsOrGoToTheMainWindow) {
  std::atomic<int> mains{0};
  hooks().init = [] { KAV_OpenTextWindow(0, 0, 0, 100, 100); };
  hooks().main = [&] {
    for (++mains; KAV_Wait(10000) == 0;) {
    }
  };
  std::vector<std::pair<int, int>> commands;
  tw::hooks().command = [&](int index, int id) { commands.emplace_back(index, id); };
  startAndWaitForInit();
  // The key table itself is not restated: one Ctrl key shows the way.
  keyTo(0, 'W', mods::Ctrl);
  onWorker([] {});
  onWorker([] {});  // the posted command is dispatched after the key
  EXPECT_EQ(commands, (std::vector<std::pair<int, int>>{{0, 1045}}));
  // S and C act as in the main window.
  keyTo(0, 'S');
  ASSERT_TRUE(pumpFor([&] { return mains.load() == 1 && kav_running.load() == 1; }));
  keyTo(0, 'C');
  ASSERT_TRUE(pumpFor([] { return kav_running.load() == 0; }));
}

TEST_F(TextWindowTest, TheMenuMarksTheCurrentWindowAndStaysShutDuringInput) {
  tw::hooks().instance = 3;
  tw::hooks().logState = [](int index) { return index == 4 ? 2 : 0; };
  hooks().init = [] {
    KAV_OpenTextWindow(4, 0, 0, 100, 100);
    KAV_OpenTextWindow(5, 0, 0, 100, 100);
  };
  startAndWaitForInit();
  windowTable().post(Message{tw::handleOf(4), Msg::RButtonDown, 2, 0, 0, {}});
  ASSERT_TRUE(pumpFor([&] { return ws_.popups().size() == 1; }));
  const auto popups = ws_.popups();
  const auto& [h, items] = popups[0];
  EXPECT_EQ(h, tw::handleOf(4));
  std::vector<int> checked;
  for (const MenuItem& it : items)
    if (it.checked) checked.push_back(it.id);
  EXPECT_EQ(checked, (std::vector<int>{1025})) << "window 5 is current, and 4's log is stopped";
  EXPECT_EQ(items[6].text, "&Copy ROZORU34.LOG\tCtrl+C");  // the instance's log
  std::atomic<bool> reading{false};
  shell().workerPump().queue().postCall([&] {
    char buf[256];
    reading = true;
    KAV_ReadLine(buf);
    reading = false;
  });
  ASSERT_TRUE(waitInput());
  windowTable().post(Message{tw::handleOf(5), Msg::RButtonDown, 2, 0, 0, {}});
  chars(5, u"\r");
  ASSERT_TRUE(pumpFor([&] { return !reading.load(); }));
  EXPECT_EQ(ws_.popups().size(), 1u) << "no menu while a line input waits";
}

TEST_F(TextWindowTest, TheGuiThreadPrintsAndReadsWhileTheWorkerPrints) {
  std::atomic<bool> stopPrinting{false};
  hooks().init = [] {
    KAV_OpenTextWindow(0, 0, 0, 400, 300);
    kav_start = 1;
  };
  hooks().main = [&] {
    while (!stopPrinting.load() && kav_stop.load() == 0) {
      KAV_Printf("worker line\n");
      KAV_Wait(1);
    }
  };
  startAndWaitForInit();
  for (int i = 0; i < 50; ++i) KAV_Printf("gui %d\n", i);
  // The worker dispatches the typed characters to the line input on this thread.
  std::thread typist([this] {
    test::pumpFor([] { return tw::waitingMark() != 0; });
    chars(0, u"hi\r");
  });
  char buf[256];
  EXPECT_EQ(KAV_ReadLine(buf), 0);
  typist.join();
  stopPrinting = true;
  EXPECT_STREQ(buf, "hi");
}

// Logs, About and the window information on the worker, logs in a folder of the test's own.
class TextCommandTest : public TextWindowTest {
 protected:
  void SetUp() override {
    TextWindowTest::SetUp();
    std::string tmpl = ::testing::TempDir() + "rozoru-logs-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl + "/";
    tw::installCommands(dir_, 3);
    tw::hooks().setClipboardText = [this](const std::string& text) { return clip_ = text, true; };
    hooks().init = [] { KAV_OpenTextWindow(0, 10, 10, 400, 300), KAV_OpenTextWindow(1, 5, 6, 200, 100); };
    startAndWaitForInit();
  }
  void TearDown() override {
    TextWindowTest::TearDown();
    tw::logs::closeAll();
    std::filesystem::remove_all(dir_);
  }
  // The command as the window's procedure gets it on the worker, then text printed in that window.
  void command(int index, int id, const char* text = nullptr) {
    onWorker([&] {
      windowTable().dispatch(Message{tw::handleOf(index), Msg::Command, id, 0, 0, {}});
      if (text) KAV_SelectTextWindow(index), KAV_Printf("%s", text);
    });
  }
  static std::string file(int index) {
    std::ifstream in(tw::logs::fileName(index), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  // Whether the log is off and no descriptor of this process is open on it.
  static bool closed(int index) {
    std::error_code ec;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd", ec))
      if (std::filesystem::read_symlink(fd.path(), ec).string() == tw::logs::fileName(index)) return false;
    return tw::logs::state(index) == 0;
  }

  std::string dir_, clip_;  // clip_ written on the worker inside command()
};

TEST_F(TextCommandTest, LogsAboutAndWindowInformation) {
  EXPECT_EQ(tw::logs::fileName(12), dir_ + "ROZORU312.LOG");
  onWorker([] { EXPECT_EQ(tw::logs::copy(0), 2) << "never logged, no file"; });
  command(0, tw::tcmd::StartLog, "one\n");
  command(0, tw::tcmd::StopLog, "two\n");
  command(0, tw::tcmd::StartLog);
  command(0, tw::tcmd::StartLog, "three\n");
  command(0, tw::tcmd::CopyLog, "four\n");
  EXPECT_EQ(clip_, "one\nthree\n");
  EXPECT_EQ(file(0), "one\nthree\nfour\n") << "the second start emptied nothing; the copy reopened for appending";
  command(0, tw::tcmd::About);
  command(0, tw::tcmd::WindowInfo);
  EXPECT_EQ(file(0).substr(15), tw::aboutBanner() + "******* Window information *******\n[Text Window]\n"
                                " 0 X:10 Y:10 W:400 H:300\n 1 X:5 Y:6 W:200 H:100\n**********************************\n" +
                                std::string(tw::kSourceSavedNotice));
  EXPECT_EQ(tw::snapshot(0)->fg, 0xFFFFFFu) << "the window's colours are back";
  command(1, tw::tcmd::StartLog);
  command(0, tw::tcmd::Destroy);
  EXPECT_TRUE(closed(0)) << "a closed window's log is closed";
  EXPECT_FALSE(closed(1));
  shell().closeLogs();
  EXPECT_TRUE(closed(1)) << "the exit closes every log";
  EXPECT_EQ(ws_.messages(), std::vector<std::string>{"0 Pause: Can't open LOG file!"}) << "the copy without a file";
}

TEST_F(TextCommandTest, AFullDiskOrAFailedReopenEndsTheLogWithOneMessage) {
  std::filesystem::create_symlink("/dev/full", tw::logs::fileName(0));
  command(0, tw::tcmd::StartLog, "lost\n");
  command(0, tw::tcmd::Select, "not tried\n");
  EXPECT_EQ(tw::logs::state(0), 2);
  // The log's name taken by a folder: no log; later nothing to copy, and no reopening.
  std::filesystem::create_directory(tw::logs::fileName(1));
  command(1, tw::tcmd::StartLog);
  EXPECT_TRUE(closed(1));
  std::filesystem::remove(tw::logs::fileName(1));
  command(1, tw::tcmd::StartLog);
  std::filesystem::remove(tw::logs::fileName(1));
  std::filesystem::create_directory(tw::logs::fileName(1));
  command(1, tw::tcmd::CopyLog);
  EXPECT_TRUE(closed(1));
  EXPECT_EQ(ws_.messages(), (std::vector<std::string>{"0 Error: Can't write LOG file! The log is stopped.",
                                               "0 Error: Can't create file for LOG!", "0 Pause: Can't open LOG file!",
                                               "0 Error: Can't reopen LOG file! The log is off."}));
}

}  // namespace
}  // namespace rozoru
