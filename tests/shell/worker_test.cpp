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

TEST_F(WorkerTest, InitMayStartMainItself) {
  std::atomic<bool> ran{false};
  hooks().init = [] { kav_start = 1; };
  hooks().main = [&] {
    ran = true;
    while (KAV_Wait(10000) == 0) {
    }
  };
  shell().startWorker();
  EXPECT_TRUE(pumpFor([&] { return ran.load(); }));
}

TEST_F(WorkerTest, WaitOfZeroOrLessReturnsAtOnceWithoutDispatching) {
  std::atomic<int> dispatched{0};
  std::atomic<int> r0{-1}, rNeg{-1}, rLater{-1};
  std::atomic<int> afterZero{-1};
  std::atomic<bool> posted{false}, finished{false};
  hooks().main = [&] {
    Hwnd w = windowTable().add(&shell().workerPump().queue(), "probe", [&](const Message&) {
      ++dispatched;
      return std::int64_t{0};
    });
    windowTable().post(Message{w, Msg::User, 0, 0, 0, {}});
    posted = true;
    r0 = KAV_Wait(0);
    rNeg = KAV_Wait(-5);
    afterZero = dispatched.load();
    rLater = KAV_Wait(1);  // a real wait dispatches
    windowTable().remove(w);
    finished = true;
    while (KAV_Wait(10000) == 0) {
    }
  };
  hooks().init = [] { kav_start = 1; };
  shell().startWorker();
  ASSERT_TRUE(pumpFor([&] { return finished.load(); }));
  EXPECT_EQ(r0.load(), 0);
  EXPECT_EQ(rNeg.load(), 0);
  EXPECT_EQ(afterZero.load(), 0);
  EXPECT_EQ(rLater.load(), 0);
  EXPECT_EQ(dispatched.load(), 1);
}

TEST_F(WorkerTest, WaitEndsPromptlyOnStop) {
  std::atomic<int> result{-1};
  std::atomic<bool> waiting{false};
  Clock::time_point returned;
  hooks().init = [] { kav_start = 1; };
  hooks().main = [&] {
    waiting = true;
    result = KAV_Wait(1000);
    returned = Clock::now();
  };
  shell().startWorker();
  ASSERT_TRUE(pumpFor([&] { return waiting.load(); }));
  std::this_thread::sleep_for(20ms);
  const auto stopped = Clock::now();
  shell().stop();
  ASSERT_TRUE(pumpFor([] { return kav_running.load() == 0; }));
  EXPECT_EQ(result.load(), 1);
  // Far sooner than the 1000 ms the wait was asked for.
  EXPECT_LT(returned - stopped, 500ms);
}

TEST_F(WorkerTest, WaitRunsItsFullTimeWithoutStop) {
  std::atomic<int> result{-1};
  std::atomic<long long> tookMs{0};
  hooks().init = [] { kav_start = 1; };
  hooks().main = [&] {
    const int t0 = KAV_GetTime();
    result = KAV_Wait(30);
    tookMs = static_cast<unsigned>(KAV_GetTime() - t0);
    while (KAV_Wait(10000) == 0) {
    }
  };
  shell().startWorker();
  ASSERT_TRUE(pumpFor([&] { return result.load() != -1; }));
  EXPECT_EQ(result.load(), 0);
  EXPECT_GE(tookMs.load(), 29);
}

TEST_F(WorkerTest, WaitMessageEndsOnAMessageOnTheKeyFlagOrOnStop) {
  std::atomic<int> step{0};
  std::vector<int> results;
  std::vector<long long> tookMs;
  std::atomic<int> delivered{0};
  const Hwnd target = windowTable().add(&shell().workerPump().queue(), "test", [&](const Message&) -> std::int64_t {
    ++delivered;
    return 0;
  });
  hooks().init = [] { kav_start = 1; };
  hooks().main = [&] {
    for (int i = 0; i < 4; ++i) {
      step = i + 1;
      const int t0 = KAV_GetTime();
      results.push_back(KAV_WaitMessage(i == 0 ? 30 : 5000));
      tookMs.push_back(static_cast<unsigned>(KAV_GetTime() - t0));
      kav_keyflag = 0;
    }
  };
  startAndWaitForInit();
  ASSERT_TRUE(pumpFor([&] { return step.load() == 2; }));  // the first wait simply timed out
  std::this_thread::sleep_for(20ms);
  windowTable().post(Message{target, Msg::Command, 1, 0, 0, {}});
  ASSERT_TRUE(pumpFor([&] { return step.load() == 3; }));
  std::this_thread::sleep_for(20ms);
  key(key::Space);  // the main window sets the key flag and wakes the worker
  ASSERT_TRUE(pumpFor([&] { return step.load() == 4; }));
  std::this_thread::sleep_for(20ms);
  shell().stop();
  ASSERT_TRUE(pumpFor([] { return kav_running.load() == 0; }));
  EXPECT_EQ(results, (std::vector<int>{0, 2, 2, 1}));
  EXPECT_EQ(delivered.load(), 1);
  EXPECT_GE(tookMs[0], 29);
  // Each early end came far sooner than the 5000 ms asked for.
  for (std::size_t i = 1; i < tookMs.size(); ++i) EXPECT_LT(tookMs[i], 2500) << "wait " << i;
  windowTable().remove(target);
}

TEST_F(WorkerTest, RedrawReturnsAtOnceAndTheNextRequestWaitsForBoth) {
  std::mutex orderMutex;
  std::vector<int> order;
  shell().setRequestHandler(req::UpdateImage, [&](const Request& r) {
    std::lock_guard lock(orderMutex);
    order.push_back(r.code * 1000 + r.index);
    return 0;
  });
  shell().setRequestHandler(req::CreateImage, [&](const Request& r) {
    std::lock_guard lock(orderMutex);
    order.push_back(r.code * 1000 + r.index);
    return r.width == 7 ? 0 : 1;
  });
  std::atomic<bool> inMain{false};
  hooks().init = [] { kav_start = 1; };
  hooks().main = [&] {
    inMain = true;
    while (KAV_Wait(10000) == 0) {
    }
  };
  shell().startWorker();
  ASSERT_TRUE(pumpFor([&] { return inMain.load(); }));

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

  std::thread stopper([] {
    std::this_thread::sleep_for(30ms);
    kav_stop = 1;
    shell().workerPump().wake();
  });
  Request create;
  create.code = req::CreateImage;
  create.index = 3;
  create.width = 7;
  EXPECT_EQ(shell().sendRequest(create), 0);
  stopper.join();
  std::lock_guard lock(orderMutex);
  EXPECT_EQ(order, (std::vector<int>{9002005, 9001003}));
  EXPECT_EQ(kav_running.load(), 0);
}

TEST_F(WorkerTest, RequestResultsAndIndexChecks) {
  std::atomic<int> createCalls{0};
  startAndWaitForInit();

  // No subsystem behind the codes yet: they answer as failed operations.
  Request create;
  create.code = req::CreateImage;
  create.index = 0;
  EXPECT_EQ(shell().sendRequest(create), 3);
  Request load;
  load.code = req::LoadImage;
  load.index = 0;
  load.fileName = "x.png";
  EXPECT_EQ(shell().sendRequest(load), 1);

  shell().setRequestHandler(req::CreateImage, [&](const Request&) {
    ++createCalls;
    return 0;
  });
  create.index = 256;
  EXPECT_EQ(shell().sendRequest(create), 4);
  create.index = -1;
  EXPECT_EQ(shell().sendRequest(create), 4);
  EXPECT_EQ(createCalls.load(), 0);
  create.index = 255;
  EXPECT_EQ(shell().sendRequest(create), 0);
  EXPECT_EQ(createCalls.load(), 1);

  // A call runs on the worker and answers with its result.
  Request call;
  call.code = req::Call;
  call.call = [] { return shell().onWorkerThread() ? 7 : 8; };
  EXPECT_EQ(shell().sendRequest(call), 7);

  std::atomic<int> textCalls{0};
  shell().setRequestHandler(req::OpenText, [&](const Request&) {
    ++textCalls;
    return 0;
  });
  Request text;
  text.code = req::OpenText;
  text.index = 300;
  shell().sendRequest(text);
  EXPECT_EQ(textCalls.load(), 0);
  EXPECT_EQ(shell().pendingRequests(), 0);

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
  Request create;
  create.code = req::CreateImage;
  create.index = 0;
  EXPECT_EQ(shell().sendRequest(create), 3);
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
  hooks().main = [&] {
    while (!release.load()) std::this_thread::sleep_for(2ms);
  };
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
  ASSERT_TRUE(pumpFor([] { return shell().workerFinished(); }));
  EXPECT_EQ(exits.load(), 1);
  EXPECT_EQ(shell().exitHookRuns(), 1);
}

TEST_F(WorkerTest, MainWindowKeys) {
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
}

TEST_F(WorkerTest, CtrlVAndCtrlWPostTheirCommands) {
  startAndWaitForInit();
  windowTable().post(Message{main_, Msg::KeyDown, 'V', 0, mods::Ctrl, {}});
  windowTable().post(Message{main_, Msg::KeyDown, 'W', 0, mods::Ctrl, {}});
  // Take the key messages and dispatch them one by one; what they post stays queued.
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

TEST_F(WorkerTest, KeysAreIgnoredUntilTheWorkerRuns) {
  key('S');
  key(key::Space);
  EXPECT_EQ(kav_start.load(), 0);
  EXPECT_EQ(kav_keyflag.load(), 0);
}

TEST_F(WorkerTest, WorkerWindowsAreServicedOnTheWorker) {
  std::atomic<bool> onWorker{false};
  std::atomic<int> seen{0};
  startAndWaitForInit();
  Hwnd w = windowTable().add(&shell().workerPump().queue(), "probe", [&](const Message& m) {
    onWorker = shell().onWorkerThread();
    seen = static_cast<int>(m.wparam);
    return std::int64_t{0};
  });
  windowTable().post(Message{w, Msg::KeyDown, 'A', 0, 0, {}});
  EXPECT_TRUE(pumpFor([&] { return seen.load() == 'A'; }));
  EXPECT_TRUE(onWorker.load());
  windowTable().remove(w);
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

TEST_F(WorkerTest, ADroppedFileIsGivenUpWhenCreationFails) {
  std::atomic<int> attempts{0};
  shell().setRequestHandler(req::CreateImage, [&](const Request&) {
    ++attempts;
    return 3;
  });
  shell().probeImageSize = [](const std::string&) { return std::pair<int, int>{10, 10}; };
  startAndWaitForInit();
  // Each file makes one attempt on its own slot, then the next file moves on.
  EXPECT_EQ(shell().openDroppedFiles({"/a.png", "/b.png"}), 0);
  EXPECT_EQ(attempts.load(), 2);
}

}  // namespace
}  // namespace rozoru
