// Formatted output into the current text window.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string_view>

#include "rozoru/kav.h"
#include "textwin/text_layout.h"
#include "textwin/textwin.h"

int KAV_Printf(const char* format, ...) {
  if (!format) return 0;
  // At most 4095 bytes are printed; longer output is cut, at a character
  // boundary so that no broken character is drawn or logged.
  char buffer[4096];
  va_list args;
  va_start(args, format);
  const int wanted = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (wanted < 0) return 0;
  std::string_view text(buffer, std::min<std::size_t>(static_cast<std::size_t>(wanted), sizeof buffer - 1));
  if (static_cast<std::size_t>(wanted) >= sizeof buffer) text = text.substr(0, rozoru::textwin::utf8Complete(text));
  return rozoru::textwin::printText(text) ? static_cast<int>(text.size()) : 0;
}
