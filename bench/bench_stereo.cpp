// The stereo loop's picture maths on a 320x240 pair: each composition step
// alone and whole passes (gamma, blend or anaglyph, preview), next to the same
// work written with the OpenCV calls an image programmer would reach for.
//
// The steps work in place, so every iteration starts from a fresh copy of the
// camera pair; only the step itself is timed (manual time), for our code and
// OpenCV's alike. OpenCV's variants also report `differ_px`: pixels (of the
// pictures the step produces) that differ from ours, which shows where
// OpenCV's rounding is not ours.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "app/composition.h"

#ifdef ROZORU_BENCH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/core/version.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

using stereo::kHeight;
using stereo::kPixels;
using stereo::kWidth;
using stereo::Pixel;
using Clock = std::chrono::steady_clock;

// The strength the application's brightening slider sits at by default.
constexpr double kGammaStrength = 0.5;
// Camera 0 is p0 and carries the anaglyph's red (swap 1).
constexpr int kSwap = 1;

std::uint32_t clampByte(double v) { return static_cast<std::uint32_t>(std::clamp(v, 0.0, 255.0)); }

// A scene as two side-by-side cameras see it: sky gradient, textured ground,
// two nearer objects with edges, and sensor noise. Camera 1 sees the scene
// shifted by a disparity that grows with nearness, so the pair differs the
// way real pairs do. The fourth byte is 0xFF, as capture code often leaves it.
std::vector<Pixel> shoot(int camera, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::normal_distribution<double> noise(0.0, 4.0);
  std::vector<Pixel> p(kPixels);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      double r, g, b;
      const double far = x + camera * 3.0;
      if (y < 90) {  // sky
        r = 90 + y * 0.8;
        g = 140 + y * 0.6;
        b = 230 - y * 0.2;
      } else {  // ground with a texture
        const double t = 20 * std::sin(far * 0.21) * std::cos(y * 0.37) + 10 * std::sin((far + y) * 0.05);
        r = 110 + t + (y - 90) * 0.3;
        g = 95 + t * 0.8;
        b = 60 + t * 0.5;
      }
      const double nearX = x + camera * 14.0;  // a red ball, nearer
      if ((nearX - 110) * (nearX - 110) + (y - 150) * (y - 150) < 45 * 45) {
        r = 200 + 30 * std::cos((nearX - 110) * 0.05);
        g = 30 + (y - 105) * 0.4;
        b = 40;
      }
      const double midX = x + camera * 8.0;  // a grey box with a dark stripe
      if (midX > 200 && midX < 290 && y > 60 && y < 200) {
        r = g = b = (static_cast<int>(y) / 10 % 4 == 0) ? 35 : 170 + (midX - 200) * 0.5;
      }
      p[static_cast<std::size_t>(y * kWidth + x)] = 0xFF000000u | clampByte(r + noise(rng)) << 16 |
                                                   clampByte(g + noise(rng)) << 8 | clampByte(b + noise(rng));
    }
  return p;
}

struct Pair {
  std::vector<Pixel> cam0 = shoot(0, 1), cam1 = shoot(1, 2);
  std::vector<Pixel> p0 = std::vector<Pixel>(kPixels), p1 = std::vector<Pixel>(kPixels), p2 = std::vector<Pixel>(kPixels);
  void restore() {
    std::memcpy(p0.data(), cam0.data(), kPixels * sizeof(Pixel));
    std::memcpy(p1.data(), cam1.data(), kPixels * sizeof(Pixel));
  }
};

Pair& pair() {
  static Pair p;
  return p;
}

// Times `step` alone: the fresh copy of the pair before it is not counted.
void timed(benchmark::State& state, const std::function<void(Pair&)>& step) {
  Pair& w = pair();
  for (auto _ : state) {
    w.restore();
    const auto t0 = Clock::now();
    step(w);
    benchmark::ClobberMemory();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - t0).count());
  }
}

// The pictures a step leaves behind, for comparing one implementation's
// result with another's.
struct Result {
  std::vector<Pixel> p0, p1, p2;
};

// Ours: the application's calls. The table is made once, as OpenCV's is.
const stereo::GammaTable& table() {
  static const stereo::GammaTable t = stereo::gammaTable(kGammaStrength);
  return t;
}
void oursGamma(Pair& w) { stereo::applyGamma(w.p0.data(), w.p1.data(), table()); }
void oursBlend(Pair& w) { stereo::blend(w.p0.data(), w.p1.data()); }
void oursAnaglyph(Pair& w, int mode) { stereo::anaglyph(w.p0.data(), w.p1.data(), mode, kSwap); }
void oursPreview(Pair& w) { stereo::preview(w.p0.data(), w.p1.data(), w.p2.data()); }

#ifdef ROZORU_BENCH_OPENCV

// The same steps with OpenCV on the same buffers, seen as 8-bit BGRA
// (0x00RRGGBB little-endian is B, G, R, 0 in memory). Scratch pictures are
// made once, as a program would keep them between frames.
struct Cv {
  cv::Mat lut = cv::Mat(1, 256, CV_8UC4);
  cv::Mat planes[4], value, out0, out1;

  Cv() {
    const stereo::GammaTable t = stereo::gammaTable(kGammaStrength);
    for (int i = 0; i < 256; ++i) {
      const auto v = static_cast<std::uint8_t>(t[static_cast<std::size_t>(i)]);
      lut.at<cv::Vec4b>(0, i) = cv::Vec4b(v, v, v, 0);  // the fourth byte becomes 0, as ours
    }
  }
  static cv::Mat wrap(std::vector<Pixel>& p) { return cv::Mat(kHeight, kWidth, CV_8UC4, p.data()); }

  void gamma(Pair& w) {
    cv::Mat m0 = wrap(w.p0), m1 = wrap(w.p1);
    cv::LUT(m0, lut, m0);
    cv::LUT(m1, lut, m1);
  }
  // Rounds the mean to nearest (half to even), where ours rounds down.
  static void blend(Pair& w) {
    cv::Mat m0 = wrap(w.p0), m1 = wrap(w.p1);
    cv::addWeighted(m0, 0.5, m1, 0.5, 0.0, m0);
  }
  // The red picture's value plane into the red of out0, the other picture's
  // green and blue into out0 and out1; fourth bytes zero. Results land in
  // out0/out1 (OpenCV does not mix channels in place); p0/p1 point there after.
  void anaglyph(Pair& w, int mode) {
    static_assert(kSwap == 1, "red comes from p0, green and blue from p1");
    cv::Mat red = wrap(w.p0), other = wrap(w.p1);
    out0.create(kHeight, kWidth, CV_8UC4);
    out1.create(kHeight, kWidth, CV_8UC4);
    cv::Mat src[2] = {other, red};
    cv::Mat dst[2] = {out0, out1};
    if (mode == 1) {
      // Camera 0's red straight across.
      const int fromTo[] = {0, 0, 1, 1, 6, 2, -1, 3, 0, 4, 1, 5, -1, 6, -1, 7};
      cv::mixChannels(src, 2, dst, 2, fromTo, 8);
      return;
    }
    if (mode == 2) {
      // The HSV value: max of the three channels.
      cv::split(red, planes);
      cv::max(planes[0], planes[1], value);
      cv::max(value, planes[2], value);
    } else {
      // Luma rounded to nearest in fixed point, where ours truncates.
      cv::cvtColor(red, value, cv::COLOR_BGRA2GRAY);
    }
    cv::Mat src2[2] = {other, value};
    const int fromTo[] = {0, 0, 1, 1, 4, 2, -1, 3, 0, 4, 1, 5, -1, 6, -1, 7};
    cv::mixChannels(src2, 2, dst, 2, fromTo, 8);
  }
  // For the comparison: the result copied back where ours leaves it.
  void anaglyphInto(Pair& w, int mode) {
    anaglyph(w, mode);
    std::memcpy(w.p0.data(), out0.data, kPixels * sizeof(Pixel));
    std::memcpy(w.p1.data(), out1.data, kPixels * sizeof(Pixel));
  }
  static void preview(const cv::Mat& m0, const cv::Mat& m1, std::vector<Pixel>& p2) {
    cv::Mat m2 = wrap(p2);
    cv::Mat left = m2(cv::Rect(0, 0, kWidth / 2, kHeight)), right = m2(cv::Rect(kWidth / 2, 0, kWidth / 2, kHeight));
    // Straight into the halves: the ROIs already have the size and type.
    cv::resize(m0, left, left.size(), 0, 0, cv::INTER_NEAREST);
    cv::resize(m1, right, right.size(), 0, 0, cv::INTER_NEAREST);
  }
};

Cv& cvState() {
  static Cv c;
  return c;
}

#endif

#ifdef ROZORU_BENCH_OPENCV
// Runs `step` once on a fresh pair and returns what it leaves.
Result once(const std::function<void(Pair&)>& step) {
  Pair& w = pair();
  w.restore();
  std::fill(w.p2.begin(), w.p2.end(), 0u);
  step(w);
  return {w.p0, w.p1, w.p2};
}

std::size_t differing(const std::vector<Pixel>& a, const std::vector<Pixel>& b) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < a.size(); ++i) n += a[i] != b[i];
  return n;
}
#endif

enum class Check { kPairs, kPreview };

// Registers ours and OpenCV's version of one step next to each other; OpenCV's
// reports how many pixels of the step's output differ from ours, taking the
// output from `opencvResult` when the timed call leaves it elsewhere.
void registerPair(const std::string& name, const std::function<void(Pair&)>& ours,
                  [[maybe_unused]] const std::function<void(Pair&)>& opencv, [[maybe_unused]] Check check,
                  [[maybe_unused]] const std::function<void(Pair&)>& opencvResult = nullptr) {
  benchmark::RegisterBenchmark((name + "/ours").c_str(), [ours](benchmark::State& s) { timed(s, ours); })
      ->UseManualTime()
      ->Unit(benchmark::kMicrosecond);
#ifdef ROZORU_BENCH_OPENCV
  benchmark::RegisterBenchmark((name + "/opencv").c_str(),
                               [ours, opencv, check, result = opencvResult ? opencvResult : opencv](benchmark::State& s) {
                                 timed(s, opencv);
                                 const Result a = once(ours), b = once(result);
                                 s.counters["differ_px"] = static_cast<double>(
                                     check == Check::kPreview ? differing(a.p2, b.p2) : differing(a.p0, b.p0) + differing(a.p1, b.p1));
                               })
      ->UseManualTime()
      ->Unit(benchmark::kMicrosecond);
#endif
}

void registerAll() {
  std::function<void(Pair&)> none = [](Pair&) {};
#ifdef ROZORU_BENCH_OPENCV
  Cv& c = cvState();
  auto cvGamma = [&c](Pair& w) { c.gamma(w); };
  auto cvBlend = [](Pair& w) { Cv::blend(w); };
  auto cvPreview = [](Pair& w) { Cv::preview(Cv::wrap(w.p0), Cv::wrap(w.p1), w.p2); };
#else
  auto cvGamma = none, cvBlend = none, cvPreview = none;
#endif

  registerPair("BM_Gamma", oursGamma, cvGamma, Check::kPairs);
  // The strength changing every frame: applyGamma then refills its per-thread
  // pair table on each call (OpenCV's LUT would only need a new 1 KiB table).
  benchmark::RegisterBenchmark("BM_Gamma/ours_table_changes",
                               [](benchmark::State& s) {
                                 const stereo::GammaTable t[2] = {stereo::gammaTable(0.5), stereo::gammaTable(0.6)};
                                 int n = 0;
                                 timed(s, [&](Pair& w) { stereo::applyGamma(w.p0.data(), w.p1.data(), t[n++ & 1]); });
                               })
      ->UseManualTime()
      ->Unit(benchmark::kMicrosecond);
  registerPair("BM_Blend", oursBlend, cvBlend, Check::kPairs);
  for (int mode = 1; mode <= 3; ++mode) {
    std::function<void(Pair&)> cvStep = none, cvResult = nullptr;
#ifdef ROZORU_BENCH_OPENCV
    cvStep = [&c, mode](Pair& w) { c.anaglyph(w, mode); };
    cvResult = [&c, mode](Pair& w) { c.anaglyphInto(w, mode); };
#endif
    registerPair("BM_Anaglyph/mode:" + std::to_string(mode), [mode](Pair& w) { oursAnaglyph(w, mode); }, cvStep, Check::kPairs,
                 cvResult);
  }
  registerPair("BM_Preview", oursPreview, cvPreview, Check::kPreview);

  registerPair(
      "BM_Pass/blend",
      [](Pair& w) {
        oursGamma(w);
        oursBlend(w);
        oursPreview(w);
      },
#ifdef ROZORU_BENCH_OPENCV
      [&c](Pair& w) {
        c.gamma(w);
        Cv::blend(w);
        Cv::preview(Cv::wrap(w.p0), Cv::wrap(w.p1), w.p2);
      },
#else
      none,
#endif
      Check::kPreview);
  for (int mode = 1; mode <= 3; ++mode) {
    registerPair(
        "BM_Pass/anaglyph:" + std::to_string(mode),
        [mode](Pair& w) {
          oursGamma(w);
          oursAnaglyph(w, mode);
          oursPreview(w);
        },
#ifdef ROZORU_BENCH_OPENCV
        [&c, mode](Pair& w) {
          c.gamma(w);
          c.anaglyph(w, mode);
          Cv::preview(c.out0, c.out1, w.p2);
        },
#else
        none,
#endif
        Check::kPreview);
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
#ifdef ROZORU_BENCH_OPENCV
  // --opencv_threads=N: OpenCV's worker threads (default: its own choice).
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], "--opencv_threads=", 17) == 0) cv::setNumThreads(std::atoi(argv[i] + 17));
  benchmark::AddCustomContext("opencv", CV_VERSION);
  benchmark::AddCustomContext("opencv_threads", std::to_string(cv::getNumThreads()));
#else
  benchmark::AddCustomContext("opencv", "not built in");
#endif
  registerAll();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
