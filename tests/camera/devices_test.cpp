// Which listed devices become cameras, and in which order.
#include <gtest/gtest.h>

#include "camera/devices.h"
#include "ryk/ryk.h"

namespace ryk {
namespace {

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

// Two identical cameras whose node numbers swapped on a replug (one known by
// its by-path link, one by its bus info), the metadata node of one, a board
// camera, a built-in camera without a port, a software source.
TEST(Devices, CamerasInPortOrderChosenByNodePortOrName) {
  DeviceInfo meta{"Twin", "/dev/video1", "pci-0000:00:14.0-usb-0:10:1.0-video-index1", "v4l2"};
  meta.canCapture = false;
  DeviceInfo byBusInfo{"Twin", "/dev/video2", "", "v4l2"};
  byBusInfo.busInfo = "usb-0000:00:14.0-9";
  const std::vector<DeviceInfo> devices = orderDevices(
      {{"Soft", "", "", "pipewire"}, {"Built-in", "/dev/video4", "", "v4l2"}, meta,
       {"Board", "/dev/video6", "platform-xhci-hcd.0.auto-usbv2-0:3.1:1.0-video-index0", "v4l2"},
       {"Twin", "/dev/video0", "/dev/v4l/by-path/pci-0000:00:14.0-usb-0:10:1.0-video-index0", "v4l2"}, byBusInfo});
  auto chosen = [&](const std::string& list) {
    std::vector<std::string> names;
    EXPECT_TRUE(parseCameraList(list, names)) << list;
    const CameraChoice c = chooseCameras(devices, names, 8);
    std::string text = c.error;
    for (int k : c.cameras) text += (text.empty() ? "" : ", ") + describeDevice(devices[static_cast<size_t>(k)]);
    return text;
  };
  const std::string nine = "/dev/video2 at usb-0000:00:14.0-9 (Twin)";
  const std::string ten = "/dev/video0 at usb-0000:00:14.0-10 (Twin)";
  const std::string board = "/dev/video6 at usb-xhci-hcd.0.auto-3.1 (Board)";
  const std::string all = nine + ", " + ten + ", " + board + ", /dev/video4 (Built-in)";
  const std::pair<std::string, std::string> cases[] = {
      // Port 9 before port 10 whatever the node numbers; no metadata node, no software source.
      {" ", all},
      {"/dev/video4, usb-xhci-hcd.0.auto-3.1", "/dev/video4 (Built-in), " + board},
      {"/dev/v4l/by-path/pci-0000:00:14.0-usb-0:9:1.0-video-index0", nine},
      {"pci-0000:00:14.0-usb-0:10:1.0,twin", ten + ", " + nine},
      {"TWIN,Twin", nine + ", " + ten},
      {"twin:SBS, usb-xhci-hcd.0.auto-3.1", nine + ", " + board},  // the side-by-side flag is no part of the name
      {"Twin,Twin,Twin", "Camera \"Twin\" is chosen twice"},
      {"/dev/video1", "\"/dev/video1\" gives no pictures (a camera's metadata node); choose its video node"},
      {"Soft", "Camera \"Soft\" is not there. Cameras found: " + all},
      {"a,b,c,d,e,f,g,h,i", "At most 8 cameras can be chosen, not 9"},
  };
  for (const auto& [list, want] : cases) EXPECT_EQ(chosen(list), want) << list;
  EXPECT_EQ(chooseCameras({}, {"x"}, 8).error, "Camera \"x\" is not there. Cameras found: none");

  std::vector<std::string> names;
  EXPECT_FALSE(parseCameraList("a,,b", names));
  EXPECT_FALSE(parseCameraList("a, ", names));
  // ":sbs" marks a side-by-side device; a port path's own colons are kept.
  std::vector<bool> sbs;
  ASSERT_TRUE(parseCameraList("/dev/video10:sbs, pci-0000:00:14.0-usb-0:2:1.0", names, sbs));
  EXPECT_EQ(names, (std::vector<std::string>{"/dev/video10", "pci-0000:00:14.0-usb-0:2:1.0"}));
  EXPECT_EQ(sbs, (std::vector<bool>{true, false}));
  EXPECT_FALSE(parseCameraList(":sbs", names, sbs));
  // The store keeps the last good list and refuses a bad one whole.
  EXPECT_EQ(ryk_SelectCameras("Twin, /dev/video4"), 0);
  EXPECT_EQ(ryk_SelectCameras(",x"), 1);
  EXPECT_EQ(ryk_SelectCameras("a,b,c,d,e,f,g,h,i"), 1);
  EXPECT_EQ(selectedCameras(), "Twin, /dev/video4");
  EXPECT_EQ(ryk_SelectCameras(nullptr), 0);
  EXPECT_EQ(selectedCameras(), "");
}

}  // namespace
}  // namespace ryk
