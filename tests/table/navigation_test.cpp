// Moving the record pointer: hidden records, the edges of the table,
// filters through the parser hooks and index order through the index hooks.
#include "tests/table/area_fixture.h"

namespace qptest {
namespace {

using xb::ErrorCode;
using xb::ErrorText;

class NavigationTest : public AreaTest {
 protected:
  // Six records r1..r6; `deleted` are marked deleted; opened shared.
  void Open(std::vector<int> deleted = {}, bool hide = true) {
    path_ = MakePeople(NamedRows(6, deleted));
    ASSERT_TRUE(xb::Use(path_)) << ErrorText();
    xb::SetIgnoreDel(hide);
    xb::GoTop();
  }
  std::string Quoted() const { return "Database \"" + xb::FileNameOf() + "\""; }

  std::string path_;
};

TEST_F(NavigationTest, GoTopAndGoBottomStepOverHiddenRecords) {
  Open({1, 2, 6});
  EXPECT_EQ(xb::RecNo(), 3);
  EXPECT_FALSE(xb::dBOF());
  xb::GoBottom();
  EXPECT_EQ(xb::RecNo(), 5);
  EXPECT_EQ(Name(), "r5");
  xb::SetIgnoreDel(false);
  xb::GoTop();
  EXPECT_EQ(xb::RecNo(), 1);
}

TEST_F(NavigationTest, WhenEveryRecordIsHiddenGoTopEndsAtEofAndBofWithABlankRecord) {
  Open({1, 2, 3, 4, 5, 6});
  EXPECT_TRUE(xb::dEOF());
  EXPECT_TRUE(xb::dBOF());
  EXPECT_EQ(xb::RecNo(), 7);
  EXPECT_EQ(Text(1), std::string(10, ' '));
  EXPECT_FALSE(xb::Deleted());
  xb::GoBottom();
  EXPECT_TRUE(xb::dEOF());
  EXPECT_TRUE(xb::dBOF());
}

TEST_F(NavigationTest, SkipCountsOnlyVisibleRecords) {
  Open({2, 3, 5});
  xb::Skip(1);
  EXPECT_EQ(xb::RecNo(), 4);
  xb::Skip(-1);
  EXPECT_EQ(xb::RecNo(), 1);
  xb::Skip(2);
  EXPECT_EQ(xb::RecNo(), 6);
  xb::Skip(-2);
  EXPECT_EQ(xb::RecNo(), 1);
}

TEST_F(NavigationTest, SkipBackFromTheFirstVisibleRecordSetsBofAndThenDoesNothing) {
  Open({1});
  ASSERT_EQ(xb::RecNo(), 2);
  xb::Skip(-1);
  EXPECT_EQ(xb::RecNo(), 2);
  EXPECT_TRUE(xb::dBOF());
  EXPECT_EQ(Name(), "r2");
  xb::Skip(-1);
  EXPECT_EQ(xb::RecNo(), 2);
  EXPECT_TRUE(xb::dBOF());
  EXPECT_EQ(ErrorCode(), 0);
  xb::Skip(1);
  EXPECT_EQ(xb::RecNo(), 3);
  EXPECT_FALSE(xb::dBOF());
}

TEST_F(NavigationTest, SkipForwardFromTheLastVisibleRecordGivesEofAndThenPastEof) {
  Open({6});
  xb::Go(5);
  xb::Skip(1);
  EXPECT_TRUE(xb::dEOF());
  EXPECT_EQ(xb::RecNo(), 7);
  EXPECT_EQ(Text(1), std::string(10, ' '));
  EXPECT_EQ(ErrorCode(), 0);
  xb::Skip(1);
  EXPECT_EQ(ErrorCode(), 212);
  EXPECT_EQ(ErrorText(), Quoted() + " is past EOF. [SKIP]");
  // Back from EOF lands on the last visible record.
  xb::Skip(-1);
  EXPECT_EQ(xb::RecNo(), 5);
}

TEST_F(NavigationTest, SkipOnAnEmptyTableReportsItEmpty) {
  path_ = MakePeople({});
  ASSERT_TRUE(xb::Use(path_));
  xb::Skip(-1);
  EXPECT_EQ(ErrorCode(), 212);
  EXPECT_EQ(ErrorText(), Quoted() + " is empty. [SKIP]");
  ClearErrors();
  xb::Skip(1);  // an empty table is also at EOF
  EXPECT_EQ(ErrorText(), Quoted() + " is past EOF. [SKIP]");
}

TEST_F(NavigationTest, GoOutsideTheTableEndsAtEofWithTheRecordNumberInTheMessage) {
  Open();
  for (int n : {0, 7, -3}) {
    SCOPED_TRACE(n);
    ClearErrors();
    xb::Go(2);
    xb::Go(n);
    EXPECT_EQ(ErrorCode(), 212);
    EXPECT_EQ(ErrorText(), "Invalid record number = " + std::to_string(n) + " " + Quoted() + " [GO]");
    EXPECT_TRUE(xb::dEOF());
    EXPECT_EQ(xb::RecNo(), 7);
    EXPECT_EQ(Text(1), std::string(10, ' '));
  }
}

TEST_F(NavigationTest, GoIgnoresVisibility) {
  Open({3});
  xb::Go(3);
  EXPECT_EQ(xb::RecNo(), 3);
  EXPECT_TRUE(xb::Deleted());
  EXPECT_FALSE(xb::IsVisible());
}

TEST_F(NavigationTest, Dbf4RawGoLoadsAnyRecordAndReportsInItsOwnName) {
  Open({3});
  xb::Dbf4RawGo(3);
  EXPECT_EQ(xb::RecNo(), 3);
  EXPECT_EQ(Name(), "r3");
  xb::Dbf4RawGo(9);
  EXPECT_TRUE(xb::dEOF());
  EXPECT_EQ(xb::RecNo(), 7);
  EXPECT_EQ(ErrorCode(), 0);
  xb::Dbf4RawGo(0);
  EXPECT_EQ(ErrorCode(), 212);
  EXPECT_EQ(ErrorText(), " [Dbf4RawGo]");
}

TEST_F(NavigationTest, SetIgnoreDelReturnsThePreviousSettingAndDoesNotMove) {
  Open({2}, false);
  xb::Go(2);
  EXPECT_FALSE(xb::SetIgnoreDel(true));
  EXPECT_EQ(xb::RecNo(), 2);
  EXPECT_TRUE(xb::SetIgnoreDel(false));
}

TEST_F(NavigationTest, MoveOffHiddenGoesToTheNextVisibleRecordOrBackAtTheEnd) {
  Open({4});
  xb::Go(4);
  EXPECT_TRUE(xb::MoveOffHidden());
  EXPECT_EQ(xb::RecNo(), 5);
  EXPECT_FALSE(xb::MoveOffHidden());

  ASSERT_TRUE(xb::RLock());
  xb::Go(6);
  ASSERT_TRUE(xb::RLock());
  ASSERT_TRUE(xb::DeleteRec());
  EXPECT_TRUE(xb::MoveOffHidden());
  EXPECT_EQ(xb::RecNo(), 5);
  EXPECT_FALSE(xb::IsLocked(5));  // the area's locks were released
}

TEST_F(NavigationTest, FiltersNeedTheParserHooks) {
  Open();
  xb::Set_Filter_To("AGE > 3");
  EXPECT_EQ(ErrorCode(), 220);
  EXPECT_EQ(ErrorText(), "Expression parser unit not linked in. [Set_Filter_To]");
}

// Compiles "even" and "odd" as filters on the AGE field.
class ParityParser : public xb::ParserHooks {
 public:
  struct Filter : xb::AreaExtension {
    int remainder = 0;
  };
  int compiled = 0;
  std::unique_ptr<xb::AreaExtension> CompileFilter(xb::WorkArea&, const std::string& text) override {
    ++compiled;
    auto f = std::make_unique<Filter>();
    f->remainder = text == "even" ? 0 : 1;
    return f;
  }
  bool EvaluateFilter(xb::WorkArea& area, xb::AreaExtension& filter) override {
    return xb::GetSwapInt(area, 2) % 2 == static_cast<Filter&>(filter).remainder;
  }
};

TEST_F(NavigationTest, AFilterHidesRecordsWithoutMovingThePointerWhenSet) {
  ParityParser parser;
  xb::InstallParserHooks(&parser);
  Open();
  xb::Go(3);
  xb::Set_Filter_To("  even ");
  EXPECT_EQ(xb::RecNo(), 3);
  EXPECT_FALSE(xb::FilterPasses());
  xb::GoTop();
  EXPECT_EQ(xb::RecNo(), 2);
  xb::Skip(1);
  EXPECT_EQ(xb::RecNo(), 4);
  xb::GoBottom();
  EXPECT_EQ(xb::RecNo(), 6);
  xb::Set_Filter_To("");
  EXPECT_EQ(xb::CurrentArea()->filter, nullptr);
  xb::GoTop();
  EXPECT_EQ(xb::RecNo(), 1);
  EXPECT_EQ(parser.compiled, 1);
}

// Index order from the last record to the first, logging every call.
class ReverseIndex : public xb::IndexHooks {
 public:
  std::vector<std::string> log;
  bool at_eof = false, at_bof = false;
  bool IndexActive(xb::WorkArea&) override { return true; }
  int32_t IndexFirst(xb::WorkArea& a) override { log.push_back("first"); return a.dbf.record_count; }
  int32_t IndexLast(xb::WorkArea&) override { log.push_back("last"); return 1; }
  int32_t IndexNext(xb::WorkArea& a) override {
    const int32_t c = a.dbf.current_record;
    at_eof = c <= 1;
    return at_eof ? c : c - 1;
  }
  int32_t IndexPrev(xb::WorkArea& a) override {
    const int32_t c = a.dbf.current_record;
    at_bof = c >= a.dbf.record_count;
    return at_bof ? c : c + 1;
  }
  bool IndexAtEOF(xb::WorkArea&) override { return at_eof; }
  bool IndexAtBOF(xb::WorkArea&) override { return at_bof; }
  void IndexSync(xb::WorkArea&) override { log.push_back("sync"); }
  void IndexAfterMove(xb::WorkArea&) override { log.push_back("after"); }
  void IndexOnBOF(xb::WorkArea&) override { log.push_back("onbof"); }
  void IndexOnEOF(xb::WorkArea&) override { log.push_back("oneof"); }
  void IndexSetMoving(xb::WorkArea&, bool on) override { log.push_back(on ? "moving" : "still"); }
  bool IndexSetUpdating(xb::WorkArea&, bool on) override {
    log.push_back(on ? "updating" : "done");
    return true;
  }
  bool IndexAddKeys(xb::WorkArea&) override {
    log.push_back("add");
    return true;
  }
  bool IndexBeforeReplace(xb::WorkArea&) override {
    log.push_back("before");
    return true;
  }
  bool IndexAfterReplace(xb::WorkArea&) override {
    log.push_back("afterreplace");
    return true;
  }
  void IndexClose(xb::WorkArea&) override { log.push_back("close"); }
  void IndexReindex(xb::WorkArea&) override { log.push_back("reindex"); }
};

TEST_F(NavigationTest, WithAnIndexActiveEveryMoveFollowsTheIndex) {
  Open({5});
  ReverseIndex index;
  xb::InstallIndexHooks(&index);
  xb::GoTop();
  EXPECT_EQ(xb::RecNo(), 6);
  xb::Skip(1);  // 5 is hidden
  EXPECT_EQ(xb::RecNo(), 4);
  xb::GoBottom();
  EXPECT_EQ(xb::RecNo(), 1);
  index.log.clear();
  xb::Skip(1);
  EXPECT_TRUE(xb::dEOF());
  EXPECT_EQ(xb::RecNo(), 7);
  EXPECT_EQ(index.log, (std::vector<std::string>{"moving", "sync", "still", "after"}));
  index.log.clear();
  xb::Go(3);
  EXPECT_EQ(index.log, (std::vector<std::string>{"moving", "sync", "after", "still"}));
  xb::CloseArea();
  EXPECT_EQ(index.log.back(), "close");
}

TEST_F(NavigationTest, DatesReadWithTheCenturyFlagShowFourDigitYearsAndTenCharacters) {
  xb::DateSettings& dates = xb::CurrentDateSettings();
  dates.date_format = 0;
  path_ = MakePeople({{{"x", "1", "0", "12/31/26"}}});
  ASSERT_TRUE(xb::Use(path_));
  EXPECT_EQ(xb::Peek(4, 1), "20261231");
  EXPECT_EQ(Text(4), "12/31/26");
  EXPECT_EQ(xb::FieldLen(4), 8);
  dates.century = true;
  xb::Skip(0);
  EXPECT_EQ(Text(4), "12/31/2026");
  EXPECT_EQ(xb::FieldLen(4), 10);
}

}  // namespace
}  // namespace qptest
