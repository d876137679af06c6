#include "shell/core/layout.h"

#include <algorithm>
#include <cstdlib>

namespace rozoru {

std::string centredStatusText(const std::string& text) {
  constexpr std::size_t kField = 63;
  std::string field(kField, ' ');
  const std::size_t offset = static_cast<std::size_t>(std::max(0, 18 - static_cast<int>(text.size() / 2)));
  const std::size_t n = std::min(text.size(), kField - offset);
  field.replace(offset, n, text, 0, n);
  return field;
}

Point mainWindowStart(int fullWidth, int fullHeight) { return {(fullWidth - 240) / 2, fullHeight - 113}; }

void SnapTable::rebuild(int w, int h, const std::vector<Rect>& windows) {
  entries_.clear();
  entries_.push_back({-1000, 0, 0, h});
  entries_.push_back({0, -1000, w, 0});
  entries_.push_back({w, 0, w + 1000, h});
  entries_.push_back({0, h, w, h + 1000});
  for (const Rect& r : windows) {
    if (entries_.size() == kCapacity) break;
    entries_.push_back(r);
  }
}

Rect SnapTable::snap(Rect p, const Rect& q, bool ctrl) const {
  if (!ctrl) return p;
  // Distances are measured from the rectangle as proposed, whatever moved since.
  const int L = p.left, T = p.top, R = p.right, B = p.bottom;
  auto moveH = [&p](int d) {
    p.left += d;
    p.right += d;
  };
  auto moveV = [&p](int d) {
    p.top += d;
    p.bottom += d;
  };
  // Moves by the first of two distances that is under 8 pixels.
  auto snapBy = [](int first, int second, auto move) {
    if (std::abs(first) < 8) {
      move(first);
      return true;
    }
    if (std::abs(second) < 8) {
      move(second);
      return true;
    }
    return false;
  };
  bool hDone = false, vDone = false;
  for (const Rect& e : entries_) {
    if (e == q) continue;
    const bool xOverlap = e.left <= R && e.right >= L;
    const bool yOverlap = e.top <= B && e.bottom >= T;
    if (!hDone && yOverlap) hDone = snapBy(e.right - L, e.left - R, moveH);  // edge to edge
    if (!vDone && hDone && xOverlap) vDone = snapBy(e.top - T, e.bottom - B, moveV);  // tops or bottoms aligned
    if (!vDone && xOverlap) vDone = snapBy(e.bottom - T, e.top - B, moveV);           // edge to edge
    if (!hDone && vDone && yOverlap) hDone = snapBy(e.left - L, e.right - R, moveH);  // lefts or rights aligned
    if (hDone && vDone) break;
  }
  return p;
}

}  // namespace rozoru
