// The test cameras' registry, their GstDevice and the GstDeviceProvider that
// lists them: probed, or started by a device monitor, which then hears of
// every camera added, removed and added again.
#include <gst/gst.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "camera/test_cameras/provider_internal.h"

namespace ryk::test::detail {

Cam::~Cam() {
  if (caps) gst_caps_unref(caps);
  for (auto& w : elements) g_weak_ref_clear(w.get());
}

// The registry lives as long as the process, never destroyed at exit: a
// program's streaming threads may still count frames then.
std::mutex& registryMutex() {
  static auto* m = new std::mutex;
  return *m;
}

namespace {

std::map<std::string, std::shared_ptr<Cam>>& cameras() {  // guarded by registryMutex
  static auto* c = new std::map<std::string, std::shared_ptr<Cam>>;
  return *c;
}

// The devices each started provider has posted, by port. Guarded by registryMutex.
std::map<GstDeviceProvider*, std::map<std::string, GstDevice*>>& started() {
  static auto* s = new std::map<GstDeviceProvider*, std::map<std::string, GstDevice*>>;
  return *s;
}

// Adding, removing and posting happen one at a time, outside registryMutex,
// so a monitor that handles a posted device at once may create its element.
std::mutex& postingMutex() {
  static auto* m = new std::mutex;
  return *m;
}

}  // namespace

std::shared_ptr<Cam> findCamera(const std::string& port) {
  std::lock_guard l(registryMutex());
  auto it = cameras().find(port);
  return it == cameras().end() ? nullptr : it->second;
}

}  // namespace ryk::test::detail

namespace {

using ryk::test::detail::Cam;
using ryk::test::detail::cameras;
using ryk::test::detail::postingMutex;
using ryk::test::detail::registryMutex;
using ryk::test::detail::started;

struct RykTestDevice {
  GstDevice parent;
  gchar* port;
};
struct RykTestDeviceClass {
  GstDeviceClass parent_class;
};
G_DEFINE_TYPE(RykTestDevice, ryk_test_device, GST_TYPE_DEVICE)

GstElement* createElement(GstDevice* device, const gchar* name) {
  auto* d = G_TYPE_CHECK_INSTANCE_CAST(device, ryk_test_device_get_type(), RykTestDevice);
  auto cam = ryk::test::detail::findCamera(d->port);
  return cam ? ryk::test::detail::makeTestSource(cam, name) : nullptr;
}

void deviceFinalize(GObject* o) {
  g_free(G_TYPE_CHECK_INSTANCE_CAST(o, ryk_test_device_get_type(), RykTestDevice)->port);
  G_OBJECT_CLASS(ryk_test_device_parent_class)->finalize(o);
}

void ryk_test_device_class_init(RykTestDeviceClass* klass) {
  G_OBJECT_CLASS(klass)->finalize = deviceFinalize;
  GST_DEVICE_CLASS(klass)->create_element = createElement;
}
void ryk_test_device_init(RykTestDevice*) {}

// "usb-0000:00:14.0-3.1" -> "pci-0000:00:14.0-usb-0:3.1:1.0-video-index0", as udev names it.
std::string byPathOf(const std::string& port) {
  const size_t dash = port.rfind('-');
  if (!port.starts_with("usb-") || dash <= 4) return port;
  return "pci-" + port.substr(4, dash - 4) + "-usb-0:" + port.substr(dash + 1) + ":1.0-video-index0";
}

// A new device for the camera (floating). Called under registryMutex.
GstDevice* newDevice(const Cam& c) {
  // Bus path and bus info as the V4L2 provider gives them; no node path, so
  // the library asks this device for its element instead of opening a node.
  GstStructure* props =
      gst_structure_new("ryk-test-camera", "device.bus_path", G_TYPE_STRING, byPathOf(c.port).c_str(),
                        "api.v4l2.cap.bus_info", G_TYPE_STRING, c.port.c_str(), "device.api", G_TYPE_STRING, "ryk-test",
                        "ryk-test.caps-file", G_TYPE_STRING, c.filePath.c_str(), nullptr);
  GObject* o = G_OBJECT(g_object_new(ryk_test_device_get_type(), "display-name", c.name.c_str(), "device-class",
                                     "Video/Source", "caps", c.caps, "properties", props, nullptr));
  gst_structure_free(props);
  G_TYPE_CHECK_INSTANCE_CAST(o, ryk_test_device_get_type(), RykTestDevice)->port = g_strdup(c.port.c_str());
  return GST_DEVICE(o);
}

struct RykTestProvider {
  GstDeviceProvider parent;
};
struct RykTestProviderClass {
  GstDeviceProviderClass parent_class;
};
G_DEFINE_TYPE(RykTestProvider, ryk_test_provider, GST_TYPE_DEVICE_PROVIDER)

GList* probe(GstDeviceProvider*) {
  std::lock_guard l(registryMutex());
  GList* list = nullptr;
  for (auto& [port, cam] : cameras())
    if (cam->present) list = g_list_append(list, newDevice(*cam));
  return list;
}

gboolean start(GstDeviceProvider* p) {
  std::lock_guard posting(postingMutex());
  std::vector<GstDevice*> devices;
  {
    std::lock_guard l(registryMutex());
    auto& mine = started()[p];
    for (auto& [port, cam] : cameras())
      if (cam->present) devices.push_back(mine[port] = newDevice(*cam));
  }
  for (GstDevice* d : devices) gst_device_provider_device_add(p, d);
  return TRUE;
}

void stop(GstDeviceProvider* p) {
  // Not under postingMutex: a monitor may stop while a posting waits for it.
  std::lock_guard l(registryMutex());
  started().erase(p);  // the base class lets go of its devices
}

void ryk_test_provider_class_init(RykTestProviderClass* klass) {
  GstDeviceProviderClass* pc = GST_DEVICE_PROVIDER_CLASS(klass);
  pc->probe = probe;
  pc->start = start;
  pc->stop = stop;
  gst_device_provider_class_set_static_metadata(pc, "Test cameras", "Source/Video",
                                                "Cameras from recorded camera modes, for tests", "rozoru");
}
void ryk_test_provider_init(RykTestProvider*) {}

// Posts the camera's removal on every started provider.
void postRemoved(const std::string& port) {
  std::vector<std::pair<GstDeviceProvider*, GstDevice*>> gone;
  {
    std::lock_guard l(registryMutex());
    for (auto& [p, devices] : started()) {
      auto it = devices.find(port);
      if (it == devices.end()) continue;
      gone.emplace_back(GST_DEVICE_PROVIDER(gst_object_ref(p)), GST_DEVICE(gst_object_ref(it->second)));
      devices.erase(it);
    }
  }
  for (auto [p, d] : gone) {
    gst_device_provider_device_remove(p, d);
    gst_object_unref(d);
    gst_object_unref(p);
  }
}

void postAdded(const std::string& port) {
  std::vector<std::pair<GstDeviceProvider*, GstDevice*>> added;
  {
    std::lock_guard l(registryMutex());
    auto cam = cameras().find(port);
    if (cam == cameras().end()) return;
    for (auto& [p, devices] : started()) {
      GstDevice* d = newDevice(*cam->second);
      devices[port] = d;
      added.emplace_back(GST_DEVICE_PROVIDER(gst_object_ref(p)), d);
    }
  }
  for (auto [p, d] : added) {
    gst_device_provider_device_add(p, d);
    gst_object_unref(p);
  }
}

// The running elements of a camera, each with a reference.
std::vector<GstElement*> elementsOf(Cam& cam) {
  std::vector<GstElement*> out;
  for (auto& w : cam.elements)
    if (auto* e = static_cast<GstElement*>(g_weak_ref_get(w.get()))) out.push_back(e);
  return out;
}

bool readFile(const std::string& file, Cam& cam, std::string& defaultPort, std::string& error) {
  namespace fs = std::filesystem;
  fs::path path = file;
  if (!path.has_parent_path()) path = fs::path(ryk::test::testCamerasDir()) / path;
  std::ifstream in(path);
  if (!in) {
    error = "cannot read " + path.string();
    return false;
  }
  cam.filePath = path.string();
  cam.caps = gst_caps_new_empty();
  std::string line;
  for (int n = 1; std::getline(in, line); ++n) {
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    if (line[0] == '#') {
      if (line.find("side by side") != std::string::npos) cam.sideBySide = true;
      constexpr std::string_view key = "api.v4l2.cap.bus_info=";
      if (const size_t at = line.find(key); at != std::string::npos) {
        const std::string rest = line.substr(at + key.size());
        defaultPort = rest.substr(0, rest.find_first_of(" \t"));
      }
      continue;
    }
    GstCaps* c = gst_caps_from_string(line.c_str());
    if (!c || gst_caps_is_empty(c)) {
      if (c) gst_caps_unref(c);
      error = path.string() + ":" + std::to_string(n) + " is not a caps structure";
      return false;
    }
    gst_caps_append(cam.caps, c);
  }
  if (gst_caps_is_empty(cam.caps)) {
    error = path.string() + " lists no modes";
    return false;
  }
  return true;
}

}  // namespace

namespace ryk::test {

namespace detail {
gboolean registerProviderIn(GstPlugin* plugin) {
  return gst_device_provider_register(plugin, "rykcamerasprovider", GST_RANK_PRIMARY, ryk_test_provider_get_type());
}
}  // namespace detail

bool registerTestProvider() {
  static const bool ok = [] {
    if (!gst_init_check(nullptr, nullptr, nullptr)) return false;
    return gst_plugin_register_static(GST_VERSION_MAJOR, GST_VERSION_MINOR, "rykcameras", "Test cameras",
                                      detail::registerProviderIn, "1.0", "Proprietary", "rozoru", "rozoru",
                                      "rozoru") == TRUE;
  }();
  return ok;
}

std::string testCamerasDir() { return RYK_CAMERA_MODES_DIR; }

std::vector<std::string> testCameraFiles() {
  std::vector<std::string> files;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(testCamerasDir(), ec))
    if (e.path().extension() == ".caps") files.push_back(e.path().string());
  std::sort(files.begin(), files.end());
  return files;
}

bool addTestCamera(const TestCamera& camera, std::string* error) {
  std::string why, defaultPort;
  auto cam = std::make_shared<Cam>();
  bool ok = readFile(camera.capsFile, *cam, defaultPort, why);
  cam->port = camera.port.empty() ? defaultPort : camera.port;
  cam->name = camera.name.empty() ? "Test Camera (" + std::filesystem::path(camera.capsFile).stem().string() + ")"
                                  : camera.name;
  cam->pattern = camera.pattern;
  cam->failure = camera.failure;
  if (ok && cam->port.empty()) {
    why = camera.capsFile + " names no port: give one";
    ok = false;
  }
  std::lock_guard posting(detail::postingMutex());
  if (ok) {
    std::lock_guard l(registryMutex());
    ok = cameras().emplace(cam->port, cam).second;
    if (!ok) why = "port " + cam->port + " is taken";
  }
  if (!ok) {
    if (error) *error = why;
    return false;
  }
  postAdded(cam->port);
  return true;
}

bool removeTestCamera(const std::string& port) {
  std::lock_guard posting(detail::postingMutex());
  std::vector<GstElement*> running;
  {
    std::lock_guard l(registryMutex());
    auto it = cameras().find(port);
    if (it == cameras().end() || !it->second->present) return false;
    it->second->present = false;
    running = elementsOf(*it->second);
  }
  postRemoved(port);
  for (GstElement* e : running) {
    detail::unplugTestSource(e);
    gst_object_unref(e);
  }
  return true;
}

bool readdTestCamera(const std::string& port) {
  std::lock_guard posting(detail::postingMutex());
  {
    std::lock_guard l(registryMutex());
    auto it = cameras().find(port);
    if (it == cameras().end() || it->second->present) return false;
    it->second->present = true;
  }
  postAdded(port);
  return true;
}

bool setTestFailure(const std::string& port, const TestFailure& failure) {
  std::lock_guard l(registryMutex());
  auto it = cameras().find(port);
  if (it == cameras().end()) return false;
  it->second->failure = failure;
  return true;
}

void clearTestCameras() {
  std::vector<std::string> ports;
  {
    std::lock_guard l(registryMutex());
    for (auto& [port, cam] : cameras()) ports.push_back(port);
  }
  for (const std::string& port : ports) {
    removeTestCamera(port);
    std::lock_guard posting(detail::postingMutex());
    std::lock_guard l(registryMutex());
    cameras().erase(port);
  }
}

long testFramesPushed(const std::string& port) {
  auto cam = detail::findCamera(port);
  if (!cam) return 0;
  std::lock_guard l(cam->framesMutex);
  return cam->frames;
}

bool waitTestFrames(const std::string& port, long count, std::chrono::milliseconds timeout) {
  auto cam = detail::findCamera(port);
  if (!cam) return false;
  std::unique_lock l(cam->framesMutex);
  return cam->framesArrived.wait_for(l, timeout, [&] { return cam->frames >= count; });
}

std::string testCameraMode(const std::string& port) {
  auto cam = detail::findCamera(port);
  if (!cam) return "";
  std::lock_guard l(registryMutex());
  return cam->mode;
}

bool parseTestCameras(const std::string& spec, std::vector<TestCamera>& out, std::string& error) {
  out.clear();
  size_t start = 0;
  while (start <= spec.size()) {
    const size_t end = std::min(spec.find(';', start), spec.size());
    const std::string entry = spec.substr(start, end - start);
    start = end + 1;
    if (entry.empty()) continue;
    TestCamera c;
    std::vector<std::string> parts;
    for (size_t p = 0; p <= entry.size();) {
      const size_t comma = std::min(entry.find(',', p), entry.size());
      parts.push_back(entry.substr(p, comma - p));
      p = comma + 1;
    }
    const size_t at = parts[0].rfind('@');
    c.capsFile = parts[0].substr(0, at);
    if (at != std::string::npos) c.port = parts[0].substr(at + 1);
    bool ok = !c.capsFile.empty();
    for (size_t i = 1; ok && i < parts.size(); ++i) {
      const std::string& o = parts[i];
      if (o == "fail=busy") {
        c.failure.busy = true;
      } else if (o == "fail=nospace") {
        c.failure.noSpace = true;
      } else if (o.starts_with("fail=nospace>")) {
        c.failure.noSpace = true;
        c.failure.noSpaceAboveMbit = std::atof(o.c_str() + 13);
        ok = c.failure.noSpaceAboveMbit > 0.0;
      } else if (o.starts_with("fail=silent:")) {
        c.failure.silentAfter = std::atol(o.c_str() + 12);
        ok = o.size() > 12 && c.failure.silentAfter >= 0;
      } else if (o.starts_with("pattern=") && o.size() > 8) {
        c.pattern = o.substr(8);
      } else if (o.starts_with("name=") && o.size() > 5) {
        c.name = o.substr(5);
      } else {
        ok = false;
      }
    }
    if (!ok) {
      error = "test camera \"" + entry +
              "\" is not file@port[,fail=busy|nospace|nospace>MBIT|silent:N][,pattern=P][,name=N]";
      out.clear();
      return false;
    }
    out.push_back(std::move(c));
  }
  return true;
}

}  // namespace ryk::test
