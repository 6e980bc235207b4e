#include "tests/support/manual_clock.h"

namespace qptest {

ManualClock::ManualClock(platform::CivilDate today, uint32_t tick)
    : previous_(platform::CurrentClock()), today_(today), tick_(tick) {
  platform::SetClock(this);
}

ManualClock::~ManualClock() { platform::SetClock(&previous_); }

}  // namespace qptest
