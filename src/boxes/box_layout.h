// Layout rules of the input box and the button box, and the button box's
// key table. Plain functions of their arguments.
//
// Reentrant.
#pragma once

#include <string>
#include <string_view>

#include "shell/core/window_system.h"

namespace rozoru::boxes {

struct Size {
  int width = 0, height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

// --- button box: a grid with a 4-pixel margin around and between buttons ---
inline constexpr int kButtonMargin = 4;
inline constexpr int kDefaultButtonWidth = 98;
inline constexpr int kDefaultButtonHeight = 26;
inline constexpr int kMaxButtons = 256;

// True when an nx x ny box may be opened.
bool validButtonGrid(int nx, int ny);
// Button i of a box with nx columns, in client coordinates.
Rect buttonRect(int i, int nx, Size button);
Size buttonBoxClient(int nx, int ny, Size button);
// The button size that fills a client area of w x h; never below 1 x 1.
Size buttonSizeFor(int w, int h, int nx, int ny);
// The button under a client point, row and column clamped into the grid.
int buttonAt(int px, int py, int nx, int ny, Size button);
// The button a key stands for (framework key code), -1 for none.
int buttonForKey(int key);

// --- input box: one row per item, a title column and an edit column ---
inline constexpr int kMaxItems = 30;
inline constexpr int kRowPitch = 28;
inline constexpr int kDefaultTitleWidth = 80;  // ISIZE
inline constexpr int kDefaultEditWidth = 70;   // ESIZE
inline constexpr int kValueBytes = 256;        // value buffers, terminator included

int clampItems(int n);
Rect titleRect(int row, int titleWidth);
Rect editRect(int row, int titleWidth, int editWidth);
Size inputBoxClient(int n, int titleWidth, int editWidth);
// The row under a client y; -1 when no item of n is there.
int rowAt(int y, int n);
// New column widths for a client width w after dragging an edge: the left
// edge widens the title column, any other the edit column; each at least 1.
void columnsFor(int w, std::int64_t edge, int& titleWidth, int& editWidth);
// Which edge moved between two frame rectangles of a resize.
std::int64_t draggedEdge(const Rect& before, const Rect& after);

// UTF-8 text cut to at most maxBytes bytes without splitting a character.
std::string cutUtf8(std::string_view text, std::size_t maxBytes);

}  // namespace rozoru::boxes
