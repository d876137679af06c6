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

bool RequestQueue::pending() const { return slot_.code.load() != 0; }
int RequestQueue::pendingCount() const { return pending() ? 1 : 0; }

void RequestQueue::executePending() {
  if (slot_.code.load() == 0) return;
  slot_.result = execute(slot_.req);
  Pump* sender = slot_.sender;
  slot_.done = 1;
  slot_.code = 0;
  if (sender) sender->wake();
}

void RequestQueue::close() {
  closed_ = true;
  if (Pump* sender = slot_.sender) sender->wake();
}

int RequestQueue::send(const Request& r) {
  // A worker that has ended executes nothing more: the sender must not wait
  // for it (Exit can be chosen while a sender dispatches).
  pumpUntil([this] { return slot_.code.load() == 0 || closed_.load(); });
  if (closed_.load()) return unavailableResult(r.code);
  slot_.req = r;
  slot_.sender = currentPump();
  if (r.code != req::UpdateImage) slot_.done = 0;
  slot_.code = r.code;
  workerPump_.wake();
  if (r.code == req::UpdateImage) return 0;
  pumpUntil([this] { return slot_.done.load() != 0 || closed_.load(); });
  return slot_.done.load() != 0 ? slot_.result : unavailableResult(r.code);
}

}  // namespace rozoru
