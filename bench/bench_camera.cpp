// The camera library's streaming path: frames per second and CPU per camera
// with two and three synthetic cameras, and CPU per camera for a 640x480
// MJPEG source that the library decodes and scales to 320x240; the skew of
// the pairs the stereo loop takes with wait sync off and on; the cost of
// taking one frame; and drawing one frame of the scene cameras' 3D scene.
#include <benchmark/benchmark.h>
#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/pair_taker.h"
#include "camera/library.h"
#include "camera/scene.h"
#include "camera/source_hook.h"
#include "ryk/ryk.h"
#include "ryk/synthetic.h"

namespace {

using Clock = std::chrono::steady_clock;

double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Frames each camera delivers per second, and CPU per camera (the whole
// process, divided), with n synthetic cameras at 30 fps for 5 s.
void measureCameras(benchmark::State& state, int n, double seconds) {
  std::vector<std::uint64_t> before(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) before[static_cast<std::size_t>(k)] = ryk::detail::framesDelivered(k);
  const double c0 = cpuSeconds();
  const auto t0 = Clock::now();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
  const double cpu = cpuSeconds() - c0;
  double lowest = 1e9;
  for (int k = 0; k < n; ++k) {
    const double fps =
        static_cast<double>(ryk::detail::framesDelivered(k) - before[static_cast<std::size_t>(k)]) / wall;
    state.counters["fps_cam" + std::to_string(k)] = fps;
    lowest = std::min(lowest, fps);
  }
  state.counters["fps_lowest"] = lowest;
  state.counters["cpu_pct_per_camera"] = cpu / wall * 100.0 / n;
}

void BM_SyntheticCamerasAt30(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  ryk::useSyntheticCameras(n);
  if (ryk_Open(30.0) != 0 || ryk_count.load() != n) {
    state.SkipWithError("ryk_Open failed");
    ryk_Close();
    return;
  }
  for (auto _ : state) measureCameras(state, n, 5.0);
  ryk_Close();
  ryk::useRealCameras();
}
BENCHMARK(BM_SyntheticCamerasAt30)->ArgName("cameras")->Arg(2)->Arg(3)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// Cameras that send MJPEG at 640x480, as most USB cameras do at 30 fps: one
// JPEG, encoded once, sent again and again at the frame rate (its encoding is
// not the cameras' cost), which the library's chain decodes, converts and
// scales to 320x240 like any camera's.
class RepeatedJpegCameras final : public ryk::SourceMaker {
 public:
  RepeatedJpegCameras(int n, GstBuffer* jpeg) : n_(n), jpeg_(jpeg) {}

  std::vector<ryk::ListedSource> devices() const override {
    std::vector<ryk::ListedSource> out;
    for (int i = 0; i < n_; ++i) {
      ryk::ListedSource d;
      d.info.provider = "bench";
      d.info.name = "MJPEG Camera " + std::to_string(i);
      d.info.busInfo = "usb-bench-" + std::to_string(i + 1);
      d.displayName = std::string(RYK_CAMERA_TAG) + ":bench-mjpeg/" + std::to_string(i);
      out.push_back(d);
    }
    return out;
  }

  GstElement* makeSource(int, int, const std::string& name, int fpsN, int fpsD,
                         std::shared_ptr<ryk::SourceRuntime>& runtime) override {
    auto rt = std::make_shared<Sender>();
    rt->jpeg = jpeg_;
    rt->period = gst_util_uint64_scale_int(GST_SECOND, fpsD, fpsN);
    // A bin named `name`: appsrc ! capsfilter, whose caps are what the
    // library reads as the camera's modes.
    GstElement* bin = gst_bin_new(name.c_str());
    GstElement* src = gst_element_factory_make("appsrc", nullptr);
    GstElement* filter = gst_element_factory_make("capsfilter", nullptr);
    if (!bin || !src || !filter) {
      for (GstElement* e : {bin, src, filter})
        if (e) gst_object_unref(e);
      return nullptr;
    }
    GstCaps* caps = gst_caps_new_simple("image/jpeg", "width", G_TYPE_INT, 640, "height", G_TYPE_INT, 480,
                                        "framerate", GST_TYPE_FRACTION, fpsN, fpsD, nullptr);
    g_object_set(src, "caps", caps, "is-live", TRUE, "format", GST_FORMAT_TIME, nullptr);
    g_object_set(filter, "caps", caps, nullptr);
    gst_caps_unref(caps);
    gst_bin_add_many(GST_BIN(bin), src, filter, nullptr);
    gst_element_link(src, filter);
    GstPad* pad = gst_element_get_static_pad(filter, "src");
    gst_element_add_pad(bin, gst_ghost_pad_new("src", pad));
    gst_object_unref(pad);
    GstAppSrcCallbacks callbacks{};
    callbacks.need_data = &Sender::needData;
    gst_app_src_set_callbacks(GST_APP_SRC(src), &callbacks, new std::shared_ptr<Sender>(rt),
                              [](gpointer p) { delete static_cast<std::shared_ptr<Sender>*>(p); });
    runtime = rt;
    return bin;
  }

 private:
  struct Sender final : ryk::SourceRuntime {
    GstBuffer* jpeg = nullptr;
    GstClockTime period = 0;
    std::uint64_t sent = 0;  // streaming thread only
    std::shared_ptr<ryk::ControlNode> controlNode() const override { return nullptr; }
    void quiesce() override {}

    // On the source's streaming thread: the next frame when its time comes.
    static void needData(GstAppSrc* src, guint, gpointer data) {
      Sender& s = **static_cast<std::shared_ptr<Sender>*>(data);
      const GstClockTime pts = s.sent++ * s.period;
      if (GstClock* clock = gst_element_get_clock(GST_ELEMENT(src))) {
        GstClockID until = gst_clock_new_single_shot_id(clock, gst_element_get_base_time(GST_ELEMENT(src)) + pts);
        gst_clock_id_wait(until, nullptr);
        gst_clock_id_unref(until);
        gst_object_unref(clock);
      }
      GstBuffer* frame = gst_buffer_copy(s.jpeg);  // shares the encoded bytes
      GST_BUFFER_PTS(frame) = pts;
      GST_BUFFER_DURATION(frame) = s.period;
      gst_app_src_push_buffer(src, frame);
    }
  };
  int n_;
  GstBuffer* jpeg_;
};

// One 640x480 test picture as JPEG.
GstBuffer* encodeOnce() {
  GstElement* p = gst_parse_launch(
      "videotestsrc num-buffers=1 ! video/x-raw,width=640,height=480 ! jpegenc ! appsink name=out", nullptr);
  if (!p) return nullptr;
  GstElement* out = gst_bin_get_by_name(GST_BIN(p), "out");
  gst_element_set_state(p, GST_STATE_PLAYING);
  GstSample* sample = gst_app_sink_pull_sample(GST_APP_SINK(out));
  GstBuffer* jpeg = sample ? gst_buffer_ref(gst_sample_get_buffer(sample)) : nullptr;
  if (sample) gst_sample_unref(sample);
  gst_element_set_state(p, GST_STATE_NULL);
  gst_object_unref(out);
  gst_object_unref(p);
  return jpeg;
}

void BM_MjpegCamerasAt30(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  gst_init(nullptr, nullptr);
  GstBuffer* jpeg = encodeOnce();
  if (!jpeg) {
    state.SkipWithError("no JPEG encoder");
    return;
  }
  ryk::setSourceMaker(std::make_shared<RepeatedJpegCameras>(n, jpeg));
  if (ryk_Open(30.0) != 0 || ryk_count.load() != n) {
    state.SkipWithError("ryk_Open failed");
  } else {
    for (auto _ : state) measureCameras(state, n, 5.0);
  }
  ryk_Close();
  ryk::useRealCameras();
  gst_buffer_unref(jpeg);
}
BENCHMARK(BM_MjpegCamerasAt30)->ArgName("cameras")->Arg(1)->Arg(2)->Arg(3)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// Skews (ms) of the pairs the stereo loop takes from two synthetic cameras
// at 30 fps, camera 1 running phaseMs after camera 0, with wait sync off or
// on: through the loop's own pair taker on the real library, one pair every
// 10-40 ms (a fast loop; the looks fall anywhere in a frame period). Also how
// long a take lasts (wait sync waits for new frames, and a lagging camera's
// next one).
void BM_PairSkew(benchmark::State& state) {
  const bool waitSync = state.range(0) != 0;
  const double phaseMs = static_cast<double>(state.range(1));
  std::vector<ryk::SyntheticCamera> cams(2);
  cams[1].phaseMs = phaseMs;
  ryk::useSyntheticCameras(cams);
  if (ryk_Open(30.0) != 0) {
    state.SkipWithError("ryk_Open failed");
    return;
  }
  stereo::PairTaker taker(30.0);
  std::vector<std::uint32_t> frame[2] = {std::vector<std::uint32_t>(RYK_FRAME_BYTES / 4),
                                         std::vector<std::uint32_t>(RYK_FRAME_BYTES / 4)};
  const auto target = [&](int k) { return frame[k].data(); };
  std::mt19937 rng(14);
  std::uniform_int_distribution<int> pause(10, 40);
  for (auto _ : state) {
    std::vector<double> skew, took;
    int timedOut = 0;
    while (skew.size() < 300) {
      std::this_thread::sleep_for(std::chrono::milliseconds(pause(rng)));
      const auto t0 = Clock::now();
      const auto pair = taker.take(target, waitSync, [] { return false; });
      const std::chrono::duration<double, std::milli> ms = Clock::now() - t0;
      if (ms >= std::chrono::seconds(1)) ++timedOut;
      took.push_back(ms.count());
      if (pair[0].time && pair[1].time) skew.push_back(std::abs(*pair[0].time - *pair[1].time) * 1000.0);
    }
    std::sort(skew.begin(), skew.end());
    std::sort(took.begin(), took.end());
    state.counters["take_median_ms"] = took[took.size() / 2];
    state.counters["take_max_ms"] = took.back();
    state.counters["skew_median_ms"] = skew[skew.size() / 2];
    state.counters["skew_p90_ms"] = skew[skew.size() * 9 / 10];
    state.counters["skew_max_ms"] = skew.back();
    state.counters["half_period_ms"] = std::max(taker.period(0), taker.period(1)) * 500.0;
    state.counters["over_half_period"] =
        static_cast<double>(std::count_if(skew.begin(), skew.end(), [&](double s) {
          return s > std::max(taker.period(0), taker.period(1)) * 500.0;
        }));
    state.counters["timed_out"] = timedOut;
  }
  ryk_Close();
  ryk::useRealCameras();
}
BENCHMARK(BM_PairSkew)
    ->ArgNames({"wait_sync", "phase_ms"})
    ->ArgsProduct({{0, 1}, {15, 25}})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

void BM_CopyFrame(benchmark::State& state) {
  ryk::useSyntheticCameras(1);
  if (ryk_Open(30.0) != 0) {
    state.SkipWithError("ryk_Open failed");
    return;
  }
  std::vector<std::uint32_t> dst(RYK_FRAME_BYTES / 4);
  for (auto _ : state) {
    benchmark::DoNotOptimize(ryk_CopyFrame(0, dst.data(), RYK_FRAME_BYTES));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * RYK_FRAME_BYTES);
  ryk_Close();
  ryk::useRealCameras();
}
BENCHMARK(BM_CopyFrame)->Unit(benchmark::kMicrosecond);

// One 320x240 frame of the stereo scene, as each scene camera draws 30 times
// a second on its streaming thread; the time moves on so that the beach ball
// travels and spins as it does when streaming.
void BM_RenderStereoScene(benchmark::State& state) {
  std::vector<std::uint8_t> frame(RYK_FRAME_BYTES);
  double t = 0.0;
  for (auto _ : state) {
    ryk::renderStereoScene(frame.data(), RYK_WIDTH, RYK_HEIGHT, RYK_WIDTH * 4, t, 0.065);
    benchmark::ClobberMemory();
    t += 1.0 / 30.0;
  }
}
BENCHMARK(BM_RenderStereoScene)->Unit(benchmark::kMicrosecond);

// The same with a new eye every frame: the first frame of a camera, which
// also draws the sky, wall and floor that later frames reuse.
void BM_RenderStereoSceneFirstFrame(benchmark::State& state) {
  std::vector<std::uint8_t> frame(RYK_FRAME_BYTES);
  double eye = 0.0;
  for (auto _ : state) {
    ryk::renderStereoScene(frame.data(), RYK_WIDTH, RYK_HEIGHT, RYK_WIDTH * 4, 1.0, eye);
    benchmark::ClobberMemory();
    eye += 0.001;
  }
}
BENCHMARK(BM_RenderStereoSceneFirstFrame)->Unit(benchmark::kMicrosecond);

// Both scene cameras streaming at 30 fps through the whole path.
void BM_StereoDemoCamerasAt30(benchmark::State& state) {
  ryk::useStereoDemoCameras();
  if (ryk_Open(30.0) != 0) {
    state.SkipWithError("ryk_Open failed");
    return;
  }
  for (auto _ : state) {
    const auto f0 = ryk::detail::framesDelivered(0), f1 = ryk::detail::framesDelivered(1);
    const double c0 = cpuSeconds();
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    state.counters["fps_cam0"] = static_cast<double>(ryk::detail::framesDelivered(0) - f0) / wall;
    state.counters["fps_cam1"] = static_cast<double>(ryk::detail::framesDelivered(1) - f1) / wall;
    state.counters["cpu_pct_per_camera"] = (cpuSeconds() - c0) / wall * 100.0 / 2.0;
  }
  ryk_Close();
  ryk::useRealCameras();
}
BENCHMARK(BM_StereoDemoCamerasAt30)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
