// The manager's tables over a real program folder: the pages' orders and
// filters, restore, emptying a trash in which another program locks a
// record, the search and its text cache, and export in each format.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QXmlStreamReader>

#include "app/model/ExportCommand.h"
#include "app/model/NoteExport.h"
#include "app/model/XbManagerStore.h"
#include "components/XbGridModel.h"
#include "richtext/RtfReader.h"
#include "tests/app/store_fixture.h"
#include "tests/support/python.h"

namespace qp {
namespace {

class ManagerStoreTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    store_ = OpenStore();
  }
  void TearDown() override {
    manager_.reset();
    store_.reset();
    StoreTest::TearDown();
  }
  // A stored note of template `board` with its caption and text.
  NoteRecord Note(const QString& caption, const QByteArray& rtf, int board = 1, bool showing = false,
                  bool alarm = false) {
    StoreResult result = StoreResult::Failed;
    NoteRecord note = store_->newNoteFromTemplate(board, 0, QSize(1000, 800), &result);
    EXPECT_EQ(result, StoreResult::Done);
    note.caption = caption;
    note.rtf = rtf;
    note.alarmActive = alarm;
    EXPECT_EQ(store_->updateNote(note, showing ? Showing::Shown : Showing::Hidden), StoreResult::Done);
    return note;
  }
  XbManagerStore& Manager() {
    if (!manager_) {
      manager_ = std::make_unique<XbManagerStore>(folder());
      EXPECT_TRUE(manager_->open()) << manager_->lastError().toStdString();
    }
    return *manager_;
  }
  static QStringList Captions(TXbColumnModel* model) {
    auto* grid = static_cast<TXbGridModel*>(model);
    grid->fetchAll();
    QStringList out;
    for (int r = 0; r < grid->rowCount(); ++r) out << grid->index(r, 0).data().toString();
    return out;
  }
  // The deleted flags of Trash.dbf read from the bytes, not through the engine.
  QList<bool> TrashDeletedFlags() const {
    QFile file(folder() + "Trash.dbf");
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const auto u32 = [&](int at) { return quint32(quint8(bytes[at])) | quint32(quint8(bytes[at + 1])) << 8 |
                                          quint32(quint8(bytes[at + 2])) << 16 | quint32(quint8(bytes[at + 3])) << 24; };
    const auto u16 = [&](int at) { return int(quint8(bytes[at])) | int(quint8(bytes[at + 1])) << 8; };
    const int count = int(u32(4)), header = u16(8), length = u16(10);
    QList<bool> flags;
    for (int i = 0; i < count; ++i) flags << (bytes.at(header + i * length) == '*');
    return flags;
  }

  std::unique_ptr<XbNoteStore> store_;
  std::unique_ptr<XbManagerStore> manager_;
};

QByteArray Rtf(const char* body) { return QByteArray("{\\rtf1\\ansi\\ansicpg1252 ") + body + "\\par}"; }

TEST_F(ManagerStoreTest, EachPageHasItsOrderAndFilter) {
  Note("first", Rtf("a"), 1, false, true);
  Note("tenth", Rtf("b"), 10);
  Note("fourth", Rtf("c"), 4, false, false);
  Note("plain again", Rtf("d"), 1, false, true);
  XbManagerStore& m = Manager();
  m.showPage(ManagerPage::AllNotes);
  EXPECT_EQ(Captions(m.notesModel()), QStringList({"first", "tenth", "fourth", "plain again"}));
  m.showPage(ManagerPage::ActiveReminders);
  EXPECT_EQ(Captions(m.notesModel()), QStringList({"first", "plain again"}));
  // Template 1's page must not take template 10's notes.
  m.showPage(ManagerPage::Template, 1);
  EXPECT_EQ(Captions(m.notesModel()), QStringList({"first", "plain again"}));
  m.showPage(ManagerPage::Template, 10);
  EXPECT_EQ(Captions(m.notesModel()), QStringList({"tenth"}));
  m.showPage(ManagerPage::Template, 4);
  EXPECT_EQ(Captions(m.notesModel()), QStringList({"fourth"}));
  m.showPage(ManagerPage::Template, 7);
  EXPECT_TRUE(Captions(m.notesModel()).isEmpty());
}

TEST_F(ManagerStoreTest, ANoteSentToTheTrashComesBackHiddenWhenRestored) {
  const NoteRecord shown = Note("keep me", Rtf("text to keep"), 2, /*showing=*/true);
  Note("other", Rtf("x"));
  XbManagerStore& m = Manager();
  ASSERT_EQ(m.sendToTrash(shown.recNo), StoreResult::Done);
  m.showPage(ManagerPage::AllNotes);
  EXPECT_EQ(Captions(m.notesModel()), QStringList({"other"}));
  m.showPage(ManagerPage::Trash);
  ASSERT_EQ(Captions(m.trashModel()), QStringList({"keep me"}));
  const int trashed = static_cast<TXbGridModel*>(m.trashModel())->recNoAt(0);
  ASSERT_EQ(m.restore(trashed), StoreResult::Done);
  m.refresh();
  EXPECT_TRUE(Captions(m.trashModel()).isEmpty());
  m.showPage(ManagerPage::AllNotes);
  ASSERT_EQ(Captions(m.notesModel()), QStringList({"other", "keep me"}));
  const int back = static_cast<TXbGridModel*>(m.notesModel())->recNoAt(1);
  const std::optional<NoteRecord> restored = m.note(back);
  ASSERT_TRUE(restored);
  EXPECT_FALSE(restored->showing);
  EXPECT_EQ(restored->rtf, Rtf("text to keep"));
  EXPECT_EQ(restored->board, "2");
  // Restoring what is no longer in the trash changes nothing.
  EXPECT_EQ(m.restore(trashed), StoreResult::NoRecord);
}

TEST_F(ManagerStoreTest, ANoteStoredByItsWindowJustBeforeCanBeTrashed) {
  Note("first", Rtf("a"), 1, true);
  NoteRecord last = Note("last", Rtf("typed just before"), 1, true);
  ASSERT_EQ(store_->trashNote(Note("old", Rtf("trashed before"))), StoreResult::Done);
  XbManagerStore& m = Manager();
  // The user looked at every page first; each prepared its search.
  for (ManagerPage page : {ManagerPage::Trash, ManagerPage::AllNotes}) {
    m.showPage(page);
    while (!m.prepareSearch(1)) {
    }
  }
  m.setSearch("just before");
  EXPECT_EQ(Captions(m.notesModel()), QStringList({"last"}));
  // The window stores itself as hidden through the program's own table.
  last.rtf = Rtf("typed just before, and more");
  ASSERT_EQ(store_->updateNote(last, Showing::Hidden), StoreResult::Done);
  // The manager prepares its search meanwhile, to the end of the table.
  while (!m.prepareSearch(1)) {
  }
  ASSERT_EQ(m.sendToTrash(last.recNo), StoreResult::Done) << m.lastError().toStdString();
  m.refresh();
  EXPECT_TRUE(Captions(m.notesModel()).isEmpty());
  m.setSearch("");
  EXPECT_EQ(Captions(m.notesModel()), QStringList({"first"}));
  m.showPage(ManagerPage::Trash);
  EXPECT_EQ(Captions(m.trashModel()), QStringList({"old", "last"}));
}

TEST_F(ManagerStoreTest, EmptyingTheTrashSkipsARecordAnotherProgramLocksAndCountsIt) {
  for (const char* caption : {"one", "two", "three"}) {
    const NoteRecord n = Note(caption, Rtf(caption));
    ASSERT_EQ(store_->trashNote(n), StoreResult::Done);
  }
  // Another program holds the lock of the second trashed note.
  auto other = std::make_unique<xb::TXbDbf>("OtherTrash");
  other->SetDbfFileName((folder() + "Trash.dbf").toStdString());
  other->Open();
  other->Go(2);
  ASSERT_TRUE(other->RLock());
  int between = 0;
  const EmptyTrashResult result = Manager().emptyTrash([&] { ++between; });
  EXPECT_EQ(result.deleted, 2);
  EXPECT_EQ(result.locked, 1);
  EXPECT_FALSE(result.failed);
  EXPECT_EQ(between, 3);
  EXPECT_EQ(TrashDeletedFlags(), QList<bool>({true, false, true}));
  EXPECT_EQ(Captions(Manager().trashModel()), QStringList({"two"}));
  // Once the lock is gone the next emptying takes it; an empty trash
  // changes nothing.
  other->UnLock();
  EXPECT_EQ(Manager().emptyTrash({}).deleted, 1);
  EXPECT_EQ(TrashDeletedFlags(), QList<bool>({true, true, true}));
  const EmptyTrashResult again = Manager().emptyTrash({});
  EXPECT_EQ(again.deleted + again.locked, 0);
}

TEST_F(ManagerStoreTest, SearchFindsEveryWordInCaptionOrTextWhateverCaseAndAccents) {
  Note("Café list", Rtf("buy {\\b milk} and bread"));
  Note("Garage", Rtf("call Zo\\'eb about the CAR"));  // Zoë
  Note("Meeting", Rtf("agenda: caf\\'e9 budget"));
  XbManagerStore& m = Manager();
  m.showPage(ManagerPage::AllNotes);
  const struct {
    const char* query;
    QStringList found;
  } cases[] = {
      {"", {"Café list", "Garage", "Meeting"}},
      {"cafe", {"Café list", "Meeting"}},
      {"CAFÉ budget", {"Meeting"}},
      {"zoe car", {"Garage"}},
      {"  MILK   bread ", {"Café list"}},
      {"milk garage", {}},
      {"list", {"Café list"}},  // the caption counts
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.query);
    m.setSearch(QString::fromUtf8(c.query));
    EXPECT_EQ(Captions(m.notesModel()), c.found);
  }
  // The search stays with a page change and sees a note changed since.
  m.setSearch("budget");
  m.showPage(ManagerPage::Template, 1);
  EXPECT_EQ(Captions(m.notesModel()), QStringList({"Meeting"}));
  NoteRecord garage = store_->readNote(2).value();
  garage.rtf = Rtf("the budget for tyres");
  ASSERT_EQ(store_->updateNote(garage, Showing::Hidden), StoreResult::Done);
  m.setSearch("budget");
  EXPECT_EQ(Captions(m.notesModel()), QStringList({"Garage", "Meeting"}));
  m.setSearch("");
  EXPECT_EQ(Captions(m.notesModel()).size(), 3);
}

TEST_F(ManagerStoreTest, TheSearchIsPreparedAFewNotesAtATime) {
  for (const char* caption : {"one", "two", "three", "four", "five"}) Note(caption, Rtf("body"));
  // A second manager over the same tables, as another window would have.
  XbManagerStore other(folder());
  ASSERT_TRUE(other.open());
  other.showPage(ManagerPage::AllNotes);
  int slices = 1;
  while (!other.prepareSearch(2)) ++slices;
  EXPECT_EQ(slices, 3);  // 2 + 2 + 1 notes
  other.setSearch("four");
  EXPECT_EQ(Captions(other.notesModel()), QStringList({"four"}));
  EXPECT_TRUE(other.prepareSearch(2));  // nothing changed since
}

TEST_F(ManagerStoreTest, ExportWritesOneReadableFilePerNoteUnderASafeUniqueName) {
  Note("Shopping", Rtf("{\\b eggs} & <ham>"));
  Note("Shopping", Rtf("second list"));
  Note("a/b: c?", QByteArray("plain text, not RTF \xe9"));
  const QList<ExportNote> notes = Manager().notesForExport({});
  ASSERT_EQ(notes.size(), 3);
  QTemporaryDir dir;
  for (ExportFormat format : {ExportFormat::Html, ExportFormat::Rtf, ExportFormat::Text}) {
    const QString sub = dir.filePath(ExportExtension(format));
    const ExportResult result = ExportNotes(notes, sub, format);
    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    EXPECT_EQ(result.written, 3);
    const QString ext = "." + ExportExtension(format);
    EXPECT_EQ(QDir(sub).entryList(QDir::Files, QDir::Name),
              QStringList({"Shopping (2)" + ext, "Shopping" + ext, "a_b_ c_" + ext}));
  }
  // RTF: our reader reads back the text of each note.
  for (const auto& [file, text] : {std::pair{"rtf/Shopping.rtf", "eggs & <ham>"}, {"rtf/a_b_ c_.rtf", "plain text, not RTF é"}}) {
    QFile f(dir.filePath(file));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QTextDocument doc;
    RtfReader reader;
    ASSERT_TRUE(reader.read(f.readAll(), doc)) << file;
    EXPECT_EQ(doc.toPlainText().trimmed(), QString::fromUtf8(text));
  }
  // HTML: well-formed XML, and Python's HTML parser finds the text.
  QFile html(dir.filePath("html/Shopping.html"));
  ASSERT_TRUE(html.open(QIODevice::ReadOnly));
  QXmlStreamReader xml(html.readAll());
  QString body;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isCharacters() && !xml.isWhitespace()) body += xml.text();
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  EXPECT_TRUE(body.contains("eggs & <ham>")) << body.toStdString();
  const std::string parsed = qptest::RunCapture(
      "/usr/bin/python3 -c 'import html.parser,sys\n"
      "class P(html.parser.HTMLParser):\n"
      "  t=\"\"\n"
      "  def handle_data(self,d): self.t+=d\n"
      "p=P(); p.feed(open(sys.argv[1],encoding=\"utf-8\").read()); p.close(); print(\"second list\" in p.t)' '" +
      dir.filePath("html/Shopping (2).html").toStdString() + "'");
  EXPECT_EQ(parsed, "True\n");
  QFile text(dir.filePath("txt/a_b_ c_.txt"));
  ASSERT_TRUE(text.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(text.readAll()), QString::fromUtf8("plain text, not RTF é\n"));
  // A second export into the same folder overwrites nothing.
  EXPECT_EQ(ExportNotes(notes.mid(0, 1), dir.filePath("txt"), ExportFormat::Text).files,
            QStringList({dir.filePath("txt/Shopping (3).txt")}));
}

TEST_F(ManagerStoreTest, TheExportCommandWritesEveryNoteAndCreatesNoTables) {
  Note("", Rtf("no caption yet"));
  Note("Shopping", Rtf("eggs"));
  QTemporaryDir out;
  EXPECT_EQ(RunExportCommand(folder(), out.filePath("notes"), ExportFormat::Text), 0);
  EXPECT_EQ(QDir(out.filePath("notes")).entryList(QDir::Files, QDir::Name),
            QStringList({"Shopping.txt", "Untitled note.txt"}));
  // The grid tells a note without a caption from its neighbours.
  Manager().showPage(ManagerPage::AllNotes);
  EXPECT_EQ(Captions(Manager().notesModel()), QStringList({"(no caption)", "Shopping"}));
  // A folder without notes is an error, and stays without tables.
  QTemporaryDir empty;
  EXPECT_EQ(RunExportCommand(empty.path(), out.filePath("none"), ExportFormat::Html), 1);
  EXPECT_TRUE(QDir(empty.path()).entryList(QDir::Files).isEmpty());
}

TEST(SafeFileName, CaptionsBecomeNamesEveryFileSystemTakes) {
  const struct {
    const char* caption;
    const char* name;
  } cases[] = {
      {"Groceries", "Groceries"},
      {"a/b\\c:d*e?f\"g<h>i|j", "a_b_c_d_e_f_g_h_i_j"},
      {"  spaced   out  ", "spaced out"},
      {"...hidden", "hidden"},
      {"ends with dots...", "ends with dots"},
      {"", "Untitled note"},
      {"///", "___"},
      {"CON", "_CON"},
      {"com1.txt", "_com1.txt"},
      {"tab\there", "tab_here"},
      {"Crème brûlée", "Crème brûlée"},
  };
  for (const auto& c : cases) EXPECT_EQ(SafeFileName(QString::fromUtf8(c.caption)), QString::fromUtf8(c.name)) << c.caption;
  EXPECT_EQ(SafeFileName(QString(200, 'x')).size(), 80);
}

}  // namespace
}  // namespace qp
