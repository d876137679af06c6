// The per-thread message queue: order, calls, and waits that wake at once.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "shell/core/message_queue.h"
#include "shell/core/windows.h"
#include "tests/shell/test_hooks.h"

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

// A wait that ends before its deadline was woken; one that runs out was not.
TEST(MessageQueue, WaitsWakeAtOnceForTheirKindAndNotOtherwise) {
  MessageQueue q;
  const auto woken = [](auto wait) {
    const auto deadline = Clock::now() + 60s;
    wait(deadline);
    return Clock::now() < deadline;
  };
  q.post(Message{});
  EXPECT_TRUE(woken([&](auto d) { q.waitActivity(d); }));  // already pending
  const auto t0 = Clock::now();
  q.waitCalls(t0 + 30ms);  // a message is no call
  EXPECT_GE(Clock::now() - t0, 25ms);
  q.postCall([] {});
  EXPECT_TRUE(woken([&](auto d) { q.waitCalls(d); }));

  MessageQueue fresh;
  fresh.wake();  // a wake before the wait is not lost...
  EXPECT_TRUE(woken([&](auto d) { fresh.waitActivity(d); }));
  const auto t1 = Clock::now();
  fresh.waitActivity(t1 + 30ms);  // ...and is used up by it
  EXPECT_GE(Clock::now() - t1, 25ms);

  // A wake from another thread meets the blocked wait.
  std::atomic<bool> flag{false};
  const pid_t self = test::threadId();
  std::thread t([&] {
    test::pumpFor([&] { return test::threadBlocked(self); });
    flag = true;
    fresh.wake();
  });
  EXPECT_TRUE(woken([&](auto d) { fresh.waitActivity(d, [&] { return flag.load(); }); }));
  t.join();
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
