// Index preparation on open (the CreateIndex modes with IndexList), the
// order commands, Find, Locate with and without an order, SetFilterTo and
// IsSequenced.
#include <filesystem>

#include "engine/dataset/dataset_index.h"
#include "engine/table/files.h"
#include "tests/dataset/dataset_fixture.h"

namespace xb {
namespace {

const std::vector<std::string> kFields = {"NAME, C, 10, 0", "NUM, N, 5, 0"};
const std::vector<std::string> kTags = {"NAME,F,F,upper(name)", "", "NUM,T,F,num", ""};

TEST(IndexListTags, DefinitionsComeFromFixedPlacesAndPairsOfLines) {
  struct Case {
    const char* line;
    const char* name;
    bool descending;
    bool unique;
    const char* key;
  } cases[] = {
      {"BOARD,F,F,upper(Noteboard)", "BOARD", false, false, "upper(Noteboard)"},
      {"NUM,T,T,num", "NUM", true, true, "num"},
      {"LOWER,t,Y,num", "LOWER", false, false, "num"},
      {"AVERYLONGTAGNAME,F,F,x", "AVERYLONGT", false, false, "x"},
  };
  for (const Case& c : cases) {
    const TagDefinition def = ParseIndexListTag(c.line, "num > 1");
    EXPECT_EQ(def.name, c.name) << c.line;
    EXPECT_EQ(def.descending, c.descending) << c.line;
    EXPECT_EQ(def.unique, c.unique) << c.line;
    EXPECT_EQ(def.key_expression, c.key) << c.line;
    EXPECT_EQ(def.for_expression, "num > 1");
  }
  EXPECT_EQ(TagDefinitionsFromIndexList({"A,F,F,a", "", "B,F,F,b"}).size(), 1u);
}

class DatasetIndexTest : public DatasetTest {
 protected:
  void SetUp() override {
    DatasetTest::SetUp();
    auto t = Table("Seed", "people.dbf", kFields);
    t->Open();
    for (const auto& [name, num] : std::vector<std::pair<std::string, std::string>>{
             {"carol", "3"}, {"alice", "1"}, {"bob", "2"}, {"dave", "4"}})
      AddRecord(*t, {{"NAME", name}, {"NUM", num}});
  }
  std::unique_ptr<TXbDbf> Indexed(std::vector<std::string> tags = kTags,
                                  TCreateIndexType mode = TCreateIndexType::ciNotFound) {
    auto t = Table("People", "people.dbf", kFields);
    t->SetIndexList(std::move(tags));
    t->SetCreateIndex(mode);
    t->OnBeforeMakeIndex = [this](const std::string& name, bool&) { built_.push_back(name); };
    return t;
  }
  std::vector<std::string> Names(TXbDbf& t) {
    std::vector<std::string> names;
    for (t.GoTop(); !t.IsEOF(); t.Skip(1)) names.push_back(t.GetField("NAME").substr(0, 5));
    return names;
  }
  std::vector<std::string> built_;
};

TEST_F(DatasetIndexTest, AMissingIndexFileIsBuiltOnOpenAndOrdersTheTable) {
  auto t = Indexed();
  t->SetShowProgress(true);
  std::string after;
  t->OnAfterMakeIndex = [&](const std::string& name) { after = name; };
  t->Open();
  ASSERT_EQ(built_.size(), 1u);
  EXPECT_EQ(built_[0], Path("people.mdx"));
  EXPECT_EQ(after, Path("people.mdx"));
  EXPECT_EQ(t->CurrentTag(), "NAME");
  EXPECT_EQ(Names(*t), (std::vector<std::string>{"alice", "bob  ", "carol", "dave "}));
  EXPECT_TRUE(t->SetOrderToTag("NUM"));
  EXPECT_EQ(Names(*t), (std::vector<std::string>{"dave ", "carol", "bob  ", "alice"}));
  EXPECT_FALSE(t->IsSequenced());
  t->SetOrderTo(0);
  EXPECT_EQ(t->CurrentTag(), "");
  EXPECT_TRUE(t->IsSequenced());
  t->Close();
  t->Open();
  EXPECT_EQ(built_.size(), 1u);  // present and sound: opened, not rebuilt
}

TEST_F(DatasetIndexTest, VerifyHeaderRebuildsOnlyWhenTheDefinitionsChanged) {
  Indexed()->Open();
  ASSERT_EQ(built_.size(), 1u);
  Indexed({"name,f,f,UPPER(NAME)", "", "num,t,f,NUM", ""}, TCreateIndexType::ciVerifyHeader)->Open();
  EXPECT_EQ(built_.size(), 1u);
  Indexed({"NAME,F,F,name", "", "NUM,T,F,num", ""}, TCreateIndexType::ciVerifyHeader)->Open();
  EXPECT_EQ(built_.size(), 2u);
}

TEST_F(DatasetIndexTest, NeverBuildingWithoutAFileOpensTheTableAndReportsTheMissingFile) {
  auto t = Indexed(kTags, TCreateIndexType::ciNever);
  t->Open();
  EXPECT_TRUE(t->Active());
  EXPECT_EQ(ErrorCode(), 2);
  EXPECT_TRUE(built_.empty());
}

TEST_F(DatasetIndexTest, RefusingTheBuildClearsTheProductionIndexFlag) {
  auto t = Indexed();
  t->OnBeforeMakeIndex = [](const std::string&, bool& can_make) { can_make = false; };
  t->Open();
  EXPECT_FALSE(HasProductionIndex());
  EXPECT_EQ(t->CurrentTag(), "");
  t->Close();
  auto plain = Table("Plain", "people.dbf", kFields);
  ClearErrorCode();
  plain->Open();
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_FALSE(FileExists(Path("people.mdx")));
}

TEST_F(DatasetIndexTest, FindLandsOnTheKeyOrAtTheEnd) {
  auto t = Indexed();
  t->Open();
  EXPECT_TRUE(t->Find("BO"));
  EXPECT_EQ(t->GetField("NAME"), "bob       ");
  EXPECT_FALSE(t->IsEOF());
  EXPECT_FALSE(t->FindExact("BO"));
  EXPECT_TRUE(t->IsEOF());
  EXPECT_FALSE(t->Find("ZZ"));
  EXPECT_TRUE(t->IsEOF());
}

TEST_F(DatasetIndexTest, LocateSeeksTheControllingTagAndIgnoresTheFieldNames) {
  auto t = Indexed();
  t->Open();
  EXPECT_TRUE(t->Locate("NUM", {std::string("CAROL")}, TLocateOptions{}));
  EXPECT_EQ(t->GetFieldInt("NUM"), 3);
  EXPECT_TRUE(t->Locate("NUM", {std::string("DA")}, TLocateOptions{false, true}));
  EXPECT_EQ(t->GetField("NAME"), "dave      ");
  t->SetOrderTo(0);
  EXPECT_TRUE(t->Locate("NUM", {int32_t{2}}, TLocateOptions{}));
  EXPECT_EQ(t->GetField("NAME"), "bob       ");
  EXPECT_TRUE(t->Locate("NAME", {std::string("ALI")}, TLocateOptions{true, true}));
  EXPECT_EQ(t->RecNo(), 2);
  EXPECT_FALSE(t->Locate("NAME", {std::string("zed")}, TLocateOptions{}));
  EXPECT_EQ(t->RecNo(), 2);
}

TEST_F(DatasetIndexTest, AFilterThatHidesTheCurrentRecordMovesToTheLastVisibleOne) {
  auto t = Table("People", "people.dbf", kFields);
  t->Open();
  t->Go(1);  // carol, 3
  t->SetFilterTo("num < 3");
  EXPECT_TRUE(t->Filtered());
  EXPECT_FALSE(t->IsSequenced());
  EXPECT_EQ(t->GetField("NAME"), "bob       ");
  EXPECT_EQ(Names(*t), (std::vector<std::string>{"alice", "bob  "}));
  t->Go(2);
  t->SetFilterTo("");
  EXPECT_FALSE(t->Filtered());
  EXPECT_EQ(t->RecNo(), 2);
  EXPECT_EQ(Names(*t).size(), 4u);
  t->SetFilterTo("no such thing (");
  EXPECT_NE(ErrorCode(), 0);
  EXPECT_FALSE(t->Filtered());
}

}  // namespace
}  // namespace xb
