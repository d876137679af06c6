// Each camera's chain in the one pipeline, all on one clock and base time:
//   source ! capsfilter (320x240 at the rate; JPEG when the camera offers it)
//          ! [jpegdec] ! videoconvert ! videoscale ! appsink (BGRx 320x240)
// with the caps right after the source, and the appsink that calls the
// camera's grabber on the streaming thread.
#include <gst/app/gstappsink.h>

#include <cstdio>
#include <cstring>

#include "camera/handover.h"
#include "camera/library_state.h"
#include "shell/core/event_log.h"

namespace ryk {

namespace {

GstFlowReturn onNewSample(GstAppSink* sink, gpointer data) {
  [[maybe_unused]] const detail::StreamingCallback handOver;
  auto* grabber = static_cast<std::shared_ptr<ryk_SampleGrabberCB>*>(data)->get();
  GstSample* sample = gst_app_sink_pull_sample(sink);
  if (!sample) return GST_FLOW_OK;
  GstBuffer* buf = gst_sample_get_buffer(sample);
  GstMapInfo map;
  if (buf && gst_buffer_map(buf, &map, GST_MAP_READ)) {
    // Clock time of capture: running time plus the pipeline's base time, the
    // same for every camera.
    GstClockTime t = GST_BUFFER_PTS(buf);
    const GstClockTime base = gst_element_get_base_time(GST_ELEMENT(sink));
    if (!GST_CLOCK_TIME_IS_VALID(t)) {
      GstClock* clock = gst_element_get_clock(GST_ELEMENT(sink));
      t = clock ? gst_clock_get_time(clock) - base : 0;
      if (clock) gst_object_unref(clock);
    }
    grabber->BufferCB(static_cast<double>(base + t) / GST_SECOND, map.data, static_cast<long>(map.size));
    gst_buffer_unmap(buf, &map);
  }
  gst_sample_unref(sample);
  return GST_FLOW_OK;
}

// The caps right after the source: JPEG at 320x240 when the camera has it
// (two cameras on one USB controller need the smaller stream), else raw at
// 320x240, else whatever size the camera has (videoscale fits it).
GstCaps* chooseCaps(GstCaps* offered, int fpsN, int fpsD, bool& jpeg) {
  const char* kinds[] = {"image/jpeg", "video/x-raw"};
  for (int sized = 1; sized >= 0; --sized) {
    for (int rated = 1; rated >= 0; --rated) {
      for (const char* kind : kinds) {
        GstCaps* c = gst_caps_new_empty_simple(kind);
        if (sized) gst_caps_set_simple(c, "width", G_TYPE_INT, RYK_WIDTH, "height", G_TYPE_INT, RYK_HEIGHT, nullptr);
        if (rated) gst_caps_set_simple(c, "framerate", GST_TYPE_FRACTION, fpsN, fpsD, nullptr);
        if (!offered || gst_caps_can_intersect(offered, c)) {
          jpeg = std::strcmp(kind, "image/jpeg") == 0;
          if (!offered && jpeg) {
            gst_caps_unref(c);
            continue;  // a source that says nothing gets raw
          }
          return c;
        }
        gst_caps_unref(c);
      }
    }
  }
  return nullptr;
}

GstElement* make(const char* factory, int k, const char* role) {
  char name[48];
  std::snprintf(name, sizeof name, "cam%d-%s", k, role);
  return gst_element_factory_make(factory, name);
}

}  // namespace

int buildCamera(Attempt& a, int k, const Device& dev, GstElement* source, int fpsN, int fpsD,
                std::shared_ptr<SourceRuntime> runtime) {
  Library& L = lib();
  ryk_width[k] = RYK_WIDTH;
  ryk_height[k] = RYK_HEIGHT;
  GstElement* capsf = make("capsfilter", k, "caps");
  GstElement* convert = make("videoconvert", k, "convert");
  GstElement* scale = make("videoscale", k, "scale");
  if (!capsf || !convert || !scale) {
    for (GstElement* e : {capsf, convert, scale})
      if (e) gst_object_unref(e);
    return 9;
  }
  gst_bin_add_many(GST_BIN(a.pipeline), capsf, convert, scale, nullptr);

  GstCaps* offered = dev.device ? gst_device_get_caps(dev.device) : nullptr;
  if (dev.device && !offered) return 10;
  bool jpeg = false;
  GstCaps* wanted = chooseCaps(offered, fpsN, fpsD, jpeg);
  GstElement* decoder = nullptr;
  if (wanted && jpeg) {
    decoder = make("jpegdec", k, "decode");
    if (!decoder) {  // no decoder installed: take the raw mode if the camera has one
      gst_caps_unref(wanted);
      GstCaps* raw = gst_caps_copy(offered);
      GstCaps* rawOnly = gst_caps_new_empty_simple("video/x-raw");
      GstCaps* x = gst_caps_intersect(raw, rawOnly);
      gst_caps_unref(raw);
      gst_caps_unref(rawOnly);
      wanted = gst_caps_is_empty(x) ? nullptr : chooseCaps(x, fpsN, fpsD, jpeg);
      gst_caps_unref(x);
    }
  }
  if (offered) gst_caps_unref(offered);
  if (!wanted) {
    rozoru::logEvent("camera " + std::to_string(k) + " (" + dev.displayName + "): no usable video mode");
    return 11;
  }
  gchar* mode = gst_caps_to_string(wanted);
  rozoru::logEvent("camera " + std::to_string(k) + ": " + dev.info.name + " (" + dev.displayName + "), mode " + mode);
  g_free(mode);
  g_object_set(capsf, "caps", wanted, nullptr);
  gst_caps_unref(wanted);
  if (decoder) gst_bin_add(GST_BIN(a.pipeline), decoder);

  GstElement* sink = make("appsink", k, "grabber");
  if (!sink) return 12;
  GstCaps* bgrx = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", "width", G_TYPE_INT, RYK_WIDTH,
                                      "height", G_TYPE_INT, RYK_HEIGHT, nullptr);
  if (!bgrx) {
    gst_object_unref(sink);
    return 13;
  }
  // Newest frame wins; the sink neither waits for the clock nor prerolls, so
  // one silent camera cannot hold the others back.
  g_object_set(sink, "caps", bgrx, "sync", FALSE, "async", FALSE, "max-buffers", 1u, "drop", TRUE,
               "enable-last-sample", FALSE, nullptr);
  gst_caps_unref(bgrx);
  if (!gst_bin_add(GST_BIN(a.pipeline), sink)) return 14;
  const bool linked = decoder ? gst_element_link_many(source, capsf, decoder, convert, scale, sink, nullptr)
                              : gst_element_link_many(source, capsf, convert, scale, sink, nullptr);
  if (!linked) return 15;

  auto cam = std::make_shared<Camera>();
  cam->displayName = dev.displayName;
  cam->grabber = std::make_shared<ryk_SampleGrabberCB>(k);
  ryk_frameBytes[k] = 0;
  ryk_frameTime[k] = 0.0;
  ryk_frame[k] = cam->grabber->store()->pixels.get();
  GstAppSinkCallbacks callbacks{};
  callbacks.new_sample = onNewSample;
  gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, new std::shared_ptr<ryk_SampleGrabberCB>(cam->grabber),
                             [](gpointer p) { delete static_cast<std::shared_ptr<ryk_SampleGrabberCB>*>(p); });

  if (runtime) {
    cam->source = runtime;
    if (auto node = runtime->controlNode()) cam->controls = std::make_shared<CameraControls>(std::move(node));
  } else if (!dev.info.nodePath.empty()) {
    int err = 0;
    if (auto node = openV4l2Node(dev.info.nodePath, &err)) cam->controls = std::make_shared<CameraControls>(std::move(node));
  }
  for (int p = 0; p < RYK_PROPERTIES; ++p) ryk_available[k][p] = cam->controls ? cam->controls->available(p) : 0;
  {
    std::lock_guard lock(L.tableMutex);
    L.cameras[static_cast<size_t>(k)] = cam;
    L.grabbers[static_cast<size_t>(k)] = cam->grabber;
  }
  ryk_grabber[k] = cam->grabber.get();
  return 0;
}

}  // namespace ryk
