// Peek and Poke: one field of any record, straight from and to the file.
#include "tests/table/area_fixture.h"

namespace qptest {
namespace {

using xb::ErrorCode;
using xb::ErrorText;

class PeekPokeTest : public AreaTest {
 protected:
  void SetUp() override {
    AreaTest::SetUp();
    path_ = MakePeople(NamedRows(4, {3}));
    ASSERT_TRUE(xb::Use(path_)) << ErrorText();
  }
  std::string path_;
};

TEST_F(PeekPokeTest, PeekReadsTheStoredTextWithoutMovingThePointer) {
  xb::Go(2);
  EXPECT_EQ(xb::Peek(0, 3), "*");
  EXPECT_EQ(xb::Peek(0, 1), " ");
  EXPECT_EQ(xb::Peek(1, 4), "r4        ");
  EXPECT_EQ(xb::Peek(2, 4), "  4");
  EXPECT_EQ(xb::RecNo(), 2);
  EXPECT_EQ(Name(), "r2");
}

TEST_F(PeekPokeTest, PeekOutsideTheTableGivesAnEmptyTextWithoutAnError) {
  for (auto [field, rec] : {std::pair{1, 0}, {1, 5}, {6, 1}, {-1, 1}}) {
    EXPECT_EQ(xb::Peek(field, rec), "");
    EXPECT_EQ(ErrorCode(), 0);
  }
}

TEST_F(PeekPokeTest, PeekOfARecordCutShortRecordsAReadError) {
  // Another program truncated the file in the middle of record 4.
  std::unique_ptr<platform::File> other;
  ASSERT_EQ(platform::Files().Open(scratch_.Path("PEOPLE.DBF"), 0x42, other), 0);
  ASSERT_EQ(other->Truncate(193 + 3 * 31 + 5), 0);
  EXPECT_EQ(xb::Peek(1, 4), "");
  EXPECT_EQ(ErrorCode(), 100);
  EXPECT_EQ(ErrorText(), "File:  " + xb::FileNameOf() + " [Peek(1,4)]");
}

TEST_F(PeekPokeTest, PokeNeedsTheRecordLockedOnASharedTable) {
  xb::Poke("zz", 1, 2);
  EXPECT_EQ(ErrorCode(), 1200);
  EXPECT_EQ(ErrorText(), "Record not locked [Poke(zz,1,2)]");
  EXPECT_EQ(xb::Peek(1, 2), "r2        ");
  const std::string long_text(120, 'x');
  xb::Poke(long_text, 1, 2);
  EXPECT_EQ(ErrorText(), "Record not locked " + ("[Poke(" + long_text).substr(0, 100));
}

TEST_F(PeekPokeTest, PokeWritesAtMostTheFieldWidthAndLeavesTheBuffersAlone) {
  xb::Go(2);
  ASSERT_TRUE(xb::RLock());
  xb::Poke("abcdefghijklmnop", 1, 2);
  xb::Poke("*", 0, 2);
  xb::Poke("9", 2, 2);
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(xb::Peek(1, 2), "abcdefghij");
  EXPECT_EQ(xb::Peek(0, 2), "*");
  EXPECT_EQ(xb::Peek(2, 2), "9 2");
  EXPECT_EQ(xb::Peek(1, 3), "r3        ");  // the next record is untouched
  EXPECT_EQ(Name(), "r2");
  EXPECT_FALSE(xb::Deleted());
  xb::Skip(0);
  EXPECT_EQ(Name(), "abcdefghij");
}

TEST_F(PeekPokeTest, PokeNeedsNoLockOnAnExclusiveTableOrWithNetworkModeOff) {
  xb::CloseArea();
  ASSERT_TRUE(xb::Use(path_ + " EXCLUSIVE"));
  xb::Poke("q", 1, 1);
  EXPECT_EQ(xb::Peek(1, 1), "q1        ");
  xb::CloseArea();
  xb::Switches().network_mode = false;
  ASSERT_TRUE(xb::Use(path_));
  xb::Poke("w", 1, 1);
  EXPECT_EQ(xb::Peek(1, 1), "w1        ");
}

TEST_F(PeekPokeTest, AFailedPokeWriteIsRecordedWithItsContext) {
  xb::CloseArea();
  FailingFiles files;
  files.OnlyReadsAndWrites();
  ASSERT_TRUE(xb::Use(path_ + " EXCLUSIVE"));
  files.FailCall(1);
  xb::Poke("q", 1, 1);
  EXPECT_TRUE(files.FaultFired());
  EXPECT_EQ(ErrorCode(), 101);
  EXPECT_EQ(ErrorText(), "[Poke(q,1,1)]");
}

}  // namespace
}  // namespace qptest
