// Layout rules of the main window: status text centring, placement, the
// drop-in animation and window snapping. Reentrant: plain functions.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "shell/core/window_system.h"

namespace rozoru {

// The status line shows text centred in a field of 36 characters: a 63-byte
// field of blanks with the text copied in at max(0, 18 - length / 2). Text
// that would run past the field is cut there.
std::string centredStatusText(const std::string& text);

// Where the main window is created: (W - 240) / 2, H - 113, with W and H the
// usable screen width and height. The drop-in animation then moves it down
// by the offsets below, 20 ms apart, and pauses 500 ms.
struct Point {
  int x = 0, y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};
Point mainWindowStart(int fullWidth, int fullHeight);
inline constexpr std::array<int, 28> kDropInOffsets = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, -6, -5, -4, -3,
                                                       -2, -1, 1,  2,  3,  4,  5,  6,  -3, -2, -1, 1,  2,  3};
inline constexpr int kDropInStepMs = 20;
inline constexpr int kDropInPauseMs = 500;

// Rectangles a window dragged with Ctrl held snaps to.
class SnapTable {
 public:
  static constexpr std::size_t kCapacity = 260;

  // Four walls just outside the screen, then the given window rectangles in
  // order. Rectangles beyond the capacity are left out.
  void rebuild(int fullWidth, int fullHeightWithCaption, const std::vector<Rect>& windows);
  const std::vector<Rect>& entries() const { return entries_; }

  // Snaps the proposed rectangle of a moving window whose current rectangle
  // is current. Does nothing unless ctrl is held. Edges closer than 8 pixels
  // snap; the size never changes.
  Rect snap(Rect proposed, const Rect& current, bool ctrl) const;

 private:
  std::vector<Rect> entries_;
};

}  // namespace rozoru
