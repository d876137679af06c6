#include "shell/core/worker.h"

#include "rozoru/kav.h"
#include "shell/core/requests.h"

namespace rozoru {

Worker::Worker(const ShellContext& context, RequestQueue& requests) : context_(context), requests_(requests) {}

Worker::~Worker() {
  if (thread_.joinable()) thread_.join();
}

void Worker::start() {
  finished_ = false;
  exitHookClaimed_ = false;
  started_ = true;
  thread_ = std::thread([this] { loop(); });
}

void Worker::join() {
  if (finished_.load() && thread_.joinable()) thread_.join();
}

void Worker::loop() {
  id_ = std::this_thread::get_id();
  setCurrentPump(&pump_);
  KAV_Init();
  if (afterInit) afterInit();
  auto somethingToDo = [this] {
    return requests_.pending() || (kav_start.load() != 0 && kav_running.load() == 0) || kav_exit.load() != 0;
  };
  while (kav_exit.load() == 0) {
    // Blocks until a message, a request, a start or an exit; the deadline
    // only bounds the cost of a wake that was never sent.
    pump_.queue().waitActivity(Clock::now() + std::chrono::milliseconds(500), somethingToDo);
    KAV_DoEvents();
    requests_.executePending();
    if (kav_start.load() != 0 && kav_running.load() == 0) {
      if (acceptDrops) acceptDrops(false);
      kav_running = 1;
      kav_start = 0;
      kav_stop = 0;
      KAV_Main();
      if (kav_exit.load() != 0) break;  // kav_running stays 1 and drops stay off
      kav_running = 0;
      kav_stop = 0;
      if (acceptDrops) acceptDrops(true);
    }
  }
  runExitHookOnce();
  kav_exit = 2;
  KAV_DoEvents();
  setCurrentPump(nullptr);
  requests_.close();
  // Once finished is seen the shell may go: nothing of it is touched after.
  Pump* gui = context_.guiPump;
  finished_ = true;
  if (gui) gui->wake();
}

void Worker::runExitHookOnce() {
  if (exitHookClaimed_.exchange(true)) return;
  exitHookRuns_.fetch_add(1);
  KAV_Exit();
}

}  // namespace rozoru
