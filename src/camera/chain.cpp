// Each camera's chain in the one pipeline, all on one clock and base time:
//   source ! capsfilter (the chosen mode: format, width, height, rate)
//          ! [jpegdec] ! [videocrop: the centred 4:3 part] ! videoconvert
//          ! videoscale ! appsink (BGRx 320x240, square pixels)
// and the appsink that calls the camera's grabber on the streaming thread.
#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

#include <cstdio>
#include <vector>

#include "camera/caps_modes.h"
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
  // Mapped as a video frame, so rows are read at the buffer's own stride
  // (its video meta, else the caps' layout), which need not be packed.
  GstVideoInfo info;
  GstVideoFrame frame;
  GstCaps* caps = gst_sample_get_caps(sample);
  if (buf && caps && gst_video_info_from_caps(&info, caps) && gst_video_frame_map(&frame, &info, buf, GST_MAP_READ)) {
    // Clock time of capture: running time plus the pipeline's base time, the
    // same for every camera.
    GstClockTime t = GST_BUFFER_PTS(buf);
    const GstClockTime base = gst_element_get_base_time(GST_ELEMENT(sink));
    if (!GST_CLOCK_TIME_IS_VALID(t)) {
      GstClock* clock = gst_element_get_clock(GST_ELEMENT(sink));
      t = clock ? gst_clock_get_time(clock) - base : 0;
      if (clock) gst_object_unref(clock);
    }
    // The last row may end without its padding.
    const long stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
    const long rows = GST_VIDEO_FRAME_HEIGHT(&frame);
    const long lastRow = static_cast<long>(GST_VIDEO_FRAME_COMP_PSTRIDE(&frame, 0)) * GST_VIDEO_FRAME_WIDTH(&frame);
    grabber->BufferCB(static_cast<double>(base + t) / GST_SECOND,
                      static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                      rows > 0 ? (rows - 1) * stride + lastRow : 0, stride);
    gst_video_frame_unmap(&frame);
  }
  gst_sample_unref(sample);
  return GST_FLOW_OK;
}

// The caps the source offers: the device's, or for a software source what
// its pad can give.
GstCaps* offeredCaps(const Device& dev, GstElement* source) {
  if (dev.device) return gst_device_get_caps(dev.device);
  GstPad* pad = gst_element_get_static_pad(source, "src");
  if (!pad) return nullptr;
  GstCaps* c = gst_pad_query_caps(pad, nullptr);
  gst_object_unref(pad);
  return c;
}

// The modes without MJPEG, for when no JPEG decoder is installed.
std::vector<OfferedMode> rawOnly(std::vector<OfferedMode> modes) {
  std::erase_if(modes, [](const OfferedMode& m) { return m.encoding == Encoding::Mjpeg; });
  return modes;
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

  // One explicit mode, so the camera neither picks its own favourite size
  // nor squeezes a wide picture.
  GstCaps* offered = offeredCaps(dev, source);
  if (dev.device && !offered) return 10;
  std::vector<OfferedMode> modes = offeredModes(offered);
  if (offered) gst_caps_unref(offered);
  const Fraction rate{fpsN, fpsD};
  ChosenMode chosen = chooseMode(modes, rate);
  GstElement* decoder = nullptr;
  if (chosen.found && chosen.encoding == Encoding::Mjpeg) {
    decoder = make("jpegdec", k, "decode");
    if (!decoder) chosen = chooseMode(rawOnly(std::move(modes)), rate);
  }
  GstCaps* wanted = capsFor(chosen);
  if (!wanted) {
    rozoru::logEvent("camera " + std::to_string(k) + " (" + dev.displayName + "): no usable video mode (" +
                     chosen.reason + ")");
    return 11;
  }
  rozoru::logEvent("camera " + std::to_string(k) + ": " + dev.info.name + " (" + dev.displayName + "), mode " +
                   describe(chosen) + ": " + chosen.reason);
  g_object_set(capsf, "caps", wanted, nullptr);
  gst_caps_unref(wanted);
  if (decoder) gst_bin_add(GST_BIN(a.pipeline), decoder);
  GstElement* crop = nullptr;
  if (chosen.centreCrop) {
    crop = make("videocrop", k, "crop");
    if (!crop) return 9;
    const Crop& c = chosen.crop;
    g_object_set(crop, "left", c.x, "right", chosen.width - c.x - c.width, "top", c.y, "bottom",
                 chosen.height - c.y - c.height, nullptr);
    gst_bin_add(GST_BIN(a.pipeline), crop);
  }
  // The crop is 4:3 up to a pixel: stretch that pixel rather than add borders.
  g_object_set(scale, "add-borders", FALSE, nullptr);

  GstElement* sink = make("appsink", k, "grabber");
  if (!sink) return 12;
  GstCaps* bgrx = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", "width", G_TYPE_INT, RYK_WIDTH,
                                      "height", G_TYPE_INT, RYK_HEIGHT, "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1,
                                      nullptr);
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
  // source ! caps ! [decode] ! [crop] ! convert ! scale ! sink
  GstElement* prev = capsf;
  bool linked = gst_element_link(source, capsf);
  for (GstElement* e : {decoder, crop, convert, scale, sink}) {
    if (!e || !linked) continue;
    linked = gst_element_link(prev, e);
    prev = e;
  }
  if (!linked) return 15;

  auto cam = std::make_shared<Camera>();
  cam->displayName = dev.displayName;
  cam->grabber = std::make_shared<ryk_SampleGrabberCB>(k);
  ryk_frameBytes[k] = 0;
  ryk_frameTime[k] = 0.0;
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
