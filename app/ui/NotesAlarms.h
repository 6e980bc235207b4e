#pragma once
// TFrmMaintainNotes, the Notes & Reminders manager: every note, the notes
// with an active reminder, the notes of each template in use and the
// trash bin, in grids with a rich-text preview below. From it the user
// shows or hides a note, edits its properties, trashes, restores, empties
// the trash, searches and exports. It reads and writes through its own
// NotesManagerStore; windows of notes are the controller's (ManagerHost).
#include <QDialog>
#include <functional>

#include "app/model/NoteExport.h"
#include "app/model/NoteRecord.h"

class QLineEdit;
class QMenu;
class QSplitter;
class QTabWidget;
class QTimer;
class TFormPlace;
class TXbGrid;

namespace qp {

class NotesManagerStore;
class RichEdit;
enum class ManagerPage;

// What the manager asks of the controller.
class ManagerHost {
 public:
  virtual ~ManagerHost() = default;
  virtual QList<TemplateEntry> templateEntries() = 0;
  // Builds and shows a window for the note (SHOWING is already "Y").
  virtual void showNoteWindow(int recNo) = 0;
  // Asks the note's window to store itself as hidden and close; false
  // when no window shows the note.
  virtual bool hideNoteWindow(int recNo) = 0;
  // Runs the note properties dialog of the note's window, opening the
  // window for the time of the dialog when the note is hidden.
  virtual void editNoteProperties(int recNo) = 0;
};

class TFrmMaintainNotes : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kHelpContext = 1009;
  enum class Answer { Yes, No, Cancel };

  TFrmMaintainNotes(NotesManagerStore& store, ManagerHost& host, const QString& configFile,
                    QWidget* parent = nullptr);
  ~TFrmMaintainNotes() override;

  // The seams tests answer in advance: questions, messages, and where an
  // export goes (an empty folder cancels).
  std::function<Answer(QWidget* parent, const QString& text)> ask;
  std::function<void(QWidget* parent, const QString& text)> tell;
  struct ExportChoice {
    QString folder;
    ExportFormat format = ExportFormat::Html;
  };
  std::function<ExportChoice(QWidget* parent)> chooseExport;

  // The menu actions, callable directly.
  void editNoteProperties();
  void showNoteOnDesktop();
  void sendNoteToTrash();
  void emptyTrashBin();
  void restoreNote();
  // Exports the selected notes (or all of them) where chooseExport says.
  void exportNotes(bool selectedOnly);

  // The page shown; templateNumber is 0 except on a template page.
  ManagerPage currentPage(int* templateNumber = nullptr) const;
  // The record numbers of the selected rows of the notes grid.
  QList<int> selectedNotes() const;
  int selectedNote() const;
  int selectedTrashNote() const;
  // Reads both tables again, keeping the selected notes selected.
  void refreshTables();

 protected:
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void formCreate();
  void pageControl1Change();
  void pupMenuNotesPopup();
  void searchChanged();
  void updatePreview(TXbGrid* grid, RichEdit* preview, bool trash);
  void highlight(RichEdit* preview);
  void select(TXbGrid* grid, int recNo);

  NotesManagerStore& store_;
  ManagerHost& host_;
  TFormPlace* place_ = nullptr;
  QLineEdit* search_ = nullptr;
  QTimer* prepare_timer_ = nullptr;
  QTabWidget* pages_ = nullptr;
  QSplitter* notes_split_ = nullptr;
  TXbGrid* grid_ = nullptr;
  RichEdit* preview_ = nullptr;
  TXbGrid* trash_grid_ = nullptr;
  RichEdit* trash_preview_ = nullptr;
  QMenu* notes_menu_ = nullptr;
  QMenu* trash_menu_ = nullptr;
  QAction* show_on_desktop_ = nullptr;
  bool busy_ = false;
};

}  // namespace qp
