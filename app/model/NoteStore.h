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

namespace qp {

// Step text and progress (done of total) of a long operation.
using Progress = std::function<void(const QString& caption, const QString& step, int done, int total)>;

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

  // Shutdown steps, in this order.
  virtual void recordCleanStop() = 0;
  virtual void closeNotesAndTemplates() = 0;
  virtual void backupNotes(const Progress& progress) = 0;
  virtual void compactTrash(const Progress& progress) = 0;
  virtual void closeTrash() = 0;
};

}  // namespace qp
