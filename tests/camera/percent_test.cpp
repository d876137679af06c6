// Percentages of a control's range and back.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "camera/controls.h"

namespace ryk {
namespace {

TEST(Percent, ValueForTruncatesTowardZeroThenLimits) {
  // (-2 - -11) * 0.5 + -11 = -6.5, truncated toward zero.
  EXPECT_EQ(valueFor(50.0, -11, -2), -6);
  EXPECT_EQ(valueFor(100.0, -11, -2), -2);
  EXPECT_EQ(valueFor(0.0, -11, -2), -11);
  EXPECT_EQ(valueFor(-1.0, -11, -2), -11);
  EXPECT_EQ(valueFor(150.0, -11, -2), -2);
  // Positive ranges truncate down: 3 + 2044 * 0.333 = 683.652.
  EXPECT_EQ(valueFor(33.3, 3, 2047), 683);
  // Truncation never leaves the range near its ends.
  EXPECT_EQ(valueFor(99.99, -11, -2), -2);
  EXPECT_EQ(valueFor(0.01, 1, 5), 1);
}

TEST(Percent, HostileNumbersStayInRange) {
  EXPECT_EQ(valueFor(std::numeric_limits<double>::quiet_NaN(), 0, 10), 0);
  EXPECT_EQ(valueFor(1e300, -5, 5), 5);
  EXPECT_EQ(valueFor(-1e300, -5, 5), -5);
  EXPECT_EQ(valueFor(std::numeric_limits<double>::infinity(), 0, 10), 10);
  // The widest int32 range does not overflow the difference.
  EXPECT_EQ(valueFor(100.0, INT32_MIN, INT32_MAX), INT32_MAX);
  EXPECT_EQ(valueFor(0.0, INT32_MIN, INT32_MAX), INT32_MIN);
  EXPECT_DOUBLE_EQ(percentOf(INT32_MAX, INT32_MIN, INT32_MAX), 100.0);
}

TEST(Percent, PercentOfRangeEnds) {
  EXPECT_DOUBLE_EQ(percentOf(-11, -11, -2), 0.0);
  EXPECT_DOUBLE_EQ(percentOf(-2, -11, -2), 100.0);
  EXPECT_DOUBLE_EQ(percentOf(-6, -11, -2), 500.0 / 9.0);
  // An empty range answers without dividing by zero.
  EXPECT_DOUBLE_EQ(percentOf(7, 7, 7), 0.0);
  EXPECT_EQ(valueFor(50.0, 7, 7), 7);
}

}  // namespace
}  // namespace ryk
