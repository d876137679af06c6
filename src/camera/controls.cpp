#include "camera/controls.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>

namespace ryk {

namespace {

class V4l2Node final : public ControlNode {
 public:
  explicit V4l2Node(int fd) : fd_(fd) {}
  ~V4l2Node() override { ::close(fd_); }
  int queryControl(v4l2_queryctrl& q) override { return call(VIDIOC_QUERYCTRL, &q); }
  int queryMenu(v4l2_querymenu& m) override { return call(VIDIOC_QUERYMENU, &m); }
  int getControl(v4l2_control& c) override { return call(VIDIOC_G_CTRL, &c); }
  int setControl(v4l2_control& c) override { return call(VIDIOC_S_CTRL, &c); }

 private:
  int call(unsigned long request, void* arg) {
    int r;
    do r = ::ioctl(fd_, request, arg);
    while (r < 0 && errno == EINTR);
    return r < 0 ? errno : 0;
  }
  int fd_;
};

constexpr int kMaxListed = 1024;  // a driver that never ends its list is not followed further
constexpr int kMaxMenuEntries = 64;

}  // namespace

std::unique_ptr<ControlNode> openV4l2Node(const std::string& path, int* error) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (error) *error = errno;
    return nullptr;
  }
  if (error) *error = 0;
  return std::make_unique<V4l2Node>(fd);
}

PropertyControl propertyControl(int p) {
  switch (p) {
    case 0: return {V4L2_CID_BRIGHTNESS, 0, false};
    case 1: return {V4L2_CID_CONTRAST, 0, false};
    case 2: return {V4L2_CID_HUE, V4L2_CID_HUE_AUTO, false};
    case 3: return {V4L2_CID_SATURATION, 0, false};
    case 4: return {V4L2_CID_SHARPNESS, 0, false};
    case 5: return {V4L2_CID_GAMMA, 0, false};
    case 6: return {V4L2_CID_COLOR_KILLER, 0, true};  // colour enable = no colour killer
    case 7: return {V4L2_CID_WHITE_BALANCE_TEMPERATURE, V4L2_CID_AUTO_WHITE_BALANCE, false};
    case 8: return {V4L2_CID_BACKLIGHT_COMPENSATION, 0, false};
    case 9: return {V4L2_CID_GAIN, V4L2_CID_AUTOGAIN, false};
    case 10: return {V4L2_CID_PAN_ABSOLUTE, 0, false};
    case 11: return {V4L2_CID_TILT_ABSOLUTE, 0, false};
    case 12: return {};  // V4L2 has no roll control
    case 13: return {V4L2_CID_ZOOM_ABSOLUTE, 0, false};
    case 14: return {V4L2_CID_EXPOSURE_ABSOLUTE, V4L2_CID_EXPOSURE_AUTO, false};
    case 15: return {V4L2_CID_IRIS_ABSOLUTE, 0, false};
    case 16: return {V4L2_CID_FOCUS_ABSOLUTE, V4L2_CID_FOCUS_AUTO, false};
    default: return {};
  }
}

double percentOf(std::int32_t v, std::int32_t min, std::int32_t max) {
  if (max == min) return 0.0;
  return ((static_cast<double>(v) - min) * 100.0) / (static_cast<double>(max) - min);
}

std::int32_t valueFor(double x, std::int32_t min, std::int32_t max) {
  const double u = (static_cast<double>(max) - min) * (x / 100.0) + min;
  if (std::isnan(u) || u <= min) return min;
  if (u >= max) return max;
  return static_cast<std::int32_t>(u);  // truncates toward zero; stays inside (min, max)
}

CameraControls::CameraControls(std::shared_ptr<ControlNode> node) : node_(std::move(node)) {}

int CameraControls::query(std::uint32_t id, v4l2_queryctrl& q) {
  std::memset(&q, 0, sizeof q);
  q.id = id;
  const int r = node_->queryControl(q);
  if (r) return r;
  if (q.id != id || (q.flags & V4L2_CTRL_FLAG_DISABLED)) return EINVAL;
  return 0;
}

bool CameraControls::autoValues(std::uint32_t autoId, std::int32_t& manual, std::int32_t& automatic) {
  v4l2_queryctrl q;
  if (query(autoId, q)) return false;
  if (q.type != V4L2_CTRL_TYPE_MENU) {
    manual = q.minimum;
    automatic = q.maximum;
    return manual != automatic;
  }
  auto listed = [&](std::int32_t index) {
    if (index < q.minimum || index > q.maximum) return false;
    v4l2_querymenu m;
    std::memset(&m, 0, sizeof m);
    m.id = autoId;
    m.index = static_cast<std::uint32_t>(index);
    return node_->queryMenu(m) == 0;
  };
  if (!listed(V4L2_EXPOSURE_MANUAL)) return false;
  manual = V4L2_EXPOSURE_MANUAL;
  if (listed(V4L2_EXPOSURE_APERTURE_PRIORITY))
    automatic = V4L2_EXPOSURE_APERTURE_PRIORITY;
  else if (listed(V4L2_EXPOSURE_AUTO))
    automatic = V4L2_EXPOSURE_AUTO;
  else
    return false;
  return true;
}

int CameraControls::available(int p) {
  const PropertyControl pc = propertyControl(p);
  if (!pc.control) return 0;
  std::lock_guard lock(mutex_);
  v4l2_queryctrl q;
  return query(pc.control, q) == 0 ? 1 : 0;
}

double CameraControls::get(int p, int* automatic) {
  const PropertyControl pc = propertyControl(p);
  if (!pc.control) return -1.0;
  std::lock_guard lock(mutex_);
  v4l2_queryctrl q;
  if (query(pc.control, q)) return -1.0;
  v4l2_control c{pc.control, 0};
  if (node_->getControl(c)) return -1.0;
  std::int32_t v = c.value;
  if (pc.inverted) v = q.maximum + q.minimum - v;
  if (automatic) {
    int flag = 0;
    std::int32_t manual = 0, autoValue = 0;
    v4l2_control a{pc.autoControl, 0};
    if (pc.autoControl && autoValues(pc.autoControl, manual, autoValue) && node_->getControl(a) == 0) {
      // Of the exposure modes, shutter priority leaves the exposure time manual.
      flag = manual == V4L2_EXPOSURE_MANUAL && autoValue != 1
                 ? (a.value == V4L2_EXPOSURE_AUTO || a.value == V4L2_EXPOSURE_APERTURE_PRIORITY)
                 : a.value != manual;
    }
    *automatic = flag;
  }
  return percentOf(v, q.minimum, q.maximum);
}

int CameraControls::set(int p, double percent) {
  const PropertyControl pc = propertyControl(p);
  if (!pc.control) return 3;
  std::lock_guard lock(mutex_);
  v4l2_queryctrl q;
  if (query(pc.control, q)) return 4;
  // Leave automatic mode first: while it is on the camera owns the value.
  std::int32_t manual = 0, automatic = 0;
  if (pc.autoControl && autoValues(pc.autoControl, manual, automatic)) {
    v4l2_control a{pc.autoControl, manual};
    if (node_->setControl(a)) return 5;
  }
  std::int32_t v = valueFor(percent, q.minimum, q.maximum);
  if (pc.inverted) v = q.maximum + q.minimum - v;
  v4l2_control c{pc.control, v};
  return node_->setControl(c) ? 5 : 0;
}

int CameraControls::setAuto(int p) {
  const PropertyControl pc = propertyControl(p);
  if (!pc.control) return 3;
  std::lock_guard lock(mutex_);
  v4l2_queryctrl q;
  if (query(pc.control, q)) return 4;
  v4l2_control c{pc.control, 0};
  (void)node_->getControl(c);  // the value stays whatever it was; automatic mode overrides it
  std::int32_t manual = 0, automatic = 0;
  if (!pc.autoControl || !autoValues(pc.autoControl, manual, automatic)) return 5;
  v4l2_control a{pc.autoControl, automatic};
  return node_->setControl(a) ? 5 : 0;
}

std::vector<ControlDesc> CameraControls::list(int* error) {
  std::lock_guard lock(mutex_);
  std::vector<ControlDesc> out;
  if (error) *error = 0;
  std::uint32_t last = 0;
  for (int n = 0; n < kMaxListed; ++n) {
    v4l2_queryctrl q;
    std::memset(&q, 0, sizeof q);
    q.id = last | V4L2_CTRL_FLAG_NEXT_CTRL;
    const int r = node_->queryControl(q);
    if (r) {
      if (n == 0 && r != EINVAL && error) *error = r;  // EINVAL first: the camera has no controls
      break;
    }
    if (q.id <= last) break;  // a driver going round in circles
    last = q.id;
    if (q.flags & V4L2_CTRL_FLAG_DISABLED) continue;
    switch (q.type) {
      case V4L2_CTRL_TYPE_INTEGER:
      case V4L2_CTRL_TYPE_BOOLEAN:
      case V4L2_CTRL_TYPE_MENU:
      case V4L2_CTRL_TYPE_INTEGER_MENU:
      case V4L2_CTRL_TYPE_BUTTON: break;
      default: continue;  // classes, 64-bit, strings and compound controls are not shown
    }
    ControlDesc d;
    d.id = q.id;
    d.type = q.type;
    d.name.assign(reinterpret_cast<const char*>(q.name), strnlen(reinterpret_cast<const char*>(q.name), sizeof q.name));
    d.minimum = q.minimum;
    d.maximum = q.maximum;
    d.step = q.step > 0 ? q.step : 1;
    d.defaultValue = q.default_value;
    d.inactive = (q.flags & (V4L2_CTRL_FLAG_INACTIVE | V4L2_CTRL_FLAG_GRABBED)) != 0;
    d.readOnly = (q.flags & V4L2_CTRL_FLAG_READ_ONLY) != 0;
    d.value = q.default_value;
    if (q.type != V4L2_CTRL_TYPE_BUTTON && !(q.flags & V4L2_CTRL_FLAG_WRITE_ONLY)) {
      v4l2_control c{q.id, 0};
      if (node_->getControl(c) == 0) d.value = c.value;
    }
    if (q.type == V4L2_CTRL_TYPE_MENU || q.type == V4L2_CTRL_TYPE_INTEGER_MENU) {
      for (std::int64_t i = q.minimum; i <= q.maximum && i - q.minimum < kMaxMenuEntries; ++i) {
        v4l2_querymenu m;
        std::memset(&m, 0, sizeof m);
        m.id = q.id;
        m.index = static_cast<std::uint32_t>(i);
        if (node_->queryMenu(m)) continue;  // gaps are allowed
        std::string label = q.type == V4L2_CTRL_TYPE_MENU
                                ? std::string(reinterpret_cast<const char*>(m.name),
                                              strnlen(reinterpret_cast<const char*>(m.name), sizeof m.name))
                                : std::to_string(static_cast<long long>(m.value));
        d.menu.emplace_back(static_cast<std::int32_t>(i), std::move(label));
      }
    }
    out.push_back(std::move(d));
  }
  return out;
}

int CameraControls::write(std::uint32_t id, std::int32_t value) {
  std::lock_guard lock(mutex_);
  v4l2_control c{id, value};
  return node_->setControl(c);
}

}  // namespace ryk
