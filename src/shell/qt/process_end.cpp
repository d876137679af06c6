#include "shell/qt/process_end.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QString>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "rozoru/kav.h"
#include "shell/core/event_log.h"
#include "shell/core/shell.h"
#include "shell/qt/qt_window_system.h"

namespace rozoru {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr int kGraceMs = 3000;
constexpr int kWorkerLimitMs = 2000;

std::atomic<int> g_signalPipe{-1};
std::atomic<GuiPump*> g_gui{nullptr};
struct sigaction g_previous[3];

void onSignal(int sig) {
  const int fd = g_signalPipe.load();
  if (fd < 0) return;
  const int saved = errno;
  const char byte = static_cast<char>(sig);
  (void)!::write(fd, &byte, 1);
  errno = saved;
}

std::atomic<bool> g_displayLost{false};
QtMessageHandler g_qtMessages = nullptr;

// A lost display is told in one line of ours (see exitGuard): Xlib's and
// Qt's own words for it, which either may print first, are kept back.
int onDisplayLost(void*) {
  g_displayLost = true;
  std::exit(1);
}

void qtMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (text.startsWith(QLatin1String("The X11 connection broke"))) {
    g_displayLost = true;
    return;
  }
  if (g_qtMessages)
    g_qtMessages(type, context, text);
  else
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

// Xlib is there only when Qt runs on X11; it is looked up rather than linked.
void catchDisplayLoss() {
  using Handler = int (*)(void*);
  using SetHandler = Handler (*)(Handler);
  void* symbol = ::dlsym(RTLD_DEFAULT, "XSetIOErrorHandler");
  if (symbol) {
    SetHandler set = nullptr;
    static_assert(sizeof set == sizeof symbol);
    std::memcpy(&set, &symbol, sizeof set);
    set(onDisplayLost);
  }
  g_qtMessages = qInstallMessageHandler(qtMessage);
}

// Runs from exit(). The program's own ends (Exit, or no worker yet) pass
// through to the static destructors; any other end is made bounded here.
void exitGuard() {
  static std::atomic<bool> ran{false};
  if (ran.exchange(true)) return;
  Shell& sh = shell();
  const bool running = sh.workerStarted() && !sh.workerFinished();
  if (g_displayLost.load())
    logEvent("the connection to the display was lost; ending the program");
  else if (running)
    logEvent("exit() was called while the program ran; ending it");
  if (!running) return;
  if (GuiPump* gui = g_gui.load()) gui->abandonCalls();
  sh.exitUnit().stopUnattended(kWorkerLimitMs);
  std::fflush(nullptr);
  ::_exit(1);
}

}  // namespace

void ProcessEnd::armExitGuard() { std::atexit(exitGuard); }

ProcessEnd::ProcessEnd(GuiPump& gui) : gui_(gui) {
  g_gui = &gui;
  catchDisplayLoss();
  if (::pipe2(pipe_, O_CLOEXEC) != 0) {
    logEvent(std::string("no signal pipe (") + std::strerror(errno) + "); signals end the process at once");
    return;
  }
  g_signalPipe = pipe_[1];
  for (std::size_t i = 0; i < std::size(kSignals); ++i) {
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(kSignals[i], &sa, &g_previous[i]);
  }
  watcher_ = std::thread([this] { watch(); });
}

ProcessEnd::~ProcessEnd() {
  if (watcher_.joinable()) {
    const char stop = 0;
    (void)!::write(pipe_[1], &stop, 1);
    watcher_.join();
  }
  if (pipe_[1] >= 0) {
    for (std::size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &g_previous[i], nullptr);
    g_signalPipe = -1;
    ::close(pipe_[0]);
    ::close(pipe_[1]);
  }
  g_gui = nullptr;
}

void ProcessEnd::watch() {
  // A byte is a signal number; 0 ends the watch.
  auto next = [this](int timeoutMs) -> int {
    pollfd p{pipe_[0], POLLIN, 0};
    for (;;) {
      const int n = ::poll(&p, 1, timeoutMs);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return -1;  // the time is up
      char byte = 0;
      if (::read(pipe_[0], &byte, 1) == 1) return static_cast<unsigned char>(byte);
    }
  };
  const int sig = next(-1);
  if (sig <= 0) return;
  signal_ = sig;
  logEvent(std::string(strsignal(sig)) + ", exiting");
  gui_.queue().postCall([] {
    // Before the drop-in has ended there is no worker to stop.
    if (shell().workerStarted())
      shell().mainWindowUnit().exit();
    else
      QCoreApplication::quit();
  });
  if (next(kGraceMs) == 0) return;  // the program ended in time
  // The GUI thread did not get there: end without it.
  gui_.abandonCalls();
  shell().exitUnit().stopUnattended(0);
  std::fflush(nullptr);
  ::_exit(128 + sig);
}

}  // namespace rozoru
