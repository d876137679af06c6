// Percentages of a control's range and back.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "camera/controls.h"

namespace ryk {
namespace {

TEST(Percent, ValueForTruncatesTowardZeroThenLimits) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  struct Case {
    double percent;
    std::int32_t lo, hi, want;
  };
  const Case cases[] = {
      {50.0, -11, -2, -6},  // (-2 - -11) * 0.5 + -11 = -6.5, truncated toward zero
      {100.0, -11, -2, -2}, {0.0, -11, -2, -11}, {-1.0, -11, -2, -11}, {150.0, -11, -2, -2},
      {33.3, 3, 2047, 683},  // 3 + 2044 * 0.333 = 683.652, truncated down
      {99.99, -11, -2, -2}, {0.01, 1, 5, 1},  // truncation never leaves the range near its ends
      {nan, 0, 10, 0}, {1e300, -5, 5, 5}, {-1e300, -5, 5, -5}, {inf, 0, 10, 10},
      {100.0, INT32_MIN, INT32_MAX, INT32_MAX}, {0.0, INT32_MIN, INT32_MAX, INT32_MIN},  // no overflow of the difference
      {50.0, 7, 7, 7},
  };
  for (const Case& c : cases) EXPECT_EQ(valueFor(c.percent, c.lo, c.hi), c.want) << c.percent << " of " << c.lo << ".." << c.hi;
}

TEST(Percent, PercentOfRangeEnds) {
  EXPECT_DOUBLE_EQ(percentOf(-11, -11, -2), 0.0);
  EXPECT_DOUBLE_EQ(percentOf(-2, -11, -2), 100.0);
  EXPECT_DOUBLE_EQ(percentOf(-6, -11, -2), 500.0 / 9.0);
  EXPECT_DOUBLE_EQ(percentOf(INT32_MAX, INT32_MIN, INT32_MAX), 100.0);
  EXPECT_DOUBLE_EQ(percentOf(7, 7, 7), 0.0);  // an empty range answers without dividing by zero
}

}  // namespace
}  // namespace ryk
