#pragma once
// What the controller and the note windows ask of the notes store. The
// widgets see only this interface, so they neither include nor link the
// storage engine; XbNoteStore implements it over the three tables.
#include <QList>
#include <QSize>
#include <QString>
#include <functional>
#include <optional>

#include "app/model/NoteRecord.h"
#include "app/model/TemplateContent.h"

namespace qp {

// Step text and progress (done of total) of a long operation.
using Progress = std::function<void(const QString& caption, const QString& step, int done, int total)>;

// Where an expiry check runs: at start-up no note window exists yet, so the
// store hides expired notes itself; from the check timer the open windows
// hide them, storing their last changes as they go.
enum class ExpiryCheck { StartUp = 1, Timer = 2 };

// What the reminder and expiry checks ask of the windows.
struct CheckCallbacks {
  // Asks the note window of this id (HANDLE) to store itself as hidden and
  // close; false when no window has that id.
  std::function<bool(int handle)> hideNoteWindow;
  // Opens the alarm window of a reminder that has just fired.
  std::function<void(const NoteRecord& note)> openAlarm;
  // Lets the windows handle their pending events between two records.
  std::function<void()> processEvents;
};

class NoteStore {
 public:
  virtual ~NoteStore() = default;

  virtual QString programFolder() const = 0;
  // The last engine failure, for the message the user sees.
  virtual QString lastError() const = 0;

  // Reads and updates the run status; call once, before open().
  virtual void readRunStatus() = 0;
  // Opens notes, trash and templates (packing them when the run status
  // asked for it). On failure `failedPaths` names each table that could not
  // be opened; the others are still tried.
  virtual bool open(QStringList* failedPaths) = 0;
  virtual bool isOpen() const = 0;

  // Every note marked showing, in SHOWING order.
  virtual QList<NoteRecord> showingNotes() = 0;
  virtual std::optional<NoteRecord> readNote(int recNo) = 0;
  // Writes the window id into HANDLE of the note.
  virtual StoreResult setHandle(int recNo, int handle) = 0;

  // Appends a note made from template `number` placed on a screen of
  // `screen` size, shown by window `handle`. On success the record's recNo
  // is set; when the append lock was refused, recNo stays 0 and result
  // says why, so the window never binds itself to another record.
  virtual NoteRecord newNoteFromTemplate(int number, int handle, QSize screen, StoreResult* result) = 0;
  // Stores the window into its record; `showing` decides SHOWING.
  virtual StoreResult updateNote(const NoteRecord& note, Showing showing) = 0;
  // Copies the note into the trash and deletes it from the notes; when the
  // trash cannot be locked the note stays where it is.
  virtual StoreResult trashNote(const NoteRecord& note) = 0;

  virtual QList<TemplateEntry> templates() = 0;
  // Template `number` (1..10) of defaults.dbf, for the template dialog.
  virtual std::optional<TemplateContent> readTemplate(int number) = 0;
  // Writes the template (STAYONTOP "N"); Locked when another program
  // holds its record, and then nothing is written.
  virtual StoreResult updateTemplate(int number, const TemplateContent& content) = 0;
  // Gives a removed template its "Template n - Not Set" values.
  virtual StoreResult resetTemplate(int number) = 0;

  // Hides (and, when the note says so, trashes) every expired note that is
  // showing. False when an error ended the check early; lastError() says
  // which, and the next check starts afresh.
  virtual bool checkExpiredNotes(ExpiryCheck mode, const CheckCallbacks& callbacks) = 0;
  // Fires every reminder that is due: records the firing in the note, then
  // opens its alarm window. False as for checkExpiredNotes.
  virtual bool checkReminders(const CheckCallbacks& callbacks) = 0;

  // Shutdown steps, in this order.
  virtual void recordCleanStop() = 0;
  virtual void closeNotesAndTemplates() = 0;
  virtual void backupNotes(const Progress& progress) = 0;
  virtual void compactTrash(const Progress& progress) = 0;
  virtual void closeTrash() = 0;
};

}  // namespace qp
