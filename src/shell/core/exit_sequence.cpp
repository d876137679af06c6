#include "shell/core/exit_sequence.h"

#include "rozoru/kav.h"
#include "shell/core/worker.h"

namespace rozoru {

ExitOutcome ExitSequence::run(int limitMs) {
  started_ = true;
  if (cancelLineInput) cancelLineInput();
  kav_stop = 1;
  kav_exit = 1;
  worker_.wake();
  context_.wakeGui();
  if (endDialogs) endDialogs();
  if (closeLogs) closeLogs();
  // The GUI thread dispatches no messages here, but it keeps serving the
  // worker's window-system calls so that a worker in KAV_Exit is not stuck.
  const auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
  MessageQueue unattached;
  MessageQueue& gq = context_.guiPump ? context_.guiPump->queue() : unattached;
  while (!worker_.finished() && Clock::now() < deadline) {
    while (auto c = gq.takeCall()) (*c)();
    gq.waitCalls(deadline, [this] { return worker_.finished(); });
  }
  if (worker_.finished()) {
    worker_.join();
    return ExitOutcome::Joined;
  }
  if (kav_exit.load() == 1) {
    worker_.runExitHookOnce();
    kav_exit = 2;
  }
  // The thread is left running and is not joined here: the process ends
  // next. Should it ever return, the worker's owner collects it.
  return ExitOutcome::Abandoned;
}

bool ExitSequence::stopUnattended(int limitMs) {
  started_ = true;
  if (cancelLineInput) cancelLineInput();
  kav_stop = 1;
  if (kav_exit.load() == 0) kav_exit = 1;
  worker_.wake();
  if (!worker_.onThread() && context_.guiPump) {
    // The worker wakes the GUI's queue when it ends. Calls found there are
    // dropped unrun: their callers no longer wait for them.
    MessageQueue& gq = context_.guiPump->queue();
    const auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
    while (!worker_.finished() && Clock::now() < deadline) {
      while (gq.takeCall()) {
      }
      gq.waitCalls(deadline, [this] { return worker_.finished(); });
    }
  }
  if (worker_.finished()) return true;
  if (kav_exit.load() == 1) {
    worker_.runExitHookOnce();
    kav_exit = 2;
  }
  return false;
}

}  // namespace rozoru
