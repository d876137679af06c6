#include "shell/core/snap.h"

namespace rozoru {

void Snapping::addSource(Source source) {
  std::lock_guard lock(mutex_);
  sources_.push_back(std::move(source));
}

void Snapping::rebuild() {
  WindowSystem* ws = context_.ws;
  if (!ws) return;
  const ScreenMetrics sm = ws->metrics();
  std::vector<Source> sources;
  {
    std::lock_guard lock(mutex_);
    sources = sources_;
  }
  // The sources ask the window system, which may wait for the GUI thread:
  // no lock is held meanwhile.
  std::vector<Rect> rects;
  for (const auto& src : sources) src(rects);
  if (context_.mainWindow) rects.push_back(ws->frameRect(context_.mainWindow));
  std::lock_guard lock(mutex_);
  table_.rebuild(sm.fullWidth, sm.fullHeight + sm.captionHeight, rects);
}

Rect Snapping::snap(const Rect& proposed, const Rect& current, bool ctrl) const {
  std::lock_guard lock(mutex_);
  return table_.snap(proposed, current, ctrl);
}

}  // namespace rozoru
