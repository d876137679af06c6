// The programs' command line: our own options, Qt's own options passed on to
// Qt, and the texts for --help and --version. Plain C++, no display needed.
#pragma once

#include <string>
#include <vector>

namespace rozoru {

struct CommandLine {
  enum class Action { Run, Help, Version, Error };
  Action action = Action::Run;
  // The folder captures and logs go to; empty: stay in the current folder.
  std::string captures;
  // The cameras to use, camera 0 first: "A,B" as the user gave it (device
  // paths, USB port paths or names); empty: every camera in USB port order.
  std::string cameras;
  // argv[0] and Qt's own options with their values, in their order.
  std::vector<std::string> qtArguments;
  // For Action::Error: what was wrong, one line without a line end.
  std::string error;
};

// Parses argv (args[0] is the program). envCaptures is $ROZORU_CAPTURES and
// envCameras $ROZORU_CAMERAS (null or empty: unset); --captures and --cameras
// win over them. Single- and double-dash
// spellings of Qt's options (-platform xcb, --style=fusion) go to Qt; any
// other option or a plain argument is an error.
CommandLine parseCommandLine(const std::vector<std::string>& args, const char* envCaptures, const char* envCameras);

// Window placement and snapping need X11: with an X display at hand (on
// Wayland that is XWayland) and no platform chosen by -platform or
// $QT_QPA_PLATFORM, Qt is told to use xcb.
void preferX11(CommandLine& c, const char* qpaPlatform, const char* display);

// The --help text for a program ("rozoru-stereo") and its one-line purpose.
std::string usageText(const std::string& program, const std::string& purpose);
// "rozoru-stereo 0.1": the --version line.
std::string versionText(const std::string& program);

// The program's name as it was started, without its folder.
std::string programName(const std::string& argv0);

}  // namespace rozoru
