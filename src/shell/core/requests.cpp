#include "shell/core/requests.h"

namespace rozoru {

int unavailableResult(int code) {
  switch (code) {
    case req::CreateImage:
      return 3;  // no bitmap made
    case req::LoadImage:
      return 1;  // not loaded
    default:
      return 0;  // codes without a result
  }
}

void RequestQueue::setHandler(int code, RequestHandler handler) {
  std::lock_guard lock(handlersMutex_);
  std::erase_if(handlers_, [code](const auto& h) { return h.first == code; });
  handlers_.emplace_back(code, std::move(handler));
}

int RequestQueue::execute(const Request& r) {
  const bool indexed = r.code == req::CreateImage || r.code == req::OpenText;
  if (indexed && static_cast<unsigned>(r.index) >= 256u) return r.code == req::CreateImage ? 4 : 0;
  if (r.code == req::Call) return r.call ? r.call() : 0;
  RequestHandler handler;
  {
    std::lock_guard lock(handlersMutex_);
    for (const auto& [c, h] : handlers_)
      if (c == r.code) handler = h;
  }
  return handler ? handler(r) : unavailableResult(r.code);
}

bool RequestQueue::pending() const {
  std::lock_guard lock(mutex_);
  return !queue_.empty();
}

int RequestQueue::pendingCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(queue_.size());
}

void RequestQueue::complete(Ticket& t, int result) {
  Pump* sender = t.sender;
  t.result = result;
  t.done = true;
  if (sender) sender->wake();
}

void RequestQueue::executePending() {
  for (;;) {
    std::shared_ptr<Ticket> t;
    {
      std::lock_guard lock(mutex_);
      if (queue_.empty()) return;
      t = queue_.front();
    }
    // Taken off only once executed: until then it counts as pending.
    const int result = execute(t->req);
    {
      std::lock_guard lock(mutex_);
      queue_.pop_front();
    }
    complete(*t, result);
  }
}

void RequestQueue::close() {
  std::deque<std::shared_ptr<Ticket>> left;
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    left.swap(queue_);
  }
  for (const auto& t : left) complete(*t, unavailableResult(t->req.code));
}

int RequestQueue::send(const Request& r) {
  auto t = std::make_shared<Ticket>();
  t->req = r;
  t->sender = currentPump();
  {
    // A worker that has ended executes nothing more: the sender must not
    // wait for it (Exit can be chosen while a sender dispatches).
    std::lock_guard lock(mutex_);
    if (closed_) return unavailableResult(r.code);
    queue_.push_back(t);
  }
  workerPump_.wake();
  if (r.code == req::UpdateImage) return 0;
  pumpUntil([&t] { return t->done.load(); });
  return t->result;
}

}  // namespace rozoru
