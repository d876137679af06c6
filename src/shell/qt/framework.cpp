#include "shell/qt/framework.h"

#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <filesystem>

#include "rozoru/kav.h"
#include "shell/core/event_log.h"
#include "shell/core/layout.h"
#include "shell/core/shell.h"
#include "shell/core/windows.h"
#include "shell/qt/process_end.h"
#include "shell/qt/process_start.h"

namespace rozoru {

namespace {
StartDirectories g_dirs;
}

const StartDirectories& startDirectories() { return g_dirs; }

Framework::Framework(StartOptions options) : options_(std::move(options)) {}

Framework::~Framework() {
  Shell& sh = shell();
  // A worker that still runs may still use the subsystems; the process ends
  // without tearing them down then.
  if (ws_ && (!sh.workerStarted() || sh.workerFinished())) releaseSubsystems();
  if (sh.mainWindow()) windowTable().remove(sh.mainWindow());
  sh.endDialogs = {};
  sh.attach(nullptr, nullptr);
  setCurrentPump(nullptr);
}

QWidget* Framework::mainWidget() const { return ws_ ? ws_->widget(shell().mainWindow()) : nullptr; }

int Framework::start() {
  const std::string dir = options_.lockDirectory.empty() ? InstanceLock::defaultDirectory() : options_.lockDirectory;
  if (lock_.acquire(dir) < 0) {
    const std::string text = lock_.error().empty() ? "Over instance limit!" : lock_.error();
    logEvent(text);
    QMessageBox box(QMessageBox::NoIcon, "ROZORU", QString::fromStdString(text), QMessageBox::Ok);
    box.exec();
    return 1;
  }

  std::error_code ec;
  std::string cwd = std::filesystem::current_path(ec).string();
  g_dirs.open = cwd;
  g_dirs.save = cwd;
  g_dirs.log = cwd.empty() || cwd.back() != '/' ? cwd + "/" : cwd;

  pump_ = std::make_unique<GuiPump>();
  setCurrentPump(pump_.get());
  ws_ = std::make_unique<QtWindowSystem>(*pump_);
  Shell& sh = shell();
  sh.attach(ws_.get(), pump_.get());
  sh.endDialogs = [ws = ws_.get()] { ws->endDialogs(); };
  const Hwnd main = sh.createMainWindowHandle();
  installSubsystems(*ws_, lock_.number());

  const ScreenMetrics m = ws_->metrics();
  const Point at = mainWindowStart(m.fullWidth, m.fullHeight);
  QWidget* w = ws_->createMainWindow(main, at.x, at.y);
  w->show();
  sh.setStatusText(std::to_string(m.colorDepth) + "-bit color");
  ws_->setAcceptDrops(main, true);

  if (options_.animate) {
    t0_ = KAV_GetTime();
    QTimer::singleShot(0, w, [this] { animateStep(0); });
  } else {
    sh.startWorker();
  }
  return 0;
}

// The window drops in from 55 pixels higher, one step every 20 ms, then
// rests 500 ms before the worker starts. Driven by timers so the GUI keeps
// painting; input waits until the worker runs.
void Framework::animateStep(int step) {
  QWidget* w = mainWidget();
  if (!w) return;
  if (step < static_cast<int>(kDropInOffsets.size())) {
    w->move(w->x(), w->y() + kDropInOffsets[static_cast<std::size_t>(step)]);
    QTimer::singleShot(kDropInStepMs, Qt::PreciseTimer, w, [this, step] { animateStep(step + 1); });
    return;
  }
  QTimer::singleShot(kDropInPauseMs, Qt::PreciseTimer, w, [] { shell().startWorker(); });
}

namespace {
std::string g_cameraChoice;  // written before the worker starts
}  // namespace

const std::string& cameraChoice() { return g_cameraChoice; }

int runApplication(int argc, char** argv, const std::string& purpose) {
  const ProcessStart start = readCommandLine(argc, argv, purpose);
  if (start.exitCode) return *start.exitCode;
  g_cameraChoice = start.cameras;
  QtArguments qt(start.qtArguments);
  QApplication app(qt.argc(), qt.argv());
  QApplication::setApplicationName("rozoru");
  if (!enterCapturesFolder(start.captures)) return 1;
  QApplication::setQuitOnLastWindowClosed(false);
  Worker& worker = shell().worker();
  worker.afterInit = [previous = worker.afterInit] {
    if (previous) previous();
    ProcessEnd::armExitGuard();  // after what KAV_Init made
  };
  Framework fw;
  if (fw.start() != 0) return 1;
  std::error_code ec;
  logEvent("instance " + std::to_string(fw.instance()) + "; captures and logs go to " +
           std::filesystem::current_path(ec).string());
  ProcessEnd processEnd(fw.guiPump());
  ProcessEnd::armExitGuard();
  shell().onExitDone = [&fw, &processEnd](ExitOutcome outcome) {
    if (outcome == ExitOutcome::Abandoned) {
      // The worker cannot be joined or safely torn down under it: KAV_Exit
      // has run and the logs are closed, so the process ends here.
      std::fflush(nullptr);
      ::_exit(processEnd.status(0));
    }
    fw.windowSystem().destroy(shell().mainWindow());
    QCoreApplication::quit();
  };
  QApplication::exec();
  return processEnd.status(0);
}

}  // namespace rozoru
