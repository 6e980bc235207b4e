// The system clock: its date agrees with the one file time stamps are read
// in, and Sleep really lets the tick count move on.
#include "platform/clock.h"

#include <gtest/gtest.h>

#include <ctime>

#include "tests/support/manual_clock.h"

namespace {

bool Same(platform::CivilDate a, platform::CivilDate b) {
  return a.year == b.year && a.month == b.month && a.day == b.day;
}

TEST(SystemClock, NowIsTheLocalDateAndATimeOfDay) {
  platform::Clock& clock = platform::SystemClock();
  const platform::CivilDate before = platform::LocalDate(std::time(nullptr));
  const platform::LocalDateTime now = clock.Now();
  const platform::CivilDate after = platform::LocalDate(std::time(nullptr));
  EXPECT_TRUE(Same(now.date, before) || Same(now.date, after));
  EXPECT_GE(now.time.hour, 0);
  EXPECT_LT(now.time.hour, 24);
  EXPECT_LT(now.time.minute, 60);
  EXPECT_LE(now.time.second, 60);  // 60 in a leap second
  EXPECT_LT(now.time.millisecond, 1000);
}

TEST(SystemClock, SleepLetsAtLeastThatMuchTickTimePass) {
  platform::Clock& clock = platform::SystemClock();
  const uint32_t start = clock.TickCount();
  clock.Sleep(std::chrono::milliseconds(20));
  EXPECT_GE(clock.TickCount() - start, 19u);  // the tick is whole milliseconds
}

TEST(ManualClock, TimeOfDayDateAndTickMoveTogetherAndSleepDoesNotBlock) {
  qptest::ManualClock clock({2024, 2, 28}, 5000);
  EXPECT_EQ(&platform::CurrentClock(), &clock);
  clock.SetTimeOfDay({23, 59, 59, 500});
  platform::Sleep(std::chrono::hours(24));  // returns at once
  clock.Advance(std::chrono::milliseconds(600));
  const platform::LocalDateTime now = platform::Now();
  EXPECT_TRUE(Same(now.date, {2024, 3, 1})) << "through the leap day";
  EXPECT_EQ(now.time.hour, 0);
  EXPECT_EQ(now.time.second, 0);
  EXPECT_EQ(now.time.millisecond, 100);
  EXPECT_EQ(platform::TickCount(), 5000u + 86'400'000u + 600u);
  EXPECT_EQ(clock.Slept(), std::chrono::hours(24));
}

}  // namespace
