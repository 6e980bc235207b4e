// The dataset framework over a table: moves and the cursor flags, record
// windows for data links, bookmarks, events, calculated fields and hidden
// deleted records.
#include "tests/dataset/dataset_fixture.h"

namespace xb {
namespace {

class RecordingLink : public TDataLink {
 public:
  std::vector<std::string> events;

 protected:
  void ActiveChanged() override { events.push_back("active"); }
  void DataSetChanged() override { events.push_back("changed"); }
  void DataSetScrolled(int distance) override { events.push_back("scrolled " + std::to_string(distance)); }
  void RecordChanged(TField* field) override { events.push_back(field ? "field " + field->FieldName() : "record"); }
  void EditingChanged() override { events.push_back("editing"); }
};

class DatasetFrameworkTest : public DatasetTest {
 protected:
  void SetUp() override {
    DatasetTest::SetUp();
    table_ = Table("Rows", "rows", {"NAME, C, 8, 0", "NUM, N, 4, 0"});
    table_->Open();
    for (int i = 1; i <= 5; ++i) AddRecord(*table_, {{"NAME", "row" + std::to_string(i)}, {"NUM", std::to_string(i)}});
    table_->GoTop();
  }
  void TearDown() override {
    table_.reset();
    DatasetTest::TearDown();
  }
  std::unique_ptr<TXbDbf> table_;
};

TEST_F(DatasetFrameworkTest, ReadingPastTheLastRecordReportsTheEndAndStaysOnIt) {
  EXPECT_EQ(table_->MoveBy(10), 4);
  EXPECT_TRUE(table_->IsEOF());
  EXPECT_EQ(table_->RecNo(), 5);
  EXPECT_EQ(xb::RecNo(), 5);
  table_->Prior();
  EXPECT_EQ(table_->RecNo(), 4);
  table_->Last();
  EXPECT_TRUE(table_->IsEOF());
  EXPECT_EQ(table_->RecNo(), 5);
  table_->Prior();
  EXPECT_EQ(table_->RecNo(), 4);
  EXPECT_EQ(table_->MoveBy(-10), -3);
  EXPECT_TRUE(table_->IsBOF());
  EXPECT_EQ(table_->RecNo(), 1);
}

TEST_F(DatasetFrameworkTest, ALinkWithAWindowSeesSeveralRecordsAndTheScrolls) {
  TDataSource source;
  source.SetDataSet(table_.get());
  RecordingLink link;
  link.SetDataSource(&source);
  link.SetBufferCount(3);
  EXPECT_EQ(link.RecordCount(), 3);
  EXPECT_EQ(link.ActiveRecord(), 0);
  table_->Next();
  table_->Next();
  EXPECT_EQ(link.ActiveRecord(), 2);
  EXPECT_EQ(table_->GetField("NAME"), "row3    ");
  table_->Next();
  EXPECT_EQ(link.ActiveRecord(), 2);
  EXPECT_EQ(table_->GetField("NAME"), "row4    ");
  EXPECT_EQ(link.events.back(), "scrolled 1");
  table_->Prior();
  table_->Prior();
  table_->Prior();
  EXPECT_EQ(table_->GetField("NAME"), "row1    ");
  EXPECT_EQ(link.ActiveRecord(), 0);
  link.events.clear();
  ASSERT_TRUE(link.Edit());
  table_->FieldByName("NUM")->SetAsInteger(10);
  EXPECT_EQ(link.events, (std::vector<std::string>{"editing", "record", "field NUM"}));
  table_->Post();
  EXPECT_EQ(table_->GetFieldInt("NUM"), 10);
  table_->Next();
  EXPECT_EQ(table_->GetField("NAME"), "row2    ");
}

TEST_F(DatasetFrameworkTest, BookmarksReturnToTheirRecord) {
  table_->MoveBy(2);
  const TBookmark mark = table_->GetBookmark();
  table_->Last();
  EXPECT_TRUE(table_->BookmarkValid(mark));
  table_->GotoBookmark(mark);
  EXPECT_EQ(table_->RecNo(), 3);
  const TBookmark other = table_->GetBookmark();
  table_->First();
  EXPECT_EQ(table_->CompareBookmarks(table_->GetBookmark(), other), -1);
  EXPECT_EQ(table_->CompareBookmarks(other, TBookmark{}), -1);
  EXPECT_FALSE(table_->BookmarkValid(TBookmark{9, 0, 0, 0}));
}

TEST_F(DatasetFrameworkTest, EventsComeInTheirOrderAndRecNoMoves) {
  std::vector<std::string> seen;
  table_->BeforePost = [&](TDataSet&) { seen.push_back("before post"); };
  table_->AfterPost = [&](TDataSet&) { seen.push_back("after post"); };
  table_->AfterScroll = [&](TDataSet&) { seen.push_back("scroll"); };
  table_->Edit();
  table_->FieldByName("NAME")->SetAsString("edited");
  table_->Post();
  table_->SetRecNo(4);
  EXPECT_EQ(seen, (std::vector<std::string>{"before post", "after post", "scroll"}));
  EXPECT_EQ(table_->GetField("NAME"), "row4    ");
  EXPECT_EQ(table_->RecordCount(), 5);
}

TEST_F(DatasetFrameworkTest, CalculatedFieldsAreComputedForEveryRecord) {
  table_->Close();
  auto twice = std::make_unique<TIntegerField>();
  twice->SetFieldName("TWICE");
  twice->SetFieldKind(TFieldKind::fkCalculated);
  table_->AddField(std::make_unique<TStringField>()).SetFieldName("NAME");
  auto num = std::make_unique<TIntegerField>();
  num->SetFieldName("NUM");
  table_->AddField(std::move(num));
  table_->AddField(std::move(twice));
  table_->OnCalcFields = [](TDataSet& ds) {
    ds.FieldByName("TWICE")->SetAsInteger(ds.FieldByName("NUM")->AsInteger() * 2);
  };
  table_->Open();
  table_->Go(3);
  EXPECT_EQ(table_->FieldByName("TWICE")->AsInteger(), 6);
  table_->Skip(1);
  EXPECT_EQ(table_->FieldByName("TWICE")->AsInteger(), 8);
}

TEST_F(DatasetFrameworkTest, HiddenDeletedRecordsAreSkippedByEveryMove) {
  table_->SetHideDeletedRecs(true);
  table_->Go(2);
  ASSERT_TRUE(table_->RLock());
  table_->DeleteRec();
  table_->UnLock();
  EXPECT_EQ(table_->RecNo(), 3);
  std::vector<int> seen;
  for (table_->GoTop(); !table_->IsEOF(); table_->Skip(1)) seen.push_back(table_->RecNo());
  EXPECT_EQ(seen, (std::vector<int>{1, 3, 4, 5}));
  table_->SetHideDeletedRecs(false);
  table_->Go(2);
  EXPECT_TRUE(table_->Deleted());
  table_->RecallWithLock();
  EXPECT_FALSE(table_->Deleted());
}

}  // namespace
}  // namespace xb
