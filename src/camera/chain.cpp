// Each camera's chain, in its own pipeline on the library's clock and base time:
//   source ! capsfilter (the chosen mode: format, width, height, rate)
//          ! [jpegdec] ! [videocrop: the centred 4:3 part] ! videoscale
//          ! videoconvert ! appsink (BGRx 320x240, square pixels)
// Scaling comes before the conversion, so only the small picture is converted.
// and the appsink that calls the camera's grabber on the streaming thread. A
// side-by-side stereo device splits after the decoder: tee, and for each half
// videocrop ! videoscale ! videoconvert ! appsink, the right half to the
// camera itself (the right eye), the left half to its partner.
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

// Adds `e` to the pipeline; false (and `e` let go) when it is null or refused.
bool add(GstElement* pipeline, GstElement* e) {
  if (!e) return false;
  if (gst_bin_add(GST_BIN(pipeline), e)) return true;
  gst_object_unref(e);
  return false;
}

// [videocrop] ! videoscale ! videoconvert ! appsink for camera k, fed from
// `from`; `half` is -1 for the whole picture, 0 the left and 1 the right half.
int addBranch(GstElement* pipeline, GstElement* from, int k, const ChosenMode& m, int half,
              const std::shared_ptr<ryk_SampleGrabberCB>& grabber) {
  GstElement* crop = nullptr;
  if (m.centreCrop || half >= 0) {
    crop = make("videocrop", k, "crop");
    if (!add(pipeline, crop)) return 9;
    const Crop& c = m.crop;
    const int x = (half > 0 ? m.width / 2 : 0) + c.x;
    g_object_set(crop, "left", x, "right", m.width - x - c.width, "top", c.y, "bottom", m.height - c.y - c.height,
                 nullptr);
  }
  GstElement* convert = make("videoconvert", k, "convert");
  GstElement* scale = make("videoscale", k, "scale");
  if (!add(pipeline, convert) || !add(pipeline, scale)) return 9;
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
  // a slow half or camera holds nothing back.
  g_object_set(sink, "caps", bgrx, "sync", FALSE, "async", FALSE, "max-buffers", 1u, "drop", TRUE,
               "enable-last-sample", FALSE, nullptr);
  gst_caps_unref(bgrx);
  if (!add(pipeline, sink)) return 14;
  GstElement* prev = from;
  for (GstElement* e : {crop, scale, convert, sink}) {
    if (!e) continue;
    if (!gst_element_link(prev, e)) return 15;
    prev = e;
  }
  GstAppSinkCallbacks callbacks{};
  callbacks.new_sample = onNewSample;
  gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, new std::shared_ptr<ryk_SampleGrabberCB>(grabber),
                             [](gpointer p) { delete static_cast<std::shared_ptr<ryk_SampleGrabberCB>*>(p); });
  return 0;
}

}  // namespace

int buildChain(GstElement* pipeline, int k, Camera& cam, GstElement* source) {
  const Device& dev = cam.dev;
  const int across = cam.sideBySide ? 2 : 1;
  GstElement* capsf = make("capsfilter", k, "caps");
  if (!add(pipeline, capsf)) return 9;

  // One explicit mode, so the camera neither picks its own favourite size
  // nor squeezes a wide picture.
  if (cam.offered.empty()) {
    GstCaps* offered = offeredCaps(dev, source);
    if (dev.device && !offered) return 10;
    cam.offered = offeredModes(offered);
    if (offered) gst_caps_unref(offered);
  }
  const Fraction rate = requestedRate();
  ChosenMode chosen = cam.mode.found ? cam.mode : chooseMode(cam.offered, rate, 100.0, across);
  GstElement* decoder = nullptr;
  if (chosen.found && chosen.encoding == Encoding::Mjpeg) {
    decoder = make("jpegdec", k, "decode");
    if (!decoder) chosen = chooseMode(rawOnly(cam.offered), rate, 100.0, across);
  }
  GstCaps* wanted = capsFor(chosen);
  if (!wanted) {
    if (decoder) gst_object_unref(decoder);
    rozoru::logEvent("camera " + std::to_string(k) + " (" + dev.displayName + "): no usable video mode (" +
                     chosen.reason + ")");
    return 11;
  }
  cam.mode = chosen;
  rozoru::logEvent("camera " + std::to_string(k) + (cam.sideBySide ? " and " + std::to_string(cam.partner) : "") +
                   ": " + dev.info.name + " (" + dev.displayName + "), " +
                   (cam.sideBySide ? "side by side, right half camera " + std::to_string(k) + ", " : "") + "mode " +
                   describe(chosen) + ": " + chosen.reason);
  g_object_set(capsf, "caps", wanted, nullptr);
  gst_caps_unref(wanted);
  if (decoder && !add(pipeline, decoder)) return 9;
  if (!gst_element_link(source, capsf)) return 15;
  GstElement* last = capsf;
  if (decoder) {
    if (!gst_element_link(capsf, decoder)) return 15;
    last = decoder;
  }
  if (!cam.sideBySide) return addBranch(pipeline, last, k, chosen, -1, cam.grabber);
  // Both halves come from one buffer, so their frames share its time.
  GstElement* tee = make("tee", k, "split");
  if (!add(pipeline, tee)) return 9;
  if (!gst_element_link(last, tee)) return 15;
  auto other = camera(cam.partner);
  if (!other) return 9;
  if (const int r = addBranch(pipeline, tee, k, chosen, 1, cam.grabber)) return r;
  return addBranch(pipeline, tee, cam.partner, chosen, 0, other->grabber);
}

}  // namespace ryk
