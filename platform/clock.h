#pragma once
// Time for the engine: a millisecond tick counter (wraps like GetTickCount)
// and today's local date. Tests replace the clock to make both predictable.
#include <cstdint>

namespace platform {

struct CivilDate {
  int year = 1970;
  int month = 1;
  int day = 1;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint32_t TickCount() = 0;
  virtual CivilDate Today() = 0;
};

Clock& SystemClock();
// The clock in force; SetClock(nullptr) restores the system clock.
Clock& CurrentClock();
void SetClock(Clock* clock);

// The local calendar date of a moment given in seconds since 1970 UTC
// (a file's time stamp), in the process's time zone.
CivilDate LocalDate(int64_t unix_seconds);

inline uint32_t TickCount() { return CurrentClock().TickCount(); }
inline CivilDate Today() { return CurrentClock().Today(); }

}  // namespace platform
