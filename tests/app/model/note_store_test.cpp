// The store as the windows use it: first-start templates, new notes, the
// store of a window field by field, hiding, shutdown and trash, backup,
// emptying the trash, and the guard against a nested command.
#include <QDir>
#include <QFile>

#include "app/model/FirstStartTemplates.h"
#include "app/model/NoteFuncs.h"
#include "tests/app/store_fixture.h"

namespace qp {
namespace {

using NoteStoreTest = StoreTest;

TEST_F(NoteStoreTest, AFirstStartCreatesTheTablesAndTenTemplates) {
  auto store = OpenStore();
  for (const char* file : {"notes.dbf", "notes.dbt", "notes.mdx", "Trash.dbf", "Trash.mdx", "defaults.dbf",
                           "defaults.dbt", "defaults.mdx"})
    EXPECT_TRUE(QFile::exists(folder() + file)) << file;
  const QList<TemplateEntry> templates = store->templates();
  ASSERT_EQ(templates.size(), 10);
  EXPECT_EQ(templates[0].name, "Plain Note");
  EXPECT_TRUE(templates[0].inUse);
  EXPECT_EQ(templates[1].name, "To-Do List");
  EXPECT_EQ(templates[9].name, "Template 10 - Not Set");
  EXPECT_FALSE(templates[9].inUse);
  store->defaults().Go(1);
  EXPECT_EQ(store->defaults().GetFieldInt("COLOR"), 10092543);
  store->defaults().Go(2);
  EXPECT_NE(store->defaults().FieldByName("MEMO")->AsString().find("<DATE>"), std::string::npos);
  // A second start finds them and adds none.
  store.reset();
  xb::CloseAll();
  EXPECT_EQ(OpenStore()->templates().size(), 10);
}

TEST_F(NoteStoreTest, ANewNoteTakesItsTemplateAndItsPlace) {
  auto store = OpenStore();
  StoreResult result = StoreResult::Failed;
  const NoteRecord note = store->newNoteFromTemplate(2, 42, QSize(1000, 800), &result);
  ASSERT_EQ(result, StoreResult::Done);
  EXPECT_EQ(note.recNo, 1);
  const auto& t = FirstStartTemplates()[1];
  EXPECT_EQ(note.geometry, QRect(1000 - t.width, 0, t.width, t.height));  // top right corner
  xb::TXbDbf& notes = store->notes();
  notes.Go(note.recNo);
  EXPECT_EQ(notes.GetFieldInt("HANDLE"), 42);
  EXPECT_EQ(notes.GetField("SHOWING"), "Y");
  EXPECT_EQ(Trimmed(notes.GetField("NOTEBOARD")), "2");
  EXPECT_EQ(TableTextToDate(notes.GetFieldDate("DATECREATE")), QDate(2026, 6, 1));
  EXPECT_EQ(notes.GetFieldInt("LEFT"), 1000 - t.width);
  EXPECT_EQ(notes.GetFieldInt("COLOR"), static_cast<int>(t.color));
  // The template's text, markers included, until the window stores itself.
  EXPECT_EQ(QByteArray::fromStdString(notes.FieldByName("MEMO")->AsString()), t.rtf);
  // An unknown template number makes a plain note.
  EXPECT_EQ(store->newNoteFromTemplate(11, 43, QSize(1000, 800), &result).board, "1");
}

TEST_F(NoteStoreTest, StoringAWindowWritesEachOfItsFields) {
  auto store = OpenStore();
  NoteRecord note = NewNote(*store);
  note.caption = QString::fromUtf8("Café & co, a caption longer than fifty characters in all");
  note.rtf = "{\\rtf1 body}";
  note.color = 0x00CCFFCC;
  note.geometry = QRect(-20, 30, 240, 260);
  note.collapsed = true;
  note.stayOnTop = true;
  note.alarmActive = true;
  note.alarmType = 3;
  note.alarmDate = QDate(2026, 7, 4);
  note.alarmTime = QTime(9, 5);
  note.expires = true;
  note.expireType = 2;
  note.expireDate = QDate(2027, 1, 2);
  note.expireTime = QTime(23, 59);
  note.expireToTrash = false;
  note.capFontName = "DejaVu Sans  ";
  note.capFontSize = 11;
  note.capFontColor = 0x00800000;
  ASSERT_EQ(store->updateNote(note, Showing::Unchanged), StoreResult::Done);

  xb::TXbDbf& t = store->notes();
  t.Go(note.recNo);
  const struct {
    const char* field;
    std::string text;
  } cases[] = {
      {"DESC", "Caf\xE9 & co, a caption longer than fifty characters"},  // cut to 50, Windows-1252
      {"COLOR", std::to_string(0x00CCFFCC)},
      {"LEFT", "-20"},
      {"TOP", "30"},
      {"WIDTH", "240"},
      {"HEIGHT", "260"},
      {"MINIMIZED", "Y"},
      {"SHOWING", "Y"},  // unchanged by an autosave
      {"STAYONTOP", "Y"},
      {"ALARMACT", "Y"},
      {"ALARMTYPE", "3"},
      {"ALARMTIME", "9:5"},
      {"EXPIRES", "Y"},
      {"EXPIRETYPE", "2"},
      {"EXPIRETIME", "23:59"},
      {"EXPIRETRSH", "N"},
      {"CAPFONTNAM", "DejaVu Sans"},
      {"CAPFONTCOL", std::to_string(0x00800000)},
  };
  for (const auto& c : cases) {
    std::string value = Trimmed(t.GetField(c.field));
    value.erase(0, value.find_first_not_of(' '));
    EXPECT_EQ(value, c.text) << c.field;
  }
  EXPECT_EQ(TableTextToDate(t.GetFieldDate("ALARMDATE")), QDate(2026, 7, 4));
  EXPECT_EQ(TableTextToDate(t.GetFieldDate("EXPIREDATE")), QDate(2027, 1, 2));
  EXPECT_DOUBLE_EQ(t.GetFieldFloat("CAPFONTSIZ"), 11);
  EXPECT_EQ(t.FieldByName("MEMO")->AsString(), "{\\rtf1 body}");

  // And the store reads back what it wrote.
  const NoteRecord back = *store->readNote(note.recNo);
  EXPECT_EQ(back.caption, QString::fromUtf8("Café & co, a caption longer than fifty characters"));
  EXPECT_EQ(back.geometry, note.geometry);
  EXPECT_EQ(back.alarmDate, note.alarmDate);
  EXPECT_EQ(back.expireTime, note.expireTime);
  EXPECT_EQ(back.capFontName, "DejaVu Sans");
}

TEST_F(NoteStoreTest, HidingShutdownAndTrashDecideWhatTheNextStartShows) {
  auto store = OpenStore();
  const NoteRecord hidden = NewNote(*store, 1);
  const NoteRecord shown = NewNote(*store, 2);
  const NoteRecord trashed = NewNote(*store, 3);
  ASSERT_EQ(store->showingNotes().size(), 3);
  EXPECT_EQ(store->updateNote(hidden, Showing::Hidden), StoreResult::Done);
  EXPECT_EQ(store->updateNote(shown, Showing::Shown), StoreResult::Done);
  EXPECT_EQ(store->trashNote(trashed), StoreResult::Done);
  const QList<NoteRecord> showing = store->showingNotes();
  ASSERT_EQ(showing.size(), 1);
  EXPECT_EQ(showing[0].recNo, shown.recNo);
  EXPECT_EQ(store->trash().RecordCount(), 1);
  // A window whose record went meanwhile writes nothing.
  EXPECT_EQ(store->updateNote(trashed, Showing::Hidden), StoreResult::NoRecord);
  EXPECT_FALSE(store->readNote(trashed.recNo).has_value());
  EXPECT_EQ(store->setHandle(shown.recNo, 99), StoreResult::Done);
  EXPECT_EQ(store->readNote(shown.recNo)->handle, 99);
}

TEST_F(NoteStoreTest, TheBackupReplacesTheOldCopyOfTheClosedNotesTable) {
  auto store = OpenStore();
  NewNote(*store);
  QDir(folder()).mkdir("Backup");
  QFile old(folder() + "Backup/Notes.dbf");
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("old");
  old.close();
  store->closeNotesAndTemplates();
  int steps = 0;
  store->backupNotes([&](const QString& caption, const QString&, int done, int total) {
    EXPECT_EQ(caption, "Back Up");
    EXPECT_EQ(total, 6);
    steps = done;
  });
  EXPECT_EQ(steps, 6);
  // The backup keeps the names it always had; the files are the table's.
  for (const char* name : {"Notes.dbf", "Notes.dbt", "Notes.mdx"}) {
    const QString lower = QString(name).toLower();
    QFile a(folder() + lower);
    QFile b(folder() + "Backup/" + name);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly)) << name;
    EXPECT_EQ(a.readAll(), b.readAll()) << name;
  }
}

TEST_F(NoteStoreTest, EmptyingTheTrashRemovesEveryRecordAndNeverNests) {
  auto store = OpenStore();
  int calls = 0;
  store->compactTrash([&](const QString&, const QString&, int, int) { ++calls; });
  EXPECT_EQ(calls, 0);  // an empty trash shows no progress

  const NoteRecord a = NewNote(*store, 1);
  const NoteRecord b = NewNote(*store, 2);
  ASSERT_EQ(store->trashNote(a), StoreResult::Done);
  ASSERT_EQ(store->trashNote(b), StoreResult::Done);
  const NoteRecord c = NewNote(*store, 3);
  QList<StoreResult> nested;
  store->compactTrash([&](const QString& caption, const QString& step, int, int total) {
    EXPECT_EQ(caption, "Compacting");
    EXPECT_EQ(step, "Compacting Trash Bin");
    EXPECT_EQ(total, 2);
    // A timer or a click running while the progress window pumps events
    // must not move the store's records.
    nested.append(store->updateNote(c, Showing::Hidden));
  });
  EXPECT_EQ(nested, QList<StoreResult>({StoreResult::Busy, StoreResult::Busy, StoreResult::Busy}));
  EXPECT_EQ(store->trash().RecordCount(), 0);
  EXPECT_TRUE(store->readNote(c.recNo)->showing);
}

}  // namespace
}  // namespace qp

namespace qp {
namespace {

TEST_F(NoteStoreTest, ADamagedTableIsNamedAndLeftAsItWas) {
  {
    auto store = OpenStore();
    NewNote(*store);
    store->recordCleanStop();
  }
  xb::CloseAll();
  // A header that claims a record length the fields do not add up to.
  const std::string path = Path("notes.dbf");
  std::vector<uint8_t> bytes = qptest::ReadBytes(path);
  bytes[10] = 0x01;
  bytes[11] = 0x00;
  qptest::WriteBytes(path, bytes);

  XbNoteStore store(folder(), clock_);
  store.readRunStatus();
  QStringList failed;
  EXPECT_FALSE(store.open(&failed));
  ASSERT_EQ(failed.size(), 1);
  EXPECT_EQ(failed[0], folder() + "notes.dbf");
  EXPECT_TRUE(store.lastError().startsWith("Unable to open " + folder() + "notes.dbf"));
  EXPECT_EQ(qptest::ReadBytes(path), bytes);
  // The other tables still opened.
  EXPECT_EQ(store.templates().size(), 10);
}

}  // namespace
}  // namespace qp
