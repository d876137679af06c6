#include "camera/devices.h"

#include <algorithm>
#include <cctype>

#include "ryk/ryk.h"

namespace ryk {

std::string displayNameFor(const DeviceInfo& d) {
  if (!d.nodePath.empty()) return std::string(RYK_CAMERA_TAG) + ":" + d.nodePath;
  if (!d.busPath.empty()) return std::string(RYK_CAMERA_TAG) + ":" + d.busPath;
  return "@device:sw:" + d.name;
}

namespace {

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

std::vector<DeviceInfo> orderDevices(std::vector<DeviceInfo> devices) {
  std::stable_sort(devices.begin(), devices.end(), [](const DeviceInfo& a, const DeviceInfo& b) {
    if (a.nodePath.empty() != b.nodePath.empty()) return !a.nodePath.empty();
    if (a.nodePath.empty()) return false;
    return naturalLess(a.nodePath, b.nodePath);
  });
  std::vector<DeviceInfo> out;
  for (DeviceInfo& d : devices) {
    const bool seen = !d.nodePath.empty() && std::any_of(out.begin(), out.end(), [&](const DeviceInfo& o) {
      return o.nodePath == d.nodePath;
    });
    if (!seen) out.push_back(std::move(d));
  }
  return out;
}

std::vector<int> selectCameras(const std::vector<std::string>& displayNames, int limit) {
  std::vector<int> picked;
  const int n = std::min(limit, static_cast<int>(displayNames.size()));
  for (int i = 0; i < n; ++i)
    if (displayNames[static_cast<size_t>(i)].find(RYK_CAMERA_TAG) != std::string::npos) picked.push_back(i);
  return picked;
}

}  // namespace ryk
