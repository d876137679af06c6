// Drawing into a 640x480 image: the seed fill of the whole image as one
// region (beside cv::floodFill on one 32-bit channel, 4-connected, when OpenCV is built in), a
// radius-200 filled circle, solid and XOR.
//
// Uses the in-memory window system; the benchmark thread is the worker.
#include <benchmark/benchmark.h>

#include "bench/shell_on_fake.h"
#include "image/slots.h"
#include "rozoru/kav.h"
#include "shell/core/windows.h"

#ifdef ROZORU_BENCH_OPENCV
#include <opencv2/imgproc.hpp>
#endif

void KAV_Init() {}
void KAV_Main() {}
void KAV_Exit() {}

namespace {

using namespace rozoru;

struct Setup : bench::ShellOnFake {
  Setup() {
    installImageSlots();
    KAV_CreateImage(0, "bench", 0, 0, 640, 480, 100);
  }
  ~Setup() { releaseAllImages(); }
};

void BM_PaintWholeImage(benchmark::State& state) {
  Setup setup;
  Pixel32 colour = 0x102030;
  for (auto _ : state) {
    KAV_SetDrawColor(colour);
    KAV_Paint(320, 240);
    colour ^= 0x00FF00;
    benchmark::ClobberMemory();
  }
  if (KAV_GetPixel(639, 479) != (colour ^ 0x00FF00)) state.SkipWithError("the fill missed a corner");
}
BENCHMARK(BM_PaintWholeImage);

void BM_FillCircle200(benchmark::State& state) {
  Setup setup;
  for (auto _ : state) {
    KAV_FillCircle(320, 240, 200);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FillCircle200);

void BM_XorFillCircle200(benchmark::State& state) {
  Setup setup;
  for (auto _ : state) {
    KAV_XorFillCircle(320, 240, 200);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_XorFillCircle200);

#ifdef ROZORU_BENCH_OPENCV
void BM_OpenCV_FloodFillWholeImage(benchmark::State& state) {
  // One 32-bit word per pixel, as in our images (floodFill takes no 4-channel bytes).
  cv::Mat image(480, 640, CV_32SC1, cv::Scalar(0));
  int colour = 0x102030;
  for (auto _ : state) {
    cv::floodFill(image, cv::Point(320, 240), cv::Scalar(colour), nullptr, cv::Scalar(), cv::Scalar(), 4);
    colour ^= 0x00FF00;
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_OpenCV_FloodFillWholeImage);

void BM_OpenCV_FilledCircle200(benchmark::State& state) {
  cv::Mat image(480, 640, CV_8UC4, cv::Scalar(0, 0, 0, 0));
  for (auto _ : state) {
    cv::circle(image, cv::Point(320, 240), 200, cv::Scalar(255, 255, 255, 0), cv::FILLED, cv::LINE_8);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_OpenCV_FilledCircle200);
#endif

}  // namespace

BENCHMARK_MAIN();
