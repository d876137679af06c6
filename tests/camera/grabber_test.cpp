// The grabber's hand-over of frames from a streaming thread to readers.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <tuple>
#include <vector>

#include "camera/frame_store.h"
#include "ryk/ryk.h"
#include "tests/shell/test_hooks.h"

namespace {

using namespace std::chrono_literals;

TEST(Grabber, NeverWritesBeyondOneFrame) {
  ryk_SampleGrabberCB cb(2);
  std::vector<std::uint8_t> big(RYK_FRAME_BYTES * 2, 7), small(1000, 9), out(RYK_FRAME_BYTES, 0);
  // A longer sample is cut to one frame (AddressSanitizer would catch an
  // overrun); a short one keeps its length, so a reader copies only what
  // arrived; nonsense lengths and null buffers store an empty frame.
  const std::tuple<std::uint8_t*, long, long> samples[] = {
      {big.data(), static_cast<long>(big.size()), RYK_FRAME_BYTES}, {small.data(), 1000, 1000}, {nullptr, 5000, 0}, {small.data(), -5, 0}};
  for (const auto& [data, length, kept] : samples) {
    EXPECT_EQ(cb.BufferCB(1.0, data, length), 0);
    EXPECT_EQ(ryk_frameBytes[2].load(), kept) << length;
    EXPECT_EQ(cb.store()->copy(out.data(), RYK_FRAME_BYTES, nullptr), kept) << length;
  }
  // A reader with a smaller buffer gets only what fits.
  cb.BufferCB(5.0, big.data(), RYK_FRAME_BYTES);
  EXPECT_EQ(cb.store()->copy(out.data(), 64, nullptr), 64);
}

TEST(Grabber, PaddedRowsArrivePackedAndTopDown) {
  // Rows of 320*4+64 bytes, as a buffer pool may align them: row r holds r,
  // its padding 0xEE; the last row ends without padding.
  constexpr long row = RYK_WIDTH * 4, stride = row + 64;
  std::vector<std::uint8_t> padded((RYK_HEIGHT - 1) * stride + row, 0xEE), out(RYK_FRAME_BYTES);
  for (long r = 0; r < RYK_HEIGHT; ++r) std::fill_n(padded.begin() + r * stride, row, static_cast<std::uint8_t>(r));
  ryk_SampleGrabberCB cb(3);
  cb.BufferCB(2.0, padded.data(), static_cast<long>(padded.size()), stride);
  ASSERT_EQ(cb.store()->copy(out.data(), RYK_FRAME_BYTES, nullptr), RYK_FRAME_BYTES);
  for (long r = 0; r < RYK_HEIGHT; ++r)
    ASSERT_EQ(std::count(out.begin() + r * row, out.begin() + (r + 1) * row, static_cast<std::uint8_t>(r)), row) << r;
}

TEST(Grabber, AFastReaderNeverSeesHalfOfTwoFrames) {
  ryk_SampleGrabberCB cb(1);
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    std::vector<std::uint8_t> f(RYK_FRAME_BYTES);
    for (int i = 1; !stop; ++i) {
      std::fill(f.begin(), f.end(), static_cast<std::uint8_t>(i));
      cb.BufferCB(i, f.data(), RYK_FRAME_BYTES);
    }
  });
  std::vector<std::uint8_t> out(RYK_FRAME_BYTES);
  int distinct = 0;
  double last = 0;
  ASSERT_TRUE(cb.store()->waitNewer(0.0, std::chrono::steady_clock::now() + 5s));
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  for (int n = 0; n < 3000 && distinct < 200 && std::chrono::steady_clock::now() < deadline; ++n) {
    double t = 0;
    ASSERT_EQ(cb.store()->copy(out.data(), RYK_FRAME_BYTES, &t), RYK_FRAME_BYTES);
    // One frame is one value throughout, and it belongs to the time copied with it.
    const std::uint8_t v = out[0];
    ASSERT_EQ(std::count(out.begin(), out.end(), v), RYK_FRAME_BYTES) << "torn at copy " << n;
    ASSERT_EQ(static_cast<std::uint8_t>(static_cast<int>(t)), v);
    if (t != last) ++distinct;
    last = t;
  }
  stop = true;
  writer.join();
  EXPECT_GT(distinct, 10);  // the writer really ran between the copies
}

TEST(Grabber, WaitsWakeOnAFrameAndOnRelease) {
  ryk_SampleGrabberCB cb(0);
  auto store = cb.store();
  const std::vector<std::uint8_t> f(RYK_FRAME_BYTES, 1);
  // Each hand-over comes once the reader sleeps in its wait.
  const pid_t reader = rozoru::test::threadId();
  const auto whenWaiting = [reader](auto then) {
    return std::thread([reader, then] {
      rozoru::test::pumpFor([reader] { return rozoru::test::threadBlocked(reader); });
      then();
    });
  };
  std::thread later = whenWaiting([&] { cb.BufferCB(7.0, f.data(), RYK_FRAME_BYTES); });
  EXPECT_TRUE(store->waitNewer(0.0, std::chrono::steady_clock::now() + 60s));
  later.join();
  // Nothing newer than 7.0 comes: the wait ends at its deadline.
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_FALSE(store->waitNewer(7.0, t0 + 50ms));
  EXPECT_GE(std::chrono::steady_clock::now() - t0, 50ms);
  // A release ends a long wait at once and stops further frames.
  std::thread releaser = whenWaiting([&] { store->release(); });
  const auto deadline = std::chrono::steady_clock::now() + 60s;
  EXPECT_FALSE(store->waitNewer(7.0, deadline));
  EXPECT_LT(std::chrono::steady_clock::now(), deadline);  // woken, not timed out
  releaser.join();
  cb.BufferCB(8.0, f.data(), RYK_FRAME_BYTES);
  EXPECT_EQ(ryk_frameTime[0].load(), 7.0);
}

}  // namespace
