// The process's shell: the units of the framework's thread core, made and
// wired together once, and the entry points through which the subsystems
// reach them. Each unit lives in a file of its own:
//
//   worker.h         the worker thread and its loop
//   requests.h       requests from the GUI thread to the worker
//   exit_sequence.h  ending the worker in bounded time
//   main_window.h    the main window's procedure and status line
//   drops.h          files dropped on the main window
//   snap.h           snapping of dragged windows
//   waits.cpp        KAV_DoEvents, KAV_Wait, KAV_WaitMessage, KAV_GetTime
//
// Thread-safe where the units are; set-up (attach, the hooks) on the GUI
// thread before the worker starts.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "shell/core/context.h"
#include "shell/core/drops.h"
#include "shell/core/exit_sequence.h"
#include "shell/core/layout.h"
#include "shell/core/main_window.h"
#include "shell/core/message.h"
#include "shell/core/pump.h"
#include "shell/core/requests.h"
#include "shell/core/snap.h"
#include "shell/core/window_system.h"
#include "shell/core/worker.h"

namespace rozoru {

class Shell {
 public:
  Shell();
  Shell(const Shell&) = delete;
  Shell& operator=(const Shell&) = delete;

  // The units.
  Worker& worker() { return worker_; }
  RequestQueue& requests() { return requests_; }
  ExitSequence& exitUnit() { return exit_; }
  MainWindow& mainWindowUnit() { return main_; }
  Snapping& snapping() { return snapping_; }
  Drops& drops() { return drops_; }

  // --- set-up, GUI thread ---
  // The window system and the GUI thread's pump; both outlive the shell's use.
  void attach(WindowSystem* ws, Pump* guiPump);
  WindowSystem* windowSystem() const { return context_.ws; }
  Pump* guiPump() const { return context_.guiPump; }
  Pump& workerPump() { return worker_.pump(); }
  bool onGuiThread() const { return context_.onGuiThread(); }
  bool onWorkerThread() const { return worker_.onThread(); }
  Hwnd createMainWindowHandle() { return main_.createHandle(); }
  Hwnd mainWindow() const { return context_.mainWindow; }

  // --- worker ---
  void startWorker() { worker_.start(); }
  bool workerStarted() const { return worker_.started(); }
  bool workerFinished() const { return worker_.finished(); }
  void runExitHookOnce() { worker_.runExitHookOnce(); }
  int exitHookRuns() const { return worker_.exitHookRuns(); }

  // --- requests ---
  void setRequestHandler(int code, RequestHandler handler) { requests_.setHandler(code, std::move(handler)); }
  int sendRequest(const Request& r) { return requests_.send(r); }
  int pendingRequests() const { return requests_.pendingCount(); }

  // --- main window, exit ---
  void start() { main_.start(); }
  void stop() { main_.stop(); }
  ExitOutcome exitSequence(int limitMs = 2000) { return exit_.run(limitMs); }
  std::int64_t mainWindowProc(const Message& m) { return main_.proc(m); }
  void setStatusText(const std::string& text) { main_.setStatusText(text); }
  int openDroppedFiles(const std::vector<std::string>& paths) { return drops_.open(paths); }

  // --- snapping ---
  void addSnapSource(Snapping::Source source) { snapping_.addSource(std::move(source)); }
  void rebuildSnapTable() { snapping_.rebuild(); }
  Rect snap(const Rect& proposed, const Rect& current, bool ctrl) const {
    return snapping_.snap(proposed, current, ctrl);
  }

  // Wakes the worker (flags changed) and the GUI.
  void wakeAll();

 private:
  ShellContext context_;
  Worker worker_;  // before the queue, which wakes the worker's pump
  RequestQueue requests_;
  ExitSequence exit_;
  Snapping snapping_;
  Drops drops_;
  MainWindow main_;

 public:
  // The hooks the subsystems install (they live in the units above).
  std::function<void(ExitOutcome)>& onExitDone = main_.onExitDone;
  std::function<void()>& cancelLineInput = exit_.cancelLineInput;
  std::function<void()>& closeLogs = exit_.closeLogs;
  std::function<void()>& endDialogs = exit_.endDialogs;
  std::function<std::pair<int, int>(const std::string&)>& probeImageSize = drops_.probeImageSize;
  std::function<void()>& restoreImage = drops_.restoreImage;
  // True while a line input waits for a typed line (menus stay shut then).
  std::function<bool()>& lineInputWaiting = main_.lineInputWaiting;
  // The main window's Paste as a new image; see MainWindow.
  std::function<void()>& pasteAsNewImage = main_.pasteAsNewImage;
};

// The process's shell. It is never destroyed, so no static destructor waits
// for a worker that an unplanned exit left running.
Shell& shell();
// Replaces the shell with a fresh one and clears the shared flags. Only for
// tests, and only while no worker thread runs (an ended one is joined).
void resetShell();

}  // namespace rozoru
