// Cameras plugged back in. While the library runs, a device monitor reports
// every video source that leaves and arrives; the bus thread restarts a
// failed or stalled camera when a device arrives at its USB port (the same
// port, so the same eye) after one left it, with the new device, the same
// camera number, base time, grabber and frame store, so the application's
// pointers stay valid. (A monitor also reports the devices there already as
// arrivals when it starts: those are not plugged back in.) The application
// may also ask for every camera that is down to be restarted (its Start).
#include "camera/handover.h"
#include "camera/library_state.h"
#include "shell/core/event_log.h"

namespace ryk {

namespace {

// The arrival, on the library's bus (the monitor's providers post from
// their own threads).
void postArrival(GstBus* bus, GstDevice* device, const std::string& port, bool arrived) {
  GstStructure* s = gst_structure_new(arrived ? "ryk-device" : "ryk-device-gone", "port", G_TYPE_STRING, port.c_str(),
                                      nullptr);
  if (device) gst_structure_set(s, "device", GST_TYPE_DEVICE, device, nullptr);
  detail::beforePosting();
  gst_bus_post(bus, gst_message_new_application(nullptr, s));
}

GstBusSyncReply onMonitorMessage(GstBus*, GstMessage* msg, gpointer data) {
  const bool added = GST_MESSAGE_TYPE(msg) == GST_MESSAGE_DEVICE_ADDED;
  if (added || GST_MESSAGE_TYPE(msg) == GST_MESSAGE_DEVICE_REMOVED) {
    GstDevice* device = nullptr;
    if (added)
      gst_message_parse_device_added(msg, &device);
    else
      gst_message_parse_device_removed(msg, &device);
    if (device) {
      const DeviceInfo info = infoOf(device);
      // A camera's metadata node arrives at the same port: not a camera.
      if (info.canCapture || !added)
        postArrival(static_cast<GstBus*>(data), added ? device : nullptr, portPathOf(info), added);
      gst_object_unref(device);
    }
  }
  return GST_BUS_DROP;
}

}  // namespace

void watchArrivals() {
  Library& L = lib();
  // Software sources are not plugged in.
  if (L.sourceMaker || L.monitor) return;
  GstDeviceMonitor* monitor = gst_device_monitor_new();
  if (!monitor) return;
  gst_device_monitor_add_filter(monitor, "Video/Source", nullptr);
  gst_device_monitor_set_show_all_devices(monitor, TRUE);
  GstBus* bus = gst_device_monitor_get_bus(monitor);
  gst_bus_set_sync_handler(bus, onMonitorMessage, gst_object_ref(L.bus), gst_object_unref);
  gst_object_unref(bus);
  if (!gst_device_monitor_start(monitor)) {
    rozoru::logEvent("cameras plugged back in will not be noticed: the device monitor would not start");
    gst_object_unref(monitor);
    return;
  }
  L.monitor = monitor;
}

void stopWatchingArrivals() {
  Library& L = lib();
  if (!L.monitor) return;
  gst_device_monitor_stop(L.monitor);
  gst_object_unref(L.monitor);
  L.monitor = nullptr;
}

void deviceLeft(const std::string& port) {
  for (int k = 0; k < RYK_MAX_CAMERAS; ++k)
    if (auto cam = camera(k); cam && !port.empty() && portPathOf(cam->dev.info) == port) cam->unplugged = true;
}

bool isDown(const std::shared_ptr<Camera>& c) {
  const int s = c ? c->grabber->store()->state.load() : RYK_CAMERA_STREAMING;
  return s == RYK_CAMERA_FAILED || s == RYK_CAMERA_STALLED;
}

namespace {

// Restarts camera k's chain (a side-by-side device's through its right half),
// with `device` in place of the one it had when that is another.
void restartCamera(int k, const std::shared_ptr<Camera>& cam, GstDevice* device, const char* why) {
  cam->unplugged = false;
  if (device && device != cam->dev.device) {
    // Its node number may have changed; its port has not.
    GstDevice* old = cam->dev.device;
    cam->dev.device = GST_DEVICE(gst_object_ref(device));
    cam->dev.info = infoOf(device);
    if (old) gst_object_unref(old);
  }
  rozoru::logEvent("camera " + std::to_string(k) + ": " + cam->device + why);
  cam->tries = 0;
  if (const int code = startCamera(k)) {
    stopCamera(k);
    cam->grabber->store()->fail();
    if (auto other = camera(cam->partner)) other->grabber->store()->fail();
    rozoru::logEvent("camera " + std::to_string(k) + " did not restart (error " + std::to_string(code) + ")");
  }
}

// The cameras that own a chain and are down, or whose other half is.
std::vector<int> downCameras() {
  std::vector<int> down;
  for (int k = 0; k < RYK_MAX_CAMERAS; ++k) {
    auto cam = camera(k);
    if (cam && !(cam->sideBySide && !cam->right) && (isDown(cam) || isDown(camera(cam->partner)))) down.push_back(k);
  }
  return down;
}

}  // namespace

void deviceArrived(GstDevice* device, const std::string& port) {
  Library& L = lib();
  if (!L.running || port.empty()) return;
  for (int k : downCameras()) {
    auto cam = camera(k);
    if (portPathOf(cam->dev.info) == port && cam->unplugged) restartCamera(k, cam, device, " is back; restarting it");
  }
}

void restartDownCameras() {
  Library& L = lib();
  if (!L.running) return;
  const std::vector<int> down = downCameras();
  if (down.empty()) return;
  // A camera may have come back at its port as another node, unnoticed.
  std::vector<Device> listed;
  if (!L.sourceMaker) listDevices(listed);
  for (int k : down) {
    auto cam = camera(k);
    GstDevice* device = nullptr;
    for (const Device& d : listed)
      if (d.device && !portPathOf(cam->dev.info).empty() && portPathOf(d.info) == portPathOf(cam->dev.info))
        device = d.device;
    restartCamera(k, cam, device, ": starting it again");
  }
  releaseDevices(listed);
}

}  // namespace ryk

int ryk_RestartFailed() {
  auto& L = ryk::lib();
  std::unique_lock lock(L.lock, std::defer_lock);
  if (!lock.try_lock_for(std::chrono::seconds(5)) || !ryk_ready || !L.running) return 0;
  int n = 0;
  for (int k = 0; k < RYK_MAX_CAMERAS; ++k) n += ryk::isDown(ryk::camera(k)) ? 1 : 0;
  // The bus thread restarts them, as it does a camera plugged back in, so
  // that two restarts of one camera never overlap.
  if (n > 0)
    gst_bus_post(L.bus, gst_message_new_application(nullptr, gst_structure_new_empty("ryk-restart")));
  return n;
}
