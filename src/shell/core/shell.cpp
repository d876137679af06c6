#include "shell/core/shell.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "rozoru/kav.h"
#include "shell/core/windows.h"

std::atomic<int> kav_start{0};
std::atomic<int> kav_running{0};
std::atomic<int> kav_stop{0};
std::atomic<int> kav_exit{0};
std::atomic<int> kav_keyflag{0};

namespace rozoru {

namespace {

std::unique_ptr<Shell>& shellInstance() {
  static std::unique_ptr<Shell> instance = std::make_unique<Shell>();
  return instance;
}

double nowMs() {
  return std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count();
}

// Until the subsystem behind a request code installs its handler, the code
// answers as if its operation had failed.
int unavailableResult(int code) {
  switch (code) {
    case req::CreateImage:
      return 3;  // no bitmap made
    case req::LoadImage:
      return 1;  // not loaded
    default:
      return 0;  // codes without a result
  }
}

}  // namespace

Shell& shell() { return *shellInstance(); }

void resetShell() {
  shellInstance() = std::make_unique<Shell>();
  kav_start = 0;
  kav_running = 0;
  kav_stop = 0;
  kav_exit = 0;
  kav_keyflag = 0;
}

Shell::Shell() : guiThread_(std::this_thread::get_id()) {}

Shell::~Shell() {
  if (worker_.joinable()) worker_.join();
}

void Shell::attach(WindowSystem* ws, Pump* guiPump) {
  ws_ = ws;
  guiPump_ = guiPump;
  guiThread_ = std::this_thread::get_id();
}

Hwnd Shell::createMainWindowHandle() {
  mainWindow_ = windowTable().add(&guiPump_->queue(), "rozoru_mw", [this](const Message& m) { return mainWindowProc(m); });
  return mainWindow_;
}

void Shell::wakeAll() {
  workerPump_.wake();
  if (guiPump_) guiPump_->wake();
}

// ---------------------------------------------------------------- worker ---

void Shell::startWorker() {
  workerFinished_ = false;
  exitHookClaimed_ = false;
  workerStarted_ = true;
  worker_ = std::thread([this] { workerLoop(); });
}

void Shell::workerLoop() {
  workerThread_ = std::this_thread::get_id();
  setCurrentPump(&workerPump_);
  KAV_Init();
  rebuildSnapTable();
  auto somethingToDo = [this] {
    return slot_.code.load() != 0 || (kav_start.load() != 0 && kav_running.load() == 0) || kav_exit.load() != 0;
  };
  while (kav_exit.load() == 0) {
    // Blocks until a message, a request, a start or an exit; the deadline
    // only bounds the cost of a wake that was never sent.
    workerPump_.queue().waitActivity(Clock::now() + std::chrono::milliseconds(500), somethingToDo);
    KAV_DoEvents();
    if (slot_.code.load() != 0) executeRequest();
    if (kav_start.load() != 0 && kav_running.load() == 0) {
      if (ws_ && mainWindow_) ws_->setAcceptDrops(mainWindow_, false);
      kav_running = 1;
      kav_start = 0;
      kav_stop = 0;
      KAV_Main();
      if (kav_exit.load() != 0) break;  // kav_running stays 1 and drops stay off
      kav_running = 0;
      kav_stop = 0;
      if (ws_ && mainWindow_) ws_->setAcceptDrops(mainWindow_, true);
    }
  }
  runExitHookOnce();
  kav_exit = 2;
  KAV_DoEvents();
  setCurrentPump(nullptr);
  Pump* gui = guiPump_;
  workerFinished_ = true;
  if (gui) gui->wake();
}

void Shell::runExitHookOnce() {
  if (exitHookClaimed_.exchange(true)) return;
  exitHookRuns_.fetch_add(1);
  KAV_Exit();
}

// -------------------------------------------------------------- requests ---

void Shell::setRequestHandler(int code, RequestHandler handler) {
  std::lock_guard lock(handlersMutex_);
  std::erase_if(handlers_, [code](const auto& h) { return h.first == code; });
  handlers_.emplace_back(code, std::move(handler));
}

void Shell::executeRequest() {
  const int code = slot_.code.load();
  const Request& r = slot_.req;
  int result = 0;
  const bool indexed = code == req::CreateImage || code == req::OpenText;
  if (indexed && static_cast<unsigned>(r.index) >= 256u) {
    result = code == req::CreateImage ? 4 : 0;
  } else {
    RequestHandler handler;
    {
      std::lock_guard lock(handlersMutex_);
      for (const auto& [c, h] : handlers_)
        if (c == code) handler = h;
    }
    if (code == req::Call)
      result = r.call ? r.call() : 0;
    else
      result = handler ? handler(r) : unavailableResult(code);
  }
  slot_.result = result;
  slot_.done = 1;
  slot_.code = 0;
  if (guiPump_) guiPump_->wake();
}

int Shell::sendRequest(const Request& r) {
  // A worker that has ended executes nothing more: the sender must not wait
  // for it (Exit can be chosen while a sender dispatches).
  pumpUntil([this] { return slot_.code.load() == 0 || workerFinished_.load(); });
  if (workerFinished_.load()) return unavailableResult(r.code);
  slot_.req = r;
  if (r.code != req::UpdateImage) slot_.done = 0;
  slot_.code = r.code;
  workerPump_.wake();
  if (r.code == req::UpdateImage) return 0;
  pumpUntil([this] { return slot_.done.load() != 0 || workerFinished_.load(); });
  return slot_.done.load() != 0 ? slot_.result : unavailableResult(r.code);
}

// -------------------------------------------------------------- commands ---

void Shell::start() {
  if (kav_running.load() == 0) {
    kav_start = 1;
    workerPump_.wake();
  }
}

void Shell::stop() {
  // A line input waiting inside KAV_Main's dispatch would hold the loop.
  if (cancelLineInput) cancelLineInput();
  kav_stop = 1;
  wakeAll();
}

ExitOutcome Shell::exitSequence(int limitMs) {
  if (cancelLineInput) cancelLineInput();
  kav_stop = 1;
  kav_exit = 1;
  wakeAll();
  if (closeLogs) closeLogs();
  // The GUI thread dispatches no messages here, but it keeps serving the
  // worker's window-system calls so that a worker in KAV_Exit is not stuck.
  const auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
  MessageQueue unattached;
  MessageQueue& gq = guiPump_ ? guiPump_->queue() : unattached;
  while (!workerFinished_.load() && Clock::now() < deadline) {
    while (auto c = gq.takeCall()) (*c)();
    gq.waitCalls(deadline, [this] { return workerFinished_.load(); });
  }
  if (workerFinished_.load()) {
    if (worker_.joinable()) worker_.join();
    return ExitOutcome::Joined;
  }
  if (kav_exit.load() == 1) {
    runExitHookOnce();
    kav_exit = 2;
  }
  // The thread is left running and is not joined here: the process ends
  // next. Should it ever return, the shell's destructor collects it.
  return ExitOutcome::Abandoned;
}

// ------------------------------------------------------------ main window --

std::int64_t Shell::mainWindowProc(const Message& m) {
  // Until the worker runs (the drop-in animation) the main window takes no
  // commands, as a window still being created takes none.
  if (!workerStarted_.load() && (m.type == Msg::Command || m.type == Msg::KeyDown)) return 0;
  switch (m.type) {
    case Msg::Command:
      switch (m.wparam) {
        case cmd::Start:
          start();
          break;
        case cmd::Stop:
          stop();
          break;
        case cmd::Exit: {
          const ExitOutcome outcome = exitSequence();
          if (onExitDone) onExitDone(outcome);
          break;
        }
        default:
          break;
      }
      return 0;
    case Msg::KeyDown: {
      const int k = static_cast<int>(m.wparam);
      if (m.ctrl()) {
        if (k == 'V') windowTable().post(Message{mainWindow_, Msg::Command, cmd::Paste, 0, 0, {}});
        if (k == 'W') windowTable().post(Message{mainWindow_, Msg::Command, cmd::WindowInfo, 0, 0, {}});
        return 0;
      }
      if (k == 'X' || k == key::Escape) {
        mainWindowProc(Message{mainWindow_, Msg::Command, cmd::Exit, 0, 0, {}});
      } else if (k == 'S') {
        start();
      } else if (k == 'C') {
        stop();
      } else if (k == key::Space || k == 'Z') {
        KAV_Printf("space");
        kav_keyflag = 1;
        workerPump_.wake();  // a KAV_WaitMessage in progress answers at once
      } else if (k == key::Down) {
        KAV_Printf("down");
        kav_keyflag = 1;
        workerPump_.wake();
      }
      return 0;
    }
    case Msg::Move:
      rebuildSnapTable();
      return 0;
    case Msg::DropFiles:
      if (m.payload) openDroppedFiles(static_cast<const DroppedFiles*>(m.payload.get())->paths);
      return 0;
    default:
      return 0;
  }
}

int Shell::openDroppedFiles(const std::vector<std::string>& paths) {
  int opened = 0;
  int s = 0;
  for (const std::string& path : paths) {
    if (path.empty() || path.back() == '/') continue;
    const std::size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) continue;
    const auto [w, h] = probeImageSize ? probeImageSize(path) : std::pair<int, int>{0, 0};
    if (w == 0 || h == 0) continue;
    while (s < 256) {
      char title[256];
      std::snprintf(title, sizeof title, "%03d %s", s, name.c_str());
      Request r;
      r.code = req::CreateImage;
      r.index = s;
      r.name = title;
      r.width = w;
      r.height = h;
      r.bits = 32;
      const int result = sendRequest(r);
      if (result == 0) {
        Request load;
        load.code = req::LoadImage;
        load.index = s;
        load.fileName = path;
        load.x = 0;
        load.y = 0;
        sendRequest(load);
        Request redraw;
        redraw.code = req::UpdateImage;
        redraw.index = s;
        sendRequest(redraw);
        if (restoreImage) restoreImage();
        ++s;
        ++opened;
        break;
      }
      ++s;
      if (result != 1) break;  // give up this file
    }
    if (s >= 256) break;
  }
  return opened;
}

// -------------------------------------------------------------- snapping ---

void Shell::addSnapSource(std::function<void(std::vector<Rect>&)> source) {
  std::lock_guard lock(snapMutex_);
  snapSources_.push_back(std::move(source));
}

void Shell::rebuildSnapTable() {
  if (!ws_) return;
  const ScreenMetrics sm = ws_->metrics();
  std::vector<std::function<void(std::vector<Rect>&)>> sources;
  {
    std::lock_guard lock(snapMutex_);
    sources = snapSources_;
  }
  std::vector<Rect> rects;
  for (const auto& src : sources) src(rects);
  if (mainWindow_) rects.push_back(ws_->frameRect(mainWindow_));
  std::lock_guard lock(snapMutex_);
  snapTable_.rebuild(sm.fullWidth, sm.fullHeight + sm.captionHeight, rects);
}

Rect Shell::snap(const Rect& proposed, const Rect& current, bool ctrl) const {
  std::lock_guard lock(snapMutex_);
  return snapTable_.snap(proposed, current, ctrl);
}

void Shell::setStatusText(const std::string& text) {
  if (ws_ && mainWindow_) ws_->setStatusText(mainWindow_, centredStatusText(text));
}

}  // namespace rozoru

// ---------------------------------------------------------- KAV services ---

using namespace rozoru;

int KAV_DoEvents() {
  if (Pump* p = currentPump()) p->dispatchPending();
  return 0;
}

int KAV_GetTime() {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
  return static_cast<int>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms)));
}

namespace {

// KAV_Wait and KAV_WaitMessage: the latter also ends on a message or the key flag.
int waitFor(int ms, bool onMessage) {
  const double t0 = nowMs();
  auto elapsed = [t0] { return static_cast<int>(std::floor(nowMs() - t0 + 0.5)); };
  if (elapsed() >= ms) return 0;
  const auto deadline = Clock::now() + std::chrono::duration<double, std::milli>(ms - 0.5);
  Pump* p = currentPump();
  for (;;) {
    const int dispatched = p ? p->dispatchPending() : 0;
    if (kav_stop.load() != 0) return 1;
    if (onMessage && (dispatched > 0 || kav_keyflag.load() != 0)) return 2;
    if (elapsed() >= ms) return 0;
    if (p) {
      p->waitActivity(std::chrono::time_point_cast<Clock::duration>(deadline));
    } else {
      std::this_thread::sleep_until(deadline);
    }
  }
}

}  // namespace

int KAV_Wait(int ms) { return waitFor(ms, false); }
int KAV_WaitMessage(int ms) { return waitFor(ms, true); }

void KAV_SetStatusText(const char* text) { shell().setStatusText(text ? text : ""); }
