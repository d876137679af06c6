// Requests: how the GUI thread has the worker create windows and run work
// on the worker's own state. Handlers run on the worker thread, in its loop
// only (never while KAV_Main runs).
//
// send() on the GUI thread; the rest is thread-safe.
#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "shell/core/pump.h"

namespace rozoru {

// Request codes: what the GUI thread asks of the worker thread.
namespace req {
inline constexpr int Call = 9000;          // call: runs on the worker -> its result
inline constexpr int CreateImage = 9001;   // index, name, width, height, bits -> result
inline constexpr int UpdateImage = 9002;   // index; the sender does not wait
inline constexpr int LoadImage = 9003;     // index, file name -> result
inline constexpr int DrawBitmap = 9004;    // bitmap: a KAV_Bitmap for slot index (else the current image)
inline constexpr int OpenText = 9005;      // index
inline constexpr int InputBox = 9006;      // item count in index
inline constexpr int ButtonBox = 9007;     // nx in width, ny in height
}  // namespace req

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

// Carries out one request code on the worker thread and returns its result.
using RequestHandler = std::function<int(const Request&)>;

// Until the subsystem behind a request code installs its handler, the code
// answers as if its operation had failed; so does a request that no worker
// will execute any more.
int unavailableResult(int code);

// Requests wait in order; each has its own completion, so a request sent
// while another sender waits for its own (the GUI thread dispatches while it
// waits, and a second drop may arrive then) never reads the other's result.
class RequestQueue {
 public:
  explicit RequestQueue(Pump& workerPump) : workerPump_(workerPump) {}

  void setHandler(int code, RequestHandler handler);

  // GUI thread: hands r to the worker and, except for 9002, dispatches the
  // GUI thread's messages until the worker has executed it.
  int send(const Request& r);

  // Worker thread: executes what is pending, in order.
  bool pending() const;
  void executePending();
  // Worker thread, at its end: nothing is executed any more; waiting
  // senders return as if their operations had failed.
  void close();

  // Requests handed over and not yet executed (tests).
  int pendingCount() const;

 private:
  struct Ticket {
    Request req;
    Pump* sender = nullptr;  // woken when done
    std::atomic<bool> done{false};
    int result = 0;  // written before done
  };
  int execute(const Request& r);
  static void complete(Ticket& t, int result);

  Pump& workerPump_;
  mutable std::mutex mutex_;
  std::deque<std::shared_ptr<Ticket>> queue_;
  bool closed_ = false;
  std::mutex handlersMutex_;
  std::vector<std::pair<int, RequestHandler>> handlers_;
};

}  // namespace rozoru
