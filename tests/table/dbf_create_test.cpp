// Creating table files: sizes and version bytes, the normalised
// descriptors, refused definitions (nothing written) and memo tables.
#include <filesystem>

#include "tests/table/dbf_test_tables.h"

namespace dbftest {
namespace {

using Bytes = std::vector<uint8_t>;

xb::FieldDesc Def(const std::string& name, char type, uint8_t length, uint8_t decimals = 0) {
  xb::FieldDesc f;
  f.name = name;
  f.type = type;
  f.length = length;
  f.decimals = decimals;
  return f;
}

class DbfCreate : public DbfTest {
 protected:
  void TearDown() override {
    xb::SetMemoFileCreator(nullptr);
    DbfTest::TearDown();
  }
  bool Create(const std::vector<xb::FieldDesc>& fields, const std::string& name = "new.dbf") {
    xb::DbfFile scratch_area;
    return xb::CreateDbf(scratch_area, Path(name), fields);
  }
};

TEST_F(DbfCreate, NewTableIsHeaderTerminatorAndEofByteWithTodaysDate) {
  ASSERT_TRUE(Create({Def("NAME", 'C', 20), Def("AGE", 'N', 3), Def("BORN", 'D', 8),
                      Def("OK", 'L', 1), Def("RATE", 'F', 8, 2)}))
      << xb::ErrorText();
  const Bytes bytes = qptest::ReadBytes(Path("new.dbf"));
  ASSERT_EQ(bytes.size(), 32u + 32 * 5 + 1 + 1);
  EXPECT_EQ(bytes[0], 0x03) << "no memo field: dBASE III even with default version 0x8B";
  EXPECT_EQ(bytes[1], 124);
  EXPECT_EQ(bytes[2], 5);
  EXPECT_EQ(bytes[3], 17);
  EXPECT_EQ(Get32(bytes, 4), 0u);
  EXPECT_EQ(Get16(bytes, 8), 193u);
  EXPECT_EQ(Get16(bytes, 10), 1u + 20 + 3 + 8 + 1 + 8);
  EXPECT_EQ(bytes[192], 0x0D);
  EXPECT_EQ(bytes[193], 0x1A);
  EXPECT_EQ(std::string(bytes.begin() + 32 * 5, bytes.begin() + 32 * 5 + 11),
            std::string("RATE\0\0\0\0\0\0\0", 11));
  EXPECT_EQ(bytes[32 * 5 + 11], 'F');
  EXPECT_EQ(bytes[32 * 5 + 16], 8);
  EXPECT_EQ(bytes[32 * 5 + 17], 2);
  for (size_t i : {12u, 13u, 14u, 15u, 16u, 20u, 27u, 28u, 29u, 30u, 31u}) EXPECT_EQ(bytes[i], 0) << i;
  xb::DbfFile area;
  ASSERT_TRUE(Open(area, Path("new.dbf")));
  EXPECT_EQ(area.record_count, 0);
  EXPECT_EQ(area.last_update, "20240517");
  xb::CloseDbf(area);
}

TEST_F(DbfCreate, DefinitionsAreNormalisedAsStored) {
  ASSERT_TRUE(Create({Def("  name ", 'c', 12), Def("averyveryverylongname", 'n', 5, 1),
                      Def("Born", 'd', 3, 2), Def("ok", 'l', 9, 4), Def("txt", 'C', 5, 3)}));
  xb::DbfFile area;
  ASSERT_TRUE(Open(area, Path("new.dbf")));
  ASSERT_EQ(area.fields.size(), 5u);
  struct Want {
    const char* name;
    char type;
    int length, decimals;
  } want[] = {{"NAME", 'C', 12, 0}, {"AVERYVERYV", 'N', 5, 1}, {"BORN", 'D', 8, 0},
              {"OK", 'L', 1, 0},    {"TXT", 'C', 5, 0}};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(area.fields[i].name, want[i].name);
    EXPECT_EQ(area.fields[i].type, want[i].type);
    EXPECT_EQ(area.fields[i].length, want[i].length);
    EXPECT_EQ(area.fields[i].decimals, want[i].decimals);
  }
  xb::CloseDbf(area);
}

TEST_F(DbfCreate, FloatBecomesNumericForDbaseThreeMemoVersion) {
  xb::Switches().default_version = 0x83;
  ASSERT_TRUE(Create({Def("RATE", 'F', 8, 2)}));
  EXPECT_EQ(qptest::ReadBytes(Path("new.dbf"))[32 + 11], 'N');
}

TEST_F(DbfCreate, BadDefinitionsAreRefusedWith211AndWriteNothing) {
  struct Case {
    const char* name;
    std::vector<xb::FieldDesc> fields;
    uint8_t version = 0x8B;
  };
  std::vector<Case> cases = {
      {"empty name", {Def("   ", 'C', 10)}},
      {"character length 0", {Def("A", 'C', 0)}},
      {"numeric length 0", {Def("A", 'N', 0)}},
      {"float length 0", {Def("A", 'F', 0)}},
      {"unknown type", {Def("A", 'X', 5)}},
      {"general type without a dBASE IV version", {Def("A", 'G', 10)}, 0x83},
      {"no fields", {}},
      {"256 fields", std::vector<xb::FieldDesc>(256, Def("A", 'C', 1))},
      {"memo in a version without memo bit", {Def("A", 'M', 10)}, 0x03},
      {"bad field after good ones", {Def("A", 'C', 5), Def("B", 'N', 3), Def("C", 'Q', 1)}},
      {"date in dBASE II", {Def("A", 'D', 8)}, 0x02},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    xb::ResetErrorState();
    xb::SetReportErrors(false);
    xb::Switches().default_version = c.version;
    EXPECT_FALSE(Create(c.fields));
    EXPECT_EQ(xb::ErrorCode(), 211);
    EXPECT_EQ(xb::ErrorText(), "Invalid dBASE field definition [CreateDBF]");
    EXPECT_FALSE(std::filesystem::exists(Path("new.dbf")));
  }
}

TEST_F(DbfCreate, MemoTableIsRefusedWhileNoMemoFileCreatorIsInstalled) {
  EXPECT_FALSE(Create({Def("NAME", 'C', 10), Def("NOTE", 'M', 10)}));
  EXPECT_EQ(xb::ErrorCode(), 229);
  EXPECT_NE(xb::ErrorText().find("[CreateDbf]"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(Path("new.dbf")));
}

struct CreatorCall {
  std::string name;
  int version = 0;
  int block_size = 0;
  std::string caller;
  int calls = 0;
};
CreatorCall g_call;

bool RecordingCreator(const std::string& name, uint8_t version, int block_size,
                      const std::string& caller) {
  g_call = {name, version, block_size, caller, g_call.calls + 1};
  return true;
}

TEST_F(DbfCreate, MemoTableGetsTheChosenVersionAndItsMemoFileFromTheCreator) {
  g_call = {};
  xb::SetMemoFileCreator(&RecordingCreator);
  ASSERT_TRUE(Create({Def("NAME", 'C', 10), Def("NOTE", 'm', 3), Def("PIC", 'G', 0)}));
  EXPECT_EQ(g_call.calls, 1);
  EXPECT_EQ(g_call.name, Path("new.dbf"));
  EXPECT_EQ(g_call.version, 0x8B);
  EXPECT_EQ(g_call.block_size, 512);
  EXPECT_EQ(g_call.caller, "CreateDbf()");
  xb::DbfFile area;
  ASSERT_TRUE(Open(area, Path("new.dbf")));
  EXPECT_EQ(area.version, 0x8B);
  EXPECT_TRUE(area.has_memo);
  EXPECT_EQ(area.fields[1].type, 'M');
  EXPECT_EQ(area.fields[1].length, 10);
  EXPECT_EQ(area.fields[2].type, 'M');
  xb::CloseDbf(area);
}

TEST_F(DbfCreate, DbaseSevenLayoutForVersion8C) {
  xb::Switches().default_version = 0x8C;
  ASSERT_TRUE(Create({Def("NAME", 'C', 10), Def("AGE", 'N', 3)}));
  const Bytes bytes = qptest::ReadBytes(Path("new.dbf"));
  ASSERT_EQ(bytes.size(), 68u + 48 * 2 + 1 + 1);
  EXPECT_EQ(bytes[0], 0x04);
  EXPECT_EQ(std::string(bytes.begin() + 32, bytes.begin() + 40), "DBWINWE0");
  EXPECT_EQ(bytes[68 + 48 + 32], 'N');
  EXPECT_EQ(bytes[68 + 48 + 33], 3);
  xb::DbfFile area;
  ASSERT_TRUE(Open(area, Path("new.dbf")));
  area.record.assign(area.record_length, ' ');
  std::string text = Person("Zed", 5);
  std::copy(text.begin(), text.end(), area.record.begin());
  ASSERT_TRUE(xb::AppendDbfRecord(area));
  ASSERT_TRUE(xb::CloseDbf(area));
  ASSERT_TRUE(Open(area, Path("new.dbf")));
  ASSERT_TRUE(xb::GetDbfRecord(area, 1));
  EXPECT_EQ(RecordText(area), text);
  xb::CloseDbf(area);
}

TEST_F(DbfCreate, DbaseTwoLayoutForVersion02) {
  xb::Switches().default_version = 0x02;
  ASSERT_TRUE(Create({Def("NAME", 'C', 10), Def("AGE", 'N', 3), Def("OK", 'L', 1)}));
  const Bytes bytes = qptest::ReadBytes(Path("new.dbf"));
  ASSERT_EQ(bytes.size(), 521u + 1);
  EXPECT_EQ(bytes[0], 0x02);
  EXPECT_EQ(Get16(bytes, 1), 0u);
  EXPECT_EQ(bytes[3], 5);
  EXPECT_EQ(bytes[4], 17);
  EXPECT_EQ(bytes[5], 124);
  EXPECT_EQ(Get16(bytes, 6), 15u);
  EXPECT_EQ(bytes[8 + 16 + 11], 'N');
  EXPECT_EQ(bytes[8 + 48], 0x0D);
  EXPECT_EQ(bytes[521], 0x1A);
  xb::DbfFile area;
  ASSERT_TRUE(Open(area, Path("new.dbf")));
  EXPECT_EQ(area.fields.size(), 3u);
  EXPECT_EQ(area.header_length, 521);
  xb::CloseDbf(area);
}

}  // namespace
}  // namespace dbftest
