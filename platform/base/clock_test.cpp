#include "platform/base/clock.h"

#include <gtest/gtest.h>

namespace qvplatform {
namespace {

TEST(ClockTest, ScalesPositivePeriodsAndKeepsSpecialValues) {
  SetTimeScaleForTesting(0.01);
  EXPECT_EQ(ScaledMs(1000), 10);
  EXPECT_EQ(ScaledMs(150), 1);  // 1.5 truncates to 1
  EXPECT_EQ(ScaledMs(10), 1);   // never below 1 ms: not "poll once"
  EXPECT_EQ(ScaledMs(0), 0);
  EXPECT_EQ(ScaledMs(-1), -1);
  SetTimeScaleForTesting(1.0);
  EXPECT_EQ(ScaledMs(4000), 4000);
}

TEST(ClockTest, RejectsNonsenseScale) {
  SetTimeScaleForTesting(1.0);
  SetTimeScaleForTesting(-3.0);
  SetTimeScaleForTesting(0.0);
  EXPECT_EQ(TimeScale(), 1.0);
}

}  // namespace
}  // namespace qvplatform
