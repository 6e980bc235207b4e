#include "platform/clock.h"

#include <ctime>
#include <thread>

namespace platform {
namespace {

class RealClock : public Clock {
 public:
  uint32_t TickCount() override {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  }
  LocalDateTime Now() override {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm local{};
    localtime_r(&now.tv_sec, &local);
    return {{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday},
            {local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(now.tv_nsec / 1'000'000)}};
  }
  void Sleep(std::chrono::microseconds duration) override { std::this_thread::sleep_for(duration); }
};

Clock* g_clock = nullptr;

}  // namespace

CivilDate LocalDate(int64_t unix_seconds) {
  std::time_t t = static_cast<std::time_t>(unix_seconds);
  std::tm local{};
  localtime_r(&t, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

Clock& SystemClock() {
  static RealClock clock;
  return clock;
}

Clock& CurrentClock() { return g_clock ? *g_clock : SystemClock(); }

void SetClock(Clock* clock) { g_clock = clock; }

}  // namespace platform
