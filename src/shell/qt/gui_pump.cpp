// The GUI thread's pump: posted calls and messages are drained from Qt's
// event loop, and a wait runs a nested loop that any activity ends.
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>

#include "shell/core/windows.h"
#include "shell/qt/qt_window_system.h"

namespace rozoru {

GuiPump::GuiPump() : receiver_(new QObject) {
  queue_.setActivityHook([this] { onActivity(); });
}

GuiPump::~GuiPump() {
  queue_.setActivityHook({});
  delete receiver_;
}

void GuiPump::onActivity() {
  if (drainPosted_.exchange(true)) return;
  QMetaObject::invokeMethod(
      receiver_,
      [this] {
        drainPosted_ = false;
        for (QEventLoop* loop : waits_) loop->quit();
        drainQueue(queue_);
      },
      Qt::QueuedConnection);
}

bool GuiPump::waitCall(const std::function<bool()>& done) {
  std::unique_lock lock(callMutex_);
  // callRan and abandonCalls notify; the slice only bounds a missed one.
  while (!done() && !abandoned_.load()) callDone_.wait_for(lock, std::chrono::seconds(1));
  return done();
}

void GuiPump::callRan() {
  // Taken so that a caller between its check and its wait is not missed.
  { std::lock_guard lock(callMutex_); }
  callDone_.notify_all();
}

void GuiPump::abandonCalls() {
  {
    std::lock_guard lock(callMutex_);
    abandoned_ = true;
  }
  callDone_.notify_all();
}

int GuiPump::dispatchPending() {
  QCoreApplication::processEvents();
  return drainQueue(queue_);
}

void GuiPump::waitActivity(Clock::time_point deadline) {
  if (queue_.hasPending()) return;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  if (left <= 0) return;
  QEventLoop loop;
  QTimer timer;
  timer.setSingleShot(true);
  timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  timer.start(static_cast<int>(std::min<long long>(left, 1 << 30)));
  waits_.push_back(&loop);
  loop.exec();
  waits_.pop_back();
}

}  // namespace rozoru
