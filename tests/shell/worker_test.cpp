// The worker thread, the request queue, KAV_Wait and the exit sequence, with
// the test thread acting as the GUI thread.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

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
  static int send(int code, int index = 0, std::function<int()> call = {}) {
    Request r;
    r.code = code, r.index = index, r.call = std::move(call);
    return shell().sendRequest(r);
  }
  // KAV_Main counts its runs and waits until it is stopped.
  void mainWaitsForStop(bool autostart = false) {
    if (autostart) hooks().init = [] { kav_start = 1; };
    hooks().main = [this] { ++mains; while (KAV_Wait(10000) == 0) continue; };
  }
  std::atomic<int> mains{0};
};

// Start, Stop and the key flag from the keyboard are end-to-end tests; here
// what the main window's keys must not do.
TEST_F(WorkerTest, MainWindowKeys) {
  key('S');  // ignored until the worker runs
  key(key::Space);
  EXPECT_EQ(kav_start.load(), 0);
  EXPECT_EQ(kav_keyflag.load(), 0);
  mainWaitsForStop();
  startAndWaitForInit();
  key('S', mods::Ctrl);  // Ctrl chords other than V and W do nothing
  EXPECT_EQ(kav_start.load(), 0);
  key('S');
  ASSERT_TRUE(pumpFor([&] { return mains.load() == 1; }));
  key('C');
  ASSERT_TRUE(pumpFor([] { return kav_running.load() == 0; }));
  EXPECT_EQ(ws_.dropChanges(), (std::vector<bool>{false, true}));  // drops are refused only while it runs

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
}

// Each long wait is given 60 s: one that ends early returns the reason, one
// that is not woken returns 0 at its end. A wait of 0 or less returns at once
// without dispatching.
TEST_F(WorkerTest, WaitsEndOnWhatTheyWatchAndOnlyThat) {
  std::atomic<int> step{0};
  std::atomic<pid_t> tid{0};
  std::vector<int> results;
  std::atomic<int> delivered{0};
  const Hwnd target = windowTable().add(&shell().workerPump().queue(), "test",
                                        [&](const Message&) { return std::int64_t{++delivered}; });
  hooks().init = [] { kav_start = 1; };
  hooks().main = [&] {
    tid = test::threadId();
    windowTable().post(Message{target, Msg::User, 0, 0, 0, {}});
    for (int ms : {0, -5}) results.push_back(KAV_Wait(ms) * 10 + delivered.load());
    const int t0 = KAV_GetTime();
    results.push_back(KAV_Wait(30) * 10 + delivered.load());  // a real wait dispatches
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
  EXPECT_EQ(results, (std::vector<int>{0, 0, 1, 0, 1, 2, 2, 1}));
  EXPECT_EQ(delivered.load(), 2);
  windowTable().remove(target);
}

TEST_F(WorkerTest, RedrawReturnsAtOnceAndTheNextRequestWaitsForBoth) {
  std::vector<int> order;  // read once the last sender has its answer
  for (int code : {req::UpdateImage, req::CreateImage})
    shell().setRequestHandler(code, [&](const Request& r) { return order.push_back(r.code * 1000 + r.index), 0; });
  mainWaitsForStop(true);
  startAndWaitForInit();
  ASSERT_TRUE(pumpFor([] { return kav_running.load() == 1; }));

  // The worker is inside KAV_Main, so nothing can execute the redraw: its
  // sender must not wait for it.
  EXPECT_EQ(send(req::UpdateImage, 5), 0);
  EXPECT_EQ(shell().pendingRequests(), 1);
  // Once the next sender is blocked behind the redraw, KAV_Main is stopped.
  const pid_t gui = test::threadId();
  std::thread stopper([gui] {
    pumpFor([gui] { return test::threadBlocked(gui); });
    kav_stop = 1;
    shell().workerPump().wake();
  });
  EXPECT_EQ(send(req::CreateImage, 3), 0);
  stopper.join();
  EXPECT_EQ(order, (std::vector<int>{9002005, 9001003}));
  EXPECT_EQ(kav_running.load(), 0);
}

TEST_F(WorkerTest, RequestResultsAndIndexChecks) {
  std::atomic<int> calls{0};
  startAndWaitForInit();
  // No subsystem behind the code yet: it answers as a failed operation.
  EXPECT_EQ(send(req::CreateImage), 3);
  for (int code : {req::CreateImage, req::OpenText})
    shell().setRequestHandler(code, [&](const Request&) { return ++calls, 0; });
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
  gui_.queue().postCall([&] { innerSent = true, inner = send(req::Call, 0, [] { return 2; }); });
  EXPECT_EQ(send(req::Call, 0, [&] { return pumpFor([&] { return innerSent.load(); }) ? 1 : -1; }), 1);
  EXPECT_EQ(inner, 2);
}

TEST_F(WorkerTest, ExitEndsTheWorkerAndRunsExitThereOnceServingItsWindowCalls) {
  std::string exits;  // where each KAV_Exit ran: read after the join
  mainWaitsForStop(true);
  // KAV_Exit on the worker changes a caption, which the window system runs on
  // the GUI thread: the GUI must serve it while it waits for the worker.
  ws_.guiQueue = &gui_.queue();
  hooks().exit = [&] {
    exits += shell().onWorkerThread() ? "worker " : "other ";
    ws_.setCaption(main_, "closing");
  };
  startAndWaitForInit();
  ASSERT_TRUE(pumpFor([] { return kav_running.load() == 1; }));
  EXPECT_EQ(shell().exitSequence(), ExitOutcome::Joined);
  EXPECT_EQ(exits, "worker ");
  EXPECT_EQ(ws_.caption(main_), "closing");
  EXPECT_EQ(kav_exit.load(), 2);
  // Left straight after KAV_Main: kav_running stays 1, drops stay refused.
  EXPECT_EQ(kav_running.load(), 1);
  EXPECT_EQ(ws_.dropChanges(), std::vector<bool>{false});
  // A sender does not wait for a worker that has ended.
  EXPECT_EQ(send(req::CreateImage), 3);
}

TEST_F(WorkerTest, AWorkerThatIgnoresStopIsAbandonedAndExitRunsOnceOnTheGui) {
  std::atomic<bool> release{false};
  std::string seen;  // what the exit sequence did, and where KAV_Exit ran
  shell().cancelLineInput = [&] { seen += "cancel "; };
  shell().closeLogs = [&] { seen += "logs "; };
  hooks().init = [] { kav_start = 1; };
  hooks().main = [&] { release.wait(false); };
  hooks().exit = [&] { seen += shell().onGuiThread() ? "exit on gui " : "exit elsewhere "; };
  shell().startWorker();
  ASSERT_TRUE(pumpFor([] { return kav_running.load() == 1; }));

  const auto t0 = Clock::now();
  EXPECT_EQ(shell().exitSequence(200), ExitOutcome::Abandoned);
  EXPECT_GE(Clock::now() - t0, 190ms);
  EXPECT_EQ(seen, "cancel logs exit on gui ");
  EXPECT_EQ(kav_exit.load(), 2);

  // When the stuck application finally returns, the worker ends without
  // running KAV_Exit a second time.
  release = true;
  release.notify_all();
  ASSERT_TRUE(pumpFor([] { return shell().workerFinished(); }));
  EXPECT_EQ(seen, "cancel logs exit on gui ");
  EXPECT_EQ(shell().exitHookRuns(), 1);
}

}  // namespace
}  // namespace rozoru
