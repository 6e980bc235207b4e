// Fault injection: every read, write, flush and open of a scenario fails in
// turn (call N for N = 1, 2, ... until a run completes with no fault). Each
// failure must be reported, and the records stored before must survive.
#include <memory>

#include "platform/file.h"
#include "tests/support/failing_files.h"
#include "tests/table/dbf_test_tables.h"

namespace dbftest {
namespace {

class DbfFault : public DbfTest {
 protected:
  void TearDown() override {
    platform::SetFiles(nullptr);
    DbfTest::TearDown();
  }
  // Runs `scenario` with call N failing for every N, then checks with the
  // real file system that `check` holds.
  template <typename Scenario, typename Check>
  void ForEveryFault(Scenario scenario, Check check) {
    for (int n = 1; n < 200; ++n) {
      SCOPED_TRACE("failing call " + std::to_string(n));
      xb::ResetErrorState();
      xb::SetReportErrors(false);
      qptest::FailingFiles files;
      files.FailCall(n);
      const bool ok = scenario();
      const bool fired = files.FaultFired();
      files.Heal();
      platform::SetFiles(nullptr);
      if (fired) {
        EXPECT_FALSE(ok) << "a failed call was reported as success";
        EXPECT_NE(xb::ErrorCode(), 0);
        EXPECT_FALSE(xb::ErrorText().empty());
      }
      check();
      if (!fired) {
        EXPECT_TRUE(ok) << xb::ErrorText();
        return;
      }
    }
    ADD_FAILURE() << "the scenario never ran without a fault";
  }

  // Every record the header counts must be readable.
  std::vector<std::string> ReadAll() {
    std::vector<std::string> records;
    xb::DbfFile area;
    EXPECT_TRUE(Open(area, Path("t.dbf"))) << xb::ErrorText();
    for (int32_t n = 1; n <= area.record_count; ++n) {
      EXPECT_TRUE(xb::GetDbfRecord(area, n)) << "record " << n << ": " << xb::ErrorText();
      records.push_back(RecordText(area));
    }
    xb::CloseDbf(area);
    return records;
  }
};

TEST_F(DbfFault, AppendingUnderFaultsReportsAndKeepsEarlierRecords) {
  ForEveryFault(
      [&] {
        qptest::WriteBytes(Path("t.dbf"), PeopleBytes());
        xb::DbfFile area;
        if (!Open(area, Path("t.dbf"))) return false;
        bool ok = xb::GetDbfRecord(area, 1);
        for (const std::string& r : {Person("Carol", 30), Person("Dan", 9)}) {
          area.record.assign(r.begin(), r.end());
          ok = ok && xb::AppendDbfRecord(area) && xb::UpdateHeader(area);
        }
        area.record.assign(area.record_length, ' ');
        ok = ok && xb::PutDbfRecord(area, 2);
        const bool closed = xb::CloseDbf(area);
        const std::string& text = xb::ErrorText();
        if (!ok || !closed) {
          EXPECT_TRUE(text.find("t.dbf") != std::string::npos ||
                      text == "Unable to flush file [FlushFile]")
              << text;
        }
        return ok && closed;
      },
      [&] {
        std::vector<std::string> records = ReadAll();
        ASSERT_GE(records.size(), 2u);
        EXPECT_EQ(records[0], Person("Alice", 42));
        EXPECT_TRUE(records[1] == Person("Bob", 7) || records[1] == std::string(14, ' '));
        if (records.size() > 2) {
          EXPECT_EQ(records[2], Person("Carol", 30));
        }
        if (records.size() > 3) {
          EXPECT_EQ(records[3], Person("Dan", 9));
        }
      });
}

TEST_F(DbfFault, FlushFailureIsReportedByItsOwnText) {
  qptest::WriteBytes(Path("t.dbf"), PeopleBytes());
  qptest::FailingFiles files;
  xb::DbfFile area;
  ASSERT_TRUE(Open(area, Path("t.dbf")));
  files.FailCall(1, 29);
  EXPECT_FALSE(xb::FlushFile(area));
  EXPECT_EQ(xb::ErrorCode(), 29);
  EXPECT_EQ(xb::ErrorText(), "Unable to flush file [FlushFile]");
  xb::CloseDbf(area);
}

TEST_F(DbfFault, WriteFailuresNameTheOperation) {
  struct Case {
    const char* name;
    bool (*write)(xb::DbfFile&);
    std::string suffix;
  } cases[] = {
      {"replace", [](xb::DbfFile& a) { return xb::PutDbfRecord(a, 1); },
       " [Replace/Append/PutDbfRecord]"},
      {"append", [](xb::DbfFile& a) { return xb::AppendDbfRecord(a); },
       " [Replace/Append/PutDbfRecord]"},
      {"delete flag", [](xb::DbfFile& a) { return xb::WriteDeleteFlag(a, 1); },
       " [DeleteRec/RecallRec]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    qptest::WriteBytes(Path("t.dbf"), PeopleBytes());
    qptest::FailingFiles files;
    xb::DbfFile area;
    ASSERT_TRUE(Open(area, Path("t.dbf")));
    ASSERT_TRUE(xb::GetDbfRecord(area, 1));
    files.FailCall(1);
    EXPECT_FALSE(c.write(area));
    EXPECT_EQ(xb::ErrorCode(), 101);
    EXPECT_EQ(xb::ErrorText(), "File:  " + Path("t.dbf") + c.suffix);
    EXPECT_EQ(area.record_count, 2) << "a failed append adds no record";
    EXPECT_EQ(area.state, xb::FileState::kClean);
    EXPECT_TRUE(xb::CloseDbf(area));
    platform::SetFiles(nullptr);
    EXPECT_EQ(qptest::ReadBytes(Path("t.dbf")), PeopleBytes());
  }
}

TEST_F(DbfFault, CloseFailureNamesTheFileTwice) {
  qptest::WriteBytes(Path("t.dbf"), PeopleBytes());
  qptest::FailingFiles files;
  xb::DbfFile area;
  ASSERT_TRUE(Open(area, Path("t.dbf")));
  ASSERT_TRUE(xb::WriteDeleteFlag(area, 1));
  files.FailCall(2);  // the header write after re-reading bytes 16..27
  EXPECT_FALSE(xb::CloseDbf(area));
  EXPECT_EQ(xb::ErrorCode(), 101);
  const std::string name = Path("t.dbf");
  EXPECT_EQ(xb::ErrorText(), "File:  " + name + " [CloseDbf(" + name + ")]");
  EXPECT_FALSE(area.is_open());
}

TEST_F(DbfFault, ReadingUnderFaultsReportsTheFile) {
  qptest::WriteBytes(Path("t.dbf"), PeopleBytes());
  ForEveryFault(
      [&] {
        xb::DbfFile area;
        if (!Open(area, Path("t.dbf"))) return false;
        bool ok = xb::GetDbfRecord(area, 1) && xb::GetDbfRecord(area, 2);
        if (!ok) {
          EXPECT_EQ(xb::ErrorCode(), 100);
          EXPECT_EQ(xb::ErrorText(), "File:  " + Path("t.dbf") + "  [GetDbfRecord]");
        }
        return xb::CloseDbf(area) && ok;
      },
      [&] { EXPECT_EQ(qptest::ReadBytes(Path("t.dbf")), PeopleBytes()); });
}

TEST_F(DbfFault, CreatingUnderFaultsReportsAndLeavesNoHalfTableBehindAnOpen) {
  xb::FieldDesc name;
  name.name = "NAME";
  name.length = 10;
  const std::vector<xb::FieldDesc> fields{name};
  ForEveryFault(
      [&] {
        xb::DbfFile scratch_area;
        bool ok = xb::CreateDbf(scratch_area, Path("t.dbf"), fields);
        if (!ok) {
          const std::string& text = xb::ErrorText();
          EXPECT_TRUE(text == "Error writing " + Path("t.dbf") + ". [CreateDbf]" ||
                      text.find("[CloseDbf(") != std::string::npos)
              << text;
        }
        return ok;
      },
      [&] {
        // A table whose creation failed either does not open or opens empty.
        xb::DbfFile area;
        if (Open(area, Path("t.dbf"))) {
          EXPECT_EQ(area.record_count, 0);
          xb::CloseDbf(area);
        }
        xb::ResetErrorState();
        xb::SetReportErrors(false);
      });
}

}  // namespace
}  // namespace dbftest
