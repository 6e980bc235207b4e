// Share modes and byte-range locks, between two opens in this process and
// between this process and a second one (FileHolder).
#include <gtest/gtest.h>

#include <memory>

#include "platform/file.h"
#include "tests/support/file_holder.h"
#include "tests/support/scratch.h"

namespace {

using platform::File;
using platform::Files;

struct ShareCase {
  const char* name;
  int first;
  int second;
  int expected;  // 0 allowed, 32 sharing violation
};

const ShareCase kShareCases[] = {
    {"SharedThenShared", 0x42, 0x42, 0},
    {"SharedThenReadOnlyShared", 0x42, 0x40, 0},
    {"SharedThenExclusive", 0x42, 0x12, 32},
    {"ExclusiveThenReadOnlyShared", 0x12, 0x40, 32},
    {"ExclusiveThenShared", 0x12, 0x42, 32},
    {"CompatibilityThenReadOnlyShared", 0x00, 0x40, 32},
    {"ReadOnlySharedThenCompatibility", 0x40, 0x00, 32},
    {"ReaderThenDenyWriteReader", 0x40, 0x20, 0},
    {"WriterThenDenyWriteReader", 0x42, 0x20, 32},
    {"DenyWriteReaderThenReader", 0x20, 0x40, 0},
    {"DenyWriteReaderThenWriter", 0x20, 0x42, 32},
    {"DenyWriteReaderTwice", 0x20, 0x20, 0},
    {"DenyReadReaderThenWriteOnly", 0x30, 0x41, 0},
    {"DenyReadReaderThenReader", 0x30, 0x40, 32},
    {"WriteOnlyThenDenyReadReader", 0x41, 0x30, 0},
    {"WriteOnlyThenDenyWriteReader", 0x41, 0x20, 32},
    {"DenyWriteWriterThenReader", 0x22, 0x40, 0},
    {"DenyWriteWriterThenDenyWriteReader", 0x22, 0x20, 32},
};

class ShareModeTest : public ::testing::TestWithParam<ShareCase> {
 protected:
  void SetUp() override { qptest::WriteBytes(path_, {1, 2, 3}); }
  qptest::Scratch scratch_;
  std::string path_ = scratch_.Path("table.dbf");
};

TEST_P(ShareModeTest, SecondOpenInSameProcessIsAllowedOrRefused) {
  const ShareCase& c = GetParam();
  std::unique_ptr<File> first, second;
  ASSERT_EQ(Files().Open(path_, c.first, first), 0);
  EXPECT_EQ(Files().Open(path_, c.second, second), c.expected);
  EXPECT_EQ(second != nullptr, c.expected == 0);
}

TEST_P(ShareModeTest, OpenWhileAnotherProcessHoldsTheFileIsAllowedOrRefused) {
  const ShareCase& c = GetParam();
  qptest::FileHolder holder(path_, c.first);
  ASSERT_EQ(holder.result(), 0);
  std::unique_ptr<File> second;
  EXPECT_EQ(Files().Open(path_, c.second, second), c.expected);
}

TEST_P(ShareModeTest, SecondProcessIsRefusedOrAllowedTheSameWay) {
  const ShareCase& c = GetParam();
  std::unique_ptr<File> first;
  ASSERT_EQ(Files().Open(path_, c.first, first), 0);
  qptest::FileHolder holder(path_, c.second);
  EXPECT_EQ(holder.result(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Matrix, ShareModeTest, ::testing::ValuesIn(kShareCases),
                         [](const auto& info) { return std::string(info.param.name); });

class ShareTest : public ::testing::Test {
 protected:
  void SetUp() override { qptest::WriteBytes(path_, {'a', 'b', 'c'}); }
  qptest::Scratch scratch_;
  std::string path_ = scratch_.Path("table.dbf");
};

TEST_F(ShareTest, ClosingTheExclusiveOpenLetsOthersIn) {
  std::unique_ptr<File> first, second;
  ASSERT_EQ(Files().Open(path_, 0x12, first), 0);
  ASSERT_EQ(Files().Open(path_, 0x42, second), 32);
  first.reset();
  EXPECT_EQ(Files().Open(path_, 0x42, second), 0);
}

TEST_F(ShareTest, RefusedCreateLeavesTheHeldFileIntact) {
  std::unique_ptr<File> held, created;
  ASSERT_EQ(Files().Open(path_, 0x12, held), 0);
  EXPECT_EQ(Files().Create(path_, 0x12, created), 32);
  EXPECT_EQ(qptest::ReadBytes(path_).size(), 3u);
}

TEST_F(ShareTest, ExclusiveOpenOfAKilledHoldersFileSucceeds) {
  qptest::FileHolder holder(path_, 0x12);
  ASSERT_EQ(holder.result(), 0);
  std::unique_ptr<File> file;
  ASSERT_EQ(Files().Open(path_, 0x12, file), 32);
  holder.Kill();
  EXPECT_EQ(Files().Open(path_, 0x12, file), 0);
}

TEST_F(ShareTest, InvalidModesAreRefusedAsInvalidAccess) {
  std::unique_ptr<File> file;
  for (int mode : {0x03, 0x07, 0x50, 0x72, 0x142})
    EXPECT_EQ(Files().Open(path_, mode, file), 12) << mode;
}

class RangeLockTest : public ShareTest {
 protected:
  static constexpr uint64_t kBase = 0x40000000;
};

TEST_F(RangeLockTest, RangeHeldByAnotherOpenInThisProcessIsRefused) {
  std::unique_ptr<File> a, b;
  ASSERT_EQ(Files().Open(path_, 0x42, a), 0);
  ASSERT_EQ(Files().Open(path_, 0x42, b), 0);
  ASSERT_EQ(a->Lock(kBase + 10, 1), 0);
  EXPECT_EQ(b->Lock(kBase + 10, 1), 33);
  EXPECT_EQ(b->Lock(kBase + 5, 10), 33) << "overlapping range";
  EXPECT_EQ(b->Lock(kBase + 11, 1), 0) << "neighbouring byte is free";
  ASSERT_EQ(a->Unlock(kBase + 10, 1), 0);
  EXPECT_EQ(b->Lock(kBase + 10, 1), 0);
}

TEST_F(RangeLockTest, ClosingTheHolderReleasesItsLocks) {
  std::unique_ptr<File> a, b;
  ASSERT_EQ(Files().Open(path_, 0x42, a), 0);
  ASSERT_EQ(Files().Open(path_, 0x42, b), 0);
  ASSERT_EQ(a->Lock(kBase, 100), 0);
  a.reset();
  EXPECT_EQ(b->Lock(kBase, 100), 0);
}

TEST_F(RangeLockTest, ReadOnlyOpenLocksExclusively) {
  std::unique_ptr<File> reader, writer;
  ASSERT_EQ(Files().Open(path_, 0x40, reader), 0);
  ASSERT_EQ(Files().Open(path_, 0x42, writer), 0);
  ASSERT_EQ(reader->Lock(kBase, 1), 0);
  EXPECT_EQ(writer->Lock(kBase, 1), 33);
}

TEST_F(RangeLockTest, RangeHeldByAnotherProcessIsRefusedUntilReleased) {
  qptest::FileHolder holder(path_, 0x42, kBase + 3, 2);
  ASSERT_EQ(holder.result(), 0);
  std::unique_ptr<File> file;
  ASSERT_EQ(Files().Open(path_, 0x42, file), 0);
  EXPECT_EQ(file->Lock(kBase + 4, 1), 33);
  EXPECT_EQ(file->Lock(kBase + 5, 1), 0);
  holder.Release();
  EXPECT_EQ(file->Lock(kBase + 4, 1), 0);
}

TEST_F(RangeLockTest, LockOfAKilledProcessIsGone) {
  qptest::FileHolder holder(path_, 0x42, kBase, 1);
  ASSERT_EQ(holder.result(), 0);
  std::unique_ptr<File> file;
  ASSERT_EQ(Files().Open(path_, 0x42, file), 0);
  ASSERT_EQ(file->Lock(kBase, 1), 33);
  holder.Kill();
  EXPECT_EQ(file->Lock(kBase, 1), 0);
}

TEST_F(RangeLockTest, OtherProcessIsRefusedTheRangeThisProcessHolds) {
  std::unique_ptr<File> file;
  ASSERT_EQ(Files().Open(path_, 0x42, file), 0);
  ASSERT_EQ(file->Lock(kBase, 8), 0);
  qptest::FileHolder holder(path_, 0x42, kBase + 7, 1);
  EXPECT_EQ(holder.result(), 33);
}

TEST_F(RangeLockTest, ZeroLengthLockIsANoOp) {
  std::unique_ptr<File> a, b;
  ASSERT_EQ(Files().Open(path_, 0x42, a), 0);
  ASSERT_EQ(Files().Open(path_, 0x42, b), 0);
  ASSERT_EQ(a->Lock(kBase, 0), 0);
  EXPECT_EQ(b->Lock(kBase, 1), 0);
}

}  // namespace
