#pragma once
// What the Notes & Reminders manager asks of the tables: its own views of
// notes.dbf and Trash.dbf as grid models, the pages' orders and filters,
// the search, and the actions on one note. XbManagerStore implements it
// over two table components of its own; the manager window sees only this
// interface and the grid models' roles, never the engine.
#include <QList>
#include <QString>
#include <functional>
#include <optional>

#include "app/model/NoteExport.h"
#include "app/model/NoteRecord.h"

class TXbColumnModel;

namespace qp {

enum class ManagerPage { AllNotes, ActiveReminders, Template, Trash };

struct EmptyTrashResult {
  int deleted = 0;
  int locked = 0;       // records another program kept locked: left in the trash
  bool failed = false;  // the engine refused a delete; lastError() says why
};

class NotesManagerStore {
 public:
  virtual ~NotesManagerStore() = default;

  // Opens the two tables; false with lastError() set when either fails.
  virtual bool open() = 0;
  virtual QString lastError() const = 0;

  virtual TXbColumnModel* notesModel() = 0;
  virtual TXbColumnModel* trashModel() = 0;

  // Sets the order and filter of a page and reads its rows again; the
  // search typed so far applies to the new page as well.
  virtual void showPage(ManagerPage page, int templateNumber = 0) = 0;
  // Reads both tables again (other windows may have changed them).
  virtual void refresh() = 0;
  // Shows only the notes of the current page that contain every word of
  // `query` in their caption or text; an empty query shows them all.
  virtual void setSearch(const QString& query) = 0;
  virtual QString search() const = 0;
  // Prepares the search of the current page a little (`budget` notes), so
  // that the first search finds the notes' text already read; true once
  // nothing is left to prepare.
  virtual bool prepareSearch(int budget) = 0;

  virtual std::optional<NoteRecord> note(int recNo) = 0;
  virtual std::optional<NoteRecord> trashedNote(int recNo) = 0;
  // Writes SHOWING of the note; the window is the controller's business.
  virtual StoreResult setShowing(int recNo, bool showing) = 0;
  // Copies the note into the trash and deletes it from the notes.
  virtual StoreResult sendToTrash(int recNo) = 0;
  // Copies the trashed note back as hidden and deletes it from the trash.
  virtual StoreResult restore(int trashRecNo) = 0;
  // Deletes every trashed note whose lock can be had; a locked one is
  // skipped and counted, never waited for. `between` runs between records.
  virtual EmptyTrashResult emptyTrash(const std::function<void()>& between) = 0;

  // The notes to export: these records, or every note when empty.
  virtual QList<ExportNote> notesForExport(const QList<int>& recNos) = 0;
};

}  // namespace qp
