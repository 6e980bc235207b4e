// TXbBlobStream over memo fields: reading, writing in the three modes, the
// empty memo, OEM text, and the by-name stream and memo-from-lines puts.
#include "engine/memo/memo_blob.h"
#include "engine/dataset/xb_blob_stream.h"
#include "tests/dataset/dataset_fixture.h"

namespace xb {
namespace {

class BlobStreamTest : public DatasetTest {
 protected:
  void SetUp() override {
    DatasetTest::SetUp();
    table_ = Table("Memos", "memos", {"ID, C, 4, 0", "TEXT, M, 10, 0", "NAME, C, 5, 0"});
    table_->SetTableLanguage(TXbTableLanguage::tlAnsi);
    table_->Open();
    AddRecord(*table_, {{"ID", "1"}});
  }
  void TearDown() override {
    table_.reset();
    DatasetTest::TearDown();
  }
  int32_t Block() { return GetSwapMemoBlock(*CurrentArea(), 2); }
  void Post() {
    ASSERT_TRUE(table_->RLock());
    table_->ReplaceRec();
    table_->UnLock();
  }
  std::unique_ptr<TXbDbf> table_;
};

TEST_F(BlobStreamTest, AMemoWithBlockZeroReadsAsEmptyText) {
  EXPECT_EQ(table_->FieldByName("TEXT")->AsString(), "");
  EXPECT_EQ(table_->GetField("TEXT"), "");
}

TEST_F(BlobStreamTest, AWriteStreamStoresTheMemoAndAnEmptyWriteEmptiesIt) {
  table_->PutField("TEXT", "hello memo");
  Post();
  EXPECT_NE(Block(), 0);
  EXPECT_EQ(table_->GetField("TEXT"), "hello memo");
  table_->PutField("TEXT", "");
  Post();
  EXPECT_EQ(Block(), 0);
  EXPECT_EQ(table_->GetField("TEXT"), "");
}

TEST_F(BlobStreamTest, AReadWriteStreamReachesTheFileWhenTheRecordIsPosted) {
  table_->Edit();
  {
    std::unique_ptr<TStream> s = table_->CreateBlobStreamByName("TEXT", 2);
    ASSERT_NE(s, nullptr);
    const std::string text = "{\\rtf1 note}";
    EXPECT_EQ(s->Write(text.data(), static_cast<int32_t>(text.size())), static_cast<int32_t>(text.size()));
    table_->Post();  // while the stream is still open
  }
  table_->Skip(0);
  EXPECT_EQ(table_->GetField("TEXT"), "{\\rtf1 note}");
}

TEST_F(BlobStreamTest, SeekAndPartialReadsFollowTheMemo) {
  table_->PutField("TEXT", "0123456789");
  Post();
  std::unique_ptr<TStream> s = table_->CreateBlobStreamByName("TEXT", 0);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Seek(4, 0), 4);
  char buf[3] = {};
  EXPECT_EQ(s->Read(buf, 3), 3);
  EXPECT_EQ(std::string(buf, 3), "456");
  EXPECT_EQ(s->ReadAll(), "789");
}

TEST_F(BlobStreamTest, WriteModesOutsideEditStateAreRefused) {
  EXPECT_THROW(TXbBlobStream(table_->FieldByName("TEXT"), 1, false), EDatabaseError);
  EXPECT_THROW(TXbBlobStream(table_->FieldByName("NAME"), 0, false), EDatabaseError);
}

TEST_F(BlobStreamTest, ByNameStreamsReportWrongAndUnknownFields) {
  EXPECT_EQ(table_->CreateBlobStreamByName("NOSUCH", 0), nullptr);
  EXPECT_EQ(ErrorCode(), 220);
  EXPECT_NE(ErrorText().find("Field \"NOSUCH\" not in"), std::string::npos) << ErrorText();
  EXPECT_NE(ErrorText().find("[CreateBlobStreamByName]"), std::string::npos) << ErrorText();
}

TEST_F(BlobStreamTest, SetMemoLinesWritesTheLinesAndSetMFieldChecksTheType) {
  table_->SetMemoLines("TEXT", {"abc", "def"});
  EXPECT_EQ(table_->State(), TDataSetState::dsEdit);
  Post();
  EXPECT_EQ(table_->GetField("TEXT"), "abc\r\ndef");
  table_->SetMemoLines("TEXT", {});
  Post();
  EXPECT_EQ(Block(), 0);

  ClearErrorCode();
  table_->SetMField("NAME", {"x"}, false);
  EXPECT_EQ(ErrorCode(), 220);
  EXPECT_EQ(ErrorText(),
            "\"SetMField()\" expects field \"NAME\" to be of type:\r\n\"memo\".\"NAME\" actually is: \"Character\"");
}

TEST_F(BlobStreamTest, OemTablesKeepTheirMemosInTheOemCodePage) {
  auto oem = Table("Oem", "oem", {"TEXT, M, 10, 0"});
  oem->SetTableLanguage(TXbTableLanguage::tlOem);
  oem->Open();
  oem->ClearRecord();
  oem->FieldByName("TEXT")->SetAsString("Zo\xEB");  // ANSI e-diaeresis
  ASSERT_TRUE(oem->ALock());
  oem->AppendRec();
  oem->UnLock();
  EXPECT_EQ(oem->GetField("TEXT"), "Zo\xEB");
  Switches().ansi_tables = true;
  EXPECT_EQ(CreateBlobDescriptor(false, GetSwapMemoBlock(*CurrentArea(), 1), 1) != 0, true);
  char raw[8] = {};
  const int32_t n = ReadBlobStream(raw, sizeof raw);
  DestroyBlobDescriptor();
  ASSERT_EQ(n, 3);
  EXPECT_EQ(static_cast<uint8_t>(raw[2]), 0x89);  // e-diaeresis in code page 437
}

}  // namespace
}  // namespace xb
