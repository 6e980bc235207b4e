// Appending, replacing, deleting and recalling records: lock checks, what
// reaches the file, the index hooks' moments, and I/O failures.
#include <functional>

#include "tests/table/area_fixture.h"

namespace qptest {
namespace {

using xb::ErrorCode;
using xb::ErrorText;

class EditingTest : public AreaTest {
 protected:
  void Open(int rows = 3, const std::string& options = "") {
    path_ = MakePeople(NamedRows(rows));
    ASSERT_TRUE(xb::Use(path_ + options)) << ErrorText();
  }
  std::string File() const { return xb::FileNameOf(); }
  std::string path_;
};

TEST_F(EditingTest, AppendOnASharedTableNeedsTheAppendLock) {
  Open();
  xb::ClearRecord();
  Put(1, "new");
  EXPECT_FALSE(xb::Append());
  EXPECT_EQ(ErrorCode(), 5);
  EXPECT_EQ(ErrorText(), "File must be locked to append: " + File() + " [APPEND]");
  EXPECT_EQ(xb::RecCount(), 3);
  ASSERT_TRUE(xb::ALock());
  EXPECT_TRUE(xb::Append()) << ErrorText();
  EXPECT_EQ(xb::RecNo(), 4);
  EXPECT_FALSE(xb::dEOF());
  EXPECT_EQ(xb::Peek(1, 4), "new       ");
}

TEST_F(EditingTest, AppendNeedsNoLockOnAnExclusiveTableOrWithNetworkModeOff) {
  Open(3, " EXCLUSIVE");
  xb::ClearRecord();
  EXPECT_TRUE(xb::Append());
  xb::CloseArea();
  xb::Switches().network_mode = false;
  ASSERT_TRUE(xb::Use(path_));
  EXPECT_TRUE(xb::Append());
  EXPECT_EQ(xb::RecCount(), 5);
}

TEST_F(EditingTest, ClearRecordThenAppendStoresABlankLiveRecord) {
  Open(1, " EXCLUSIVE");
  xb::ClearRecord();
  ASSERT_TRUE(xb::Append());
  xb::CloseArea();
  const std::vector<uint8_t> bytes = Bytes("PEOPLE.DBF");
  const size_t at = 193 + 31;
  ASSERT_EQ(bytes.size(), at + 31 + 1);
  // blank text, numbers 0 right-aligned, blank date, F.
  EXPECT_EQ(std::string(bytes.begin() + at, bytes.begin() + at + 31),
            std::string(" ") + std::string(10, ' ') + "  0" + "    0.00" + std::string(8, ' ') + "F");
  EXPECT_EQ(bytes.size(), at + 31 + 1);
  EXPECT_EQ(bytes.back(), 0x1A);
}

struct RefusedEdit {
  std::string name;
  std::function<void()> setup;
  std::function<bool()> edit;
  int code;
  std::function<std::string(const std::string& file)> text;
};

TEST_F(EditingTest, EditsWithoutTheirLockOrRecordAreRefusedWithTheirCodeAndText) {
  Open();
  const std::vector<RefusedEdit> cases = {
      {"replace unlocked", [] { xb::Go(2); }, xb::Replace, 1200,
       [](const std::string& f) { return "Record #2 in " + f + " [REPLACE]"; }},
      {"replace at eof", [] { xb::GoBottom(); xb::Skip(1); }, xb::Replace, 212,
       [](const std::string& f) { return "Database \"" + f + "\" is at EOF. [REPLACE]"; }},
      {"delete unlocked", [] { xb::Go(2); }, xb::DeleteRec, 1200,
       [](const std::string& f) { return f + " Record not locked [DeleteRec]"; }},
      {"delete with only the append lock", [] { xb::Go(2); xb::ALock(); }, xb::DeleteRec, 1200,
       [](const std::string& f) { return f + " Record not locked [DeleteRec]"; }},
      {"recall unlocked", [] { xb::Go(2); }, xb::RecallRec, 1200,
       [](const std::string&) { return std::string("Record not locked [RecallRec]"); }},
      {"recall at eof", [] { xb::GoBottom(); xb::Skip(1); xb::RLock(); }, xb::RecallRec, 1103,
       [](const std::string& f) { return f + " at EOF [RecallRec]"; }},
  };
  for (const RefusedEdit& c : cases) {
    SCOPED_TRACE(c.name);
    xb::Unlock();
    c.setup();
    ClearErrors();
    EXPECT_FALSE(c.edit());
    EXPECT_EQ(ErrorCode(), c.code);
    EXPECT_EQ(ErrorText(), c.text(File()));
  }
  xb::Unlock();
  xb::CloseArea();
  path_ = MakePeople({}, "empty");
  ASSERT_TRUE(xb::Use(path_ + " EXCLUSIVE"));
  EXPECT_FALSE(xb::Replace());
  EXPECT_EQ(ErrorCode(), 212);
  EXPECT_EQ(ErrorText(), "Database \"" + File() + "\" is empty. [REPLACE]");
}

TEST_F(EditingTest, ReplaceUnderARecordLockWritesTheSwapBufferInPlace) {
  Open();
  xb::Go(2);
  ASSERT_TRUE(xb::RLock());
  Put(1, "changed");
  Put(2, "77");
  ASSERT_TRUE(xb::Replace()) << ErrorText();
  EXPECT_EQ(xb::RecNo(), 2);
  EXPECT_EQ(xb::Peek(1, 2), "changed   ");
  EXPECT_EQ(xb::Peek(2, 2), " 77");
  EXPECT_EQ(xb::Peek(1, 3), "r3        ");
  // Another open of the table reads the new values.
  xb::Select(2);
  ASSERT_TRUE(xb::Use(path_ + " ALIAS OTHER"));
  xb::Go(2);
  EXPECT_EQ(Name(), "changed");
}

TEST_F(EditingTest, DeletingAndRecallingChangeOnlyTheFlagAndNeverMoveThePointer) {
  Open();
  xb::SetIgnoreDel(true);
  xb::Go(2);
  ASSERT_TRUE(xb::RLock());
  ASSERT_TRUE(xb::DeleteRec());
  EXPECT_EQ(xb::RecNo(), 2);
  EXPECT_TRUE(xb::Deleted());
  EXPECT_EQ(xb::Peek(0, 2), "*");
  EXPECT_EQ(xb::Peek(1, 2), "r2        ");
  ASSERT_TRUE(xb::RecallRec());
  EXPECT_FALSE(xb::Deleted());
  EXPECT_EQ(xb::Peek(0, 2), " ");
}

// An index layer that is active but keeps natural order, so a test can
// override just the write hooks it watches.
struct NaturalOrderIndex : xb::IndexHooks {
  bool IndexActive(xb::WorkArea&) override { return true; }
  int32_t IndexFirst(xb::WorkArea&) override { return 1; }
  int32_t IndexLast(xb::WorkArea& a) override { return a.dbf.record_count; }
  int32_t IndexNext(xb::WorkArea& a) override { return a.dbf.current_record + 1; }
  int32_t IndexPrev(xb::WorkArea& a) override { return a.dbf.current_record - 1; }
  bool IndexAtEOF(xb::WorkArea&) override { return false; }
  bool IndexAtBOF(xb::WorkArea&) override { return false; }
  void IndexSync(xb::WorkArea&) override {}
  void IndexAfterMove(xb::WorkArea&) override {}
  void IndexOnBOF(xb::WorkArea&) override {}
  void IndexOnEOF(xb::WorkArea&) override {}
  void IndexSetMoving(xb::WorkArea&, bool) override {}
  bool IndexSetUpdating(xb::WorkArea&, bool) override { return true; }
  bool IndexAddKeys(xb::WorkArea&) override { return true; }
  bool IndexBeforeReplace(xb::WorkArea&) override { return true; }
  bool IndexAfterReplace(xb::WorkArea&) override { return true; }
  void IndexClose(xb::WorkArea&) override {}
  void IndexReindex(xb::WorkArea&) override {}
};

TEST_F(EditingTest, TheIndexLayerSeesOldValuesBeforeAReplaceAndNewOnesAfter) {
  struct Watcher : NaturalOrderIndex {
    std::vector<std::string> log;
    bool Logged(std::string entry) {
      log.push_back(std::move(entry));
      return true;
    }
    bool IndexSetUpdating(xb::WorkArea&, bool on) override { return Logged(on ? "updating" : "done"); }
    bool IndexAddKeys(xb::WorkArea& a) override { return Logged("add " + xb::GetSwapText(a, 1)); }
    bool IndexBeforeReplace(xb::WorkArea& a) override { return Logged("before " + xb::GetSwapText(a, 1)); }
    bool IndexAfterReplace(xb::WorkArea& a) override { return Logged("after " + xb::GetSwapText(a, 1)); }
  } index;
  qptest::CloseAreasFirst close_first;
  Open(2, " EXCLUSIVE");
  xb::InstallIndexHooks(&index);
  xb::Go(1);
  Put(1, "new");
  ASSERT_TRUE(xb::Replace());
  xb::ClearRecord();
  Put(1, "third");
  ASSERT_TRUE(xb::Append());
  EXPECT_EQ(index.log, (std::vector<std::string>{"updating", "before r1        ", "after new       ",
                                                 "done", "updating", "add third     ", "done"}));
  xb::CurrentArea()->swap_copy.clear();
  ClearErrors();
  EXPECT_FALSE(xb::Replace());
  EXPECT_EQ(ErrorCode(), 254);
  EXPECT_EQ(ErrorText(), File() + " Swap-buffer NIL. [REPLACE]");
}

TEST_F(EditingTest, AppendAndReplaceWriteNothingWhenTheIndexLayerRefusesItsWriterLock) {
  struct Refusing : NaturalOrderIndex {
    std::vector<std::string> log;
    bool Logged(std::string entry) {
      log.push_back(std::move(entry));
      return true;
    }
    bool IndexSetUpdating(xb::WorkArea&, bool on) override {
      log.push_back(on ? "updating" : "done");
      if (!on) return true;
      xb::SetError(1202, "writer lock refused");
      return false;
    }
    bool IndexAddKeys(xb::WorkArea&) override { return Logged("add"); }
    bool IndexBeforeReplace(xb::WorkArea&) override { return Logged("before"); }
    bool IndexAfterReplace(xb::WorkArea&) override { return Logged("after"); }
  } index;
  qptest::CloseAreasFirst close_first;
  Open(2, " EXCLUSIVE");
  xb::InstallIndexHooks(&index);
  xb::Go(1);
  Put(1, "new");
  EXPECT_FALSE(xb::Replace());
  EXPECT_EQ(ErrorCode(), 1202);
  EXPECT_EQ(xb::Peek(1, 1), "r1        ");
  xb::ClearRecord();
  Put(1, "third");
  EXPECT_FALSE(xb::Append());
  EXPECT_EQ(ErrorCode(), 1202);
  EXPECT_EQ(xb::RecCount(), 2);
  // Each refused lock is balanced, and no key work was started.
  EXPECT_EQ(index.log, (std::vector<std::string>{"updating", "done", "updating", "done"}));
}

// Key maintenance that fails after the record was stored: the write must
// be reported as failed with the index layer's error, and the writer lock
// still released.
TEST_F(EditingTest, AppendAndReplaceFailWhenKeyMaintenanceFails) {
  struct Failing : NaturalOrderIndex {
    std::vector<std::string> log;
    bool IndexSetUpdating(xb::WorkArea&, bool on) override {
      log.push_back(on ? "updating" : "done");
      return true;
    }
    bool Fails(const char* step) {
      log.push_back(step);
      xb::SetError(254, std::string("tag full [") + step + "]");
      return false;
    }
    bool IndexAddKeys(xb::WorkArea&) override { return Fails("add"); }
    bool IndexBeforeReplace(xb::WorkArea&) override { return true; }
    bool IndexAfterReplace(xb::WorkArea&) override { return Fails("after"); }
  } index;
  qptest::CloseAreasFirst close_first;
  Open(2, " EXCLUSIVE");
  xb::InstallIndexHooks(&index);
  xb::ClearRecord();
  Put(1, "third");
  EXPECT_FALSE(xb::Append());
  EXPECT_EQ(ErrorCode(), 254);
  EXPECT_EQ(ErrorText(), "tag full [add]");
  xb::Go(1);
  Put(1, "new");
  EXPECT_FALSE(xb::Replace());
  EXPECT_EQ(ErrorCode(), 254);
  EXPECT_EQ(ErrorText(), "tag full [after]");
  EXPECT_EQ(index.log, (std::vector<std::string>{"updating", "add", "done", "updating", "after", "done"}));
}

struct StoredCase {
  std::string name;
  int field;
  std::string value;
  std::string stored;
  std::string read_back;
};

TEST_F(EditingTest, GatherStoresEachTypeInItsFixedWidthForm) {
  xb::CurrentDateSettings().date_format = 0;
  Open(1, " EXCLUSIVE");
  const std::vector<StoredCase> cases = {
      {"text padded", 1, "abc", "abc       ", "abc       "},
      {"text cut to the width", 1, "abcdefghijklm", "abcdefghij", "abcdefghij"},
      {"integer right-aligned", 2, "42", " 42", "42"},
      {"negative integer", 2, "-7", " -7", "-7"},
      {"integer too wide", 2, "12345", "***", "0"},
      {"decimals rounded", 3, "3.456", "    3.46", "3.46"},
      {"decimals too wide", 3, "123456789", "********", "0.00"},
      {"date", 4, "12/31/26", "20261231", "12/31/26"},
      {"blank date", 4, "  /  /  ", "        ", "  /  /  "},
      {"short date normalised", 4, "1/5/26", "20260105", "01/05/26"},
      {"impossible date", 4, "02/30", "        ", "  /  /  "},
      {"true", 5, "T", "T", "T"},
      {"false", 5, "n", "F", "F"},
  };
  for (const StoredCase& c : cases) {
    SCOPED_TRACE(c.name);
    xb::Go(1);
    ASSERT_TRUE(Put(c.field, c.value));
    ASSERT_TRUE(xb::Replace());
    EXPECT_EQ(xb::Peek(c.field, 1), c.stored);
    EXPECT_EQ(Text(c.field), c.read_back);
  }
}

TEST_F(EditingTest, DatesFollowTheDateFormatCode) {
  Open(1, " EXCLUSIVE");
  const std::vector<std::tuple<int, bool, std::string>> cases = {
      {1, false, "26.12.31"}, {2, false, "31/12/26"}, {3, true, "31-12-2026"}, {5, true, "31.12.2026"}};
  for (const auto& [code, century, text] : cases) {
    SCOPED_TRACE(code);
    xb::CurrentDateSettings().century = century;
    xb::SetDateFormat(code);
    xb::Go(1);
    ASSERT_TRUE(Put(4, text));
    ASSERT_TRUE(xb::Replace());
    EXPECT_EQ(xb::Peek(4, 1), "20261231");
    EXPECT_EQ(Text(4), text);
  }
}

// Every I/O call of an append or replace (and the close after it) fails in
// turn; each time the failure is named and the records stored before stay.
TEST_F(EditingTest, AFailedWriteIsReportedAndLeavesEarlierRecordsIntact) {
  const std::vector<std::pair<std::string, bool>> ops = {{"append", true}, {"replace", false}};
  for (const auto& [op, append] : ops) {
    for (int n = 1;; ++n) {
      SCOPED_TRACE(op + ", call " + std::to_string(n));
      ClearErrors();
      path_ = MakePeople(NamedRows(3));
      FaultyFiles files;
      platform::SetFiles(&files);
      ASSERT_TRUE(xb::Use(path_));
      if (append) {
        ASSERT_TRUE(xb::ALock());
        xb::ClearRecord();
      } else {
        xb::Go(2);
        ASSERT_TRUE(xb::RLock());
      }
      Put(1, "written");
      files.FailCall(n);
      const bool op_ok = append ? xb::Append() : xb::Replace();
      const int code = ErrorCode();
      const std::string text = ErrorText();
      xb::CloseArea();
      const bool ok = op_ok && ErrorCode() == 0;
      const bool fired = files.FaultFired();
      platform::SetFiles(nullptr);
      if (!ok) {
        EXPECT_NE(code + ErrorCode(), 0);
        EXPECT_NE((text + ErrorText()).find("PEOPLE.DBF"), std::string::npos) << text << ErrorText();
      }
      ASSERT_TRUE(xb::Use(path_));
      EXPECT_EQ(xb::Peek(1, 1), "r1        ");
      EXPECT_EQ(xb::Peek(1, 3), "r3        ");
      if (!append) {
        // A failed replace leaves the old record; one that was written
        // before the close failed leaves the new one.
        EXPECT_EQ(xb::Peek(1, 2), op_ok ? "written   " : "r2        ");
      } else {
        EXPECT_EQ(xb::Peek(1, 2), "r2        ");
        // Written before a failed header write, the record is still reached
        // through the count taken from the file size.
        if (op_ok) {
          EXPECT_EQ(xb::RecCount(), 4);
        }
        if (op_ok) {
          EXPECT_EQ(xb::Peek(1, 4), "written   ");
        }
        if (!op_ok) {
          EXPECT_EQ(xb::RecCount(), 3);
        }
      }
      xb::CloseArea();
      if (!fired) {
        EXPECT_TRUE(ok);
        break;
      }
    }
  }
}

}  // namespace
}  // namespace qptest
