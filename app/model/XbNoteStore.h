#pragma once
// The notes store over the three tables of the program folder: notes.dbf,
// Trash.dbf and defaults.dbf. It is the only code that talks to the
// storage engine; the windows see it through NoteStore.
//
// Commands run on the GUI thread and may be reached again while one is
// running (a progress window or a lock wait lets timers and clicks run).
// Such a nested call gets StoreResult::Busy and touches nothing, so the
// current record never moves under a running command.
#include <memory>

#include "app/model/Clock.h"
#include "app/model/NoteStore.h"
#include "app/model/status.h"

namespace xb {
class TXbDbf;
}

namespace qp {

class XbNoteStore : public NoteStore {
 public:
  XbNoteStore(QString programFolder, const Clock& clock);
  ~XbNoteStore() override;

  QString programFolder() const override { return folder_; }
  QString lastError() const override { return last_error_; }
  void readRunStatus() override;
  const RunStatus& runStatus() const { return run_status_; }
  bool open(QStringList* failedPaths) override;
  bool isOpen() const override;
  QList<NoteRecord> showingNotes() override;
  std::optional<NoteRecord> readNote(int recNo) override;
  StoreResult setHandle(int recNo, int handle) override;
  NoteRecord newNoteFromTemplate(int number, int handle, QSize screen, StoreResult* result) override;
  StoreResult updateNote(const NoteRecord& note, Showing showing) override;
  StoreResult trashNote(const NoteRecord& note) override;
  QList<TemplateEntry> templates() override;
  std::optional<TemplateContent> readTemplate(int number) override;
  StoreResult updateTemplate(int number, const TemplateContent& content) override;
  StoreResult resetTemplate(int number) override;
  bool checkExpiredNotes(ExpiryCheck mode, const CheckCallbacks& callbacks) override;
  bool checkReminders(const CheckCallbacks& callbacks) override;
  void recordCleanStop() override;
  void closeNotesAndTemplates() override;
  void backupNotes(const Progress& progress) override;
  void compactTrash(const Progress& progress) override;
  void closeTrash() override;

  // The tables, for tests and for the manager of a later version.
  xb::TXbDbf& notes() { return *notes_; }
  xb::TXbDbf& trash() { return *trash_; }
  xb::TXbDbf& defaults() { return *defaults_; }

 private:
  class Guard;
  bool moveToNote(int recNo);
  bool moveToTemplate(int number);
  // Record numbers of the notes, in `tag` order from key "Y", for which
  // `matches` holds; the current tag is restored, also after an error.
  QList<int> notesMatching(const char* tag, const char* flagField, bool (*matches)(xb::TXbDbf&, const QDateTime&));
  bool hideExpiredNote(int recNo, ExpiryCheck mode, const CheckCallbacks& callbacks);
  bool fireReminder(int recNo, const CheckCallbacks& callbacks);
  StoreResult resultOf(int outcome);
  void noteEngineError(const QString& what);

  QString folder_;
  const Clock& clock_;
  RunStatus run_status_;
  std::unique_ptr<xb::TXbDbf> notes_;
  std::unique_ptr<xb::TXbDbf> trash_;
  std::unique_ptr<xb::TXbDbf> defaults_;
  QString last_error_;
  bool busy_ = false;
};

// One record of `table` (its current one) as a NoteRecord.
NoteRecord ReadNoteRecord(xb::TXbDbf& table);
// Puts the window's fields into the current record of `notes` (the fields a
// store writes), ready for RewriteWithLock.
void PutNoteFields(xb::TXbDbf& notes, const NoteRecord& note, Showing showing);

}  // namespace qp
