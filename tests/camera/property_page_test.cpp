// The property page on Qt's offscreen platform: the dialog generated from a
// camera's controls, and ryk_ShowPropertyPage from the worker thread through
// the framework.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include <QTimer>
#include <atomic>
#include <filesystem>

#include "camera/library.h"
#include "camera/qt/property_page.h"
#include "rozoru/kav.h"
#include "ryk/ryk.h"
#include "ryk/synthetic.h"
#include "shell/core/shell.h"
#include "shell/qt/framework.h"
#include "tests/shell/test_hooks.h"

namespace ryk {
namespace {

using namespace std::chrono_literals;

template <class W>
W* control(QWidget* page, std::uint32_t id) {
  return page->findChild<W*>(QStringLiteral("control-%1").arg(id));
}

TEST(PropertyPage, GeneratedFromTheControlsAndRefreshedAfterEachChange) {
  auto sim = std::make_shared<SimulatedNode>();
  qt::PropertyPage page("Video Capture 0", std::make_shared<CameraControls>(sim));
  EXPECT_EQ(page.windowTitle(), "Video Capture 0");
  auto* exposure = control<QSlider>(&page, V4L2_CID_EXPOSURE_ABSOLUTE);
  auto* mode = control<QComboBox>(&page, V4L2_CID_EXPOSURE_AUTO);
  auto* awb = control<QCheckBox>(&page, V4L2_CID_AUTO_WHITE_BALANCE);
  auto* kelvin = control<QSlider>(&page, V4L2_CID_WHITE_BALANCE_TEMPERATURE);
  ASSERT_TRUE(exposure && mode && awb && kelvin);
  EXPECT_EQ(page.findChild<QWidget*>(QStringLiteral("control-%1").arg(V4L2_CID_USER_CLASS)), nullptr);
  EXPECT_EQ(exposure->minimum(), 3);
  EXPECT_EQ(exposure->maximum(), 2047);
  EXPECT_EQ(exposure->value(), SimulatedNode::kSceneExposure);
  EXPECT_EQ(mode->count(), 2);  // the menu's gaps are left out
  EXPECT_EQ(mode->currentText(), "Aperture Priority Mode");
  // Automatic modes grey out the values they own.
  EXPECT_FALSE(exposure->isEnabled());
  EXPECT_TRUE(awb->isChecked());
  EXPECT_FALSE(kelvin->isEnabled());

  mode->setCurrentIndex(mode->findText("Manual Mode"));
  emit mode->activated(mode->currentIndex());
  EXPECT_EQ(sim->value(V4L2_CID_EXPOSURE_AUTO), V4L2_EXPOSURE_MANUAL);
  EXPECT_TRUE(exposure->isEnabled());
  awb->click();
  EXPECT_EQ(sim->value(V4L2_CID_AUTO_WHITE_BALANCE), 0);
  EXPECT_TRUE(kelvin->isEnabled());

  // A slider writes when let go; the camera's step rounding shows at once.
  auto* focusAuto = control<QCheckBox>(&page, V4L2_CID_FOCUS_AUTO);
  auto* focus = control<QSlider>(&page, V4L2_CID_FOCUS_ABSOLUTE);
  ASSERT_TRUE(focusAuto && focus);
  focusAuto->click();
  focus->setValue(42);
  emit focus->sliderReleased();
  EXPECT_EQ(sim->value(V4L2_CID_FOCUS_ABSOLUTE), 40);
  EXPECT_EQ(focus->value(), 40);
  auto* label = page.findChild<QLabel*>(QStringLiteral("value-%1").arg(V4L2_CID_FOCUS_ABSOLUTE));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(), "40");

  // A refused change is reported and the widget shows the camera's value again.
  sim->failSet(V4L2_CID_GAIN, EIO);
  auto* gain = control<QSlider>(&page, V4L2_CID_GAIN);
  ASSERT_NE(gain, nullptr);
  gain->setValue(77);
  emit gain->sliderReleased();
  EXPECT_EQ(gain->value(), 0);
  EXPECT_TRUE(page.findChild<QLabel*>("message")->text().startsWith("Gain: "));
}

class CameraFrameworkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rozoru::resetShell();
    rozoru::test::hooks() = {};
    char tmpl[] = "/tmp/rozoru-cam-test-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    lockDir_ = tmpl;
  }
  void TearDown() override {
    if (rozoru::shell().workerStarted() && !rozoru::shell().workerFinished()) {
      kav_stop = 1;
      rozoru::shell().exitSequence();
    }
    fw_.reset();
    rozoru::resetShell();
    std::filesystem::remove_all(lockDir_);
    setPropertyPageHandler(nullptr);
  }
  std::string lockDir_;
  std::unique_ptr<rozoru::Framework> fw_;
};

TEST_F(CameraFrameworkTest, ThePageRunsOnTheGuiThreadWhileTheWorkerWaits) {
  qt::installPropertyPage();
  std::atomic<int> opened{-1}, shown{-1}, closed{-1};
  rozoru::test::hooks().init = [&] {
    useSyntheticCameras(2);
    opened = ryk_Open(30.0);
    shown = ryk_ShowPropertyPage(1);  // blocks the worker until the page is closed
    closed = ryk_Close();
  };
  fw_ = std::make_unique<rozoru::Framework>(rozoru::StartOptions{false, lockDir_});
  ASSERT_EQ(fw_->start(), 0);
  // The page runs its own modal loop inside the GUI thread's dispatch, so
  // it is inspected and closed from a timer running in that loop.
  QString title;
  std::uint64_t framesAtShow = 0;
  bool streamedMeanwhile = false;
  QTimer timer;
  timer.setInterval(20);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* page = dynamic_cast<qt::PropertyPage*>(w);
      if (!page || !page->isVisible()) continue;
      if (title.isEmpty()) {
        title = page->windowTitle();
        framesAtShow = detail::framesDelivered(0);
        EXPECT_EQ(shown.load(), -1);  // the worker is still inside ryk_ShowPropertyPage
      } else if (detail::framesDelivered(0) >= framesAtShow + 3) {
        streamedMeanwhile = true;  // the cameras keep streaming while the page is open
        page->reject();
      }
    }
  });
  timer.start();
  ASSERT_TRUE(rozoru::test::pumpFor([&] { return closed.load() != -1; }));
  timer.stop();
  EXPECT_EQ(opened.load(), 0);
  EXPECT_EQ(title, "Video Capture 1");
  EXPECT_TRUE(streamedMeanwhile);
  EXPECT_EQ(shown.load(), 0);
  EXPECT_EQ(closed.load(), 0);
  useRealCameras();
}

}  // namespace
}  // namespace ryk
