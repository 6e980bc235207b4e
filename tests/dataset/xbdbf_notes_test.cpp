// The application's notes table on a TXbDbf: created with memo and index
// files from its DbfFields and IndexList, reopened, driven through the
// write protocol and scanned by tag; the result passes the index verifier
// (in process and through xbtool) and python3-dbf reads every field.
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "app/model/notes_fields.h"
#include "engine/index/index_check.h"
#include "tests/dataset/dataset_fixture.h"
#include "tests/support/python.h"

namespace xb {
namespace {

std::string XbtoolPath() {
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
  const std::filesystem::path tool = self.parent_path().parent_path().parent_path() / "tools" / "xbtool";
  return std::filesystem::exists(tool) ? tool.string() : "";
}


class NotesTableTest : public DatasetTest {
 protected:
  std::unique_ptr<TXbDbf> Notes(const std::string& name = "XbNotes") {
    auto t = std::make_unique<TXbDbf>(name);
    ConfigureNotesTable(*t);
    DeclareNotesFields(*t);
    t->SetDbfFileName(Path("notes.dbf"));
    return t;
  }
  // Shape 1 of the write protocol: fill the buffer, then append under the
  // append lock.
  static void AddNote(TXbDbf& t, const std::string& desc, const std::string& alarm, const std::string& expires,
                      int32_t handle, const std::string& text) {
    t.ClearRecord();
    t.PutField("DESC", desc);
    t.PutField("SHOWING", "Y");
    t.PutField("ALARMACT", alarm);
    t.PutField("EXPIRES", expires);
    t.PutField("NOTEBOARD", "1");
    t.PutField("DATECREATE", "05/31/2026");
    t.PutField("ALARMTIME", "9:5");
    t.PutFieldInt("COLOR", 10092543);
    t.PutFieldInt("HANDLE", handle);
    t.PutFieldInt("ALARMTYPE", 1);
    t.PutFieldFloat("CAPFONTSIZ", 8);
    t.PutFieldFloat("NUM3", 12.25);
    t.FieldByName("MEMO")->SetAsString(text);
    ASSERT_TRUE(t.ALock());
    t.AppendRec();
    t.UnLock();
    ASSERT_EQ(ErrorCode(), 0) << ErrorText();
  }
  // The scan of the reminder and expiry checks: every record whose flag
  // field is "Y", found through its tag; the order is restored after.
  static std::vector<std::string> Scan(TXbDbf& t, const std::string& tag, const std::string& flag) {
    std::vector<std::string> found;
    const std::string previous = t.CurrentTag();
    t.SetOrderToTag(tag);
    t.Find("Y");
    while (!t.IsEOF() && t.GetField(flag) == "Y") {
      found.push_back(TrimRight(t.GetField("DESC")));
      t.Skip(1);
    }
    t.SetOrderToTag(previous);
    return found;
  }
  static std::string TrimRight(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
  }
};

TEST_F(NotesTableTest, AMissingTableIsCreatedWithItsMemoAndIndexFiles) {
  auto notes = Notes();
  notes->Open();
  EXPECT_TRUE(std::filesystem::exists(Path("notes.dbf")));
  EXPECT_TRUE(std::filesystem::exists(Path("notes.dbt")));
  EXPECT_TRUE(std::filesystem::exists(Path("notes.mdx")));
  EXPECT_EQ(notes->FieldCount(), 37);
  EXPECT_EQ(notes->FieldDefs().size(), 37u);
  EXPECT_EQ(notes->CurrentTag(), "BOARD");
  EXPECT_TRUE(ui_.messages.empty()) << ui_.messages.front();
  for (const char* tag : {"BOARD", "HANDLE", "SHOWING", "ALARMACT", "EXPIREACT"}) {
    EXPECT_TRUE(notes->SetOrderToTag(tag)) << tag;
    EXPECT_EQ(notes->CurrentTag(), tag);
  }
  notes->Close();
  notes->Open();
  EXPECT_EQ(notes->RecordCount(), 0);
  EXPECT_EQ(ErrorCode(), 0) << ErrorText();
}

TEST_F(NotesTableTest, TheWriteProtocolLeavesAConsistentTableThatOthersRead) {
  auto notes = Notes();
  notes->Open();
  ASSERT_EQ(notes->CurrentTag(), "BOARD");
  AddNote(*notes, "Groceries", "Y", "N", 101, "{\\rtf1 milk}");
  AddNote(*notes, "Dentist", "N", "Y", 102, "{\\rtf1 call}");
  AddNote(*notes, "Old", "N", "N", 103, "");
  AddNote(*notes, "Taxes", "Y", "Y", 104, "{\\rtf1 forms}");
  ASSERT_EQ(notes->RecordCount(), 4);

  // Shape 2: puts, then RLock, ReplaceRec, UnLock.
  notes->Go(2);
  notes->PutField("ALARMACT", "Y");
  notes->PutField("DATEALMACT", "06/01/2026");
  notes->PutField("TIMEALMACT", "9:5");
  ASSERT_TRUE(notes->RLock());
  notes->ReplaceRec();
  notes->UnLock();
  EXPECT_EQ(ErrorCode(), 0) << ErrorText();

  // Shape 3: delete under the record lock; hidden at once.
  notes->Go(3);
  ASSERT_TRUE(notes->RLock());
  notes->DeleteRec();
  notes->UnLock();
  EXPECT_NE(notes->RecNo(), 3);

  // Every append and replace kept the tags, so the scans see every change.
  EXPECT_EQ(Scan(*notes, "ALARMACT", "ALARMACT"), (std::vector<std::string>{"Groceries", "Dentist", "Taxes"}));
  EXPECT_EQ(Scan(*notes, "EXPIREACT", "EXPIRES"), (std::vector<std::string>{"Dentist", "Taxes"}));
  EXPECT_EQ(notes->CurrentTag(), "BOARD");
  EXPECT_TRUE(VerifyIndexFile(*CurrentArea()).empty());
  ASSERT_TRUE(notes->Pack());
  EXPECT_EQ(notes->RecordCount(), 3);
  notes->SetOrderToTag("HANDLE");
  EXPECT_TRUE(notes->Find("       104"));
  EXPECT_EQ(notes->GetField("DESC").substr(0, 5), "Taxes");
  EXPECT_EQ(notes->FieldByName("MEMO")->AsString(), "{\\rtf1 forms}");
  EXPECT_TRUE(VerifyIndexFile(*CurrentArea()).empty());
  notes->Close();

  const std::string tool = XbtoolPath();
  if (!tool.empty()) {
    const std::string out = qptest::RunCapture(tool + " --oem check " + Path("notes.dbf") + " 2>&1");
    EXPECT_EQ(out, "OK\n");
  }
  if (qptest::PythonWithDbf().empty()) GTEST_SKIP() << "python3-dbf not installed";
  // python3-dbf opens only dBASE III tables (version 3 or 0x83) and refuses
  // the dBASE IV version byte 0x8B outright. The record layout is the same,
  // so it reads every field of a copy whose version byte says dBASE III,
  // memos left aside (their dBASE IV blocks carry a header it does not
  // know); dbfread reads the memos from the original.
  std::vector<uint8_t> bytes = qptest::ReadBytes(Path("notes.dbf"));
  ASSERT_EQ(bytes[0], 0x8B);
  bytes[0] = 0x83;
  qptest::WriteBytes(Path("plain.dbf"), bytes);
  const std::string script =
      "import dbf, sys\n"
      "t = dbf.Table(sys.argv[1], codepage='cp437', ignore_memos=True); t.open(dbf.READ_ONLY)\n"
      "print(len(t.field_names))\n"
      "for r in t:\n"
      "    print('|'.join(str(r[f]).strip() if r[f] is not None else '' for f in t.field_names))\n"
      "try:\n"
      "    import dbfread\n"
      "    for r in dbfread.DBF(sys.argv[2], encoding='cp437'):\n"
      "        print('memo:' + r['MEMO'])\n"
      "except ImportError:\n"
      "    pass\n";
  std::FILE* f = std::fopen(Path("read.py").c_str(), "w");
  std::fputs(script.c_str(), f);
  std::fclose(f);
  const std::string out = qptest::RunCapture(qptest::PythonWithDbf() + " " + Path("read.py") + " " + Path("plain.dbf") + " " +
                                     Path("notes.dbf") + " 2>&1");
  EXPECT_EQ(out.substr(0, 3), "37\n") << out;
  EXPECT_NE(out.find("Groceries||10092543|"), std::string::npos) << out;
  EXPECT_NE(out.find("|2026-05-31|1|Y|1|"), std::string::npos) << out;
  EXPECT_NE(out.find("|2026-06-01|"), std::string::npos) << out;
  EXPECT_NE(out.find("|12.25|"), std::string::npos) << out;
  if (out.find("memo:") != std::string::npos) {
    EXPECT_NE(out.find("memo:{\\rtf1 milk}"), std::string::npos) << out;
    EXPECT_NE(out.find("memo:{\\rtf1 forms}"), std::string::npos) << out;
  }
  EXPECT_EQ(out.find("Old"), std::string::npos) << out;
}

TEST_F(NotesTableTest, ACopiedRecordKeepsEveryFieldAndItsMemo) {
  auto notes = Notes();
  notes->Open();
  AddNote(*notes, "Source", "Y", "N", 7, "{\\rtf1 body}");
  notes->PutField("DATEALMACT", "06/02/2026");
  notes->PutField("TIMEALMACT", "14:30");
  ASSERT_TRUE(notes->RLock());
  notes->ReplaceRec();
  notes->UnLock();

  auto trash = std::make_unique<TXbDbf>("XbTrash");
  ConfigureNotesTable(*trash);
  DeclareNotesFields(*trash);
  trash->SetDbfFileName(Path("Trash.dbf"));
  trash->Open();
  trash->ClearRecord();
  for (int i = 0; i < notes->FieldCount(); ++i) {
    TField* from = notes->Fields(i);
    if (from->DataType() == TFieldType::ftMemo) {
      std::unique_ptr<TStream> in = notes->CreateBlobStreamByName(from->FieldName(), 0);
      ASSERT_NE(in, nullptr);
      static_cast<TMemoField*>(trash->FieldByName(from->FieldName()))->LoadFromStream(*in);
    } else if (from->DataType() == TFieldType::ftInteger) {
      trash->PutFieldInt(from->FieldName(), notes->GetFieldInt(from->FieldName()));
    } else if (from->DataType() == TFieldType::ftFloat) {
      trash->PutFieldFloat(from->FieldName(), notes->GetFieldFloat(from->FieldName()));
    } else if (from->DataType() == TFieldType::ftDate) {
      trash->PutFieldStr(from->FieldName(), notes->GetFieldDate(from->FieldName()));
    } else {
      trash->PutField(from->FieldName(), notes->GetFieldStr(from->FieldName()));
    }
  }
  ASSERT_TRUE(trash->ALock());
  trash->AppendRec();
  trash->UnLock();
  ASSERT_EQ(ErrorCode(), 0) << ErrorText();
  for (int i = 0; i < notes->FieldCount(); ++i) {
    const std::string name = notes->Fields(i)->FieldName();
    EXPECT_EQ(trash->GetField(name), notes->GetField(name)) << name;
  }
  EXPECT_EQ(trash->GetField("TIMEALMACT").substr(0, 5), "14:30");
}

}  // namespace
}  // namespace xb
