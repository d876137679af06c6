// The boxes: a button click from its Control message to the application's
// read, relaying out a full 16 x 16 button box on resize, and opening and
// destroying the 44-button box of the stereo application.
//
// Uses an in-memory window system; the benchmark thread owns the boxes, so
// the figures are the framework's own cost without a display's.
#include <benchmark/benchmark.h>

#include "bench/shell_on_fake.h"
#include "boxes/boxes.h"
#include "rozoru/kav.h"
#include "shell/core/windows.h"

void KAV_Init() {}
void KAV_Main() {}
void KAV_Exit() {}

namespace {

using namespace rozoru;

struct Setup : bench::ShellOnFake {
  Setup() { boxes::reset(); }
  ~Setup() { boxes::reset(); }
};

void BM_ClickToRead(benchmark::State& state) {
  Setup setup;
  KAV_OpenButtonBox(0, 0, 11, 4);
  const Hwnd h = boxes::buttonBoxHandle();
  int total = 0;
  for (auto _ : state) {
    windowTable().post(Message{h, Msg::Control, 5, ctl::Clicked, 0, {}});
    KAV_DoEvents();
    total += KAV_GetButton(5);
  }
  if (total != static_cast<int>(state.iterations())) state.SkipWithError("a click was lost");
}
BENCHMARK(BM_ClickToRead);

void BM_ResizeFullBox(benchmark::State& state) {
  Setup setup;
  KAV_OpenButtonBox(0, 0, 16, 16);
  int w = 1200;
  for (auto _ : state) {
    KAV_ResizeButtonBox(w, 600);
    w = w == 1200 ? 1300 : 1200;
  }
}
BENCHMARK(BM_ResizeFullBox);

void BM_OpenDestroyButtonBox(benchmark::State& state) {
  Setup setup;
  for (auto _ : state) {
    KAV_OpenButtonBox(0, 0, 11, 4);
    KAV_DestroyButtonBox();
  }
}
BENCHMARK(BM_OpenDestroyButtonBox);

}  // namespace

BENCHMARK_MAIN();
