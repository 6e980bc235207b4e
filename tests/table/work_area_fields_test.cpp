// Field information of the current table and the header facts the index
// and dataset layers ask for.
#include <functional>

#include "tests/table/area_fixture.h"

namespace qptest {
namespace {

using xb::ErrorCode;
using xb::ErrorText;

class FieldInfoTest : public AreaTest {
 protected:
  void SetUp() override {
    AreaTest::SetUp();
    path_ = MakePeople(NamedRows(2));
    ASSERT_TRUE(xb::Use(path_)) << ErrorText();
  }
  std::string path_;
};

TEST_F(FieldInfoTest, EachFieldReportsItsNameTypeLengthAndDecimals) {
  EXPECT_EQ(xb::FieldCount(), 5);
  EXPECT_EQ(xb::Field(3), "PRICE");
  EXPECT_EQ(xb::FieldType(3), 'N');
  EXPECT_EQ(xb::FieldLen(3), 8);
  EXPECT_EQ(xb::FieldDec(3), 2);
  EXPECT_EQ(xb::FieldType(5), 'L');
  EXPECT_EQ(xb::FieldNo("  price "), 3);
  EXPECT_EQ(xb::FieldNo("PRICEWITHALONGTAIL"), 0);
  EXPECT_EQ(xb::FieldNo("nosuch"), 0);
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(xb::RecSize(), 31);
}

TEST_F(FieldInfoTest, FieldAddressPointsIntoTheSwapBufferAndZeroIsTheDeletedFlag) {
  xb::WorkArea& area = *xb::CurrentArea();
  EXPECT_EQ(xb::FieldAddress(0), area.swap);
  EXPECT_EQ(xb::FieldAddress(1), area.swap + 1);
  EXPECT_EQ(xb::FieldAddress(2), area.swap + 12);
  EXPECT_EQ(xb::FieldAddress(3), area.swap + 16);
  EXPECT_EQ(xb::FieldAddress(4), area.swap + 24);
  EXPECT_EQ(xb::FieldAddress(5), area.swap + 35);
  EXPECT_EQ(area.swap_size, 36);
}

TEST_F(FieldInfoTest, AFieldNumberOutsideTheTableIsRefusedInTheFunctionsName) {
  const std::vector<std::pair<std::string, std::function<void(int)>>> functions = {
      {"FieldType", [](int n) { EXPECT_EQ(xb::FieldType(n), ' '); }},
      {"FieldLen", [](int n) { EXPECT_EQ(xb::FieldLen(n), 0); }},
      {"FieldDec", [](int n) { EXPECT_EQ(xb::FieldDec(n), 0); }},
      {"Field", [](int n) { EXPECT_EQ(xb::Field(n), ""); }},
      {"FieldAddress", [](int n) { EXPECT_EQ(xb::FieldAddress(n), nullptr); }},
  };
  for (const auto& [name, call] : functions) {
    for (int n : {0, 6, -1}) {
      if (name == "FieldAddress" && n == 0) continue;  // the deleted flag
      SCOPED_TRACE(name + " " + std::to_string(n));
      ClearErrors();
      call(n);
      EXPECT_EQ(ErrorCode(), 220);
      EXPECT_EQ(ErrorText(), "Invalid field number. [" + name + "(" + std::to_string(n) + ")]");
    }
  }
}

TEST_F(FieldInfoTest, TheProductionIndexFlagIsWrittenToTheHeaderAtClose) {
  EXPECT_FALSE(xb::HasProductionIndex());
  xb::SetProductionIndexFlag(true);
  EXPECT_TRUE(xb::HasProductionIndex());
  EXPECT_EQ(xb::CurrentArea()->dbf.state, xb::FileState::kModified);
  xb::CloseArea();
  EXPECT_FALSE(xb::HasProductionIndex());  // no table
  EXPECT_EQ(Bytes("PEOPLE.DBF")[28], 1);
  ASSERT_TRUE(xb::Use(path_));
  EXPECT_TRUE(xb::HasProductionIndex());
  xb::SetProductionIndexFlag(false);
  xb::CloseArea();
  EXPECT_EQ(Bytes("PEOPLE.DBF")[28], 0);
}

TEST_F(FieldInfoTest, TheIndexFileVariableBelongsToTheAreaAndClosesWithIt) {
  xb::Select(4);
  ASSERT_TRUE(xb::Use(path_ + " ALIAS FOUR"));
  xb::IndexFileRef ref = xb::IndexFileOf();
  ASSERT_NE(ref.file, nullptr);
  EXPECT_EQ(ref.area, 4);
  ASSERT_EQ(platform::Files().Open(scratch_.Path("PEOPLE.DBF"), 0x42, *ref.file), 0);
  xb::CloseArea();
  // The index file's open is gone with the area: nothing blocks an
  // exclusive open of the table any more except area 1.
  xb::Select(1);
  xb::CloseArea();
  std::unique_ptr<platform::File> alone;
  EXPECT_EQ(platform::Files().Open(scratch_.Path("PEOPLE.DBF"), 0x12, alone), 0);
}

}  // namespace
}  // namespace qptest
