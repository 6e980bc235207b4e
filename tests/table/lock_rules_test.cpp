// Record, append and table locks within one process: which requests
// succeed, which regions reach the file, and how locks are released.
#include <tuple>

#include "tests/table/area_fixture.h"

namespace qptest {
namespace {

using xb::ErrorCode;
using xb::ErrorText;

struct LockCall {
  bool lock;
  uint64_t offset;
  uint64_t length;
  bool operator==(const LockCall&) const = default;
};

// Records every Lock and Unlock call that reaches a file opened through it.
class RecordingFiles : public platform::FileSystemWrapper {
 public:
  RecordingFiles() : FileSystemWrapper(platform::Files()) {}
  std::vector<LockCall> calls;

  int Open(const std::string& p, int m, std::unique_ptr<platform::File>& out) override {
    std::unique_ptr<platform::File> real;
    int rc = target_.Open(p, m, real);
    if (rc == 0) out = std::make_unique<Recording>(std::move(real), calls);
    return rc;
  }

 private:
  class Recording : public platform::FileWrapper {
   public:
    Recording(std::unique_ptr<platform::File> f, std::vector<LockCall>& calls)
        : FileWrapper(std::move(f)), calls_(calls) {}
    int Lock(uint64_t o, uint64_t l) override {
      calls_.push_back({true, o, l});
      return FileWrapper::Lock(o, l);
    }
    int Unlock(uint64_t o, uint64_t l) override {
      calls_.push_back({false, o, l});
      return FileWrapper::Unlock(o, l);
    }

   private:
    std::vector<LockCall>& calls_;
  };
};

class LockRulesTest : public AreaTest {
 protected:
  void SetUp() override {
    AreaTest::SetUp();
    path_ = MakePeople(NamedRows(8));
    platform::SetFiles(&files_);
  }
  // PeopleFields: header 32 + 5 * 32 + 1 = 193 bytes, records 31 bytes.
  static uint64_t RecordRegion(int n) { return 0x40000000ULL + 193 + (n - 1) * 31ULL; }

  std::string path_;
  RecordingFiles files_;
};

TEST_F(LockRulesTest, RecordLockRegionsStartAtTheLockBasePlusTheHeaderLength) {
  const std::string path = MakeTable("two", {Fd("A", 'C', 4), Fd("B", 'C', 5)}, NamedRows(2));
  ASSERT_TRUE(xb::Use(path));
  ASSERT_EQ(xb::CurrentArea()->dbf.header_length, 97);
  files_.calls.clear();
  ASSERT_TRUE(xb::RLock());
  ASSERT_EQ(files_.calls.size(), 1u);
  EXPECT_EQ(files_.calls[0], (LockCall{true, 0x40000061, 10}));
  xb::Go(2);
  ASSERT_TRUE(xb::RLock());
  EXPECT_EQ(files_.calls[1], (LockCall{true, 0x40000061 + 10, 10}));
}

TEST_F(LockRulesTest, AppendAndTableLocksUseTheTwoBytesAtTheLockBase) {
  ASSERT_TRUE(xb::Use(path_));
  files_.calls.clear();
  ASSERT_TRUE(xb::ALock());
  ASSERT_TRUE(xb::ALock());  // already held: no second call
  xb::Unlock();
  ASSERT_TRUE(xb::LockTableByte());
  xb::UnlockTableByte();
  const std::vector<LockCall> expected = {{true, 0x40000001, 1}, {false, 0x40000001, 1},
                                          {true, 0x40000000, 1}, {false, 0x40000000, 1}};
  EXPECT_EQ(files_.calls, expected);
  EXPECT_EQ(xb::CurrentArea()->lock_state, xb::LockState::kNone);
}

TEST_F(LockRulesTest, WithNetworkModeOffEveryLockSucceedsWithoutTouchingTheFile) {
  xb::Switches().network_mode = false;
  ASSERT_TRUE(xb::Use(path_));
  files_.calls.clear();
  EXPECT_TRUE(xb::RLock());
  xb::Unlock();
  EXPECT_TRUE(xb::ALock());
  xb::Unlock();
  EXPECT_TRUE(xb::LockTableByte());
  xb::UnlockTableByte();
  EXPECT_TRUE(files_.calls.empty());
}

TEST_F(LockRulesTest, AnExclusiveTableTakesNoRealLocks) {
  ASSERT_TRUE(xb::Use(path_ + " EXCLUSIVE"));
  files_.calls.clear();
  EXPECT_TRUE(xb::RLock());
  EXPECT_TRUE(xb::IsLocked(1));
  xb::Unlock();
  EXPECT_TRUE(xb::ALock());
  xb::Unlock();
  EXPECT_TRUE(files_.calls.empty());
}

TEST_F(LockRulesTest, LockingTheSameRecordTwiceKeepsOneNode) {
  ASSERT_TRUE(xb::Use(path_));
  EXPECT_TRUE(xb::RLock());
  EXPECT_TRUE(xb::RLock());
  const xb::WorkArea& area = *xb::CurrentArea();
  EXPECT_EQ(std::distance(area.record_locks.begin(), area.record_locks.end()), 1);
  EXPECT_EQ(area.locked_count, 1);
}

TEST_F(LockRulesTest, UnlockReleasesEveryRecordRegionAndEmptiesTheList) {
  ASSERT_TRUE(xb::Use(path_));
  xb::Go(3);
  ASSERT_TRUE(xb::RLock());
  xb::Go(7);
  ASSERT_TRUE(xb::RLock());
  EXPECT_TRUE(xb::IsLocked(3));
  EXPECT_TRUE(xb::IsLocked(7));
  files_.calls.clear();
  xb::Unlock();
  EXPECT_EQ(files_.calls, (std::vector<LockCall>{{false, RecordRegion(7), 31}, {false, RecordRegion(3), 31}}));
  EXPECT_TRUE(xb::CurrentArea()->record_locks.empty());
  EXPECT_EQ(xb::CurrentArea()->lock_state, xb::LockState::kNone);
  EXPECT_FALSE(xb::IsLocked(3));
}

TEST_F(LockRulesTest, AppendAndRecordLocksDoNotMix) {
  ASSERT_TRUE(xb::Use(path_));
  ASSERT_TRUE(xb::ALock());
  EXPECT_FALSE(xb::RLock());
  EXPECT_EQ(ErrorCode(), 0);
  xb::Unlock();
  EXPECT_TRUE(xb::RLock());
  EXPECT_FALSE(xb::ALock());
  EXPECT_EQ(ErrorCode(), 0);
}

TEST_F(LockRulesTest, TheRecordLockLimitIsTestedBeforeAnythingElse) {
  xb::Switches().record_lock_limit = 2;
  ASSERT_TRUE(xb::Use(path_));
  ASSERT_TRUE(xb::RLock());
  xb::Go(2);
  ASSERT_TRUE(xb::RLock());
  for (int rec : {3, 2}) {
    SCOPED_TRACE(rec);
    ClearErrors();
    xb::Go(rec);
    EXPECT_FALSE(xb::RLock());
    EXPECT_EQ(ErrorCode(), 212);
    EXPECT_EQ(ErrorText(), "Record lock limit exceeded [RLock]");
  }
}

TEST_F(LockRulesTest, UnlockRecReleasesTheNewestTheOldestOrOneRecord) {
  ASSERT_TRUE(xb::Use(path_));
  for (int rec : {2, 4, 6, 8}) {
    xb::Go(rec);
    ASSERT_TRUE(xb::RLock());
  }
  files_.calls.clear();
  EXPECT_TRUE(xb::UnlockRec(-2));  // newest: 8
  EXPECT_TRUE(xb::UnlockRec(-1));  // oldest: 2
  EXPECT_TRUE(xb::UnlockRec(4));
  EXPECT_EQ(files_.calls, (std::vector<LockCall>{{false, RecordRegion(8), 31},
                                                  {false, RecordRegion(2), 31},
                                                  {false, RecordRegion(4), 31}}));
  EXPECT_TRUE(xb::IsLocked(6));
  EXPECT_TRUE(xb::UnlockRec(-3));
  EXPECT_EQ(xb::CurrentArea()->lock_state, xb::LockState::kNone);
  // Released records can be taken again at once.
  EXPECT_TRUE(xb::RLock());
}

TEST_F(LockRulesTest, UnlockRecOfARecordNotLockedOrAnInvalidNumberIsRecordedNotReported) {
  ASSERT_TRUE(xb::Use(path_));
  xb::SetReportErrors(true);  // a report would end the test program
  const std::vector<std::tuple<int, std::string>> cases = {
      {5, "Record not locked. [UnlockRec(5)]"}, {0, "[UnlockRec(0)]"}, {-4, "[UnlockRec(-4)]"}};
  for (const auto& [n, text] : cases) {
    EXPECT_FALSE(xb::UnlockRec(n));
    EXPECT_EQ(ErrorCode(), 220);
    EXPECT_EQ(ErrorText(), text);
  }
  xb::SetReportErrors(false);
}

TEST_F(LockRulesTest, ReopenTableRefusesATableOpenedExclusiveByUse) {
  ASSERT_TRUE(xb::Use(path_ + " EXCLUSIVE"));
  EXPECT_EQ(xb::ReopenTable(false), 5);
  EXPECT_EQ(xb::CurrentArea()->dbf.file_mode, 0x12);
}

TEST_F(LockRulesTest, ReopenTableSwitchesBetweenExclusiveAndSharedAndKeepsRecordLocks) {
  ASSERT_TRUE(xb::Use(path_));
  xb::Go(3);
  ASSERT_TRUE(xb::RLock());
  ASSERT_EQ(xb::ReopenTable(true), 0);
  EXPECT_TRUE(xb::CurrentArea()->exclusive);
  // Nobody else can open the table now.
  std::unique_ptr<platform::File> other;
  EXPECT_NE(platform::Files().Open(scratch_.Path("PEOPLE.DBF"), 0x42, other), 0);
  ASSERT_EQ(xb::ReopenTable(false), 0);
  EXPECT_FALSE(xb::CurrentArea()->exclusive);
  EXPECT_TRUE(xb::IsLocked(3));
  // The region is really held again by the new open.
  ASSERT_EQ(platform::Files().Open(scratch_.Path("PEOPLE.DBF"), 0x42, other), 0);
  EXPECT_EQ(other->Lock(RecordRegion(3), 31), 33);
}

TEST_F(LockRulesTest, RLockWithoutACurrentRecordIsRefused) {
  const std::string empty = MakePeople({}, "empty");
  ASSERT_TRUE(xb::Use(empty));
  files_.calls.clear();
  EXPECT_FALSE(xb::RLock());
  EXPECT_TRUE(files_.calls.empty());
}

}  // namespace
}  // namespace qptest
