// Requests: how the GUI thread has the worker create windows and run work
// on the worker's own state. Handlers run on the worker thread, in its loop
// only (never while KAV_Main runs).
//
// send() on the GUI thread; the rest is thread-safe.
#pragma once

#include <atomic>
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
inline constexpr int DrawBitmap = 9004;    // bitmap
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

class RequestQueue {
 public:
  explicit RequestQueue(Pump& workerPump) : workerPump_(workerPump) {}

  void setHandler(int code, RequestHandler handler);

  // GUI thread: hands r to the worker and, except for 9002, dispatches the
  // GUI thread's messages until the worker has executed it.
  int send(const Request& r);

  // Worker thread: executes what is pending.
  bool pending() const;
  void executePending();
  // Worker thread, at its end: nothing is executed any more; waiting
  // senders return.
  void close();

  // Requests handed over and not yet executed (tests).
  int pendingCount() const;

 private:
  struct Slot {
    std::atomic<int> code{0};
    std::atomic<int> done{1};
    Request req;
    int result = 0;
    Pump* sender = nullptr;
  };
  int execute(const Request& r);

  Pump& workerPump_;
  std::atomic<bool> closed_{false};
  Slot slot_;
  std::mutex handlersMutex_;
  std::vector<std::pair<int, RequestHandler>> handlers_;
};

}  // namespace rozoru
