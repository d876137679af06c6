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
#include <tuple>

#include "camera/library.h"
#include "camera/qt/property_page.h"
#include "camera/simulated_node.h"
#include "ryk/ryk.h"
#include "ryk/synthetic.h"
#include "tests/shell/framework_fixture.h"

namespace ryk {
namespace {

template <class W>
W* control(QWidget* page, std::uint32_t id) {
  return page->findChild<W*>(QStringLiteral("control-%1").arg(id));
}

TEST(PropertyPage, GeneratedFromTheControlsAndRefreshedAfterEachChange) {
  auto sim = std::make_shared<SimulatedNode>();
  qt::PropertyPage page("Video Capture 0", std::make_shared<CameraControls>(sim));
  auto* exposure = control<QSlider>(&page, V4L2_CID_EXPOSURE_ABSOLUTE);
  auto* mode = control<QComboBox>(&page, V4L2_CID_EXPOSURE_AUTO);
  auto* awb = control<QCheckBox>(&page, V4L2_CID_AUTO_WHITE_BALANCE);
  auto* kelvin = control<QSlider>(&page, V4L2_CID_WHITE_BALANCE_TEMPERATURE);
  ASSERT_TRUE(exposure && mode && awb && kelvin);
  EXPECT_EQ(mode->count(), 2);  // the menu's gaps are left out
  // Automatic modes grey out the values they own.
  EXPECT_FALSE(exposure->isEnabled());
  EXPECT_FALSE(kelvin->isEnabled());

  mode->setCurrentIndex(mode->findText("Manual Mode"));
  emit mode->activated(mode->currentIndex());
  EXPECT_EQ(sim->value(V4L2_CID_EXPOSURE_AUTO), V4L2_EXPOSURE_MANUAL);
  EXPECT_TRUE(exposure->isEnabled());
  awb->click();
  EXPECT_EQ(sim->value(V4L2_CID_AUTO_WHITE_BALANCE), 0);
  EXPECT_TRUE(kelvin->isEnabled());

  // A slider writes when let go; the camera's step rounding shows at once.
  auto* focus = control<QSlider>(&page, V4L2_CID_FOCUS_ABSOLUTE);
  ASSERT_NE(focus, nullptr);
  control<QCheckBox>(&page, V4L2_CID_FOCUS_AUTO)->click();
  focus->setValue(42);
  emit focus->sliderReleased();
  EXPECT_EQ(sim->value(V4L2_CID_FOCUS_ABSOLUTE), 40);
  EXPECT_EQ(focus->value(), 40);

  // A refused change is reported and the widget shows the camera's value again.
  sim->failSet(V4L2_CID_GAIN, EIO);
  auto* gain = control<QSlider>(&page, V4L2_CID_GAIN);
  ASSERT_NE(gain, nullptr);
  gain->setValue(77);
  emit gain->sliderReleased();
  EXPECT_EQ(gain->value(), 0);
  EXPECT_TRUE(page.findChild<QLabel*>("message")->text().startsWith("Gain: "));
}

using CameraFrameworkTest = rozoru::test::FrameworkFixture;

TEST_F(CameraFrameworkTest, ThePageRunsOnTheGuiThreadWhileTheWorkerWaits) {
  qt::installPropertyPage();
  std::atomic<int> opened{-1}, shown{-1}, closed{-1};
  rozoru::test::hooks().init = [&] {
    useSyntheticCameras(2);
    opened = ryk_Open(30.0);
    shown = ryk_ShowPropertyPage(1);  // blocks the worker until the page is closed
    closed = ryk_Close();
  };
  // The page runs its own modal loop inside the GUI thread's dispatch, so
  // it is inspected and closed from a timer running in that loop.
  QString title;
  std::uint64_t framesAtShow = 0;
  bool streamedMeanwhile = false;
  QTimer timer;
  timer.setInterval(20);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    auto* page = dynamic_cast<qt::PropertyPage*>(QApplication::activeModalWidget());
    if (!page) return;
    if (title.isEmpty()) {
      title = page->windowTitle();
      framesAtShow = detail::framesDelivered(0);
      EXPECT_EQ(shown.load(), -1);  // the worker is still inside ryk_ShowPropertyPage
    } else if (detail::framesDelivered(0) >= framesAtShow + 3) {
      streamedMeanwhile = true;  // the cameras keep streaming while the page is open
      page->reject();
    }
  });
  timer.start();
  startFramework();  // returns once the page has been closed
  timer.stop();
  setPropertyPageHandler(nullptr);
  useRealCameras();
  EXPECT_EQ(title, "Video Capture 1");
  EXPECT_TRUE(streamedMeanwhile);
  EXPECT_EQ(std::tuple(opened.load(), shown.load(), closed.load()), std::tuple(0, 0, 0));  // open, page, close
}

}  // namespace
}  // namespace ryk
