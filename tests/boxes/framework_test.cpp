// The boxes' frame menus through Qt on the offscreen platform. Layout, clicks
// and typing through a display are end-to-end tests; resizing is proven with
// the text windows through Qt and with the boxes' procedures.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <atomic>

#include "tests/shell/framework_fixture.h"

namespace rozoru {
namespace {

using test::hooks;
using test::pumpFor;
namespace bx = boxes;

class BoxesFrameworkTest : public test::FrameworkFixture {
 protected:
  QWidget* box(Hwnd h) { return fw_->windowSystem().widget(h); }
  template <class T>
  T* control(Hwnd h, int id) {
    return box(h)->findChild<T*>(QStringLiteral("ctl%1").arg(id));
  }
  // Expects a popup menu with these items, then chooses the first or closes it.
  static void expectMenu(const QStringList& want, bool choose) {
    QMenu* m = nullptr;
    ASSERT_TRUE(pumpFor([&] { return (m = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr; }));
    QStringList got;
    for (QAction* a : m->actions()) got << a->text();
    EXPECT_EQ(got.join(" | ").toStdString(), want.join(" | ").toStdString());
    if (choose && !got.isEmpty()) m->actions()[0]->trigger();
    m->close();
  }
};

TEST_F(BoxesFrameworkTest, FrameMenusOpenFromTheBackgroundAndTheMenuKeysButNotWhileALineIsTyped) {
  std::atomic<bool> lineRead{false};
  hooks().main = [&] {
    char line[256];
    KAV_ReadLine(line);
    lineRead = true;
  };
  hooks().init = [] {
    KAV_OpenTextWindow(0, 300, 0, 400, 300);
    KAV_CreateImage(0, "i", 0, 0, 100, 80, 100);
    KAV_OpenButtonBox(0, 200, 4, 2);
    KAV_OpenInputBox(0, 300, 3);
    kav_start = 1;
  };
  startFramework();
  const Hwnd bb = bx::buttonBoxHandle(), ib = bx::inputBoxHandle();
  ASSERT_TRUE(pumpFor([] { return textwin::waitingMark() == 1; }));
  // The worker handles these clicks before the Return that ends the line.
  QTest::mouseClick(fw_->windowSystem().widget(kav_image[0].window), Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
  QTest::mouseClick(box(bb), Qt::RightButton, Qt::NoModifier, QPoint(1, 1));
  QTest::keyClick(fw_->windowSystem().widget(textwin::handleOf(0)), Qt::Key_Return);
  ASSERT_TRUE(pumpFor([&] { return lineRead.load(); }));
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);

  // The margin around the buttons is the box's own background; a button
  // passes the right click on to the box for its Rename.
  QTest::mouseClick(box(bb), Qt::RightButton, Qt::NoModifier, QPoint(1, 1));
  expectMenu({"&Destroy\tCtrl+Q"}, false);
  QTest::mouseClick(control<QPushButton>(bb, 5), Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
  expectMenu({"Rename"}, false);
  EXPECT_EQ(bx::buttonBoxState().renameIndex, 5);
  QTest::keyClick(box(bb), Qt::Key_F10, Qt::ShiftModifier);
  expectMenu({"&Destroy\tCtrl+Q"}, true);
  // The menu key in a field opens the box's menu, not the field's.
  QTest::keyClick(control<QLineEdit>(ib, bx::kEditId + 1), Qt::Key_Menu);
  expectMenu({"Destroy"}, true);
  EXPECT_TRUE(pumpFor([] { return bx::buttonBoxHandle() == 0 && bx::inputBoxHandle() == 0; }));
}

}  // namespace
}  // namespace rozoru
