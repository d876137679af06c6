// The framework's shell: the worker thread and its loop, the request slot by
// which the GUI thread has the worker create windows, the exit sequence and
// the main window's procedure.
//
// Thread-safe where marked; the shared flags are the atomics of rozoru/kav.h.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "shell/core/layout.h"
#include "shell/core/message.h"
#include "shell/core/pump.h"
#include "shell/core/window_system.h"

namespace rozoru {

// Request codes: what the GUI thread asks of the worker thread.
namespace req {
inline constexpr int Call = 9000;          // call: runs on the worker -> its result
inline constexpr int CreateImage = 9001;   // index, name, width, height, bits -> result
inline constexpr int UpdateImage = 9002;   // index; the sender does not wait
inline constexpr int LoadImage = 9003;     // index, file name -> result
inline constexpr int DrawBitmap = 9004;    // bitmap
inline constexpr int OpenText = 9005;      // index
inline constexpr int InputBox = 9006;      // item count in index
inline constexpr int ButtonBox = 9007;     // nx in width, ny in height
}  // namespace req

// Main window commands.
namespace cmd {
inline constexpr int Start = 1001;
inline constexpr int Exit = 1002;
inline constexpr int Stop = 1003;
inline constexpr int Paste = 1026;
inline constexpr int WindowInfo = 1045;
}  // namespace cmd

struct Request {
  int code = 0;
  int index = 0;
  std::string name;
  int x = -1, y = -1;
  int width = 0, height = 0;
  int zoom = 100;
  int bits = 32;
  std::string fileName;
  std::shared_ptr<void> bitmap;
  // For req::Call: work on the worker's own state (the current image, say)
  // that the GUI thread must not touch itself.
  std::function<int()> call;
};

// The one request slot. The sender fills req only while code is 0 and
// publishes it by storing code; the executor writes result before done and
// done before it frees code.
struct RequestSlot {
  std::atomic<int> code{0};
  std::atomic<int> done{1};
  Request req;
  int result = 0;
};

// Carries out one request code on the worker thread and returns its result.
using RequestHandler = std::function<int(const Request&)>;

enum class ExitOutcome {
  Joined,     // the worker ended in time
  Abandoned,  // the worker did not end in time; it must not be joined
};

class Shell {
 public:
  Shell();
  ~Shell();
  Shell(const Shell&) = delete;
  Shell& operator=(const Shell&) = delete;

  // --- set-up, GUI thread ---
  // The window system and the GUI thread's pump; both outlive the shell's use.
  void attach(WindowSystem* ws, Pump* guiPump);
  WindowSystem* windowSystem() const { return ws_; }
  Pump* guiPump() const { return guiPump_; }
  Pump& workerPump() { return workerPump_; }
  bool onGuiThread() const { return std::this_thread::get_id() == guiThread_; }
  bool onWorkerThread() const { return std::this_thread::get_id() == workerThread_.load(); }

  // Registers the main window's handle (its procedure runs on the GUI thread).
  Hwnd createMainWindowHandle();
  Hwnd mainWindow() const { return mainWindow_; }

  // Starts the worker thread: KAV_Init, then the loop.
  void startWorker();
  bool workerStarted() const { return workerStarted_.load(); }
  bool workerFinished() const { return workerFinished_.load(); }

  // --- requests ---
  // Thread-safe to install; handlers run on the worker thread.
  void setRequestHandler(int code, RequestHandler handler);
  // GUI thread only: fills the slot, wakes the worker and, except for 9002,
  // dispatches the GUI thread's messages until the worker has executed it.
  int sendRequest(const Request& r);
  RequestSlot& requestSlot() { return slot_; }

  // --- commands of the main window, GUI thread ---
  void start();
  void stop();
  // The exit sequence: cancels a waiting line input, sets kav_stop and
  // kav_exit, closes the logs and waits up to 2000 ms for the worker, serving
  // the worker's window-system calls meanwhile. A worker that did not end is
  // abandoned; KAV_Exit then runs here unless the worker already entered it.
  ExitOutcome exitSequence(int limitMs = 2000);
  // What the process does after the exit sequence (quit the event loop, or end
  // the process when the worker was abandoned).
  std::function<void(ExitOutcome)> onExitDone;
  // True while a line input waits for a typed line (menus stay shut then).
  std::function<bool()> lineInputWaiting;
  // Called by the exit sequence; Stop also cancels a waiting line input.
  std::function<void()> cancelLineInput;
  std::function<void()> closeLogs;

  // Runs KAV_Exit unless it already ran or runs on another thread.
  void runExitHookOnce();
  int exitHookRuns() const { return exitHookRuns_.load(); }

  // --- the main window's procedure (GUI thread) ---
  std::int64_t mainWindowProc(const Message& m);
  // A probe for dropped files: the picture's width and height, 0 when the
  // file is not a readable image. Installed by the image-file support.
  std::function<std::pair<int, int>(const std::string&)> probeImageSize;
  // Opens dropped files in new image windows (slot search from 0, shared by
  // the whole drop). Returns how many were opened.
  int openDroppedFiles(const std::vector<std::string>& paths);
  // Restores the current image after a dropped file was loaded (image slots).
  std::function<void()> restoreImage;

  // --- snapping, thread-safe ---
  // Sources of window rectangles, asked in order when the table is rebuilt
  // (image windows, text windows, input box, button box, main window).
  void addSnapSource(std::function<void(std::vector<Rect>&)> source);
  void rebuildSnapTable();
  Rect snap(const Rect& proposed, const Rect& current, bool ctrl) const;

  // Status line text, centred.
  void setStatusText(const std::string& text);

  // Wakes the worker (flags changed) and the GUI.
  void wakeAll();

 private:
  void workerLoop();
  void executeRequest();

  WindowSystem* ws_ = nullptr;
  Pump* guiPump_ = nullptr;
  QueuePump workerPump_;
  std::thread::id guiThread_;
  std::atomic<std::thread::id> workerThread_{};
  std::thread worker_;
  std::atomic<bool> workerStarted_{false};
  std::atomic<bool> workerFinished_{false};
  std::atomic<bool> exitHookClaimed_{false};
  std::atomic<int> exitHookRuns_{0};
  Hwnd mainWindow_ = 0;

  RequestSlot slot_;
  std::mutex handlersMutex_;
  std::vector<std::pair<int, RequestHandler>> handlers_;

  mutable std::mutex snapMutex_;
  SnapTable snapTable_;
  std::vector<std::function<void(std::vector<Rect>&)>> snapSources_;
};

// The process's shell.
Shell& shell();
// Replaces the shell with a fresh one and clears the shared flags. Only for
// tests, and only while no worker thread runs.
void resetShell();

}  // namespace rozoru
