// The index semaphore file: LOGIN counts, deletion by the last LOGOUT, and
// a writer that gives up with the timeout message while another process
// reads, and marks left by processes that died, which are cleared.
#include <chrono>
#include <filesystem>

#include "engine/index/semaphore.h"
#include "engine/table/xbase.h"
#include "platform/ui_hooks.h"
#include "tests/index/index_fixture.h"
#include "tests/support/manual_clock.h"

namespace qptest {
namespace {

// Collects what the engine tells the user while it is installed.
struct MessageLog : platform::UiHooks {
  MessageLog() { platform::SetUiHooks(this); }
  ~MessageLog() override { platform::SetUiHooks(nullptr); }
  void MessageBox(const std::string&, const std::string& text, platform::MessageIcon) override {
    texts.push_back(text);
  }
  std::vector<std::string> texts;
};

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

// A reader that stays registered (in another open, which to the lock calls
// is another process) keeps the writer waiting until the wait ends with the
// timeout message; a registration whose process has died beside it is
// cleared, the live one is not.
TEST_F(SemaphoreTest, ALiveReaderEndsTheWaitWithTheTimeoutMessageAndADeadOneIsClearedBesideIt) {
  OpenIn(2);
  xb::WorkArea& reader = *xb::CurrentArea();
  ASSERT_TRUE(xb::SetReadSemaphoreProc(reader, true)) << xb::ErrorText();
  OpenIn(1);
  std::vector<uint8_t> record = Record();
  ASSERT_EQ(record[1], 1);
  record[1] = 2;  // and one left by a process that died while reading
  WriteBytes(semaphore_, record);
  {
    ManualClock clock;  // the wait passes without waiting
    xb::SemaphoreSettings().writer_wait_seconds = 1;
    ASSERT_TRUE(xb::ALock());
    xb::ClearRecord();
    EXPECT_FALSE(xb::Append());
  }
  const int code = xb::ErrorCode();
  const std::string text = xb::ErrorText();
  xb::Unlock();
  EXPECT_EQ(code, 1202);
  EXPECT_EQ(text.rfind("100 second timeout, cannot read: " + semaphore_, 0), 0u) << text;
  EXPECT_EQ(xb::RecCount(), 30) << "nothing is written without the writer lock";
  EXPECT_NE(text.find("then delete " + semaphore_), std::string::npos) << text;
  EXPECT_EQ(Record()[1], 1) << "the dead registration is cleared, the live one kept";
  // Once the reader lets go the writer goes on.
  xb::ClearErrorCode();
  ASSERT_TRUE(xb::SetReadSemaphoreProc(reader, false)) << xb::ErrorText();
  ASSERT_TRUE(xb::ALock());
  xb::ClearRecord();
  EXPECT_TRUE(xb::Append()) << xb::ErrorText();
  xb::Unlock();
  EXPECT_EQ(xb::RecCount(), 31);
}

// Registrations left by processes that died while reading hold no reader
// byte: the next writer clears them at once instead of waiting them out,
// whether or not the dead writer flag is set as well.
TEST_F(SemaphoreTest, RegistrationsOfReadersThatDiedAreClearedByTheNextWriter) {
  struct Case {
    uint8_t dead_readers;
    bool dead_writer_flag;
  };
  for (const Case c : {Case{1, false}, Case{5, false}, Case{127, false}, Case{3, true}}) {
    SCOPED_TRACE(std::to_string(c.dead_readers) + (c.dead_writer_flag ? " with the writer flag" : ""));
    OpenIn(1);
    std::vector<uint8_t> record = Record();
    record[1] = c.dead_readers;
    record.resize(5);
    record[4] = c.dead_writer_flag ? 1 : 0;
    WriteBytes(semaphore_, record);
    const int32_t before = xb::RecCount();
    {
      ManualClock clock;
      xb::SemaphoreSettings().writer_wait_seconds = 100;
      ASSERT_TRUE(xb::ALock());
      xb::ClearRecord();
      ASSERT_TRUE(xb::PutSwapText(*xb::CurrentArea(), 1, "AAAA first"));
      EXPECT_TRUE(xb::Append()) << xb::ErrorText();
      xb::Unlock();
      EXPECT_LT(clock.Slept(), std::chrono::seconds(1)) << "waited for readers that are gone";
    }
    EXPECT_EQ(xb::RecCount(), before + 1);
    EXPECT_EQ(Record()[1], 0);
    EXPECT_EQ(Record()[4], 0);
    xb::CloseArea();
    xb::ClearErrorCode();
  }
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

// The rebuild after a dead writer fails while another program has the
// index open: the mark that asks for the rebuild stays, even once every
// program has closed the table, and the next open rebuilds.
TEST_F(SemaphoreTest, ARebuildAfterADeadWriterThatFailsIsTriedAgainByTheNextOpen) {
  OpenIn(2);  // the other program
  OpenIn(1);
  std::vector<uint8_t> record = Record();
  record[1] = 1;
  record.resize(5);
  record[4] = 1;
  WriteBytes(semaphore_, record);
  ASSERT_TRUE(xb::ALock());
  xb::ClearRecord();
  ASSERT_TRUE(xb::PutSwapText(*xb::CurrentArea(), 1, "AAAA first"));
  EXPECT_FALSE(xb::Append());
  const std::string text = xb::ErrorText();
  xb::Unlock();
  EXPECT_NE(text.find("Rebuilding them failed"), std::string::npos) << text;
  EXPECT_EQ(xb::RecCount(), 30);
  xb::CloseAll();
  xb::ClearErrorCode();
  ASSERT_EQ(Record().size(), 5u) << "the last close keeps a file that asks for a rebuild";
  EXPECT_EQ(Record()[0], 0);
  EXPECT_EQ(Record()[1], 0) << "no writer is at work";
  EXPECT_EQ(Record()[4], 2) << "the rebuild is still owed";

  OpenIn(1);
  EXPECT_EQ(Record()[4], 0) << "the open rebuilt the tags";
  ASSERT_TRUE(xb::ALock());
  xb::ClearRecord();
  ASSERT_TRUE(xb::PutSwapText(*xb::CurrentArea(), 1, "AAAA first"));
  EXPECT_TRUE(xb::Append()) << xb::ErrorText();
  xb::Unlock();
  EXPECT_EQ(xb::RecCount(), 31);
  xb::CloseAll();
  EXPECT_FALSE(std::filesystem::exists(semaphore_)) << "settled, the last close deletes it again";
}

// A semaphore file from an earlier day that nobody holds is started afresh,
// but a rebuild it still owes (a writer died in it, or a rebuild failed
// since) is not forgotten: the open rebuilds the tags.
TEST_F(SemaphoreTest, AFileFromAnEarlierDayKeepsTheRebuildItOwes) {
  struct Case {
    uint8_t flag;
    bool rebuilds;
  };
  for (const Case c : {Case{0, false}, Case{1, true}, Case{2, true}}) {
    SCOPED_TRACE("byte 4 = " + std::to_string(c.flag));
    WriteBytes(semaphore_, {3, 1, 7, 0, c.flag});
    std::filesystem::last_write_time(semaphore_,
                                      std::filesystem::file_time_type::clock::now() - std::chrono::hours(72));
    MessageLog messages;
    OpenIn(1);
    EXPECT_EQ(messages.texts.size(), c.rebuilds ? 1u : 0u);
    const std::vector<uint8_t> record = Record();
    EXPECT_EQ(record[0], 1) << "counted afresh";
    EXPECT_EQ(record[1], 0);
    if (record.size() > 4) EXPECT_EQ(record[4], 0) << "settled by the rebuild";
    xb::CloseAll();
    xb::ClearErrorCode();
  }
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
