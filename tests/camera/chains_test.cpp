// Independent camera chains on test cameras found through the device
// monitor: a camera without bus bandwidth falls back to a lighter mode beside
// a working one, an unplugged camera comes back when plugged into its port
// again, and a two-sensor device is the stereo pair.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <vector>

#include "camera/library.h"
#include "ryk/ryk.h"
#include "ryk/synthetic.h"
#include "tests/camera/provider/test_provider.h"

namespace ryk {
namespace {

using namespace std::chrono_literals;

constexpr const char* kFirst = "usb-0000:00:14.0-1";
constexpr const char* kSecond = "usb-0000:00:14.0-2";

class ChainsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::registerTestProvider()) GTEST_SKIP() << "GStreamer does not start";
    if (test::testCameraFiles().empty()) GTEST_SKIP() << "no recorded camera modes in " << test::testCamerasDir();
    useRealCameras();
    detail::setFirstFrameLimit(3000ms);
    detail::setWatchdogLimit(1000ms);
  }
  void TearDown() override {
    ryk_Close();
    ryk_SelectCameras(nullptr);
    test::clearTestCameras();
  }
  static void add(const std::string& file, const std::string& port, test::TestFailure failure = {}) {
    std::string error;
    ASSERT_TRUE(test::addTestCamera({file, port, "", "smpte", failure}, &error)) << error;
  }
  static bool frames(int k, int n) {
    for (int i = 0; i < n; ++i)
      if (!ryk_WaitFrame(k, ryk_frameTime[k], 3000)) return false;
    return true;
  }
  // "blue", "red" or "mixed": the channel of camera k's next frame well above the others.
  static std::string colourOf(int k) {
    std::vector<std::uint8_t> px(RYK_FRAME_BYTES);
    std::array<double, 3> m{};
    if (!frames(k, 1) || ryk_CopyFrame(k, px.data(), RYK_FRAME_BYTES) != RYK_FRAME_BYTES) return "none";
    for (std::size_t i = 0; i < px.size(); i += 4)
      for (std::size_t c = 0; c < 3; ++c) m[c] += px[i + c] / double(RYK_WIDTH * RYK_HEIGHT);
    if (m[0] > 100 && m[0] > 2 * m[2]) return "blue";
    if (m[2] > 100 && m[2] > 2 * m[0]) return "red";
    return "mixed";
  }
};

// Every recorded camera whose raw modes find no space on its bus, beside a
// working camera: the mode it ends on, or failed when nothing lighter is
// offered; the working camera streams throughout.
TEST_F(ChainsTest, NoSpaceOnTheBusTakesALighterModeAndLeavesTheOtherCameraAlone) {
  const std::map<std::string, std::string> endsOn = {
      {"dual-lens-side-by-side", "MJPEG 640x240 at 30 fps"},
      {"hd-16x9-only", "MJPEG 640x360 at 30 fps, centre 480x360"},  // MJPEG from the start
      {"libcamera-ranges", "MJPEG 320x240 at 30 fps"},
      {"module-camera-mjpeg", "MJPEG 320x240 at 30 fps"},
      {"mono-grey", "failed"},  // raw only, nothing slower than 30 fps
      {"slow-small-raw", "MJPEG 640x480 at 30 fps"},
      {"webcam-1080p-uvc", "MJPEG 320x240 at 30 fps"},
      {"webcam-720p-uvc", "MJPEG 320x240 at 30 fps"},
  };
  test::TestFailure noSpace;
  noSpace.noSpace = true;
  for (const std::string& file : test::testCameraFiles()) {
    const std::string stem = file.substr(file.rfind('/') + 1, file.rfind('.') - file.rfind('/') - 1);
    SCOPED_TRACE(stem);
    add("webcam-720p-uvc.caps", kFirst);
    add(file, kSecond, noSpace);
    ASSERT_EQ(ryk_SelectCameras((std::string(kFirst) + "," + kSecond).c_str()), 0);
    ASSERT_EQ(ryk_Open(30.0), 0);
    EXPECT_EQ(ryk_CameraState(1) == RYK_CAMERA_FAILED ? "failed" : detail::modeOf(1), endsOn.at(stem));
    if (ryk_CameraState(1) == RYK_CAMERA_FAILED)
      EXPECT_NE(ryk_CameraError(1).find("too many cameras on one USB bus"), std::string::npos) << ryk_CameraError(1);
    else
      EXPECT_TRUE(frames(1, 2));
    EXPECT_TRUE(frames(0, 2));
    EXPECT_EQ(ryk_Close(), 0);
    test::clearTestCameras();
  }
}

// Unplugged, camera 1 fails while camera 0 streams on; plugged back into
// the same port it streams again through the same grabber.
TEST_F(ChainsTest, AnUnpluggedCameraComesBackWhenPluggedIntoItsPortAgain) {
  add("webcam-720p-uvc.caps", kFirst);
  add("module-camera-mjpeg.caps", kSecond);
  ASSERT_EQ(ryk_SelectCameras((std::string(kFirst) + "," + kSecond).c_str()), 0);
  ASSERT_EQ(ryk_Open(30.0), 0);
  ryk_SampleGrabberCB* const grabber = ryk_grabber[1];
  ASSERT_TRUE(frames(1, 2));
  ASSERT_TRUE(test::removeTestCamera(kSecond));
  bool failed = false;
  for (int i = 0; i < 90 && !failed; ++i) {
    ASSERT_TRUE(frames(0, 1));
    failed = ryk_CameraState(1) == RYK_CAMERA_FAILED;
  }
  ASSERT_TRUE(failed);
  ASSERT_TRUE(test::readdTestCamera(kSecond));
  EXPECT_TRUE(frames(1, 3));
  EXPECT_EQ(ryk_CameraState(1), RYK_CAMERA_STREAMING);
  EXPECT_EQ(ryk_grabber[1], grabber);
  EXPECT_EQ(ryk_CameraState(0), RYK_CAMERA_STREAMING);
}

// The two-sensor device alone: its right half (blue) is camera 0, the right
// eye; its left half (red) camera 1; both halves' frames carry one time.
TEST_F(ChainsTest, ATwoSensorDeviceIsThePairWithOneTime) {
  add("dual-lens-side-by-side.caps", "");
  ASSERT_EQ(ryk_Open(30.0), 0);
  ASSERT_EQ(ryk_count.load(), 2);
  EXPECT_EQ(colourOf(0), "blue");
  EXPECT_EQ(colourOf(1), "red");
  bool same = false;
  for (int i = 0; i < 10 && !same; ++i) {
    ASSERT_TRUE(frames(1, 1));
    double t0 = 0, t1 = 0;
    std::vector<std::uint8_t> px(RYK_FRAME_BYTES);
    ryk_CopyFrame(1, px.data(), RYK_FRAME_BYTES, &t1);
    ryk_CopyFrame(0, px.data(), RYK_FRAME_BYTES, &t0);
    same = t0 == t1;
  }
  EXPECT_TRUE(same);
}

}  // namespace
}  // namespace ryk
