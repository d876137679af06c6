#include "shell/core/message_queue.h"

namespace rozoru {

void MessageQueue::post(Message m) {
  {
    std::lock_guard lock(mutex_);
    messages_.push_back(std::move(m));
  }
  signal();
}

void MessageQueue::postCall(Call c) {
  {
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(c));
  }
  signal();
}

void MessageQueue::wake() {
  {
    std::lock_guard lock(mutex_);
    woken_ = true;
  }
  signal();
}

void MessageQueue::signal() {
  cv_.notify_all();
  std::function<void()> hook;
  {
    std::lock_guard lock(mutex_);
    hook = hook_;
  }
  if (hook) hook();
}

std::optional<Message> MessageQueue::takeMessage() {
  std::lock_guard lock(mutex_);
  if (messages_.empty()) return std::nullopt;
  Message m = std::move(messages_.front());
  messages_.pop_front();
  return m;
}

std::optional<MessageQueue::Call> MessageQueue::takeCall() {
  std::lock_guard lock(mutex_);
  if (calls_.empty()) return std::nullopt;
  Call c = std::move(calls_.front());
  calls_.pop_front();
  return c;
}

bool MessageQueue::hasPending() const {
  std::lock_guard lock(mutex_);
  return !messages_.empty() || !calls_.empty();
}

void MessageQueue::waitActivity(Clock::time_point deadline, const std::function<bool()>& pred) {
  std::unique_lock lock(mutex_);
  cv_.wait_until(lock, deadline, [&] {
    return woken_ || !messages_.empty() || !calls_.empty() || (pred && pred());
  });
  woken_ = false;
}

void MessageQueue::waitCalls(Clock::time_point deadline, const std::function<bool()>& pred) {
  std::unique_lock lock(mutex_);
  cv_.wait_until(lock, deadline, [&] { return woken_ || !calls_.empty() || (pred && pred()); });
  woken_ = false;
}

void MessageQueue::setActivityHook(std::function<void()> hook) {
  std::lock_guard lock(mutex_);
  hook_ = std::move(hook);
}

}  // namespace rozoru
