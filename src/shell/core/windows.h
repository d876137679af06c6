// Framework window handles: owning thread, class and window procedure.
//
// Thread-safe. A window's procedure runs only on its owning thread, when that
// thread dispatches its queue.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shell/core/message.h"
#include "shell/core/message_queue.h"

namespace rozoru {

using WindowProc = std::function<std::int64_t(const Message&)>;

class WindowTable {
 public:
  // Registers a window owned by the queue's thread; returns its handle.
  Hwnd add(MessageQueue* owner, std::string className, WindowProc proc);
  // Forgets the handle; messages still queued for it are dropped at dispatch.
  void remove(Hwnd h);
  bool exists(Hwnd h) const;
  std::string className(Hwnd h) const;
  MessageQueue* owner(Hwnd h) const;
  std::vector<Hwnd> handles() const;

  // Queues m for m.hwnd's owner; false when the window is unknown.
  bool post(Message m) const;
  // Runs the window's procedure on the calling thread (the owner); 0 when
  // the window is unknown.
  std::int64_t dispatch(const Message& m) const;

 private:
  struct Entry {
    Hwnd handle;
    MessageQueue* owner;
    std::string className;
    std::shared_ptr<WindowProc> proc;
  };
  const Entry* find(Hwnd h) const;

  mutable std::mutex mutex_;
  std::vector<Entry> entries_;
  Hwnd next_ = 1;
};

WindowTable& windowTable();

// Dispatches everything pending in q: calls first, then messages, until both
// are empty. Runs on q's owning thread. Returns the number of messages.
int drainQueue(MessageQueue& q);

}  // namespace rozoru
