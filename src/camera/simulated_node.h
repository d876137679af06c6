// A camera's controls held in memory, answering the V4L2 control calls the
// way a typical USB camera's driver does: ranges and steps, menus with gaps,
// automatic modes that own their value controls (which then read as inactive
// and refuse writes with EBUSY), and errors on request for tests.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "camera/controls.h"
#include "camera/optics.h"

namespace ryk {

class SimulatedNode final : public ControlNode {
 public:
  struct Control {
    std::uint32_t id = 0;
    std::uint32_t type = V4L2_CTRL_TYPE_INTEGER;
    std::string name;
    std::int32_t minimum = 0, maximum = 0, step = 1, defaultValue = 0;
    std::uint32_t flags = 0;
    std::vector<std::string> menu;  // by index from minimum; "" marks a gap
    std::int32_t value = 0;
  };

  // shift: the camera's horizontal place in the stereo pair (Optics::shift).
  explicit SimulatedNode(int shift = 0);

  int queryControl(v4l2_queryctrl& q) override;
  int queryMenu(v4l2_querymenu& m) override;
  int getControl(v4l2_control& c) override;
  int setControl(v4l2_control& c) override;

  // Test hooks.
  void add(const Control& c);  // replaces one with the same id
  void remove(std::uint32_t id);
  // The next calls of that kind on id fail with err (0 clears).
  void failQuery(std::uint32_t id, int err);
  void failGet(std::uint32_t id, int err);
  void failSet(std::uint32_t id, int err);
  std::int32_t value(std::uint32_t id) const;
  int setCalls(std::uint32_t id) const;

  // The picture the current settings give.
  Optics optics() const;

  // Where automatic modes put their values: the scene's light and distance.
  static constexpr std::int32_t kSceneExposure = 250;
  static constexpr std::int32_t kSceneKelvin = 4600;
  static constexpr std::int32_t kSceneFocus = 125;

 private:
  bool ownedByAuto(std::uint32_t id) const;  // mutex held
  std::int32_t v(std::uint32_t id, std::int32_t fallback) const;

  mutable std::mutex mutex_;
  std::map<std::uint32_t, Control> controls_;
  std::map<std::uint32_t, int> failQuery_, failGet_, failSet_;
  std::map<std::uint32_t, int> setCalls_;
  int shift_;
};

}  // namespace ryk
