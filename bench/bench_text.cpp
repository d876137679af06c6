// Text in images: 1000 bitmap-font characters, and 100 TrueType characters
// (the Gothic face through Qt), into a 640 x 480 image.
//
// Runs on Qt's offscreen platform with an in-memory window system; the
// benchmark thread is the worker.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <string>

#include "bench/shell_on_fake.h"
#include "image/slots.h"
#include "imgproc/draw_state.h"
#include "imgproc/qt_truetype.h"
#include "rozoru/draw.h"

void KAV_Init() {}
void KAV_Main() {}
void KAV_Exit() {}

namespace {

using namespace rozoru;

struct Setup : bench::ShellOnFake {
  explicit Setup(int bits) {
    installImageSlots();
    resetDrawState();
    startTrueType(makeQtTrueTypeEngine());
    if (bits == 8) KAV_CreateImage8(0, "text", 0, 0, 640, 480, 100);
    else KAV_CreateImage(0, "text", 0, 0, 640, 480, 100);
  }
  ~Setup() {
    releaseTrueType();
    releaseAllImages();
  }
};

// 1000 characters: 12 and a half rows of 80, wrapping at the right edge.
void BM_BitmapChars1000(benchmark::State& state) {
  Setup setup(static_cast<int>(state.range(0)));
  std::string text;
  for (int i = 0; i < 1000; ++i) text += static_cast<char>(0x21 + i % 94);
  for (auto _ : state) {
    KAV_SetTextCursor(0, 14);
    KAV_DrawString(text.c_str());
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_BitmapChars1000)->ArgName("bits")->Arg(32)->Arg(8)->Unit(benchmark::kMicrosecond);

// 100 characters, half of them kanji, in the start cell (8 x 16).
void BM_TrueTypeChars100(benchmark::State& state) {
  Setup setup(static_cast<int>(state.range(0)));
  std::string text;
  for (int i = 0; i < 50; ++i) text += std::string(1, static_cast<char>('A' + i % 26)) + "\xE6\xBC\xA2";
  for (auto _ : state) {
    KAV_SetTextCursor(0, 16);
    KAV_DrawTrueTypeText(text.c_str());
  }
  state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_TrueTypeChars100)->ArgName("bits")->Arg(32)->Arg(8)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
