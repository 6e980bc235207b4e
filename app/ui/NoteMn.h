#pragma once
// TFrmNotesMain: the program's hidden controller. It owns the tray icon
// with its two menus, the start-up and check timers and the open note
// windows; it opens the tables after start-up, reopens the notes that were
// showing, makes new notes from templates and runs the orderly shutdown.
// Where the desktop has no system tray, a small window offers the tray
// menu's commands instead, so the program is always reachable.
#include <QDateTime>
#include <QElapsedTimer>
#include <QMap>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "app/ui/Note1.h"
#include "app/ui/NotesAlarms.h"

class QMenu;
class TTrayNotifyIcon;

namespace qp {

class NoteStore;
struct AppServices;

class TFrmNotesMain : public QWidget, public NoteHost, public ManagerHost {
  Q_OBJECT
 public:
  // The tables open as soon as the event loop runs, right after the tray
  // icon is up: a fixed wait would only delay the first note.
  static constexpr int kInitializeMs = 0;
  static constexpr int kCheckMs = 60000;
  // How often the clock is compared with the last check to notice a resume.
  static constexpr int kWakeMs = 5000;

  // `startClock` measures the start-up report from the process start.
  TFrmNotesMain(NoteStore& store, AppServices& services, TTrayNotifyIcon* tray, bool forceNoTray,
                QElapsedTimer startClock = {});
  ~TFrmNotesMain() override;

  // Starts the run: the tables open once the event loop runs.
  void start();
  bool started() const { return started_; }
  // Runs a command of the command line or of a later start.
  void runCommand(const QString& line);

  // NoteHost
  QList<TemplateEntry> templateEntries() override;
  void newNoteFromTemplate(int number) override;
  void noteClosed(int id) override;
  bool shuttingDown() const override { return shut_down_; }

  // The Notes & Reminders manager, modal; a second call raises it
  // (NoteMnManager.cpp).
  void openManager() override;
  TFrmMaintainNotes* manager() const { return manager_; }
  // ManagerHost
  void showNoteWindow(int recNo) override;
  bool hideNoteWindow(int recNo) override;
  void editNoteProperties(int recNo) override;

  void hideAllNotes();
  // Runs the configuration dialog; on OK the preferences are written and
  // read again, and the start-at-login entry follows its check box.
  void configureQuillpad() override;
  // Hides the expired notes and fires the due reminders (the check timer's
  // work), then waits a full interval for the next check.
  void timerCheckTimer();
  // Checks at once when the clock moved on much further than the check
  // timer did since the last check: the computer slept in between.
  void checkAfterClockJump();
  // Stores every open note as showing, records a clean stop, backs up,
  // empties the trash as the preferences say, and ends the program.
  // Runs once; later calls do nothing.
  void shutdown();
  bool shutDown() const { return shut_down_; }

  TFrmNote* noteWindow(int id) const;
  QList<TFrmNote*> noteWindows() const;
  QMenu* trayMenu() const { return popupMenu1_; }
  QMenu* templateMenu() const { return pupTemplate_; }
  QWidget* noTrayWindow() const { return no_tray_; }
  const QTimer& checkTimer() const { return timer_check_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 signals:
  // The tables are open and the notes that were showing are shown.
  void ready();

 private:
  void timerInitialize();
  TFrmNote* windowOfNote(int recNo) const;
  // The note window runs its properties dialog.
  void runNoteProperties(TFrmNote* note);
  void displayOpenNotes();
  void refreshTemplateItems(QMenu* menu);
  QMenu* buildTemplateMenu(const QString& title, const char* name);
  void buildTrayMenu();
  void showNoTrayWindow(bool show);
  TFrmNote* createNoteWindow();
  void reportStartup(const QString& line);
  void bringForward();
  QDateTime now() const;
  // Logs a failed check's error once, until a minute's checks both work.
  void reportCheck(bool ok);

  NoteStore& store_;
  AppServices& services_;
  TTrayNotifyIcon* tray_;
  bool force_no_tray_;
  QElapsedTimer start_clock_;
  QTimer timer_initialize_;
  QTimer timer_check_;
  QTimer timer_wake_;
  QDateTime last_check_;
  QStringList reported_check_errors_;  // logged since the checks last worked
  bool checking_ = false;
  bool configuring_ = false;
  QMenu* popupMenu1_ = nullptr;
  QMenu* newNoteMenu_ = nullptr;
  QMenu* pupTemplate_ = nullptr;
  QWidget* no_tray_ = nullptr;
  QMap<int, QPointer<TFrmNote>> notes_;
  int next_id_ = 1;
  bool started_ = false;
  bool shut_down_ = false;
  QList<int> pending_new_notes_;
  bool hide_all_pending_ = false;
  QPointer<TFrmMaintainNotes> manager_;
};

}  // namespace qp
