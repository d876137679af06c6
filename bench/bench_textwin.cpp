// Text windows: KAV_Printf of a 60-character line into a 400 x 300 window
// drawn in the real font (lines per second), and the CPU a waiting line input
// uses while nothing is typed (goal: under 1 % of a core).
//
// Runs on Qt's offscreen platform with an in-memory window system; the
// benchmark thread is the window's owner, so nothing else runs meanwhile.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QGuiApplication>
#include <atomic>
#include <chrono>
#include <thread>

#include "rozoru/kav.h"
#include "rozoru/textwin.h"
#include "shell/core/pump.h"
#include "shell/core/shell.h"
#include "tests/shell/fake_window_system.h"
#include "textwin/qt_text.h"
#include "textwin/textwin.h"

void KAV_Init() {}
void KAV_Main() {}
void KAV_Exit() {}

namespace {

using namespace rozoru;

double processCpuSeconds() {
  rusage u{};
  ::getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Setup {
  QueuePump pump;
  test::FakeWindowSystem ws;
  Setup() {
    resetShell();
    textwin::reset();
    textwin::hooks() = {};
    textwin::hooks().makeSurface = textwin::makeQtSurface;
    setCurrentPump(&pump);
    shell().attach(&ws, &pump);
    KAV_OpenTextWindow(0, 0, 0, 400, 300);
  }
  ~Setup() {
    textwin::reset();
    resetShell();
    setCurrentPump(nullptr);
  }
};

void BM_PrintfLine(benchmark::State& state) {
  Setup setup;
  const char* line = "0123456789 abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTU";  // 60
  for (auto _ : state) KAV_Printf("%s\n", line);
  state.counters["lines_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PrintfLine)->Unit(benchmark::kMicrosecond);

// One iteration: a line input waits 10 s, blinking its caret, and is then
// cancelled. Reports the share of one core the process used meanwhile.
void BM_LineInputIdleCpu(benchmark::State& state) {
  Setup setup;
  for (auto _ : state) {
    std::atomic<bool> done{false};
    const double cpu0 = processCpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    std::thread canceller([&] {
      std::this_thread::sleep_for(std::chrono::seconds(10));
      textwin::cancelLineInput();
    });
    char buffer[256];
    KAV_ReadLine(buffer);
    canceller.join();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double cpu = processCpuSeconds() - cpu0;
    state.SetIterationTime(wall);
    state.counters["cpu_percent_of_core"] = 100.0 * cpu / wall;
  }
}
BENCHMARK(BM_LineInputIdleCpu)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
