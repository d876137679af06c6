// Saving and loading through the real codecs: a 640x240 32-bit picture as
// JPEG at quality 100 (the stereo capture) and as PNG, and loading a 640x480
// JPEG; and the peak memory a load takes (a 640x480 JPEG, and a 4 KB PNG that
// decodes to 5792x5792). Files go to a temporary folder.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QApplication>
#include <QImage>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

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

// A field of /proc/self/status in KiB.
long statusKiB(const char* field) {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(line.find(':') + 1));
  return -1;
}

// Peak resident memory above what was resident before, in MB, of one load
// into a 640x480 slot: the peak is reset first (clear_refs 5), so memory
// freed before the load does not count. main() makes malloc map every large
// block afresh and give freed memory back, so that a load cannot hide in
// memory already resident.
double loadPeakMB(const std::string& path) {
  malloc_trim(0);
  std::ofstream("/proc/self/clear_refs") << "5";
  const long before = statusKiB("VmRSS:");
  const int result = KAV_LoadImage(path.c_str(), 0, 0);
  const long peak = statusKiB("VmHWM:");
  return result == 0 && before >= 0 && peak >= 0 ? static_cast<double>(peak - before) / 1024.0 : -1.0;
}

void BM_LoadPeakMemory(benchmark::State& state) {
  const bool png = state.range(0) != 0;
  KAV_CreateImage(22, "peak", 0, 0, 640, 480, 50);
  std::string path;
  if (png) {
    // One bit a pixel, all zero: deflate packs the 4 MB of rows into about 4 KB.
    QImage mono(5792, 5792, QImage::Format_Mono);
    mono.fill(0);
    path = (g_dir / "big.png").string();
    if (!mono.save(QString::fromStdString(path), "PNG")) state.SkipWithError("no PNG written");
  } else {
    fill(22, 640, 480);
    KAV_SaveImage(640, 480, 1, (g_dir / "peak").c_str());
    path = (g_dir / "peak.jpg").string();
  }
  double peak = 0;
  for (auto _ : state) {
    peak = loadPeakMB(path);
    if (peak < 0) state.SkipWithError("load failed");
  }
  state.counters["peakMB"] = peak;
  state.counters["fileKB"] = static_cast<double>(std::filesystem::file_size(path)) / 1024.0;
  KAV_DestroyImage(22);
}
BENCHMARK(BM_LoadPeakMemory)->Arg(0)->Arg(1)->ArgName("png")->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  mallopt(M_MMAP_THRESHOLD, 64 << 10);
  mallopt(M_TRIM_THRESHOLD, 64 << 10);
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
