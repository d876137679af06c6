// The main window's procedure: Start, Stop and Exit from its menu bar, its
// right-button menu, its keys and its close button, the capture keys,
// dropped files, and its status line.
//
// GUI thread; setStatusText from any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "shell/core/context.h"
#include "shell/core/exit_sequence.h"
#include "shell/core/message.h"

namespace rozoru {

class Drops;
class Snapping;
class Worker;

// Main window commands.
namespace cmd {
inline constexpr int Start = 1001;
inline constexpr int Exit = 1002;
inline constexpr int Stop = 1003;
inline constexpr int Paste = 1026;
inline constexpr int ImageWindow = 1027;
inline constexpr int TextWindow = 1028;
inline constexpr int InputBox = 1044;
inline constexpr int WindowInfo = 1045;
inline constexpr int ButtonBox = 1051;
}  // namespace cmd

class MainWindow {
 public:
  MainWindow(ShellContext& context, Worker& worker, ExitSequence& exitSequence, Snapping& snapping, Drops& drops)
      : context_(context), worker_(worker), exit_(exitSequence), snapping_(snapping), drops_(drops) {}

  // Registers the main window's handle in the GUI thread's queue.
  Hwnd createHandle();
  std::int64_t proc(const Message& m);

  void start();
  void stop();
  // The exit sequence, then onExitDone. Does nothing once an exit has begun.
  void exit();
  // What the process does after the exit sequence (quit the event loop, or
  // end the process when the worker was abandoned).
  std::function<void(ExitOutcome)> onExitDone;
  // True while an interactive pick runs: its keys are held back then, and
  // the right-button menu does not open.
  std::function<bool()> pickRunning;
  // True while a line input waits for a typed line.
  std::function<bool()> lineInputWaiting;
  // Paste as a new image (the menu's Paste, Ctrl+V): the clipboard support
  // installs it. Until then the clipboard reads as empty: nothing happens.
  std::function<void()> pasteAsNewImage;
  // The menu's commands that make windows by hand (ImageWindow, TextWindow,
  // InputBox, ButtonBox, WindowInfo), carried out by the subsystems above
  // the shell; run on the GUI thread with the command's number.
  std::function<void(int command)> windowCommand;

  // The right-button menu's locked items are greyed and their commands
  // refused while the application runs or a line input waits.
  bool menuLocked() const;

  // Status line text, centred.
  void setStatusText(const std::string& text);

 private:
  void command(int id);

  ShellContext& context_;
  Worker& worker_;
  ExitSequence& exit_;
  Snapping& snapping_;
  Drops& drops_;
};

}  // namespace rozoru
