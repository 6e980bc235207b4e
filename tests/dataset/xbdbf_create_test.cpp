// Creating a missing table from DbfFields: the corrections and their
// messages, refused lists, and the file name rules of SetDbfFileName.
#include "tests/dataset/dataset_fixture.h"

#include "engine/table/files.h"

namespace xb {
namespace {

class XbDbfCreateTest : public DatasetTest {};

TEST_F(XbDbfCreateTest, DbfFileNameGetsTheTableExtensionOnlyWhenItHasNone) {
  struct Case {
    const char* given;
    const char* stored;
  } cases[] = {
      {"  c:\\data\\notes  ", "c:\\data\\notes.DBF"},
      {"notes.", "notes."},
      {"notes.dat", "notes.dat"},
      {"", ""},
  };
  TXbDbf table("T");
  for (const Case& c : cases) {
    table.SetDbfFileName(c.given);
    EXPECT_EQ(table.DbfFileName(), c.stored) << c.given;
  }
}

TEST_F(XbDbfCreateTest, FieldDefinitionsAreCorrectedWithAMessage) {
  struct Case {
    const char* line;
    char type;
    int length;
    int decimals;
    bool message;
  } cases[] = {
      {"AMOUNT, N, 10, 9", 'N', 10, 8, true},  {"PICTURE, G, 10, 0", 'M', 10, 0, true},
      {"LONG, C, 255, 0", 'C', 254, 0, true},  {"WIDE, N, 30, 2", 'N', 20, 2, true},
      {"ODD, Q, 5, 0", 'C', 5, 0, true},       {"PLAIN, C, 20, 0", 'C', 20, 0, false},
      {"TINY, N, 1, 1", 'N', 1, 0, true},
  };
  for (const Case& c : cases) {
    TDbfFieldDef def;
    ASSERT_TRUE(TXbDataSet::ParseDbfFieldLine(c.line, def)) << c.line;
    std::string message;
    const TDbfFieldDef fixed = TXbDataSet::CorrectFieldDef("XbNotes", def, message);
    EXPECT_EQ(fixed.type, c.type) << c.line;
    EXPECT_EQ(fixed.length, c.length) << c.line;
    EXPECT_EQ(fixed.decimals, c.decimals) << c.line;
    EXPECT_EQ(!message.empty(), c.message) << c.line;
  }
  TDbfFieldDef def;
  ASSERT_TRUE(TXbDataSet::ParseDbfFieldLine("amount, N, 10, 9", def));
  std::string message;
  TXbDataSet::CorrectFieldDef("XbNotes", def, message);
  EXPECT_EQ(message,
            "Invalid field definition for XbNotes: amount,N,10,9. Will use corrected definition: amount,N,10,8");
}

TEST_F(XbDbfCreateTest, ATableIsCreatedFromTheCorrectedListAndSkipsTypeX) {
  auto t = Table("Made", "made", {"name, C, 255, 0", "pic, G, 10, 0", "amount, N, 10, 9", "skip, X, 1, 0"});
  t->Open();
  ASSERT_EQ(t->FieldCount(), 3);
  EXPECT_EQ(t->FieldByName("NAME")->Size(), 254);
  EXPECT_EQ(t->FieldByName("PIC")->DataType(), TFieldType::ftMemo);
  EXPECT_EQ(t->FieldByName("AMOUNT")->DataType(), TFieldType::ftFloat);
  EXPECT_EQ(FieldDec(3), 8);
  EXPECT_EQ(ui_.messages.size(), 3u);
}

TEST_F(XbDbfCreateTest, ALineWithoutFourItemsCreatesNothingAndTheOpenFails) {
  auto t = Table("Broken", "broken", {"name, C, 20", "other, C, 5, 0"});
  try {
    t->Open();
    FAIL() << "opened";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Dataset error: ", 0), 0u) << e.what();
  }
  EXPECT_FALSE(t->Active());
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0], "Could not create \"" + Path("broken.DBF") + "\"");
  EXPECT_FALSE(FileExists(Path("broken.DBF")));
}

TEST_F(XbDbfCreateTest, AnEmptyFieldListIsRefusedWithItsMessage) {
  auto t = Table("Empty", "empty", {});
  EXPECT_THROW(t->Open(), EDatabaseError);
  ASSERT_GE(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0], "FieldList.Count is <= 0 trying to create a database");
}

TEST_F(XbDbfCreateTest, WithoutAFileNameTheOpenSaysSo) {
  TXbDbf t("NoName");
  try {
    t.Open();
    FAIL() << "opened";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Missing DbfFilename property");
  }
}

TEST_F(XbDbfCreateTest, CommandsOnAClosedTableRecordEngineError1103) {
  auto t = Table("Closed", "closed", {"name, C, 5, 0"});
  EXPECT_FALSE(t->ALock());
  EXPECT_EQ(ErrorCode(), 1103);
  EXPECT_EQ(ErrorText(), "Database is not open [Closed.ALock]");
  EXPECT_TRUE(TerminateRequested());
}

}  // namespace
}  // namespace xb
