// Text window layout: the bitmap a text window draws into, how printed and
// typed text is laid out in fixed cells, scrolling, the key ring of line
// input and the text conversions at the framework's boundary.
//
// Plain values, not thread-safe, except KeyRing, which is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace rozoru::textwin {

// Cells a UTF-16 unit takes: 0x80 and above are double width.
inline int cellsOf(char16_t u) { return u >= 0x80 ? 2 : 1; }

// The picture of a text window: pixels 0x00RRGGBB (the top byte is ignored)
// in rows top-down without padding, and the fixed cell of its font. The
// pixel memory stays where it is for the surface's life.
class TextSurface {
 public:
  TextSurface(int width, int height, int cellWidth, int cellHeight);
  virtual ~TextSurface() = default;
  TextSurface(const TextSurface&) = delete;
  TextSurface& operator=(const TextSurface&) = delete;

  int width() const { return width_; }
  int height() const { return height_; }
  int cellWidth() const { return cellWidth_; }
  int cellHeight() const { return cellHeight_; }
  const std::uint32_t* pixels() const { return px_.data(); }
  std::uint32_t* pixels() { return px_.data(); }
  // 0x00RRGGBB; 0 outside the surface.
  std::uint32_t pixel(int x, int y) const;

  // Both clip to the surface.
  void fillRect(int x, int y, int w, int h, std::uint32_t colour);
  // Copies rows [by, by + rows) to [0, rows); rows beyond the bottom are not read.
  void scrollUp(int by, int rows);

  // Draws units from (x, y) on an opaque background, each in cellsOf() cells.
  // This plain version draws a blank or U+3000 as background only, '_' as a
  // line along the cell's bottom and anything else as a block: enough to
  // see where text went. The window system's version draws the font.
  virtual void drawUnits(int x, int y, std::u16string_view units, std::uint32_t fg, std::uint32_t bg);

 protected:
  int width_, height_, cellWidth_, cellHeight_;
  std::vector<std::uint32_t> px_;
};

struct Cursor {
  int x = 0, y = 0;  // top-left of the next cell, in pixels
  friend bool operator==(const Cursor&, const Cursor&) = default;
};

// After a line feed or a wrap: when the cursor's line does not end above the
// bottom row, moves the picture up one cell, the cursor with it, and blacks
// out from the cursor down. True when it scrolled.
bool scrollIfNeeded(TextSurface& s, Cursor& c);

// Lays out printed units from the cursor: line feeds end lines, a unit that
// would end beyond the right edge starts a new line (one ending exactly at
// the edge fits), every new line may scroll. Runs are drawn whole.
void printUnits(TextSurface& s, Cursor& c, std::u16string_view units, std::uint32_t fg, std::uint32_t bg);

// The typed line of one line input and the x positions it wrapped from, so
// Backspace can walk back across wrapped lines and double-width units.
class LineEditor {
 public:
  static constexpr std::size_t kMaxUnits = 255;

  // Draws u at the cursor and advances; false (nothing drawn) when the line
  // is full. A double-width unit that would cross the right edge moves to
  // the next line whole; the last cell of a line is kept for the caret.
  bool type(char16_t u, TextSurface& s, Cursor& c, std::uint32_t fg, std::uint32_t bg);
  // Removes the last unit and moves the cursor back onto it; false when the
  // line is empty.
  bool backspace(TextSurface& s, Cursor& c, std::uint32_t fg, std::uint32_t bg);
  // The caret: '_' when on, a blank when off, in the cell at the cursor.
  static void drawCaret(bool on, TextSurface& s, const Cursor& c, std::uint32_t fg, std::uint32_t bg);
  // Enter: clears the caret and moves to the start of the next line.
  static void finish(TextSurface& s, Cursor& c, std::uint32_t fg, std::uint32_t bg);

  const std::u16string& units() const { return typed_; }
  int depth() const { return static_cast<int>(wraps_.size()); }

 private:
  std::u16string typed_;
  std::vector<int> wraps_;  // x where each wrapped line was left, oldest first
};

// The 256-unit ring that typed characters wait in for line input. The
// producer is the window procedure, the consumer the waiting line input,
// possibly on another thread.
class KeyRing {
 public:
  static constexpr int kSize = 256;
  // False (and dropped) when full.
  bool push(char16_t u);
  // The oldest unit, or 0 when empty.
  char16_t take();
  bool empty() const;
  void clear();

 private:
  mutable std::mutex mutex_;
  char16_t units_[kSize] = {};
  int write_ = 0;
  int read_ = -1;  // -1 empty; full when write_ == read_
};

// UTF-8 to UTF-16, at most maxUnits units; a malformed byte becomes U+FFFD.
std::u16string utf8ToUtf16(std::string_view s, std::size_t maxUnits);
std::string utf16ToUtf8(std::u16string_view s);
// Length of the longest prefix of s of at most maxBytes that does not end
// inside a character.
std::size_t utf8Prefix(std::string_view s, std::size_t maxBytes);
// Length of s without a character cut short at its end (s is the start of a
// longer text).
std::size_t utf8Complete(std::string_view s);

}  // namespace rozoru::textwin
