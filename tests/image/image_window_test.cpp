// Image windows on Qt's offscreen platform: what a repaint puts on screen,
// the window's size, and the close box.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QImage>
#include <QWidget>
#include <QWindow>

#include "shell/core/windows.h"
#include "tests/shell/framework_fixture.h"

namespace rozoru {
namespace {

using test::pumpFor;

class ImageWindowTest : public test::FrameworkFixture {
 protected:
  QWidget* widgetOf(int id) { return fw_->windowSystem().widget(kav_image[id].window); }
  // What the window shows, as the GUI paints it.
  QImage shown(int id) { return widgetOf(id)->grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

TEST_F(ImageWindowTest, ARepaintOrAnExposeShowsThePixelsAndZoomSizesTheWindow) {
  startFramework();
  onWorker([] {
    ASSERT_EQ(KAV_CreateImage(0, "Right", 0, 0, 320, 240, 100), 0);
    ASSERT_EQ(KAV_CreateImage(1, "Left", 320, 0, 320, 240, 50), 0);
    for (int id : {0, 1})
      for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) KAV_ImagePixels[id][y * 320 + x] = static_cast<Pixel32>((x << 16) | (y << 8) | 7);
    KAV_UpdateImage(0);
    KAV_UpdateImage(1);
  });
  ASSERT_NE(widgetOf(0), nullptr);
  EXPECT_EQ(widgetOf(1)->size(), QSize(160, 120));
  ASSERT_TRUE(pumpFor([&] { return (shown(0).pixel(319, 239) & 0xFFFFFF) == ((319u & 0xFF) << 16 | 239u << 8 | 7u); }));
  EXPECT_EQ(shown(0).pixel(5, 9) & 0xFFFFFF, (5u << 16) | (9u << 8) | 7u);
  // At 50 % every other pixel is dropped.
  ASSERT_TRUE(pumpFor([&] { return (shown(1).pixel(10, 20) & 0xFFFFFF) == ((20u << 16) | (40u << 8) | 7u); }));
  onWorker([] {
    ASSERT_EQ(KAV_CreateImage(3, "e", 0, 0, 200, 100, 100), 0);
    // Pixels written without asking for a repaint...
    for (int i = 0; i < 200 * 100; ++i) KAV_ImagePixels[3][i] = 0x00FF8000;
  });
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

TEST_F(ImageWindowTest, CreateRequestsFromTheGui) {
  startFramework();
  Request r;
  r.code = req::CreateImage, r.index = 5, r.name = "005", r.width = 120, r.height = 40;
  EXPECT_EQ(shell().sendRequest(r), 0);
  EXPECT_EQ(widgetOf(5)->windowTitle(), "005(100%)");
  EXPECT_EQ(shell().sendRequest(r), 1);
}

}  // namespace
}  // namespace rozoru
