#include "shell/core/windows.h"

#include <algorithm>

namespace rozoru {

Hwnd WindowTable::add(MessageQueue* owner, std::string className, WindowProc proc) {
  std::lock_guard lock(mutex_);
  Hwnd h = next_++;
  if (next_ == 0) next_ = 1;
  entries_.push_back(Entry{h, owner, std::move(className), std::make_shared<WindowProc>(std::move(proc))});
  return h;
}

void WindowTable::remove(Hwnd h) {
  std::lock_guard lock(mutex_);
  std::erase_if(entries_, [h](const Entry& e) { return e.handle == h; });
}

const WindowTable::Entry* WindowTable::find(Hwnd h) const {
  auto it = std::find_if(entries_.begin(), entries_.end(), [h](const Entry& e) { return e.handle == h; });
  return it == entries_.end() ? nullptr : &*it;
}

bool WindowTable::exists(Hwnd h) const {
  std::lock_guard lock(mutex_);
  return find(h) != nullptr;
}

std::string WindowTable::className(Hwnd h) const {
  std::lock_guard lock(mutex_);
  const Entry* e = find(h);
  return e ? e->className : std::string();
}

MessageQueue* WindowTable::owner(Hwnd h) const {
  std::lock_guard lock(mutex_);
  const Entry* e = find(h);
  return e ? e->owner : nullptr;
}

std::vector<Hwnd> WindowTable::handles() const {
  std::lock_guard lock(mutex_);
  std::vector<Hwnd> out;
  for (const Entry& e : entries_) out.push_back(e.handle);
  return out;
}

bool WindowTable::post(Message m) const {
  MessageQueue* q = owner(m.hwnd);
  if (!q) return false;
  q->post(std::move(m));
  return true;
}

std::int64_t WindowTable::dispatch(const Message& m) const {
  std::shared_ptr<WindowProc> proc;
  {
    std::lock_guard lock(mutex_);
    const Entry* e = find(m.hwnd);
    if (e) proc = e->proc;
  }
  // The procedure runs outside the lock: it may create or destroy windows.
  return proc ? (*proc)(m) : 0;
}

WindowTable& windowTable() {
  static WindowTable table;
  return table;
}

int drainQueue(MessageQueue& q) {
  int messages = 0;
  for (;;) {
    if (auto c = q.takeCall()) {
      (*c)();
      continue;
    }
    if (auto m = q.takeMessage()) {
      windowTable().dispatch(*m);
      ++messages;
      continue;
    }
    return messages;
  }
}

}  // namespace rozoru
