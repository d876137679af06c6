// Snapping of windows dragged with Ctrl held: the table of window
// rectangles, rebuilt from the subsystems that own windows.
//
// Thread-safe.
#pragma once

#include <functional>
#include <mutex>
#include <vector>

#include "shell/core/context.h"
#include "shell/core/layout.h"

namespace rozoru {

class Snapping {
 public:
  using Source = std::function<void(std::vector<Rect>&)>;

  explicit Snapping(const ShellContext& context) : context_(context) {}

  // Sources of window rectangles, asked in order when the table is rebuilt
  // (image windows, text windows, input box, button box); the main window
  // comes last.
  void addSource(Source source);
  void rebuild();
  Rect snap(const Rect& proposed, const Rect& current, bool ctrl) const;

 private:
  const ShellContext& context_;
  mutable std::mutex mutex_;
  SnapTable table_;
  std::vector<Source> sources_;
};

}  // namespace rozoru
