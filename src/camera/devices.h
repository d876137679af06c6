// Choosing the cameras among the video sources the system lists. Plain logic.
#pragma once

#include <string>
#include <vector>

namespace ryk {

// One video source as discovery reports it.
struct DeviceInfo {
  std::string name;      // the device's own name
  std::string nodePath;  // V4L2 node (/dev/videoN) of a hardware camera; empty for software sources
  std::string busPath;   // the camera's place on its bus, when known
  std::string provider;  // who listed it (v4l2, pipewire, libcamera, synthetic)
};

// "@device:pnp:" and the node (or, without one, the bus path) for hardware
// cameras; "@device:sw:" and the name for software sources, which are never
// taken as cameras.
std::string displayNameFor(const DeviceInfo& d);

// Puts devices in a stable order (by node path, numbers compared as numbers,
// then the rest as listed) and keeps one entry per node: several providers
// can list the same camera.
std::vector<DeviceInfo> orderDevices(std::vector<DeviceInfo> devices);

// Indices of the cameras: among the first `limit` display names, those that
// contain the tag, in order.
std::vector<int> selectCameras(const std::vector<std::string>& displayNames, int limit);

}  // namespace ryk
