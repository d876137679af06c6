// One line on stderr for each event a user may want to know about afterwards
// (cameras chosen and lost, captures saved or not), since the text windows
// can be closed: "<program>: <text>".
#pragma once

#include <cerrno>
#include <cstdio>
#include <string>

namespace rozoru {

inline void logEvent(const std::string& text) {
  // One write per line, so that lines from several threads do not mix.
  const std::string line = std::string(program_invocation_short_name) + ": " + text + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace rozoru
