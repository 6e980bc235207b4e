// A note is stored soon after the last change, once, and at once when it
// loses focus.
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "app/model/Autosave.h"

namespace qp {
namespace {

TEST(Autosave, StoresOnceAfterTheLastChange) {
  Autosave autosave(nullptr, 60);
  QSignalSpy stores(&autosave, &Autosave::storeNow);
  autosave.changed();
  QTest::qWait(30);
  autosave.changed();  // restarts the wait
  QTest::qWait(40);
  EXPECT_EQ(stores.count(), 0);
  EXPECT_TRUE(stores.wait(500));
  EXPECT_EQ(stores.count(), 1);
  EXPECT_FALSE(autosave.pending());
  QTest::qWait(100);
  EXPECT_EQ(stores.count(), 1);
}

TEST(Autosave, FocusLeavingStoresAtOnceAndOnlyWhatIsPending) {
  Autosave autosave(nullptr, 10000);
  QSignalSpy stores(&autosave, &Autosave::storeNow);
  autosave.flush();
  EXPECT_EQ(stores.count(), 0);
  autosave.changed();
  autosave.flush();
  EXPECT_EQ(stores.count(), 1);
  autosave.changed();
  autosave.clear();  // stored by a hide or a shutdown instead
  autosave.flush();
  EXPECT_EQ(stores.count(), 1);
}

TEST(Autosave, ARefusedStoreIsTriedAgain) {
  Autosave autosave(nullptr, 20);
  QSignalSpy stores(&autosave, &Autosave::storeNow);
  autosave.retry();
  EXPECT_TRUE(autosave.pending());
  EXPECT_TRUE(stores.wait(500));
}

}  // namespace
}  // namespace qp
