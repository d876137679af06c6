#include "camera/simulated_node.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace ryk {

namespace {

// The automatic companion of a value control and whether its current value
// hands the value control to the camera.
struct AutoLink {
  std::uint32_t value, autoId;
};
constexpr AutoLink kLinks[] = {
    {V4L2_CID_WHITE_BALANCE_TEMPERATURE, V4L2_CID_AUTO_WHITE_BALANCE},
    {V4L2_CID_GAIN, V4L2_CID_AUTOGAIN},
    {V4L2_CID_HUE, V4L2_CID_HUE_AUTO},
    {V4L2_CID_EXPOSURE_ABSOLUTE, V4L2_CID_EXPOSURE_AUTO},
    {V4L2_CID_FOCUS_ABSOLUTE, V4L2_CID_FOCUS_AUTO},
};

bool autoOn(std::uint32_t autoId, std::int32_t v) {
  if (autoId == V4L2_CID_EXPOSURE_AUTO) return v == V4L2_EXPOSURE_AUTO || v == V4L2_EXPOSURE_APERTURE_PRIORITY;
  return v != 0;
}

SimulatedNode::Control ctl(std::uint32_t id, std::uint32_t type, const char* name, std::int32_t mn, std::int32_t mx,
                           std::int32_t step, std::int32_t def, std::vector<std::string> menu = {}) {
  SimulatedNode::Control c;
  c.id = id;
  c.type = type;
  c.name = name;
  c.minimum = mn;
  c.maximum = mx;
  c.step = step;
  c.defaultValue = def;
  c.value = def;
  c.menu = std::move(menu);
  return c;
}

}  // namespace

SimulatedNode::SimulatedNode(int shift) : shift_(shift) {
  constexpr auto I = V4L2_CTRL_TYPE_INTEGER, B = V4L2_CTRL_TYPE_BOOLEAN, M = V4L2_CTRL_TYPE_MENU;
  for (const Control& c : {
           ctl(V4L2_CID_USER_CLASS, V4L2_CTRL_TYPE_CTRL_CLASS, "User Controls", 0, 0, 0, 0),
           ctl(V4L2_CID_BRIGHTNESS, I, "Brightness", -64, 64, 1, 0),
           ctl(V4L2_CID_CONTRAST, I, "Contrast", 0, 64, 1, 32),
           ctl(V4L2_CID_SATURATION, I, "Saturation", 0, 128, 1, 64),
           ctl(V4L2_CID_HUE, I, "Hue", -40, 40, 1, 0),
           ctl(V4L2_CID_AUTO_WHITE_BALANCE, B, "White Balance, Automatic", 0, 1, 1, 1),
           ctl(V4L2_CID_GAMMA, I, "Gamma", 72, 500, 1, 100),
           ctl(V4L2_CID_AUTOGAIN, B, "Gain, Automatic", 0, 1, 1, 0),
           ctl(V4L2_CID_GAIN, I, "Gain", 0, 100, 1, 0),
           ctl(V4L2_CID_POWER_LINE_FREQUENCY, M, "Power Line Frequency", 0, 2, 1, 1, {"Disabled", "50 Hz", "60 Hz"}),
           ctl(V4L2_CID_WHITE_BALANCE_TEMPERATURE, I, "White Balance Temperature", 2800, 6500, 10, kSceneKelvin),
           ctl(V4L2_CID_SHARPNESS, I, "Sharpness", 0, 6, 1, 3),
           ctl(V4L2_CID_BACKLIGHT_COMPENSATION, I, "Backlight Compensation", 0, 2, 1, 1),
           ctl(V4L2_CID_CAMERA_CLASS, V4L2_CTRL_TYPE_CTRL_CLASS, "Camera Controls", 0, 0, 0, 0),
           ctl(V4L2_CID_EXPOSURE_AUTO, M, "Auto Exposure", 0, 3, 1, 3, {"", "Manual Mode", "", "Aperture Priority Mode"}),
           ctl(V4L2_CID_EXPOSURE_ABSOLUTE, I, "Exposure Time, Absolute", 3, 2047, 1, kSceneExposure),
           ctl(V4L2_CID_EXPOSURE_AUTO_PRIORITY, B, "Exposure, Dynamic Framerate", 0, 1, 1, 0),
           ctl(V4L2_CID_PAN_ABSOLUTE, I, "Pan, Absolute", -36000, 36000, 3600, 0),
           ctl(V4L2_CID_TILT_ABSOLUTE, I, "Tilt, Absolute", -36000, 36000, 3600, 0),
           ctl(V4L2_CID_FOCUS_ABSOLUTE, I, "Focus, Absolute", 0, 250, 5, kSceneFocus),
           ctl(V4L2_CID_FOCUS_AUTO, B, "Focus, Automatic Continuous", 0, 1, 1, 1),
           ctl(V4L2_CID_ZOOM_ABSOLUTE, I, "Zoom, Absolute", 100, 500, 1, 100),
       })
    controls_[c.id] = c;
}

bool SimulatedNode::ownedByAuto(std::uint32_t id) const {
  for (const AutoLink& l : kLinks) {
    if (l.value != id) continue;
    auto a = controls_.find(l.autoId);
    return a != controls_.end() && autoOn(l.autoId, a->second.value);
  }
  return false;
}

int SimulatedNode::queryControl(v4l2_queryctrl& q) {
  std::lock_guard lock(mutex_);
  const bool next = (q.id & V4L2_CTRL_FLAG_NEXT_CTRL) != 0;
  const std::uint32_t id = q.id & ~(V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND);
  auto it = next ? controls_.upper_bound(id) : controls_.find(id);
  if (it == controls_.end()) return EINVAL;
  if (auto f = failQuery_.find(it->first); f != failQuery_.end() && f->second) return f->second;
  const Control& c = it->second;
  std::memset(&q, 0, sizeof q);
  q.id = c.id;
  q.type = c.type;
  std::strncpy(reinterpret_cast<char*>(q.name), c.name.c_str(), sizeof q.name - 1);
  q.minimum = c.minimum;
  q.maximum = c.maximum;
  q.step = c.step;
  q.default_value = c.defaultValue;
  q.flags = c.flags | (ownedByAuto(c.id) ? V4L2_CTRL_FLAG_INACTIVE : 0u);
  if (c.type == V4L2_CTRL_TYPE_CTRL_CLASS) q.flags |= V4L2_CTRL_FLAG_READ_ONLY | V4L2_CTRL_FLAG_WRITE_ONLY;
  return 0;
}

int SimulatedNode::queryMenu(v4l2_querymenu& m) {
  std::lock_guard lock(mutex_);
  auto it = controls_.find(m.id);
  if (it == controls_.end() || it->second.type != V4L2_CTRL_TYPE_MENU) return EINVAL;
  const Control& c = it->second;
  const std::int64_t i = static_cast<std::int64_t>(m.index) - c.minimum;
  if (m.index > static_cast<std::uint32_t>(c.maximum) || i < 0 || i >= static_cast<std::int64_t>(c.menu.size()) ||
      c.menu[static_cast<size_t>(i)].empty())
    return EINVAL;
  std::memset(m.name, 0, sizeof m.name);
  std::strncpy(reinterpret_cast<char*>(m.name), c.menu[static_cast<size_t>(i)].c_str(), sizeof m.name - 1);
  return 0;
}

int SimulatedNode::getControl(v4l2_control& c) {
  std::lock_guard lock(mutex_);
  auto it = controls_.find(c.id);
  if (it == controls_.end() || it->second.type == V4L2_CTRL_TYPE_CTRL_CLASS) return EINVAL;
  if (auto f = failGet_.find(c.id); f != failGet_.end() && f->second) return f->second;
  c.value = it->second.value;
  return 0;
}

int SimulatedNode::setControl(v4l2_control& c) {
  std::lock_guard lock(mutex_);
  ++setCalls_[c.id];
  auto it = controls_.find(c.id);
  if (it == controls_.end() || it->second.type == V4L2_CTRL_TYPE_CTRL_CLASS) return EINVAL;
  if (auto f = failSet_.find(c.id); f != failSet_.end() && f->second) return f->second;
  Control& t = it->second;
  if (t.flags & V4L2_CTRL_FLAG_READ_ONLY) return EACCES;
  if (ownedByAuto(t.id)) return EBUSY;
  if (c.value < t.minimum || c.value > t.maximum) return ERANGE;
  std::int32_t v = c.value;
  if (t.type == V4L2_CTRL_TYPE_MENU) {
    const size_t i = static_cast<size_t>(static_cast<std::int64_t>(v) - t.minimum);
    if (i >= t.menu.size() || t.menu[i].empty()) return EINVAL;
  } else if (t.step > 1) {
    // Drivers round to the step.
    const std::int64_t off = (static_cast<std::int64_t>(v) - t.minimum + t.step / 2) / t.step * t.step;
    v = static_cast<std::int32_t>(std::min<std::int64_t>(t.minimum + off, t.maximum));
  }
  t.value = v;
  c.value = v;
  // A camera switched to automatic mode settles its value where the scene wants it.
  for (const AutoLink& l : kLinks) {
    if (l.autoId != t.id || !autoOn(l.autoId, v)) continue;
    auto dep = controls_.find(l.value);
    if (dep == controls_.end()) continue;
    if (l.value == V4L2_CID_EXPOSURE_ABSOLUTE) dep->second.value = kSceneExposure;
    if (l.value == V4L2_CID_WHITE_BALANCE_TEMPERATURE) dep->second.value = kSceneKelvin;
    if (l.value == V4L2_CID_FOCUS_ABSOLUTE) dep->second.value = kSceneFocus;
    if (l.value == V4L2_CID_GAIN) dep->second.value = dep->second.minimum;
  }
  return 0;
}

void SimulatedNode::add(const Control& c) {
  std::lock_guard lock(mutex_);
  controls_[c.id] = c;
}
void SimulatedNode::remove(std::uint32_t id) {
  std::lock_guard lock(mutex_);
  controls_.erase(id);
}
void SimulatedNode::failQuery(std::uint32_t id, int err) {
  std::lock_guard lock(mutex_);
  failQuery_[id] = err;
}
void SimulatedNode::failGet(std::uint32_t id, int err) {
  std::lock_guard lock(mutex_);
  failGet_[id] = err;
}
void SimulatedNode::failSet(std::uint32_t id, int err) {
  std::lock_guard lock(mutex_);
  failSet_[id] = err;
}
std::int32_t SimulatedNode::value(std::uint32_t id) const {
  std::lock_guard lock(mutex_);
  return v(id, 0);
}
int SimulatedNode::setCalls(std::uint32_t id) const {
  std::lock_guard lock(mutex_);
  auto it = setCalls_.find(id);
  return it == setCalls_.end() ? 0 : it->second;
}

std::int32_t SimulatedNode::v(std::uint32_t id, std::int32_t fallback) const {
  auto it = controls_.find(id);
  return it == controls_.end() ? fallback : it->second.value;
}

Optics SimulatedNode::optics() const {
  std::lock_guard lock(mutex_);
  Optics o;
  const double exposure = v(V4L2_CID_EXPOSURE_ABSOLUTE, kSceneExposure);
  const double gain = v(V4L2_CID_GAIN, 0);
  o.brightness = exposure / kSceneExposure * (1.0 + gain / 50.0);
  // The camera corrects for the light it believes in: set too warm, the
  // picture turns blue; too cold, red.
  const double kelvin = std::max<std::int32_t>(1000, v(V4L2_CID_WHITE_BALANCE_TEMPERATURE, kSceneKelvin));
  o.red = kelvin / kSceneKelvin;
  o.blue = kSceneKelvin / kelvin;
  const int focusError = std::abs(v(V4L2_CID_FOCUS_ABSOLUTE, kSceneFocus) - kSceneFocus);
  o.blur = std::min(8, (focusError + 20) / 40);
  o.shift = shift_;
  return o;
}

}  // namespace ryk
