// Interactive picks on Qt's offscreen platform: the time from a mouse move
// over a 640x480 image to its XOR rubber band redrawn and repainted (the
// pick's pass, the XOR figure and the repaint's hand-over to the window),
// and the CPU a pick uses while it waits for the mouse.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "image/slots.h"
#include "rozoru/kav.h"
#include "shell/core/pump.h"
#include "shell/core/shell.h"
#include "shell/core/windows.h"
#include "shell/qt/framework.h"

// The benchmark runs the framework without an application.
void KAV_Init() {}
void KAV_Main() {}
void KAV_Exit() {}

namespace {

using rozoru::Clock;
using rozoru::Message;
using rozoru::Msg;

double processCpuSeconds() {
  rusage u{};
  ::getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void post(int id, Msg type, int x, int y) {
  rozoru::windowTable().post(Message{kav_image[id].window, type, 0, rozoru::packXY(x, y), 0, {}});
}

// Hands the pick one mouse move per pass while the benchmark runs, then the
// second click that ends it.
class MovePump final : public rozoru::Pump {
 public:
  MovePump(rozoru::Pump& inner, benchmark::State& state) : inner_(inner), state_(state) {}
  int dispatchPending() override {
    if (pass_ == 0) {
      post(10, Msg::LButtonDown, 100, 100);
    } else if (!ended_ && state_.KeepRunning()) {
      post(10, Msg::MouseMove, 300 + (pass_ & 63), 200 + (pass_ & 31));
    } else if (!ended_) {
      ended_ = true;
      post(10, Msg::LButtonDown, 200, 150);
    }
    ++pass_;
    return inner_.dispatchPending();
  }
  void waitActivity(Clock::time_point deadline) override { inner_.waitActivity(deadline); }
  void wake() override { inner_.wake(); }
  rozoru::MessageQueue& queue() override { return inner_.queue(); }

 private:
  rozoru::Pump& inner_;
  benchmark::State& state_;
  long pass_ = 0;
  bool ended_ = false;
};

// One iteration: a move, the band redrawn with XOR, the window repainted.
void BM_PickRectMoveToRepaint(benchmark::State& state) {
  KAV_CreateImage(10, "pick", 0, 0, 640, 480, 100);
  rozoru::Pump* gui = rozoru::currentPump();
  MovePump pump(*gui, state);
  rozoru::setCurrentPump(&pump);
  int x1, y1, x2, y2;
  if (KAV_PickRect(10, &x1, &y1, &x2, &y2) != 0) state.SkipWithError("the pick did not end with a click");
  rozoru::setCurrentPump(gui);
  QCoreApplication::processEvents();
  KAV_DestroyImage(10);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PickRectMoveToRepaint)->Unit(benchmark::kMicrosecond);

// A pick left waiting for 500 ms, ended by Stop: CPU as a share of one core.
void BM_PickWaitCpu(benchmark::State& state) {
  KAV_CreateImage(10, "pick", 0, 0, 640, 480, 100);
  double cpu = 0, wall = 0;
  for (auto _ : state) {
    const double cpu0 = processCpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    std::thread stopper([] {
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
      kav_stop = 1;
      rozoru::shell().wakeAll();
    });
    int x, y;
    KAV_PickPoint(10, &x, &y);
    stopper.join();
    cpu += processCpuSeconds() - cpu0;
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  }
  kav_stop = 0;
  KAV_DestroyImage(10);
  state.counters["cpu_percent_of_core"] = 100.0 * cpu / wall;
}
BENCHMARK(BM_PickWaitCpu)->Iterations(4)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const auto lockDir = std::filesystem::temp_directory_path() / "rozoru-bench-picks";
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
