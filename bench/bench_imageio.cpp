// Saving and loading through the real codecs: a 640x240 32-bit picture as
// JPEG at quality 100 (the stereo capture) and as PNG, and loading a 640x480
// JPEG. Files go to a temporary folder.
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

std::filesystem::path g_dir;

// A camera-like picture: smooth gradients with some texture, so the encoder
// does real work.
void fill(int id, int w, int h) {
  Pixel32* px = KAV_ImagePixels[id];
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint32_t noise = (static_cast<std::uint32_t>(x * 7 + y * 13) * 2654435761u) >> 28;
      px[y * w + x] = (static_cast<std::uint32_t>((x * 255) / w) << 16) | (static_cast<std::uint32_t>((y * 255) / h) << 8) |
                      ((128 + noise * 4) & 0xFF);
    }
}

void BM_Save640x240(benchmark::State& state) {
  const int format = static_cast<int>(state.range(0));
  KAV_CreateImage(20, "pair", 0, 0, 640, 240, 50);
  fill(20, 640, 240);
  KAV_JpegQuality = 100;
  const std::string name = (g_dir / "pair").string();
  for (auto _ : state) {
    if (KAV_SaveImage(640, 240, format, name.c_str()) != 0) state.SkipWithError("save failed");
  }
  KAV_DestroyImage(20);
}
BENCHMARK(BM_Save640x240)->Arg(1)->Arg(3)->ArgName("format")->Unit(benchmark::kMicrosecond);

void BM_LoadJpeg640x480(benchmark::State& state) {
  KAV_CreateImage(21, "src", 0, 0, 640, 480, 50);
  fill(21, 640, 480);
  const std::string name = (g_dir / "load").string();
  KAV_SaveImage(640, 480, 1, name.c_str());
  for (auto _ : state) {
    if (KAV_LoadImage((name + ".jpg").c_str(), 0, 0) != 0) state.SkipWithError("load failed");
  }
  KAV_DestroyImage(21);
}
BENCHMARK(BM_LoadJpeg640x480)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  g_dir = std::filesystem::temp_directory_path() / "rozoru-bench-imageio";
  std::filesystem::create_directories(g_dir);
  auto fw = std::make_unique<rozoru::Framework>(rozoru::StartOptions{false, g_dir.string()});
  if (fw->start() != 0) return 1;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  rozoru::shell().exitSequence();
  rozoru::releaseAllImages();
  fw.reset();
  std::filesystem::remove_all(g_dir);
  return 0;
}
