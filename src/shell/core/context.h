// What the shell's units share: the window system, the GUI thread's pump and
// the main window's handle. Set on the GUI thread at start-up, before the
// worker starts, and only read afterwards.
#pragma once

#include <thread>

#include "shell/core/message.h"
#include "shell/core/pump.h"
#include "shell/core/window_system.h"

namespace rozoru {

struct ShellContext {
  WindowSystem* ws = nullptr;
  Pump* guiPump = nullptr;
  Hwnd mainWindow = 0;
  std::thread::id guiThread = std::this_thread::get_id();

  bool onGuiThread() const { return std::this_thread::get_id() == guiThread; }
  void wakeGui() const {
    if (guiPump) guiPump->wake();
  }
};

}  // namespace rozoru
