// The store's reminder and expiry checks. Each check first lists the notes
// to act on through the ALARMACT or EXPIREACT tag, then acts on them one at
// a time. Windows run between two notes (they hide themselves, store their
// text, open alarms), so the store is never left busy, nor its current
// record moved, while they do; each note is found again and tested again
// before anything is written to it.
#include <QDateTime>

#include "app/model/NoteFuncs.h"
#include "app/model/ReminderRules.h"
#include "app/model/WriteProtocol.h"
#include "app/model/XbNoteStore.h"
#include "app/model/XbNoteStoreGuard.h"
#include "engine/dataset/uxbfds.h"
#include "engine/table/error_state.h"

namespace qp {

namespace {

// Restores the table's tag when a scan ends, however it ends.
class TagKeeper {
 public:
  explicit TagKeeper(xb::TXbDbf& table) : table_(table), tag_(table.CurrentTag()) {}
  ~TagKeeper() {
    try {
      table_.SetOrderToTag(tag_);
    } catch (const std::exception&) {
    }
  }

 private:
  xb::TXbDbf& table_;
  std::string tag_;
};

}  // namespace

QList<int> XbNoteStore::notesMatching(const char* tag, const char* flagField,
                                      bool (*matches)(xb::TXbDbf&, const QDateTime&)) {
  QList<int> found;
  TagKeeper keeper(*notes_);
  xb::ClearErrorCode();
  const QDateTime now = clock_.now();
  if (!notes_->SetOrderToTag(tag)) throw std::runtime_error(std::string("no index tag ") + tag);
  if (!notes_->Find("Y")) return found;
  while (!notes_->IsEOF() && notes_->GetField(flagField) == "Y") {
    if (!notes_->Deleted() && matches(*notes_, now)) found.append(notes_->RecNo());
    notes_->Skip(1);
  }
  if (xb::ErrorCode() != 0) throw std::runtime_error("engine");
  return found;
}

bool XbNoteStore::checkExpiredNotes(ExpiryCheck mode, const CheckCallbacks& callbacks) {
  QList<int> expired;
  {
    Guard guard(busy_);
    // A check that comes while another command waits is simply skipped:
    // the next one comes a minute later.
    if (!guard.entered() || !notes_->Active()) return true;
    try {
      expired = notesMatching("EXPIREACT", "EXPIRES", &IsNoteExpired);
    } catch (const std::exception&) {
      noteEngineError(QStringLiteral("The expired notes could not be checked"));
      return false;
    }
  }
  for (int recNo : expired) {
    if (!hideExpiredNote(recNo, mode, callbacks)) return false;
    if (callbacks.processEvents) callbacks.processEvents();
  }
  return true;
}

bool XbNoteStore::hideExpiredNote(int recNo, ExpiryCheck mode, const CheckCallbacks& callbacks) {
  bool showing = false;
  bool toTrash = false;
  int handle = 0;
  auto failed = [this] {
    DropPendingEdit(*notes_);
    noteEngineError(QStringLiteral("An expired note could not be hidden"));
    return false;
  };
  try {
    {
      Guard guard(busy_);
      if (!guard.entered() || !moveToNote(recNo) || !IsNoteExpired(*notes_, clock_.now())) return true;
      showing = notes_->GetField("SHOWING") == "Y";
      toTrash = notes_->GetField("EXPIRETRSH") == "Y";
      handle = notes_->GetFieldInt("HANDLE");
    }
    // From the timer the note's own window hides it, so its last edits are
    // stored with it. A note marked showing without a window here is
    // marked hidden directly, as at start-up.
    const bool windowHidIt = showing && mode == ExpiryCheck::Timer && callbacks.hideNoteWindow &&
                             callbacks.hideNoteWindow(handle);
    Guard guard(busy_);
    if (!guard.entered()) return true;
    if (showing && !windowHidIt && moveToNote(recNo)) {
      notes_->PutField("SHOWING", "N");
      // A refused lock leaves the note showing until the next check.
      if (RewriteWithLock(*notes_) == WriteOutcome::Failed) return failed();
    }
    if (toTrash && moveToNote(recNo)) {
      // When the trash is locked the note stays, hidden, and is tried again.
      if (MoveToTrash(*notes_, *trash_) == WriteOutcome::Failed) return failed();
    }
  } catch (const std::exception&) {
    return failed();
  }
  return true;
}

bool XbNoteStore::checkReminders(const CheckCallbacks& callbacks) {
  QList<int> due;
  {
    Guard guard(busy_);
    if (!guard.entered() || !notes_->Active()) return true;
    try {
      due = notesMatching("ALARMACT", "ALARMACT", &IsReminderDue);
    } catch (const std::exception&) {
      noteEngineError(QStringLiteral("The reminders could not be checked"));
      return false;
    }
  }
  for (int recNo : due) {
    if (!fireReminder(recNo, callbacks)) return false;
    if (callbacks.processEvents) callbacks.processEvents();
  }
  return true;
}

bool XbNoteStore::fireReminder(int recNo, const CheckCallbacks& callbacks) {
  NoteRecord note;
  bool recorded = true;
  try {
    Guard guard(busy_);
    if (!guard.entered() || !moveToNote(recNo)) return true;
    const QDateTime now = clock_.now();
    if (!IsReminderDue(*notes_, now)) return true;
    // The firing is recorded before the alarm opens; when the record
    // cannot be written the alarm still opens and the reminder stays due.
    notes_->PutFieldStr("DATEALMACT", DateToTableText(now.date()));
    notes_->PutField("TIMEALMACT", notes_->GetField("ALARMTIME"));
    if (RewriteWithLock(*notes_) == WriteOutcome::Failed) {
      noteEngineError(QStringLiteral("A reminder's firing could not be recorded"));
      DropPendingEdit(*notes_);
      recorded = false;
    }
    note = ReadNoteRecord(*notes_);
  } catch (const std::exception&) {
    DropPendingEdit(*notes_);
    noteEngineError(QStringLiteral("A reminder could not be read"));
    return false;
  }
  if (callbacks.openAlarm) callbacks.openAlarm(note);
  return recorded;
}

}  // namespace qp
