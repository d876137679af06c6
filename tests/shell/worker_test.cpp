// The worker thread, the request queue, KAV_Wait and the exit sequence, with
// the test thread acting as the GUI thread.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "rozoru/kav.h"
#include "shell/core/shell.h"
#include "shell/core/windows.h"
#include "tests/shell/test_hooks.h"
#include "tests/shell/worker_fixture.h"

namespace rozoru {
namespace {

using namespace std::chrono_literals;
using test::hooks;
using test::pumpFor;

class WorkerTest : public test::WorkerFixture {
 protected:
  void key(int k, std::uint32_t modifiers = 0) {
    windowTable().post(Message{main_, Msg::KeyDown, k, 0, modifiers, {}});
    gui_.dispatchPending();
  }
  static int send(int code, int index, std::function<int()> call = {}) {
    Request r;
    r.code = code;
    r.index = index;
    r.call = std::move(call);
    return shell().sendRequest(r);
  }
};

TEST_F(WorkerTest, StartStopAndFlagsAroundMain) {
  std::atomic<int> mains{0};
  std::atomic<int> stopOnEntry{-1};
  std::atomic<int> runningOnEntry{-1};
  hooks().main = [&] {
    stopOnEntry = kav_stop.load();
    runningOnEntry = kav_running.load();
    ++mains;
    while (KAV_Wait(10000) == 0) {
    }
  };
  startAndWaitForInit();

  // Stop while idle is remembered, but cleared before the next KAV_Main.
  shell().stop();
  EXPECT_EQ(kav_stop.load(), 1);
  shell().start();
  ASSERT_TRUE(pumpFor([&] { return mains.load() == 1; }));
  EXPECT_EQ(stopOnEntry.load(), 0);
  EXPECT_EQ(runningOnEntry.load(), 1);
  EXPECT_EQ(kav_start.load(), 0);

  // Start while KAV_Main runs is refused.
  shell().start();
  EXPECT_EQ(kav_start.load(), 0);

  shell().stop();
  ASSERT_TRUE(pumpFor([] { return kav_running.load() == 0; }));
  EXPECT_EQ(kav_stop.load(), 0);
  EXPECT_EQ(mains.load(), 1);

  // Start again runs it again; drops are refused only while it runs.
  shell().start();
  ASSERT_TRUE(pumpFor([&] { return mains.load() == 2; }));
  shell().stop();
  ASSERT_TRUE(pumpFor([] { return kav_running.load() == 0; }));
  EXPECT_EQ(ws_.dropChanges(), (std::vector<bool>{false, true, false, true}));
}

TEST_F(WorkerTest, WaitOfZeroOrLessReturnsAtOnceWithoutDispatching) {
  std::atomic<int> dispatched{0};
  std::vector<int> seen;  // results, then the dispatch count after each wait
  std::atomic<bool> finished{false};
  hooks().init = [] { kav_start = 1; };
  hooks().main = [&] {
    Hwnd w = windowTable().add(&shell().workerPump().queue(), "probe", [&](const Message&) {
      ++dispatched;
      return std::int64_t{0};
    });
    windowTable().post(Message{w, Msg::User, 0, 0, 0, {}});
    for (int ms : {0, -5, 1}) {
      seen.push_back(KAV_Wait(ms));
      seen.push_back(dispatched.load());
    }
    windowTable().remove(w);
    finished = true;
  };
  shell().startWorker();
  ASSERT_TRUE(pumpFor([&] { return finished.load(); }));
  EXPECT_EQ(seen, (std::vector<int>{0, 0, 0, 0, 0, 1}));  // only a real wait dispatches
}

// Each wait is given 60 s: one that ends early returns the reason, one that
// is not woken returns 0 at its end.
TEST_F(WorkerTest, WaitsEndOnWhatTheyWatchAndOnlyThat) {
  std::atomic<int> step{0};
  std::atomic<pid_t> tid{0};
  std::vector<int> results;
  std::atomic<int> delivered{0};
  const Hwnd target = windowTable().add(&shell().workerPump().queue(), "test", [&](const Message&) -> std::int64_t {
    ++delivered;
    return 0;
  });
  hooks().init = [] { kav_start = 1; };
  hooks().main = [&] {
    tid = test::threadId();
    const int t0 = KAV_GetTime();
    results.push_back(KAV_Wait(30));
    results.push_back(KAV_WaitMessage(30));
    results.push_back(static_cast<unsigned>(KAV_GetTime()) - static_cast<unsigned>(t0) >= 59u);
    for (int i = 1; i <= 3; ++i) {
      step = i;
      results.push_back(i < 3 ? KAV_WaitMessage(60000) : KAV_Wait(60000));
      kav_keyflag = 0;
    }
  };
  startAndWaitForInit();
  const auto blockedAt = [&](int s) { return pumpFor([&] { return step == s && test::threadBlocked(tid); }); };
  ASSERT_TRUE(blockedAt(1));
  windowTable().post(Message{target, Msg::Command, 1, 0, 0, {}});
  ASSERT_TRUE(blockedAt(2));
  key(key::Space);  // the main window sets the key flag and wakes the worker
  ASSERT_TRUE(blockedAt(3));
  shell().stop();
  ASSERT_TRUE(pumpFor([] { return kav_running.load() == 0; }));
  EXPECT_EQ(results, (std::vector<int>{0, 0, 1, 2, 2, 1}));
  EXPECT_EQ(delivered.load(), 1);
  windowTable().remove(target);
}

TEST_F(WorkerTest, RedrawReturnsAtOnceAndTheNextRequestWaitsForBoth) {
  std::mutex orderMutex;
  std::vector<int> order;
  for (int code : {req::UpdateImage, req::CreateImage})
    shell().setRequestHandler(code, [&](const Request& r) {
      std::lock_guard lock(orderMutex);
      order.push_back(r.code * 1000 + r.index);
      return 0;
    });
  hooks().init = [] { kav_start = 1; };
  hooks().main = [&] {
    while (KAV_Wait(10000) == 0) {
    }
  };
  startAndWaitForInit();
  ASSERT_TRUE(pumpFor([] { return kav_running.load() == 1; }));

  // The worker is inside KAV_Main, so nothing can execute the redraw: its
  // sender must not wait for it.
  Request redraw;
  redraw.code = req::UpdateImage;
  redraw.index = 5;
  EXPECT_EQ(shell().sendRequest(redraw), 0);
  EXPECT_EQ(shell().pendingRequests(), 1);
  {
    std::lock_guard lock(orderMutex);
    EXPECT_TRUE(order.empty());
  }
  // Once the next sender is blocked behind the redraw, KAV_Main is stopped.
  const pid_t gui = test::threadId();
  std::thread stopper([gui] {
    pumpFor([gui] { return test::threadBlocked(gui); });
    kav_stop = 1;
    shell().workerPump().wake();
  });
  Request create;
  create.code = req::CreateImage;
  create.index = 3;
  EXPECT_EQ(shell().sendRequest(create), 0);
  stopper.join();
  std::lock_guard lock(orderMutex);
  EXPECT_EQ(order, (std::vector<int>{9002005, 9001003}));
  EXPECT_EQ(kav_running.load(), 0);
}

TEST_F(WorkerTest, RequestResultsAndIndexChecks) {
  std::atomic<int> calls{0};
  startAndWaitForInit();
  // No subsystem behind the codes yet: they answer as failed operations.
  EXPECT_EQ(send(req::CreateImage, 0), 3);
  EXPECT_EQ(send(req::LoadImage, 0), 1);

  for (int code : {req::CreateImage, req::OpenText})
    shell().setRequestHandler(code, [&](const Request&) {
      ++calls;
      return 0;
    });
  for (int bad : {256, -1}) EXPECT_EQ(send(req::CreateImage, bad), 4);
  send(req::OpenText, 300);
  EXPECT_EQ(calls.load(), 0);
  EXPECT_EQ(shell().pendingRequests(), 0);
  EXPECT_EQ(send(req::CreateImage, 255), 0);
  EXPECT_EQ(calls.load(), 1);
  // A call runs on the worker and answers with its result.
  EXPECT_EQ(send(req::Call, 0, [] { return shell().onWorkerThread() ? 7 : 8; }), 7);

  // A request sent while another sender waits for its own (files dropped
  // while an earlier drop loads): each sender reads its own result.
  std::atomic<bool> innerSent{false};
  int inner = -1;
  gui_.queue().postCall([&] {
    innerSent = true;
    Request r;
    r.code = req::Call;
    r.call = [] { return 2; };
    inner = shell().sendRequest(r);
  });
  Request outer;
  outer.code = req::Call;
  outer.call = [&] { return pumpFor([&] { return innerSent.load(); }) ? 1 : -1; };
  EXPECT_EQ(shell().sendRequest(outer), 1);
  EXPECT_EQ(inner, 2);
}

TEST_F(WorkerTest, ASenderDoesNotWaitForAWorkerThatHasEnded) {
  startAndWaitForInit();
  ASSERT_EQ(shell().exitSequence(), ExitOutcome::Joined);
  EXPECT_EQ(send(req::CreateImage, 0), 3);
}

TEST_F(WorkerTest, ExitEndsTheWorkerAndRunsExitThereOnce) {
  std::atomic<int> exits{0};
  std::atomic<bool> exitOnWorker{false};
  hooks().init = [] { kav_start = 1; };
  hooks().main = [] {
    while (KAV_Wait(10000) == 0) {
    }
  };
  hooks().exit = [&] {
    ++exits;
    exitOnWorker = shell().onWorkerThread();
  };
  shell().startWorker();
  ASSERT_TRUE(pumpFor([] { return kav_running.load() == 1; }));
  EXPECT_EQ(shell().exitSequence(), ExitOutcome::Joined);
  EXPECT_EQ(exits.load(), 1);
  EXPECT_TRUE(exitOnWorker.load());
  EXPECT_EQ(kav_exit.load(), 2);
  // Left straight after KAV_Main: kav_running stays 1, drops stay refused.
  EXPECT_EQ(kav_running.load(), 1);
  EXPECT_EQ(ws_.dropChanges(), std::vector<bool>{false});
}

TEST_F(WorkerTest, ExitServesTheWorkersWindowCallsWhileWaiting) {
  // KAV_Exit on the worker changes a caption, which the window system runs on
  // the GUI thread: the GUI must serve it while it waits for the worker.
  ws_.guiQueue = &gui_.queue();
  hooks().exit = [&] { ws_.setCaption(main_, "closing"); };
  startAndWaitForInit();
  EXPECT_EQ(shell().exitSequence(), ExitOutcome::Joined);
  EXPECT_EQ(ws_.caption(main_), "closing");
}

TEST_F(WorkerTest, AWorkerThatIgnoresStopIsAbandonedAndExitRunsOnceOnTheGui) {
  std::atomic<bool> release{false};
  std::atomic<int> exits{0};
  std::atomic<bool> exitOnGui{false};
  std::atomic<bool> cancelled{false}, logsClosed{false};
  shell().cancelLineInput = [&] { cancelled = true; };
  shell().closeLogs = [&] { logsClosed = true; };
  hooks().init = [] { kav_start = 1; };
  hooks().main = [&] { release.wait(false); };
  hooks().exit = [&] {
    ++exits;
    exitOnGui = shell().onGuiThread();
  };
  shell().startWorker();
  ASSERT_TRUE(pumpFor([] { return kav_running.load() == 1; }));

  const auto t0 = Clock::now();
  EXPECT_EQ(shell().exitSequence(200), ExitOutcome::Abandoned);
  EXPECT_GE(Clock::now() - t0, 190ms);
  EXPECT_TRUE(cancelled.load());
  EXPECT_TRUE(logsClosed.load());
  EXPECT_EQ(exits.load(), 1);
  EXPECT_TRUE(exitOnGui.load());
  EXPECT_EQ(kav_exit.load(), 2);

  // When the stuck application finally returns, the worker ends without
  // running KAV_Exit a second time.
  release = true;
  release.notify_all();
  ASSERT_TRUE(pumpFor([] { return shell().workerFinished(); }));
  EXPECT_EQ(exits.load(), 1);
  EXPECT_EQ(shell().exitHookRuns(), 1);
}

TEST_F(WorkerTest, MainWindowKeys) {
  key('S');  // ignored until the worker runs
  key(key::Space);
  EXPECT_EQ(kav_start.load(), 0);
  EXPECT_EQ(kav_keyflag.load(), 0);
  std::atomic<int> mains{0};
  hooks().main = [&] {
    ++mains;
    while (KAV_Wait(10000) == 0) {
    }
  };
  startAndWaitForInit();

  key('S', mods::Ctrl);  // Ctrl chords other than V and W do nothing
  EXPECT_EQ(kav_start.load(), 0);
  key('S');
  ASSERT_TRUE(pumpFor([&] { return mains.load() == 1; }));
  for (int k : {key::Space, int{'Z'}, key::Down}) {
    kav_keyflag = 0;
    key(k);
    EXPECT_EQ(kav_keyflag.load(), 1) << "key " << k;
  }
  kav_keyflag = 0;
  key('Q');
  key(key::Up);
  EXPECT_EQ(kav_keyflag.load(), 0);
  key('C');
  ASSERT_TRUE(pumpFor([] { return kav_running.load() == 0; }));

  // Space prints into the current text window. A print on the GUI thread
  // dispatches nothing, so an Esc queued behind it does not run inside it.
  ASSERT_EQ(KAV_OpenTextWindow(0, 0, 0, 200, 100), 0);
  windowTable().post(Message{main_, Msg::KeyDown, key::Space, 0, 0, {}});
  windowTable().post(Message{main_, Msg::KeyDown, key::Escape, 0, 0, {}});
  auto space = gui_.queue().takeMessage();
  ASSERT_TRUE(space);
  windowTable().dispatch(*space);
  EXPECT_EQ(kav_exit.load(), 0);
  bool escQueued = false;
  while (auto m = gui_.queue().takeMessage()) escQueued = escQueued || (m->hwnd == main_ && m->wparam == key::Escape);
  EXPECT_TRUE(escQueued);

  // Ctrl+V and Ctrl+W post their commands: dispatch only the two keys and
  // keep what they post.
  windowTable().post(Message{main_, Msg::KeyDown, 'V', 0, mods::Ctrl, {}});
  windowTable().post(Message{main_, Msg::KeyDown, 'W', 0, mods::Ctrl, {}});
  std::vector<std::int64_t> commands;
  for (int i = 0; i < 2; ++i) {
    auto m = gui_.queue().takeMessage();
    ASSERT_TRUE(m);
    windowTable().dispatch(*m);
  }
  while (auto m = gui_.queue().takeMessage())
    if (m->type == Msg::Command) commands.push_back(m->wparam);
  EXPECT_EQ(commands, (std::vector<std::int64_t>{cmd::Paste, cmd::WindowInfo}));
}

TEST_F(WorkerTest, DroppedFilesSearchSlotsSharedByTheDrop) {
  // Slots 0 and 2 are taken; a folder and a text file are skipped.
  std::mutex m;
  std::vector<std::string> created, loaded;
  std::vector<int> taken = {0, 2};
  shell().setRequestHandler(req::CreateImage, [&](const Request& r) {
    std::lock_guard lock(m);
    if (std::find(taken.begin(), taken.end(), r.index) != taken.end()) return 1;
    taken.push_back(r.index);
    created.push_back(r.name + " " + std::to_string(r.width) + "x" + std::to_string(r.height));
    return 0;
  });
  shell().setRequestHandler(req::LoadImage, [&](const Request& r) {
    std::lock_guard lock(m);
    loaded.push_back(std::to_string(r.index) + ":" + r.fileName);
    return 0;
  });
  int restores = 0;
  shell().restoreImage = [&] { ++restores; };
  shell().probeImageSize = [](const std::string& path) -> std::pair<int, int> {
    if (path.ends_with(".txt")) return {0, 0};
    return {64, 48};
  };
  startAndWaitForInit();
  const int opened =
      shell().openDroppedFiles({"/p/a.png", "/p/folder/", "/p/notes.txt", "/p/b.jpg", "/p/c.gif"});
  EXPECT_EQ(opened, 3);
  std::lock_guard lock(m);
  EXPECT_EQ(created, (std::vector<std::string>{"001 a.png 64x48", "003 b.jpg 64x48", "004 c.gif 64x48"}));
  EXPECT_EQ(loaded, (std::vector<std::string>{"1:/p/a.png", "3:/p/b.jpg", "4:/p/c.gif"}));
  EXPECT_EQ(restores, 3);
}

}  // namespace
}  // namespace rozoru
