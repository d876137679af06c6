// Image windows on Qt's offscreen platform: a create request from the GUI,
// an expose, the zoom and the close box.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QImage>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <utility>

#include "image/pick_commands.h"
#include "image/picks.h"
#include "shell/core/windows.h"
#include "tests/shell/framework_fixture.h"
#include "textwin/textwin.h"

namespace rozoru {
namespace {

using test::pumpFor;

class ImageWindowTest : public test::FrameworkFixture {
 protected:
  QWidget* widgetOf(int id) { return fw_->windowSystem().widget(kav_image[id].window); }
  // What the window shows, as the GUI paints it.
  QImage shown(int id) { return widgetOf(id)->grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

// A repaint's pixels on screen are the shell's presented-pixels test and the
// scaling is the scaler tests'; here the window's own paths.
TEST_F(ImageWindowTest, ACreateRequestAnExposeAndTheZoom) {
  startFramework();
  Request r;
  r.code = req::CreateImage, r.index = 3, r.name = "e", r.width = 200, r.height = 100;
  EXPECT_EQ(shell().sendRequest(r), 0);
  EXPECT_EQ(widgetOf(3)->windowTitle(), "e(100%)");
  EXPECT_EQ(shell().sendRequest(r), 1);
  // Pixels written without asking for a repaint...
  onWorker([] { std::fill_n(KAV_ImagePixels[3], 200 * 100, 0x00FF8000u); });
  // ...appear when the window is exposed: the worker's procedure repaints it.
  widgetOf(3)->repaint();
  EXPECT_TRUE(pumpFor([&] { return (shown(3).pixel(100, 50) & 0xFFFFFF) == 0xFF8000u; }));

  // Zoom resizes the window; smoothing marks the caption.
  onWorker([] {
    ASSERT_EQ(KAV_CreateImage(2, "LR", 0, 0, 320, 240, 100), 0);
    ASSERT_EQ(KAV_SetZoom(2, 200), 0);
    ASSERT_EQ(KAV_SetStretchMode(2, 4), 0);
  });
  EXPECT_TRUE(pumpFor([&] { return widgetOf(2)->size() == QSize(640, 480); }));
  EXPECT_EQ(widgetOf(2)->windowTitle(), "LR(200%)*");
  EXPECT_EQ(widgetOf(2)->minimumSize(), widgetOf(2)->maximumSize());
  EXPECT_TRUE(widgetOf(2)->testAttribute(Qt::WA_ShowWithoutActivating));  // never takes the keyboard
}

TEST_F(ImageWindowTest, TheCloseBoxIsTheWindowsDestroy) {
  startFramework();
  onWorker([] {
    ASSERT_EQ(KAV_CreateImage(4, "c", 0, 0, 200, 100, 100), 0);
    KAV_OpenTextWindow(1, 0, 0, 200, 100);
    KAV_OpenButtonBox(0, 0, 2, 1);
    KAV_OpenInputBox(0, 0, 1);
  });
  for (Hwnd h : {kav_image[4].window, textwin::handleOf(1), boxes::buttonBoxHandle(), boxes::inputBoxHandle()}) {
    QCloseEvent close;  // what the window manager's close button sends
    QCoreApplication::sendEvent(fw_->windowSystem().widget(h)->windowHandle(), &close);
    EXPECT_TRUE(pumpFor([&] { return !fw_->windowSystem().widget(h) && !windowTable().exists(h); })) << h;
  }
  EXPECT_EQ(kav_image[4].inUse, 0);
  EXPECT_FALSE(textwin::isOpen(1));
  EXPECT_EQ(boxes::buttonBoxHandle() | boxes::inputBoxHandle(), 0u);
}

// The prompts read text window 0 on the worker while it keeps dispatching:
// refused while the application reads a line; "&Zoom..." with no digit
// gives the smallest window; an answer for a slot made anew meanwhile is
// dropped; "&Resize..." 0 and 0 makes a 1 x 1 image; a size that cannot be
// made, clamped to int, is reported. Draw Text reads its line there too.
TEST_F(ImageWindowTest, ZoomAndResizePromptsReadTextWindowZero) {
  startFramework();
  std::mutex mutex;
  std::string printed;
  std::function<void(int, std::string_view)> realLog;
  onWorker([&] {
    // 6 and 7 show what the smallest-window zoom makes of 320x240 and of 1x1.
    for (int id : {5, 6}) ASSERT_EQ(KAV_CreateImage(id, "p", 0, 0, 320, 240, 100), 0);
    ASSERT_EQ(KAV_CreateImage(7, "r", 0, 0, 1, 1, 100), 0);
    KAV_SetZoom(6, 0), KAV_SetZoom(7, 0);
    realLog = std::exchange(textwin::hooks().log, [&](int, std::string_view bytes) {
      std::lock_guard lock(mutex);
      printed += bytes;
    });
  });
  const auto command = [](int cmd) { windowTable().post(Message{kav_image[5].window, Msg::Command, cmd, 0, 0, {}}); };
  // Types once the question is printed after the previous one and its input waits.
  std::size_t seen = 0;
  const auto answer = [&](const std::string& question, std::u16string_view typed) {
    ASSERT_TRUE(pumpFor([&] {
      std::lock_guard lock(mutex);
      const std::size_t at = printed.find(question, seen);
      return at != std::string::npos && textwin::waitingMark() == 1 && (seen = at + question.size(), true);
    })) << question;
    for (char16_t u : typed)
      windowTable().post(Message{textwin::handleOf(0), u == u'\r' ? Msg::KeyDown : Msg::Char, u, 0, 0, {}});
  };

  std::atomic<int> read{-1};
  char line[256] = {};
  shell().workerPump().queue().postCall([&] {
    KAV_OpenTextWindow(0, -1, -1, -1, -1);
    KAV_Printf("app>");
    read = KAV_ReadLine(line);
  });
  answer("app>", u"");
  command(imgcmd::ResizePrompt);
  answer("[5] A line input is waiting", u"7\r");
  ASSERT_TRUE(pumpFor([&] { return read.load() == 0; }));
  EXPECT_STREQ(line, "7");

  command(imgcmd::ZoomPrompt);
  answer("[5] Zoom(%)=", u"abc\r");
  EXPECT_TRUE(pumpFor([&] { return widgetOf(5)->size() == widgetOf(6)->size(); }));
  command(imgcmd::ZoomPrompt);
  answer("[5] Zoom(%)=", u"");
  onWorker([] { KAV_DestroyImage(5), KAV_CreateImage(5, "p", 0, 0, 320, 240, 100); });
  answer("", u"200\r");
  ASSERT_TRUE(pumpFor([] { return textwin::waitingMark() == 0; }));
  command(imgcmd::ResizePrompt);
  answer("[5] New x-size(pixel)=", u"");
  onWorker([] { EXPECT_EQ(kav_image[5].zoom, 100); });
  answer("", u" 0\r");
  answer("[5] New y-size(pixel)=", u"0\r");
  EXPECT_TRUE(pumpFor([&] { return widgetOf(5)->size() == widgetOf(7)->size(); }));
  command(imgcmd::ResizePrompt);
  answer("[5] New x-size(pixel)=", u"99999999999\r");
  answer("[5] New y-size(pixel)=", u"100000\r");
  EXPECT_TRUE(pumpFor([&] {
    std::lock_guard lock(mutex);
    return printed.find("[5] Cannot resize to 2147483647 x 100000") != std::string::npos;
  }));
  onWorker([] { EXPECT_TRUE(kav_image[5].width == 1 && kav_image[5].height == 1); });

  // Draw Text: a click, then the line typed after "Text>", standing on the clicked row.
  int z = 0;
  onWorker([&] { z = kav_image[6].zoom; });
  windowTable().post(Message{kav_image[6].window, Msg::Command, imgcmd::DrawText, 0, 0, {}});
  const std::int64_t at = packXY((40 * z + 99) / 100, (30 * z + 99) / 100);
  windowTable().post(Message{kav_image[6].window, Msg::LButtonDown, mouse::Left, at, 0, {}});
  answer("Text>", u"HH\r");
  ASSERT_TRUE(pumpFor([] { return textwin::waitingMark() == 0; }));
  onWorker([&] {
    int lit = 0, elsewhere = 0;
    for (int i = 0; i < 320 * 240; ++i)
      if (KAV_ImagePixels[6][i] != 0) (i / 320 <= 30 && i / 320 > 15 && i % 320 >= 40 ? lit : elsewhere)++;
    EXPECT_TRUE(lit > 10 && elsewhere == 0) << lit << " " << elsewhere;
    textwin::hooks().log = realLog;
  });
}

// While a pick runs, Esc, C and the Ctrl shortcuts do nothing in image
// windows, text windows and the main window (whose keys this thread handles).
TEST_F(ImageWindowTest, APickHoldsBackTheKeysOfEveryWindow) {
  startFramework();
  onWorker([] {
    ASSERT_EQ(KAV_CreateImage(3, "pick", 0, 0, 200, 100, 100), 0);
    KAV_OpenTextWindow(0, 0, 0, 200, 200);
  });
  std::atomic<int> result{-1};
  shell().workerPump().queue().postCall([&] { result = KAV_PickPoint(3, nullptr, nullptr); });
  ASSERT_TRUE(pumpFor([] { return picks::active(); }));
  for (Hwnd h : {kav_image[3].window, textwin::handleOf(0), shell().mainWindow()})
    for (auto [k, m] : {std::pair<int, std::uint32_t>{key::Escape, 0}, {'C', 0}, {'Q', mods::Ctrl}})
      windowTable().post(Message{h, Msg::KeyDown, k, 0, m, {}});
  shell().guiPump()->dispatchPending();
  windowTable().post(Message{kav_image[3].window, Msg::LButtonDown, mouse::Left, 0, 0, {}});
  ASSERT_TRUE(pumpFor([&] { return result.load() == 0; }));
  shell().guiPump()->dispatchPending();  // what the text window passed on to the main window
  EXPECT_TRUE(kav_exit.load() == 0 && kav_stop.load() == 0 && kav_image[3].inUse && textwin::isOpen(0));
}

}  // namespace
}  // namespace rozoru
