// The index semaphore file: LOGIN counts, deletion by the last LOGOUT, and
// a writer that gives up with the timeout message when a process that died
// left its writer mark behind.
#include "engine/index/semaphore.h"
#include "engine/table/xbase.h"
#include "tests/index/index_fixture.h"

namespace qptest {
namespace {

class SemaphoreTest : public IndexTest {
 protected:
  void SetUp() override {
    IndexTest::SetUp();
    xb::ResetSemaphores();
    path_ = WriteTable("sem", Generate(30, 7));
    ASSERT_TRUE(xb::Use(path_));
    ASSERT_TRUE(xb::MakeIndex({Def("NAME", "NAME")}, "")) << xb::ErrorText();
    semaphore_ = xb::SemaphoreFileName(path_ + ".DBF");
  }
  void TearDown() override {
    IndexTest::TearDown();
    xb::ResetSemaphores();
  }
  void OpenIn(int area) {
    xb::SetSelectedArea(area);
    ASSERT_TRUE(xb::Use(path_ + " ALIAS A" + std::to_string(area))) << xb::ErrorText();
    ASSERT_TRUE(xb::SetIndexTo("")) << xb::ErrorText();
  }
  std::vector<uint8_t> Record() { return ReadBytes(semaphore_); }

  std::string path_;
  std::string semaphore_;
};

TEST_F(SemaphoreTest, EachOpenCountsAndTheLastCloseDeletesTheFile) {
  OpenIn(1);
  ASSERT_EQ(Record().size(), 4u);
  EXPECT_EQ(Record()[0], 1);
  OpenIn(2);
  EXPECT_EQ(Record()[0], 2);
  xb::CloseArea();
  EXPECT_EQ(Record()[0], 1);
  xb::SetSelectedArea(1);
  xb::CloseArea();
  EXPECT_FALSE(platform::Files().Exists(semaphore_));
}

TEST_F(SemaphoreTest, ClosingEveryTableLogsEachOutOfItsOwnFile) {
  // A failure here would otherwise wait out the whole lock time.
  xb::SemaphoreSettings().region_lock_ms = 200;
  const std::string other = WriteTable("other", Generate(5, 3));
  xb::SetSelectedArea(3);
  ASSERT_TRUE(xb::Use(other));
  ASSERT_TRUE(xb::MakeIndex({Def("NAME", "NAME")}, "")) << xb::ErrorText();
  xb::CloseArea();
  ASSERT_TRUE(xb::Use(other));
  ASSERT_TRUE(xb::SetIndexTo("")) << xb::ErrorText();
  const std::string otherSemaphore = xb::SemaphoreFileName(other + ".DBF");
  OpenIn(1);
  OpenIn(2);
  ASSERT_TRUE(platform::Files().Exists(otherSemaphore));
  // Area 1 closes first, so the others close while it is gone and while
  // the selected area is another table.
  const struct {
    int selected;
  } cases[] = {{1}, {3}};
  for (const auto& c : cases) {
    xb::SetSelectedArea(c.selected);
    xb::ClearErrorCode();
    xb::CloseAll();
    EXPECT_EQ(xb::ErrorCode(), 0) << xb::ErrorText();
    EXPECT_FALSE(platform::Files().Exists(semaphore_)) << "selected " << c.selected;
    EXPECT_FALSE(platform::Files().Exists(otherSemaphore)) << "selected " << c.selected;
    xb::SetSelectedArea(3);
    ASSERT_TRUE(xb::Use(other));
    ASSERT_TRUE(xb::SetIndexTo("")) << xb::ErrorText();
    OpenIn(1);
    OpenIn(2);
  }
}

TEST_F(SemaphoreTest, AnAppendCountsAsAChangeThatAnotherOpenReadsBack) {
  OpenIn(1);
  OpenIn(2);
  xb::SetSelectedArea(1);
  ASSERT_TRUE(xb::ALock());
  xb::ClearRecord();
  ASSERT_TRUE(xb::PutSwapText(*xb::CurrentArea(), 1, "AAAA first"));
  ASSERT_TRUE(xb::Append()) << xb::ErrorText();
  xb::Unlock();
  EXPECT_EQ(Record()[2], 1) << "change counter";
  EXPECT_EQ(Record()[1], 0) << "writer mark released";
  xb::SetSelectedArea(2);
  xb::GoTop();
  EXPECT_EQ(xb::RecNo(), 31) << "the other open re-read its anchors";
}

TEST_F(SemaphoreTest, AnIndexOpenedAfterAnotherOpenAppendedSeesTheNewRecord) {
  // Area 1 counts the records before area 2 appends; its index open comes
  // after, so LOGIN already notes the append's change.
  xb::SetSelectedArea(1);
  ASSERT_TRUE(xb::Use(path_ + " ALIAS A1")) << xb::ErrorText();
  OpenIn(2);
  ASSERT_TRUE(xb::ALock());
  xb::ClearRecord();
  ASSERT_TRUE(xb::PutSwapText(*xb::CurrentArea(), 1, "AAAA first"));
  ASSERT_TRUE(xb::Append()) << xb::ErrorText();
  xb::Unlock();
  xb::SetSelectedArea(1);
  ASSERT_TRUE(xb::SetIndexTo("")) << xb::ErrorText();
  xb::ClearErrorCode();
  const std::vector<int32_t> order = ScanForward(100);
  EXPECT_EQ(xb::ErrorCode(), 0) << xb::ErrorText();
  ASSERT_EQ(order.size(), 31u);
  EXPECT_EQ(order.front(), 31);
}

TEST_F(SemaphoreTest, AStaleWriterMarkEndsTheWaitWithTheTimeoutMessage) {
  OpenIn(1);
  std::vector<uint8_t> record = Record();
  record[1] = 1;  // left by a writer that never let go
  WriteBytes(semaphore_, record);
  xb::SemaphoreSettings().writer_wait_seconds = 1;
  ASSERT_TRUE(xb::ALock());
  xb::ClearRecord();
  EXPECT_FALSE(xb::Append());
  const int code = xb::ErrorCode();
  const std::string text = xb::ErrorText();
  xb::Unlock();
  EXPECT_EQ(code, 1202);
  EXPECT_EQ(text.rfind("100 second timeout, cannot read: " + semaphore_, 0), 0u) << text;
  EXPECT_EQ(xb::RecCount(), 30) << "nothing is written without the writer lock";
  EXPECT_NE(text.find("then delete " + semaphore_), std::string::npos) << text;
  // Recovery: close, clear the stale file, open again.
  xb::CloseArea();
  (void)platform::Files().Delete(semaphore_);
  xb::ClearErrorCode();
  OpenIn(1);
  EXPECT_EQ(Record()[0], 1);
  EXPECT_EQ(Record()[1], 0);
}

// A writer that died in the middle of an update left its mark and its
// at-work flag; the next writer finds the region lock free, so the writer
// is gone: the mark is cleared at once instead of after a long wait.
TEST_F(SemaphoreTest, AWriterThatDiedMidUpdateIsDetectedAndItsMarkCleared) {
  OpenIn(1);
  std::vector<uint8_t> record = Record();
  record[1] = 1;
  record.resize(5);
  record[4] = 1;
  WriteBytes(semaphore_, record);
  // Waiting for the mark to go would end in the timeout after a second.
  xb::SemaphoreSettings().writer_wait_seconds = 1;
  ASSERT_TRUE(xb::ALock());
  xb::ClearRecord();
  ASSERT_TRUE(xb::PutSwapText(*xb::CurrentArea(), 1, "AAAA first"));
  EXPECT_TRUE(xb::Append()) << xb::ErrorText();
  xb::Unlock();
  EXPECT_EQ(Record()[1], 0);
  EXPECT_EQ(Record()[4], 0);
  EXPECT_EQ(xb::RecCount(), 31);
}

// The creator of the file died between creating it and writing its record.
TEST_F(SemaphoreTest, AnEmptySemaphoreFileLeftByADeadCreatorIsRepairedByTheNextOpen) {
  WriteBytes(semaphore_, {});
  OpenIn(1);
  ASSERT_GE(Record().size(), 4u);
  EXPECT_EQ(Record()[0], 1);
  ASSERT_TRUE(xb::ALock());
  xb::ClearRecord();
  ASSERT_TRUE(xb::PutSwapText(*xb::CurrentArea(), 1, "AAAA first"));
  EXPECT_TRUE(xb::Append()) << xb::ErrorText();
  xb::Unlock();
}

}  // namespace
}  // namespace qptest
