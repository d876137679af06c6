// Camera properties over V4L2 controls.
//
// A ControlNode is the control side of a camera's device node: the four
// control ioctls and nothing else. V4l2Node makes the real calls on an open
// file descriptor; SimulatedNode (simulated_node.h) answers them from memory
// for synthetic cameras and tests. Everything above the node (which control
// answers which property number, the automatic modes, the percent maths and
// the result codes) is plain logic in CameraControls.
#pragma once

#include <linux/videodev2.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace ryk {

class ControlNode {
 public:
  virtual ~ControlNode() = default;
  // Each returns 0 or the errno value of the failed call.
  virtual int queryControl(v4l2_queryctrl& q) = 0;  // VIDIOC_QUERYCTRL (NEXT_CTRL allowed)
  virtual int queryMenu(v4l2_querymenu& m) = 0;     // VIDIOC_QUERYMENU
  virtual int getControl(v4l2_control& c) = 0;      // VIDIOC_G_CTRL
  virtual int setControl(v4l2_control& c) = 0;      // VIDIOC_S_CTRL
};

// Opens path for control access (it may already be open for streaming:
// V4L2 allows a second open). Null with *error set when it cannot.
std::unique_ptr<ControlNode> openV4l2Node(const std::string& path, int* error);

// Which V4L2 control answers a property number, and its automatic companion.
struct PropertyControl {
  std::uint32_t control = 0;      // 0: no V4L2 counterpart
  std::uint32_t autoControl = 0;  // 0: no automatic mode
  bool inverted = false;          // the control means the opposite (colour killer)
};
PropertyControl propertyControl(int p);

// Percentage of v in [min, max]; 0.0 when min equals max.
double percentOf(std::int32_t v, std::int32_t min, std::int32_t max);
// Value for percentage x in [min, max], truncated toward zero, then limited
// to the range; a NaN gives min.
std::int32_t valueFor(double x, std::int32_t min, std::int32_t max);

// One control as the property page shows it.
struct ControlDesc {
  std::uint32_t id = 0;
  std::uint32_t type = 0;  // V4L2_CTRL_TYPE_INTEGER, _BOOLEAN, _MENU, _INTEGER_MENU, _BUTTON
  std::string name;
  std::int32_t minimum = 0, maximum = 0, step = 1, defaultValue = 0, value = 0;
  bool inactive = false, readOnly = false;
  std::vector<std::pair<std::int32_t, std::string>> menu;  // index, label
};

// The properties of one camera. Thread-safe: the worker reads and sets
// properties while the GUI thread's property page changes controls.
class CameraControls {
 public:
  explicit CameraControls(std::shared_ptr<ControlNode> node);

  // 1 when the camera reports property p (0-16).
  int available(int p);
  // Percentage, or -1.0. *automatic (when given) is written only on success.
  double get(int p, int* automatic);
  // 0, 3 (no control), 4 (range unreadable), 5 (refused).
  int set(int p, double percent);
  int setAuto(int p);

  // Every control the camera lists, in its order; *error is the errno of a
  // failed listing (the list is then empty).
  std::vector<ControlDesc> list(int* error);
  // Writes one control from the property page; 0 or errno.
  int write(std::uint32_t id, std::int32_t value);

  ControlNode& node() { return *node_; }

 private:
  int query(std::uint32_t id, v4l2_queryctrl& q);
  // Value the automatic companion takes for manual and automatic mode.
  bool autoValues(std::uint32_t autoId, std::int32_t& manual, std::int32_t& automatic);

  std::mutex mutex_;
  std::shared_ptr<ControlNode> node_;
};

}  // namespace ryk
