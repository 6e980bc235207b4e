// Pack: deleted records removed in place, the file cut and closed with
// 0x1A, the table reopened shared afterwards, and what a failure leaves.
#include <algorithm>
#include <filesystem>

#include "engine/table/files.h"
#include "tests/support/file_holder.h"
#include "tests/table/area_fixture.h"

namespace qptest {
namespace {

using xb::ErrorCode;
using xb::ErrorText;

// Records the offset of every write that reaches a file opened through it.
class WriteLog : public platform::FileSystemWrapper {
 public:
  WriteLog() : FileSystemWrapper(platform::Files()) {}
  std::vector<uint64_t> writes;
  int Open(const std::string& p, int m, std::unique_ptr<platform::File>& out) override {
    std::unique_ptr<platform::File> real;
    int rc = target_.Open(p, m, real);
    if (rc == 0) out = std::make_unique<Logged>(std::move(real), writes);
    return rc;
  }

 private:
  class Logged : public platform::FileWrapper {
   public:
    Logged(std::unique_ptr<platform::File> f, std::vector<uint64_t>& w) : FileWrapper(std::move(f)), w_(w) {}
    int WriteAt(uint64_t o, std::span<const uint8_t> d) override {
      w_.push_back(o);
      return FileWrapper::WriteAt(o, d);
    }

   private:
    std::vector<uint64_t>& w_;
  };
};

class PackTest : public AreaTest {
 protected:
  static uint64_t At(int n) { return 193 + (n - 1) * 31ULL; }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (int i = 1; i <= xb::RecCount(); ++i) names.push_back(xb::Peek(1, i));
    return names;
  }
  static std::string N(int i) {
    std::string s = "r" + std::to_string(i);
    return s + std::string(10 - s.size(), ' ');
  }
  std::string path_;
};

// The packed table is built beside the old one and renamed over it, so a
// Pack never writes into the file it is reading.
TEST_F(PackTest, ThePackedTableReplacesTheOldFileWhichIsNeverWritten) {
  struct Case {
    std::vector<int> deleted;
    std::vector<int> kept;
  };
  for (const Case& c : {Case{{2, 4}, {1, 3, 5}}, Case{{}, {1, 2, 3, 4, 5}}, Case{{1}, {2, 3, 4, 5}}}) {
    SCOPED_TRACE(::testing::PrintToString(c.deleted));
    path_ = MakePeople(NamedRows(5, c.deleted));
    WriteLog log;
    platform::SetFiles(&log);
    ASSERT_TRUE(xb::Use(path_));
    xb::Go(5);
    ASSERT_TRUE(xb::Pack()) << ErrorText();
    EXPECT_EQ(log.writes, std::vector<uint64_t>{});
    const int kept = static_cast<int>(c.kept.size());
    EXPECT_EQ(xb::RecCount(), kept);
    EXPECT_EQ(xb::RecNo(), 1);
    EXPECT_EQ(Name(), "r" + std::to_string(c.kept[0]));
    std::vector<std::string> expected;
    for (int i : c.kept) expected.push_back(N(i));
    EXPECT_EQ(Names(), expected);
    EXPECT_FALSE(xb::CurrentArea()->exclusive);
    EXPECT_EQ(xb::CurrentArea()->dbf.file_mode, 0x42);
    xb::CloseArea();
    platform::SetFiles(nullptr);
    const std::vector<uint8_t> bytes = Bytes("PEOPLE.DBF");
    ASSERT_EQ(bytes.size(), At(kept + 1) + 1);
    EXPECT_EQ(bytes.back(), 0x1A);
    EXPECT_EQ(bytes[4], kept);
    for (const char* side : {"PEOPLE.$PD", "PEOPLE.$PK", "PEOPLE.$PM", "PEOPLE.$PX"})
      EXPECT_FALSE(xb::FileExists(scratch_.Path(side))) << side;
  }
}

TEST_F(PackTest, PackingEveryRecordAwayLeavesAnEmptyTableAtBofAndEof) {
  path_ = MakePeople(NamedRows(3, {1, 2, 3}));
  ASSERT_TRUE(xb::Use(path_ + " EXCLUSIVE"));
  ASSERT_TRUE(xb::Pack());
  EXPECT_EQ(xb::RecCount(), 0);
  EXPECT_EQ(xb::RecNo(), 0);
  EXPECT_TRUE(xb::dEOF());
  EXPECT_TRUE(xb::dBOF());
  EXPECT_TRUE(xb::CurrentArea()->exclusive);
  xb::CloseArea();
  EXPECT_EQ(Bytes("PEOPLE.DBF").size(), At(1) + 1);
  // An empty table packs trivially.
  ASSERT_TRUE(xb::Use(path_));
  EXPECT_TRUE(xb::Pack());
}

TEST_F(PackTest, AnotherOpenOfTheTableMakesPackReturnFalseSilentlyAndLeavesItShared) {
  path_ = MakePeople(NamedRows(4, {2}));
  ASSERT_TRUE(xb::Use(path_ + " ALIAS FIRST"));
  xb::Select(2);
  ASSERT_TRUE(xb::Use(path_ + " ALIAS SECOND"));
  xb::Select(1);
  ClearErrors();
  EXPECT_FALSE(xb::Pack());
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_FALSE(xb::CurrentArea()->exclusive);
  EXPECT_EQ(xb::RecCount(), 4);
  EXPECT_EQ(xb::Peek(0, 2), "*");
  // Still fully usable, and the locks still work against the other open.
  ASSERT_TRUE(xb::RLock());
  xb::Select(2);
  EXPECT_FALSE(xb::RLock());
  xb::CloseArea();

  FileHolder other_program(scratch_.Path("PEOPLE.DBF"), 0x42);
  ASSERT_EQ(other_program.result(), 0);
  xb::Select(1);
  EXPECT_FALSE(xb::Pack());
  EXPECT_EQ(ErrorCode(), 0);
  other_program.Release();
  EXPECT_TRUE(xb::Pack());
  EXPECT_EQ(xb::RecCount(), 3);
}

// The memo layer sees every kept record with its number before the pack
// and may rewrite its image; a refusal from it leaves the table unpacked.
TEST_F(PackTest, TheMemoLayerCopiesTheKeptRecordsMemosAndCanRefuseThePack) {
  struct Repacker : xb::MemoRepacker {
    std::vector<int32_t>* seen;
    bool ok;
    std::string side, target = "memo";
    Repacker(std::vector<int32_t>* s, bool k, std::string n) : seen(s), ok(k), side(std::move(n)) {}
    xb::Status CopyMemos(std::span<uint8_t> image, int32_t record) override {
      seen->push_back(record);
      image[6] = '7';  // the new block number
      return xb::Status::OK();
    }
    xb::Status Finish() override { return ok ? xb::Status::OK() : xb::Status(1003, "unreadable"); }
    const std::string& side_name() const override { return side; }
    const std::string& target_name() const override { return target; }
  };
  struct Memo : xb::MemoHooks {
    bool ok = true;
    std::vector<int32_t> seen;
    bool OpenMemo(xb::WorkArea&, const std::string&) override { return true; }
    bool CloseMemo(xb::WorkArea&) override { return true; }
    xb::Result<std::unique_ptr<xb::MemoRepacker>> StartMemoPack(xb::WorkArea&,
                                                               const std::string& side) override {
      // The fake's new "memo file" is a file of its own, switched in by name.
      std::unique_ptr<platform::File> f;
      EXPECT_EQ(platform::Files().Create(side, 0x12, f), 0);
      return std::unique_ptr<xb::MemoRepacker>(std::make_unique<Repacker>(&seen, ok, side));
    }
    bool CreateMemo(const std::string&, uint8_t, int, const std::string&) override { return true; }
    std::unique_ptr<xb::MemoLineSource> OpenLines(xb::WorkArea&, int32_t) override { return nullptr; }
  } memo;
  qptest::CloseAreasFirst close_first;
  xb::SetMemoFileCreator([](const std::string&, uint8_t, int, const std::string&) { return true; });
  path_ = MakeTable("memos", {Fd("NAME", 'C', 5), Fd("TEXT", 'M', 10)},
                    {{{"a"}, true}, {{"b"}}, {{"c"}, true}, {{"d"}}});
  xb::SetMemoFileCreator(nullptr);
  xb::InstallMemoHooks(&memo);
  ASSERT_TRUE(xb::Use(path_));
  memo.ok = false;
  EXPECT_FALSE(xb::Pack());
  EXPECT_EQ(ErrorCode(), 1003);
  EXPECT_FALSE(xb::CurrentArea()->exclusive);
  EXPECT_EQ(xb::RecCount(), 4);
  EXPECT_EQ(memo.seen, (std::vector<int32_t>{2, 4}));
  memo.seen.clear();
  memo.ok = true;
  EXPECT_TRUE(xb::Pack()) << ErrorText();
  EXPECT_EQ(memo.seen, (std::vector<int32_t>{2, 4}));
  EXPECT_EQ(xb::RecCount(), 2);
  EXPECT_EQ(xb::Peek(2, 2).substr(0, 1), "7");
  EXPECT_TRUE(xb::FileExists(scratch_.Path("memo")));
}

// What a Pack stopped by a crash leaves, made by hand: the packed table
// under its side name, with or without a complete journal. The next open
// finishes the switch or throws the side files away.
TEST_F(PackTest, TheNextOpenFinishesACommittedPackAndUndoesAnUncommittedOne) {
  struct Case {
    const char* name;
    const char* journal;  // nullptr: none
    int records_after_open;
  };
  const Case cases[] = {
      {"committed", "QUILLPAD PACK 1\nPEOPLE.$PD|PEOPLE.DBF\nEND\n", 2},
      {"journal cut short", "QUILLPAD PACK 1\nPEOPLE.$PD|PEOPLE.DBF\n", 5},
      {"no journal", nullptr, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    path_ = MakePeople(NamedRows(5, {2, 4, 5}));
    MakePeople(NamedRows(2), "packed");
    std::filesystem::rename(platform::Files().Resolve(scratch_.Path("PACKED.DBF")), scratch_.Path("PEOPLE.$PD"));
    if (c.journal != nullptr) {
      const std::string text = c.journal;
      WriteBytes(scratch_.Path("PEOPLE.$PK"), std::vector<uint8_t>(text.begin(), text.end()));
    }
    {
      // While another program has the table open, the journal may belong
      // to a Pack still at work: the open leaves it alone, and Pack will
      // not start over a committed one.
      FileHolder other_program(scratch_.Path("PEOPLE.DBF"), 0x42);
      ASSERT_TRUE(xb::Use(path_));
      EXPECT_EQ(xb::RecCount(), 5);
      EXPECT_TRUE(xb::FileExists(scratch_.Path("PEOPLE.$PD")));
      xb::CloseArea();
    }
    ASSERT_TRUE(xb::Use(path_ + " EXCLUSIVE"));
    EXPECT_EQ(xb::RecCount(), c.records_after_open);
    EXPECT_FALSE(xb::FileExists(scratch_.Path("PEOPLE.$PD")));
    EXPECT_FALSE(xb::FileExists(scratch_.Path("PEOPLE.$PK")));
    xb::CloseArea();
  }
}

TEST_F(PackTest, PackWillNotStartOverAnEarlierPackThatIsCommittedButNotFinished) {
  path_ = MakePeople(NamedRows(3, {2}));
  FileHolder other_program(scratch_.Path("PEOPLE.DBF"), 0x42);
  ASSERT_TRUE(xb::Use(path_));
  const std::string text = "QUILLPAD PACK 1\nPEOPLE.$PD|PEOPLE.DBF\nEND\n";
  WriteBytes(scratch_.Path("PEOPLE.$PD"), Bytes("PEOPLE.DBF"));
  WriteBytes(scratch_.Path("PEOPLE.$PK"), std::vector<uint8_t>(text.begin(), text.end()));
  other_program.Release();
  EXPECT_FALSE(xb::Pack());
  EXPECT_NE(ErrorText().find("is not finished"), std::string::npos) << ErrorText();
  EXPECT_TRUE(xb::FileExists(scratch_.Path("PEOPLE.$PK")));
}

// Every I/O call of a pack fails in turn; every live record survives.
TEST_F(PackTest, AFailedPackLosesNoLiveRecordAndLeavesTheTableOpenShared) {
  for (int n = 1;; ++n) {
    SCOPED_TRACE("call " + std::to_string(n));
    ClearErrors();
    path_ = MakePeople(NamedRows(6, {2, 5}));
    FailingFiles files;
    files.OnlyReadsAndWrites();
    ASSERT_TRUE(xb::Use(path_));
    files.FailCall(n);
    const bool ok = xb::Pack();
    const int code = ErrorCode();
    const std::string text = ErrorText();
    const bool fired = files.FaultFired();
    files.Heal();
    EXPECT_TRUE(ok || code != 0) << "silent failure";
    // The failing step names the table or the side file of the table it
    // was writing, except a refused flush, whose message names the
    // operation only.
    if (!ok && text.find("[FlushFile]") == std::string::npos) {
      EXPECT_TRUE(text.find("PEOPLE.DBF") != std::string::npos ||
                  text.find("people.$P") != std::string::npos)
          << text;
    }
    // A failure after the packed files were committed closes the area: its
    // handles no longer match the files, and the next open finishes.
    if (xb::CurrentArea() == nullptr) {
      EXPECT_NE(text.find("opened again"), std::string::npos) << text;
    } else {
      EXPECT_FALSE(xb::CurrentArea()->exclusive);
      EXPECT_TRUE(xb::CurrentArea()->dbf.is_open());
    }
    xb::CloseArea();
    platform::SetFiles(nullptr);

    ASSERT_TRUE(xb::Use(path_));
    std::vector<std::string> live;
    for (int i = 1; i <= xb::RecCount(); ++i)
      if (xb::Peek(0, i) != "*") live.push_back(xb::Peek(1, i));
    for (int i : {1, 3, 4, 6})
      EXPECT_NE(std::find(live.begin(), live.end(), N(i)), live.end()) << N(i);
    if (ok) {
      EXPECT_EQ(live, (std::vector<std::string>{N(1), N(3), N(4), N(6)}));
    }
    xb::CloseArea();
    if (!fired) {
      EXPECT_TRUE(ok);
      break;
    }
  }
}

}  // namespace
}  // namespace qptest
