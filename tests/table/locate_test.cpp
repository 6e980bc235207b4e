// Locate and Continue: matching rules per field type and option, several
// fields, hidden records, memo lines, and the refusals.
#include <functional>
#include <map>
#include <tuple>

#include "tests/table/area_fixture.h"

namespace qptest {
namespace {

using xb::ErrorCode;
using xb::ErrorText;
using xb::LocateValue;

class LocateTest : public AreaTest {
 protected:
  void SetUp() override {
    AreaTest::SetUp();
    xb::CurrentDateSettings().date_format = 0;
    path_ = MakePeople({
        {{"abcdef", "10", "1.50", "01/02/26", "T"}},
        {{"abc", "20", "2.25", "03/04/26", "F"}},
        {{"ABC", "30", "1.50", "05/06/26", "T"}},
        {{"xyz abc", "10", "9.99", "07/08/26", "F"}},
        {{"abc", "20", "2.25", "03/04/26", "T"}},
    });
    ASSERT_TRUE(xb::Use(path_));
  }
  std::string path_;
};

struct Search {
  std::string name;
  std::string field;
  LocateValue value;
  xb::LocateOptions options;
  int found;  // 0: not found
};

TEST_F(LocateTest, EachFieldTypeAndOptionMatchesAsDescribed) {
  const std::vector<Search> cases = {
      {"partial text finds the first prefix", "NAME", std::string("abc"), {}, 1},
      {"exact text needs the rest of the field blank", "name", std::string("abc"), {false, true}, 2},
      {"exact text with trailing spaces", "NAME", std::string("abc       "), {false, true}, 2},
      {"exact text longer than stored", "NAME", std::string("abcd"), {false, true}, 0},
      {"case matters by default", "NAME", std::string("ABC"), {}, 3},
      {"caseless", "NAME", std::string("abcd"), {true}, 1},
      {"caseless exact", "NAME", std::string("ABC"), {true, true}, 2},
      {"contained", "NAME", std::string("z a"), {false, false, true}, 4},
      {"trailing spaces of a partial value are ignored", "NAME", std::string("xyz   "), {}, 4},
      {"integer", "AGE", int64_t{30}, {}, 3},
      {"integer given as text", "AGE", std::string("20"), {}, 2},
      {"decimals", "PRICE", 2.25, {}, 2},
      {"decimals given as text", "PRICE", std::string("9.99"), {}, 4},
      {"date text", "BORN", std::string("05/06/26"), {}, 3},
      {"logical false", "OK", false, {}, 2},
      {"logical as text", "OK", std::string("T"), {}, 1},
      {"no match", "NAME", std::string("zzz"), {}, 0},
  };
  for (const Search& c : cases) {
    SCOPED_TRACE(c.name);
    xb::Go(2);
    EXPECT_EQ(xb::Locate(c.field, {c.value}, c.options), c.found != 0);
    EXPECT_EQ(xb::RecNo(), c.found != 0 ? c.found : 2);
    EXPECT_EQ(ErrorCode(), 0) << ErrorText();
  }
}

TEST_F(LocateTest, WithoutMoveToAFoundRecordIsNotMadeCurrent) {
  xb::Go(5);
  EXPECT_TRUE(xb::Locate("NAME", {std::string("ABC")}, false, false, false));
  EXPECT_EQ(xb::RecNo(), 5);
}

TEST_F(LocateTest, SeveralFieldsAreTriedOneAfterTheOtherAndTheFirstThatFindsWins) {
  // AGE 20 is first found in record 2, although record 5 matches both.
  EXPECT_TRUE(xb::Locate("AGE;OK", {int64_t{20}, true}, false, false));
  EXPECT_EQ(xb::RecNo(), 2);
  // The first pair finds nothing, the second does.
  EXPECT_TRUE(xb::Locate("NAME; AGE", {std::string("nobody"), int64_t{30}}, false, false));
  EXPECT_EQ(xb::RecNo(), 3);
}

TEST_F(LocateTest, ContinueFindsTheNextMatchesThenEndsAtEof) {
  ASSERT_TRUE(xb::Locate("AGE", {int64_t{20}}, false, false));
  EXPECT_EQ(xb::RecNo(), 2);
  EXPECT_TRUE(xb::Continue());
  EXPECT_EQ(xb::RecNo(), 5);
  EXPECT_FALSE(xb::Continue());
  EXPECT_TRUE(xb::dEOF());
  // The search is forgotten once it found nothing.
  EXPECT_FALSE(xb::Continue());
  EXPECT_EQ(ErrorCode(), 220);
  EXPECT_EQ(ErrorText(), "Call to CONTINUE not preceeded by call to LOCATE. [Continue]");
}

TEST_F(LocateTest, MatchesOnHiddenRecordsArePassedOver) {
  xb::SetIgnoreDel(true);
  xb::Go(2);
  ASSERT_TRUE(xb::RLock());
  ASSERT_TRUE(xb::DeleteRec());
  xb::Unlock();
  EXPECT_TRUE(xb::Locate("AGE", {int64_t{20}}, false, false));
  EXPECT_EQ(xb::RecNo(), 5);
  xb::Go(5);
  ASSERT_TRUE(xb::RLock());
  ASSERT_TRUE(xb::DeleteRec());
  // Only hidden records hold 20 now: not found, and the pointer goes back.
  xb::Go(1);
  EXPECT_FALSE(xb::Locate("AGE", {int64_t{20}}, false, false));
  EXPECT_EQ(xb::RecNo(), 1);
  // Continue from record 1 of a search on 10 passes to 4, then ends at EOF.
  ASSERT_TRUE(xb::Locate("AGE", {int64_t{10}}, false, false));
  EXPECT_TRUE(xb::Continue());
  EXPECT_EQ(xb::RecNo(), 4);
  EXPECT_FALSE(xb::Continue());
  EXPECT_TRUE(xb::dEOF());
}

TEST_F(LocateTest, ContinueWithoutALocateAndBadFieldNamesAreRefused) {
  const std::vector<std::tuple<std::string, std::function<bool()>, std::string>> cases = {
      {"continue first", [] { return xb::Continue(); },
       "Call to CONTINUE not preceeded by call to LOCATE. [Continue]"},
      {"empty name", [] { return xb::Locate("  ", {std::string("x")}, false, false); },
       "No field name specified [Locate/Count/Sum]"},
      {"unknown name", [] { return xb::Locate("nosuch", {std::string("x")}, false, false); },
       "Unrecognized field name [Locate/Count/Sum(NOSUCH)]"},
      {"options in the name are cut off", [] { return xb::Locate("nosuch NOCASE", {std::string("x")}, false, false); },
       "Unrecognized field name [Locate/Count/Sum(NOSUCH)]"},
  };
  for (const auto& [name, run, text] : cases) {
    SCOPED_TRACE(name);
    ClearErrors();
    xb::Go(3);
    EXPECT_FALSE(run());
    EXPECT_EQ(ErrorCode(), 220);
    EXPECT_EQ(ErrorText(), text);
    EXPECT_EQ(xb::RecNo(), 3);
  }
}

class LinesMemo : public xb::MemoHooks {
 public:
  std::map<int32_t, std::vector<std::string>> memos;
  bool OpenMemo(xb::WorkArea&, const std::string&) override { return true; }
  bool CloseMemo(xb::WorkArea&) override { return true; }
  bool CreateMemo(const std::string&, uint8_t, int, const std::string&) override { return true; }
  std::unique_ptr<xb::MemoLineSource> OpenLines(xb::WorkArea&, int32_t block) override {
    struct Source : xb::MemoLineSource {
      std::vector<std::string> lines;
      size_t next = 0;
      bool NextLine(std::string& line) override {
        if (next >= lines.size()) return false;
        line = lines[next++];
        return true;
      }
    };
    auto s = std::make_unique<Source>();
    s->lines = memos[block];
    return s;
  }
};

TEST_F(LocateTest, AMemoMatchesWhenAnyOfItsLinesContainsTheValue) {
  xb::CloseArea();
  LinesMemo memo;
  qptest::CloseAreasFirst close_first;
  memo.memos[1] = {"first line", "buy milk"};
  memo.memos[5] = {"Call Bob", "later"};
  xb::InstallMemoHooks(&memo);
  xb::SetMemoFileCreator([](const std::string&, uint8_t, int, const std::string&) { return true; });
  path_ = MakeTable("memos", {Fd("NAME", 'C', 5), Fd("TEXT", 'M', 10)},
                    {{{"a", "0"}}, {{"b", "1"}}, {{"c", "5"}}});
  xb::SetMemoFileCreator(nullptr);
  ASSERT_TRUE(xb::Use(path_));
  EXPECT_TRUE(xb::Locate("TEXT", {std::string("milk")}, false, false));
  EXPECT_EQ(xb::RecNo(), 2);
  EXPECT_FALSE(xb::Locate("TEXT", {std::string("bob")}, false, false));
  EXPECT_TRUE(xb::Locate("TEXT", {std::string("bob")}, true, false));
  EXPECT_EQ(xb::RecNo(), 3);
}

}  // namespace
}  // namespace qptest
