// One message queue per thread that owns framework windows.
//
// Thread-safe: any thread may post, post calls or wake; only the owning thread
// takes from the queue and waits on it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

#include "shell/core/message.h"

namespace rozoru {

using Clock = std::chrono::steady_clock;

class MessageQueue {
 public:
  using Call = std::function<void()>;

  void post(Message m);
  // A closure to run on the owning thread the next time it serves calls.
  void postCall(Call c);
  // Wakes a waiter without a message (flags changed, a request is pending...).
  void wake();

  std::optional<Message> takeMessage();
  std::optional<Call> takeCall();
  bool hasPending() const;

  // Blocks until a message or call is pending, wake() was called since the
  // last wait, pred() holds, or the deadline passes. pred is evaluated under
  // the queue's lock, so a setter that changes what it reads and then calls
  // wake() can never be missed.
  void waitActivity(Clock::time_point deadline, const std::function<bool()>& pred = {});

  // Like waitActivity, but queued messages do not end the wait: only calls,
  // wake() and pred() do.
  void waitCalls(Clock::time_point deadline, const std::function<bool()>& pred = {});

  // Called (outside the lock) after every post, postCall and wake; the GUI
  // uses it to nudge its own event loop.
  void setActivityHook(std::function<void()> hook);

 private:
  void signal();

  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<Message> messages_;
  std::deque<Call> calls_;
  bool woken_ = false;
  std::function<void()> hook_;
};

}  // namespace rozoru
