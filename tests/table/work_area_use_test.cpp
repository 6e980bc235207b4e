// Selecting work areas, opening tables with Use and closing them.
#include <functional>

#include "tests/table/area_fixture.h"

namespace qptest {
namespace {

using xb::ErrorCode;
using xb::ErrorText;

class UseTest : public AreaTest {};

TEST_F(UseTest, SelectZeroTakesTheLowestFreeAreaAndFailsWhenOneToThirtyThreeAreFull) {
  const std::string path = MakePeople(NamedRows(1));
  // 34 and 35 free does not help: Select(0) only hands out 1..33.
  for (int n = 1; n <= xb::kSelectableAreas; ++n) {
    ASSERT_TRUE(xb::Select(n));
    ASSERT_TRUE(xb::Use(path + " ALIAS A" + std::to_string(n))) << ErrorText();
  }
  EXPECT_FALSE(xb::Select(0));
  EXPECT_EQ(ErrorCode(), 220);
  EXPECT_EQ(ErrorText(), "No free workarea available [Select(0)]");

  xb::Select(7);
  xb::CloseArea();
  xb::Select(1);
  EXPECT_TRUE(xb::Select(0));
  EXPECT_EQ(xb::SelectedArea(), 7);
}

TEST_F(UseTest, SelectOutsideZeroToThirtyThreeIsRefused) {
  for (int n : {34, 35, -1, 255}) {
    ClearErrors();
    EXPECT_FALSE(xb::Select(n));
    EXPECT_EQ(ErrorCode(), 220);
    EXPECT_EQ(ErrorText(), "Invalid workarea selected = [Select(" + std::to_string(n) + ")]");
    EXPECT_EQ(xb::SelectedArea(), 1);
  }
}

TEST_F(UseTest, ExclusiveAndAliasWordsAreTakenOutOfTheCommandInAnyCase) {
  const std::string path = MakePeople(NamedRows(2), "notes");
  ASSERT_TRUE(xb::Use(path + " exclusive Alias other")) << ErrorText();
  xb::WorkArea* area = xb::CurrentArea();
  ASSERT_NE(area, nullptr);
  EXPECT_TRUE(area->exclusive);
  EXPECT_EQ(xb::AliasOf(), "OTHER");
  EXPECT_EQ(xb::FileNameOf(), scratch_.Path("NOTES.DBF"));
  EXPECT_EQ(area->dbf.file_mode, 0x12);
  EXPECT_EQ(xb::RecNo(), 1);
  EXPECT_EQ(Name(), "r1");
}

TEST_F(UseTest, WithoutAliasTheBaseNameInUpperCaseIsTheAliasAndTheTableIsShared) {
  const std::string path = MakePeople(NamedRows(1), "notes");
  ASSERT_TRUE(xb::Use(path));
  EXPECT_EQ(xb::AliasOf(), "NOTES");
  EXPECT_FALSE(xb::CurrentArea()->exclusive);
  EXPECT_EQ(xb::CurrentArea()->dbf.file_mode, 0x42);
  EXPECT_EQ(xb::FindAreaByAlias("NOTES"), xb::CurrentArea());
}

TEST_F(UseTest, NetworkModeOffOpensEveryTableExclusively) {
  const std::string path = MakePeople(NamedRows(1));
  xb::Switches().network_mode = false;
  ASSERT_TRUE(xb::Use(path));
  EXPECT_TRUE(xb::CurrentArea()->exclusive);
  EXPECT_EQ(xb::CurrentArea()->dbf.file_mode, 0x12);
}

TEST_F(UseTest, AnAliasAlreadyInUseLeavesTheSecondAreaEmpty) {
  const std::string notes = MakePeople(NamedRows(1), "notes");
  const std::string trash = MakePeople(NamedRows(1), "trash");
  ASSERT_TRUE(xb::Use(notes + " EXCLUSIVE ALIAS other"));
  xb::Select(2);
  EXPECT_FALSE(xb::Use(trash + " ALIAS OTHER"));
  EXPECT_EQ(ErrorCode(), 220);
  EXPECT_EQ(ErrorText(), "Alias name \"OTHER\" already in use. [USE]");
  EXPECT_EQ(xb::CurrentArea(), nullptr);
  EXPECT_NE(xb::AreaAt(1), nullptr);
}

struct UseFailure {
  std::string name;
  std::function<bool(const std::string& path, std::vector<uint8_t>& buffer)> use;
  int code;
  std::function<std::string(const std::string& path)> text;
};

TEST_F(UseTest, EveryRefusalOfUseHasItsCodeAndTextAndLeavesTheAreaEmpty) {
  const std::string path = MakePeople(NamedRows(1));
  const std::string upper_path = scratch_.Path("PEOPLE");
  // NAME 11 + AGE 4 + PRICE 8 + BORN 11 + OK 1 + deleted flag 1.
  const int swap_size = 36;
  const std::vector<UseFailure> cases = {
      {"linked list", [](const std::string& p, auto&) { return xb::Use(p + " linked list"); }, 1101,
       [](const std::string& p) { return "[USE(" + p + " linked list,<@Buffer>,<size>)]"; }},
      {"virtual file", [](const std::string& p, auto&) { return xb::Use(p + " VIRTUAL FILE"); }, 1101,
       [](const std::string& p) { return "[USE(" + p + " VIRTUAL FILE,<@Buffer>,<size>)]"; }},
      {"nil buffer with a size", [](const std::string& p, auto&) { return xb::Use(p, nullptr, 36); },
       220, [](const std::string& p) { return "Buffer is NIL or size is zero, attempting to open " + p + " [USE]"; }},
      {"buffer of size zero",
       [](const std::string& p, auto& b) { return xb::Use(p, b.data(), 0); }, 220,
       [](const std::string& p) { return "Buffer is NIL or size is zero, attempting to open " + p + " [USE]"; }},
      {"buffer one byte short",
       [](const std::string& p, auto& b) { return xb::Use(p, b.data(), 35); }, 266,
       [&](const std::string&) {
         return "Database record/buffer size mismatch: " + upper_path + " [USE()]\n\rRecord Size=36, Buffer Size=35";
       }},
      {"missing file", [](const std::string& p, auto&) { return xb::Use(p + "_gone"); }, 2,
       [&](const std::string&) { return "Failure to open " + scratch_.Path("PEOPLE_GONE.DBF") + " [USE/OpenDbf]"; }},
  };
  for (const UseFailure& c : cases) {
    SCOPED_TRACE(c.name);
    ClearErrors();
    std::vector<uint8_t> buffer(swap_size + 8);
    EXPECT_FALSE(c.use(path, buffer));
    EXPECT_EQ(ErrorCode(), c.code);
    EXPECT_EQ(ErrorText(), c.text(path));
    EXPECT_EQ(xb::CurrentArea(), nullptr);
  }
}

TEST_F(UseTest, AClientBufferOfExactlyTheComputedSizeBecomesTheSwapBuffer) {
  const std::string path = MakePeople({{{"ann", "42", "3.5"}}});
  std::vector<uint8_t> buffer(36, 0xEE);
  ASSERT_TRUE(xb::Use(path, buffer.data(), 36)) << ErrorText();
  EXPECT_EQ(xb::CurrentArea()->swap, buffer.data());
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ(buffer[1], 10);
  EXPECT_EQ(std::string(buffer.begin() + 2, buffer.begin() + 12), "ann       ");
  EXPECT_EQ(xb::FieldAddress(2), buffer.data() + 12);
}

TEST_F(UseTest, CommandsWithoutAnOpenTableReportTheirNameAndTheAreaNumber) {
  xb::Select(5);
  const std::vector<std::pair<std::string, std::function<void()>>> commands = {
      {"RecCount", [] { xb::RecCount(); }},       {"RecNo", [] { xb::RecNo(); }},
      {"RecSize", [] { xb::RecSize(); }},         {"dEOF", [] { EXPECT_TRUE(xb::dEOF()); }},
      {"dBOF", [] { EXPECT_TRUE(xb::dBOF()); }},  {"GoTop", [] { xb::GoTop(); }},
      {"GoBottom", [] { xb::GoBottom(); }},       {"GO()", [] { xb::Go(1); }},
      {"SKIP()", [] { xb::Skip(1); }},            {"SetIgnoreDel", [] { xb::SetIgnoreDel(true); }},
      {"Set_Filter_To", [] { xb::Set_Filter_To("x"); }},
      {"ClearRecord", [] { xb::ClearRecord(); }}, {"Append", [] { xb::Append(); }},
      {"Replace", [] { xb::Replace(); }},         {"DeleteRec", [] { xb::DeleteRec(); }},
      {"RecallRec", [] { xb::RecallRec(); }},     {"Deleted", [] { xb::Deleted(); }},
      {"FieldType()", [] { EXPECT_EQ(xb::FieldType(1), ' '); }},
      {"FieldLen()", [] { xb::FieldLen(1); }},    {"FieldDec()", [] { xb::FieldDec(1); }},
      {"FieldAddress", [] { EXPECT_EQ(xb::FieldAddress(1), nullptr); }},
      {"Field()", [] { xb::Field(1); }},          {"FieldNo()", [] { xb::FieldNo("A"); }},
      {"FieldCount()", [] { xb::FieldCount(); }}, {"ALock", [] { EXPECT_FALSE(xb::ALock()); }},
      {"RLock", [] { xb::RLock(); }},             {"IsLocked", [] { xb::IsLocked(1); }},
      {"UnlockRec", [] { xb::UnlockRec(1); }},    {"Unlock", [] { xb::Unlock(); }},
      {"Pack", [] { EXPECT_FALSE(xb::Pack()); }},
      {"Locate/Count/Sum", [] { xb::Locate("A", {std::string("x")}, false, false); }},
      {"Peek", [] { EXPECT_EQ(xb::Peek(1, 1), ""); }},
      {"Poke", [] { xb::Poke("x", 1, 1); }},
  };
  for (const auto& [name, run] : commands) {
    SCOPED_TRACE(name);
    ClearErrors();
    run();
    EXPECT_EQ(ErrorCode(), 215);
    EXPECT_EQ(ErrorText(), "No database in use [" + name + "]  WorkArea = 5");
  }
}

TEST_F(UseTest, CloseAllClosesOneToThirtyThreeAndSelectsAreaOne) {
  const std::string path = MakePeople(NamedRows(1));
  for (int n : {2, 33}) {
    xb::Select(n);
    ASSERT_TRUE(xb::Use(path + " ALIAS T" + std::to_string(n)));
  }
  xb::CloseAll();
  EXPECT_EQ(xb::AreaAt(2), nullptr);
  EXPECT_EQ(xb::AreaAt(33), nullptr);
  EXPECT_EQ(xb::SelectedArea(), 1);
}

TEST_F(UseTest, EngineShutdownAlsoClosesAreasThirtyFourAndThirtyFive) {
  const std::string path = MakePeople(NamedRows(1));
  xb::SetSelectedArea(34);
  ASSERT_TRUE(xb::Use(path + " ALIAS HIDDEN"));
  xb::Select(3);
  ASSERT_TRUE(xb::Use(path));
  xb::EngineShutdown();
  EXPECT_EQ(xb::AreaAt(34), nullptr);
  EXPECT_EQ(xb::AreaAt(3), nullptr);
}

TEST_F(UseTest, UseOfAnotherTableInTheSameAreaClosesTheFirst) {
  const std::string a = MakePeople(NamedRows(1), "a");
  const std::string b = MakePeople(NamedRows(3), "b");
  ASSERT_TRUE(xb::Use(a + " EXCLUSIVE"));
  ASSERT_TRUE(xb::Use(b));
  EXPECT_EQ(xb::RecCount(), 3);
  // a is closed: it can be opened exclusively in another area.
  xb::Select(2);
  EXPECT_TRUE(xb::Use(a + " EXCLUSIVE")) << ErrorText();
  EXPECT_TRUE(xb::Use(""));
  EXPECT_EQ(xb::CurrentArea(), nullptr);
}

TEST_F(UseTest, ASharedTableSeesRecordsAnotherOpenAppended) {
  const std::string path = MakePeople(NamedRows(2));
  ASSERT_TRUE(xb::Use(path + " ALIAS READER"));
  xb::Select(2);
  ASSERT_TRUE(xb::Use(path + " ALIAS WRITER"));
  ASSERT_TRUE(xb::ALock());
  xb::ClearRecord();
  Put(1, "r3");
  ASSERT_TRUE(xb::Append()) << ErrorText();
  xb::Unlock();

  xb::Select(1);
  EXPECT_EQ(xb::RecCount(), 3);
  xb::GoBottom();
  EXPECT_EQ(Name(), "r3");
}

TEST_F(UseTest, AnEmptyTableOpensAtBofAndEofWithBlankValues) {
  const std::string path = MakePeople({});
  ASSERT_TRUE(xb::Use(path));
  EXPECT_TRUE(xb::dEOF());
  EXPECT_TRUE(xb::dBOF());
  EXPECT_EQ(xb::RecCount(), 0);
  EXPECT_EQ(Text(1), std::string(10, ' '));
  EXPECT_EQ(xb::GetSwapInt(*xb::CurrentArea(), 2), 0);
}

class FakeMemo : public xb::MemoHooks {
 public:
  bool open_ok = true;
  int opened = 0, closed = 0;
  std::string opened_base;
  std::vector<std::string> lines;
  bool OpenMemo(xb::WorkArea&, const std::string& base) override {
    ++opened;
    opened_base = base;
    if (!open_ok) xb::SetError(1003, "no memo");
    return open_ok;
  }
  bool CloseMemo(xb::WorkArea&) override {
    ++closed;
    return true;
  }
  bool CreateMemo(const std::string&, uint8_t, int, const std::string&) override { return true; }
  std::unique_ptr<xb::MemoLineSource> OpenLines(xb::WorkArea&, int32_t) override { return nullptr; }
};

TEST_F(UseTest, TheMemoFileIsOpenedWithTheTableAndAFailureClosesTheArea) {
  xb::SetMemoFileCreator([](const std::string&, uint8_t, int, const std::string&) { return true; });
  const std::string path = MakeTable("memos", {Fd("NAME", 'C', 5), Fd("TEXT", 'M', 10)}, {{{"a"}}});
  xb::SetMemoFileCreator(nullptr);
  FakeMemo memo;
  xb::InstallMemoHooks(&memo);
  ASSERT_TRUE(xb::Use(path));
  EXPECT_EQ(memo.opened, 1);
  EXPECT_EQ(memo.opened_base, scratch_.Path("MEMOS"));
  xb::CloseArea();
  EXPECT_EQ(memo.closed, 1);

  memo.open_ok = false;
  EXPECT_FALSE(xb::Use(path));
  EXPECT_EQ(ErrorCode(), 1003);
  EXPECT_EQ(ErrorText(), "Problem opening memo file [USE(" + scratch_.Path("MEMOS") + ",<@Buffer>,0)]");
  EXPECT_EQ(xb::CurrentArea(), nullptr);
}

}  // namespace
}  // namespace qptest
