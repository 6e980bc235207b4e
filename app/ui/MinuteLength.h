#pragma once
// How long a minute lasts for the program's minute timers: the check
// timer, and an alarm's replay and snooze. Sixty seconds, except under the
// end-to-end test, which sets QUILLPAD_TEST_MINUTE_MS (a test seam, not a
// setting: 100 ms or more) so that a snooze of one minute passes in a
// second and the checks come every second. Dates and times of day always
// come from the real clock.
#include <QtGlobal>
#include <algorithm>
#include <limits>

namespace qp {

inline int MinuteMs() {
  static const int ms = [] {
    bool ok = false;
    const int value = qEnvironmentVariableIntValue("QUILLPAD_TEST_MINUTE_MS", &ok);
    return ok && value >= 100 ? value : 60000;
  }();
  return ms;
}

// A timer interval of `minutes` minutes, held within what a timer takes: a
// value from Config.cfg too large for it waits as long as a timer can.
inline int MinutesMs(int minutes) {
  const qint64 ms = static_cast<qint64>(std::max(0, minutes)) * MinuteMs();
  return static_cast<int>(std::min<qint64>(ms, std::numeric_limits<int>::max()));
}

}  // namespace qp
