// The per-thread message queue: order, calls, and waits that wake at once.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "shell/core/message_queue.h"
#include "shell/core/windows.h"

namespace rozoru {
namespace {

using namespace std::chrono_literals;

TEST(MessageQueue, MessagesKeepTheirOrderAndCallsRunFirst) {
  MessageQueue q;
  std::vector<std::string> seen;
  const Hwnd w = windowTable().add(&q, "probe", [&](const Message& m) {
    seen.push_back("msg" + std::to_string(m.wparam));
    return std::int64_t{0};
  });
  windowTable().post(Message{w, Msg::User, 1, 0, 0, {}});
  windowTable().post(Message{w, Msg::User, 2, 0, 0, {}});
  q.postCall([&] { seen.push_back("call"); });
  drainQueue(q);
  EXPECT_EQ(seen, (std::vector<std::string>{"call", "msg1", "msg2"}));
  EXPECT_FALSE(q.hasPending());

  // A message for a window removed meanwhile is dropped.
  windowTable().post(Message{w, Msg::User, 3, 0, 0, {}});
  windowTable().remove(w);
  drainQueue(q);
  EXPECT_EQ(seen.size(), 3u);
  EXPECT_FALSE(windowTable().post(Message{w, Msg::User, 4, 0, 0, {}}));
}

TEST(MessageQueue, WaitReturnsAtOnceWhenSomethingIsPending) {
  MessageQueue q;
  q.post(Message{});
  const auto t0 = Clock::now();
  q.waitActivity(t0 + 10s);
  EXPECT_LT(Clock::now() - t0, 5s);
}

TEST(MessageQueue, WakeFromAnotherThreadEndsTheWait) {
  MessageQueue q;
  std::atomic<bool> flag{false};
  std::thread t([&] {
    std::this_thread::sleep_for(20ms);
    flag = true;
    q.wake();
  });
  const auto t0 = Clock::now();
  q.waitActivity(t0 + 10s, [&] { return flag.load(); });
  t.join();
  EXPECT_TRUE(flag.load());
  EXPECT_LT(Clock::now() - t0, 5s);
}

TEST(MessageQueue, AWakeBeforeTheWaitIsNotLost) {
  MessageQueue q;
  q.wake();
  const auto t0 = Clock::now();
  q.waitActivity(t0 + 10s);
  EXPECT_LT(Clock::now() - t0, 5s);
  // ...and it is used up by that wait.
  const auto t1 = Clock::now();
  q.waitActivity(t1 + 30ms);
  EXPECT_GE(Clock::now() - t1, 25ms);
}

TEST(MessageQueue, WaitingForCallsIgnoresMessages) {
  MessageQueue q;
  q.post(Message{});
  const auto t0 = Clock::now();
  q.waitCalls(t0 + 30ms);
  EXPECT_GE(Clock::now() - t0, 25ms);
  q.postCall([] {});
  const auto t1 = Clock::now();
  q.waitCalls(t1 + 10s);
  EXPECT_LT(Clock::now() - t1, 5s);
}

TEST(MessageQueue, ActivityHookSeesEveryKindOfActivity) {
  MessageQueue q;
  int hits = 0;
  q.setActivityHook([&] { ++hits; });
  q.post(Message{});
  q.postCall([] {});
  q.wake();
  EXPECT_EQ(hits, 3);
}

}  // namespace
}  // namespace rozoru
