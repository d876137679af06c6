// The exit sequence: how the GUI thread ends the worker in bounded time.
//
// GUI thread, except stopUnattended().
#pragma once

#include <atomic>
#include <functional>

#include "shell/core/context.h"

namespace rozoru {

class Worker;

enum class ExitOutcome {
  Joined,     // the worker ended in time
  Abandoned,  // the worker did not end in time; it must not be joined
};

class ExitSequence {
 public:
  ExitSequence(const ShellContext& context, Worker& worker) : context_(context), worker_(worker) {}

  // Cancels a waiting line input, sets kav_stop and kav_exit, ends the
  // dialogs the worker waits on, closes the logs and waits up to limitMs
  // for the worker, serving the worker's window-system calls meanwhile. A
  // worker that did not end is abandoned; KAV_Exit then runs here unless
  // the worker already entered it.
  ExitOutcome run(int limitMs = 2000);
  // True from the start of run() on (a second Exit does nothing).
  bool started() const { return started_.load(); }

  // For an end the program did not choose (the display connection went, a
  // library called exit()), on any thread: tells the worker to stop and
  // waits up to limitMs for it without serving the GUI thread's calls (the
  // caller has abandoned them); KAV_Exit then runs here unless the worker
  // entered it. On the worker itself it only runs KAV_Exit. True when the
  // worker ended.
  bool stopUnattended(int limitMs);

  // Called at the start of the exit sequence (Stop also cancels a waiting
  // line input) and when logs are to be closed.
  std::function<void()> cancelLineInput;
  std::function<void()> closeLogs;
  // Ends the window system's dialogs as cancelled, and those asked for
  // later at once (GUI thread): a worker waiting on one would not end.
  std::function<void()> endDialogs;

 private:
  const ShellContext& context_;
  Worker& worker_;
  std::atomic<bool> started_{false};
};

}  // namespace rozoru
