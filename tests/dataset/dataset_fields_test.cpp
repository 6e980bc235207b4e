// Field values through the table component: every field class, the xBase
// text forms of GetField, and puts by name.
#include "tests/dataset/dataset_fixture.h"

#include "engine/dataset/field_classes.h"

namespace xb {
namespace {

const std::vector<std::string> kFields = {"NAME, C, 5, 0", "COUNT, N, 10, 0", "PRICE, N, 8, 2",
                                          "DAY, D, 8, 0",  "OK, L, 1, 0",     "TEXT, M, 10, 0"};

class DatasetFieldsTest : public DatasetTest {
 protected:
  void SetUp() override {
    DatasetTest::SetUp();
    table_ = Table("Items", "items", kFields);
    table_->Open();
  }
  void TearDown() override {
    table_.reset();
    DatasetTest::TearDown();
  }
  std::unique_ptr<TXbDbf> table_;
};

TEST_F(DatasetFieldsTest, EachTableTypeGetsItsFieldClass) {
  EXPECT_NE(dynamic_cast<TStringField*>(table_->FieldByName("NAME")), nullptr);
  EXPECT_NE(dynamic_cast<TXbIntegerField*>(table_->FieldByName("COUNT")), nullptr);
  EXPECT_NE(dynamic_cast<TXbFloatField*>(table_->FieldByName("PRICE")), nullptr);
  EXPECT_NE(dynamic_cast<TXbDateField*>(table_->FieldByName("DAY")), nullptr);
  EXPECT_NE(dynamic_cast<TBooleanField*>(table_->FieldByName("OK")), nullptr);
  EXPECT_NE(dynamic_cast<TMemoField*>(table_->FieldByName("TEXT")), nullptr);
  EXPECT_EQ(table_->FieldByName("COUNT")->Size(), 10);
  EXPECT_EQ(table_->FieldByName("name")->Size(), 5);
}

TEST_F(DatasetFieldsTest, GetFieldGivesTheXBaseTextOfEachType) {
  AddRecord(*table_, {{"NAME", "ab"}, {"COUNT", "42"}, {"PRICE", "3.5"}, {"OK", "T"}, {"TEXT", "memo text"}});
  struct Case {
    const char* field;
    std::string text;
  } cases[] = {
      {"NAME", "ab   "},     {"COUNT", "        42"}, {"PRICE", "     3.5"},
      {"OK", "T"},           {"DAY", "  /  /    "},  {"TEXT", "memo text"},
  };
  for (const Case& c : cases) EXPECT_EQ(table_->GetField(c.field), c.text) << c.field;
  EXPECT_EQ(table_->GetFieldInt("COUNT"), 42);
  EXPECT_DOUBLE_EQ(table_->GetFieldFloat("PRICE"), 3.5);
}

TEST_F(DatasetFieldsTest, DatesTravelAsEngineDateText) {
  AddRecord(*table_, {{"DAY", "05/31/2026"}});
  EXPECT_EQ(table_->GetFieldDate("DAY"), "05/31/2026");
  EXPECT_FALSE(table_->FieldByName("DAY")->IsNull());
  table_->PutField("DAY", "  /  /    ");
  EXPECT_TRUE(table_->FieldByName("DAY")->IsNull());
  ASSERT_TRUE(table_->RLock());
  table_->ReplaceRec();
  table_->UnLock();
  EXPECT_EQ(table_->GetField("DAY"), "  /  /    ");
  EXPECT_EQ(Peek(4, 1), "        ");
}

TEST_F(DatasetFieldsTest, DatesWithoutCenturyGetTheirCenturyFromTheEpoch) {
  CurrentDateSettings().century = false;
  SetDateFormat(0);
  CurrentDateSettings().epoch_year = 1950;
  table_->Close();
  table_->Open();
  AddRecord(*table_, {{"DAY", "05/31/26"}});
  EXPECT_EQ(table_->GetFieldDate("DAY"), "05/31/26");
  int y = 0, m = 0, d = 0;
  DecodeDate(table_->FieldByName("DAY")->AsDateTime(), y, m, d);
  EXPECT_EQ(y, 2026);
  EXPECT_EQ(Peek(4, 1), "20260531");
}

TEST_F(DatasetFieldsTest, FloatFieldsAreRoundedToTheFieldsDecimals) {
  AddRecord(*table_, {});
  table_->PutFieldFloat("PRICE", 2.0 / 3.0);
  EXPECT_DOUBLE_EQ(table_->GetFieldFloat("PRICE"), 2.0 / 3.0);  // unposted edit keeps the value
  ASSERT_TRUE(table_->RLock());
  table_->ReplaceRec();
  table_->UnLock();
  EXPECT_DOUBLE_EQ(table_->GetFieldFloat("PRICE"), 0.67);
}

TEST_F(DatasetFieldsTest, PutFieldStrKeepsTenCharactersAndNamesAreCutToTen) {
  auto wide = Table("Wide", "wide", {"LONGFIELDX, C, 20, 0"});
  wide->Open();
  wide->ClearRecord();
  wide->PutFieldStr("LONGFIELDXYZ", "123456789012");
  EXPECT_EQ(wide->GetField("longfieldxq"), "1234567890          ");
}

TEST_F(DatasetFieldsTest, UnknownNamesAndBadValuesThrow) {
  AddRecord(*table_, {});
  EXPECT_THROW(table_->GetField("NOSUCH"), EDatabaseError);
  EXPECT_THROW(table_->PutField("NOSUCH", "x"), EDatabaseError);
  EXPECT_THROW(table_->PutField("COUNT", "abc"), EConvertError);
}

TEST_F(DatasetFieldsTest, SkipZeroRereadsTheRecordAndDropsAnUnpostedEdit) {
  AddRecord(*table_, {{"NAME", "one"}});
  table_->PutField("NAME", "two");
  EXPECT_EQ(table_->State(), TDataSetState::dsEdit);
  table_->Skip(0);
  EXPECT_EQ(table_->State(), TDataSetState::dsBrowse);
  EXPECT_EQ(table_->GetField("NAME"), "one  ");
}

TEST_F(DatasetFieldsTest, AppendRecWithoutClearRecordCopiesTheCurrentRecord) {
  AddRecord(*table_, {{"NAME", "one"}, {"COUNT", "7"}});
  table_->PutField("NAME", "two");
  ASSERT_TRUE(table_->ALock());
  table_->AppendRec();
  table_->UnLock();
  EXPECT_EQ(table_->RecordCount(), 2);
  EXPECT_EQ(table_->RecNo(), 2);
  EXPECT_EQ(table_->GetField("NAME"), "two  ");
  EXPECT_EQ(table_->GetFieldInt("COUNT"), 7);
  table_->Go(1);
  EXPECT_EQ(table_->GetField("NAME"), "one  ");
}

TEST_F(DatasetFieldsTest, AnEmptyTableReadsAsNullFields) {
  EXPECT_TRUE(table_->IsEmpty());
  EXPECT_TRUE(table_->IsBOF());
  EXPECT_TRUE(table_->IsEOF());
  EXPECT_TRUE(table_->FieldByName("NAME")->IsNull());
  EXPECT_EQ(table_->GetField("NAME"), "     ");
}

TEST_F(DatasetFieldsTest, FrameworkEditAndPostWriteThroughTheRecordLock) {
  AddRecord(*table_, {{"NAME", "one"}});
  table_->Edit();
  table_->FieldByName("COUNT")->SetAsInteger(5);
  table_->FieldByName("OK")->SetAsBoolean(true);
  table_->Post();
  EXPECT_EQ(table_->State(), TDataSetState::dsBrowse);
  EXPECT_EQ(Peek(2, 1), "         5");
  EXPECT_EQ(Peek(5, 1), "T");
  EXPECT_FALSE(IsLocked(1));
}

TEST_F(DatasetFieldsTest, ReadOnlyFieldsAndBrowseStateRefuseValues) {
  AddRecord(*table_, {{"NAME", "one"}});
  EXPECT_THROW(table_->FieldByName("NAME")->SetAsString("x"), EDatabaseError);
  table_->FieldByName("NAME")->SetReadOnly(true);
  table_->Edit();
  try {
    table_->FieldByName("NAME")->SetAsString("x");
    FAIL() << "no exception";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Field 'NAME' cannot be modified");
  }
}

}  // namespace
}  // namespace xb
