#include "app/ui/NoteMn.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTextStream>
#include <QVBoxLayout>

#include "app/model/NoteStore.h"
#include "app/model/status.h"
#include "app/ui/Config.h"
#include "app/ui/MinuteLength.h"
#include "app/ui/Seams.h"
#include "app/ui/StatusWindow.h"
#include "components/TrayIcon.h"

namespace qp {

namespace {

QAction* AddItem(QMenu* menu, const QString& text, const char* name) {
  QAction* action = menu->addAction(text);
  action->setObjectName(name);
  return action;
}

}  // namespace

TFrmNotesMain::TFrmNotesMain(NoteStore& store, AppServices& services, TTrayNotifyIcon* tray, bool forceNoTray,
                             QElapsedTimer startClock)
    : QWidget(nullptr),
      store_(store),
      services_(services),
      tray_(tray),
      force_no_tray_(forceNoTray),
      start_clock_(startClock) {
  setObjectName("FrmNotesMain");
  setWindowTitle("Quillpad");
  if (!start_clock_.isValid()) start_clock_.start();
  timer_initialize_.setObjectName("TimerInitialize");
  timer_initialize_.setSingleShot(true);
  timer_initialize_.setInterval(kInitializeMs);
  connect(&timer_initialize_, &QTimer::timeout, this, &TFrmNotesMain::timerInitialize);
  timer_check_.setObjectName("TimerCheck");
  timer_check_.setInterval(MinuteMs());
  connect(&timer_check_, &QTimer::timeout, this, &TFrmNotesMain::timerCheckTimer);
  // The check timer measures time that passes while the computer is awake;
  // this one notices when the clock jumped (a suspend, or the clock was
  // set) and checks at once instead of up to a minute late.
  timer_wake_.setObjectName("TimerWake");
  timer_wake_.setInterval(kWakeMs);
  connect(&timer_wake_, &QTimer::timeout, this, &TFrmNotesMain::checkAfterClockJump);
  buildTrayMenu();
  if (tray_) {
    tray_->setParent(this);
    tray_->setHint("Quillpad");
    tray_->setPopupMenu(popupMenu1_);
    connect(tray_, &TTrayNotifyIcon::clicked, this, [this] { pupTemplate_->popup(QCursor::pos()); });
    connect(tray_, &TTrayNotifyIcon::doubleClicked, this, [this] { newNoteFromTemplate(1); });
    connect(tray_, &TTrayNotifyIcon::trayAvailabilityChanged, this, [this](bool available) {
      showNoTrayWindow(!available || force_no_tray_);
    });
  }
}

TFrmNotesMain::~TFrmNotesMain() {
  for (const QPointer<TFrmNote>& note : notes_)
    if (note) delete note.data();
  delete no_tray_;
}

QMenu* TFrmNotesMain::buildTemplateMenu(const QString& title, const char* name) {
  auto* menu = new QMenu(title, this);
  menu->setObjectName(name);
  for (int n = 1; n <= 10; ++n) {
    QAction* item = menu->addAction(QStringLiteral("Template %1").arg(n));
    item->setObjectName(QStringLiteral("%1Template%2").arg(name).arg(n));
    item->setData(n);
    connect(item, &QAction::triggered, this, [this, item] { newNoteFromTemplate(item->data().toInt()); });
  }
  connect(menu, &QMenu::aboutToShow, this, [this, menu] { refreshTemplateItems(menu); });
  return menu;
}

void TFrmNotesMain::buildTrayMenu() {
  popupMenu1_ = new QMenu(this);
  popupMenu1_->setObjectName("PopupMenu1");
  newNoteMenu_ = buildTemplateMenu("New Note", "NewNote1");
  popupMenu1_->addMenu(newNoteMenu_);
  QAction* manager = AddItem(popupMenu1_, "Notes && Reminders...", "NotesReminders1");
  connect(manager, &QAction::triggered, this, &TFrmNotesMain::openManager);
  QAction* hideAll = AddItem(popupMenu1_, "Hide All Notes", "HideAllNotes1");
  popupMenu1_->addSeparator();
  QAction* help = AddItem(popupMenu1_, "Help...", "Help1");
  popupMenu1_->addSeparator();
  QAction* configure = AddItem(popupMenu1_, "Configure...", "Configure1");
  connect(configure, &QAction::triggered, this, &TFrmNotesMain::configureQuillpad);
  QAction* exit = AddItem(popupMenu1_, "Shutdown Quillpad", "Exit1");
  connect(hideAll, &QAction::triggered, this, &TFrmNotesMain::hideAllNotes);
  connect(help, &QAction::triggered, this, [this] {
    if (services_.help) services_.help->show(0);
  });
  connect(exit, &QAction::triggered, this, &TFrmNotesMain::shutdown);
  pupTemplate_ = buildTemplateMenu(QString(), "PupTemplate");
}

void TFrmNotesMain::refreshTemplateItems(QMenu* menu) {
  const QList<TemplateEntry> entries = templateEntries();
  const QList<QAction*> items = menu->actions();
  for (int i = 0; i < items.size(); ++i) {
    items[i]->setVisible(false);
    if (i < entries.size() && entries[i].inUse) {
      items[i]->setText(entries[i].name);
      items[i]->setVisible(true);
    }
  }
}

void TFrmNotesMain::showNoTrayWindow(bool show) {
  if (!show) {
    if (no_tray_) no_tray_->hide();
    return;
  }
  if (!no_tray_) {
    // Parentless, so it is a window of its own with a task bar entry: the
    // way back to the program when there is no tray icon.
    no_tray_ = new QWidget(nullptr, Qt::Window);
    no_tray_->setObjectName("FrmNoTray");
    no_tray_->setWindowTitle("Quillpad");
    auto* layout = new QVBoxLayout(no_tray_);
    auto* label = new QLabel("Quillpad is running. There is no system tray on this desktop, so its commands are here.",
                             no_tray_);
    label->setObjectName("LblNoTray");
    label->setWordWrap(true);
    layout->addWidget(label);
    auto addButton = [&](const QString& text, const char* name) {
      auto* button = new QPushButton(text, no_tray_);
      button->setObjectName(name);
      layout->addWidget(button);
      return button;
    };
    QPushButton* newNote = addButton("New Note", "BtnNewNote");
    newNote->setMenu(newNoteMenu_);
    connect(addButton("Notes && Reminders...", "BtnNotesReminders"), &QPushButton::clicked, this,
            &TFrmNotesMain::openManager);
    connect(addButton("Hide All Notes", "BtnHideAll"), &QPushButton::clicked, this, &TFrmNotesMain::hideAllNotes);
    connect(addButton("Help...", "BtnHelp"), &QPushButton::clicked, this, [this] {
      if (services_.help) services_.help->show(0);
    });
    connect(addButton("Configure...", "BtnConfigure"), &QPushButton::clicked, this,
            &TFrmNotesMain::configureQuillpad);
    connect(addButton("Shutdown Quillpad", "BtnShutdown"), &QPushButton::clicked, this, &TFrmNotesMain::shutdown);
    no_tray_->resize(280, no_tray_->sizeHint().height());
    // It is the only way back to the program: closing it only minimises it.
    no_tray_->installEventFilter(this);
    // Top left, where notes made from the templates seldom go, so it is not
    // hidden under the first note.
    if (QScreen* screen = QGuiApplication::primaryScreen())
      no_tray_->move(screen->availableGeometry().topLeft() + QPoint(16, 16));
  }
  no_tray_->show();
  no_tray_->raise();
}

bool TFrmNotesMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == no_tray_ && event->type() == QEvent::Close && !shut_down_) {
    event->ignore();
    no_tray_->showMinimized();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void TFrmNotesMain::reportStartup(const QString& line) {
  const QString file = qEnvironmentVariable("QUILLPAD_STARTUP_REPORT");
  if (file.isEmpty()) return;
  QFile out(file);
  if (!out.open(QIODevice::Append | QIODevice::Text)) return;
  QTextStream(&out) << line << ' ' << start_clock_.elapsed() << '\n';
}

void TFrmNotesMain::start() {
  if (tray_ && !force_no_tray_) tray_->setIconVisible(true);
  const bool trayUp = tray_ && !force_no_tray_ && tray_->trayAvailable();
  showNoTrayWindow(!trayUp);
  reportStartup("tray");  // the icon, or the window standing in for it
  // Which wave file a reminder would ring: an installation check reads it
  // here, as a machine without sound cannot be listened to.
  reportStartup("sound " + services_.preferences.soundFile);
  timer_initialize_.start();
}

void TFrmNotesMain::timerInitialize() {
  timer_initialize_.stop();
  QStringList failed;
  if (!store_.open(&failed)) {
    for (const QString& path : failed)
      if (services_.ask) services_.ask->warning(nullptr, "Quillpad", "Unable to open " + path);
    // The tables that did open are left as they are; nothing is written.
    shut_down_ = true;
    QCoreApplication::exit(1);
    return;
  }
  // Notes that expired while the program was not running are stored as
  // hidden before any window is built, so they never appear.
  reportCheck(store_.checkExpiredNotes(ExpiryCheck::StartUp, {}));
  displayOpenNotes();
  if (shut_down_) return;
  last_check_ = now();
  timer_check_.start();
  timer_wake_.start();
  started_ = true;
  emit ready();
  const QList<int> pending = pending_new_notes_;
  pending_new_notes_.clear();
  for (int n : pending) newNoteFromTemplate(n);
  if (hide_all_pending_) hideAllNotes();
}

TFrmNote* TFrmNotesMain::createNoteWindow() {
  const int id = next_id_++;
  auto* note = new TFrmNote(store_, services_, *this, id);
  notes_.insert(id, note);
  if (tray_) tray_->applyHideTask(note);
  return note;
}

void TFrmNotesMain::displayOpenNotes() {
  const QList<NoteRecord> showing = store_.showingNotes();
  for (const NoteRecord& record : showing) {
    // A shutdown asked for while the notes open (a --quit, a SIGTERM) ends
    // the loop: the remaining notes stay showing for the next start.
    if (shut_down_) return;
    TFrmNote* note = createNoteWindow();
    store_.setHandle(record.recNo, note->id());
    note->showRecord(record);
    if (getenv("QP_NOPUMP") == nullptr) QCoreApplication::processEvents();
  }
  reportStartup(QStringLiteral("notes %1").arg(showing.size()));
}

QList<TemplateEntry> TFrmNotesMain::templateEntries() { return store_.templates(); }

void TFrmNotesMain::newNoteFromTemplate(int number) {
  if (shut_down_) return;
  if (!started_) {
    pending_new_notes_.append(number);
    return;
  }
  TFrmNote* note = createNoteWindow();
  QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
  if (!screen) screen = QGuiApplication::primaryScreen();
  const QSize area = screen ? screen->availableGeometry().size() : QSize(1024, 768);
  StoreResult result = StoreResult::Done;
  NoteRecord record = store_.newNoteFromTemplate(number, note->id(), area, &result);
  if (screen) record.geometry.translate(screen->availableGeometry().topLeft());
  note->showNew(record);
}

void TFrmNotesMain::noteClosed(int id) { notes_.remove(id); }

QDateTime TFrmNotesMain::now() const {
  return services_.clock ? services_.clock->now() : QDateTime::currentDateTime();
}

void TFrmNotesMain::timerCheckTimer() {
  if (shut_down_ || checking_) return;
  // Off while the checks run, so they never overlap and the next one comes
  // a full interval after this one ends; on again whatever happened.
  checking_ = true;
  timer_check_.stop();
  CheckCallbacks callbacks;
  callbacks.hideNoteWindow = [this](int handle) {
    TFrmNote* note = noteWindow(handle);
    if (!note) return false;
    note->hideNote();
    return true;
  };
  callbacks.openAlarm = [this](const NoteRecord& note) {
    if (services_.alarms) services_.alarms->open(note);
  };
  callbacks.processEvents = [] { QCoreApplication::processEvents(); };
  const bool expiredChecked = store_.checkExpiredNotes(ExpiryCheck::Timer, callbacks);
  reportCheck(expiredChecked);
  const bool remindersChecked = shut_down_ || store_.checkReminders(callbacks);
  reportCheck(remindersChecked);
  // Only a minute whose checks both worked ends the failure: the two checks
  // fail with different errors, and each minute would log both again.
  if (expiredChecked && remindersChecked) reported_check_errors_.clear();
  last_check_ = now();
  checking_ = false;
  if (!shut_down_) timer_check_.start();
}

void TFrmNotesMain::checkAfterClockJump() {
  const QDateTime at = now();
  if (!checking_ && last_check_.isValid() && last_check_.msecsTo(at) > kCheckMs + kWakeMs) timerCheckTimer();
}

void TFrmNotesMain::reportCheck(bool ok) {
  // A failing check would fail again every minute: the log gets each
  // error once, until a check succeeds again. A dialog each minute would
  // make the program unusable, and the next check may well succeed.
  if (ok) return;
  const QString error = store_.lastError();
  if (reported_check_errors_.contains(error)) return;
  reported_check_errors_.append(error);
  qWarning("Quillpad: %s", qPrintable(error));
}

TFrmNote* TFrmNotesMain::noteWindow(int id) const { return notes_.value(id).data(); }

QList<TFrmNote*> TFrmNotesMain::noteWindows() const {
  QList<TFrmNote*> list;
  for (const QPointer<TFrmNote>& note : notes_)
    if (note) list.append(note.data());
  return list;
}

void TFrmNotesMain::hideAllNotes() {
  if (!started_) {
    hide_all_pending_ = true;
    return;
  }
  for (TFrmNote* note : noteWindows()) {
    note->hideNote();
    QCoreApplication::processEvents();
  }
}

void TFrmNotesMain::configureQuillpad() {
  if (shut_down_ || !started_ || configuring_) return;
  configuring_ = true;
  const QString configFile = ConfigFileIn(store_.programFolder());
  TFrmConfig dialog(store_, services_, configFile);
  const bool accepted = dialog.exec() == QDialog::Accepted;
  configuring_ = false;
  if (!accepted || shut_down_) return;
  QString error;
  const bool saved = dialog.save(QCoreApplication::applicationFilePath(), &error);
  // What did reach Config.cfg is in force at once, even when the autostart
  // entry could not be written; the user is told what failed.
  services_.preferences = LoadPreferences(configFile, services_.contentFolder);
  if (tray_) tray_->setHideTask(!services_.preferences.enableTaskbarIcon);
  if (!saved && services_.ask) services_.ask->warning(nullptr, "Quillpad", "The configuration could not be saved: " + error);
}

void TFrmNotesMain::bringForward() {
  for (TFrmNote* note : noteWindows()) note->raise();
  if (no_tray_ && no_tray_->isVisible()) {
    no_tray_->raise();
    no_tray_->activateWindow();
  }
}

void TFrmNotesMain::runCommand(const QString& line) {
  const QStringList words = line.split(' ', Qt::SkipEmptyParts);
  if (words.isEmpty()) return;
  if (words[0] == "new") {
    newNoteFromTemplate(words.size() > 1 ? words[1].toInt() : 1);
  } else if (words[0] == "hide-all") {
    hideAllNotes();
  } else if (words[0] == "manager") {
    openManager();
  } else if (words[0] == "quit") {
    shutdown();
  } else if (words[0] == "activate") {
    bringForward();
  }
}

void TFrmNotesMain::shutdown() {
  if (shut_down_) return;
  shut_down_ = true;
  timer_initialize_.stop();
  timer_check_.stop();
  timer_wake_.stop();
  if (manager_) manager_->reject();
  // Notes may be open even before start-up finished (a shutdown asked for
  // while they open): each stores itself as showing.
  for (TFrmNote* note : noteWindows()) {
    note->shutdownNote();
    QCoreApplication::processEvents();
  }
  if (started_) {
    QCoreApplication::processEvents();
    store_.recordCleanStop();
    store_.closeNotesAndTemplates();
    TFrmStatus* status = nullptr;
    auto progress = [&status](const QString& caption, const QString& step, int done, int total) {
      if (!status) status = new TFrmStatus;
      status->report(caption, step, done, total);
    };
    if (services_.preferences.backupFiles) store_.backupNotes(progress);
    delete status;
    status = nullptr;
    if (services_.preferences.emptyTrash) store_.compactTrash(progress);
    delete status;
    store_.closeTrash();
  } else {
    // Stopped before the tables opened: nothing to store, but the run
    // still ended in order.
    store_.recordCleanStop();
  }
  if (tray_) tray_->setIconVisible(false);
  if (no_tray_) no_tray_->hide();
  // quit() asks the windows still open to close first; a note that is
  // still open then (one opened by a command during the shutdown) stores
  // itself as showing, since shuttingDown() is true.
  QCoreApplication::quit();
}

}  // namespace qp
