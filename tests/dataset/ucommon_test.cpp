// WaitPumping keeps the user interface alive while it waits, and waits by
// sleeping in the interface's wait for messages, never by polling.
#include "engine/dataset/ucommon.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>

#include "platform/ui_hooks.h"
#include "tests/support/manual_clock.h"

namespace {

using std::chrono::milliseconds;

// Messages arrive every `every` ms (none when unset); the application
// starts to end after `terminate_after` pumps (never when unset).
class ScriptedUi : public platform::UiHooks {
 public:
  ScriptedUi(qptest::ManualClock& clock, std::optional<uint32_t> every,
             std::optional<int> terminate_after)
      : clock_(clock), every_(every), terminate_after_(terminate_after) {}
  void ProcessMessages() override { ++pumps; }
  bool Terminating() override { return terminate_after_ && pumps >= *terminate_after_; }
  void WaitForMessages(uint32_t ms) override {
    if (!every_) return UiHooks::WaitForMessages(ms);
    clock_.Sleep(milliseconds(std::min(ms, *every_)));
  }
  int pumps = 0;

 private:
  qptest::ManualClock& clock_;
  std::optional<uint32_t> every_;
  std::optional<int> terminate_after_;
};

struct WaitCase {
  std::string name;
  uint32_t wait_ms;
  std::optional<uint32_t> message_every_ms;
  std::optional<int> terminate_after_pumps;
  int pumps;
  int slept_ms;
};

const WaitCase kWaits[] = {
    {"no messages: one pump, then asleep to the deadline", 500, {}, {}, 1, 500},
    {"each message wakes it to pump, then it sleeps on", 500, 200, {}, 3, 500},
    {"an ending application stops the wait at once", 500, 200, 1, 1, 0},
    {"a zero wait neither pumps nor sleeps", 0, {}, {}, 0, 0},
};

TEST(WaitPumping, SleepsBetweenMessagesUntilTheDeadlineWithoutPolling) {
  for (const WaitCase& c : kWaits) {
    SCOPED_TRACE(c.name);
    qptest::ManualClock clock;
    ScriptedUi ui(clock, c.message_every_ms, c.terminate_after_pumps);
    platform::SetUiHooks(&ui);
    xb::WaitPumping(c.wait_ms);
    platform::SetUiHooks(nullptr);
    EXPECT_EQ(ui.pumps, c.pumps);
    EXPECT_EQ(clock.Slept(), milliseconds(c.slept_ms));
  }
}

}  // namespace
