#pragma once
// ManualClock puts itself in force as platform::CurrentClock() for its
// lifetime and tells the time the test sets, so nothing depends on the real
// date or on how fast the machine runs. Time only moves when the test moves
// it (Advance), or, for code that waits until a tick count is reached, by a
// fixed step on every reading (StepOnEveryTick).
#include <cstdint>

#include "platform/clock.h"

namespace qptest {

class ManualClock : public platform::Clock {
 public:
  explicit ManualClock(platform::CivilDate today = {2026, 1, 2}, uint32_t tick = 0);
  ~ManualClock() override;  // puts the previous clock back
  ManualClock(const ManualClock&) = delete;
  ManualClock& operator=(const ManualClock&) = delete;

  void SetToday(platform::CivilDate today) { today_ = today; }
  void Advance(uint32_t milliseconds) { tick_ += milliseconds; }
  // Every TickCount call first moves the clock by `milliseconds`, so a loop
  // that waits for a deadline by reading the tick ends after a known number
  // of rounds.
  void StepOnEveryTick(uint32_t milliseconds) { step_ = milliseconds; }

  uint32_t TickCount() override { return tick_ += step_; }
  platform::CivilDate Today() override { return today_; }

 private:
  platform::Clock& previous_;
  platform::CivilDate today_;
  uint32_t tick_;
  uint32_t step_ = 0;
};

}  // namespace qptest
