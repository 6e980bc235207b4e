// Filters set with Set_Filter_To compile through the expression layer's
// ParserHooks, and navigation then shows only the records that pass.
#include <string>
#include <vector>

#include "engine/index/compiled_expr.h"
#include "engine/index/expr_hooks.h"
#include "tests/table/area_fixture.h"

namespace {

class FilterTest : public qptest::AreaTest {
 protected:
  void SetUp() override {
    AreaTest::SetUp();
    xb::CurrentDateSettings().century = false;
    xb::SetDateFormat(0);
    xb::ExpressionInit();
    live_at_start_ = xb::LiveExprCount();
    // NAME, AGE, PRICE, BORN, OK
    path_ = MakePeople({{{"Ann", "31", "1.50", "01/02/90", "T"}},
                        {{"Bob", "17", "2.00", "03/04/05", "F"}},
                        {{"Cid", "45", "0.00", "  /  /  ", "T"}},
                        {{"Dan", "8", "9.99", "12/31/15", "F"}},
                        {{"Eve", "52", "4.25", "07/07/70", "T"}}});
    ASSERT_TRUE(xb::Use(path_ + " EXCLUSIVE"));
  }
  void TearDown() override {
    AreaTest::TearDown();
    EXPECT_EQ(xb::LiveExprCount(), live_at_start_) << "a filter outlived its table";
  }

  // The names of the visible records from GoTop to EOF.
  static std::vector<std::string> Forward() {
    std::vector<std::string> names;
    for (xb::GoTop(); !xb::dEOF() && names.size() < 20; xb::Skip(1)) names.push_back(Name());
    return names;
  }
  static std::vector<std::string> Backward() {
    std::vector<std::string> names;
    xb::GoBottom();
    while (!xb::dEOF() && names.size() < 20) {
      names.push_back(Name());
      xb::Skip(-1);
      if (xb::dBOF()) break;
    }
    return names;
  }

  std::string path_;
  int live_at_start_ = 0;
};

using Names = std::vector<std::string>;

TEST_F(FilterTest, NavigationShowsOnlyRecordsThatPass) {
  xb::Set_Filter_To("AGE > 18 .AND. OK");
  ASSERT_EQ(xb::ErrorCode(), 0) << xb::ErrorText();
  EXPECT_EQ(Forward(), (Names{"Ann", "Cid", "Eve"}));
  EXPECT_EQ(Backward(), (Names{"Eve", "Cid", "Ann"}));
}

TEST_F(FilterTest, FiltersSeeDatesNumbersAndFunctions) {
  xb::Set_Filter_To("BORN < CTOD('01/01/2000')");
  EXPECT_EQ(Forward(), (Names{"Ann", "Eve"}));
  xb::Set_Filter_To("DTOS(BORN) = '    '");
  EXPECT_EQ(Forward(), (Names{"Cid"}));
  xb::Set_Filter_To("PRICE * 2 >= 8 .OR. 'o' $ LOWER(NAME)");
  EXPECT_EQ(Forward(), (Names{"Bob", "Dan", "Eve"}));
  xb::Set_Filter_To("MOD(RECNO(), 2) = 0");
  EXPECT_EQ(Forward(), (Names{"Bob", "Dan"}));
}

TEST_F(FilterTest, AFilterNoRecordPassesLeavesTheTableAtEndOfFile) {
  xb::Set_Filter_To("NAME = 'Zed'");
  xb::GoTop();
  EXPECT_TRUE(xb::dEOF());
  EXPECT_TRUE(xb::dBOF());
}

TEST_F(FilterTest, AnEmptyTextRemovesTheFilterWithoutMoving) {
  xb::Set_Filter_To("AGE < 18");
  xb::GoTop();
  ASSERT_EQ(Name(), "Bob");
  xb::Set_Filter_To("   ");
  EXPECT_EQ(Name(), "Bob");
  EXPECT_EQ(Forward().size(), 5u);
}

TEST_F(FilterTest, FilterPassesAndIsVisibleTestTheCurrentRecord) {
  xb::Go(2);  // Bob
  xb::Set_Filter_To("AGE > 18");
  EXPECT_FALSE(xb::FilterPasses());
  EXPECT_FALSE(xb::IsVisible());
  xb::Go(1);
  EXPECT_TRUE(xb::FilterPasses());
  EXPECT_TRUE(xb::IsVisible());
}

TEST_F(FilterTest, ATextThatDoesNotCompileLeavesNoFilter) {
  xb::Set_Filter_To("AGE >");
  EXPECT_EQ(xb::ErrorCode(), 351);
  EXPECT_EQ(xb::ErrorText(), "Error in expression : Syntax error\r\n[AGE >]\r\n [AssignExpr]");
  EXPECT_EQ(Forward().size(), 5u);
}

TEST_F(FilterTest, AFilterThatIsNotLogicalIsRefused) {
  xb::Set_Filter_To("NAME");
  EXPECT_EQ(xb::ErrorCode(), 362);
  EXPECT_EQ(xb::ErrorText(), "Filter expression is not logical: NAME [Set_Filter_To]");
  EXPECT_EQ(Forward().size(), 5u);
}

TEST_F(FilterTest, DeletedRecordsCanBeFilteredOrHidden) {
  xb::Go(3);
  // DeleteRec needs no lock on an exclusive table.
  ASSERT_TRUE(xb::DeleteRec());
  xb::Set_Filter_To(".NOT. DELETED()");
  EXPECT_EQ(Forward(), (Names{"Ann", "Bob", "Dan", "Eve"}));
  xb::Set_Filter_To("DELETED()");
  EXPECT_EQ(Forward(), (Names{"Cid"}));
  xb::SetIgnoreDel(true);
  EXPECT_TRUE(Forward().empty());
}

TEST_F(FilterTest, AliasedFieldsReadTheOtherAreasCurrentRecord) {
  const std::string pick = MakeTable("pick", {qptest::Fd("WANT", 'C', 10)}, {{{"Dan"}}, {{"Ann"}}});
  ASSERT_TRUE(xb::Select(2));
  ASSERT_TRUE(xb::Use(pick + " ALIAS CHOICE"));
  xb::Go(1);
  ASSERT_TRUE(xb::Select(1));
  xb::Set_Filter_To("NAME = TRIM(CHOICE->WANT)");
  ASSERT_EQ(xb::ErrorCode(), 0) << xb::ErrorText();
  EXPECT_EQ(Forward(), (Names{"Dan"}));
  xb::Select(2);
  xb::Go(2);
  xb::Select(1);
  EXPECT_EQ(Forward(), (Names{"Ann"}));
}

TEST_F(FilterTest, ReplacingAFilterFreesTheOldOne) {
  xb::Set_Filter_To("OK");
  xb::Set_Filter_To(".NOT. OK");
  EXPECT_EQ(xb::LiveExprCount(), live_at_start_ + 1);
  EXPECT_EQ(Forward(), (Names{"Bob", "Dan"}));
  xb::CloseArea();
  EXPECT_EQ(xb::LiveExprCount(), live_at_start_);
}

}  // namespace
