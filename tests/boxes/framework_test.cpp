// The boxes through Qt on the offscreen platform: real push buttons laid out
// and resized. Clicks and typing through a display are end-to-end tests.
#include <gtest/gtest.h>

#include <QPushButton>

#include "boxes/boxes.h"
#include "rozoru/kav.h"
#include "shell/core/shell.h"
#include "shell/qt/framework.h"
#include "tests/shell/framework_fixture.h"
#include "tests/shell/test_hooks.h"

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

TEST_F(BoxesFrameworkTest, ButtonsAreLaidOut) {
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

}  // namespace
}  // namespace rozoru
