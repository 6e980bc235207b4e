// The engine's waits keep the program's windows and timers alive, and its
// messages for the user reach the program rather than standard error.
#include <gtest/gtest.h>

#include <QTimer>

#include "app/model/EngineUiHooks.h"
#include "engine/dataset/ucommon.h"

namespace qp {
namespace {

TEST(EngineUiHooksTest, AnEngineWaitRunsTheProgramsTimersAndEndsWhenTheProgramEnds) {
  bool ending = false;
  EngineUiHooks hooks(nullptr, [&] { return ending; });
  hooks.install();
  QTimer::singleShot(0, [&] { ending = true; });
  // Without pumping, the timer could not fire and the wait would run its
  // whole length; with it, the program's end cuts the wait short.
  xb::WaitPumping(60000);
  EXPECT_TRUE(ending);
}

TEST(EngineUiHooksTest, EngineMessagesGoToTheProgramOnlyWhileInstalled) {
  QStringList shown;
  {
    EngineUiHooks hooks([&](const QString& caption, const QString& text) { shown << caption + ": " + text; },
                        nullptr);
    hooks.install();
    xb::ShowDatasetMessage("Index rebuilt");
  }
  xb::ShowDatasetMessage("after the program's hooks are gone");
  EXPECT_EQ(shown, QStringList{"Quillpad: Index rebuilt"});
}

}  // namespace
}  // namespace qp
