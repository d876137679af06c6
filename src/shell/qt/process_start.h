// What a program does with its command line before and just after Qt starts:
// --help, --version and mistakes end it at once, without a display; Qt gets
// only its own options; the captures folder becomes the current folder.
//
// GUI thread, before the event loop runs.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace rozoru {

// Qt's argc and argv, which must outlive the QApplication made from them.
class QtArguments {
 public:
  explicit QtArguments(std::vector<std::string> args);
  int& argc() { return argc_; }
  char** argv() { return pointers_.data(); }

 private:
  std::vector<std::string> args_;
  std::vector<char*> pointers_;
  int argc_ = 0;
};

struct ProcessStart {
  std::optional<int> exitCode;  // set: end the process with it now
  std::vector<std::string> qtArguments;
  std::string captures;  // empty: stay in the current folder
  std::string cameras;   // "A,B" from --cameras or $ROZORU_CAMERAS; empty: every camera
};

// Reads the command line (and $ROZORU_CAPTURES, $ROZORU_CAMERAS,
// $QT_QPA_PLATFORM, $DISPLAY); prints the help, the version or the mistake
// with the usage.
ProcessStart readCommandLine(int argc, char** argv, const std::string& purpose);

// Makes the captures folder (if missing) the current folder. On failure says
// why on stderr and in a message box and returns false. Needs QApplication.
bool enterCapturesFolder(const std::string& dir);

}  // namespace rozoru
