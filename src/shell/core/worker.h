// The worker thread: KAV_Init, then its loop (messages, requests, Start),
// then KAV_Exit. KAV_Exit runs exactly once in the process: on the worker,
// or on whichever thread ends a worker that did not stop in time.
//
// start() and join() on the GUI thread; the flags are thread-safe.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

#include "shell/core/context.h"
#include "shell/core/pump.h"

namespace rozoru {

class RequestQueue;

class Worker {
 public:
  Worker(const ShellContext& context, RequestQueue& requests);
  // Joins the thread. The process's own shell is never destroyed, so this
  // only waits in tests, which end their worker first.
  ~Worker();
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  void start();
  bool started() const { return started_.load(); }
  bool finished() const { return finished_.load(); }
  bool onThread() const { return std::this_thread::get_id() == id_.load(); }
  QueuePump& pump() { return pump_; }
  void wake() { pump_.wake(); }
  // Joins the thread once finished() holds.
  void join();

  // Runs KAV_Exit unless it already ran or runs on another thread.
  void runExitHookOnce();
  bool exitHookClaimed() const { return exitHookClaimed_.load(); }
  int exitHookRuns() const { return exitHookRuns_.load(); }

  // Called on the worker after KAV_Init, and with false before and true after
  // each KAV_Main (files are dropped only while no application main runs).
  std::function<void()> afterInit;
  std::function<void(bool)> acceptDrops;

 private:
  void loop();

  const ShellContext& context_;
  RequestQueue& requests_;
  QueuePump pump_;
  std::thread thread_;
  std::atomic<std::thread::id> id_{};
  std::atomic<bool> started_{false};
  std::atomic<bool> finished_{false};
  std::atomic<bool> exitHookClaimed_{false};
  std::atomic<int> exitHookRuns_{0};
};

}  // namespace rozoru
