// Find, FindExact and navigation in tag order, compared with a sorted
// in-memory model of the same records.
#include <random>
#include <string>
#include <vector>

#include "engine/table/julian.h"
#include "tests/index/index_fixture.h"

namespace qptest {
namespace {

class IndexSearchTest : public IndexTest {
 protected:
  // 1 abc 5, 2 ABC 3, 3 abd 7, 4 b 1 (deleted), 5 abc 9, 6 zz 2
  void SetUp() override {
    IndexTest::SetUp();
    std::vector<GenRecord> r(6);
    const char* names[] = {"abc", "ABC", "abd", "b", "abc", "zz"};
    const int nums[] = {5, 3, 7, 1, 9, 2};
    for (int i = 0; i < 6; ++i) {
      r[i].name = names[i];
      r[i].num = nums[i];
      r[i].born = "2024031" + std::to_string(i);
    }
    r[3].deleted = true;
    const std::string path = WriteTable("s", r);
    ASSERT_TRUE(xb::Use(path));
    ASSERT_TRUE(xb::MakeIndex({Def("NAME", "NAME"), Def("NAMEDN", "NAME", true), Def("NUM", "NUM"),
                               Def("BORN", "BORN"), Def("NONE", "NAME", false, false, "NUM > 100")},
                              ""))
        << xb::ErrorText();
    ASSERT_TRUE(xb::SetIndexTo("")) << xb::ErrorText();
  }
};

struct FindCase {
  const char* tag;
  std::string text;
  bool exact;
  bool hide_deleted;
  const char* filter;
  int32_t expected;  // 0: not found
};

TEST_F(IndexSearchTest, FindAndFindExactMatchTheModel) {
  const std::string day_text = xb::JulianToText(xb::DbfToJulian("20240312"));
  const FindCase cases[] = {
      {"NAME", "abc", false, false, "", 1},
      {"NAME", "ab", false, false, "", 1},
      {"NAME", "ABC", false, false, "", 2},
      {"NAME", "abd", false, false, "", 3},
      {"NAME", "abe", false, false, "", 0},
      {"NAME", "zzz", false, false, "", 0},
      {"NAME", "zz", false, false, "", 6},
      {"NAME", "~", false, false, "", 0},
      {"NAME", "ab", true, false, "", 0},
      {"NAME", "abc", true, false, "", 1},
      {"NAME", "b", false, true, "", 0},
      {"NAME", "b", false, false, "", 4},
      {"NAME", "abc", false, false, "NUM > 6", 5},
      {"NAME", "abc", false, false, "NUM > 100", 0},
      {"NAMEDN", "ab", false, false, "", 3},
      {"NAMEDN", "abc", false, false, "", 1},
      {"NAMEDN", "a", false, false, "", 3},
      {"NAMEDN", "abc", true, false, "", 1},
      {"NAMEDN", "c", false, false, "", 0},
      {"NAMEDN", "0", false, false, "", 0},
      {"NUM", "7", false, false, "", 3},
      {"NUM", "8", false, false, "", 0},
      {"NUM", "-1", false, false, "", 0},
      {"NUM", "9", false, false, "", 5},
      {"BORN", day_text, false, false, "", 3},
      {"BORN", "01/01/01", false, false, "", 0},
      {"NONE", "abc", false, false, "", 0},
  };
  for (const FindCase& c : cases) {
    SCOPED_TRACE(std::string(c.tag) + " '" + c.text + "'" + (c.exact ? " exact" : "") +
                 (c.hide_deleted ? " hide" : "") + " " + c.filter);
    ClearErrors();
    xb::SetIgnoreDel(c.hide_deleted);
    xb::Set_Filter_To(c.filter);
    ASSERT_TRUE(xb::SetOrderToTag(c.tag));
    const bool found = c.exact ? xb::FindExact(c.text) : xb::Find(c.text);
    EXPECT_EQ(xb::ErrorCode(), 0) << xb::ErrorText();
    EXPECT_EQ(found, c.expected != 0);
    EXPECT_EQ(xb::FoundResult(), c.expected != 0);
    if (c.expected != 0) {
      EXPECT_EQ(xb::RecNo(), c.expected);
      EXPECT_FALSE(xb::dEOF());
      // The tag is positioned on the found key: the next step follows it.
      xb::Skip(0);
    } else {
      EXPECT_TRUE(xb::dEOF());
      EXPECT_EQ(xb::RecNo(), 7);
    }
    EXPECT_FALSE(xb::ExactMatch()) << "FindExact restores the switch";
  }
}

TEST_F(IndexSearchTest, FindInNaturalOrderIsRefused) {
  xb::Set_Order_To(0);
  EXPECT_EQ(xb::CurrentOrder(), 0);
  EXPECT_FALSE(xb::Find("abc"));
  EXPECT_EQ(xb::ErrorCode(), 254);
  EXPECT_EQ(xb::ErrorText(), "Cannot use Find() with index order 0 (natural order) [Find]");
}

TEST_F(IndexSearchTest, NavigationFollowsTheTagOverBothEnds) {
  ASSERT_TRUE(xb::SetOrderToTag("NAME"));
  EXPECT_EQ(ScanForward(), (std::vector<int32_t>{2, 1, 5, 3, 4, 6}));
  EXPECT_EQ(ScanBackward(), (std::vector<int32_t>{6, 4, 3, 5, 1, 2}));
  xb::SetIgnoreDel(true);
  EXPECT_EQ(ScanForward(), (std::vector<int32_t>{2, 1, 5, 3, 6}));
  // Next on the last key: EOF; prior from EOF: the last key again.
  xb::GoBottom();
  EXPECT_EQ(xb::RecNo(), 6);
  xb::Skip(1);
  EXPECT_TRUE(xb::dEOF());
  EXPECT_EQ(xb::RecNo(), 7);
  xb::Skip(-1);
  EXPECT_EQ(xb::RecNo(), 6);
  // Prior on the first key: BOF on the first record, and again.
  xb::GoTop();
  xb::Skip(-1);
  EXPECT_TRUE(xb::dBOF());
  EXPECT_EQ(xb::RecNo(), 2);
  xb::Skip(-1);
  EXPECT_EQ(xb::RecNo(), 2);
  xb::Skip(2);
  EXPECT_EQ(xb::RecNo(), 5);
  // Go to a record, then step from there in tag order.
  xb::Go(3);
  xb::Skip(1);
  EXPECT_EQ(xb::RecNo(), 6);
  // Natural order answers in record numbers with the index still open.
  xb::Set_Order_To(0);
  EXPECT_EQ(ScanForward(), (std::vector<int32_t>{1, 2, 3, 5, 6}));
  xb::SetIgnoreDel(false);
  ASSERT_TRUE(xb::SetOrderToTag("NAMEDN"));
  EXPECT_EQ(ScanForward(), (std::vector<int32_t>{6, 4, 3, 1, 5, 2}));
  ASSERT_TRUE(xb::SetOrderToTag("NONE"));
  EXPECT_TRUE(ScanForward().empty());
  EXPECT_TRUE(xb::dEOF());
}

TEST_F(IndexSearchTest, OrdersAreChosenByNumberOrNamePrefix) {
  EXPECT_EQ(xb::CurrentOrder(), 1);
  EXPECT_EQ(xb::CurrentTagName(), "NAME");
  EXPECT_TRUE(xb::SetOrderToTag("nu"));
  EXPECT_EQ(xb::CurrentOrder(), 3);
  EXPECT_TRUE(xb::SetOrderToTag("NAMED"));
  EXPECT_EQ(xb::CurrentTagName(), "NAMEDN");
  xb::Set_Order_To(1);
  EXPECT_EQ(xb::CurrentTagName(), "NAME");
  EXPECT_TRUE(xb::SetOrderToTag(""));
  EXPECT_EQ(xb::CurrentOrder(), 0);
  EXPECT_FALSE(xb::SetOrderToTag("Q"));
  EXPECT_EQ(xb::ErrorCode(), 220);
  ClearErrors();
  xb::Set_Order_To(6);
  EXPECT_EQ(xb::ErrorCode(), 220);
  EXPECT_EQ(xb::ErrorText(), "Invalid Index Order Specified: SET_ORDER_TO. [Set_Order_To(6)] (DBF=" +
                                 xb::CurrentArea()->dbf.file_name + ")");
}

// Random moves on a larger table, each compared with the model position.
class IndexModelTest : public IndexTest {};

TEST_F(IndexModelTest, RandomMovesAgreeWithASortedModel) {
  const uint32_t seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 rng(seed);
  const std::vector<GenRecord> records = Generate(3000, seed);
  const std::string path = WriteTable("m", records);
  ASSERT_TRUE(xb::Use(path));
  ASSERT_TRUE(xb::MakeIndex({Def("NAME", "upper(NAME)"), Def("NUMDN", "NUM", true)}, ""));
  ASSERT_TRUE(xb::SetIndexTo(""));
  xb::SetIgnoreDel(true);
  for (int round = 0; round < 2; ++round) {
    const bool by_name = round == 0;
    ASSERT_TRUE(xb::SetOrderToTag(by_name ? "NAME" : "NUMDN"));
    const std::vector<int32_t> order =
        by_name ? ModelOrder(records, [](const GenRecord& g) { return TextKey(Upper(g.name)); }, false, false, Always)
                : ModelOrder(records, [](const GenRecord& g) { return NumberKey(g.num); }, true, false, Always);
    const int len = static_cast<int>(order.size());
    auto visible = [&](int pos) { return !records[static_cast<size_t>(order[static_cast<size_t>(pos)] - 1)].deleted; };
    int pos = static_cast<int>(std::find(order.begin(), order.end(), xb::RecNo()) - order.begin());
    auto first_visible = [&] {
      for (int i = 0; i < len; ++i)
        if (visible(i)) return i;
      return len;
    };
    for (int step = 0; step < 2000; ++step) {
      const int op = static_cast<int>(rng() % 5);
      std::string what;
      if (op == 0) {
        what = "GoTop";
        xb::GoTop();
        pos = first_visible();
      } else if (op == 1) {
        what = "GoBottom";
        xb::GoBottom();
        pos = len;
        for (int i = len - 1; i >= 0; --i)
          if (visible(i)) {
            pos = i;
            break;
          }
      } else if (op == 2) {
        const int32_t n = 1 + static_cast<int32_t>(rng() % records.size());
        what = "Go(" + std::to_string(n) + ")";
        xb::Go(n);
        pos = static_cast<int>(std::find(order.begin(), order.end(), n) - order.begin());
      } else {
        const int n = (op == 3 ? 1 : -1) * (1 + static_cast<int>(rng() % 3));
        what = "Skip(" + std::to_string(n) + ")";
        if (n > 0 && pos == len) continue;  // past EOF: an error, tested elsewhere
        xb::Skip(n);
        int counted = 0, i = pos;
        if (n > 0) {
          while (counted < n && ++i < len)
            if (visible(i)) ++counted;
          pos = i >= len ? len : i;
        } else {
          while (counted < -n && --i >= 0)
            if (visible(i)) ++counted;
          pos = i < 0 ? first_visible() : i;
        }
      }
      const int32_t want = pos == len ? static_cast<int32_t>(records.size()) + 1 : order[static_cast<size_t>(pos)];
      ASSERT_EQ(xb::RecNo(), want) << "step " << step << " " << what;
      ASSERT_EQ(xb::dEOF(), pos == len) << "step " << step << " " << what;
      ASSERT_EQ(xb::ErrorCode(), 0) << xb::ErrorText();
    }
  }
}

}  // namespace
}  // namespace qptest
