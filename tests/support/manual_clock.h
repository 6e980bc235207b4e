#pragma once
// ManualClock puts itself in force as platform::CurrentClock() for its
// lifetime and tells the time the test sets, so nothing depends on the real
// date or on how fast the machine runs. Time only moves when the test moves
// it (Advance), when the code under test sleeps (Sleep returns at once,
// the clock having moved by the time slept), or, for code that waits until
// a tick count is reached, by a fixed step on every reading
// (StepOnEveryTick). The tick count and the local time move together.
#include <chrono>
#include <cstdint>

#include "platform/clock.h"

namespace qptest {

class ManualClock : public platform::Clock {
 public:
  // Starts at noon of `today`, far from a change of date.
  explicit ManualClock(platform::CivilDate today = {2026, 1, 2}, uint32_t tick = 0);
  ~ManualClock() override;  // puts the previous clock back
  ManualClock(const ManualClock&) = delete;
  ManualClock& operator=(const ManualClock&) = delete;

  // Keeps the time of day.
  void SetToday(platform::CivilDate today);
  void SetTimeOfDay(platform::CivilTime time);
  void Advance(std::chrono::milliseconds duration);
  // Every TickCount call first moves the clock by `duration`, so a loop
  // that waits for a deadline by reading the tick ends after a known number
  // of rounds.
  void StepOnEveryTick(std::chrono::milliseconds duration) { step_ = duration; }
  // All the time the code under test has slept.
  std::chrono::microseconds Slept() const { return slept_; }

  uint32_t TickCount() override;
  platform::LocalDateTime Now() override;
  void Sleep(std::chrono::microseconds duration) override;

 private:
  using Moment = std::chrono::time_point<std::chrono::system_clock, std::chrono::microseconds>;
  void Move(std::chrono::microseconds duration);

  platform::Clock& previous_;
  Moment local_;  // the local date and time, counted as if it were UTC
  std::chrono::microseconds since_tick_zero_;
  std::chrono::milliseconds step_{0};
  std::chrono::microseconds slept_{0};
};

}  // namespace qptest
