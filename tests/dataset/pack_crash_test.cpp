// Crashes and full disks in the middle of Pack and of an index build: after
// the machine comes back, the next open finds the table, its memos and its
// tags exactly as they were before the operation or as they are after it,
// for a stop at every file operation the operation makes. The engine's
// verifier checks the tags against the records; a byte scan checks the
// table file as any other dBASE reader would see it.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/memo/memo_blob.h"
#include "engine/memo/memo_hooks.h"
#include "engine/index/index_check.h"
#include "engine/index/semaphore.h"
#include "engine/table/files.h"
#include "engine/table/pack.h"
#include "tests/index/index_fixture.h"
#include "tests/support/crashing_files.h"
#include "tests/support/python.h"

namespace qptest {
namespace {

struct Row {
  std::string id;
  bool deleted = false;
  std::string memo;
  bool operator==(const Row&) const = default;
};

struct TableState {
  std::vector<Row> rows;
  std::vector<std::string> tags;  // stored definitions
  bool operator==(const TableState&) const = default;
};

std::string Show(const TableState& s) {
  std::string out;
  for (const Row& r : s.rows) out += (r.deleted ? "*" : " ") + r.id + "=" + r.memo + "; ";
  for (const std::string& t : s.tags) out += "[" + t + "]";
  return out;
}

const std::vector<xb::TagDefinition> kTags = {Def("IDS", "upper(ID)"), Def("NAMES", "NAME", true),
                                              Def("LATE", "ID", false, false, "ID > 'r05'")};

class CrashTest : public IndexTest {
 protected:
  void SetUp() override {
    IndexTest::SetUp();
    xb::MemoInit();
    xb::Switches().default_version = 0x8B;
    // After a stop every lock call fails like a lock held elsewhere; the
    // closing LOGOUT would retry it for the full wait each round.
    saved_timings_ = xb::SemaphoreSettings();
    xb::SemaphoreSettings().region_lock_ms = 0;
  }
  void TearDown() override {
    Close();
    xb::SemaphoreSettings() = saved_timings_;
    xb::MemoDone();
    IndexTest::TearDown();
  }

  // A stop of the machine takes every handle with it; closing must not
  // throw whatever state the engine was left in.
  static void Close() {
    try {
      xb::CloseAll();
    } catch (const xb::EEngineError&) {
    }
    xb::ClearErrorCode();
  }

  xb::SemaphoreTimings saved_timings_;

  void EmptyFolder() {
    for (const auto& entry : std::filesystem::directory_iterator(scratch_.dir()))
      std::filesystem::remove_all(entry.path());
  }

  static int32_t PutMemo(const std::string& text) {
    const int32_t block = xb::CreateBlobDescriptor(false, 0, 2);
    EXPECT_NE(block, 0) << xb::ErrorText();
    xb::WriteBlobStream(text.data(), static_cast<int32_t>(text.size()));
    EXPECT_TRUE(xb::DestroyBlobDescriptor()) << xb::ErrorText();
    return block;
  }
  static std::string GetMemo(int32_t block) {
    if (block == 0) return "";
    if (xb::CreateBlobDescriptor(false, block, 1) == 0) return "<error " + std::to_string(xb::ErrorCode()) + ">";
    std::string out;
    char buf[256];
    for (int32_t n; (n = xb::ReadBlobStream(buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
    xb::DestroyBlobDescriptor();
    return out;
  }

  // `n` records "r01".. with a memo each; those in `deleted` are deleted.
  // The production index holds kTags.
  // Built once and copied for every round: building through the engine
  // flushes at every write, which would make the loops slow.
  std::string MakeNotes(int n, const std::vector<int>& deleted) {
    EmptyFolder();
    const std::filesystem::path made = template_.dir() / ("notes" + std::to_string(n));
    if (!std::filesystem::exists(made)) {
      std::filesystem::create_directory(made);
      BuildNotes((made / "notes.dbf").string(), n, deleted);
    }
    for (const auto& entry : std::filesystem::directory_iterator(made))
      std::filesystem::copy_file(entry.path(), scratch_.dir() / entry.path().filename());
    return scratch_.Path("notes.dbf");
  }

  void BuildNotes(const std::string& path, int n, const std::vector<int>& deleted) {
    xb::DbfFile scratch;
    EXPECT_TRUE(xb::CreateDbf(scratch, path, std::vector<xb::FieldDesc>{Fd("ID", 'C', 4), Fd("NAME", 'C', 10),
                                                                          Fd("NOTE", 'M', 10)}))
        << xb::ErrorText();
    EXPECT_TRUE(xb::Use(path + " EXCLUSIVE")) << xb::ErrorText();
    for (int i = 1; i <= n; ++i) {
      xb::WorkArea& area = *xb::CurrentArea();
      char id[8];
      std::snprintf(id, sizeof id, "r%02d", i);
      xb::ClearRecord();
      xb::PutSwapText(area, 1, id);
      xb::PutSwapText(area, 2, std::string("name") + static_cast<char>('a' + (i * 7) % 26));
      xb::PutSwapMemoBlock(area, 3, PutMemo(std::string("memo of ") + id + std::string(i * 37 % 300, 'x')));
      EXPECT_TRUE(xb::Append()) << xb::ErrorText();
    }
    for (int i : deleted) {
      xb::Go(i);
      EXPECT_TRUE(xb::DeleteRec()) << xb::ErrorText();
    }
    EXPECT_TRUE(xb::MakeIndex(kTags, "")) << xb::ErrorText();
    Close();
  }

  Scratch template_;

  // Opens the table as a program would (recovery included) and reads it
  // back; every check a reader can make on the way is made here.
  TableState ReadState(const std::string& path) {
    TableState state;
    if (!xb::Use(path)) {
      ADD_FAILURE() << "open: " << xb::ErrorText();
      return state;
    }
    for (int i = 1; i <= xb::RecCount(); ++i) {
      xb::Go(i);
      Row row;
      row.id = xb::Peek(1, i);
      row.deleted = xb::Peek(0, i) == "*";
      row.memo = GetMemo(xb::GetSwapMemoBlock(*xb::CurrentArea(), 3));
      state.rows.push_back(row);
    }
    state.tags = xb::ReadTagDefinitions("");
    if (!xb::SetIndexTo("")) {
      ADD_FAILURE() << "index: " << xb::ErrorText();
    } else {
      for (const std::string& fault : xb::VerifyIndexFile(*xb::CurrentArea())) ADD_FAILURE() << fault;
    }
    Close();
    ScanTableBytes(path, state.rows.size());
    for (const char* side : {"notes.$PD", "notes.$PM", "notes.$PX", "notes.$PK"})
      EXPECT_FALSE(xb::FileExists(scratch_.Path(side))) << side << " left after the open";
    return state;
  }

  // The table as a plain reader sees it: the count in the header matches
  // the file's length and the file ends in 0x1A.
  static void ScanTableBytes(const std::string& path, size_t records) {
    const std::vector<uint8_t> bytes = ReadBytes(xb::FileExists(path) ? platform::Files().Resolve(path) : path);
    ASSERT_GE(bytes.size(), 32u);
    const uint32_t count = bytes[4] | bytes[5] << 8 | bytes[6] << 16 | static_cast<uint32_t>(bytes[7]) << 24;
    const size_t header = bytes[8] | bytes[9] << 8;
    const size_t length = bytes[10] | bytes[11] << 8;
    EXPECT_EQ(count, records);
    EXPECT_EQ(bytes.size(), header + count * length + 1);
    EXPECT_EQ(bytes.back(), 0x1A);
  }

  // What dbfread, a reader that shares no code with the engine, makes of
  // the table: its live records, then its deleted ones, each with its memo.
  // Checked against the engine's view; skipped without python3-dbfread.
  // dbfread takes a dBASE IV memo's length as the data alone and so reads
  // the 8 zero bytes after it as well; they are stripped.
  static void CheckWithDbfread(const std::string& path, const TableState& state) {
    const std::string& python = PythonWithDbf();
    if (python.empty()) return;
    const std::string script =
        "import dbfread,sys\n"
        "t=dbfread.DBF(sys.argv[1],load=True,encoding='cp1252')\n"
        "m=lambda r: (r['NOTE'] or '').rstrip(chr(0))\n"
        "for r in t.records: print(r['ID']+'='+m(r))\n"
        "for r in t.deleted: print('*'+r['ID']+'='+m(r))\n";
    const std::string real = platform::Files().Resolve(path);
    const std::string seen = RunCapture("'" + python + "' -c \"" + script + "\" '" + real + "' 2>&1");
    std::string expected;
    for (const bool deleted : {false, true})
      for (const Row& r : state.rows)
        if (r.deleted == deleted) {
          std::string id = r.id;
          while (!id.empty() && id.back() == ' ') id.pop_back();
          expected += (deleted ? "*" : "") + id + "=" + r.memo + "\n";
        }
    EXPECT_EQ(seen, expected) << "dbfread";
  }

  static TableState Expected(int n, const std::vector<int>& deleted, bool packed) {
    TableState state;
    for (int i = 1; i <= n; ++i) {
      const bool is_deleted = std::find(deleted.begin(), deleted.end(), i) != deleted.end();
      if (packed && is_deleted) continue;
      char id[8];
      std::snprintf(id, sizeof id, "r%02d", i);
      state.rows.push_back({std::string(id) + " ", is_deleted,
                            std::string("memo of ") + id + std::string(i * 37 % 300, 'x')});
    }
    for (const xb::TagDefinition& t : kTags) {
      state.tags.push_back(t.name + "," + (t.descending ? "T" : "F") + "," +
                           (t.unique ? "T" : "F") + "," + t.key_expression);
      state.tags.push_back(t.for_expression);
    }
    return state;
  }

  // Opens the table for editing, as xbtool and the program do.
  static void OpenForEditing(const std::string& path) {
    ASSERT_TRUE(xb::Use(path)) << xb::ErrorText();
    ASSERT_TRUE(xb::SetIndexTo("")) << xb::ErrorText();
    xb::Set_Order_To(0);
  }
};

const std::vector<int> kDeleted = {2, 5, 6, 11};
constexpr int kRecords = 12;

TEST_F(CrashTest, APackStoppedAtAnyFileOperationIsUndoneOrFinishedByTheNextOpen) {
  const TableState before = Expected(kRecords, kDeleted, false);
  const TableState after = Expected(kRecords, kDeleted, true);
  int finished = 0, undone = 0;
  for (int n = 1;; ++n) {
    SCOPED_TRACE("stop at call " + std::to_string(n));
    const std::string path = MakeNotes(kRecords, kDeleted);
    OpenForEditing(path);
    bool fired = false;
    {
      CrashingFiles files;
      files.CrashAt(n);
      (void)xb::Pack();
      fired = (files.Crashed() || files.DiskFull());
      Close();
    }
    const TableState state = ReadState(path);
    if (n % 7 == 0 || !fired) CheckWithDbfread(path, state);
    if (state == after) ++finished;
    else if (state == before) ++undone;
    else ADD_FAILURE() << "neither before nor after: " << Show(state);
    if (!fired) {
      EXPECT_EQ(state, after);
      break;
    }
    ASSERT_LT(n, 5000);
  }
  EXPECT_GT(finished, 1);
  EXPECT_GT(undone, 1);
}

TEST_F(CrashTest, APackOnAFullDiskFailsAndLeavesTheTableAsItWas) {
  const TableState before = Expected(kRecords, kDeleted, false);
  const TableState after = Expected(kRecords, kDeleted, true);
  for (int n = 1;; ++n) {
    SCOPED_TRACE("disk full from call " + std::to_string(n));
    const std::string path = MakeNotes(kRecords, kDeleted);
    OpenForEditing(path);
    bool ok = false, fired = false;
    {
      CrashingFiles files;
      files.DiskFullFrom(n);
      ok = xb::Pack();
      fired = (files.Crashed() || files.DiskFull());
      EXPECT_TRUE(ok || xb::ErrorCode() != 0) << "silent failure";
      Close();
    }
    const TableState state = ReadState(path);
    EXPECT_TRUE(state == (ok ? after : before)) << Show(state);
    if (!fired) break;
    ASSERT_LT(n, 5000);
  }
}

TEST_F(CrashTest, AnIndexBuildStoppedAnywhereLeavesTheOldIndexOrTheNewOne) {
  const std::vector<xb::TagDefinition> rebuilt = {Def("BYNAME", "NAME")};
  for (const bool full_disk : {false, true}) {
    for (int n = 1;; ++n) {
      SCOPED_TRACE((full_disk ? "disk full from call " : "stop at call ") + std::to_string(n));
      const std::string path = MakeNotes(6, {2});
      ASSERT_TRUE(xb::Use(path)) << xb::ErrorText();
      bool fired = false, ok = false;
      {
        CrashingFiles files;
        if (full_disk) files.DiskFullFrom(n);
        else files.CrashAt(n);
        ok = xb::MakeIndex(rebuilt, "");
        fired = (files.Crashed() || files.DiskFull());
        Close();
      }
      const TableState state = ReadState(path);
      const std::vector<std::string> old_tags = Expected(6, {2}, false).tags;
      const std::vector<std::string> new_tags = {"BYNAME,F,F,NAME", ""};
      EXPECT_TRUE(state.tags == old_tags || state.tags == new_tags) << Show(state);
      if (ok) {
        EXPECT_EQ(state.tags, new_tags);
      }
      if (full_disk && !ok) {
        EXPECT_EQ(state.tags, old_tags);
      }
      EXPECT_EQ(state.rows, Expected(6, {2}, false).rows);
      if (!fired) break;
      ASSERT_LT(n, 5000);
    }
  }
}

// An append with three tags and a memo on a disk that fills up at any
// point: it either succeeds with every key written, or fails and leaves
// the table and its tags as they were.
TEST_F(CrashTest, AnAppendOnAFullDiskLeavesTheTableAndItsTagsAsTheyWere) {
  const TableState before = Expected(6, {2}, false);
  TableState after = before;
  after.rows.push_back({"r07 ", false, "memo of r07"});
  for (int n = 1;; ++n) {
    SCOPED_TRACE("disk full from call " + std::to_string(n));
    const std::string path = MakeNotes(6, {2});
    OpenForEditing(path);
    bool ok = false, fired = false;
    {
      CrashingFiles files;
      files.DiskFullFrom(n);
      if (xb::ALock()) {
        xb::WorkArea& area = *xb::CurrentArea();
        xb::ClearRecord();
        xb::PutSwapText(area, 1, "r07");
        xb::PutSwapText(area, 2, "nameq");
        const int32_t block = xb::CreateBlobDescriptor(false, 0, 2);
        const std::string memo = "memo of r07";
        if (block != 0 && xb::WriteBlobStream(memo.data(), static_cast<int32_t>(memo.size())) ==
                              static_cast<int32_t>(memo.size()) &&
            xb::DestroyBlobDescriptor()) {
          xb::PutSwapMemoBlock(area, 3, block);
          ok = xb::Append();
          EXPECT_TRUE(ok || xb::ErrorCode() != 0) << "silent failure";
        }
        xb::Unlock();
      }
      fired = (files.Crashed() || files.DiskFull());
      Close();
    }
    const TableState state = ReadState(path);
    EXPECT_EQ(state.rows, ok ? after.rows : before.rows) << Show(state);
    if (!fired) {
      EXPECT_TRUE(ok);
      break;
    }
    ASSERT_LT(n, 5000);
  }
}

}  // namespace
}  // namespace qptest
