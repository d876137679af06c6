// Ending the process from outside, in bounded time.
//
// - SIGTERM, SIGINT and SIGHUP run the exit sequence on the GUI thread (as
//   Exit does); should the process still run 3 s later, or a second signal
//   come, it ends at once after KAV_Exit.
// - exit() called by a library while the worker runs (Qt's X11 plugin does
//   so when the display connection is lost) stops the worker without the GUI
//   thread, runs KAV_Exit once and ends the process with status 1 before any
//   static destructor could wait for a thread that still runs.
//
// Made and destroyed on the GUI thread; one per process.
#pragma once

#include <atomic>
#include <thread>

namespace rozoru {

class GuiPump;

class ProcessEnd {
 public:
  explicit ProcessEnd(GuiPump& gui);
  // Restores the signals' handlers and ends the watcher thread.
  ~ProcessEnd();
  ProcessEnd(const ProcessEnd&) = delete;
  ProcessEnd& operator=(const ProcessEnd&) = delete;

  // The signal that ended the program, 0 if none did.
  int signal() const { return signal_.load(); }
  // The process's exit status: 128 + the signal, or the given status.
  int status(int otherwise) const { return signal() ? 128 + signal() : otherwise; }

  // Makes the exit() guard run before the static destructors of everything
  // made so far. Any thread; called again once the worker's KAV_Init has
  // made what the application keeps.
  static void armExitGuard();

 private:
  void watch();

  GuiPump& gui_;
  int pipe_[2] = {-1, -1};
  std::atomic<int> signal_{0};
  std::thread watcher_;
};

}  // namespace rozoru
