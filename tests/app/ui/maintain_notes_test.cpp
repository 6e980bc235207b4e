// The Notes & Reminders manager over a running controller and real tables
// (offscreen): its pages, showing and hiding, the properties of a hidden
// note, trash and restore, emptying a trash with a locked record, the
// search box with its highlights, export, and the ways to open it.
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/model/WriteProtocol.h"
#include "app/model/XbManagerStore.h"
#include "app/ui/NoteMn.h"
#include "app/ui/NotesAlarms.h"
#include "app/ui/Seams.h"
#include "components/axbgrids.h"
#include "richtext/RichEdit.h"
#include "tests/app/controller_fixture.h"

namespace qp {
namespace {

class ManagerTest : public ControllerTest {
 protected:
  void SetUp() override {
    ControllerTest::SetUp();
    services_.managerStore = [this] { return std::make_unique<XbManagerStore>(folder()); };
    store_ = OpenStore();
  }
  void TearDown() override {
    form_.reset();
    tables_.reset();
    ControllerTest::TearDown();
  }
  NoteRecord Note(const QString& caption, const QByteArray& body, int board = 1, bool showing = false) {
    StoreResult result = StoreResult::Failed;
    NoteRecord note = store_->newNoteFromTemplate(board, 0, QSize(1000, 800), &result);
    note.caption = caption;
    note.rtf = "{\\rtf1\\ansi " + body + "\\par}";
    note.geometry = QRect(50, 50, 200, 180);
    EXPECT_EQ(store_->updateNote(note, showing ? Showing::Shown : Showing::Hidden), StoreResult::Done);
    return note;
  }
  // The manager as the controller builds it, shown without its modal loop.
  TFrmMaintainNotes& Open() {
    tables_ = services_.managerStore();
    EXPECT_TRUE(tables_->open());
    form_ = std::make_unique<TFrmMaintainNotes>(*tables_, *controller_, folder() + "Config.cfg");
    form_->ask = [this](QWidget*, const QString& text) {
      questions_.append(text);
      return answer_;
    };
    form_->tell = [this](QWidget*, const QString& text) { told_.append(text); };
    form_->show();
    return *form_;
  }
  TXbGrid* Grid(const char* name) { return form_->findChild<TXbGrid*>(name); }
  QStringList Rows(const char* grid) {
    QAbstractItemModel* m = Grid(grid)->model();
    while (m->canFetchMore({})) m->fetchMore({});
    QStringList out;
    for (int r = 0; r < m->rowCount(); ++r) out << m->index(r, 0).data().toString();
    return out;
  }
  void Choose(const char* grid, const QString& caption) {
    TXbGrid* g = Grid(grid);
    const int row = Rows(grid).indexOf(caption);
    ASSERT_GE(row, 0) << caption.toStdString();
    g->setCurrentIndex(g->model()->index(row, 0));
  }
  std::unique_ptr<NotesManagerStore> tables_;
  std::unique_ptr<TFrmMaintainNotes> form_;
  TFrmMaintainNotes::Answer answer_ = TFrmMaintainNotes::Answer::Yes;
  QStringList questions_;
  QStringList told_;
};

TEST_F(ManagerTest, ThePagesAreTheFixedOnesThenOnePerTemplateInUse) {
  // Only templates 1 and 4 in use.
  for (int n : {2, 3}) {
    store_->defaults().Go(n);
    store_->defaults().PutField("DESC", "Template " + std::to_string(n) + " - Not Set");
    ASSERT_EQ(RewriteWithLock(store_->defaults()), WriteOutcome::Written);
  }
  Note("plain", "a", 1);
  Note("meeting", "b", 4);
  Start();
  Open();
  auto* pages = form_->findChild<QTabWidget*>("PageControl1");
  ASSERT_NE(pages, nullptr);
  QStringList captions;
  for (int i = 0; i < pages->count(); ++i) captions << pages->tabText(i);
  EXPECT_EQ(captions, QStringList({"All Notes", "Active Reminders", "Trash Bin", "Plain Note", "Meeting Notes"}));
  EXPECT_EQ(form_->windowTitle(), "Notes & Reminders");
  EXPECT_EQ(Rows("XbGrid1"), QStringList({"plain", "meeting"}));
  pages->setCurrentIndex(4);
  int number = 0;
  EXPECT_EQ(form_->currentPage(&number), ManagerPage::Template);
  EXPECT_EQ(number, 4);
  EXPECT_EQ(Rows("XbGrid1"), QStringList({"meeting"}));
  // The one notes grid moved onto the page shown.
  EXPECT_TRUE(pages->currentWidget()->isAncestorOf(Grid("XbGrid1")));
  pages->setCurrentIndex(3);
  EXPECT_EQ(Rows("XbGrid1"), QStringList({"plain"}));
}

TEST_F(ManagerTest, ShowNoteOnDesktopOpensAndHidesTheWindow) {
  const NoteRecord hidden = Note("hidden", "text");
  Start();
  Open();
  Choose("XbGrid1", "hidden");
  form_->showNoteOnDesktop();
  ASSERT_EQ(controller_->noteWindows().size(), 1);
  EXPECT_EQ(controller_->noteWindows()[0]->tag(), hidden.recNo);
  EXPECT_TRUE(Record(hidden.recNo).showing);
  // The menu shows the state; the same item hides it again.
  auto* menu = form_->findChild<QMenu*>("PupMenuNotes");
  emit menu->aboutToShow();
  EXPECT_TRUE(form_->findChild<QAction*>("ShowNoteonDesktop1")->isChecked());
  Choose("XbGrid1", "hidden");
  form_->showNoteOnDesktop();
  QTest::qWait(10);
  EXPECT_TRUE(controller_->noteWindows().isEmpty());
  EXPECT_FALSE(Record(hidden.recNo).showing);
}

TEST_F(ManagerTest, EditingAHiddenNotesPropertiesOpensItsWindowOnlyForTheDialog) {
  const NoteRecord hidden = Note("hidden", "text");
  Start();
  Open();
  Choose("XbGrid1", "hidden");
  QList<int> openDuringDialog;
  QString dialogName;
  // The properties dialog runs modally; this answers it from inside.
  QTimer::singleShot(0, [&] {
    for (TFrmNote* n : controller_->noteWindows()) openDuringDialog.append(n->tag());
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialogName = dialog->objectName();
    dialog->findChild<QLineEdit*>("EdDescription")->setText("renamed");
    dialog->accept();
  });
  form_->editNoteProperties();
  QTest::qWait(20);
  EXPECT_EQ(dialogName, "FrmNoteProps");
  EXPECT_EQ(openDuringDialog, QList<int>({hidden.recNo}));
  EXPECT_TRUE(controller_->noteWindows().isEmpty());
  const NoteRecord after = Record(hidden.recNo);
  EXPECT_FALSE(after.showing);
  EXPECT_EQ(after.caption, "renamed");
  EXPECT_EQ(Rows("XbGrid1"), QStringList({"renamed"}));
}

TEST_F(ManagerTest, TrashRestoreAndEmptyTrashWithALockedRecord) {
  const NoteRecord shown = Note("showing", "latest", 1, true);
  Note("second", "x");
  Note("third", "y");
  Start();
  ASSERT_EQ(controller_->noteWindows().size(), 1);
  Open();
  Choose("XbGrid1", "showing");
  form_->sendNoteToTrash();
  QTest::qWait(10);
  EXPECT_TRUE(controller_->noteWindows().isEmpty());  // its window stored itself and closed
  EXPECT_EQ(Rows("XbGrid1"), QStringList({"second", "third"}));
  EXPECT_EQ(Rows("XbGridTrash"), QStringList({"showing"}));

  // Declining the question restores nothing; Yes brings it back hidden.
  Choose("XbGridTrash", "showing");
  answer_ = TFrmMaintainNotes::Answer::No;
  form_->restoreNote();
  EXPECT_EQ(Rows("XbGridTrash"), QStringList({"showing"}));
  answer_ = TFrmMaintainNotes::Answer::Yes;
  form_->restoreNote();
  EXPECT_EQ(questions_, QStringList({"Restore this trashed note?", "Restore this trashed note?"}));
  EXPECT_TRUE(Rows("XbGridTrash").isEmpty());
  EXPECT_EQ(Rows("XbGrid1"), QStringList({"second", "third", "showing"}));
  EXPECT_TRUE(controller_->noteWindows().isEmpty());

  // Two notes in the trash, one locked by another program.
  for (const char* caption : {"second", "third"}) {
    Choose("XbGrid1", caption);
    form_->sendNoteToTrash();
  }
  auto other = std::make_unique<xb::TXbDbf>("OtherTrash");
  other->SetDbfFileName((folder() + "Trash.dbf").toStdString());
  other->Open();
  other->Go(3);  // "third": record 1 was restored, 2 is "second"
  ASSERT_TRUE(other->RLock());
  questions_.clear();
  form_->emptyTrashBin();
  EXPECT_EQ(questions_, QStringList({"Permanently delete all notes contained in the Trash Bin?"}));
  EXPECT_EQ(Rows("XbGridTrash"), QStringList({"third"}));
  ASSERT_EQ(told_.size(), 1);
  EXPECT_TRUE(told_[0].startsWith("1 note could not be deleted")) << told_[0].toStdString();
  EXPECT_TRUE(form_->isEnabled());
  other->UnLock();
}

TEST_F(ManagerTest, TypingInTheSearchBoxFiltersTheGridAndHighlightsThePreview) {
  Note("Groceries", "eggs and cr\\'e8me");
  Note("Car", "tyres");
  Start();
  Open();
  auto* search = form_->findChild<QLineEdit*>("EdSearch");
  ASSERT_NE(search, nullptr);
  QTest::keyClicks(search, "CREME");
  EXPECT_EQ(Rows("XbGrid1"), QStringList({"Groceries"}));
  auto* preview = form_->findChild<RichEdit*>("RichEditNotes");
  ASSERT_EQ(preview->extraSelections().size(), 1);
  EXPECT_EQ(preview->extraSelections()[0].cursor.selectedText(), QString::fromUtf8("crème"));
  search->clear();
  EXPECT_EQ(Rows("XbGrid1"), QStringList({"Groceries", "Car"}));
  EXPECT_TRUE(preview->extraSelections().isEmpty());
}

TEST_F(ManagerTest, ExportWritesTheSelectedNotesOrAll) {
  Note("one", "1");
  Note("two", "2");
  Start();
  Open();
  QTemporaryDir dir;
  form_->chooseExport = [&](QWidget*) { return TFrmMaintainNotes::ExportChoice{dir.path(), ExportFormat::Text}; };
  Choose("XbGrid1", "two");
  Grid("XbGrid1")->selectRow(1);
  form_->exportNotes(true);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"two.txt"}));
  form_->exportNotes(false);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files, QDir::Name), QStringList({"one.txt", "two (2).txt", "two.txt"}));
  ASSERT_EQ(told_.size(), 2);
  EXPECT_TRUE(told_[1].startsWith("2 notes exported")) << told_[1].toStdString();
}

TEST_F(ManagerTest, TheTrayItemAndTheManagerCommandOpenIt) {
  Note("n", "x");
  Start();
  QAction* item = controller_->trayMenu()->findChild<QAction*>("NotesReminders1");
  ASSERT_NE(item, nullptr);
  EXPECT_TRUE(item->isEnabled());
  bool seen = false;
  QTimer::singleShot(50, [&] {
    TFrmMaintainNotes* open = controller_->manager();
    seen = open && open->isVisible();
    if (open) open->reject();
  });
  controller_->runCommand("manager");  // returns once the modal window closed
  EXPECT_TRUE(seen);
  EXPECT_EQ(controller_->manager(), nullptr);
}

}  // namespace
}  // namespace qp
