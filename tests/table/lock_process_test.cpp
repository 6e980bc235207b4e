// Locks held by another process, or by a second open of the same table in
// this process, refuse ours; the retry loop tries exactly retry count + 1
// times and keeps the user interface alive while it waits.
#include <tuple>

#include "platform/ui_hooks.h"
#include "tests/support/file_holder.h"
#include "tests/support/manual_clock.h"
#include "tests/table/area_fixture.h"

namespace qptest {
namespace {

using xb::ErrorCode;

// Counts the Lock calls that reach files opened through it.
class CountingFiles : public platform::FileSystemWrapper {
 public:
  CountingFiles() : FileSystemWrapper(platform::Files()) {}
  int lock_calls = 0;

  int Open(const std::string& p, int m, std::unique_ptr<platform::File>& out) override {
    std::unique_ptr<platform::File> real;
    int rc = target_.Open(p, m, real);
    if (rc == 0) out = std::make_unique<Counting>(std::move(real), lock_calls);
    return rc;
  }

 private:
  class Counting : public platform::FileWrapper {
   public:
    Counting(std::unique_ptr<platform::File> f, int& calls) : FileWrapper(std::move(f)), calls_(calls) {}
    int Lock(uint64_t o, uint64_t l) override {
      ++calls_;
      return FileWrapper::Lock(o, l);
    }

   private:
    int& calls_;
  };
};

class CountingUi : public platform::UiHooks {
 public:
  int pumped = 0;
  int terminate_after = -1;
  void ProcessMessages() override { ++pumped; }
  bool Terminating() override { return terminate_after >= 0 && pumped >= terminate_after; }
};

class LockProcessTest : public AreaTest {
 protected:
  void SetUp() override {
    AreaTest::SetUp();
    path_ = MakePeople(NamedRows(6));
    file_ = scratch_.Path("PEOPLE.DBF");
  }
  void TearDown() override {
    platform::SetUiHooks(nullptr);
    AreaTest::TearDown();
  }
  static uint64_t RecordRegion(int n) { return 0x40000000ULL + 193 + (n - 1) * 31ULL; }

  std::string path_;
  std::string file_;
};

// Which lock the other side holds and how we ask for the same one.
struct Contest {
  std::string name;
  uint64_t offset;
  uint64_t length;
  bool (*ask)();
};

const Contest kContests[] = {
    {"record 5", 0x40000000ULL + 193 + 4 * 31ULL, 31, [] {
       xb::Go(5);
       return xb::RLock();
     }},
    {"append lock", 0x40000001ULL, 1, [] { return xb::ALock(); }},
    {"table byte", 0x40000000ULL, 1, [] { return xb::LockTableByte(); }},
};

TEST_F(LockProcessTest, ALockHeldByAnotherProcessIsRefusedAfterExactlyRetryCountPlusOneAttempts) {
  for (const Contest& c : kContests) {
    for (int retries : {0, 3}) {
      SCOPED_TRACE(c.name + ", retries " + std::to_string(retries));
      FileHolder holder(file_, 0x42, c.offset, c.length);
      ASSERT_EQ(holder.result(), 0);
      CountingFiles files;
      platform::SetFiles(&files);
      xb::Switches().retry_count = retries;
      ASSERT_TRUE(xb::Use(path_));
      files.lock_calls = 0;
      EXPECT_FALSE(c.ask());
      EXPECT_EQ(files.lock_calls, retries + 1);
      EXPECT_EQ(ErrorCode(), 0);  // a refusal is not an error
      xb::CloseArea();
      platform::SetFiles(nullptr);
      holder.Release();
      // Once the holder is gone the same request succeeds.
      ASSERT_TRUE(xb::Use(path_));
      EXPECT_TRUE(c.ask());
      xb::CloseArea();
    }
  }
}

TEST_F(LockProcessTest, ASecondOpenOfTheTableInThisProcessConflictsLikeAnotherProcess) {
  xb::Select(1);
  ASSERT_TRUE(xb::Use(path_ + " ALIAS FIRST"));
  xb::Select(2);
  ASSERT_TRUE(xb::Use(path_ + " ALIAS SECOND"));
  for (const Contest& c : kContests) {
    SCOPED_TRACE(c.name);
    xb::Select(1);
    ASSERT_TRUE(c.ask());
    xb::Select(2);
    EXPECT_FALSE(c.ask());
    xb::Select(1);
    if (c.offset == 0x40000000ULL) xb::UnlockTableByte(); else xb::Unlock();
    xb::Select(2);
    EXPECT_TRUE(c.ask());
    if (c.offset == 0x40000000ULL) xb::UnlockTableByte(); else xb::Unlock();
  }
}

TEST_F(LockProcessTest, OurLocksRefuseAnotherProcess) {
  ASSERT_TRUE(xb::Use(path_));
  xb::Go(2);
  ASSERT_TRUE(xb::RLock());
  FileHolder record_two(file_, 0x42, RecordRegion(2), 31);
  EXPECT_EQ(record_two.result(), 33);
  FileHolder record_three(file_, 0x42, RecordRegion(3), 31);
  EXPECT_EQ(record_three.result(), 0);
  xb::Unlock();
  FileHolder again(file_, 0x42, RecordRegion(2), 31);
  EXPECT_EQ(again.result(), 0);
}

TEST_F(LockProcessTest, AHolderKilledWithSigkillReleasesItsLocks) {
  FileHolder holder(file_, 0x42, RecordRegion(1), 31);
  ASSERT_EQ(holder.result(), 0);
  ASSERT_TRUE(xb::Use(path_));
  EXPECT_FALSE(xb::RLock());
  holder.Kill();
  EXPECT_TRUE(xb::RLock());
}

TEST_F(LockProcessTest, WaitingBetweenRetriesPumpsMessagesUntilTheSecondsHavePassed) {
  FileHolder holder(file_, 0x42, 0x40000001ULL, 1);
  ManualClock clock;
  clock.StepOnEveryTick(std::chrono::milliseconds(400));
  CountingUi ui;
  platform::SetUiHooks(&ui);
  xb::Switches().retry_count = 2;
  xb::Switches().retry_wait_seconds = 1;
  ASSERT_TRUE(xb::Use(path_));
  EXPECT_FALSE(xb::ALock());
  // Each wait: ticks 400, 800, 1200 ms after the start -> three pumps.
  EXPECT_EQ(ui.pumped, 6);
}

TEST_F(LockProcessTest, WaitingStopsAsSoonAsTheApplicationIsEnding) {
  FileHolder holder(file_, 0x42, 0x40000001ULL, 1);
  ManualClock clock;
  clock.StepOnEveryTick(std::chrono::milliseconds(400));
  CountingUi ui;
  ui.terminate_after = 1;
  platform::SetUiHooks(&ui);
  xb::Switches().retry_count = 2;
  xb::Switches().retry_wait_seconds = 3600;
  ASSERT_TRUE(xb::Use(path_));
  EXPECT_FALSE(xb::ALock());
  EXPECT_EQ(ui.pumped, 2);  // one pump per wait, then it gives up waiting
}

}  // namespace
}  // namespace qptest
