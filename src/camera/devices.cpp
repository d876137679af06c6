#include "camera/devices.h"

#include <algorithm>
#include <cctype>
#include <mutex>
#include <string_view>

#include "ryk/ryk.h"

namespace ryk {

std::string displayNameFor(const DeviceInfo& d) {
  if (!d.nodePath.empty()) return std::string(RYK_CAMERA_TAG) + ":" + d.nodePath;
  if (!d.busPath.empty()) return std::string(RYK_CAMERA_TAG) + ":" + d.busPath;
  return "@device:sw:" + d.name;
}

namespace {

constexpr std::string_view kByPathDir = "/dev/v4l/by-path/";

// "/dev/video10" after "/dev/video2".
bool naturalLess(const std::string& a, const std::string& b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (std::isdigit(static_cast<unsigned char>(a[i])) && std::isdigit(static_cast<unsigned char>(b[j]))) {
      size_t ie = i, je = j;
      while (ie < a.size() && std::isdigit(static_cast<unsigned char>(a[ie]))) ++ie;
      while (je < b.size() && std::isdigit(static_cast<unsigned char>(b[je]))) ++je;
      std::string na = a.substr(i, ie - i), nb = b.substr(j, je - j);
      na.erase(0, std::min(na.find_first_not_of('0'), na.size()));
      nb.erase(0, std::min(nb.find_first_not_of('0'), nb.size()));
      if (na.size() != nb.size()) return na.size() < nb.size();
      if (na != nb) return na < nb;
      i = ie;
      j = je;
    } else {
      if (a[i] != b[j]) return a[i] < b[j];
      ++i;
      ++j;
    }
  }
  return a.size() - i < b.size() - j;
}

}  // namespace

std::string portPathOf(const DeviceInfo& d) {
  std::string byPath = d.busPath;
  if (byPath.starts_with(kByPathDir)) byPath.erase(0, kByPathDir.size());
  if (const size_t v = byPath.find("-video-index"); v != std::string::npos) byPath.erase(v);
  // "pci-0000:00:14.0-usb-0:3.1:1.0" (or "-usbv2-", with the USB revision):
  // controller, then bus:ports:configuration.interface.
  const size_t u = byPath.find("-usb");
  size_t after = u == std::string::npos ? u : u + 4;
  if (after < byPath.size() && byPath[after] == 'v') {
    ++after;
    while (after < byPath.size() && std::isdigit(static_cast<unsigned char>(byPath[after]))) ++after;
  }
  if (after < byPath.size() && byPath[after] == '-') {
    std::string controller = byPath.substr(0, u);
    for (std::string_view kind : {"pci-", "platform-"})
      if (controller.starts_with(kind)) controller.erase(0, kind.size());
    const std::string rest = byPath.substr(after + 1);
    const size_t first = rest.find(':');
    const size_t second = first == std::string::npos ? first : rest.find(':', first + 1);
    if (second != std::string::npos) return "usb-" + controller + "-" + rest.substr(first + 1, second - first - 1);
  }
  if (d.busInfo.starts_with("usb-")) return d.busInfo;
  return byPath;
}

std::string describeDevice(const DeviceInfo& d) {
  std::string text = d.nodePath.empty() ? d.name : d.nodePath;
  if (const std::string port = portPathOf(d); !port.empty()) text += " at " + port;
  if (!d.nodePath.empty() && !d.name.empty()) text += " (" + d.name + ")";
  return text;
}

std::vector<DeviceInfo> orderDevices(std::vector<DeviceInfo> devices) {
  // With a port first, by port; then with a node, by node; the rest as listed.
  auto rank = [](const DeviceInfo& d, const std::string& port) {
    return !port.empty() ? 0 : !d.nodePath.empty() ? 1 : 2;
  };
  std::vector<std::pair<std::string, DeviceInfo>> keyed;
  for (DeviceInfo& d : devices) {
    std::string port = portPathOf(d);
    keyed.emplace_back(std::move(port), std::move(d));
  }
  std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
    const int ra = rank(a.second, a.first), rb = rank(b.second, b.first);
    if (ra != rb) return ra < rb;
    if (ra == 0 && a.first != b.first) return naturalLess(a.first, b.first);
    if (ra == 2) return false;
    return naturalLess(a.second.nodePath, b.second.nodePath);
  });
  std::vector<DeviceInfo> out;
  for (auto& [port, d] : keyed) {
    const bool seen = !d.nodePath.empty() && std::any_of(out.begin(), out.end(), [&](const DeviceInfo& o) {
      return o.nodePath == d.nodePath;
    });
    if (!seen) out.push_back(std::move(d));
  }
  return out;
}

bool parseCameraList(const std::string& text, std::vector<std::string>& names, std::vector<bool>& sideBySide) {
  names.clear();
  sideBySide.clear();
  auto trimmed = [](std::string_view t) {
    const size_t b = t.find_first_not_of(" \t");
    return b == std::string_view::npos ? std::string() : std::string(t.substr(b, t.find_last_not_of(" \t") - b + 1));
  };
  if (trimmed(text).empty()) return true;
  size_t start = 0;
  for (;;) {
    const size_t comma = text.find(',', start);
    std::string name = trimmed(std::string_view(text).substr(start, comma - start));
    // A trailing ":sbs" marks a side-by-side stereo device (port paths hold colons too).
    constexpr std::string_view flag = ":sbs";
    bool sbs = name.size() >= flag.size();
    for (size_t i = 0; sbs && i < flag.size(); ++i)
      sbs = std::tolower(static_cast<unsigned char>(name[name.size() - flag.size() + i])) == flag[i];
    if (sbs) name = trimmed(std::string_view(name).substr(0, name.size() - flag.size()));
    if (name.empty()) return false;
    names.push_back(std::move(name));
    sideBySide.push_back(sbs);
    if (comma == std::string::npos) return true;
    start = comma + 1;
  }
}

bool parseCameraList(const std::string& text, std::vector<std::string>& names) {
  std::vector<bool> sideBySide;
  return parseCameraList(text, names, sideBySide);
}

namespace {

bool sameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

bool matches(const DeviceInfo& d, const std::string& name) {
  if (name == d.nodePath || sameText(name, d.name)) return true;
  const std::string port = portPathOf(d);
  if (port.empty()) return false;
  // The user may give either spelling of the port, or the by-path link.
  DeviceInfo given;
  given.busPath = name;
  given.busInfo = name;
  return portPathOf(given) == port;
}

}  // namespace

CameraChoice chooseCameras(const std::vector<DeviceInfo>& ordered, const std::vector<std::string>& names, int limit) {
  CameraChoice c;
  auto isCamera = [](const DeviceInfo& d) { return d.canCapture && (!d.nodePath.empty() || !portPathOf(d).empty()); };
  if (names.empty()) {
    for (size_t i = 0; i < ordered.size() && static_cast<int>(c.cameras.size()) < limit; ++i)
      if (isCamera(ordered[i])) c.cameras.push_back(static_cast<int>(i));
    return c;
  }
  if (static_cast<int>(names.size()) > limit) {
    c.error = "At most " + std::to_string(limit) + " cameras can be chosen, not " + std::to_string(names.size());
    return c;
  }
  for (const std::string& name : names) {
    int found = -1;
    bool taken = false, noPictures = false;
    for (size_t i = 0; i < ordered.size() && found < 0; ++i) {
      if (!matches(ordered[i], name)) continue;
      const int k = static_cast<int>(i);
      if (!ordered[i].canCapture) {
        noPictures = true;
      } else if (std::find(c.cameras.begin(), c.cameras.end(), k) != c.cameras.end()) {
        taken = true;
      } else if (isCamera(ordered[i])) {
        found = k;
      }
    }
    if (found >= 0) {
      c.cameras.push_back(found);
      continue;
    }
    if (taken) {
      c.error = "Camera \"" + name + "\" is chosen twice";
    } else if (noPictures) {
      c.error = "\"" + name + "\" gives no pictures (a camera's metadata node); choose its video node";
    } else {
      c.error = "Camera \"" + name + "\" is not there. Cameras found:";
      bool any = false;
      for (const DeviceInfo& d : ordered)
        if (isCamera(d)) {
          c.error += (any ? ", " : " ") + describeDevice(d);
          any = true;
        }
      if (!any) c.error += " none";
    }
    c.cameras.clear();
    return c;
  }
  return c;
}

namespace {
std::mutex selectionMutex;
std::string selection;  // guarded by selectionMutex
}  // namespace

std::string selectedCameras() {
  std::lock_guard l(selectionMutex);
  return selection;
}

}  // namespace ryk

int ryk_SelectCameras(const char* list) {
  const std::string text = list ? list : "";
  std::vector<std::string> names;
  if (!ryk::parseCameraList(text, names) || static_cast<int>(names.size()) > RYK_MAX_CAMERAS) return 1;
  std::lock_guard l(ryk::selectionMutex);
  ryk::selection = text;
  return 0;
}
