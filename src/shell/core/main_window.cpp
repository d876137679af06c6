#include "shell/core/main_window.h"

#include "rozoru/kav.h"
#include "shell/core/drops.h"
#include "shell/core/layout.h"
#include "shell/core/main_menu.h"
#include "shell/core/snap.h"
#include "shell/core/windows.h"
#include "shell/core/worker.h"

namespace rozoru {

Hwnd MainWindow::createHandle() {
  context_.mainWindow =
      windowTable().add(&context_.guiPump->queue(), "rozoru_mw", [this](const Message& m) { return proc(m); });
  return context_.mainWindow;
}

void MainWindow::start() {
  if (kav_running.load() == 0) {
    kav_start = 1;
    worker_.wake();
  }
}

void MainWindow::stop() {
  // A line input waiting inside KAV_Main's dispatch would hold the loop.
  if (exit_.cancelLineInput) exit_.cancelLineInput();
  kav_stop = 1;
  worker_.wake();
  context_.wakeGui();
}

void MainWindow::exit() {
  if (exit_.started()) return;
  const ExitOutcome outcome = exit_.run();
  if (onExitDone) onExitDone(outcome);
}

bool MainWindow::menuLocked() const {
  return kav_running.load() != 0 || (lineInputWaiting && lineInputWaiting());
}

void MainWindow::command(int id) {
  switch (id) {
    case cmd::Start:
      start();
      return;
    case cmd::Stop:
      stop();
      return;
    case cmd::Exit:
      exit();
      return;
    default:
      break;
  }
  // Ctrl+W is never locked; the rest come from greyed items or Ctrl+V.
  if (id != cmd::WindowInfo && menuLocked()) return;
  if (id == cmd::Paste) {
    if (pasteAsNewImage) pasteAsNewImage();
  } else if (id == cmd::ImageWindow || id == cmd::TextWindow || id == cmd::InputBox || id == cmd::ButtonBox ||
             id == cmd::WindowInfo) {
    if (windowCommand) windowCommand(id);
  }
}

std::int64_t MainWindow::proc(const Message& m) {
  // Until the worker runs (the drop-in animation) the main window takes no
  // commands, as a window still being created takes none.
  const bool input = m.type == Msg::Command || m.type == Msg::KeyDown || m.type == Msg::Close ||
                     m.type == Msg::RButtonDown || m.type == Msg::NcRButtonDown;
  if (!worker_.started() && input) return 0;
  const Hwnd self = context_.mainWindow;
  switch (m.type) {
    case Msg::Command:
      command(static_cast<int>(m.wparam));
      return 0;
    case Msg::RButtonDown:
    case Msg::NcRButtonDown:
      if (pickRunning && pickRunning()) return 0;
      if (context_.ws) context_.ws->popupMenu(self, mainWindowMenu(menuLocked()));
      return 0;
    case Msg::KeyDown: {
      const int k = static_cast<int>(m.wparam);
      if (pickRunning && pickRunning() && (m.ctrl() || k == key::Escape || k == 'C')) return 0;
      if (m.ctrl()) {
        if (k == 'V') windowTable().post(Message{self, Msg::Command, cmd::Paste, 0, 0, {}});
        if (k == 'W') windowTable().post(Message{self, Msg::Command, cmd::WindowInfo, 0, 0, {}});
        return 0;
      }
      if (k == 'X' || k == key::Escape) {
        exit();
      } else if (k == 'S') {
        start();
      } else if (k == 'C') {
        stop();
      } else if (k == key::Space || k == 'Z' || k == key::Down) {
        KAV_Printf(k == key::Down ? "down" : "space");
        kav_keyflag = 1;
        worker_.wake();  // a KAV_WaitMessage in progress answers at once
      }
      return 0;
    }
    case Msg::Close:
      exit();  // the window manager's close button
      return 0;
    case Msg::Move:
      snapping_.rebuild();
      return 0;
    case Msg::DropFiles:
      if (m.payload) drops_.open(static_cast<const DroppedFiles*>(m.payload.get())->paths);
      return 0;
    default:
      return 0;
  }
}

void MainWindow::setStatusText(const std::string& text) {
  if (context_.ws && context_.mainWindow) context_.ws->setStatusText(context_.mainWindow, centredStatusText(text));
}

}  // namespace rozoru
