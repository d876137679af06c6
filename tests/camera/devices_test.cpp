// Which listed devices become cameras, and in which order.
#include <gtest/gtest.h>

#include "camera/devices.h"

namespace ryk {
namespace {

TEST(Devices, OnlyTaggedDevicesAmongTheFirstEightAreTaken) {
  const std::vector<std::string> names = {
      "@device:pnp:/dev/video0", "@device:sw:Screen",       "@device:pnp:/dev/video2",
      "@device:pnp:/dev/video4", "@device:sw:Test",         "@device:pnp:/dev/video6",
      "@device:sw:Other",        "@device:sw:More",         "@device:pnp:/dev/video8"};
  // The ninth device is never looked at, although three of the first eight were untagged.
  EXPECT_EQ(selectCameras(names, 8), (std::vector<int>{0, 2, 3, 5}));
  EXPECT_EQ(selectCameras(names, 9), (std::vector<int>{0, 2, 3, 5, 8}));
  EXPECT_TRUE(selectCameras({}, 8).empty());
  EXPECT_TRUE(selectCameras({"@device:sw:a", "@DEVICE:PNP:case-sensitive"}, 8).empty());
  // The tag may sit anywhere in the name.
  EXPECT_EQ(selectCameras({"x@device:pnp"}, 8), (std::vector<int>{0}));
}

TEST(Devices, DisplayNamesTagHardwareOnly) {
  EXPECT_EQ(displayNameFor({"Cam", "/dev/video3", "pci-0000:00:14.0-usb-0:2:1.0", "v4l2"}), "@device:pnp:/dev/video3");
  EXPECT_EQ(displayNameFor({"Cam", "", "pci-0000:00:14.0-usb-0:2:1.0", "libcamera"}),
            "@device:pnp:pci-0000:00:14.0-usb-0:2:1.0");
  EXPECT_EQ(displayNameFor({"Virtual", "", "", "pipewire"}), "@device:sw:Virtual");
}

TEST(Devices, StableOrderAndOneEntryPerNode) {
  std::vector<DeviceInfo> in = {
      {"Soft", "", "", "pipewire"},           {"Cam B", "/dev/video10", "", "v4l2"},
      {"Cam A", "/dev/video2", "", "v4l2"},   {"Cam A (pw)", "/dev/video2", "", "pipewire"},
      {"Soft 2", "", "", "pipewire"},         {"Cam C", "/dev/video3", "", "v4l2"},
  };
  std::vector<std::string> names;
  for (const auto& d : orderDevices(in)) names.push_back(d.name);
  // Nodes in numeric order (10 after 3), the first listing of a node kept,
  // software sources after the nodes in their listed order.
  EXPECT_EQ(names, (std::vector<std::string>{"Cam A", "Cam C", "Cam B", "Soft", "Soft 2"}));
  // The same input in another listing order gives the same cameras.
  std::reverse(in.begin(), in.end());
  std::vector<std::string> again;
  for (const auto& d : orderDevices(in)) again.push_back(d.nodePath);
  EXPECT_EQ(again, (std::vector<std::string>{"/dev/video2", "/dev/video3", "/dev/video10", "", ""}));
}

}  // namespace
}  // namespace ryk
