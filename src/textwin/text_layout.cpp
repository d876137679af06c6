#include "textwin/text_layout.h"

#include <algorithm>
#include <cstring>

namespace rozoru::textwin {

// ----------------------------------------------------------------- surface --

TextSurface::TextSurface(int width, int height, int cellWidth, int cellHeight)
    : width_(std::max(width, 1)),
      height_(std::max(height, 1)),
      cellWidth_(std::max(cellWidth, 1)),
      cellHeight_(std::max(cellHeight, 1)),
      px_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0xFF000000u) {}

std::uint32_t TextSurface::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return px_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)] & 0xFFFFFFu;
}

void TextSurface::fillRect(int x, int y, int w, int h, std::uint32_t colour) {
  const int x0 = std::max(x, 0), y0 = std::max(y, 0);
  const int x1 = std::min(x + w, width_), y1 = std::min(y + h, height_);
  if (x0 >= x1 || y0 >= y1) return;
  // The top byte set keeps the memory a valid opaque picture for painters.
  const std::uint32_t v = colour | 0xFF000000u;
  for (int row = y0; row < y1; ++row) {
    std::uint32_t* p = px_.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(width_);
    std::fill(p + x0, p + x1, v);
  }
}

void TextSurface::scrollUp(int by, int rows) {
  if (by <= 0 || rows <= 0) return;
  rows = std::min(rows, height_ - by);
  if (rows <= 0) return;
  const auto stride = static_cast<std::size_t>(width_);
  std::memmove(px_.data(), px_.data() + static_cast<std::size_t>(by) * stride,
               static_cast<std::size_t>(rows) * stride * sizeof(std::uint32_t));
}

void TextSurface::drawUnits(int x, int y, std::u16string_view units, std::uint32_t fg, std::uint32_t bg) {
  for (char16_t u : units) {
    const int w = cellsOf(u) * cellWidth_;
    fillRect(x, y, w, cellHeight_, bg);
    if (u == u'_') {
      fillRect(x, y + cellHeight_ - 2, w, 1, fg);
    } else if (u != u' ' && u != u'\u3000') {
      fillRect(x + 1, y + 2, w - 2, cellHeight_ - 4, fg);
    }
    x += w;
  }
}

// ------------------------------------------------------------------ layout --

bool scrollIfNeeded(TextSurface& s, Cursor& c) {
  const int ch = s.cellHeight();
  if (c.y + ch < s.height()) return false;
  s.scrollUp(ch, c.y);
  // A window lower than two lines would push the cursor above the top, where
  // nothing is seen: it stays on the one line there is.
  c.y = std::max(0, c.y - ch);
  s.fillRect(0, c.y, s.width(), s.height() - c.y, 0);
  return true;
}

void printUnits(TextSurface& s, Cursor& c, std::u16string_view units, std::uint32_t fg, std::uint32_t bg) {
  const int cw = s.cellWidth(), ch = s.cellHeight(), width = s.width();
  int x = c.x;
  std::size_t start = 0, count = 0;
  auto newLine = [&] {
    if (count > 0) s.drawUnits(c.x, c.y, units.substr(start, count), fg, bg);
    c.y += ch;
    c.x = 0;
    x = 0;
    count = 0;
    scrollIfNeeded(s, c);
  };
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t u = units[i];
    if (u == u'\n') {
      newLine();
      start = i + 1;
      continue;
    }
    const int w = cellsOf(u) * cw;
    if (x + w > width) {
      newLine();
      start = i;
    }
    ++count;
    x += w;
  }
  if (count > 0) {
    s.drawUnits(c.x, c.y, units.substr(start, count), fg, bg);
    c.x = x;
  }
}

// ------------------------------------------------------------- line input --

bool LineEditor::type(char16_t u, TextSurface& s, Cursor& c, std::uint32_t fg, std::uint32_t bg) {
  if (typed_.size() >= kMaxUnits) return false;
  const int cw = s.cellWidth(), ch = s.cellHeight(), width = s.width();
  const int w = cellsOf(u);
  if (w == 2 && c.x > width - 2 * cw) {
    // Moves whole to the next line; the position recorded lies beyond the
    // edge so that Backspace knows to come back here.
    s.drawUnits(c.x, c.y, u" ", fg, bg);
    wraps_.push_back(c.x + 2 * cw);
    c.x = 0;
    c.y += ch;
    scrollIfNeeded(s, c);
  }
  s.drawUnits(c.x, c.y, std::u16string_view(&u, 1), fg, bg);
  const int next = c.x + w * cw;
  if (next > width - cw) {
    wraps_.push_back(c.x);
    c.x = 0;
    c.y += ch;
    scrollIfNeeded(s, c);
  } else {
    c.x = next;
  }
  typed_.push_back(u);
  return true;
}

bool LineEditor::backspace(TextSurface& s, Cursor& c, std::uint32_t fg, std::uint32_t bg) {
  if (typed_.empty()) return false;
  const int cw = s.cellWidth(), ch = s.cellHeight(), width = s.width();
  s.drawUnits(c.x, c.y, u" ", fg, bg);
  const int w = cellsOf(typed_.back());
  typed_.pop_back();
  if (!wraps_.empty() && c.x == 0) {
    c.x = wraps_.back();
    wraps_.pop_back();
    c.y -= ch;
  } else {
    c.x -= w * cw;
  }
  if (w == 2) {
    s.drawUnits(c.x, c.y, u"\u3000", fg, bg);
    if (!wraps_.empty() && c.x == 0 && wraps_.back() >= width) {
      c.x = wraps_.back() - 2 * cw;
      wraps_.pop_back();
      c.y -= ch;
    }
  }
  return true;
}

void LineEditor::drawCaret(bool on, TextSurface& s, const Cursor& c, std::uint32_t fg, std::uint32_t bg) {
  s.drawUnits(c.x, c.y, on ? u"_" : u" ", fg, bg);
}

void LineEditor::finish(TextSurface& s, Cursor& c, std::uint32_t fg, std::uint32_t bg) {
  s.drawUnits(c.x, c.y, u" ", fg, bg);
  c.x = 0;
  c.y += s.cellHeight();
  scrollIfNeeded(s, c);
}

// ---------------------------------------------------------------- key ring --

bool KeyRing::push(char16_t u) {
  std::lock_guard lock(mutex_);
  if (write_ == read_) return false;  // full
  units_[write_] = u;
  if (read_ < 0) read_ = write_;
  write_ = (write_ + 1) % kSize;
  return true;
}

char16_t KeyRing::take() {
  std::lock_guard lock(mutex_);
  if (read_ < 0) return 0;
  const char16_t u = units_[read_];
  read_ = (read_ + 1) % kSize;
  if (read_ == write_) read_ = -1;
  return u;
}

bool KeyRing::empty() const {
  std::lock_guard lock(mutex_);
  return read_ < 0;
}

void KeyRing::clear() {
  std::lock_guard lock(mutex_);
  write_ = 0;
  read_ = -1;
}

// ------------------------------------------------------------------- text --

namespace {

// Decodes one UTF-8 sequence at s[i]; returns the code point (or -1 when
// malformed) and sets len to the bytes it took.
long decodeOne(std::string_view s, std::size_t i, std::size_t& len) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  len = 1;
  if (b0 < 0x80) return b0;
  int extra = 0;
  long cp = 0;
  long min = 0;
  if ((b0 & 0xE0) == 0xC0) {
    extra = 1;
    cp = b0 & 0x1F;
    min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2;
    cp = b0 & 0x0F;
    min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3;
    cp = b0 & 0x07;
    min = 0x10000;
  } else {
    return -1;
  }
  if (i + static_cast<std::size_t>(extra) >= s.size()) return -1;  // cut short
  for (int k = 1; k <= extra; ++k) {
    const auto b = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
    if ((b & 0xC0) != 0x80) return -1;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
  len = static_cast<std::size_t>(extra) + 1;
  return cp;
}

}  // namespace

std::u16string utf8ToUtf16(std::string_view s, std::size_t maxUnits) {
  std::u16string out;
  std::size_t i = 0;
  while (i < s.size()) {
    std::size_t len = 1;
    long cp = decodeOne(s, i, len);
    if (cp < 0) cp = 0xFFFD;
    if (cp >= 0x10000) {
      if (out.size() + 2 > maxUnits) break;
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      if (out.size() + 1 > maxUnits) break;
      out.push_back(static_cast<char16_t>(cp));
    }
    i += len;
  }
  return out;
}

std::string utf16ToUtf8(std::u16string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    unsigned long cp = s[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<unsigned long>(s[i + 1]) - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;  // a lone surrogate
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::size_t utf8Prefix(std::string_view s, std::size_t maxBytes) {
  if (s.size() <= maxBytes) return s.size();
  std::size_t n = maxBytes;
  // Step back over continuation bytes to the start of the character that
  // would be cut.
  while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  return n;
}

std::size_t utf8Complete(std::string_view s) {
  std::size_t lead = s.size();
  int back = 0;
  while (lead > 0 && back < 4) {
    --lead;
    ++back;
    if ((static_cast<unsigned char>(s[lead]) & 0xC0) != 0x80) break;
  }
  if (lead == s.size()) return s.size();
  const auto b0 = static_cast<unsigned char>(s[lead]);
  const std::size_t need = b0 < 0x80 ? 1 : (b0 & 0xE0) == 0xC0 ? 2 : (b0 & 0xF0) == 0xE0 ? 3 : (b0 & 0xF8) == 0xF0 ? 4 : 1;
  return lead + need > s.size() ? lead : s.size();
}

}  // namespace rozoru::textwin
