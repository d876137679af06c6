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

#include "image/pick_commands.h"
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

// The prompts read text window 0 on the worker while it keeps dispatching.
TEST_F(ImageWindowTest, ZoomAndResizePromptsReadTextWindowZero) {
  startFramework();
  std::mutex mutex;
  std::string printed;
  const auto hasPrinted = [&](const std::string& text) {
    std::lock_guard lock(mutex);
    return printed.find(text) != std::string::npos;
  };
  std::function<void(int, std::string_view)> realLog;
  onWorker([&] {
    // 6 and 7 show what the smallest-window zoom makes of 320x240 and of 1x1.
    ASSERT_EQ(KAV_CreateImage(5, "p", 0, 0, 320, 240, 100), 0);
    ASSERT_EQ(KAV_CreateImage(6, "q", 0, 0, 320, 240, 100), 0);
    ASSERT_EQ(KAV_CreateImage(7, "r", 0, 0, 1, 1, 100), 0);
    KAV_SetZoom(6, 0);
    KAV_SetZoom(7, 0);
    realLog = textwin::hooks().log;
    textwin::hooks().log = [&](int, std::string_view bytes) {
      std::lock_guard lock(mutex);
      printed += bytes;
    };
  });
  const auto type = [](std::u16string_view typed) {
    for (char16_t u : typed)
      windowTable().post(Message{textwin::handleOf(0), u == u'\r' ? Msg::KeyDown : Msg::Char, u, 0, 0, {}});
  };
  // Waits for the question, printed after the previous one, and for the input it asks.
  std::size_t seen = 0;
  const auto answer = [&](const std::string& question, std::u16string_view typed) {
    ASSERT_TRUE(pumpFor([&] {
      std::lock_guard lock(mutex);
      const std::size_t at = printed.find(question, seen);
      if (at == std::string::npos || textwin::waitingMark() != 1) return false;
      seen = at + question.size();
      return true;
    })) << question;
    type(typed);
  };

  Hwnd window = kav_image[5].window;
  // While the application reads a line, a prompt would take it: refused.
  std::atomic<int> read{-1};
  char line[256] = {};
  shell().workerPump().queue().postCall([&] {
    KAV_OpenTextWindow(0, -1, -1, -1, -1);
    read = KAV_ReadLine(line);
  });
  ASSERT_TRUE(pumpFor([] { return textwin::waitingMark() == 1; }));
  windowTable().post(Message{window, Msg::Command, imgcmd::ResizePrompt, 0, 0, {}});
  answer("[5] A line input is waiting", u"7\r");
  ASSERT_TRUE(pumpFor([&] { return read.load() == 0; }));
  EXPECT_STREQ(line, "7");

  const QSize before = widgetOf(5)->size();
  windowTable().post(Message{window, Msg::Command, imgcmd::ZoomPrompt, 0, 0, {}});
  answer("[5] Zoom(%)=", u"abc\r");  // no digit: zoom 0, the smallest window
  EXPECT_TRUE(pumpFor([&] { return widgetOf(5)->size() != before; }));
  onWorker([] { EXPECT_EQ(kav_image[5].zoom, kav_image[6].zoom); });

  // An answer for an image made anew meanwhile in the same slot is dropped.
  windowTable().post(Message{window, Msg::Command, imgcmd::ZoomPrompt, 0, 0, {}});
  answer("[5] Zoom(%)=", u"");
  onWorker([] { KAV_DestroyImage(5), KAV_CreateImage(5, "p", 0, 0, 320, 240, 100); });
  window = kav_image[5].window;
  type(u"200\r");
  ASSERT_TRUE(pumpFor([] { return textwin::waitingMark() == 0; }));
  windowTable().post(Message{window, Msg::Command, imgcmd::ResizePrompt, 0, 0, {}});
  answer("[5] New x-size(pixel)=", u"");
  onWorker([] { EXPECT_EQ(kav_image[5].zoom, 100); });
  type(u" 0\r");
  answer("[5] New y-size(pixel)=", u"0\r");
  EXPECT_TRUE(pumpFor([&] { return widgetOf(5)->size() == widgetOf(7)->size(); }));
  onWorker([] {
    EXPECT_TRUE(kav_image[5].width == 1 && kav_image[5].height == 1 && kav_image[5].zoom == kav_image[7].zoom);
  });

  // A size that cannot be made says so, and the image stays as it was.
  windowTable().post(Message{window, Msg::Command, imgcmd::ResizePrompt, 0, 0, {}});
  answer("[5] New x-size(pixel)=", u"99999999999\r");  // clamped, not overflowed
  answer("[5] New y-size(pixel)=", u"100000\r");
  EXPECT_TRUE(pumpFor([&] { return hasPrinted("[5] Cannot resize to 2147483647 x 100000"); }));
  onWorker([&] { EXPECT_TRUE(kav_image[5].width == 1 && kav_image[5].height == 1); });

  // Draw Text: a click, then the line typed after "Text>", drawn standing on the clicked row.
  int z = 0;
  onWorker([&] { z = kav_image[6].zoom; });
  windowTable().post(Message{kav_image[6].window, Msg::Command, imgcmd::DrawText, 0, 0, {}});
  windowTable().post(
      Message{kav_image[6].window, Msg::LButtonDown, mouse::Left, packXY((40 * z + 99) / 100, (30 * z + 99) / 100), 0, {}});
  answer("Text>", u"HH\r");
  ASSERT_TRUE(pumpFor([] { return textwin::waitingMark() == 0; }));
  onWorker([&] {
    int lit = 0, below = 0;
    for (int y = 0; y < 240; ++y)
      for (int x = 0; x < 320; ++x)
        if (KAV_ImagePixels[6][y * 320 + x] != 0) (y <= 30 && y > 15 && x >= 40 ? lit : below)++;
    EXPECT_GT(lit, 10);
    EXPECT_EQ(below, 0);
    textwin::hooks().log = realLog;
  });
}

}  // namespace
}  // namespace rozoru
