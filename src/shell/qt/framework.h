// Process entry of a ROZORU program: the instance number, the main window
// with its drop-in animation, the worker thread and the GUI event loop.
//
// Thread-bound to the GUI thread.
#pragma once

#include <memory>
#include <string>

#include "shell/core/instance_lock.h"
#include "shell/qt/qt_window_system.h"

class QWidget;

namespace rozoru {

struct StartOptions {
  bool animate = true;        // the drop-in animation before the worker starts
  std::string lockDirectory;  // empty: InstanceLock::defaultDirectory()
};

// Directories taken at start: the initial folders of the open and save
// dialogs, and the folder of the log files (always ending in '/').
struct StartDirectories {
  std::string open, save, log;
};
const StartDirectories& startDirectories();

class Framework {
 public:
  explicit Framework(StartOptions options = {});
  ~Framework();

  // Takes an instance number and shows the main window; the worker starts
  // when the animation has ended. 1 when the instance limit is reached (after
  // the message box), else 0.
  int start();
  int instance() const { return lock_.number(); }
  QtWindowSystem& windowSystem() { return *ws_; }
  GuiPump& guiPump() { return *pump_; }
  QWidget* mainWidget() const;

 private:
  void animateStep(int step);

  StartOptions options_;
  InstanceLock lock_;
  std::unique_ptr<GuiPump> pump_;
  std::unique_ptr<QtWindowSystem> ws_;
  int t0_ = 0;
};

// The whole program: its command line (--help, --version and errors need no
// display), QApplication, Framework, event loop. purpose is the line --help
// shows under the usage. Returns the process's exit code.
int runApplication(int argc, char** argv, const std::string& purpose);
// The user's camera list ("A,B" from --cameras or $ROZORU_CAMERAS) that
// runApplication read; empty: every camera. For the program's KAV_Init.
const std::string& cameraChoice();

// The framework's subsystems (image slots and files, text windows, boxes):
// installed when a framework starts, released when it ends, while Qt still
// runs. Defined with the subsystems, in the layer above the shell.
void installSubsystems(QtWindowSystem& ws, int instance);
void releaseSubsystems();

}  // namespace rozoru
