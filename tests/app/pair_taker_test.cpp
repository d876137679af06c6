// The loop's pair taker on the camera library with two synthetic cameras at
// 30 fps, camera 1 exactly 20 ms after camera 0: the latest two frames are
// 20 ms apart (over half a period) from a frame of camera 1 until the next
// frame of camera 0, and 13.3 ms apart after it.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/pair_taker.h"
#include "ryk/ryk.h"
#include "ryk/synthetic.h"

namespace stereo {
namespace {

// Catches: wait sync that takes the latest frames as they are, waits on the
// camera that leads instead of the one that lags, or loses the phase of the
// synthetic cameras (then nothing here would be out of phase at all); and a
// period not learnt from the frames the taker waited for.
TEST(PairTaker, WaitSyncTakesTheNextFrameOfTheLaggingCamera) {
  std::vector<ryk::SyntheticCamera> cams(2);
  cams[1].phaseMs = 20.0;
  ryk::useSyntheticCameras(cams);
  ASSERT_EQ(ryk_Open(30.0), 0);
  std::vector<std::uint32_t> frame[2] = {std::vector<std::uint32_t>(RYK_FRAME_BYTES / 4),
                                         std::vector<std::uint32_t>(RYK_FRAME_BYTES / 4)};
  PairTaker taker(30.0);
  constexpr double kPeriod = 1.0 / 30.0;
  for (int i = 0; i < 5; ++i) {
    // Looking right after a frame of camera 1: the latest pair is 20 ms apart.
    ASSERT_EQ(ryk_WaitFrame(1, ryk_frameTime[1].load(), 10000), 1);
    const auto pair = taker.take([&](int k) { return frame[k].data(); }, true, [] { return false; });
    ASSERT_TRUE(pair[0].fresh && pair[1].fresh);
    // Camera 0's frame one period on, 13.3 ms after camera 1's.
    EXPECT_NEAR(*pair[0].time - *pair[1].time, kPeriod - 0.020, 1e-4) << "take " << i;
  }
  EXPECT_NEAR(taker.period(0), kPeriod, 1e-4);
  ryk_Close();
  ryk::useRealCameras();
}

}  // namespace
}  // namespace stereo
