// The boxes through Qt on the offscreen platform: real push buttons and
// edit fields, clicked and typed into, and their layout.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <atomic>
#include <filesystem>

#include "boxes/boxes.h"
#include "rozoru/kav.h"
#include "shell/core/shell.h"
#include "shell/qt/framework.h"
#include "tests/shell/framework_fixture.h"
#include "tests/shell/test_hooks.h"
#include "textwin/textwin.h"

namespace rozoru {
namespace {

using test::hooks;
using test::pumpFor;
namespace bx = boxes;

class BoxesFrameworkTest : public test::FrameworkFixture {
 protected:
  void start(std::function<void()> init) {
    hooks().init = std::move(init);
    startFramework();
  }

  QWidget* box(Hwnd h) { return fw_->windowSystem().widget(h); }
  template <class T>
  T* control(Hwnd h, int id) {
    QWidget* w = box(h);
    return w ? w->findChild<T*>(QStringLiteral("ctl%1").arg(id)) : nullptr;
  }
};

TEST_F(BoxesFrameworkTest, ButtonsAreLaidOutAndClicksCount) {
  start([] {
    KAV_OpenButtonBox(0, 270, 11, 4);
    KAV_SetButtonBoxTitle(3, "two\nlines");
  });
  const Hwnd h = bx::buttonBoxHandle();
  ASSERT_NE(h, 0u);
  QWidget* w = box(h);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->windowTitle(), "ButtonBox");
  EXPECT_EQ(w->size(), QSize(1126, 124));
  auto* b5 = control<QPushButton>(h, 5);
  ASSERT_NE(b5, nullptr);
  EXPECT_EQ(b5->text(), "5");
  EXPECT_EQ(b5->geometry(), QRect(514, 4, 98, 26));
  EXPECT_EQ(b5->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(control<QPushButton>(h, 3)->text(), "two\nlines");
  EXPECT_EQ(w->findChildren<QPushButton*>().size(), 44);

  for (int i = 0; i < 3; ++i) QTest::mouseClick(b5, Qt::LeftButton);
  // All three clicks are in the worker's queue before this call runs after them.
  int first = 0;
  ASSERT_TRUE(pumpFor([&] {
    onWorker([&] { first += KAV_GetButton(5); });
    return first >= 3;
  }));
  EXPECT_EQ(first, 3);
  int again = -1;
  onWorker([&] { again = KAV_GetButton(5); });
  EXPECT_EQ(again, 0);
}

TEST_F(BoxesFrameworkTest, ResizingTheWindowResizesTheButtons) {
  start([] { KAV_OpenButtonBox(0, 0, 11, 4); });
  const Hwnd h = bx::buttonBoxHandle();
  QWidget* w = box(h);
  w->resize(1200, 124);
  auto* b12 = control<QPushButton>(h, 12);
  ASSERT_TRUE(pumpFor([&] { return b12->width() == 104; }));
  EXPECT_EQ(b12->geometry(), QRect(112, 34, 104, 26));
}

TEST_F(BoxesFrameworkTest, TypedValuesAreStoredOnTabAndEnter) {
  start([] { KAV_OpenInputBox(10, 10, 3); });
  const Hwnd h = bx::inputBoxHandle();
  QWidget* w = box(h);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->size(), QSize(162, 86));
  EXPECT_EQ(control<QLabel>(h, bx::kTitleId + 1)->text(), "Item 1");
  auto* e0 = control<QLineEdit>(h, bx::kEditId);
  auto* e1 = control<QLineEdit>(h, bx::kEditId + 1);
  ASSERT_NE(e0, nullptr);
  ASSERT_NE(e1, nullptr);
  EXPECT_EQ(e1->geometry(), QRect(88, 32, 70, 24));
  QApplication::setActiveWindow(w);
  ASSERT_TRUE(pumpFor([&] { return e0->hasFocus(); }))
      << (QApplication::activeWindow() ? "active" : "none") << " "
      << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString() : "-");
  e0->selectAll();
  QTest::keyClicks(e0, "12");
  QTest::keyClick(e0, Qt::Key_Tab);
  ASSERT_TRUE(pumpFor([&] { return e1->hasFocus(); }));
  e1->selectAll();
  QTest::keyClicks(e1, "3.5");
  QTest::keyClick(e1, Qt::Key_Return);
  char v0[256] = {}, v1[256] = {};
  ASSERT_TRUE(pumpFor([&] {
    onWorker([&] {
      KAV_GetInputBoxText(0, v0, sizeof v0);
      KAV_GetInputBoxText(1, v1, sizeof v1);
    });
    return std::string(v0) == "12" && std::string(v1) == "3.5";
  })) << v0 << " / " << v1;
  // Shift+Tab goes back.
  ASSERT_TRUE(e1->hasFocus());
  QTest::keyClick(e1, Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_TRUE(pumpFor([&] { return e0->hasFocus(); }, std::chrono::seconds(2)))
      << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString() : "-");
}

}  // namespace
}  // namespace rozoru
