#pragma once
// Time for the engine and the program: a millisecond tick counter (wraps
// like GetTickCount), the local date and time of day, and sleeping. Tests
// replace the clock to make all three predictable, and to let waits end at
// once: a test clock's Sleep moves its time instead of blocking.
#include <chrono>
#include <cstdint>

namespace platform {

struct CivilDate {
  int year = 1970;
  int month = 1;
  int day = 1;
};

struct CivilTime {
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

struct LocalDateTime {
  CivilDate date;
  CivilTime time;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint32_t TickCount() = 0;
  // The local date and time of day, read as one, so that a reading taken
  // at midnight never pairs one day's date with the next day's time.
  virtual LocalDateTime Now() = 0;
  // Blocks the calling thread for about `duration`, using no processor.
  virtual void Sleep(std::chrono::microseconds duration) = 0;
};

Clock& SystemClock();
// The clock in force; SetClock(nullptr) restores the system clock.
Clock& CurrentClock();
void SetClock(Clock* clock);

// The local calendar date of a moment given in seconds since 1970 UTC
// (a file's time stamp), in the process's time zone.
CivilDate LocalDate(int64_t unix_seconds);

inline uint32_t TickCount() { return CurrentClock().TickCount(); }
inline LocalDateTime Now() { return CurrentClock().Now(); }
inline CivilDate Today() { return CurrentClock().Now().date; }
inline CivilTime TimeOfDay() { return CurrentClock().Now().time; }
inline void Sleep(std::chrono::microseconds duration) { CurrentClock().Sleep(duration); }

}  // namespace platform
