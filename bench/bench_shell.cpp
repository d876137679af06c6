// How long KAV_Wait takes to return after Stop.
//
// The benchmark's thread plays the GUI thread: it owns a QueuePump attached to
// the shell and presses Stop; the shell's worker runs one KAV_Main per pass,
// which blocks in KAV_Wait(10000) and stamps the time it returned 1. Each
// iteration's manual time is exactly that Stop-to-return delay.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "rozoru/kav.h"
#include "shell/core/pump.h"
#include "shell/core/shell.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

// Bench-private request code: a round trip through the worker's loop.
constexpr int kBarrierRequest = 9901;

std::atomic<bool> g_inMain{false};
std::atomic<bool> g_returned{false};
std::atomic<SteadyClock::rep> g_returnedAt{0};

void wakeGui() {
  if (rozoru::Pump* p = rozoru::shell().guiPump()) p->wake();
}

// Returns once the worker has left KAV_Main and cleared kav_running: the
// request is served by a later turn of the worker's loop than the one that
// ran KAV_Main, so Start is taken up again afterwards.
void waitWorkerIdle() {
  rozoru::Request r;
  r.code = kBarrierRequest;
  rozoru::shell().sendRequest(r);
}

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const auto i = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
  return v[std::min(i, v.size() - 1)];
}

// idleMs: how long the worker sits idle in its loop before each Start, and
// how long KAV_Wait has been blocked before Stop. With 0 the Stop comes 1 ms
// after KAV_Main entered the wait, so the worker is certainly asleep in it.
void runStopToReturn(benchmark::State& state, int idleMs) {
  rozoru::Shell& sh = rozoru::shell();
  if (!sh.onGuiThread() || !sh.workerStarted()) {
    state.SkipWithError("the benchmark must run on the thread that attached the shell");
    return;
  }
  const auto settle = std::chrono::milliseconds(std::max(idleMs, 1));
  std::vector<double> samplesUs;
  samplesUs.reserve(static_cast<std::size_t>(state.max_iterations));

  for (auto _ : state) {
    if (idleMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(idleMs));
    g_inMain = false;
    g_returned = false;
    sh.start();
    rozoru::pumpUntil([] { return g_inMain.load(); });
    std::this_thread::sleep_for(settle);

    const auto t0 = SteadyClock::now();
    sh.stop();
    rozoru::pumpUntil([] { return g_returned.load(); });
    const auto t1 = SteadyClock::time_point(SteadyClock::duration(g_returnedAt.load()));

    const double seconds = std::chrono::duration<double>(t1 - t0).count();
    state.SetIterationTime(seconds);
    samplesUs.push_back(seconds * 1e6);
    waitWorkerIdle();
  }

  state.counters["median_us"] = percentile(samplesUs, 0.5);
  state.counters["p90_us"] = percentile(samplesUs, 0.9);
  state.counters["max_us"] = samplesUs.empty() ? 0 : *std::max_element(samplesUs.begin(), samplesUs.end());
}

void BM_StopToWaitReturn(benchmark::State& state) { runStopToReturn(state, 0); }
void BM_StopToWaitReturn_IdleWorker(benchmark::State& state) {
  runStopToReturn(state, static_cast<int>(state.range(0)));
}

BENCHMARK(BM_StopToWaitReturn)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(500);
BENCHMARK(BM_StopToWaitReturn_IdleWorker)
    ->Arg(100)
    ->ArgName("idle_ms")
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(50);

}  // namespace

// The application's hooks, as a capture loop that ends on Stop would have them.
void KAV_Init() {}

void KAV_Main() {
  g_inMain = true;
  wakeGui();
  for (;;) {
    if (KAV_Wait(10000) == 1) {
      g_returnedAt = SteadyClock::now().time_since_epoch().count();
      g_returned = true;
      wakeGui();
      return;
    }
  }
}

void KAV_Exit() {}

int main(int argc, char** argv) {
  rozoru::QueuePump gui;
  rozoru::setCurrentPump(&gui);
  rozoru::Shell& sh = rozoru::shell();
  sh.attach(nullptr, &gui);
  sh.setRequestHandler(kBarrierRequest, [](const rozoru::Request&) { return 0; });
  sh.startWorker();

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  const rozoru::ExitOutcome outcome = sh.exitSequence();
  rozoru::setCurrentPump(nullptr);
  if (outcome != rozoru::ExitOutcome::Joined) {
    std::fprintf(stderr, "bench_shell: the worker did not end within the exit sequence\n");
    std::fflush(nullptr);
    std::_Exit(2);
  }
  return 0;
}
