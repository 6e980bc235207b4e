#pragma once
// TFrmNote: one note on the desktop. A borderless window in the note's
// colour with a caption strip (Options button, caption, collapse or expand
// button, hide button) over a rich-text area. The window keeps the note's
// state while it is open and stores it into its record through NoteStore:
// soon after each change, when it loses focus, and when it hides, closes,
// goes to the trash or the program shuts down.
#include <QPointer>
#include <QWidget>

#include "app/model/NoteGeometry.h"
#include "app/model/NoteRecord.h"
#include "app/ui/NoteProps.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QToolButton;

namespace qp {

class Autosave;
class NoteStore;
class RichEdit;
struct AppServices;

// What a note asks of the controller.
class NoteHost {
 public:
  virtual ~NoteHost() = default;
  virtual QList<TemplateEntry> templateEntries() = 0;
  virtual void newNoteFromTemplate(int number) = 0;
  virtual void noteClosed(int id) = 0;
  // True once the program is shutting down: a window closed then stays
  // showing for the next start.
  virtual bool shuttingDown() const = 0;
  // Opens the Notes & Reminders manager.
  virtual void openManager() {}
  // The note menu's "Configure...".
  virtual void configureQuillpad() {}
};

class TFrmNote : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kHelpContext = 1000;

  TFrmNote(NoteStore& store, AppServices& services, NoteHost& host, int id);
  ~TFrmNote() override;

  // The window id written into HANDLE; the controller reaches the window
  // through it.
  int id() const { return id_; }
  // Record number in notes.dbf, 0 when the note has none.
  int tag() const { return record_.recNo; }
  bool isCollapsed() const { return collapsed_; }
  bool isStayOnTop() const;
  QString caption() const;
  QString plainText() const;
  RichEdit* textArea() const { return text_; }

  // Builds the window from a stored note (reopened at start or shown again).
  void showRecord(const NoteRecord& note);
  // Builds the window for a note just made from a template and fills in the
  // template's placeholders.
  void showNew(const NoteRecord& note);

  // The controller's messages.
  void hideNote();      // store with SHOWING "N" and close
  void shutdownNote();  // store with SHOWING "Y" and close

  void collapse();
  void expand();
  void trashNote();
  void emailNote();
  void setStayOnTop(bool on);
  void editCaption();
  // Runs the properties dialog on `page` and, on OK, takes its values and
  // stores the note (hidden, and closed, when "Note is Showing" was
  // unchecked). The manager calls it for the notes it lists.
  void editProperties(TFrmNoteProps::Page page);
  void setCaption(const QString& caption);

  // The note as the record should hold it now.
  NoteRecord snapshot() const;
  // Stores the window (UpdateNote); `showing` decides SHOWING.
  StoreResult storeNote(Showing showing);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void buildWindow();
  void buildMenu();
  void applyRecord(const NoteRecord& note);
  void applyColors();
  void refreshTemplateMenu();
  void animateTo(const std::vector<QRect>& steps);
  void finishFold();
  void autosaveNow();
  void mousePress(QMouseEvent* event);
  void mouseMove(QMouseEvent* event);
  void updateTitle();
  // Stores for a closing path; false, after telling the user, when the
  // record refused the store, so the window can stay open with its text.
  bool storeBeforeClosing(Showing showing);

  NoteStore& store_;
  AppServices& services_;
  NoteHost& host_;
  const int id_;
  NoteRecord record_;  // the fields the window keeps but does not show
  NoteRecord lastStored_;  // what the record holds, as far as this window knows

  QFrame* panel_ = nullptr;
  QLabel* caption_ = nullptr;
  QToolButton* btnMenu_ = nullptr;
  QToolButton* btnCollapse_ = nullptr;
  QToolButton* btnExpand_ = nullptr;
  QToolButton* btnExit_ = nullptr;
  RichEdit* text_ = nullptr;
  QMenu* menu_ = nullptr;
  QMenu* newNoteMenu_ = nullptr;
  QAction* stayOnTop_ = nullptr;
  Autosave* autosave_ = nullptr;

  bool collapsed_ = false;
  QSize saved_;
  bool moving_ = false;
  bool resizing_ = false;
  bool folding_ = false;
  bool building_ = true;
  Grip grip_ = Grip::Move;
  QPoint press_;
  QPoint pressGlobal_;
  QPoint pressWindowPos_;
  bool stored_ = false;
  Showing closeMode_ = Showing::Shown;
  bool warnedUnsaved_ = false;
};

}  // namespace qp
