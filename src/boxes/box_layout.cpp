#include "boxes/box_layout.h"

#include <algorithm>

#include "shell/core/message.h"

namespace rozoru::boxes {

bool validButtonGrid(int nx, int ny) {
  // Compared in 64 bits: nx * ny of two large ints must not wrap into range.
  return nx > 0 && ny > 0 && static_cast<long long>(nx) * ny <= kMaxButtons;
}

Rect buttonRect(int i, int nx, Size b) {
  const int r = i / nx, c = i % nx;
  const int x = (b.width + kButtonMargin) * c + kButtonMargin;
  const int y = (b.height + kButtonMargin) * r + kButtonMargin;
  return {x, y, x + b.width, y + b.height};
}

Size buttonBoxClient(int nx, int ny, Size b) {
  return {(b.width + kButtonMargin) * nx + kButtonMargin, (b.height + kButtonMargin) * ny + kButtonMargin};
}

Size buttonSizeFor(int w, int h, int nx, int ny) {
  // A box narrower than its margins would give 0-pixel buttons that the
  // next box inherits; keep them at least 1 pixel.
  const int bw = std::max(1, w - (kButtonMargin * nx + kButtonMargin)) / nx;
  const int bh = std::max(1, h - (kButtonMargin * ny + kButtonMargin)) / ny;
  return {std::max(1, bw), std::max(1, bh)};
}

int buttonAt(int px, int py, int nx, int ny, Size b) {
  const int c = std::clamp(px / (b.width + kButtonMargin), 0, nx - 1);
  const int r = std::clamp(py / (b.height + kButtonMargin), 0, ny - 1);
  return r * nx + c;
}

int buttonForKey(int k) {
  if (k >= '1' && k <= '9') return k - '1';
  switch (k) {
    case '0':
      return 9;
    case key::Minus:
      return 10;
    case key::Space:
    case key::Up:
      return 11;
    case 'Z':
      return 22;
    case 'X':
      return 23;
    case 'S':
      return 36;
    case 'W':
      return 37;
    case 'Q':
      return 38;
    case 'A':
      return 39;
    case 'E':
      return 40;
    case 'D':
      return 41;
    default:
      return -1;
  }
}

int clampItems(int n) { return std::clamp(n, 1, kMaxItems); }

Rect titleRect(int row, int titleWidth) {
  const int y = kRowPitch * row + 4;
  return {4, y + 3, 4 + titleWidth, y + 3 + 24};
}

Rect editRect(int row, int titleWidth, int editWidth) {
  const int y = kRowPitch * row + 4;
  return {titleWidth + 8, y, titleWidth + 8 + editWidth, y + 24};
}

Size inputBoxClient(int n, int titleWidth, int editWidth) {
  return {titleWidth + editWidth + 12, kRowPitch * n + 2};
}

int rowAt(int y, int n) {
  if (y < 0) return -1;
  const int row = y / kRowPitch;
  return row < n ? row : -1;
}

void columnsFor(int w, std::int64_t edge, int& titleWidth, int& editWidth) {
  if (edge == sizing::Left)
    titleWidth = std::max(1, w - editWidth - 12);
  else
    editWidth = std::max(1, w - titleWidth - 12);
}

std::int64_t draggedEdge(const Rect& before, const Rect& after) {
  if (after.left != before.left && after.right == before.right) return sizing::Left;
  if (after.right != before.right && after.left == before.left) return sizing::Right;
  return sizing::Other;
}

std::string cutUtf8(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return std::string(text);
  std::size_t end = maxBytes;
  // Step back over continuation bytes to the start of the cut character.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return std::string(text.substr(0, end));
}

}  // namespace rozoru::boxes
