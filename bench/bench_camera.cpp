// Two synthetic cameras at 30 fps through the whole streaming path: frames
// delivered per camera and second, CPU per camera, and how far apart the two
// cameras' latest frames are when the application looks; plus the cost of
// taking one frame; and drawing one frame of the scene cameras' 3D scene.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>
#include <thread>
#include <vector>

#include "app/pair_taker.h"
#include "camera/library.h"
#include "camera/scene.h"
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

void BM_TwoCamerasAt30(benchmark::State& state) {
  ryk::useSyntheticCameras(2);
  if (ryk_Open(30.0) != 0) {
    state.SkipWithError("ryk_Open failed");
    return;
  }
  const double seconds = 5.0;
  for (auto _ : state) {
    const auto f0 = ryk::detail::framesDelivered(0), f1 = ryk::detail::framesDelivered(1);
    const double c0 = cpuSeconds();
    const auto t0 = Clock::now();
    std::vector<double> skew;
    // The application's view: look every 10 ms, as a fast loop would.
    while (Clock::now() - t0 < std::chrono::duration<double>(seconds)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      skew.push_back(std::abs(ryk_frameTime[0].load() - ryk_frameTime[1].load()) * 1000.0);
    }
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const double cpu = cpuSeconds() - c0;
    const double d0 = static_cast<double>(ryk::detail::framesDelivered(0) - f0);
    const double d1 = static_cast<double>(ryk::detail::framesDelivered(1) - f1);
    state.counters["fps_cam0"] = d0 / wall;
    state.counters["fps_cam1"] = d1 / wall;
    state.counters["missed_cam0"] = std::max(0.0, 30.0 * wall - d0 - 1.0);
    state.counters["missed_cam1"] = std::max(0.0, 30.0 * wall - d1 - 1.0);
    state.counters["cpu_pct_per_camera"] = cpu / wall * 100.0 / 2.0;
    double sum = 0, mx = 0;
    for (double s : skew) {
      sum += s;
      mx = std::max(mx, s);
    }
    state.counters["skew_mean_ms"] = skew.empty() ? 0 : sum / static_cast<double>(skew.size());
    state.counters["skew_max_ms"] = mx;
  }
  ryk_Close();
  ryk::useRealCameras();
}
BENCHMARK(BM_TwoCamerasAt30)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// Skews (ms) of the pairs the stereo loop takes from two synthetic cameras
// at 30 fps, camera 1 running phaseMs after camera 0, with wait sync off or
// on: through the loop's own pair taker on the real library, one pair every
// 10-40 ms (a fast loop; the looks fall anywhere in a frame period).
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
    std::vector<double> skew;
    int timedOut = 0;
    while (skew.size() < 300) {
      std::this_thread::sleep_for(std::chrono::milliseconds(pause(rng)));
      const auto t0 = Clock::now();
      const auto pair = taker.take(target, waitSync, [] { return false; });
      if (Clock::now() - t0 >= std::chrono::seconds(1)) ++timedOut;
      if (pair[0].time && pair[1].time) skew.push_back(std::abs(*pair[0].time - *pair[1].time) * 1000.0);
    }
    std::sort(skew.begin(), skew.end());
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
