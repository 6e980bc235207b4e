#include "tests/support/manual_clock.h"

namespace qptest {

using namespace std::chrono;

namespace {

sys_days Days(platform::CivilDate date) {
  return sys_days(year(date.year) / month(static_cast<unsigned>(date.month)) /
                  day(static_cast<unsigned>(date.day)));
}

}  // namespace

ManualClock::ManualClock(platform::CivilDate today, uint32_t tick)
    : previous_(platform::CurrentClock()),
      local_(Days(today) + hours(12)),
      since_tick_zero_(milliseconds(tick)) {
  platform::SetClock(this);
}

ManualClock::~ManualClock() { platform::SetClock(&previous_); }

void ManualClock::SetToday(platform::CivilDate today) {
  local_ = Days(today) + (local_ - floor<days>(local_));
}

void ManualClock::SetTimeOfDay(platform::CivilTime time) {
  local_ = floor<days>(local_) + hours(time.hour) + minutes(time.minute) + seconds(time.second) +
           milliseconds(time.millisecond);
}

void ManualClock::Advance(milliseconds duration) { Move(duration); }

void ManualClock::Move(microseconds duration) {
  local_ += duration;
  since_tick_zero_ += duration;
}

uint32_t ManualClock::TickCount() {
  Move(step_);
  return static_cast<uint32_t>(duration_cast<milliseconds>(since_tick_zero_).count());
}

platform::LocalDateTime ManualClock::Now() {
  const sys_days date = floor<days>(local_);
  const year_month_day ymd(date);
  const hh_mm_ss<microseconds> time(local_ - date);
  return {{static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
           static_cast<int>(static_cast<unsigned>(ymd.day()))},
          {static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
           static_cast<int>(time.seconds().count()),
           static_cast<int>(duration_cast<milliseconds>(time.subseconds()).count())}};
}

void ManualClock::Sleep(microseconds duration) {
  slept_ += duration;
  Move(duration);
}

}  // namespace qptest
