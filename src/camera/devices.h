// Choosing the cameras among the video sources the system lists. Plain logic.
#pragma once

#include <string>
#include <vector>

namespace ryk {

// One video source as discovery reports it.
struct DeviceInfo {
  std::string name;        // the device's own name
  std::string nodePath;    // V4L2 node (/dev/videoN) of a hardware camera; empty for software sources
  std::string busPath;     // the camera's place on its bus as udev names it (by-path), when known
  std::string provider;    // who listed it (v4l2, pipewire, libcamera, synthetic)
  std::string busInfo{};   // the driver's bus info ("usb-0000:00:14.0-2"), when known
  bool canCapture = true;  // false for nodes that give no pictures (a camera's metadata node)
};

// The USB port a camera is plugged into, as "usb-<controller>-<ports>"
// ("usb-0000:00:14.0-3.1"), from its by-path or else its bus info; it stays
// the same across replugs and reboots, unlike the node number. A non-USB
// by-path is kept as it is (without "-video-indexN"); "" when neither is known.
std::string portPathOf(const DeviceInfo& d);

// "/dev/video2 at usb-0000:00:14.0-2 (HD Webcam)": how messages name a device.
std::string describeDevice(const DeviceInfo& d);

// "@device:pnp:" and the node (or, without one, the bus path) for hardware
// cameras; "@device:sw:" and the name for software sources, which are never
// taken as cameras.
std::string displayNameFor(const DeviceInfo& d);

// Puts devices in a stable order and keeps one entry per node (several
// providers can list the same camera): those with a port path by port path,
// then those with a node by node path (numbers compared as numbers), then the
// rest as listed.
std::vector<DeviceInfo> orderDevices(std::vector<DeviceInfo> devices);

// Splits a user's camera list "A,B" into its names, without the spaces
// around each. False when a name is empty ("A,,B", "A,"); "" is no names.
// A name may end in ":sbs": the device gives a stereo pair side by side in
// one frame (its flag in `sideBySide`, the name without it).
bool parseCameraList(const std::string& text, std::vector<std::string>& names);
bool parseCameraList(const std::string& text, std::vector<std::string>& names, std::vector<bool>& sideBySide);

// The cameras to use, camera 0 first, as indices into `ordered` (the result
// of orderDevices). Without names: every device that can capture and has a
// node or a port, in order, at most `limit`. With names: each name is a node
// path, a port path (either spelling, or the /dev/v4l/by-path link) or a
// device name (any case; several cameras of one name are taken in order).
// When a name cannot be met, `cameras` is empty and `error` says why.
struct CameraChoice {
  std::vector<int> cameras;
  std::string error;
};
CameraChoice chooseCameras(const std::vector<DeviceInfo>& ordered, const std::vector<std::string>& names, int limit);

// The list ryk_SelectCameras stored ("" when none), for the next ryk_Open.
std::string selectedCameras();

}  // namespace ryk
