// Appends and replaces stopped at every file operation they make, both as
// a power loss (every write not yet flushed is gone) and as a killed
// process (what it wrote stays, its locks go, its writer mark stays): the
// next open finds the record, its memo and its keys in all three tags
// wholly there or not at all. On a disk that fills up at any point they
// either succeed or fail and leave the table and its tags as they were.
#include "platform/ui_hooks.h"
#include "tests/dataset/crash_fixture.h"

namespace qptest {
namespace {

using namespace crash;

enum class Stop { kPowerLoss, kKill };

const char* Describe(Stop stop) { return stop == Stop::kKill ? "killed at call " : "power lost at call "; }

// What the engine tells the user (the repair after a dead writer) is
// collected instead of shown.
struct QuietUi : platform::UiHooks {
  QuietUi() { platform::SetUiHooks(this); }
  ~QuietUi() override { platform::SetUiHooks(nullptr); }
  void MessageBox(const std::string&, const std::string& text, platform::MessageIcon) override {
    texts.push_back(text);
  }
  std::vector<std::string> texts;
};

// An append as the program makes one: the memo first, then the record
// and its keys under the append lock. "namez" is a new key in the unique
// NAMES tag, and LATE (ID > 'r05') takes the record too.
bool AppendWithMemo() {
  if (!xb::ALock()) return false;
  xb::WorkArea& area = *xb::CurrentArea();
  xb::ClearRecord();
  xb::PutSwapText(area, 1, "r07");
  xb::PutSwapText(area, 2, "namez");
  const std::string memo = "memo of r07";
  bool ok = false;
  const int32_t block = xb::CreateBlobDescriptor(false, 0, 2);
  if (block != 0 &&
      xb::WriteBlobStream(memo.data(), static_cast<int32_t>(memo.size())) == static_cast<int32_t>(memo.size()) &&
      xb::DestroyBlobDescriptor()) {
    xb::PutSwapMemoBlock(area, 3, block);
    ok = xb::Append();
  }
  EXPECT_TRUE(ok || xb::ErrorCode() != 0) << "silent failure";
  xb::Unlock();
  return ok;
}

// A replace that moves record 3's key in every tag: a new ID (IDS moves,
// and LATE, whose condition is ID > 'r05', gains the record) and a new
// NAME (the unique NAMES moves).
bool ReplaceThird() {
  xb::Go(3);
  if (!xb::RLock()) return false;
  xb::WorkArea& area = *xb::CurrentArea();
  xb::PutSwapText(area, 1, "r99");
  xb::PutSwapText(area, 2, "namez");
  const bool ok = xb::Replace();
  EXPECT_TRUE(ok || xb::ErrorCode() != 0) << "silent failure";
  xb::Unlock();
  return ok;
}

struct Operation {
  const char* what;
  bool (*run)();
  TableState (*after)(TableState);
  bool needs_space;  // a full disk must make it fail at some point
};

const Operation kOperations[] = {
    {"append", &AppendWithMemo,
     [](TableState s) {
       s.rows.push_back({"r07 ", false, "memo of r07"});
       return s;
     },
     true},
    {"replace", &ReplaceThird,
     [](TableState s) {
       s.rows[2].id = "r99 ";
       return s;
     },
     false},
};

TEST_F(CrashTest, AnAppendOrReplaceStoppedAtAnyFileOperationIsWhollyThereOrNotAtAll) {
  QuietUi ui;
  const TableState before = Expected(6, {2}, false);
  for (const Operation& op : kOperations) {
    const TableState after = op.after(before);
    for (const Stop stop : {Stop::kPowerLoss, Stop::kKill}) {
      int finished = 0;
      for (int n = 1;; ++n) {
        SCOPED_TRACE(std::string(op.what) + ", " + Describe(stop) + std::to_string(n));
        const std::string path = MakeNotes(6, {2});
        bool stopped = false, ok = false;
        {
          // Only files opened under the wrapper see the stop.
          CrashingFiles files;
          OpenForEditing(path);
          if (stop == Stop::kKill) files.KillAt(n);
          else files.CrashAt(n);
          ok = op.run();
          // Closing counts too: a stop there still drops what was held.
          Close();
          stopped = files.Crashed();
        }
        const TableState state = ReadState(path);
        if (n % 7 == 0 || !stopped) CheckWithDbfread(path, state);
        if (state == after) ++finished;
        else if (!(state == before)) ADD_FAILURE() << "neither before nor after: " << Show(state);
        // What a killed process wrote stays: a change it saw succeed is kept.
        if (ok && stop == Stop::kKill) EXPECT_EQ(state, after) << Show(state);
        if (!stopped) {
          EXPECT_TRUE(ok) << xb::ErrorText();
          EXPECT_EQ(state, after) << Show(state);
          break;
        }
        ASSERT_LT(n, 500);
      }
      EXPECT_GT(finished, 0) << op.what << ": no round got as far as the change";
    }
  }
}

TEST_F(CrashTest, AnAppendOrReplaceOnAFullDiskSucceedsOrLeavesTheTableAndItsTagsAsTheyWere) {
  QuietUi ui;
  const TableState before = Expected(6, {2}, false);
  for (const Operation& op : kOperations) {
    const TableState after = op.after(before);
    int failed = 0;
    for (int n = 1;; ++n) {
      SCOPED_TRACE(std::string(op.what) + ", disk full from call " + std::to_string(n));
      const std::string path = MakeNotes(6, {2});
      bool ok = false, full = false;
      {
        CrashingFiles files;
        OpenForEditing(path);
        files.DiskFullFrom(n);
        ok = op.run();
        full = files.DiskFull();
        Close();
      }
      const TableState state = ReadState(path);
      if (n % 7 == 0) CheckWithDbfread(path, state);
      EXPECT_EQ(state, ok ? after : before) << Show(state);
      if (!ok) ++failed;
      if (!full) {
        EXPECT_TRUE(ok) << xb::ErrorText();
        break;
      }
      ASSERT_LT(n, 500);
    }
    if (op.needs_space) EXPECT_GT(failed, 0) << op.what << ": the full disk never reached it";
  }
}

}  // namespace
}  // namespace qptest
