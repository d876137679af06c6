// Discovery: the system's video sources through GStreamer's device monitor,
// ordered and de-duplicated by the plain rules of devices.cpp, or the devices
// of a registered source maker instead.
#include "camera/library_state.h"

namespace ryk {

namespace {

std::string stringProp(const GstStructure* s, const char* key) {
  const gchar* v = s ? gst_structure_get_string(s, key) : nullptr;
  return v ? v : "";
}

// A node that streams pictures offers a video format; a camera's metadata
// node offers only its metadata caps.
bool offersPictures(GstDevice* d) {
  GstCaps* caps = gst_device_get_caps(d);
  bool pictures = false;
  for (guint i = 0; caps && i < gst_caps_get_size(caps) && !pictures; ++i) {
    const std::string media = gst_structure_get_name(gst_caps_get_structure(caps, i));
    pictures = media.starts_with("video/x-raw") || media.starts_with("image/") || media.starts_with("video/x-h26") ||
               media.starts_with("video/x-bayer");
  }
  if (caps) gst_caps_unref(caps);
  return pictures;
}

}  // namespace

DeviceInfo infoOf(GstDevice* d) {
  DeviceInfo info;
  gchar* name = gst_device_get_display_name(d);
  info.name = name ? name : "";
  g_free(name);
  GstStructure* props = gst_device_get_properties(d);
  info.nodePath = stringProp(props, "api.v4l2.path");
  if (info.nodePath.empty()) info.nodePath = stringProp(props, "device.path");
  if (info.nodePath.rfind("/dev/video", 0) != 0) info.nodePath.clear();
  info.busPath = stringProp(props, "device.bus_path");
  // The driver's bus info as PipeWire and as the V4L2 provider name it.
  info.busInfo = stringProp(props, "api.v4l2.cap.bus_info");
  if (info.busInfo.empty()) info.busInfo = stringProp(props, "v4l2.device.bus_info");
  info.canCapture = offersPictures(d);
  if (props) gst_structure_free(props);
  info.provider = G_OBJECT_TYPE_NAME(d);
  return info;
}

namespace {

// Orders and de-duplicates the listed devices by the plain rules of
// devices.cpp and moves them to `out`, letting go of those left out.
void orderListed(std::vector<Device>& listed, std::vector<Device>& out) {
  std::vector<DeviceInfo> infos;
  for (const Device& d : listed) infos.push_back(d.info);
  std::vector<bool> used(listed.size(), false);
  for (const DeviceInfo& info : orderDevices(infos)) {
    for (size_t i = 0; i < listed.size(); ++i) {
      const DeviceInfo& l = listed[i].info;
      if (used[i] || l.name != info.name || l.nodePath != info.nodePath || l.provider != info.provider ||
          l.busPath != info.busPath || l.busInfo != info.busInfo)
        continue;
      used[i] = true;
      out.push_back(listed[i]);
      listed[i].device = nullptr;
      break;
    }
  }
  for (Device& d : listed)
    if (d.device) gst_object_unref(d.device);
  listed.clear();
}

// 0, or 4 (no monitor) / 5 (nothing listed).
int listSystemDevices(std::vector<Device>& out) {
  GstDeviceMonitor* monitor = gst_device_monitor_new();
  if (!monitor) return 4;
  gst_device_monitor_add_filter(monitor, "Video/Source", nullptr);
  // Camera-stack providers may hide the plain V4L2 one; we want every listing.
  gst_device_monitor_set_show_all_devices(monitor, TRUE);
  if (!gst_device_monitor_start(monitor)) {
    gst_object_unref(monitor);
    return 5;
  }
  GList* devices = gst_device_monitor_get_devices(monitor);
  gst_device_monitor_stop(monitor);
  std::vector<Device> listed;
  for (GList* l = devices; l; l = l->next) {
    GstDevice* d = GST_DEVICE(l->data);
    Device dev;
    dev.info = infoOf(d);
    dev.device = GST_DEVICE(gst_object_ref(d));
    dev.displayName = displayNameFor(dev.info);
    listed.push_back(std::move(dev));
  }
  g_list_free_full(devices, gst_object_unref);
  gst_object_unref(monitor);
  orderListed(listed, out);
  return out.empty() ? 5 : 0;
}

}  // namespace

int listDevices(std::vector<Device>& out) {
  Library& L = lib();
  if (!L.sourceMaker) return listSystemDevices(out);
  const std::vector<ListedSource> sources = L.sourceMaker->devices();
  std::vector<Device> listed;
  for (size_t i = 0; i < sources.size(); ++i) {
    Device d;
    d.soft = static_cast<int>(i);
    d.info = sources[i].info;
    d.displayName = sources[i].displayName;
    listed.push_back(d);
  }
  orderListed(listed, out);
  return out.empty() ? 5 : 0;
}

void releaseDevices(std::vector<Device>& devices) {
  for (Device& d : devices)
    if (d.device) gst_object_unref(d.device);
  devices.clear();
}

}  // namespace ryk
