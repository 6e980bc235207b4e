// Several datasets on one table, in one process and in two: each sees the
// other's records and changes, and the locked writes report a refused lock
// through their events, retry when asked and otherwise drop the write.
#include <sys/wait.h>
#include <unistd.h>

#include "engine/table/locking.h"
#include "tests/dataset/dataset_fixture.h"
#include "tests/support/file_holder.h"

namespace xb {
namespace {

const std::vector<std::string> kFields = {"NAME, C, 10, 0", "COUNT, N, 5, 0"};

class XbDbfSharingTest : public DatasetTest {
 protected:
  std::unique_ptr<TXbDbf> Open(const std::string& name) {
    auto t = Table(name, "shared.dbf", kFields);
    t->SetHideDeletedRecs(true);
    t->Open();
    return t;
  }
  // Runs `body` in a child process with its own open of the table; the
  // child's result is its exit status.
  int InChild(const std::function<int()>& body) {
    const pid_t pid = fork();
    if (pid == 0) {
      int status = 1;
      try {
        status = body();
      } catch (...) {
      }
      _exit(status);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

TEST_F(XbDbfSharingTest, TwoDatasetsInOneProcessSeeEachOthersChanges) {
  auto a = Open("A");
  auto b = Open("B");
  AddRecord(*a, {{"NAME", "first"}});
  EXPECT_EQ(b->RecordCount(), 1);
  b->Refresh();
  EXPECT_EQ(b->GetField("NAME"), "first     ");

  AddRecord(*b, {{"NAME", "second"}});
  EXPECT_EQ(a->RecordCount(), 2);
  a->Go(2);
  EXPECT_EQ(a->GetField("NAME"), "second    ");

  b->Go(1);
  b->PutField("NAME", "changed");
  ASSERT_TRUE(b->RLock());
  b->ReplaceRec();
  b->UnLock();
  a->Go(1);
  EXPECT_EQ(a->GetField("NAME"), "changed   ");

  // A deletion through one dataset hides the record from the other's moves.
  ASSERT_TRUE(b->RLock());
  b->DeleteRec();
  b->UnLock();
  a->GoTop();
  EXPECT_EQ(a->RecNo(), 2);
}

TEST_F(XbDbfSharingTest, AnotherProcessSeesAppendsAndChanges) {
  auto a = Open("A");
  AddRecord(*a, {{"NAME", "parent"}});
  const int child = InChild([this] {
    auto c = Open("C");
    if (c->RecordCount() != 1 || c->GetField("NAME") != "parent    ") return 2;
    c->ClearRecord();
    c->PutField("NAME", "child");
    if (!c->ALock()) return 3;
    c->AppendRec();
    c->UnLock();
    c->Go(1);
    c->PutFieldInt("COUNT", 9);
    if (!c->RLock()) return 4;
    c->ReplaceRec();
    c->UnLock();
    c->Close();
    return ErrorCode() == 0 ? 0 : 5;
  });
  ASSERT_EQ(child, 0);
  EXPECT_EQ(a->RecordCount(), 2);
  a->Refresh();
  EXPECT_EQ(a->GetFieldInt("COUNT"), 9);
  a->Go(2);
  EXPECT_EQ(a->GetField("NAME"), "child     ");
}

TEST_F(XbDbfSharingTest, ARefusedPostLockWithoutHandlerShowsTheMessageAndWritesNothing) {
  auto a = Open("A");
  AddRecord(*a, {{"NAME", "kept"}});
  auto b = Open("B");
  ASSERT_TRUE(b->RLock());  // B holds record 1
  a->Edit();
  a->FieldByName("NAME")->SetAsString("lost");
  a->Post();
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0], "Lock failed [Post]");
  b->UnLock();
  b->Skip(0);
  EXPECT_EQ(b->GetField("NAME"), "kept      ");
}

TEST_F(XbDbfSharingTest, LockFailedEventsFireAndRetryWhenAsked) {
  auto a = Open("A");
  AddRecord(*a, {{"NAME", "one"}});
  auto b = Open("B");

  // Post: the handler releases the other holder and asks for a retry.
  ASSERT_TRUE(b->RLock());
  int post_calls = 0;
  a->OnRLockFailedOnPost = [&](TXbFileDataSet&, bool& retry) {
    ++post_calls;
    b->UnLock();
    retry = true;
  };
  a->Edit();
  a->FieldByName("NAME")->SetAsString("two");
  a->Post();
  EXPECT_EQ(post_calls, 1);
  b->Skip(0);
  EXPECT_EQ(b->GetField("NAME"), "two       ");

  // Insert: a handler that declines drops the append without a message.
  ASSERT_TRUE(b->ALock());
  int insert_calls = 0;
  a->OnALockFailedOnInsert = [&](TXbFileDataSet&, bool& retry) {
    ++insert_calls;
    retry = false;
  };
  a->Append();
  a->FieldByName("NAME")->SetAsString("three");
  a->Post();
  EXPECT_EQ(insert_calls, 1);
  EXPECT_EQ(a->RecordCount(), 1);
  b->UnLock();

  // Delete: a retry after the holder let go removes the record.
  ASSERT_TRUE(b->RLock());
  a->OnRLockFailedOnDelete = [&](TXbFileDataSet&, bool& retry) {
    b->UnLock();
    retry = true;
  };
  a->Delete();
  b->GoTop();
  EXPECT_TRUE(b->IsEOF());
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(XbDbfSharingTest, ALockHeldByAnotherProcessRefusesTheAppend) {
  auto a = Open("A");
  qptest::FileHolder holder(Path("shared.dbf"), 0x42, Switches().lock_base + 1, 1);
  ASSERT_EQ(holder.result(), 0);
  EXPECT_FALSE(a->ALock());
  a->Append();
  a->FieldByName("NAME")->SetAsString("x");
  a->Post();
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0], "Lock failed [Insert]");
  holder.Release();
  EXPECT_EQ(a->RecordCount(), 0);
  EXPECT_TRUE(a->ALock());
  a->UnLock();
}

}  // namespace
}  // namespace xb
