// Every write takes its lock; when another program holds it, nothing is
// written, nothing stored is lost, and the caller learns it.
#include <sys/wait.h>
#include <unistd.h>

#include "app/model/NoteFuncs.h"
#include "app/model/WriteProtocol.h"
#include "app/model/notes_fields.h"
#include "engine/dataset/uxbfds.h"
#include "tests/app/store_fixture.h"

namespace qp {
namespace {

class WriteProtocolTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    store_ = OpenStore();
    first_ = NewNote(*store_, 11);
    first_.caption = "First";
    first_.rtf = "{\\rtf1 first}";
    ASSERT_EQ(store_->updateNote(first_, Showing::Unchanged), StoreResult::Done) << store_->lastError().toStdString();
    other_ = OtherProgramNotes(folder());
  }
  void TearDown() override {
    other_.reset();
    store_.reset();
    StoreTest::TearDown();
  }
  std::string DescOf(int recNo) {
    auto note = store_->readNote(recNo);
    return note ? note->caption.toStdString() : "<none>";
  }

  std::unique_ptr<XbNoteStore> store_;
  std::unique_ptr<xb::TXbDbf> other_;
  NoteRecord first_;
};

TEST_F(WriteProtocolTest, ARewriteWhoseRecordIsLockedChangesNothing) {
  other_->Go(first_.recNo);
  ASSERT_TRUE(other_->RLock());
  NoteRecord changed = first_;
  changed.caption = "Changed";
  EXPECT_EQ(store_->updateNote(changed, Showing::Hidden), StoreResult::Locked);
  other_->UnLock();
  EXPECT_EQ(DescOf(first_.recNo), "First");
  EXPECT_TRUE(store_->readNote(first_.recNo)->showing);
  // Once the lock is gone the same store goes through.
  EXPECT_EQ(store_->updateNote(changed, Showing::Hidden), StoreResult::Done);
  EXPECT_EQ(DescOf(first_.recNo), "Changed");
}

TEST_F(WriteProtocolTest, ANewNoteWithoutTheAppendLockNeverTakesAnotherNotesRecord) {
  ASSERT_TRUE(other_->ALock());
  StoreResult result = StoreResult::Done;
  NoteRecord orphan = store_->newNoteFromTemplate(1, 12, QSize(800, 600), &result);
  other_->UnLock();
  EXPECT_EQ(result, StoreResult::Locked);
  EXPECT_EQ(orphan.recNo, 0);
  EXPECT_EQ(store_->notes().RecordCount(), 1);
  // The window of that note stores into nothing: the first note is intact.
  orphan.caption = "Orphan";
  EXPECT_EQ(store_->updateNote(orphan, Showing::Hidden), StoreResult::NoRecord);
  EXPECT_EQ(store_->trashNote(orphan), StoreResult::NoRecord);
  EXPECT_EQ(DescOf(first_.recNo), "First");
  EXPECT_EQ(store_->readNote(first_.recNo)->rtf, "{\\rtf1 first}");
}

TEST_F(WriteProtocolTest, TrashingWithoutTheTrashLockLeavesTheNoteWhereItIs) {
  auto otherTrash = std::make_unique<xb::TXbDbf>("OtherTrash");
  otherTrash->SetDbfFileName((folder() + "Trash.dbf").toStdString());
  otherTrash->Open();
  ASSERT_TRUE(otherTrash->ALock());
  EXPECT_EQ(store_->trashNote(first_), StoreResult::Locked);
  otherTrash->UnLock();
  EXPECT_EQ(store_->trash().RecordCount(), 0);
  EXPECT_EQ(DescOf(first_.recNo), "First");
  // With the trash free, but the note's record locked, the note is copied
  // and stays too: nothing is lost either way.
  other_->Go(first_.recNo);
  ASSERT_TRUE(other_->RLock());
  EXPECT_EQ(store_->trashNote(first_), StoreResult::Locked);
  other_->UnLock();
  EXPECT_EQ(DescOf(first_.recNo), "First");
}

TEST_F(WriteProtocolTest, ALockHeldByAnotherProcessIsRespected) {
  int ready[2];
  int release[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(release), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The other program: its own open of the table, a record lock, then
    // wait until told to end.
    xb::CloseAll();
    auto table = OtherProgramNotes(folder());
    table->Go(1);
    const char ok = table->RLock() ? 'y' : 'n';
    [[maybe_unused]] ssize_t n = write(ready[1], &ok, 1);
    char byte;
    n = read(release[0], &byte, 1);
    _exit(0);
  }
  char ok = 0;
  ASSERT_EQ(read(ready[0], &ok, 1), 1);
  ASSERT_EQ(ok, 'y');
  NoteRecord changed = first_;
  changed.caption = "Changed";
  EXPECT_EQ(store_->updateNote(changed, Showing::Hidden), StoreResult::Locked);
  EXPECT_EQ(store_->trashNote(first_), StoreResult::Locked);
  const char go = 1;
  ASSERT_EQ(write(release[1], &go, 1), 1);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(DescOf(first_.recNo), "First");
  EXPECT_EQ(store_->updateNote(changed, Showing::Hidden), StoreResult::Done);
  EXPECT_EQ(DescOf(first_.recNo), "Changed");
}

TEST_F(WriteProtocolTest, ACopiedRecordKeepsWhenItsReminderLastFired) {
  store_->notes().Go(first_.recNo);
  store_->notes().PutFieldStr("DATEALMACT", DateToTableText(QDate(2026, 5, 31)));
  store_->notes().PutField("TIMEALMACT", "9:5");
  store_->notes().PutFieldFloat("NUM3", 12.25);
  ASSERT_EQ(RewriteWithLock(store_->notes()), WriteOutcome::Written);
  ASSERT_EQ(MoveToTrash(store_->notes(), store_->trash()), WriteOutcome::Written);
  xb::TXbDbf& trash = store_->trash();
  trash.GoTop();
  ASSERT_FALSE(trash.IsEOF());
  EXPECT_EQ(TableTextToDate(trash.GetFieldDate("DATEALMACT")), QDate(2026, 5, 31));
  EXPECT_EQ(Trimmed(trash.GetField("TIMEALMACT")), "9:5");
  EXPECT_DOUBLE_EQ(trash.GetFieldFloat("NUM3"), 12.25);
  EXPECT_EQ(Trimmed(trash.GetField("DESC")), "First");
  EXPECT_EQ(trash.FieldByName("MEMO")->AsString(), "{\\rtf1 first}");
  EXPECT_FALSE(store_->readNote(first_.recNo).has_value());
}

}  // namespace
}  // namespace qp
