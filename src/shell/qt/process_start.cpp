#include "shell/qt/process_start.h"

#include <QMessageBox>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "shell/core/command_line.h"
#include "shell/core/event_log.h"

namespace rozoru {

QtArguments::QtArguments(std::vector<std::string> args) : args_(std::move(args)) {
  for (std::string& a : args_) pointers_.push_back(a.data());
  pointers_.push_back(nullptr);
  argc_ = static_cast<int>(args_.size());
}

ProcessStart readCommandLine(int argc, char** argv, const std::string& purpose) {
  const std::vector<std::string> args(argv, argv + argc);
  const std::string program = programName(args.empty() ? std::string() : args[0]);
  CommandLine cl = parseCommandLine(args, std::getenv("ROZORU_CAPTURES"), std::getenv("ROZORU_CAMERAS"));
  preferX11(cl, std::getenv("QT_QPA_PLATFORM"), std::getenv("DISPLAY"));
  ProcessStart start;
  switch (cl.action) {
    case CommandLine::Action::Help:
      std::fputs(usageText(program, purpose).c_str(), stdout);
      start.exitCode = 0;
      break;
    case CommandLine::Action::Version:
      std::fputs(versionText(program).c_str(), stdout);
      start.exitCode = 0;
      break;
    case CommandLine::Action::Error:
      std::fprintf(stderr, "%s: %s\n%s", program.c_str(), cl.error.c_str(), usageText(program, purpose).c_str());
      start.exitCode = 2;
      break;
    case CommandLine::Action::Run:
      start.qtArguments = std::move(cl.qtArguments);
      start.captures = std::move(cl.captures);
      start.cameras = std::move(cl.cameras);
      break;
  }
  return start;
}

bool enterCapturesFolder(const std::string& dir) {
  if (dir.empty()) return true;
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  std::string error;
  if (ec) {
    error = "Cannot create the captures folder " + dir + ": " + ec.message();
  } else {
    // Captures and logs are written relative to the current folder.
    std::filesystem::current_path(dir, ec);
    if (ec) error = "Cannot use the captures folder " + dir + ": " + ec.message();
  }
  if (error.empty()) return true;
  logEvent(error);
  QMessageBox box(QMessageBox::NoIcon, "ROZORU", QString::fromStdString(error), QMessageBox::Ok);
  box.exec();
  return false;
}

}  // namespace rozoru
