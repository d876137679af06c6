// Test cameras behind a real GstDeviceProvider, for driving the camera
// library as a machine with USB cameras would, without any camera.
//
// Each test camera offers exactly the modes of one recorded .caps file (one
// GStreamer caps structure a line, '#' lines are comments), sits at a USB port
// the library orders and chooses by, and streams a live test picture in the
// one mode its consumer asks for. It can fail on demand as real cameras do,
// posting the errors v4l2src posts. The same code is a plugin module
// (librykcameras.so) that programs load through GST_PLUGIN_PATH, configured
// by $RYK_TEST_CAMERAS (see parseTestCameras).
//
// Every function here may be called from any thread.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace ryk::test {

// How a test camera fails.
struct TestFailure {
  // Its start fails at once: GST_RESOURCE_ERROR_BUSY, "Device or resource busy".
  bool busy = false;
  // Stream-on fails with GST_RESOURCE_ERROR_NO_SPACE_LEFT, "No space left on
  // device": for raw modes, or when noSpaceAboveMbit > 0, for any mode
  // needing more of the bus than that (raw: its frames' bytes at its rate;
  // MJPEG counted at 2 bits a pixel).
  bool noSpace = false;
  double noSpaceAboveMbit = 0.0;
  // Stops pushing frames after this many of each start (-1: never).
  long silentAfter = -1;
};

struct TestCamera {
  std::string capsFile;  // a file of the recorded modes directory, or a path
  std::string port;      // "usb-0000:00:14.0-3"; empty: the port the file's header names
  std::string name;      // its device name; empty: "Test Camera (<file stem>)"
  // videotestsrc pattern (nickname). A side-by-side device (its header says
  // "side by side") ignores it: its left half is red, its right half blue.
  std::string pattern = "smpte";
  TestFailure failure{};
};

// Registers the provider (and gst_init's) in this process; idempotent.
// False when GStreamer cannot start.
bool registerTestProvider();

// The recorded modes directory compiled in, and its .caps files (full paths,
// sorted); empty when the directory is not there.
std::string testCamerasDir();
std::vector<std::string> testCameraFiles();

// Adds a camera (device-added on every started provider). False, with the
// reason in `error`, for an unreadable file, a file without modes, a port
// that is missing or already taken.
bool addTestCamera(const TestCamera& camera, std::string* error = nullptr);
// Unplugs it: device-removed on the providers, and its running elements post
// a read error "No such device" and stop. The camera keeps its settings.
bool removeTestCamera(const std::string& port);
// Plugs it back at the same port: device-added with a new GstDevice.
bool readdTestCamera(const std::string& port);
// Changes how it fails from its next start on (silentAfter also for a
// stream already running, counted from its start).
bool setTestFailure(const std::string& port, const TestFailure& failure);
// Removes every camera.
void clearTestCameras();

// Frames the camera's elements have pushed in all, since it was added.
long testFramesPushed(const std::string& port);
// Blocks until the camera has pushed at least `count` frames in all; false
// when the timeout passed first or there is no such camera.
bool waitTestFrames(const std::string& port, long count, std::chrono::milliseconds timeout);
// The mode its latest element streams ("video/x-raw, format=(string)YUY2,
// width=(int)320, ..."), "" before any did.
std::string testCameraMode(const std::string& port);

// "file@port[,fail=busy|nospace|nospace>MBIT|silent:N][,pattern=P][,name=N];...":
// each a camera. False with the reason in `error` for a malformed entry.
bool parseTestCameras(const std::string& spec, std::vector<TestCamera>& cameras, std::string& error);

}  // namespace ryk::test
