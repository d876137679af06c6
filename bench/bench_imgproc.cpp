// Point operations, transforms and test patterns on a 640x480 image, next to
// the same operation in OpenCV (CV_8UC4 / CV_8UC1 over the same memory) when
// its core and imgproc are installed.
//
// "Kav" cases run the public call on an image slot of a window system that
// only keeps a front buffer (so the figures hold the framework's whole cost
// without a display's: the working copy, the new pixel memory and the
// repaints of a rotation or scaling); "Kernel" cases
// run only the pixel mapping on plain buffers, as OpenCV does.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "imgproc/scale.h"
#include "imgproc/transforms.h"
#include "rozoru/kav.h"
#include "shell/core/pump.h"
#include "shell/core/shell.h"
#include "shell/core/windows.h"
#include "image/slots.h"
#include "shell/core/window_system.h"

#ifdef ROZORU_BENCH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

void KAV_Init() {}
void KAV_Main() {}
void KAV_Exit() {}

namespace {

using namespace rozoru;

constexpr int kW = 640, kH = 480;

// A window system that does nothing but present as the real one does: one
// copy of the picture into a front buffer that keeps its memory.
struct BenchWindowSystem final : WindowSystem {
  std::vector<std::uint32_t> front;
  void present(Hwnd, const std::uint32_t* pixels, int width, int height, int stride) override {
    front.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
      std::copy(pixels + static_cast<std::ptrdiff_t>(y) * stride, pixels + static_cast<std::ptrdiff_t>(y) * stride + width,
                front.begin() + static_cast<std::ptrdiff_t>(y) * width);
  }
  ScreenMetrics metrics() override {
    return {.screenWidth = 1280, .screenHeight = 1024, .fullWidth = 1280, .fullHeight = 976, .captionHeight = 24,
            .minClientWidth = 112, .minClientHeight = 10, .colorDepth = 24};
  }
  bool create(Hwnd, const CreateParams&) override { return true; }
  void destroy(Hwnd) override {}
  void setCaption(Hwnd, const std::string&) override {}
  std::string caption(Hwnd) override { return {}; }
  void setClientSize(Hwnd, int, int) override {}
  Rect frameRect(Hwnd) override { return {}; }
  Rect clientRect(Hwnd) override { return {}; }
  void move(Hwnd, int, int) override {}
  void show(Hwnd) override {}
  void setForeground(Hwnd) override {}
  void setAcceptDrops(Hwnd, bool) override {}
  void popupMenu(Hwnd, const std::vector<MenuItem>&) override {}
  void messageBox(Hwnd, const std::string&, const std::string&, MessageBoxIcon) override {}
  void setStatusText(Hwnd, const std::string&) override {}
  std::uint32_t modifiers() override { return 0; }
};

struct Setup {
  QueuePump pump;
  BenchWindowSystem ws;
  Setup() {
    resetShell();
    setCurrentPump(&pump);
    shell().attach(&ws, &pump);
    installImageSlots();
  }
  ~Setup() {
    releaseAllImages();
    resetShell();
    setCurrentPump(nullptr);
  }
};

std::vector<std::uint32_t> noise(int w, int h) {
  std::vector<std::uint32_t> v(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  for (std::size_t i = 0; i < v.size(); ++i) v[i] = static_cast<std::uint32_t>(i * 2654435761u) & 0x00FFFFFFu;
  return v;
}

// Slot 0, 640x480 of noise, current; 8 or 32 bits.
void makeImage(int bits) {
  if (bits == 32)
    KAV_CreateImage(0, "bench", 0, 0, kW, kH, 100);
  else
    KAV_CreateImage8(0, "bench", 0, 0, kW, kH, 100);
  const auto px = noise(kW, kH);
  if (bits == 32)
    std::copy(px.begin(), px.end(), KAV_ImagePixels[0]);
  else
    for (std::size_t i = 0; i < px.size(); ++i) KAV_ImageBytes[0][i] = static_cast<std::uint8_t>(px[i]);
}

void pixelsProcessed(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * kW * kH);
}

// ---- public calls on a slot ----

void BM_Kav_Invert(benchmark::State& state) {
  Setup s;
  makeImage(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    KAV_Invert(0);
    benchmark::ClobberMemory();
  }
  pixelsProcessed(state);
}
BENCHMARK(BM_Kav_Invert)->Arg(32)->Arg(8)->ArgName("bits");

void BM_Kav_FlipHorizontal(benchmark::State& state) {
  Setup s;
  makeImage(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    KAV_FlipHorizontal(0);
    benchmark::ClobberMemory();
  }
  pixelsProcessed(state);
}
BENCHMARK(BM_Kav_FlipHorizontal)->Arg(32)->Arg(8)->ArgName("bits");

void BM_Kav_FlipVertical(benchmark::State& state) {
  Setup s;
  makeImage(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    KAV_FlipVertical(0);
    benchmark::ClobberMemory();
  }
  pixelsProcessed(state);
}
BENCHMARK(BM_Kav_FlipVertical)->Arg(32)->Arg(8)->ArgName("bits");

// The slot turns between 640x480 and 480x640: the same work every time.
void BM_Kav_RotateRight(benchmark::State& state) {
  Setup s;
  makeImage(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    KAV_RotateRight();
    benchmark::ClobberMemory();
  }
  pixelsProcessed(state);
}
BENCHMARK(BM_Kav_RotateRight)->Arg(32)->Arg(8)->ArgName("bits");

// Scaling changes the slot's size: each iteration starts from a fresh
// 640x480 slot made outside the timing.
void BM_Kav_ScaleImage(benchmark::State& state) {
  Setup s;
  const int factor = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    KAV_DestroyImage(0);
    makeImage(32);
    KAV_SetStretchMode(0, static_cast<int>(state.range(1)));
    KAV_SelectImage(0);
    state.ResumeTiming();
    KAV_ScaleImage(factor);
    benchmark::ClobberMemory();
  }
  pixelsProcessed(state);
}
BENCHMARK(BM_Kav_ScaleImage)->ArgsProduct({{500, 707, 1414, 2000}, {3, 4}})->ArgNames({"factor", "mode"});

void BM_Kav_TestPattern(benchmark::State& state) {
  Setup s;
  makeImage(32);
  void (*const patterns[])() = {KAV_TestPatternRgb, KAV_TestPatternHsv, KAV_TestPatternYCrCb, KAV_TestPatternGrey};
  const auto pattern = patterns[state.range(0)];
  for (auto _ : state) {
    pattern();
    benchmark::ClobberMemory();
  }
  pixelsProcessed(state);
}
BENCHMARK(BM_Kav_TestPattern)->DenseRange(0, 3)->ArgName("rgb_hsv_ycrcb_grey");

// ---- pixel mappings on plain buffers ----

void BM_Kernel_RotateRight(benchmark::State& state) {
  const auto src = noise(kW, kH);
  std::vector<std::uint32_t> dst(src.size());
  const std::vector<std::uint8_t> src8(src.begin(), src.end());
  std::vector<std::uint8_t> dst8(src8.size());
  for (auto _ : state) {
    if (state.range(0) == 32)
      rotateRight(src.data(), kW, kH, kW, dst.data(), kH);
    else
      rotateRight(src8.data(), kW, kH, kW, dst8.data(), kH);
    benchmark::ClobberMemory();
  }
  pixelsProcessed(state);
}
BENCHMARK(BM_Kernel_RotateRight)->Arg(32)->Arg(8)->ArgName("bits");

void BM_Kernel_RotateLeft(benchmark::State& state) {
  const auto src = noise(kW, kH);
  std::vector<std::uint32_t> dst(src.size());
  for (auto _ : state) {
    rotateLeft(src.data(), kW, kH, kW, dst.data(), kH);
    benchmark::ClobberMemory();
  }
  pixelsProcessed(state);
}
BENCHMARK(BM_Kernel_RotateLeft);

void BM_Kernel_Scale(benchmark::State& state) {
  const auto src = noise(kW, kH);
  const int factor = static_cast<int>(state.range(0));
  const int dw = static_cast<int>(scaledSide(kW, factor)), dh = static_cast<int>(scaledSide(kH, factor));
  std::vector<std::uint32_t> dst(static_cast<std::size_t>(dw) * static_cast<std::size_t>(dh));
  const bool smooth = state.range(1) == 4;
  for (auto _ : state) {
    if (smooth)
      scaleSmooth(src.data(), kW, kH, kW, dst.data(), dw, dh, dw);
    else
      scaleNearest(src.data(), kW, kH, kW, dst.data(), dw, dh, dw);
    benchmark::ClobberMemory();
  }
  pixelsProcessed(state);
}
BENCHMARK(BM_Kernel_Scale)->ArgsProduct({{500, 707, 1414, 2000}, {3, 4}})->ArgNames({"factor", "mode"});

#ifdef ROZORU_BENCH_OPENCV

cv::Mat noiseMat(int bits) {
  static std::vector<std::uint32_t> px;
  px = noise(kW, kH);
  cv::Mat m32(kH, kW, CV_8UC4, px.data());
  if (bits == 32) return m32.clone();
  cv::Mat m8(kH, kW, CV_8UC1);
  for (int i = 0; i < kW * kH; ++i) m8.data[i] = static_cast<std::uint8_t>(px[static_cast<std::size_t>(i)]);
  return m8;
}

void BM_OpenCV_Invert(benchmark::State& state) {
  cv::Mat m = noiseMat(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    cv::bitwise_not(m, m);
    benchmark::ClobberMemory();
  }
  pixelsProcessed(state);
}
BENCHMARK(BM_OpenCV_Invert)->Arg(32)->Arg(8)->ArgName("bits");

void BM_OpenCV_Flip(benchmark::State& state) {
  cv::Mat m = noiseMat(static_cast<int>(state.range(0)));
  const int code = static_cast<int>(state.range(1));
  for (auto _ : state) {
    cv::flip(m, m, code);
    benchmark::ClobberMemory();
  }
  pixelsProcessed(state);
}
// code 1 mirrors left to right, 0 top to bottom; in place as the slot's flips.
BENCHMARK(BM_OpenCV_Flip)->ArgsProduct({{32, 8}, {1, 0}})->ArgNames({"bits", "code"});

void BM_OpenCV_RotateRight(benchmark::State& state) {
  cv::Mat m = noiseMat(static_cast<int>(state.range(0)));
  cv::Mat out;
  for (auto _ : state) {
    cv::rotate(m, out, cv::ROTATE_90_CLOCKWISE);
    benchmark::ClobberMemory();
  }
  pixelsProcessed(state);
}
BENCHMARK(BM_OpenCV_RotateRight)->Arg(32)->Arg(8)->ArgName("bits");

void BM_OpenCV_Resize(benchmark::State& state) {
  cv::Mat m = noiseMat(32);
  const int factor = static_cast<int>(state.range(0));
  const cv::Size size(static_cast<int>(scaledSide(kW, factor)), static_cast<int>(scaledSide(kH, factor)));
  const int interpolation = state.range(1) == 4 ? cv::INTER_AREA : cv::INTER_NEAREST;
  cv::Mat out;
  for (auto _ : state) {
    cv::resize(m, out, size, 0, 0, interpolation);
    benchmark::ClobberMemory();
  }
  pixelsProcessed(state);
}
// mode 3: INTER_NEAREST; mode 4: INTER_AREA.
BENCHMARK(BM_OpenCV_Resize)->ArgsProduct({{500, 707, 1414, 2000}, {3, 4}})->ArgNames({"factor", "mode"});

#endif

}  // namespace

// OpenCV runs single-threaded, as ours does: the CPU column counts the
// benchmark's own thread only.
int main(int argc, char** argv) {
#ifdef ROZORU_BENCH_OPENCV
  cv::setNumThreads(1);
#endif
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
