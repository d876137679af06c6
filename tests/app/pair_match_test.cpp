// Pair matching, the period a camera's frames show, the skew a capture
// records, and the comment marker that carries it into the JPEG.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "app/jpeg_comment.h"
#include "app/pair_match.h"

namespace stereo {
namespace {

constexpr double k30 = 1.0 / 30.0, k15 = 1.0 / 15.0;

// Catches: a limit of a whole period (pairs a period apart pass), the faster
// camera's period (a 15 fps camera beside a 30 fps one never matches), and
// the wrong camera named as lagging (the loop waits on the leading one, whose
// next frame only widens the gap).
TEST(PairMatch, HalfTheSlowerPeriodAndTheOlderFrameLags) {
  EXPECT_TRUE(checkPair(10.0, 10.015, k30, k30).matched);
  EXPECT_TRUE(checkPair(0.0, k30 / 2, k30, k30).matched);
  for (const auto& [t0, t1, lagging] : {std::tuple{10.020, 10.0, 1}, {10.0, 10.030, 0}}) {
    const PairCheck c = checkPair(t0, t1, k30, k30);
    EXPECT_FALSE(c.matched) << t0 << " " << t1;
    EXPECT_EQ(c.lagging, lagging) << t0 << " " << t1;
    EXPECT_NEAR(c.skew, std::abs(t0 - t1), 1e-12);
  }
  EXPECT_TRUE(checkPair(10.0, 10.030, k30, k15).matched);
  EXPECT_TRUE(checkPair(10.030, 10.0, k15, k30).matched);
}

// Catches: an average (a lost frame or a late look would stretch the period
// and loosen the limit), learning from a stall or from out-of-order times,
// and never letting go of a rate the camera left.
TEST(PairMatch, PeriodIsTheShortestRecentStepOrTheRequestedRate) {
  FramePeriod p(k30);
  EXPECT_DOUBLE_EQ(p.seconds(), k30);
  p.observe(1.0, 1.0 + k15);  // the camera runs at 15 fps
  EXPECT_NEAR(p.seconds(), k15, 1e-9);
  p.observe(2.0, 2.0 + 2 * k15);  // a frame lost in between
  p.observe(3.0, 3.0);
  p.observe(4.0, 3.9);
  p.observe(5.0, 6.5);  // a stall
  EXPECT_NEAR(p.seconds(), k15, 1e-9);
  for (int i = 0; i < 8; ++i) p.observe(7.0 + i, 7.0 + i + 0.2);  // now at 5 fps
  EXPECT_NEAR(p.seconds(), 0.2, 1e-9);
}

// Catches: a signed skew, rounding other than to one decimal, and a number
// made up for a camera that gave no frame.
TEST(PairMatch, SkewTextInMillisecondsOrWhichCameraGaveNoFrame) {
  EXPECT_EQ(pairSkewText(100.0, 100.00321), "pair-skew-ms=3.2");
  EXPECT_EQ(pairSkewText(100.01679, 100.0), "pair-skew-ms=16.8");
  EXPECT_EQ(pairSkewText(5.0, 5.0), "pair-skew-ms=0.0");
  EXPECT_EQ(pairSkewText(5.0, std::nullopt), "pair-skew-ms=none (no frame from camera 1)");
  EXPECT_EQ(pairSkewText(std::nullopt, 5.0), "pair-skew-ms=none (no frame from camera 0)");
  EXPECT_EQ(pairSkewText(std::nullopt, std::nullopt), "pair-skew-ms=none (no frames from cameras 0 and 1)");
}

// Catches: a comment before JFIF's APP0 (strict readers then refuse the
// file), a wrong length field (decoders lose their way), and writing into
// bytes that are not a JPEG or whose markers run past the end.
TEST(PairMatch, CommentGoesAfterTheApplicationMarkers) {
  using Bytes = rozoru::imageio::Bytes;
  // SOI, APP0 "JFIF", APP1, then DQT and EOI.
  const Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0, 6, 'J', 'F', 'I', 'F', 0xFF, 0xE1, 0, 3, 7,
                      0xFF, 0xDB, 0, 3, 1, 0xFF, 0xD9};
  const Bytes want = {0xFF, 0xD8, 0xFF, 0xE0, 0, 6, 'J', 'F', 'I', 'F', 0xFF, 0xE1, 0, 3, 7,
                      0xFF, 0xFE, 0, 5, 'a', '=', '1', 0xFF, 0xDB, 0, 3, 1, 0xFF, 0xD9};
  EXPECT_EQ(withJpegComment(jpeg, "a=1"), want);

  EXPECT_FALSE(withJpegComment(Bytes{0x89, 'P', 'N', 'G', 0, 0}, "a=1"));
  EXPECT_FALSE(withJpegComment(Bytes(jpeg.begin(), jpeg.begin() + 7), "a=1"));  // APP0 cut short
  EXPECT_FALSE(withJpegComment(jpeg, std::string(65534, 'x')));
  EXPECT_TRUE(withJpegComment(jpeg, std::string(65533, 'x')));
}

}  // namespace
}  // namespace stereo
