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
    gchar* name = gst_device_get_display_name(d);
    dev.info.name = name ? name : "";
    g_free(name);
    GstStructure* props = gst_device_get_properties(d);
    dev.info.nodePath = stringProp(props, "api.v4l2.path");
    if (dev.info.nodePath.empty()) dev.info.nodePath = stringProp(props, "device.path");
    if (dev.info.nodePath.rfind("/dev/video", 0) != 0) dev.info.nodePath.clear();
    dev.info.busPath = stringProp(props, "device.bus_path");
    if (props) gst_structure_free(props);
    dev.info.provider = G_OBJECT_TYPE_NAME(d);
    dev.device = GST_DEVICE(gst_object_ref(d));
    listed.push_back(std::move(dev));
  }
  g_list_free_full(devices, gst_object_unref);
  gst_object_unref(monitor);

  // Order and de-duplicate on the plain descriptions, then carry the devices along.
  std::vector<DeviceInfo> infos;
  for (const Device& d : listed) infos.push_back(d.info);
  std::vector<DeviceInfo> ordered = orderDevices(infos);
  std::vector<bool> used(listed.size(), false);
  for (const DeviceInfo& info : ordered) {
    for (size_t i = 0; i < listed.size(); ++i) {
      if (used[i] || listed[i].info.name != info.name || listed[i].info.nodePath != info.nodePath ||
          listed[i].info.provider != info.provider)
        continue;
      used[i] = true;
      listed[i].displayName = displayNameFor(info);
      out.push_back(listed[i]);
      listed[i].device = nullptr;
      break;
    }
  }
  for (Device& d : listed)
    if (d.device) gst_object_unref(d.device);
  return out.empty() ? 5 : 0;
}

}  // namespace

int listDevices(std::vector<Device>& out) {
  Library& L = lib();
  if (!L.sourceMaker) return listSystemDevices(out);
  const std::vector<ListedSource> listed = L.sourceMaker->devices();
  for (size_t i = 0; i < listed.size(); ++i) {
    Device d;
    d.soft = static_cast<int>(i);
    d.info = listed[i].info;
    d.displayName = listed[i].displayName;
    out.push_back(d);
  }
  return out.empty() ? 5 : 0;
}

void releaseDevices(std::vector<Device>& devices) {
  for (Device& d : devices)
    if (d.device) gst_object_unref(d.device);
  devices.clear();
}

}  // namespace ryk
