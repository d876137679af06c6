#include "shell/core/main_window.h"

#include "rozoru/kav.h"
#include "shell/core/drops.h"
#include "shell/core/layout.h"
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

std::int64_t MainWindow::proc(const Message& m) {
  // Until the worker runs (the drop-in animation) the main window takes no
  // commands, as a window still being created takes none.
  if (!worker_.started() && (m.type == Msg::Command || m.type == Msg::KeyDown || m.type == Msg::Close)) return 0;
  const Hwnd self = context_.mainWindow;
  switch (m.type) {
    case Msg::Command:
      switch (m.wparam) {
        case cmd::Start:
          start();
          break;
        case cmd::Stop:
          stop();
          break;
        case cmd::Exit:
          exit();
          break;
        default:
          break;
      }
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
