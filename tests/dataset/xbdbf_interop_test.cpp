// Tables written by other dBASE software (python3-dbf: dBASE III and
// FoxPro, both with memos) open through TXbDbf with the right field
// classes and values. Skipped when python3-dbf is not installed.
#include <cstdio>
#include <cstdlib>

#include "engine/dataset/field_classes.h"
#include "tests/dataset/dataset_fixture.h"
#include "tests/support/python.h"

namespace xb {
namespace {

constexpr const char* kWriter = R"(import sys, dbf, datetime
path, kind = sys.argv[1], sys.argv[2]
t = dbf.Table(path, 'NAME C(10); AGE N(3,0); RATE N(8,2); BORN D; OK L; NOTE M', dbf_type=kind, codepage='cp1252')
t.open(dbf.READ_WRITE)
t.append(('Zo\u00eb', 42, 3.25, datetime.date(2020, 1, 31), True, 'first memo\r\nline two'))
t.append(('Al', -7, -0.5, None, False, ''))
t.close()
)";

class XbDbfInteropTest : public DatasetTest, public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
    DatasetTest::SetUp();
    if (qptest::PythonWithDbf().empty()) GTEST_SKIP() << "no python3-dbf";
    std::FILE* f = std::fopen(Path("write.py").c_str(), "w");
    std::fputs(kWriter, f);
    std::fclose(f);
    const std::string command = qptest::PythonWithDbf() + " " + Path("write.py") + " " + Path("other.dbf") + " " + GetParam();
    ASSERT_EQ(std::system(command.c_str()), 0);
  }
};

TEST_P(XbDbfInteropTest, ATableFromAnotherProgramReadsWithItsFieldClassesAndValues) {
  auto t = std::make_unique<TXbDbf>("Other");
  t->SetDbfFileName(Path("other.dbf"));
  t->SetTableLanguage(TXbTableLanguage::tlAnsi);
  t->SetCreateIfNotFound(false);
  t->Open();
  EXPECT_NE(dynamic_cast<TStringField*>(t->FieldByName("NAME")), nullptr);
  EXPECT_NE(dynamic_cast<TXbIntegerField*>(t->FieldByName("AGE")), nullptr);
  EXPECT_NE(dynamic_cast<TXbFloatField*>(t->FieldByName("RATE")), nullptr);
  EXPECT_NE(dynamic_cast<TXbDateField*>(t->FieldByName("BORN")), nullptr);
  EXPECT_NE(dynamic_cast<TBooleanField*>(t->FieldByName("OK")), nullptr);
  EXPECT_NE(dynamic_cast<TMemoField*>(t->FieldByName("NOTE")), nullptr);
  EXPECT_EQ(t->RecordCount(), 2);

  EXPECT_EQ(t->GetField("NAME"), "Zo\xEB       ");
  EXPECT_EQ(t->GetFieldInt("AGE"), 42);
  EXPECT_DOUBLE_EQ(t->GetFieldFloat("RATE"), 3.25);
  EXPECT_EQ(t->GetFieldDate("BORN"), "01/31/2020");
  EXPECT_EQ(t->GetField("OK"), "T");
  EXPECT_EQ(t->FieldByName("NOTE")->AsString(), "first memo\r\nline two");

  t->Skip(1);
  EXPECT_EQ(t->GetFieldInt("AGE"), -7);
  EXPECT_DOUBLE_EQ(t->GetFieldFloat("RATE"), -0.5);
  EXPECT_TRUE(t->FieldByName("BORN")->IsNull());
  EXPECT_EQ(t->GetField("OK"), "F");
  EXPECT_EQ(t->FieldByName("NOTE")->AsString(), "");

  // And a change made here reads back in the other program's format.
  t->PutField("NAME", "Changed");
  t->FieldByName("NOTE")->SetAsString("new memo");
  ASSERT_TRUE(t->RLock());
  t->ReplaceRec();
  t->UnLock();
  t->Close();
  const std::string read = qptest::PythonWithDbf() + " -c \"import dbf,sys; t=dbf.Table(sys.argv[1]); t.open(dbf.READ_ONLY); "
                           "print(t[1].name.strip() + '|' + t[1].note)\" " + Path("other.dbf");
  EXPECT_EQ(qptest::RunCapture(read), "Changed|new memo\n");
}

INSTANTIATE_TEST_SUITE_P(Kinds, XbDbfInteropTest, ::testing::Values("db3", "fp"));

}  // namespace
}  // namespace xb
