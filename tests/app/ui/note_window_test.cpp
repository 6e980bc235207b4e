// The note windows and the controller under the offscreen platform, over a
// real store in a scratch program folder: start-up, new notes, collapse,
// moving, hiding, trash, mail, shutdown and the autosave.
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include "app/model/WriteProtocol.h"
#include "app/ui/NoteMn.h"
#include "app/ui/Seams.h"
#include "components/IniFile.h"
#include "richtext/RichEdit.h"
#include "tests/app/controller_fixture.h"
#include "tests/support/failing_files.h"

namespace qp {
namespace {

class NoteWindowTest : public ControllerTest {};

TEST_F(NoteWindowTest, TheNotesThatWereShowingReopenWhereTheyWere) {
  const NoteRecord shown = Stored("Groceries", QRect(40, 50, 200, 180), true);
  Stored("Hidden one", QRect(60, 70, 200, 180), false);
  const NoteRecord folded = Stored("Folded", QRect(300, 100, 137, 128), true, true);
  Start();
  const QList<TFrmNote*> notes = controller_->noteWindows();
  ASSERT_EQ(notes.size(), 2);
  TFrmNote* a = notes[0]->tag() == shown.recNo ? notes[0] : notes[1];
  TFrmNote* b = a == notes[0] ? notes[1] : notes[0];
  EXPECT_EQ(a->windowTitle(), "Quillpad note: Groceries");
  EXPECT_EQ(a->geometry(), QRect(40, 50, 200, 180));
  EXPECT_EQ(a->plainText(), "Groceries");
  EXPECT_TRUE(a->findChild<QLabel*>("EdNoteCaption")->text() == "Groceries");
  // Collapsed at the same right edge, without the animation's sound.
  EXPECT_TRUE(b->isCollapsed());
  EXPECT_EQ(b->geometry(), QRect(337, 100, 100, kCollapsedHeight));
  EXPECT_TRUE(sound_.played.isEmpty());
  // Each window wrote its id into its record.
  EXPECT_EQ(Record(shown.recNo).handle, a->id());
  EXPECT_EQ(Record(folded.recNo).handle, b->id());
}

TEST_F(NoteWindowTest, ANoteLeftOnAMissingMonitorComesBack) {
  Stored("Far away", QRect(5000, 4000, 200, 180), true);
  Start();
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_TRUE(screen.intersects(OnlyNote()->geometry())) << OnlyNote()->geometry().x();
}

TEST_F(NoteWindowTest, ANewNoteFillsInItsTemplateAndStoresItselfSoon) {
  Start();
  controller_->newNoteFromTemplate(2);  // the to-do list, at the top right
  TFrmNote* note = OnlyNote();
  ASSERT_NE(note, nullptr);
  EXPECT_FALSE(note->plainText().contains("<DATE>"));
  EXPECT_TRUE(note->plainText().contains(QLocale().toString(QDate(2026, 6, 1), QLocale::ShortFormat)));
  EXPECT_EQ(note->caption(), "");
  EXPECT_EQ(note->windowTitle(), "Quillpad note: ");
  // The caret waits where the template's <C> was.
  const RichEdit* text = note->textArea();
  EXPECT_EQ(text->toPlainText().mid(text->textCursor().position() - 3, 3), "1. ");
  // About two seconds later the record holds what the window shows.
  QTest::qWait(2400);
  const NoteRecord stored = Record(note->tag());
  EXPECT_EQ(stored.caption, "");
  EXPECT_TRUE(QString::fromUtf8(stored.rtf).contains("1. "));
  EXPECT_FALSE(QString::fromUtf8(stored.rtf).contains("<DATE>"));
  EXPECT_EQ(stored.alarmDate, QDate(2026, 6, 1));
  EXPECT_TRUE(stored.showing);
  // Typing is stored the same way.
  QTest::keyClicks(note->textArea(), "milk");
  QTest::qWait(2400);
  EXPECT_TRUE(QString::fromUtf8(Record(note->tag()).rtf).contains("milk"));
}

TEST_F(NoteWindowTest, CollapseAndExpandKeepTheRightEdgeAndPlayTheirSounds) {
  const NoteRecord stored = Stored("Fold me", QRect(300, 200, 137, 128), true);
  Start();
  TFrmNote* note = OnlyNote();
  note->collapse();
  EXPECT_EQ(note->geometry(), QRect(337, 200, 100, kCollapsedHeight));
  note->shutdownNote();
  NoteRecord record = Record(stored.recNo);
  EXPECT_TRUE(record.collapsed);
  EXPECT_EQ(record.geometry, QRect(300, 200, 137, 128));  // expanded size and left edge
  EXPECT_EQ(sound_.played, QStringList({"Collapse.wav"}));

  controller_.reset();
  Start();
  note = OnlyNote();
  EXPECT_TRUE(note->isCollapsed());
  note->expand();
  EXPECT_EQ(note->geometry(), QRect(300, 200, 137, 128));
  EXPECT_EQ(sound_.played, QStringList({"Collapse.wav", "Expand.wav"}));
  services_.preferences.enableSounds = false;
  note->collapse();
  EXPECT_EQ(sound_.played.size(), 2);
}

TEST_F(NoteWindowTest, DraggingTheCaptionMovesAndTheEdgeResizes) {
  Stored("Drag me", QRect(100, 100, 200, 180), true);
  Start();
  TFrmNote* note = OnlyNote();
  QLabel* caption = note->findChild<QLabel*>("EdNoteCaption");
  QWidget* panel = note->findChild<QWidget*>("Panel1");
  auto send = [](QWidget* target, QEvent::Type type, QPoint global, Qt::MouseButtons buttons) {
    QMouseEvent event(type, target->mapFromGlobal(global), global, Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
  };
  const QPoint start = caption->mapToGlobal(QPoint(5, 5));
  send(caption, QEvent::MouseButtonPress, start, Qt::LeftButton);
  send(caption, QEvent::MouseMove, start + QPoint(30, 20), Qt::LeftButton);
  send(caption, QEvent::MouseMove, start + QPoint(60, 40), Qt::LeftButton);
  send(caption, QEvent::MouseButtonRelease, start + QPoint(60, 40), Qt::NoButton);
  EXPECT_EQ(note->geometry(), QRect(160, 140, 200, 180));

  const QPoint corner = note->mapToGlobal(QPoint(197, 177));
  send(panel, QEvent::MouseButtonPress, corner, Qt::LeftButton);
  send(panel, QEvent::MouseMove, corner + QPoint(40, 30), Qt::LeftButton);
  send(panel, QEvent::MouseButtonRelease, corner + QPoint(40, 30), Qt::NoButton);
  EXPECT_EQ(note->size(), QSize(240, 210));
}

TEST_F(NoteWindowTest, HidingClosingTrashingAndShutdownEachStoreTheirWay) {
  const NoteRecord hidden = Stored("Hide", QRect(10, 10, 150, 150), true);
  const NoteRecord closed = Stored("Close", QRect(20, 20, 150, 150), true);
  const NoteRecord trashed = Stored("Trash", QRect(30, 30, 150, 150), true);
  const NoteRecord kept = Stored("Keep", QRect(40, 40, 150, 150), true);
  Start();
  ASSERT_EQ(controller_->noteWindows().size(), 4);
  auto windowOf = [&](const NoteRecord& r) {
    for (TFrmNote* n : controller_->noteWindows())
      if (n->tag() == r.recNo) return n;
    return static_cast<TFrmNote*>(nullptr);
  };
  windowOf(hidden)->hideNote();
  windowOf(closed)->close();  // Alt+F4, the window manager's close
  windowOf(trashed)->trashNote();
  QCoreApplication::processEvents();
  EXPECT_EQ(controller_->noteWindows().size(), 1);
  EXPECT_FALSE(Record(hidden.recNo).showing);
  EXPECT_FALSE(Record(closed.recNo).showing);
  EXPECT_FALSE(store_->readNote(trashed.recNo).has_value());
  EXPECT_EQ(store_->trash().RecordCount(), 1);

  windowOf(kept)->setCaption("Kept at shutdown");
  controller_->shutdown();
  EXPECT_TRUE(controller_->shutDown());
  EXPECT_TRUE(controller_->noteWindows().isEmpty());
  EXPECT_TRUE(IniFile(folder() + "Config.cfg").readBool("Status", "TerminatedOK", false));
  store_.reset();
  xb::CloseAll();
  auto reopened = OpenStore();
  const QList<NoteRecord> showing = reopened->showingNotes();
  ASSERT_EQ(showing.size(), 1);
  EXPECT_EQ(showing[0].caption, "Kept at shutdown");
}

TEST_F(NoteWindowTest, ShutdownBacksUpTheNotesAndEmptiesTheTrashWhenAsked) {
  Stored("Keep", QRect(10, 10, 150, 150), true);
  const NoteRecord gone = Stored("Gone", QRect(20, 20, 150, 150), false);
  ASSERT_EQ(store_->trashNote(gone), StoreResult::Done);
  services_.preferences.backupFiles = true;
  services_.preferences.emptyTrash = true;
  Start();
  controller_->shutdown();
  for (const char* name : {"Backup/Notes.dbf", "Backup/Notes.dbt", "Backup/Notes.mdx"})
    EXPECT_TRUE(QFile::exists(folder() + name)) << name;
  store_.reset();
  xb::CloseAll();
  auto reopened = OpenStore();
  EXPECT_EQ(reopened->trash().RecordCount(), 0);
  EXPECT_EQ(reopened->showingNotes().size(), 1);
}

TEST_F(NoteWindowTest, AQuitWhileTheNotesOpenKeepsEveryNoteShowing) {
  QList<NoteRecord> notes;
  for (int i = 0; i < 3; ++i) notes.append(Stored(QString("Note %1").arg(i), QRect(10 * i, 10, 150, 150), true));
  controller_ = std::make_unique<TFrmNotesMain>(*store_, services_, nullptr, false);
  controller_->start();
  // Arrives while the first note opens, as a --quit or a SIGTERM can.
  QTimer::singleShot(0, controller_.get(), [this] { controller_->runCommand("quit"); });
  QTRY_VERIFY_WITH_TIMEOUT(controller_->shutDown(), 3000);
  QCoreApplication::processEvents();
  EXPECT_TRUE(controller_->noteWindows().isEmpty());
  for (const NoteRecord& note : notes) EXPECT_TRUE(Record(note.recNo).showing) << note.caption.toStdString();
  // Qt asking the windows to close as the program ends changes nothing.
  QApplication::closeAllWindows();
  for (const NoteRecord& note : notes) EXPECT_TRUE(Record(note.recNo).showing) << note.caption.toStdString();
}

TEST_F(NoteWindowTest, HideAllNotesHidesEveryOpenNote) {
  const NoteRecord a = Stored("A", QRect(10, 10, 150, 150), true);
  const NoteRecord b = Stored("B", QRect(20, 20, 150, 150), true);
  Start();
  controller_->hideAllNotes();
  EXPECT_TRUE(controller_->noteWindows().isEmpty());
  EXPECT_FALSE(Record(a.recNo).showing);
  EXPECT_FALSE(Record(b.recNo).showing);
  controller_->hideAllNotes();  // none showing: nothing changes
  EXPECT_FALSE(Record(a.recNo).showing);
}

TEST_F(NoteWindowTest, EmailHandsTheWholeTextToTheMailProgram) {
  Stored("Milk & eggs #2?", QRect(10, 10, 150, 150), true);
  Start();
  OnlyNote()->emailNote();
  ASSERT_EQ(shell_.urls.size(), 1);
  EXPECT_EQ(shell_.urls[0].toEncoded(), "mailto:?body=Milk%20%26%20eggs%20%232%3F");
  EXPECT_EQ(QApplication::clipboard()->text(), "Milk & eggs #2?");
}

TEST_F(NoteWindowTest, TheTemplateMenusShowTheTemplatesInUse) {
  Start();
  QMenu* menu = controller_->templateMenu();
  emit menu->aboutToShow();
  QStringList visible;
  for (QAction* a : menu->actions())
    if (a->isVisible()) visible.append(a->text());
  EXPECT_EQ(visible, QStringList({"Plain Note", "To-Do List", "Phone Message", "Meeting Notes"}));
  // Every item of the tray menu works now.
  QStringList disabled;
  for (QAction* a : controller_->trayMenu()->actions())
    if (!a->isEnabled()) disabled.append(a->objectName());
  EXPECT_TRUE(disabled.isEmpty()) << disabled.join(", ").toStdString();
}

TEST_F(NoteWindowTest, ANoteThatCouldNotBeSavedSaysSoAndTouchesNoOtherNote) {
  const NoteRecord other = Stored("Other", QRect(10, 10, 150, 150), false);
  Start();
  auto foreign = OtherProgramNotes(folder());
  ASSERT_TRUE(foreign->ALock());
  controller_->newNoteFromTemplate(1);
  foreign->UnLock();
  TFrmNote* note = OnlyNote();
  EXPECT_EQ(note->tag(), 0);
  ASSERT_EQ(ask_.warnings.size(), 1);
  EXPECT_TRUE(ask_.warnings[0].contains("could not be saved"));
  QTest::keyClicks(note->textArea(), "lost");
  note->hideNote();
  EXPECT_EQ(Record(other.recNo).caption, "Other");
  EXPECT_FALSE(Record(other.recNo).showing);
  EXPECT_EQ(store_->notes().RecordCount(), 1);
}

TEST_F(NoteWindowTest, TheCaptionDialogAndStayOnTopReachTheRecord) {
  const NoteRecord stored = Stored("Old caption", QRect(10, 10, 150, 150), true);
  Start();
  TFrmNote* note = OnlyNote();
  QTimer::singleShot(0, [] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Note Caption");
    auto* edit = dialog->findChild<QLineEdit*>("Edit1");
    edit->setText("New caption");
    QTest::keyClick(edit, Qt::Key_Return);
  });
  QLabel* caption = note->findChild<QLabel*>("EdNoteCaption");
  QTest::mouseDClick(caption, Qt::LeftButton);
  EXPECT_EQ(note->caption(), "New caption");
  EXPECT_EQ(note->windowTitle(), "Quillpad note: New caption");
  note->setStayOnTop(true);
  EXPECT_TRUE(note->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(note->isVisible());
  note->shutdownNote();
  EXPECT_EQ(Record(stored.recNo).caption, "New caption");
  EXPECT_TRUE(Record(stored.recNo).stayOnTop);
}

TEST_F(NoteWindowTest, ANoteWhoseRecordIsLockedStaysOpenRatherThanLoseItsText) {
  const NoteRecord stored = Stored("Locked", QRect(10, 10, 150, 150), true);
  Start();
  TFrmNote* note = OnlyNote();
  note->setCaption("Edited while locked");
  auto foreign = OtherProgramNotes(folder());
  foreign->Go(stored.recNo);
  ASSERT_TRUE(foreign->RLock());
  note->hideNote();
  note->close();
  note->trashNote();
  EXPECT_EQ(controller_->noteWindows().size(), 1);
  EXPECT_EQ(ask_.warnings.size(), 3);
  EXPECT_EQ(store_->trash().RecordCount(), 0);
  foreign->UnLock();
  note->hideNote();
  EXPECT_TRUE(controller_->noteWindows().isEmpty());
  EXPECT_EQ(Record(stored.recNo).caption, "Edited while locked");
  EXPECT_FALSE(Record(stored.recNo).showing);
}

TEST_F(NoteWindowTest, WithoutATrayASmallWindowKeepsTheProgramReachable) {
  Start();
  QWidget* window = controller_->noTrayWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->windowTitle(), "Quillpad");
  EXPECT_TRUE(window->isVisible());
  window->close();  // only minimised: it is the way back to the program
  EXPECT_TRUE(window->isVisible());
  auto* newNote = window->findChild<QPushButton*>("BtnNewNote");
  ASSERT_NE(newNote, nullptr);
  ASSERT_NE(newNote->menu(), nullptr);
  EXPECT_EQ(newNote->menu()->objectName(), "NewNote1");
  EXPECT_TRUE(window->findChild<QPushButton*>("BtnNotesReminders")->isEnabled());
  window->findChild<QPushButton*>("BtnShutdown")->click();
  EXPECT_TRUE(controller_->shutDown());
}

TEST_F(NoteWindowTest, EveryControlHasAName) {
  Stored("Named", QRect(10, 10, 150, 150), true);
  Start();
  for (QWidget* w : OnlyNote()->findChildren<QWidget*>()) {
    if (w->parent() != OnlyNote() && w->parentWidget() && w->parentWidget()->objectName().startsWith("qt_")) continue;
    if (w->objectName().startsWith("qt_") || w->inherits("QScrollBar") || w->inherits("QMenu")) continue;
    if (w->parentWidget() && (w->parentWidget()->inherits("QAbstractScrollArea") || w->parentWidget()->inherits("QScrollBar")))
      continue;
    EXPECT_FALSE(w->objectName().isEmpty()) << w->metaObject()->className();
  }
}

}  // namespace
}  // namespace qp

namespace qp {
namespace {

TEST_F(NoteWindowTest, ANoteThatExpiredWhileTheProgramWasStoppedNeverGetsAWindow) {
  NoteRecord expired = Stored("Expired", QRect(10, 10, 150, 150), true);
  expired.expires = true;
  expired.expireType = 1;
  expired.expireDate = clock_.time.date().addDays(-1);
  expired.expireTime = QTime(18, 0);
  ASSERT_EQ(store_->updateNote(expired, Showing::Shown), StoreResult::Done);
  Stored("Kept", QRect(20, 20, 150, 150), true);
  Start();
  ASSERT_EQ(controller_->noteWindows().size(), 1);
  EXPECT_EQ(OnlyNote()->tag(), 2);
  EXPECT_FALSE(Record(expired.recNo).showing);
}

TEST_F(NoteWindowTest, TheCheckHidesExpiredWindowsFiresRemindersAndComesAgainAfterASleep) {
  NoteRecord note = Stored("Meeting", QRect(10, 10, 150, 150), true);
  note.alarmActive = true;
  note.alarmType = 1;  // every day
  note.alarmTime = QTime(10, 0);
  note.expires = true;
  note.expireType = 2;  // every day
  note.expireTime = QTime(12, 0);
  ASSERT_EQ(store_->updateNote(note, Showing::Shown), StoreResult::Done);
  clock_.time = QDateTime(QDate(2026, 6, 1), QTime(9, 0));
  Start();
  ASSERT_EQ(controller_->noteWindows().size(), 1);

  clock_.time = QDateTime(QDate(2026, 6, 1), QTime(10, 0));
  controller_->timerCheckTimer();
  EXPECT_EQ(alarms_.captions, QStringList{"Meeting"});
  controller_->timerCheckTimer();
  EXPECT_EQ(alarms_.captions.size(), 1);

  // The machine sleeps past noon: on waking the clock has jumped, so the
  // check runs at once and the window hides itself.
  clock_.time = QDateTime(QDate(2026, 6, 1), QTime(12, 30));
  controller_->checkAfterClockJump();
  QCoreApplication::processEvents();
  EXPECT_TRUE(controller_->noteWindows().isEmpty());
  EXPECT_FALSE(Record(note.recNo).showing);

  // A clock that moved as the check timer did starts no extra check, even
  // with a reminder waiting.
  clock_.time = QDateTime(QDate(2026, 6, 2), QTime(10, 0));
  controller_->timerCheckTimer();
  EXPECT_EQ(alarms_.captions.size(), 2);
  clock_.time = clock_.time.addSecs(60);
  {
    xb::TXbDbf& notes = store_->notes();
    notes.Go(note.recNo);
    notes.PutField("TIMEALMACT", "");
    ASSERT_EQ(RewriteWithLock(notes), WriteOutcome::Written);
  }
  controller_->checkAfterClockJump();
  EXPECT_EQ(alarms_.captions.size(), 2);
}

}  // namespace
}  // namespace qp

namespace qp {
namespace {

// Collects the program's warnings (its log on standard error).
class WarningLog {
 public:
  WarningLog() {
    lines().clear();
    previous_ = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
      if (type == QtWarningMsg && text.startsWith("Quillpad: ")) lines().append(text);
    });
  }
  ~WarningLog() { qInstallMessageHandler(previous_); }
  static QStringList& lines() {
    static QStringList all;
    return all;
  }

 private:
  QtMessageHandler previous_;
};

// The notes' files go through a wrapper that can make them fail; it
// outlives the store, which closes its files in TearDown.
class FailedCheckTest : public NoteWindowTest {
 protected:
  qptest::FailingFiles files_;
};

TEST_F(FailedCheckTest, AFailedCheckIsLoggedOnceAndTheChecksGoOn) {
  NoteRecord note = Stored("Standup", QRect(10, 10, 150, 150), true);
  note.alarmActive = true;
  note.alarmType = 1;  // every day
  note.alarmTime = QTime(10, 0);
  ASSERT_EQ(store_->updateNote(note, Showing::Shown), StoreResult::Done);
  clock_.time = QDateTime(QDate(2026, 6, 1), QTime(9, 0));
  Start();
  WarningLog log;
  clock_.time = QDateTime(QDate(2026, 6, 1), QTime(10, 0));
  // The notes' files stop answering, as a disk that has gone away.
  files_.OnlyPathsContaining("notes.");
  files_.OnlyReadsAndWrites();
  files_.FailCall(1, 0, /*sticky=*/true);
  controller_->timerCheckTimer();
  controller_->timerCheckTimer();
  EXPECT_TRUE(files_.FaultFired());
  files_.Heal();
  EXPECT_TRUE(alarms_.captions.isEmpty());
  // Each of the two checks' errors once, not again every minute.
  ASSERT_EQ(log.lines().size(), 2) << log.lines().join("\n").toStdString();
  EXPECT_TRUE(log.lines()[0].contains("expired notes")) << log.lines()[0].toStdString();
  EXPECT_TRUE(log.lines()[1].contains("reminders")) << log.lines()[1].toStdString();
  EXPECT_TRUE(controller_->checkTimer().isActive()) << "the checks must go on after a failed one";
  // The next check works again and fires the reminder that was waiting.
  controller_->timerCheckTimer();
  EXPECT_EQ(alarms_.captions, QStringList{"Standup"});
  EXPECT_EQ(log.lines().size(), 2);
}

}  // namespace
}  // namespace qp
