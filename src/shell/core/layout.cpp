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
  const int L = p.left, T = p.top, R = p.right, B = p.bottom;
  bool hDone = false, vDone = false;
  auto moveH = [&](int d) {
    p.left += d;
    p.right += d;
  };
  auto moveV = [&](int d) {
    p.top += d;
    p.bottom += d;
  };
  for (const Rect& e : entries_) {
    if (e == q) continue;
    const bool xOverlap = e.left <= R && e.right >= L;
    const bool yOverlap = e.top <= B && e.bottom >= T;
    if (!hDone && yOverlap) {
      if (std::abs(e.right - L) < 8) {
        moveH(e.right - L);
        hDone = true;
      } else if (std::abs(e.left - R) < 8) {
        moveH(e.left - R);
        hDone = true;
      }
    }
    if (!vDone) {
      if (hDone && xOverlap) {
        if (std::abs(e.top - T) < 8) {
          moveV(e.top - T);
          vDone = true;
        } else if (std::abs(e.bottom - B) < 8) {
          moveV(e.bottom - B);
          vDone = true;
        }
      }
      if (!vDone && xOverlap) {
        if (std::abs(e.bottom - T) < 8) {
          moveV(e.bottom - T);
          vDone = true;
        } else if (std::abs(e.top - B) < 8) {
          moveV(e.top - B);
          vDone = true;
        }
      }
    }
    if (!hDone && vDone && yOverlap) {
      if (std::abs(e.left - L) < 8) {
        moveH(e.left - L);
        hDone = true;
      } else if (std::abs(e.right - R) < 8) {
        moveH(e.right - R);
        hDone = true;
      }
    }
    if (hDone && vDone) break;
  }
  return p;
}

}  // namespace rozoru
