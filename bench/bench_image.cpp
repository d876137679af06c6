// The display path of image windows on Qt's offscreen platform: a repaint of
// a 320x240 32-bit image (copy, scaling, hand-over to the window's front
// buffer), and a loop that writes and shows three such windows, painting
// included.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdint>
#include <filesystem>
#include <memory>

#include "image/slots.h"
#include "rozoru/kav.h"
#include "shell/core/shell.h"
#include "shell/qt/framework.h"

// The benchmark runs the framework without an application.
void KAV_Init() {}
void KAV_Main() {}
void KAV_Exit() {}

namespace {

void fill(int id, int t) {
  Pixel32* px = KAV_ImagePixels[id];
  for (int i = 0; i < 320 * 240; ++i) px[i] = static_cast<Pixel32>((i + t) * 2654435761u) & 0x00FFFFFFu;
}

void BM_UpdateImage(benchmark::State& state) {
  const int zoom = static_cast<int>(state.range(0));
  const int mode = static_cast<int>(state.range(1));
  KAV_CreateImage(10, "bench", 0, 0, 320, 240, zoom);
  KAV_SetStretchMode(10, mode);
  fill(10, 0);
  for (auto _ : state) {
    KAV_UpdateImage(10);
    benchmark::ClobberMemory();
  }
  QCoreApplication::processEvents();
  KAV_DestroyImage(10);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_UpdateImage)->Args({100, 3})->Args({50, 3})->Args({50, 4})->Args({200, 3})->ArgNames({"zoom", "mode"});

// Write three windows, repaint them, and let the GUI paint what changed:
// items per second is frames per second of the whole display path.
void BM_ThreeWindowFrames(benchmark::State& state) {
  KAV_CreateImage(0, "Right", 0, 0, 320, 240, 50);
  KAV_CreateImage(1, "Left", 320, 0, 320, 240, 50);
  KAV_CreateImage(2, "LR", 0, 0, 320, 240, 100);
  int t = 0;
  for (auto _ : state) {
    for (int id = 0; id < 3; ++id) {
      fill(id, t);
      KAV_UpdateImage(id);
    }
    QCoreApplication::processEvents();  // the GUI paints the front buffers
    ++t;
  }
  for (int id = 0; id < 3; ++id) KAV_DestroyImage(id);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ThreeWindowFrames)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const auto lockDir = std::filesystem::temp_directory_path() / "rozoru-bench-image";
  std::filesystem::create_directories(lockDir);
  auto fw = std::make_unique<rozoru::Framework>(rozoru::StartOptions{false, lockDir.string()});
  if (fw->start() != 0) return 1;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  rozoru::shell().exitSequence();
  rozoru::releaseAllImages();
  fw.reset();
  return 0;
}
