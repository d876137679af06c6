// A test fixture that starts the framework in-process on Qt's offscreen
// platform, with a private instance-lock directory. The test thread is the
// GUI thread.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QMenuBar>
#include <QTest>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>

#include "boxes/boxes.h"
#include "image/slots.h"
#include "textwin/textwin.h"
#include "rozoru/kav.h"
#include "shell/core/shell.h"
#include "shell/qt/framework.h"
#include "tests/shell/test_hooks.h"

namespace rozoru::test {

class FrameworkFixture : public ::testing::Test {
 public:
  void SetUp() override {
    resetShell();
    hooks() = {};
    textwin::reset();
    char tmpl[] = "/tmp/rozoru-fw-test-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    lockDir_ = tmpl;
  }

  void TearDown() override {
    if (shell().workerStarted() && !shell().workerFinished()) {
      onWorker([] { boxes::reset(); });  // the boxes belong to the worker
      kav_stop = 1;
      shell().exitSequence();
    }
    textwin::reset();
    releaseAllImages();
    // Repaints queued by the last presents run while their window system lives.
    QCoreApplication::processEvents();
    fw_.reset();
    resetShell();
    std::filesystem::remove_all(lockDir_);
  }

  // Starts the framework and waits until KAV_Init has run.
  void startFramework(bool animate = false) {
    fw_ = std::make_unique<Framework>(StartOptions{animate, lockDir_});
    ASSERT_TRUE(startAndWaitForInit([this] { ASSERT_EQ(fw_->start(), 0); }));
  }

  QWidget* main() const { return fw_->mainWidget(); }
  QAction* menuAction(const QString& text) const {
    for (QAction* a : main()->findChild<QMenuBar*>()->actions())
      if (a->text() == text) return a;
    return nullptr;
  }

  // A click on a main window menu item, through the native window; the shown
  // dialog of type D (one with an owner is no application modal widget).
  void clickMenu(const QString& text) const {
    auto* bar = main()->findChild<QMenuBar*>();
    QTest::mouseClick(main()->windowHandle(), Qt::LeftButton, {}, bar->actionGeometry(menuAction(text)).center());
  }
  template <class D>
  static D* shownDialog() {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* d = qobject_cast<D*>(w); d && d->isVisible()) return d;
    return nullptr;
  }

  // Runs f on the worker thread and waits for it (the worker must be idle).
  void onWorker(const std::function<void()>& f) { ASSERT_TRUE(runOnWorker(f)); }

  std::string lockDir_;
  std::unique_ptr<Framework> fw_;
};

}  // namespace rozoru::test
