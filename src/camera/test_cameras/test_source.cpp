// A test camera's source element: a bin with one "src" ghost pad that, when
// it starts, asks its peer which of the camera's modes it wants and builds
//   videotestsrc is-live ! capsfilter (that mode, raw) [! jpegenc]
// (a side-by-side camera: a red half, boxed to full width with a blue half),
// so it streams only modes the camera offers, as a real one does. It fails
// on demand with the errors and system words v4l2src posts.
#include <gst/video/video.h>

#include <atomic>

#include "camera/test_cameras/provider_internal.h"

namespace {

using ryk::test::TestFailure;
using ryk::test::detail::Cam;

struct Impl {
  std::shared_ptr<Cam> cam;
  GstPad* ghost = nullptr;
  std::vector<GstElement*> children;  // while built
  std::atomic<bool> stopped{false};   // unplugged or failed: push nothing more
  std::atomic<long> pushed{0};        // frames of this start
  std::atomic<bool> running{false};   // built and not yet torn down
  bool raw = true;                    // of the mode it streams
  double mbit = 0.0;                  // the mode's share of the bus
};

struct RykTestSource {
  GstBin parent;
  Impl* impl;
};
struct RykTestSourceClass {
  GstBinClass parent_class;
};

G_DEFINE_TYPE(RykTestSource, ryk_test_source, GST_TYPE_BIN)

// The streaming thread takes over what the element's start set up and hands
// its work back, through locks inside GStreamer that ThreadSanitizer cannot
// see; these mark both hand-overs for it. Nothing in other builds.
#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
void handOver(void* element) { __tsan_release(element); }
void takeOver(void* element) { __tsan_acquire(element); }
#else
void handOver(void*) {}
void takeOver(void*) {}
#endif
struct StreamingThread {
  void* element;
  explicit StreamingThread(void* e) : element(e) { takeOver(element); }
  ~StreamingThread() { handOver(element); }
  StreamingThread(const StreamingThread&) = delete;
  StreamingThread& operator=(const StreamingThread&) = delete;
};

RykTestSource* self(gpointer p) { return G_TYPE_CHECK_INSTANCE_CAST(p, ryk_test_source_get_type(), RykTestSource); }

void postError(GstElement* e, GQuark domain, gint code, const std::string& text, const std::string& debug) {
  gst_element_message_full(e, GST_MESSAGE_ERROR, domain, code, g_strdup(text.c_str()), g_strdup(debug.c_str()),
                           __FILE__, G_STRFUNC, __LINE__);
}

TestFailure failureOf(const Cam& cam) {
  std::lock_guard l(ryk::test::detail::registryMutex());
  return cam.failure;
}

// Megabits per second the mode needs on the bus.
double modeMbit(GstCaps* mode, bool raw) {
  const GstStructure* s = gst_caps_get_structure(mode, 0);
  int w = 0, h = 0, n = 0, d = 1;
  gst_structure_get_int(s, "width", &w);
  gst_structure_get_int(s, "height", &h);
  gst_structure_get_fraction(s, "framerate", &n, &d);
  const double fps = d > 0 ? double(n) / d : 0.0;
  GstVideoInfo info;
  if (raw && gst_video_info_from_caps(&info, mode)) return double(GST_VIDEO_INFO_SIZE(&info)) * 8.0 * fps / 1e6;
  return double(w) * h * 2.0 * fps / 1e6;
}

GstPadProbeReturn onBuffer(GstPad*, GstPadProbeInfo*, gpointer data) {
  const StreamingThread streaming(data);
  RykTestSource* src = self(data);
  Impl& im = *src->impl;
  if (im.stopped) return GST_PAD_PROBE_DROP;
  const TestFailure f = failureOf(*im.cam);
  // Stream-on: the first frame.
  if (im.pushed == 0 && f.noSpace && (f.noSpaceAboveMbit > 0.0 ? im.mbit > f.noSpaceAboveMbit : im.raw)) {
    im.stopped = true;
    postError(GST_ELEMENT(src), GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NO_SPACE_LEFT,
              "Failed to allocate required memory.",
              "Buffer pool activation failed: error with STREAMON on '" + im.cam->port +
                  "'. system error: No space left on device");
    return GST_PAD_PROBE_DROP;
  }
  if (f.silentAfter >= 0 && im.pushed >= f.silentAfter) return GST_PAD_PROBE_DROP;
  ++im.pushed;
  {
    std::lock_guard l(im.cam->framesMutex);
    ++im.cam->frames;
  }
  im.cam->framesArrived.notify_all();
  return GST_PAD_PROBE_OK;
}

// Opening the device: it may be gone or busy.
bool openDevice(GstElement* e, Impl& im) {
  bool present = false;
  TestFailure f;
  {
    std::lock_guard l(ryk::test::detail::registryMutex());
    present = im.cam->present;
    f = im.cam->failure;
  }
  const std::string& port = im.cam->port;
  if (!present) {
    postError(e, GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NOT_FOUND, "Cannot identify device '" + port + "'.",
              "system error: No such device");
    return false;
  }
  if (f.busy) {
    postError(e, GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_BUSY, "Device '" + port + "' is busy",
              "Could not open device '" + port + "' for reading and writing. system error: Device or resource busy");
    return false;
  }
  im.stopped = false;
  im.pushed = 0;
  return true;
}

GstElement* child(GstBin* bin, Impl& im, const char* factory) {
  GstElement* e = gst_element_factory_make(factory, nullptr);
  if (e) {
    gst_bin_add(bin, e);
    im.children.push_back(e);
  }
  return e;
}

void teardown(GstElement* e, Impl& im) {
  takeOver(e);  // streaming has stopped
  gst_ghost_pad_set_target(GST_GHOST_PAD(im.ghost), nullptr);
  for (GstElement* c : im.children) {
    gst_element_set_state(c, GST_STATE_NULL);
    gst_bin_remove(GST_BIN(e), c);
  }
  im.children.clear();
  im.running = false;
}

// The mode the peer asks for among the camera's, made fixed.
GstCaps* askedMode(Impl& im) {
  GstCaps* wanted = gst_pad_peer_query_caps(im.ghost, im.cam->caps);
  if (!wanted || gst_caps_is_empty(wanted)) {
    if (wanted) gst_caps_unref(wanted);
    return nullptr;
  }
  GstCaps* mode = gst_caps_copy_nth(wanted, 0);
  gst_caps_unref(wanted);
  GstStructure* s = gst_caps_get_structure(mode, 0);
  gst_structure_fixate_field_nearest_int(s, "width", 640);
  gst_structure_fixate_field_nearest_int(s, "height", 480);
  gst_structure_fixate_field_nearest_fraction(s, "framerate", 30, 1);
  return gst_caps_fixate(mode);
}

bool build(GstElement* e, Impl& im) {
  GstBin* bin = GST_BIN(e);
  GstCaps* mode = askedMode(im);
  if (!mode) {
    gchar* offered = gst_caps_to_string(im.cam->caps);
    postError(e, GST_CORE_ERROR, GST_CORE_ERROR_NEGOTIATION,
              "Device '" + im.cam->port + "' cannot stream the format asked for",
              std::string("the camera offers ") + offered);
    g_free(offered);
    return false;
  }
  GstStructure* s = gst_caps_get_structure(mode, 0);
  const bool jpeg = gst_structure_has_name(s, "image/jpeg");
  int w = 0;
  gst_structure_get_int(s, "width", &w);
  GstCaps* raw = gst_caps_copy(mode);
  GstStructure* rs = gst_caps_get_structure(raw, 0);
  gst_structure_set_name(rs, "video/x-raw");
  if (jpeg) gst_structure_set(rs, "format", G_TYPE_STRING, "I420", nullptr);
  im.raw = !jpeg;
  im.mbit = modeMbit(mode, !jpeg);

  GstElement* src = child(bin, im, "videotestsrc");
  std::vector<GstElement*> chain{src};
  bool made = src != nullptr;
  if (made) g_object_set(src, "is-live", TRUE, nullptr);
  if (made && im.cam->sideBySide) {
    // Left half red, right half blue: a test sees which half went where.
    gst_util_set_object_arg(G_OBJECT(src), "pattern", "red");
    GstCaps* half = gst_caps_copy(raw);
    gst_caps_set_simple(half, "format", G_TYPE_STRING, "I420", "width", G_TYPE_INT, w / 2, nullptr);
    GstElement* halfFilter = child(bin, im, "capsfilter");
    GstElement* box = child(bin, im, "videobox");
    GstElement* convert = child(bin, im, "videoconvert");
    made = halfFilter && box && convert;
    if (made) {
      g_object_set(halfFilter, "caps", half, nullptr);
      g_object_set(box, "right", -(w - w / 2), nullptr);
      gst_util_set_object_arg(G_OBJECT(box), "fill", "blue");
      chain.insert(chain.end(), {halfFilter, box, convert});
    }
    gst_caps_unref(half);
  } else if (made) {
    gst_util_set_object_arg(G_OBJECT(src), "pattern", im.cam->pattern.c_str());
  }
  GstElement* rawFilter = made ? child(bin, im, "capsfilter") : nullptr;
  if (rawFilter) {
    g_object_set(rawFilter, "caps", raw, nullptr);
    chain.push_back(rawFilter);
  }
  GstElement* encoder = made && jpeg ? child(bin, im, "jpegenc") : nullptr;
  if (encoder) chain.push_back(encoder);
  made = made && rawFilter && (!jpeg || encoder);
  for (size_t i = 1; made && i < chain.size(); ++i) made = gst_element_link(chain[i - 1], chain[i]);
  gst_caps_unref(raw);
  if (!made) {
    postError(e, GST_CORE_ERROR, GST_CORE_ERROR_MISSING_PLUGIN, "Test camera elements missing or not linked", "");
    gst_caps_unref(mode);
    return false;
  }
  GstPad* out = gst_element_get_static_pad(chain.back(), "src");
  gst_ghost_pad_set_target(GST_GHOST_PAD(im.ghost), out);
  gst_pad_add_probe(out, GST_PAD_PROBE_TYPE_BUFFER, onBuffer, e, nullptr);
  gst_object_unref(out);
  gchar* text = gst_caps_to_string(mode);
  {
    std::lock_guard l(ryk::test::detail::registryMutex());
    im.cam->mode = text;
  }
  g_free(text);
  gst_caps_unref(mode);
  im.running = true;
  handOver(e);
  return true;
}

GstStateChangeReturn changeState(GstElement* e, GstStateChange t) {
  Impl& im = *self(e)->impl;
  if (t == GST_STATE_CHANGE_NULL_TO_READY && !openDevice(e, im)) return GST_STATE_CHANGE_FAILURE;
  if (t == GST_STATE_CHANGE_READY_TO_PAUSED && !build(e, im)) {
    teardown(e, im);
    return GST_STATE_CHANGE_FAILURE;
  }
  const GstStateChangeReturn r = GST_ELEMENT_CLASS(ryk_test_source_parent_class)->change_state(e, t);
  if (t == GST_STATE_CHANGE_PAUSED_TO_READY || (t == GST_STATE_CHANGE_READY_TO_PAUSED && r == GST_STATE_CHANGE_FAILURE))
    teardown(e, im);
  return r;
}

void finalize(GObject* o) {
  delete self(o)->impl;
  G_OBJECT_CLASS(ryk_test_source_parent_class)->finalize(o);
}

void ryk_test_source_class_init(RykTestSourceClass* klass) {
  G_OBJECT_CLASS(klass)->finalize = finalize;
  GstElementClass* ec = GST_ELEMENT_CLASS(klass);
  ec->change_state = changeState;
  gst_element_class_set_static_metadata(ec, "Test camera", "Source/Video",
                                        "A live test picture in a recorded camera's modes", "rozoru");
}

void ryk_test_source_init(RykTestSource* s) {
  s->impl = new Impl;
  s->impl->ghost = gst_ghost_pad_new_no_target("src", GST_PAD_SRC);
  gst_element_add_pad(GST_ELEMENT(s), s->impl->ghost);
}

}  // namespace

namespace ryk::test::detail {

GstElement* makeTestSource(const std::shared_ptr<Cam>& cam, const char* name) {
  auto* e = GST_ELEMENT(g_object_new(ryk_test_source_get_type(), "name", name, nullptr));
  self(e)->impl->cam = cam;
  auto ref = std::make_unique<GWeakRef>();
  g_weak_ref_init(ref.get(), e);
  std::lock_guard l(registryMutex());
  // Forget the elements already gone.
  std::erase_if(cam->elements, [](const std::unique_ptr<GWeakRef>& w) {
    GObject* o = static_cast<GObject*>(g_weak_ref_get(w.get()));
    if (o)
      g_object_unref(o);
    else
      g_weak_ref_clear(w.get());
    return o == nullptr;
  });
  cam->elements.push_back(std::move(ref));
  return e;
}

void unplugTestSource(GstElement* source) {
  Impl& im = *self(source)->impl;
  if (im.stopped.exchange(true) || !im.running) return;
  postError(source, GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_READ, "Could not read from resource.",
            "Error reading from device '" + im.cam->port + "'. system error: No such device");
}

}  // namespace ryk::test::detail
