#include "shell/core/command_line.h"

#include <array>
#include <string_view>

#ifndef ROZORU_VERSION
#error "ROZORU_VERSION must be defined by the build (the project's version)"
#endif

namespace rozoru {

namespace {

// Qt's own options (QGuiApplication, QApplication, the xcb platform) that
// take a value, and those that do not. Qt reads them from the arguments we
// hand it; anything not listed here would be ignored silently by Qt, so it
// is refused instead.
constexpr std::array<std::string_view, 16> kQtValued = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "geometry",
    "qwindowtitle", "title", "qwindowicon", "icon", "session", "display", "name", "style", "stylesheet", "visual"};
constexpr std::array<std::string_view, 6> kQtFlags = {"reverse", "widgetcount", "nograb", "dograb", "sync",
                                                      "testability"};

template <std::size_t N>
bool listed(const std::array<std::string_view, N>& names, std::string_view name) {
  for (std::string_view n : names)
    if (n == name) return true;
  return false;
}

CommandLine failure(std::string text) {
  CommandLine c;
  c.action = CommandLine::Action::Error;
  c.error = std::move(text);
  return c;
}

// True when a name in the list "A,B" is empty or only spaces ("A,,B", "A,").
bool hasEmptyName(const std::string& list) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = list.find(',', start);
    const std::string name = list.substr(start, comma == std::string::npos ? comma : comma - start);
    if (name.find_first_not_of(" \t") == std::string::npos) return true;
    if (comma == std::string::npos) return false;
    start = comma + 1;
  }
}

constexpr const char* kCamerasHint = "camera names separated by commas, none of them empty";

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args, const char* envCaptures, const char* envCameras) {
  CommandLine c;
  c.qtArguments.push_back(args.empty() ? std::string("rozoru") : args[0]);
  bool capturesGiven = false, camerasGiven = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      c.action = CommandLine::Action::Help;
      continue;
    }
    if (a == "--version") {
      if (c.action != CommandLine::Action::Help) c.action = CommandLine::Action::Version;
      continue;
    }
    if (a == "--captures" || a.starts_with("--captures=")) {
      std::string dir;
      if (a != "--captures") {
        dir = a.substr(a.find('=') + 1);
      } else if (i + 1 < args.size()) {
        dir = args[++i];
      } else {
        return failure("option --captures needs a folder");
      }
      if (dir.empty()) return failure("option --captures needs a folder, not an empty name");
      c.captures = dir;
      capturesGiven = true;
      continue;
    }
    if (a == "--cameras" || a.starts_with("--cameras=")) {
      if (a != "--cameras") {
        c.cameras = a.substr(a.find('=') + 1);
      } else if (i + 1 < args.size()) {
        c.cameras = args[++i];
      } else {
        return failure("option --cameras needs a list of cameras");
      }
      if (hasEmptyName(c.cameras)) return failure(std::string("option --cameras needs ") + kCamerasHint);
      camerasGiven = true;
      continue;
    }
    if (a.size() < 2 || a[0] != '-') return failure("unexpected argument '" + a + "'");
    // Qt accepts both -name and --name, and "-name=value" for its valued options.
    std::string_view name(a);
    name.remove_prefix(a.starts_with("--") ? 2 : 1);
    const std::size_t eq = name.find('=');
    const std::string_view bare = name.substr(0, eq);
    if (listed(kQtFlags, bare) && eq == std::string_view::npos) {
      c.qtArguments.push_back(a);
    } else if (listed(kQtValued, bare)) {
      c.qtArguments.push_back(a);
      if (eq == std::string_view::npos) {
        if (i + 1 >= args.size()) return failure("option " + a + " needs a value");
        c.qtArguments.push_back(args[++i]);
      }
    } else {
      return failure("unknown option '" + a + "'");
    }
  }
  if (!capturesGiven && envCaptures && *envCaptures) c.captures = envCaptures;
  if (!camerasGiven && envCameras && *envCameras) {
    if (c.action == CommandLine::Action::Run && hasEmptyName(envCameras))
      return failure(std::string("ROZORU_CAMERAS needs ") + kCamerasHint);
    c.cameras = envCameras;
  }
  return c;
}

void preferX11(CommandLine& c, const char* qpaPlatform, const char* display) {
  if ((qpaPlatform && *qpaPlatform) || !display || !*display) return;
  for (const std::string& a : c.qtArguments)
    if (a == "-platform" || a == "--platform" || a.starts_with("-platform=") || a.starts_with("--platform=")) return;
  c.qtArguments.insert(c.qtArguments.begin() + 1, {"-platform", "xcb"});
}

std::string usageText(const std::string& program, const std::string& purpose) {
  return "Usage: " + program + " [--captures DIR] [--cameras A,B] [Qt options]\n" + purpose +
         "\n"
         "\n"
         "  --captures DIR  save captures and the text windows' logs in DIR (made if missing);\n"
         "                  default: $ROZORU_CAPTURES, else the current folder\n"
         "  --cameras A,B   use these cameras, A as camera 0 (Right) and B as camera 1 (Left);\n"
         "                  each a device (/dev/video2), a USB port (usb-0000:00:14.0-2) or a name;\n"
         "                  A:sbs marks a stereo camera giving both pictures side by side in one\n"
         "                  frame: its right half is camera 0, its left half camera 1;\n"
         "                  default: $ROZORU_CAMERAS, else every camera in USB port order\n"
         "  -h, --help      show this help and end\n"
         "  --version       show the version and end\n"
         "\n"
         "Qt's own options are passed on to Qt, for example -platform xcb, -display :1,\n"
         "-style fusion, -reverse. With an X display (XWayland on Wayland) the programs\n"
         "use it, unless -platform or QT_QPA_PLATFORM says otherwise.\n";
}

std::string versionText(const std::string& program) { return program + " " ROZORU_VERSION "\n"; }

std::string programName(const std::string& argv0) {
  const std::size_t slash = argv0.rfind('/');
  const std::string name = slash == std::string::npos ? argv0 : argv0.substr(slash + 1);
  return name.empty() ? std::string("rozoru") : name;
}

}  // namespace rozoru
