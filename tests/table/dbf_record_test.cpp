// Reading and writing records, the header write-back and closing, in every
// layout, with and without OEM translation.
#include <fstream>

#include "engine/table/dbf_file.h"
#include "platform/codepage.h"
#include "tests/table/dbf_test_tables.h"

namespace dbftest {
namespace {

using Bytes = std::vector<uint8_t>;

class DbfRecord : public DbfTest {
 protected:
  // Opens a copy of `bytes` as "t.dbf".
  void OpenBytes(const Bytes& bytes) {
    qptest::WriteBytes(Path("t.dbf"), bytes);
    ASSERT_TRUE(Open(area_, Path("t.dbf"))) << xb::ErrorText();
  }
  void SetRecord(const std::string& text) {
    area_.record.assign(text.begin(), text.end());
    area_.record.resize(area_.record_length, ' ');
  }
  Bytes FileBytes() const { return qptest::ReadBytes(Path("t.dbf")); }

  xb::DbfFile area_;
};

TEST_F(DbfRecord, AppendThenCloseLeavesCountAndEofByte) {
  for (uint8_t version : {0x03, 0x8B, 0x04}) {
    SCOPED_TRACE(static_cast<int>(version));
    OpenBytes(TableBytes(version, {{"NAME", 'C', 10}, {"AGE", 'N', 3}}));
    const uint16_t hl = area_.header_length;
    for (const std::string& r : {Person("One", 1), Person("Two", 2), Person("Three", 3)}) {
      SetRecord(r);
      ASSERT_TRUE(xb::AppendDbfRecord(area_)) << xb::ErrorText();
    }
    EXPECT_EQ(area_.record_count, 3);
    EXPECT_EQ(area_.current_record, 3);
    EXPECT_EQ(area_.state, xb::FileState::kAppended);
    EXPECT_EQ(Get32(FileBytes(), 4), 0u) << "the header is written only at close";
    ASSERT_TRUE(xb::CloseDbf(area_));
    const Bytes bytes = FileBytes();
    EXPECT_EQ(Get32(bytes, 4), 3u);
    ASSERT_EQ(bytes.size(), hl + 3u * 14 + 1);
    EXPECT_EQ(bytes.back(), 0x1A);
    EXPECT_EQ(std::string(bytes.begin() + hl + 28, bytes.begin() + hl + 42), Person("Three", 3));
    EXPECT_EQ(bytes[1], 124);
    EXPECT_EQ(bytes[2], 5);
    EXPECT_EQ(bytes[3], 17);
  }
}

TEST_F(DbfRecord, UpdateHeaderWritesCountAndEofAndKeepsTheMultiUserBytes) {
  OpenBytes(PeopleBytes());
  // Another program keeps its own data in bytes 16..27 meanwhile.
  {
    std::fstream other(Path("t.dbf"), std::ios::in | std::ios::out | std::ios::binary);
    other.seekp(16);
    other.write("ABCDEFGHIJKL", 12);
  }
  SetRecord(Person("Carol", 30));
  ASSERT_TRUE(xb::AppendDbfRecord(area_));
  ASSERT_TRUE(xb::UpdateHeader(area_));
  EXPECT_EQ(area_.state, xb::FileState::kClean);
  Bytes bytes = FileBytes();
  EXPECT_EQ(Get32(bytes, 4), 3u);
  EXPECT_EQ(std::string(bytes.begin() + 16, bytes.begin() + 28), "ABCDEFGHIJKL");
  EXPECT_EQ(bytes[97 + 3 * 14], 0x1A);
  ASSERT_TRUE(xb::CloseDbf(area_));
  EXPECT_EQ(FileBytes(), bytes) << "a clean table is closed without writing";
}

TEST_F(DbfRecord, ReadingPastTheLastRecordFailsWith212AndKeepsTheCurrentRecord) {
  OpenBytes(PeopleBytes());
  ASSERT_TRUE(xb::GetDbfRecord(area_, 2));
  const Bytes before = area_.record;
  for (int32_t n : {3, 0, -1}) {
    SCOPED_TRACE(n);
    EXPECT_FALSE(xb::GetDbfRecord(area_, n));
    EXPECT_EQ(xb::ErrorCode(), 212);
    EXPECT_EQ(xb::ErrorText(), "Invalid record number = " + std::to_string(n) + " (" +
                                   Path("t.dbf") + ")  [GetDbfRecord]");
    EXPECT_EQ(area_.current_record, 2);
    EXPECT_EQ(area_.record, before);
  }
}

TEST_F(DbfRecord, ReplaceWritesInPlaceAndMarksTheHeaderModified) {
  OpenBytes(PeopleBytes());
  SetRecord(Person("Alicia", 43));
  ASSERT_TRUE(xb::PutDbfRecord(area_, 1));
  EXPECT_EQ(area_.state, xb::FileState::kModified);
  EXPECT_EQ(area_.record_count, 2);
  ASSERT_TRUE(xb::GetDbfRecord(area_, 2));
  ASSERT_TRUE(xb::GetDbfRecord(area_, 1));
  EXPECT_EQ(RecordText(area_), Person("Alicia", 43));
  ASSERT_TRUE(xb::CloseDbf(area_));
  const Bytes bytes = FileBytes();
  EXPECT_EQ(bytes.size(), 97u + 2 * 14 + 1);
  EXPECT_EQ(Get32(bytes, 4), 2u);
}

TEST_F(DbfRecord, PutBeyondTheCountAppendsOneRecord) {
  OpenBytes(PeopleBytes());
  SetRecord(Person("Dan", 9));
  ASSERT_TRUE(xb::PutDbfRecord(area_, 40));
  EXPECT_EQ(area_.record_count, 3);
  EXPECT_EQ(area_.current_record, 3);
  EXPECT_EQ(area_.state, xb::FileState::kAppended);
  ASSERT_TRUE(xb::CloseDbf(area_));
  EXPECT_EQ(FileBytes().size(), 97u + 3 * 14 + 1);
}

TEST_F(DbfRecord, WritesOutsideTheRecordsAreRefusedAndLeaveTheFileUnchanged) {
  OpenBytes(PeopleBytes());
  const Bytes before = FileBytes();
  SetRecord("*XXXXXXXXXXXXX");
  EXPECT_FALSE(xb::PutDbfRecord(area_, 0));
  EXPECT_EQ(xb::ErrorCode(), 212);
  EXPECT_EQ(xb::ErrorText(),
            "Invalid record number = 0 (" + Path("t.dbf") + ") [Replace/Append/PutDbfRecord]");
  EXPECT_FALSE(xb::WriteDeleteFlag(area_, 3));
  EXPECT_EQ(xb::ErrorCode(), 212);
  EXPECT_EQ(xb::ErrorText(),
            "Invalid record number = 3 (" + Path("t.dbf") + ") [DeleteRec/RecallRec]");
  EXPECT_FALSE(xb::WriteDeleteFlag(area_, 0));
  area_.record.resize(5);
  EXPECT_FALSE(xb::PutDbfRecord(area_, 1));
  EXPECT_EQ(xb::ErrorCode(), 254);
  EXPECT_EQ(area_.state, xb::FileState::kClean);
  ASSERT_TRUE(xb::CloseDbf(area_));
  EXPECT_EQ(FileBytes(), before);
}

TEST_F(DbfRecord, DeleteFlagWritesOnlyTheFirstByte) {
  OpenBytes(PeopleBytes());
  SetRecord(Person("Changed", 99, '*'));
  ASSERT_TRUE(xb::WriteDeleteFlag(area_, 2));
  EXPECT_EQ(area_.state, xb::FileState::kModified);
  ASSERT_TRUE(xb::GetDbfRecord(area_, 2));
  EXPECT_EQ(RecordText(area_), Person("Bob", 7, '*'));
  ASSERT_TRUE(xb::CloseDbf(area_));
}

TEST_F(DbfRecord, OemTableStoresOemBytesAndReadsBackAnsi) {
  qptest::WriteBytes(Path("t.dbf"), TableBytes(0x03, {{"NAME", 'C', 4}}));
  area_ = xb::DbfFile{};
  area_.file_name = Path("t.dbf");
  area_.file_mode = 0x42;
  area_.oem = true;
  ASSERT_TRUE(xb::OpenDbf(area_));
  SetRecord(" caf\xE9");  // é in Windows-1252
  ASSERT_TRUE(xb::AppendDbfRecord(area_));
  EXPECT_EQ(RecordText(area_), " caf\xE9") << "the buffer keeps the ANSI form";
  ASSERT_TRUE(xb::CloseDbf(area_));
  const Bytes bytes = FileBytes();
  EXPECT_EQ(bytes[65 + 1 + 3], 0x82) << "é in code page 437";
  area_ = xb::DbfFile{};
  area_.file_name = Path("t.dbf");
  area_.oem = true;
  ASSERT_TRUE(xb::OpenDbf(area_));
  ASSERT_TRUE(xb::GetDbfRecord(area_, 1));
  EXPECT_EQ(RecordText(area_), " caf\xE9");
  xb::CloseDbf(area_);
}

TEST_F(DbfRecord, DeletionFlagIsNeverTranslated) {
  qptest::WriteBytes(Path("t.dbf"), TableBytes(0x03, {{"NAME", 'C', 4}}));
  area_ = xb::DbfFile{};
  area_.file_name = Path("t.dbf");
  area_.oem = true;
  ASSERT_TRUE(xb::OpenDbf(area_));
  SetRecord("\xE9" "abc");
  ASSERT_TRUE(xb::AppendDbfRecord(area_));
  ASSERT_TRUE(xb::CloseDbf(area_));
  EXPECT_EQ(FileBytes()[65], 0xE9);
}

TEST_F(DbfRecord, DbaseTwoTablesReadWriteAndKeepTheirShortHeader) {
  OpenBytes(PeopleBytes(0x02));
  ASSERT_TRUE(xb::GetDbfRecord(area_, 2));
  EXPECT_EQ(RecordText(area_), Person("Bob", 7));
  SetRecord(Person("Eve", 51));
  ASSERT_TRUE(xb::AppendDbfRecord(area_));
  SetRecord(Person("Bobby", 8));
  ASSERT_TRUE(xb::PutDbfRecord(area_, 2));
  ASSERT_TRUE(xb::CloseDbf(area_));
  const Bytes bytes = FileBytes();
  ASSERT_EQ(bytes.size(), 521u + 3 * 14 + 1);
  EXPECT_EQ(Get16(bytes, 1), 3u);
  EXPECT_EQ(bytes[3], 5);    // month
  EXPECT_EQ(bytes[4], 17);   // day
  EXPECT_EQ(bytes[5], 124);  // year - 1900
  EXPECT_EQ(Get16(bytes, 6), 14u);
  EXPECT_EQ(bytes.back(), 0x1A);
  EXPECT_EQ(bytes[8], 'N') << "descriptors untouched";
  ASSERT_TRUE(Open(area_, Path("t.dbf")));
  ASSERT_TRUE(xb::GetDbfRecord(area_, 3));
  EXPECT_EQ(RecordText(area_), Person("Eve", 51));
  ASSERT_TRUE(xb::GetDbfRecord(area_, 2));
  EXPECT_EQ(RecordText(area_), Person("Bobby", 8));
  xb::CloseDbf(area_);
}

TEST_F(DbfRecord, DbaseSevenTablesReadWriteAndKeepTheirExtension) {
  OpenBytes(PeopleBytes(0x8C));
  SetRecord(Person("Eve", 51));
  ASSERT_TRUE(xb::AppendDbfRecord(area_));
  ASSERT_TRUE(xb::CloseDbf(area_));
  const Bytes bytes = FileBytes();
  ASSERT_EQ(bytes.size(), 165u + 3 * 14 + 1);
  EXPECT_EQ(Get32(bytes, 4), 3u);
  EXPECT_EQ(std::string(bytes.begin() + 32, bytes.begin() + 40), "DBWINWE0");
  ASSERT_TRUE(Open(area_, Path("t.dbf")));
  ASSERT_TRUE(xb::GetDbfRecord(area_, 3));
  EXPECT_EQ(RecordText(area_), Person("Eve", 51));
  xb::CloseDbf(area_);
}

TEST_F(DbfRecord, ReadOnlyOpenReadsAndFailsToWrite) {
  qptest::WriteBytes(Path("t.dbf"), PeopleBytes());
  ASSERT_TRUE(Open(area_, Path("t.dbf"), 0x40));
  ASSERT_TRUE(xb::GetDbfRecord(area_, 1));
  EXPECT_FALSE(xb::PutDbfRecord(area_, 1));
  EXPECT_NE(xb::ErrorCode(), 0);
  EXPECT_EQ(xb::ErrorText(), "File:  " + Path("t.dbf") + " [Replace/Append/PutDbfRecord]");
  EXPECT_TRUE(xb::CloseDbf(area_));
  EXPECT_EQ(FileBytes(), PeopleBytes());
}

TEST_F(DbfRecord, MemoExtensionFollowsTheVersionByte) {
  EXPECT_EQ(xb::MemoExtension(0xF5), "FPT");
  EXPECT_EQ(xb::MemoExtension(0x8B), "DBT");
  EXPECT_EQ(xb::MemoExtension(0x83), "DBT");
  EXPECT_EQ(xb::MemoExtension(0x30), "DBT");
}

}  // namespace
}  // namespace dbftest
