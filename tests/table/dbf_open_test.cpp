// Opening table files: every refusal with its code and text, the layouts
// that must open, and damaged files that must fail cleanly and unchanged.
#include <functional>
#include <random>

#include "tests/table/dbf_test_tables.h"

namespace dbftest {
namespace {

using Bytes = std::vector<uint8_t>;

struct DamageCase {
  const char* name;
  std::function<void(Bytes&)> damage;
  int code;
  std::string text;  // "@" stands for the file name
};

std::string WithName(std::string text, const std::string& name) {
  for (size_t at; (at = text.find('@')) != std::string::npos;) text.replace(at, 1, name);
  return text;
}

Bytes ThirtyTwoOneByteFields() {
  std::vector<Field> fields;
  for (int i = 0; i < 32; ++i) fields.push_back({"F" + std::to_string(i), 'C', 1});
  return TableBytes(0x02, fields);
}

const std::vector<DamageCase>& DamageCases() {
  static const std::vector<DamageCase> cases = {
      {"zero-length file", [](Bytes& b) { b.clear(); }, 210,
       "@ is not a dBASE database. (Prolog is less than 32 bytes) [USE/OpenDBF]"},
      {"truncated prolog", [](Bytes& b) { b.resize(20); }, 210,
       "@ is not a dBASE database. (Prolog is less than 32 bytes) [USE/OpenDBF]"},
      {"version byte 0x30", [](Bytes& b) { b[0] = 0x30; }, 210,
       "@ is not a dBASE database.(Invalid version byte)+ [USE/OpenDBF]"},
      {"version byte 0x00", [](Bytes& b) { b[0] = 0x00; }, 210,
       "@ is not a dBASE database.(Invalid version byte)+ [USE/OpenDBF]"},
      {"header too short for a descriptor", [](Bytes& b) { Put16(b, 8, 40); }, 210,
       "@ is not a dBASE database. (Number of fields is out of range) [Use/OpenDbf]"},
      {"header length of 256 descriptors", [](Bytes& b) { Put16(b, 8, 32 + 32 * 256 + 1); }, 210,
       "@ is not a dBASE database. (Number of fields is out of range) [Use/OpenDbf]"},
      {"dBASE 7 header too short for a descriptor",
       [](Bytes& b) { b = TableBytes(0x04, {{"A", 'C', 1}}); Put16(b, 8, 100); }, 210,
       "@ is not a dBASE database. (Number of fields is out of range) [Use/OpenDbf]"},
      {"header length beyond the file",
       [](Bytes& b) { b = TableBytes(0x03, {{"NAME", 'C', 10}, {"AGE", 'N', 3}}); Put16(b, 8, 32 + 32 * 5 + 1); },
       100, "Error reading @ [Use/OpenDbf]"},
      {"first descriptor is the terminator", [](Bytes& b) { b[32] = 0x0D; }, 222,
       "Error reading @ [Use/OpenDbf]"},
      {"unknown field type", [](Bytes& b) { b[32 + 11] = 'X'; }, 211,
       "Field: NAME [X] in @ is not a valid field type"},
      {"lower-case character type", [](Bytes& b) { b[64 + 11] = 'n'; }, 211,
       "Field: AGE [n] in @ is not a valid field type"},
      {"dBASE II shorter than its header", [](Bytes& b) { b[0] = 0x02; }, 210,
       "@ is not a dBASE database.(Header is less than 521 bytes) [Use/OpenDBF]"},
      {"dBASE II without terminator", [](Bytes& b) { b = ThirtyTwoOneByteFields(); }, 210,
       "@ is not a dBASE database.(Number of fields is out of range) [Use/OpenDbf]"},
      {"dBASE II bad field type", [](Bytes& b) { b = PeopleBytes(0x02); b[8 + 11] = 'Q'; }, 211,
       "Field: NAME [Q] in @ is not a valid field type"},
      // Checks the engine adds so that no length from disk is used unchecked.
      {"record length larger than the fields", [](Bytes& b) { Put16(b, 10, 20); }, 210,
       "@ is not a dBASE database. (Record length does not match the field lengths) [USE/OpenDBF]"},
      {"record length 0", [](Bytes& b) { Put16(b, 10, 0); }, 210,
       "@ is not a dBASE database. (Record length does not match the field lengths) [USE/OpenDBF]"},
      {"field of length 0", [](Bytes& b) { b[32 + 16] = 0; }, 210,
       "@ is not a dBASE database. (Field NAME has length 0) [USE/OpenDBF]"},
      {"header length cuts off the terminator", [](Bytes& b) { Put16(b, 8, 32 + 64); }, 210,
       "@ is not a dBASE database. (Header length does not match the field descriptors) [USE/OpenDBF]"},
      {"terminator overwritten", [](Bytes& b) { b[96] = ' '; }, 210,
       "@ is not a dBASE database. (Header length does not match the field descriptors) [USE/OpenDBF]"},
      {"record count beyond 32 bits signed", [](Bytes& b) { Put32(b, 4, 0x80000000u); }, 210,
       "@ is not a dBASE database. (Record count is out of range) [USE/OpenDBF]"},
      {"dBASE II record length disagrees", [](Bytes& b) { b = PeopleBytes(0x02); Put16(b, 6, 99); },
       210, "@ is not a dBASE database. (Record length does not match the field lengths) [USE/OpenDBF]"},
      {"dBASE II first descriptor is the terminator",
       [](Bytes& b) { b = PeopleBytes(0x02); b[8] = 0x0D; }, 222, "Error reading @ [Use/OpenDbf]"},
  };
  return cases;
}

class DbfOpen : public DbfTest {};

TEST_F(DbfOpen, EveryDamagedHeaderIsRefusedWithItsCodeAndTextAndLeftUnchanged) {
  for (const DamageCase& c : DamageCases()) {
    SCOPED_TRACE(c.name);
    xb::ResetErrorState();
    xb::SetReportErrors(false);
    const std::string path = Path("damaged.dbf");
    Bytes bytes = PeopleBytes();
    c.damage(bytes);
    qptest::WriteBytes(path, bytes);
    xb::DbfFile area;
    EXPECT_FALSE(Open(area, path));
    EXPECT_EQ(xb::ErrorCode(), c.code);
    EXPECT_EQ(xb::ErrorText(), WithName(c.text, path));
    EXPECT_FALSE(area.is_open());
    EXPECT_EQ(area.state, xb::FileState::kClosed);
    EXPECT_TRUE(area.fields.empty());
    EXPECT_EQ(qptest::ReadBytes(path), bytes);
  }
}

TEST_F(DbfOpen, MissingFileReportsTheSystemCodeAndDefaultExtension) {
  xb::DbfFile area;
  EXPECT_FALSE(Open(area, Path("absent")));
  EXPECT_EQ(xb::ErrorCode(), 2);
  EXPECT_EQ(xb::ErrorText(), "Failure to open " + Path("absent.DBF") + " [USE/OpenDbf]");
}

TEST_F(DbfOpen, ReadsHeaderFieldsAndPositionsOnTheFirstRecord) {
  qptest::WriteBytes(Path("PEOPLE.DBF"), PeopleBytes());
  xb::DbfFile area;
  ASSERT_TRUE(Open(area, Path("people"))) << xb::ErrorText();
  EXPECT_EQ(area.file_name, Path("people.DBF"));
  EXPECT_EQ(area.short_name, "PEOPLE.DBF") << "the name as found on disk";
  EXPECT_EQ(area.version, 0x03);
  EXPECT_FALSE(area.has_memo);
  EXPECT_EQ(area.header_length, 97);
  EXPECT_EQ(area.record_length, 14);
  EXPECT_EQ(area.last_update, "20240517");
  EXPECT_EQ(area.record_count, 2);
  EXPECT_EQ(area.current_record, 1);
  EXPECT_FALSE(area.eof);
  EXPECT_FALSE(area.bof);
  EXPECT_EQ(area.state, xb::FileState::kClean);
  ASSERT_EQ(area.fields.size(), 2u);
  EXPECT_EQ(area.fields[0].name, "NAME");
  EXPECT_EQ(area.fields[0].offset, 1);
  EXPECT_EQ(area.fields[1].name, "AGE");
  EXPECT_EQ(area.fields[1].type, 'N');
  EXPECT_EQ(area.fields[1].length, 3);
  EXPECT_EQ(area.fields[1].offset, 11);
  EXPECT_EQ(area.record.size(), 14u);
  ASSERT_TRUE(xb::GetDbfRecord(area, 2));
  EXPECT_EQ(RecordText(area), Person("Bob", 7));
  EXPECT_TRUE(xb::CloseDbf(area));
}

TEST_F(DbfOpen, EmptyTableStartsAtEofAndBof) {
  qptest::WriteBytes(Path("e.dbf"), TableBytes(0x03, {{"A", 'C', 4}}));
  xb::DbfFile area;
  ASSERT_TRUE(Open(area, Path("e.dbf")));
  EXPECT_EQ(area.record_count, 0);
  EXPECT_EQ(area.current_record, 0);
  EXPECT_TRUE(area.eof);
  EXPECT_TRUE(area.bof);
  xb::CloseDbf(area);
}

TEST_F(DbfOpen, LongerHeaderOpensAndTheTerminatorEndsTheList) {
  Bytes bytes = PeopleBytes();
  bytes.insert(bytes.begin() + 97, 263, 0);
  Put16(bytes, 8, 97 + 263);
  qptest::WriteBytes(Path("long.dbf"), bytes);
  xb::DbfFile area;
  ASSERT_TRUE(Open(area, Path("long.dbf"))) << xb::ErrorText();
  EXPECT_EQ(area.fields.size(), 2u);
  ASSERT_TRUE(xb::GetDbfRecord(area, 1));
  EXPECT_EQ(RecordText(area), Person("Alice", 42));
  xb::CloseDbf(area);
}

TEST_F(DbfOpen, BinaryGeneralAndPictureFieldsAreReadAsMemo) {
  for (char type : {'G', 'B', 'P', 'g', 'b', 'p'}) {
    SCOPED_TRACE(type);
    qptest::WriteBytes(Path("g.dbf"), TableBytes(0x8B, {{"PIC", type, 10}}));
    xb::DbfFile area;
    ASSERT_TRUE(Open(area, Path("g.dbf"))) << xb::ErrorText();
    EXPECT_TRUE(area.has_memo);
    EXPECT_EQ(area.fields[0].type, 'M');
    xb::CloseDbf(area);
  }
}

TEST_F(DbfOpen, EveryAcceptedVersionOpensWithItsLayout) {
  struct Case {
    uint8_t version;
    bool memo;
    uint16_t header_length;
  } cases[] = {{0x02, false, 521}, {0x03, false, 97},  {0x83, true, 97},  {0x8B, true, 97},
               {0xF5, true, 97},   {0x04, false, 165}, {0x8C, true, 165}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.version));
    qptest::WriteBytes(Path("v.dbf"), PeopleBytes(c.version));
    xb::DbfFile area;
    ASSERT_TRUE(Open(area, Path("v.dbf"))) << xb::ErrorText();
    EXPECT_EQ(area.has_memo, c.memo);
    EXPECT_EQ(area.header_length, c.header_length);
    EXPECT_EQ(area.last_update, "20240517");
    ASSERT_EQ(area.fields.size(), 2u);
    EXPECT_EQ(area.fields[1].name, "AGE");
    ASSERT_TRUE(xb::GetDbfRecord(area, 1));
    EXPECT_EQ(RecordText(area), Person("Alice", 42));
    ASSERT_TRUE(xb::GetDbfRecord(area, 2));
    EXPECT_EQ(RecordText(area), Person("Bob", 7));
    xb::CloseDbf(area);
  }
}

TEST_F(DbfOpen, RecountOnOpenTakesTheCountFromTheFileSize) {
  Bytes bytes = PeopleBytes();
  Put32(bytes, 4, 0);
  qptest::WriteBytes(Path("r.dbf"), bytes);
  xb::DbfFile area;
  ASSERT_TRUE(Open(area, Path("r.dbf")));
  EXPECT_EQ(area.record_count, 0);
  xb::CloseDbf(area);
  xb::Switches().recount_on_open = true;
  ASSERT_TRUE(Open(area, Path("r.dbf")));
  EXPECT_EQ(area.record_count, 2);
  xb::CloseDbf(area);
  EXPECT_EQ(qptest::ReadBytes(Path("r.dbf")), bytes);
}

TEST_F(DbfOpen, CountBeyondTheFileOpensButReadingPastTheEndFailsWith213) {
  Bytes bytes = PeopleBytes();
  Put32(bytes, 4, 5);
  qptest::WriteBytes(Path("c.dbf"), bytes);
  xb::DbfFile area;
  ASSERT_TRUE(Open(area, Path("c.dbf")));
  EXPECT_EQ(area.record_count, 5);
  ASSERT_TRUE(xb::GetDbfRecord(area, 2));
  EXPECT_FALSE(xb::GetDbfRecord(area, 3));  // only the end-of-file byte is there
  EXPECT_EQ(xb::ErrorCode(), 213);
  EXPECT_EQ(xb::ErrorText(), "File:  " + Path("c.dbf") + "  [GetDbfRecord]");
  EXPECT_EQ(area.current_record, 2);
  EXPECT_FALSE(xb::GetDbfRecord(area, 5));
  EXPECT_EQ(xb::ErrorCode(), 213);
  xb::CloseDbf(area);
  EXPECT_EQ(qptest::ReadBytes(Path("c.dbf")), bytes);
}

TEST_F(DbfOpen, RandomBytesNeverCrashAndNeverChangeTheFile) {
  std::mt19937 random(20240517);
  const std::string path = Path("random.dbf");
  for (int round = 0; round < 400; ++round) {
    SCOPED_TRACE(round);
    Bytes bytes;
    if (round % 2 == 0) {
      bytes.resize(random() % 700);
      for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
      if (!bytes.empty()) bytes[0] = std::array<uint8_t, 4>{0x02, 0x03, 0x04, 0x8B}[random() % 4];
    } else {  // a valid table with a few bytes of its header changed
      bytes = PeopleBytes(std::array<uint8_t, 3>{0x02, 0x03, 0x8C}[random() % 3]);
      for (int i = 0; i < 3; ++i) bytes[random() % 100] = static_cast<uint8_t>(random());
    }
    qptest::WriteBytes(path, bytes);
    xb::ResetErrorState();
    xb::SetReportErrors(false);
    xb::DbfFile area;
    if (Open(area, path)) {
      for (int32_t n = 1; n <= std::min(area.record_count, 50); ++n)
        if (!xb::GetDbfRecord(area, n)) {
          EXPECT_NE(xb::ErrorCode(), 0);
        }
      EXPECT_TRUE(xb::CloseDbf(area));
    } else {
      EXPECT_NE(xb::ErrorCode(), 0);
      EXPECT_FALSE(xb::ErrorText().empty());
    }
    EXPECT_EQ(qptest::ReadBytes(path), bytes);
  }
}

}  // namespace
}  // namespace dbftest
