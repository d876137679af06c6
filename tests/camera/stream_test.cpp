// The library with synthetic cameras streaming through GStreamer.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "camera/library.h"
#include "camera/source_hook.h"
#include "ryk/ryk.h"
#include "ryk/synthetic.h"
#include "tests/camera/stereo_match.h"
#include "tests/shell/test_hooks.h"

namespace ryk {
namespace {

using namespace std::chrono_literals;
using Cams = std::vector<SyntheticCamera>;

class StreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    detail::setFirstFrameLimit(3000ms);
    detail::setWatchdogLimit(1000ms);
  }
  void TearDown() override {
    ryk_Close();
    ryk_SelectCameras(nullptr);
    useRealCameras();
  }
  // Waits for camera k's next frames by blocking on them; false if none come.
  static bool frames(int k, int n) {
    double t = ryk_frameTime[k];
    for (int i = 0; i < n; ++i) {
      if (!ryk_WaitFrame(k, t, 2000)) return false;
      t = ryk_frameTime[k];
    }
    return true;
  }
  // A frame of camera k made after the last change.
  static test::Picture take(int k) {
    test::Picture p{RYK_WIDTH, RYK_HEIGHT, std::vector<std::uint8_t>(RYK_FRAME_BYTES)};
    EXPECT_TRUE(frames(k, 2));
    EXPECT_EQ(ryk_CopyFrame(k, p.px.data(), RYK_FRAME_BYTES), RYK_FRAME_BYTES);
    return p;
  }
  static double meanGreen(const test::Picture& p) {
    double s = 0;
    for (std::size_t i = 1; i < p.px.size(); i += 4) s += p.px[i];
    return s / (static_cast<double>(p.px.size()) / 4);
  }
};

TEST_F(StreamTest, TwoCamerasStreamTopDownAndCloseOnce) {
  useSyntheticCameras(2);
  ASSERT_EQ(ryk_Open(30.0), 0);
  EXPECT_EQ(ryk_ready.load(), 1);
  EXPECT_EQ(ryk_count.load(), 2);
  EXPECT_EQ(detail::lastOpenAttempts(), 1);
  ASSERT_TRUE(frames(1, 5));
  EXPECT_EQ(ryk_CameraState(1), RYK_CAMERA_STREAMING);
  // Colour bars on top: the first is light grey; the bottom band starts dark blue (BGRx).
  test::Picture bars = take(0);
  for (int c : {0, 1, 2}) EXPECT_GT(bars.at(10, 0, c), 150) << c;
  EXPECT_TRUE(bars.at(10, 239, 2) < 60 && bars.at(10, 239, 0) > bars.at(10, 239, 2));
  // Both cameras' times come from one clock: their latest frames are close.
  EXPECT_LT(std::abs(ryk_frameTime[0] - ryk_frameTime[1]), 0.5);

  EXPECT_EQ(ryk_Open(30.0), 1);  // already open: the running cameras go on
  EXPECT_TRUE(frames(0, 2));
  EXPECT_EQ(ryk_Close(), 0);
  EXPECT_EQ(ryk_ready.load(), 0);
  EXPECT_EQ(ryk_CameraState(0), RYK_CAMERA_STOPPED);
  EXPECT_EQ(ryk_CopyFrame(0, bars.px.data(), RYK_FRAME_BYTES), 0);
  EXPECT_EQ(ryk_Close(), 1);
}

TEST_F(StreamTest, PortOrderLimitAndTheUsersChoice) {
  Cams devices(10);
  devices[1].displayName = "@device:sw:Screen capture";
  devices[4].displayName = "@device:sw:Test source";
  devices[3].port = "usb-0000:00:14.0-10";
  devices[9].port = "usb-0000:00:14.0-2";
  ASSERT_EQ(ryk_UseSyntheticCameras(0), 0);
  useSyntheticCameras(devices);
  ASSERT_EQ(ryk_Open(30.0), 0);
  // By port (port 2 before port 10), software sources passed over, at most eight.
  ASSERT_EQ(ryk_count.load(), 8);
  EXPECT_EQ(deviceName(0), "@device:pnp:synthetic/9");
  EXPECT_EQ(deviceName(1), "@device:pnp:synthetic/3");
  EXPECT_EQ(deviceName(2), "@device:pnp:synthetic/0");
  EXPECT_EQ(deviceName(7), "@device:pnp:synthetic/8");
  EXPECT_EQ(ryk_UseSyntheticCameras(2), 1);  // not while open
  ASSERT_EQ(ryk_Close(), 0);
  // The user's pair, by name and by port, in the user's order.
  ASSERT_EQ(ryk_SelectCameras("synthetic camera 7, pci-0000:00:14.0-usb-0:2:1.0"), 0);
  ASSERT_EQ(ryk_Open(30.0), 0);
  ASSERT_EQ(ryk_count.load(), 2);
  EXPECT_EQ(deviceName(0), "@device:pnp:synthetic/7");
  EXPECT_EQ(deviceName(1), "@device:pnp:synthetic/9");
  ASSERT_EQ(ryk_Close(), 0);
  ASSERT_EQ(ryk_SelectCameras("/dev/video9"), 0);
  EXPECT_EQ(ryk_Open(30.0), 22);
  EXPECT_EQ(ryk_count.load(), 0);
  EXPECT_EQ(detail::lastOpenAttempts(), 1);
}

TEST_F(StreamTest, FailedStartsLeaveNothingBehindAndOnlyASlowFirstFrameIsRetried) {
  useSyntheticCameras(Cams{});
  EXPECT_EQ(ryk_Open(30.0), 5);
  useSyntheticCameras(Cams{{"@device:sw:a", 0, "smpte", 0}, {"@device:sw:b", 0, "smpte", 0}});
  EXPECT_EQ(ryk_Open(30.0), 8);
  EXPECT_EQ(detail::lastOpenAttempts(), 1);
  EXPECT_EQ(ryk_count.load(), 0);
  EXPECT_EQ(cameraControls(0), nullptr);
  EXPECT_EQ(ryk_Close(), 1);
  detail::setFirstFrameLimit(300ms);
  useSyntheticCameras(Cams{{"", 0, "smpte", 1}});
  EXPECT_EQ(ryk_Open(30.0), 0);
  EXPECT_EQ(detail::lastOpenAttempts(), 2);
  EXPECT_EQ(ryk_Close(), 0);
  useSyntheticCameras(Cams{{"", 0, "smpte", 10}});
  EXPECT_EQ(ryk_Open(30.0), 21);
  EXPECT_EQ(detail::lastOpenAttempts(), 3);
  EXPECT_EQ(ryk_ready.load(), 0);
}

// The first frame is given a minute: a start that ends within the test's
// deadline was ended by the close.
TEST_F(StreamTest, CloseFromAnotherThreadEndsAWaitingStart) {
  detail::setFirstFrameLimit(60s);
  useSyntheticCameras(Cams{{"", 0, "smpte", 10}});
  std::atomic<int> code{-1};
  std::atomic<pid_t> tid{0};
  std::thread opener([&] {
    tid = rozoru::test::threadId();
    code = ryk_Open(30.0);
  });
  // The start has built the camera and sleeps in its first-frame wait.
  ASSERT_TRUE(rozoru::test::pumpFor(
      [&] { return ryk_CameraState(0) == RYK_CAMERA_STARTING && rozoru::test::threadBlocked(tid); }, 30s));
  const int closed = ryk_Close();
  const bool ended = rozoru::test::pumpFor([&] { return code.load() != -1; }, 30s);
  opener.join();
  EXPECT_TRUE(ended);
  EXPECT_EQ(closed, 1);  // the start gave up, so nothing was open
  EXPECT_EQ(code.load(), 21);
  EXPECT_EQ(detail::lastOpenAttempts(), 1);
  EXPECT_EQ(ryk_ready.load(), 0);
}

TEST_F(StreamTest, PropertiesAndTheirCodes) {
  useSyntheticCameras(2);
  EXPECT_EQ(ryk_GetProperty(14, 0), -1.0);  // not open
  EXPECT_EQ(ryk_SetProperty(50, 14, 0), 1);
  ASSERT_EQ(ryk_Open(30.0), 0);
  EXPECT_EQ(ryk_SetProperty(50, 17, 0), 2);
  EXPECT_EQ(ryk_SetPropertyAuto(17, 0), 2);
  EXPECT_EQ(ryk_SetProperty(50, -1, 0), 2);  // an unsigned comparison
  EXPECT_EQ(ryk_GetProperty(17, 0), -1.0);
  EXPECT_EQ(ryk_SetProperty(50, 14, 2), 1);
  EXPECT_EQ(ryk_SetProperty(50, 14, -1), 1);
  EXPECT_EQ(ryk_available[0][12], 0);  // no roll on this camera
  // The controls' own codes and values pass through.
  EXPECT_EQ(ryk_SetProperty(50, 12, 0), 3);
  int automatic = -1;
  ASSERT_EQ(ryk_SetProperty(50, 14, 1), 0);
  EXPECT_DOUBLE_EQ(ryk_GetProperty(14, 1, &automatic), 50.0);
  EXPECT_EQ(automatic, 0);
  // Bad camera numbers are refused first; without a handler there is no page.
  EXPECT_EQ(ryk_ShowPropertyPage(5), 1);
  setPropertyPageHandler(nullptr);
  EXPECT_EQ(ryk_ShowPropertyPage(0), 2);
}

// The demo pair: a 3D scene seen by a right eye (camera 0) and a left eye
// (camera 1), with the controls still acting on the picture.
TEST_F(StreamTest, StereoDemoCamerasShowTheSceneInDepth) {
  ASSERT_EQ(ryk_UseStereoDemoCameras(), 0);
  ASSERT_EQ(ryk_Open(30.0), 0);
  EXPECT_EQ(ryk_UseStereoDemoCameras(), 1);  // not while open
  ASSERT_EQ(ryk_count.load(), 2);
  const test::Picture right = take(0), left = take(1);
  EXPECT_GT(meanGreen(right), 80.0);  // the scene, not the black pattern under it
  // The wall, 12 m away, is 3 pixels further right for the left eye: the
  // eyes are the right way round, and the picture is not shifted as well.
  const int wall = test::disparity(left, right, test::window(RYK_WIDTH, RYK_HEIGHT, 100, 215, 50, 70), -80, 80);
  EXPECT_TRUE(wall >= 2 && wall <= 4) << wall;
  ASSERT_EQ(ryk_SetProperty(0, 14, 0), 0);  // exposure still darkens the scene camera
  EXPECT_LT(meanGreen(take(0)), 10.0);
  EXPECT_GT(meanGreen(take(1)), 80.0);
}

TEST_F(StreamTest, AnUnpluggedCameraIsReportedAndTheOtherKeepsStreaming) {
  detail::setWatchdogLimit(300ms);
  useSyntheticCameras(3);
  ASSERT_EQ(ryk_Open(30.0), 0);
  ASSERT_TRUE(frames(1, 2) && frames(2, 2));
  ASSERT_TRUE(unplugSyntheticCamera(1, true));   // with an error, as USB does
  ASSERT_TRUE(unplugSyntheticCamera(2, false));  // just silence
  EXPECT_FALSE(unplugSyntheticCamera(7, true));
  // Camera 0 goes on; pace the check by its frames.
  bool failed = false, stalled = false;
  for (int i = 0; i < 90 && !(failed && stalled); ++i) {
    ASSERT_TRUE(frames(0, 1));
    failed = ryk_CameraState(1) == RYK_CAMERA_FAILED;
    stalled = ryk_CameraState(2) == RYK_CAMERA_STALLED;
  }
  EXPECT_TRUE(failed && stalled);
  // The error names the device and its port, GStreamer's reason and a hint.
  const std::string error = ryk_CameraError(1);
  for (const char* part : {"Synthetic Camera 1 at usb-synthetic-2: ", "unplugged", "plug it back in the same port"})
    EXPECT_NE(error.find(part), std::string::npos) << error;
  EXPECT_EQ(ryk_CameraState(0), RYK_CAMERA_STREAMING);
  EXPECT_FALSE(ryk_WaitFrame(1, ryk_frameTime[1], 200));
  EXPECT_EQ(ryk_Close(), 0);
}

// A camera that never sends (three tries) is reported and the others stream;
// the next open (the application's Start after Stop) tries it again.
TEST_F(StreamTest, ACameraThatDoesNotStartLeavesTheOthersAndIsTriedAgainAtTheNextOpen) {
  detail::setFirstFrameLimit(300ms);
  useSyntheticCameras(Cams{{"", 0, "smpte", 3}, {"", 0, "smpte", 0}});
  ASSERT_EQ(ryk_Open(30.0), 0);
  EXPECT_EQ(ryk_count.load(), 2);  // camera 1 stays the left eye
  EXPECT_EQ(detail::lastOpenAttempts(), 3);
  EXPECT_EQ(ryk_CameraState(0), RYK_CAMERA_FAILED);
  EXPECT_NE(ryk_CameraError(0).find("usb-synthetic-1: no first frame within 300 ms"), std::string::npos)
      << ryk_CameraError(0);
  EXPECT_TRUE(frames(1, 3));
  ASSERT_EQ(ryk_Close(), 0);
  ASSERT_EQ(ryk_Open(30.0), 0);
  EXPECT_EQ(detail::lastOpenAttempts(), 1);
  EXPECT_TRUE(frames(0, 3) && frames(1, 3));
}

// Test cameras on USB ports, each a pipeline description.
struct LaunchCameras final : SourceMaker {
  std::vector<std::pair<std::string, std::string>> cameras;  // name, description
  std::vector<ListedSource> devices() const override {
    std::vector<ListedSource> out;
    for (size_t i = 0; i < cameras.size(); ++i) {
      DeviceInfo d;
      d.name = cameras[i].first;
      d.busInfo = "usb-0000:00:14.0-" + std::to_string(i + 1);
      out.push_back({d, "@device:pnp:" + d.name});
    }
    return out;
  }
  GstElement* makeSource(int, int index, const std::string&, int, int, std::shared_ptr<SourceRuntime>&) override {
    return gst_parse_bin_from_description(cameras[static_cast<size_t>(index)].second.c_str(), TRUE, nullptr);
  }
};

// A camera whose first frame comes later than the watchdog limit, but within
// the first-frame limit, is not called stalled.
TEST_F(StreamTest, ASlowFirstFrameIsNoStall) {
  detail::setWatchdogLimit(100ms);
  auto cams = std::make_shared<LaunchCameras>();
  // Its first frame after 600 ms, then one every 50 ms.
  cams->cameras = {{"Slow", "videotestsrc is-live=1 ! capsfilter caps=video/x-raw,format=YUY2,width=320,height=240,"
                            "framerate=20/1 ! queue min-threshold-time=600000000"}};
  setSourceMaker(cams);
  ASSERT_EQ(ryk_Open(30.0), 0);
  EXPECT_TRUE(frames(0, 2));
  EXPECT_EQ(detail::stallsOf(0), 0);
}

// A device marked side by side: its right half is camera 0 (the right eye),
// its left half camera 1. Bars of 640/7 pixels: x = 10 of the right half is
// the fourth bar (green), of the left half the first (grey).
TEST_F(StreamTest, ADeviceMarkedSideBySideIsSplitIntoTheTwoEyes) {
  auto cams = std::make_shared<LaunchCameras>();
  cams->cameras = {{"Stereo", "videotestsrc is-live=1 ! capsfilter caps=video/x-raw,format=BGRx,width=640,height=240"}};
  setSourceMaker(cams);
  ASSERT_EQ(ryk_SelectCameras("stereo:sbs"), 0);
  ASSERT_EQ(ryk_Open(30.0), 0);
  ASSERT_EQ(ryk_count.load(), 2);
  const test::Picture right = take(0), left = take(1);
  EXPECT_TRUE(right.at(10, 10, 1) > 150 && right.at(10, 10, 2) < 80 && right.at(10, 10, 0) < 80);
  EXPECT_TRUE(left.at(10, 10, 0) > 150 && left.at(10, 10, 1) > 150 && left.at(10, 10, 2) > 150);
}

// A 16:9 camera, 640x360 only, raw or MJPEG: the centred 480x360 of the bars scaled to 320x240: column 30 shows the
// second bar (yellow) and column 300 the sixth (red). Squeezed whole, they
// would show the first (grey) and the seventh (blue).
TEST_F(StreamTest, AWidePictureIsCroppedToItsCentreNotSqueezed) {
  auto wide = std::make_shared<LaunchCameras>();
  for (const char* format : {"video/x-raw,format=YUY2", "image/jpeg"}) {
    wide->cameras = {{"Wide", std::string("videotestsrc is-live=1 ! ") + (format[0] == 'i' ? "jpegenc ! " : "") +
                                  "capsfilter caps=" + format + ",width=640,height=360"}};
    setSourceMaker(wide);
    ASSERT_EQ(ryk_Open(30.0), 0) << format;
    const test::Picture p = take(0);
    EXPECT_TRUE(p.at(30, 10, 2) > 150 && p.at(30, 10, 1) > 150 && p.at(30, 10, 0) < 80) << format;
    EXPECT_TRUE(p.at(300, 10, 2) > 150 && p.at(300, 10, 1) < 80 && p.at(300, 10, 0) < 80) << format;
    EXPECT_EQ(ryk_Close(), 0);
  }
}

}  // namespace
}  // namespace ryk
