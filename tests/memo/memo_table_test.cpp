// Memo files together with their tables: creation, the commands on the
// current work area, the lock byte, the text driver, Locate and Pack.
#include <gtest/gtest.h>

#include <functional>

#include "engine/memo/memo_blob.h"
#include "engine/memo/memo_hooks.h"
#include "engine/memo/memo_lines.h"
#include "engine/table/date_settings.h"
#include "engine/table/files.h"
#include "engine/table/xbase.h"
#include "tests/support/file_holder.h"
#include "tests/support/scratch.h"

namespace xb {
namespace {

FieldDesc Fd(const std::string& name, char type, int length) {
  FieldDesc f;
  f.name = name;
  f.type = type;
  f.length = static_cast<uint8_t>(length);
  return f;
}

class MemoTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetErrorState();
    SetReportErrors(false);
    ResetSwitches();
    ResetDateSettings();
    CloseAll();
    MemoInit();
    Switches().network_mode = false;
  }
  void TearDown() override {
    CloseAll();
    ResetSwitches();
  }
  std::string Create(const std::string& name, uint8_t version = 0x8B) {
    Switches().default_version = version;
    DbfFile scratch;
    const std::string path = scratch_.Path(name);
    EXPECT_TRUE(CreateDbf(scratch, path, std::vector<FieldDesc>{Fd("ID", 'C', 5), Fd("NOTE", 'M', 10)}))
        << ErrorText();
    return path;
  }
  int32_t PutMemo(const std::string& text) {
    int32_t block = CreateBlobDescriptor(false, 0, 2);
    EXPECT_NE(block, 0) << ErrorText();
    EXPECT_EQ(WriteBlobStream(text.data(), static_cast<int32_t>(text.size())), static_cast<int32_t>(text.size()));
    EXPECT_TRUE(DestroyBlobDescriptor()) << ErrorText();
    return block;
  }
  std::string GetMemoText(int32_t block) {
    if (CreateBlobDescriptor(false, block, 1) == 0 && block != 0) return "<error " + std::to_string(ErrorCode()) + ">";
    std::string out;
    char buf[300];
    for (int32_t n; (n = ReadBlobStream(buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
    DestroyBlobDescriptor();
    return out;
  }
  void AddRecord(const std::string& id, const std::string& memo) {
    WorkArea& area = *CurrentArea();
    ClearRecord();
    PutSwapText(area, 1, id);
    PutSwapMemoBlock(area, 2, PutMemo(memo));
    ASSERT_TRUE(Append()) << ErrorText();
  }
  std::string MemoOf(int32_t rec) {
    Go(rec);
    return GetMemoText(GetSwapMemoBlock(*CurrentArea(), 2));
  }

  qptest::Scratch scratch_;
};

TEST_F(MemoTableTest, CreatingATableCreatesItsMemoFileOfTheTablesKind) {
  Create("notes.dbf");
  EXPECT_EQ(qptest::ReadBytes(scratch_.Path("notes.dbt")).size(), 24u);
  Create("old.dbf", 0x83);
  EXPECT_EQ(qptest::ReadBytes(scratch_.Path("old.dbt")).size(), 513u);
  Create("fox.dbf", 0xF5);
  EXPECT_EQ(qptest::ReadBytes(scratch_.Path("fox.fpt")).size(), 512u);
}

TEST_F(MemoTableTest, MemosWrittenThroughTheWorkAreaReadBackAfterReopening) {
  for (uint8_t version : {0x8B, 0x83, 0xF5}) {
    const std::string path = Create("t" + std::to_string(version) + ".dbf", version);
    ASSERT_TRUE(Use(path));
    AddRecord("a", "first note");
    AddRecord("b", std::string(2000, 'b'));
    AddRecord("c", "");
    CloseArea();
    ASSERT_TRUE(Use(path));
    EXPECT_EQ(GetMemoType(), version);
    EXPECT_EQ(MemoOf(1), "first note");
    EXPECT_EQ(MemoOf(2), std::string(2000, 'b'));
    EXPECT_EQ(MemoOf(3), "");
    CloseArea();
  }
}

TEST_F(MemoTableTest, CommandsWithoutAMemoFileReportWhy) {
  CloseAll();
  EXPECT_EQ(CreateBlobDescriptor(false, 1, 1), 0);
  EXPECT_EQ(ErrorCode(), 215);
  DbfFile scratch;
  const std::string plain = scratch_.Path("plain.dbf");
  ASSERT_TRUE(CreateDbf(scratch, plain, std::vector<FieldDesc>{Fd("ID", 'C', 5)}));
  ASSERT_TRUE(Use(plain));
  ClearErrorCode();
  EXPECT_FALSE(GetMemo(1, 0));
  EXPECT_EQ(ErrorCode(), 1019);
  EXPECT_NE(ErrorText().find("No Memo Field [GetMemo]"), std::string::npos);
}

TEST_F(MemoTableTest, AMemoWriteHoldsTheLockByteUntilItIsFinished) {
  Switches().network_mode = true;
  const std::string path = Create("shared.dbf");
  ASSERT_TRUE(Use(path));
  ASSERT_NE(CreateBlobDescriptor(false, 0, 2), 0);
  {
    qptest::FileHolder other(scratch_.Path("shared.dbt"), 0x42, 10, 1);
    EXPECT_EQ(other.result(), 33);
  }
  ASSERT_TRUE(DestroyBlobDescriptor());
  qptest::FileHolder other(scratch_.Path("shared.dbt"), 0x42, 10, 1);
  EXPECT_EQ(other.result(), 0);
}

TEST_F(MemoTableTest, AWriterFindsTheLockByteTakenAndReportsIt) {
  Switches().network_mode = true;
  const std::string path = Create("busy.dbf");
  ASSERT_TRUE(Use(path));
  qptest::FileHolder other(scratch_.Path("busy.dbt"), 0x42, 10, 1);
  ASSERT_EQ(other.result(), 0);
  EXPECT_EQ(CreateBlobDescriptor(false, 0, 2), 0);
  EXPECT_EQ(ErrorCode(), 1017);
}

TEST_F(MemoTableTest, TheTextDriverWritesAndReadsLines) {
  const std::string path = Create("lines.dbf");
  ASSERT_TRUE(Use(path));
  int32_t block = 0;
  MemoText text;
  ASSERT_EQ(AssignMemo(text, &block), 0);
  ASSERT_EQ(text.Rewrite(), 0);
  ASSERT_EQ(text.WriteLn("abc"), 0);
  ASSERT_EQ(text.Write("def"), 0);
  ASSERT_EQ(text.Close(), 0);
  ASSERT_EQ(block, 1);
  auto bytes = qptest::ReadBytes(scratch_.Path("lines.dbt"));
  EXPECT_EQ(std::string(bytes.begin() + 520, bytes.end()), "abc\r\ndef");
  ASSERT_EQ(text.Reset(), 0);
  std::string line;
  std::vector<std::string> lines;
  while (text.ReadLn(line)) lines.push_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"abc", "def"}));
  ASSERT_EQ(text.Append(), 0);
  ASSERT_EQ(text.WriteLn("ghi"), 0);
  ASSERT_EQ(text.Close(), 0);
  ASSERT_TRUE(GetMemo(block, 0));
  EXPECT_EQ(MemoLines().Render(), "abc\r\ndef\r\nghi\r\n");
  EXPECT_EQ(CloseMemo(block), block) << "rewritten in place";
}

TEST_F(MemoTableTest, LocateFindsTextOnAnyLineOfAMemo) {
  const std::string path = Create("find.dbf");
  ASSERT_TRUE(Use(path));
  AddRecord("a", "nothing here");
  AddRecord("b", "shopping\r\nbuy Milk and bread\r\nlater");
  AddRecord("c", "milk");
  GoTop();
  ASSERT_TRUE(Locate("NOTE", {std::string("MILK")}, true, false));
  EXPECT_EQ(RecNo(), 2);
  ASSERT_TRUE(Continue());
  EXPECT_EQ(RecNo(), 3);
}

TEST_F(MemoTableTest, PackKeepsEveryLiveMemoAndShrinksTheFile) {
  const std::string path = Create("pack.dbf");
  ASSERT_TRUE(Use(path));
  std::vector<std::string> memos;
  for (int i = 0; i < 6; ++i) {
    memos.push_back(std::string(100 + 400 * i, static_cast<char>('a' + i)));
    AddRecord("r" + std::to_string(i), memos.back());
  }
  // Rewrites leave the old memos behind as garbage.
  for (int round = 0; round < 3; ++round) {
    for (int rec = 1; rec <= 6; ++rec) {
      Go(rec);
      memos[rec - 1] += std::to_string(round);
      PutSwapMemoBlock(*CurrentArea(), 2, PutMemo(memos[rec - 1]));
      ASSERT_TRUE(Replace()) << ErrorText();
    }
  }
  Go(2);
  ASSERT_TRUE(DeleteRec());
  Go(5);
  ASSERT_TRUE(DeleteRec());
  const auto before = qptest::ReadBytes(scratch_.Path("pack.dbt")).size();
  ASSERT_TRUE(Pack()) << ErrorText();
  std::vector<std::string> live = {memos[0], memos[2], memos[3], memos[5]};
  ASSERT_EQ(RecCount(), 4);
  EXPECT_EQ(GetSwapMemoBlock(*CurrentArea(), 2), 1) << "the current record sees its new block";
  int32_t expected_block = 1;
  for (int rec = 1; rec <= 4; ++rec) {
    EXPECT_EQ(MemoOf(rec), live[rec - 1]) << rec;
    EXPECT_EQ(GetSwapMemoBlock(*CurrentArea(), 2), expected_block) << "memos follow one another";
    expected_block += static_cast<int32_t>((live[rec - 1].size() + 8 + 511) / 512);
  }
  const auto after = qptest::ReadBytes(scratch_.Path("pack.dbt")).size();
  EXPECT_LT(after, before);
  EXPECT_LE(after, static_cast<size_t>(expected_block) * 512);
  CloseArea();
  ASSERT_TRUE(Use(path));
  EXPECT_EQ(MemoOf(4), live[3]);
}

// Dropping a memo Pack cannot read would lose the user's text for good, so
// Pack refuses, names the records, and leaves every file as it was.
TEST_F(MemoTableTest, PackRefusesMemosItCannotReadAndNamesTheirRecords) {
  struct Damage {
    const char* name;
    std::function<void(std::vector<uint8_t>& memo)> to_memo;
    int32_t block_of_b;  // 0: leave record b's block number alone
    const char* names;
  };
  const Damage cases[] = {
      {"block beyond the file", [](std::vector<uint8_t>&) {}, 77, "Record # 2 (NOTE block 77)"},
      {"block size 65535", [](std::vector<uint8_t>& m) { m[20] = m[21] = 0xFF; }, 0, "Record # 1"},
      {"length past the end", [](std::vector<uint8_t>& m) { StoreLe32(&m[2 * 512 + 4], 900000); }, 0,
       "Record # 2 (NOTE block 2)"},
  };
  for (const Damage& c : cases) {
    SCOPED_TRACE(c.name);
    CloseAll();
    const std::string path = Create("bad.dbf");
    ASSERT_TRUE(Use(path));
    AddRecord("a", "kept");
    AddRecord("b", "damaged");
    AddRecord("c", "deleted");
    ASSERT_TRUE(DeleteRec());
    if (c.block_of_b != 0) {
      Go(2);
      PutSwapMemoBlock(*CurrentArea(), 2, c.block_of_b);
      ASSERT_TRUE(Replace());
    }
    CloseAll();
    std::vector<uint8_t> memo = qptest::ReadBytes(scratch_.Path("bad.dbt"));
    c.to_memo(memo);
    qptest::WriteBytes(scratch_.Path("bad.dbt"), memo);
    const std::vector<uint8_t> table = qptest::ReadBytes(scratch_.Path("bad.dbf"));

    ASSERT_TRUE(Use(path)) << ErrorText();
    ClearErrorCode();
    EXPECT_FALSE(Pack());
    EXPECT_EQ(ErrorCode(), 1003);
    EXPECT_NE(ErrorText().find(c.names), std::string::npos) << ErrorText();
    EXPECT_EQ(RecCount(), 3);
    CloseAll();
    EXPECT_EQ(qptest::ReadBytes(scratch_.Path("bad.dbf")), table);
    EXPECT_EQ(qptest::ReadBytes(scratch_.Path("bad.dbt")), memo);
    EXPECT_FALSE(FileExists(scratch_.Path("bad.$PM")));
  }
}

}  // namespace
}  // namespace xb
