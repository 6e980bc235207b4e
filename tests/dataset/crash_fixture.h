#pragma once
// The crash tests' table: records "r01".. with a memo each and a production
// index of three tags, made once and copied for every round; and how a
// round reads it back after a stop: through the engine as a program would
// open it (recovery included), with the tags checked by the verifier that
// `xbtool check` runs, the file by a byte scan, and, where asked, by
// dbfread, a reader that shares no code with the engine.
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
namespace crash {

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

inline std::string Show(const TableState& s) {
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
    // stopped operation and the closing LOGOUT would retry it for the full
    // wait each round, though a stopped process makes no more calls.
    saved_timings_ = xb::SemaphoreSettings();
    xb::SemaphoreSettings().region_lock_ms = 0;
    xb::SemaphoreSettings().writer_wait_seconds = 0;
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

}  // namespace crash
}  // namespace qptest
