// The library on test cameras found through GStreamer's device monitor, as
// it finds USB cameras: each offers only the modes a real camera reports,
// sits at a USB port, and fails as a real one does.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <map>
#include <regex>
#include <vector>

#include "camera/library.h"
#include "ryk/ryk.h"
#include "ryk/synthetic.h"
#include "camera/test_cameras/test_provider.h"

namespace ryk {
namespace {

using namespace std::chrono_literals;

class ProviderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::registerTestProvider()) GTEST_SKIP() << "GStreamer does not start";
    if (test::testCameraFiles().empty()) GTEST_SKIP() << "no recorded camera modes in " << test::testCamerasDir();
    useRealCameras();
    detail::setFirstFrameLimit(3000ms);
  }
  void TearDown() override {
    ryk_Close();
    ryk_SelectCameras(nullptr);
    test::clearTestCameras();
  }
  static void add(const std::string& file, const std::string& port, const std::string& pattern = "smpte",
                  const std::string& name = "") {
    std::string error;
    ASSERT_TRUE(test::addTestCamera({file, port, name, pattern, {}}, &error)) << error;
  }
  // Mean blue, green and red of camera k's next frame.
  static std::array<double, 3> meanColour(int k) {
    std::vector<std::uint8_t> px(RYK_FRAME_BYTES);
    std::array<double, 3> mean{};
    const double t = ryk_frameTime[k];
    if (!ryk_WaitFrame(k, t, 3000) || ryk_CopyFrame(k, px.data(), RYK_FRAME_BYTES) != RYK_FRAME_BYTES) return mean;
    for (std::size_t i = 0; i < px.size(); i += 4)
      for (std::size_t c = 0; c < 3; ++c) mean[c] += px[i + c];
    for (double& m : mean) m /= RYK_WIDTH * RYK_HEIGHT;
    return mean;
  }
  // "blue", "green", "red" or "mixed": the channel well above the others.
  static std::string colourOf(int k) {
    const auto m = meanColour(k);
    for (std::size_t c = 0; c < 3; ++c)
      if (m[c] > 100 && m[c] > 2 * m[(c + 1) % 3] && m[c] > 2 * m[(c + 2) % 3])
        return std::array<const char*, 3>{"blue", "green", "red"}[c];
    return "mixed";
  }
};

// Each camera streams only modes it offers, so a chosen mode the camera does
// not offer exactly (a pixel aspect, a format, a rate it lacks) fails to
// negotiate here, as it would on that camera; and a mode left open would let
// the camera stream its own favourite instead of the one the library chose.
TEST_F(ProviderTest, EveryRecordedCameraStreams320x240) {
  int i = 0;
  for (const std::string& file : test::testCameraFiles()) {
    SCOPED_TRACE(file);
    const std::string port = "usb-0000:00:14.0-9." + std::to_string(++i);
    add(file, port);
    ASSERT_EQ(ryk_SelectCameras(port.c_str()), 0);
    ::testing::internal::CaptureStderr();
    const int opened = ryk_Open(30.0);
    const std::string said = ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(opened, 0) << said;
    // "mode MJPEG 640x360 at 30 fps": what the library chose is what streams.
    std::smatch chosen;
    ASSERT_TRUE(std::regex_search(said, chosen, std::regex(R"(mode (\S+) (\d+)x(\d+) at)"))) << said;
    const std::string streams = test::testCameraMode(port);
    EXPECT_TRUE(chosen[1] == "MJPEG" ? streams.starts_with("image/jpeg")
                                     : streams.find("format=(string)" + chosen[1].str() + ",") != std::string::npos)
        << said << " but the camera streams " << streams;
    EXPECT_NE(streams.find("width=(int)" + chosen[2].str() + ", height=(int)" + chosen[3].str() + ","),
              std::string::npos)
        << said << " but the camera streams " << streams;
    // The two-sensor device is a pair: its right half camera 0, its left half camera 1.
    EXPECT_EQ(ryk_count.load(), file.find("side-by-side") != std::string::npos ? 2 : 1);
    EXPECT_EQ(ryk_width[0], 320);
    EXPECT_EQ(ryk_height[0], 240);
    const auto m = meanColour(0);
    EXPECT_GT(m[0] + m[1] + m[2], 150.0) << "a black or missing picture";
    EXPECT_EQ(ryk_Close(), 0);
    test::clearTestCameras();
  }
}

// Camera 0 is the one at the lowest port, whatever order the cameras came
// in; a choice by port takes exactly those cameras, in the order given.
TEST_F(ProviderTest, PortOrderAndChoiceByPort) {
  const std::string file = "webcam-720p-uvc.caps", name = "Ordered Test Camera";
  add(file, "usb-0000:00:14.0-3", "blue", name);
  add(file, "usb-0000:00:14.0-1", "red", name);
  add(file, "usb-0000:00:14.0-2", "green", name);
  // By name, as several identical cameras are chosen: only these three,
  // whatever cameras the machine has.
  ASSERT_EQ(ryk_SelectCameras((name + "," + name + "," + name).c_str()), 0);
  ASSERT_EQ(ryk_Open(30.0), 0);
  ASSERT_EQ(ryk_count.load(), 3);
  EXPECT_EQ(colourOf(0), "red");
  EXPECT_EQ(colourOf(1), "green");
  EXPECT_EQ(colourOf(2), "blue");
  ASSERT_EQ(ryk_Close(), 0);

  // The by-path spelling of port 3 and the bus-info spelling of port 2.
  ASSERT_EQ(ryk_SelectCameras("pci-0000:00:14.0-usb-0:3:1.0-video-index0, usb-0000:00:14.0-2"), 0);
  ASSERT_EQ(ryk_Open(30.0), 0);
  ASSERT_EQ(ryk_count.load(), 2);
  EXPECT_EQ(colourOf(0), "blue");
  EXPECT_EQ(colourOf(1), "green");
}

// A busy camera is given up after three attempts while the other streams,
// and what stderr says names the camera, its port, the system's words and
// the hint.
TEST_F(ProviderTest, BusyCameraIsNamedWithItsPortAndHint) {
  add("webcam-720p-uvc.caps", "usb-0000:00:14.0-1");
  std::string error;
  test::TestFailure busy;
  busy.busy = true;
  ASSERT_TRUE(test::addTestCamera({"module-camera-mjpeg.caps", "usb-0000:00:14.0-2", "", "smpte", busy}, &error))
      << error;
  ASSERT_EQ(ryk_SelectCameras("usb-0000:00:14.0-1,usb-0000:00:14.0-2"), 0);
  ::testing::internal::CaptureStderr();
  const int code = ryk_Open(30.0);
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(code, 0);
  EXPECT_EQ(detail::lastOpenAttempts(), 3);
  EXPECT_EQ(ryk_count.load(), 2);
  EXPECT_EQ(ryk_CameraState(0), RYK_CAMERA_STREAMING);
  EXPECT_EQ(ryk_CameraState(1), RYK_CAMERA_FAILED) << said;
  EXPECT_NE(said.find("camera 1 failed: Test Camera (module-camera-mjpeg) at usb-0000:00:14.0-2: "), std::string::npos)
      << said;
  EXPECT_NE(said.find("(Device or resource busy); another program uses the camera"), std::string::npos) << said;
}

// Every recorded camera whose raw modes find no space on its bus, beside a
// working camera: the mode it ends on (MJPEG, else a lower rate), or failed
// when nothing lighter is offered; the working camera streams throughout.
TEST_F(ProviderTest, NoSpaceOnTheBusTakesALighterModeAndLeavesTheOtherCameraAlone) {
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
    const std::string stem = std::filesystem::path(file).stem().string();
    SCOPED_TRACE(stem);
    add("webcam-720p-uvc.caps", "usb-0000:00:14.0-1");
    ASSERT_TRUE(test::addTestCamera({file, "usb-0000:00:14.0-2", "", "smpte", noSpace}));
    ASSERT_EQ(ryk_SelectCameras("usb-0000:00:14.0-1,usb-0000:00:14.0-2"), 0);
    ASSERT_EQ(ryk_Open(30.0), 0);
    const bool failed = ryk_CameraState(1) == RYK_CAMERA_FAILED;
    EXPECT_EQ(failed ? "failed" : detail::modeOf(1), endsOn.at(stem));
    EXPECT_TRUE(failed ? ryk_CameraError(1).find("too many cameras on one USB bus") != std::string::npos
                       : ryk_WaitFrame(1, ryk_frameTime[1], 3000) == 1);
    EXPECT_EQ(ryk_WaitFrame(0, ryk_frameTime[0], 3000), 1);
    EXPECT_EQ(ryk_Close(), 0);
    test::clearTestCameras();
  }
}

// Unplugged, camera 1 fails while camera 0 streams on; plugged back into its
// port it streams again through the same grabber, on the same clock.
TEST_F(ProviderTest, AnUnpluggedCameraComesBackWhenPluggedIntoItsPortAgain) {
  add("webcam-720p-uvc.caps", "usb-0000:00:14.0-1");
  add("module-camera-mjpeg.caps", "usb-0000:00:14.0-2");
  ASSERT_EQ(ryk_SelectCameras("usb-0000:00:14.0-1,usb-0000:00:14.0-2"), 0);
  ASSERT_EQ(ryk_Open(30.0), 0);
  ryk_SampleGrabberCB* const grabber = ryk_grabber[1];
  ASSERT_TRUE(test::removeTestCamera("usb-0000:00:14.0-2"));
  bool failed = false;
  for (int i = 0; i < 90 && !failed; ++i) {
    ASSERT_EQ(ryk_WaitFrame(0, ryk_frameTime[0], 3000), 1);  // camera 0 paces the check
    failed = ryk_CameraState(1) == RYK_CAMERA_FAILED;
  }
  ASSERT_TRUE(failed);
  ASSERT_TRUE(test::readdTestCamera("usb-0000:00:14.0-2"));
  for (int i = 0; i < 3; ++i) ASSERT_EQ(ryk_WaitFrame(1, ryk_frameTime[1], 3000), 1);
  EXPECT_EQ(ryk_CameraState(1), RYK_CAMERA_STREAMING);
  EXPECT_EQ(ryk_grabber[1], grabber);
  ASSERT_EQ(ryk_WaitFrame(0, ryk_frameTime[0], 3000), 1);
  EXPECT_LT(std::abs(ryk_frameTime[0] - ryk_frameTime[1]), 0.2) << ryk_frameTime[0] << " " << ryk_frameTime[1];
}

// The two-sensor device alone: its right half (blue) is camera 0, the right
// eye; its left half (red) camera 1; both halves' frames carry one time.
TEST_F(ProviderTest, ATwoSensorDeviceIsThePairWithOneTime) {
  add("dual-lens-side-by-side.caps", "");
  ASSERT_EQ(ryk_Open(30.0), 0);
  ASSERT_EQ(ryk_count.load(), 2);
  EXPECT_EQ(colourOf(0), "blue");
  EXPECT_EQ(colourOf(1), "red");
  bool same = false;
  for (int i = 0; i < 10 && !same; ++i) {
    double t0 = 0, t1 = 0;
    std::vector<std::uint8_t> px(RYK_FRAME_BYTES);
    ASSERT_EQ(ryk_WaitFrame(1, ryk_frameTime[1], 3000), 1);
    ryk_CopyFrame(1, px.data(), RYK_FRAME_BYTES, &t1);
    ryk_CopyFrame(0, px.data(), RYK_FRAME_BYTES, &t0);
    same = t0 == t1;
  }
  EXPECT_TRUE(same);
}

}  // namespace
}  // namespace ryk
