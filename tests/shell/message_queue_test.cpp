// The per-thread message queue: order, calls, and waits that wake at once.
#include <gtest/gtest.h>

#include "shell/core/message_queue.h"
#include "shell/core/windows.h"

namespace rozoru {
namespace {

using namespace std::chrono_literals;

TEST(MessageQueue, MessagesKeepTheirOrderAndCallsRunFirst) {
  MessageQueue q;
  int activity = 0;  // the hook sees every kind of activity
  q.setActivityHook([&] { ++activity; });
  std::vector<std::string> seen;
  const Hwnd w = windowTable().add(
      &q, "probe", [&](const Message& m) { return seen.push_back("msg" + std::to_string(m.wparam)), std::int64_t{0}; });
  windowTable().post(Message{w, Msg::User, 1, 0, 0, {}});
  windowTable().post(Message{w, Msg::User, 2, 0, 0, {}});
  q.postCall([&] { seen.push_back("call"); });
  drainQueue(q);
  EXPECT_EQ(seen, (std::vector<std::string>{"call", "msg1", "msg2"}));
  EXPECT_FALSE(q.hasPending());
  q.wake();
  EXPECT_EQ(activity, 4);

  // A message for a window removed meanwhile is dropped.
  windowTable().post(Message{w, Msg::User, 3, 0, 0, {}});
  windowTable().remove(w);
  drainQueue(q);
  EXPECT_EQ(seen.size(), 3u);
  EXPECT_FALSE(windowTable().post(Message{w, Msg::User, 4, 0, 0, {}}));
}

// A wait that ends before its deadline was woken; one that runs out was not.
// Wakes from another thread are proven with the worker's waits.
TEST(MessageQueue, WaitsWakeAtOnceForTheirKindAndNotOtherwise) {
  MessageQueue q;
  const auto woken = [](auto wait) {
    const auto deadline = Clock::now() + 60s;
    wait(deadline);
    return Clock::now() < deadline;
  };
  const auto ranOut = [](auto wait) {
    const auto t0 = Clock::now();
    wait(t0 + 30ms);
    return Clock::now() - t0 >= 25ms;
  };
  q.post(Message{});
  EXPECT_TRUE(woken([&](auto d) { q.waitActivity(d); }));  // already pending
  EXPECT_TRUE(ranOut([&](auto d) { q.waitCalls(d); }));    // a message is no call
  q.postCall([] {});
  EXPECT_TRUE(woken([&](auto d) { q.waitCalls(d); }));

  MessageQueue fresh;
  fresh.wake();  // a wake before the wait is not lost...
  EXPECT_TRUE(woken([&](auto d) { fresh.waitActivity(d); }));
  EXPECT_TRUE(ranOut([&](auto d) { fresh.waitActivity(d); }));  // ...and is used up by it
}

}  // namespace
}  // namespace rozoru
