// The dispatch loop of a thread that owns framework windows.
//
// Thread-bound: a pump is installed on, and used by, one thread. wake() may be
// called from any thread.
#pragma once

#include <functional>

#include "shell/core/message_queue.h"

namespace rozoru {

class Pump {
 public:
  virtual ~Pump() = default;
  // Runs everything pending for this thread (KAV_DoEvents); returns how many
  // framework messages it dispatched.
  virtual int dispatchPending() = 0;
  // Blocks until something is pending, wake() is called, or the deadline.
  virtual void waitActivity(Clock::time_point deadline) = 0;
  // Thread-safe.
  virtual void wake() = 0;
  // The queue that holds this thread's framework messages and calls.
  virtual MessageQueue& queue() = 0;
};

// A pump over a plain message queue (the worker thread, and the GUI thread
// of tests that run without a window system).
class QueuePump final : public Pump {
 public:
  int dispatchPending() override;
  void waitActivity(Clock::time_point deadline) override;
  void wake() override { queue_.wake(); }
  MessageQueue& queue() override { return queue_; }

 private:
  MessageQueue queue_;
};

// The calling thread's pump, or nullptr on a thread that owns no windows.
Pump* currentPump();
void setCurrentPump(Pump* pump);

// Dispatches and blocks until done() holds. done is re-checked after every
// dispatch and every wake; the poll interval only bounds a missed wake.
void pumpUntil(const std::function<bool()>& done);

}  // namespace rozoru
