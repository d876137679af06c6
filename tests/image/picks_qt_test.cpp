// A pick on the real worker with Qt's offscreen windows: mouse and key events
// on the widgets travel as messages to the worker, the XOR band is seen on
// screen following the mouse, and the keys that would stop or end the
// program are held back in every kind of window while the pick runs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <atomic>

#include "image/picks.h"
#include "shell/core/windows.h"
#include "tests/shell/framework_fixture.h"

namespace rozoru {
namespace {

using test::pumpFor;

class PickQtTest : public test::FrameworkFixture {
 protected:
  QWidget* widget(Hwnd h) { return fw_->windowSystem().widget(h); }
  QRgb shownAt(int x, int y) {
    return widget(kav_image[3].window)->grab().toImage().convertToFormat(QImage::Format_RGB32).pixel(x, y) & 0xFFFFFF;
  }
  void mouse(QEvent::Type type, Qt::MouseButton button, int x, int y) {
    QMouseEvent e(type, QPointF(x, y), QPointF(x, y), button, type == QEvent::MouseMove ? Qt::NoButton : button,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(widget(kav_image[3].window), &e);
  }
  void key(Hwnd h, int k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent e(QEvent::KeyPress, k, mods);
    QCoreApplication::sendEvent(widget(h), &e);
  }
};

TEST_F(PickQtTest, ARectangleByMouseWithKeysHeldBack) {
  startFramework();
  onWorker([] {
    ASSERT_EQ(KAV_CreateImage(3, "pick", 0, 0, 200, 100, 100), 0);
    KAV_OpenTextWindow(0, 0, 200, 200, 100);
  });
  ASSERT_EQ(kav_image[3].zoom, 100);
  std::atomic<int> result{-1};
  std::atomic<int> corners[4] = {};
  shell().workerPump().queue().postCall([&] {
    int x1, y1, x2, y2;
    const int r = KAV_PickRect(3, &x1, &y1, &x2, &y2);
    corners[0] = x1, corners[1] = y1, corners[2] = x2, corners[3] = y2;
    result = r;
  });
  ASSERT_TRUE(pumpFor([] { return picks::active(); }));

  mouse(QEvent::MouseButtonPress, Qt::LeftButton, 150, 80);
  mouse(QEvent::MouseMove, Qt::NoButton, 40, 20);
  // The band runs from the first point to the mouse: XOR on black is white.
  EXPECT_TRUE(pumpFor([&] { return shownAt(40, 50) == 0xFFFFFFu && shownAt(150, 50) == 0xFFFFFFu; }));
  // Exit (Esc), Stop (C) and the Ctrl shortcuts are held back everywhere.
  for (Hwnd h : {kav_image[3].window, textwin::handleOf(0), shell().mainWindow()}) {
    key(h, Qt::Key_Escape);
    key(h, Qt::Key_C);
    key(h, Qt::Key_Q, Qt::ControlModifier);
  }
  key(kav_image[3].window, Qt::Key_Tab);
  // The main window's keys are the GUI thread's: handled before the pick can end.
  shell().guiPump()->dispatchPending();
  mouse(QEvent::MouseButtonPress, Qt::LeftButton, 40, 20);
  ASSERT_TRUE(pumpFor([&] { return result.load() >= 0; }));
  EXPECT_EQ(result.load(), 0);
  EXPECT_TRUE(corners[0] == 40 && corners[1] == 20 && corners[2] == 150 && corners[3] == 80);
  EXPECT_TRUE(kav_exit.load() == 0 && kav_stop.load() == 0 && kav_image[3].inUse == 1 && textwin::isOpen(0)) << kav_exit.load() << kav_stop.load() << kav_image[3].inUse << textwin::isOpen(0);
  onWorker([] { KAV_UpdateImage(3); });
  EXPECT_TRUE(pumpFor([&] { return shownAt(40, 50) == 0 && shownAt(150, 50) == 0; }));  // no trace
  EXPECT_EQ(KAV_GetStretchMode(3), 3);
}

}  // namespace
}  // namespace rozoru
