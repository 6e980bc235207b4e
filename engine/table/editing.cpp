#include "engine/table/editing.h"

#include <algorithm>
#include <vector>

#include "engine/table/dbf_format.h"
#include "engine/table/error_state.h"
#include "engine/table/hooks.h"
#include "engine/table/scatter_gather.h"
#include "engine/table/switches.h"
#include "engine/table/work_area.h"

namespace xb {
namespace {

// Tidying up after a failed write: the failure was reported already and
// stays the error the caller sees; what goes wrong while tidying up is not
// the news.
class ErrorKept {
 public:
  ErrorKept() : code_(ErrorCode()), text_(ErrorText()), reporting_(SetReportErrors(false)) {}
  ~ErrorKept() {
    if (code_ != 0) SetError(code_, text_);
    SetReportErrors(reporting_);
  }
  ErrorKept(const ErrorKept&) = delete;
  ErrorKept& operator=(const ErrorKept&) = delete;

 private:
  int code_;
  std::string text_;
  bool reporting_;
};

IndexHooks* ActiveIndex(WorkArea& area) {
  IndexHooks* hooks = InstalledIndexHooks();
  return hooks != nullptr && hooks->IndexActive(area) ? hooks : nullptr;
}

// Takes the index layer's writer lock. After a refusal the nesting is
// balanced again and the caller must not write: a record the tags never
// hear of would be missing from them for good.
bool BeginUpdate(IndexHooks& ix, WorkArea& area) {
  ClearErrorCode();
  if (ix.IndexSetUpdating(area, true)) return true;
  (void)ix.IndexSetUpdating(area, false);  // the refusal is the error to report
  return false;
}

// Releases the writer lock. The release also tells other processes that the
// tags changed, so its failure fails the write; after an earlier failure
// that first error is the one the caller sees.
bool EndUpdate(IndexHooks& ix, WorkArea& area, bool ok) {
  if (ok) return ix.IndexSetUpdating(area, false);
  ErrorKept kept;
  (void)ix.IndexSetUpdating(area, false);
  return false;
}

bool InLockList(const WorkArea& area, int32_t n) {
  return std::find(area.record_locks.begin(), area.record_locks.end(), n) !=
         area.record_locks.end();
}

// Writes the deletion flag of the current record; on failure the buffers
// go back to what the file still holds.
bool WriteFlag(WorkArea& area, bool deleted) {
  DbfFile& dbf = area.dbf;
  const uint8_t old_swap = area.swap[0];
  const uint8_t old_flag = dbf.record[0];
  area.swap[0] = deleted ? 1 : 0;
  dbf.record[0] = deleted ? '*' : ' ';
  if (WriteDeleteFlag(dbf, dbf.current_record)) return true;
  area.swap[0] = old_swap;
  dbf.record[0] = old_flag;
  return false;
}

// With an index open the flag change goes through key maintenance like a
// replace: a tag whose FOR condition names DELETED() gains or loses the
// record. The old keys are taken from the record as stored, and the
// caller's unsaved edits in the SwapBuffer are kept.
bool SetDeletionFlag(WorkArea& area, bool deleted) {
  IndexHooks* ix = ActiveIndex(area);
  if (ix == nullptr) return WriteFlag(area, deleted);
  if (!BeginUpdate(*ix, area)) return false;
  std::vector<uint8_t> edits(area.swap, area.swap + area.swap_size);
  auto keep_edits = [&] {
    edits[0] = area.swap[0];
    std::copy(edits.begin(), edits.end(), area.swap);
  };
  if (!GetDbfRecord(area.dbf, area.dbf.current_record)) {
    std::copy(edits.begin(), edits.end(), area.swap);
    return EndUpdate(*ix, area, false);
  }
  Scatter(area);
  if (!ix->IndexBeforeReplace(area)) {
    std::copy(edits.begin(), edits.end(), area.swap);
    return EndUpdate(*ix, area, false);
  }
  const bool was_deleted = area.dbf.record[0] == '*';
  bool ok = WriteFlag(area, deleted);
  if (ok) ok = ix->IndexAfterReplace(area);
  if (!ok && area.dbf.record[0] != (was_deleted ? '*' : ' ')) {
    // The tags were put back; so is the flag.
    ErrorKept kept;
    (void)WriteFlag(area, was_deleted);
  }
  keep_edits();
  return EndUpdate(*ix, area, ok);
}

// What an append changes in the area, to put back when it fails.
struct AppendUndo {
  int32_t count = 0;
  int32_t current = 0;
  bool eof = true;
  bool bof = true;
};

AppendUndo NoteBeforeAppend(const DbfFile& dbf) {
  return {dbf.record_count, dbf.current_record, dbf.eof, dbf.bof};
}

// Cuts the file back to the records it had and puts the end-of-file byte
// back, keeping the error that made the append fail. The header on disk
// still holds the old count (it is only written after the append), so the
// file is as before once the end-of-file byte is there; should that write
// fail too, the area stays marked appended and the next header write puts
// header and end-of-file byte right.
void TakeBackAppend(WorkArea& area, const AppendUndo& undo) {
  DbfFile& dbf = area.dbf;
  ErrorKept kept;
  const uint64_t end = RecordPosition(dbf, undo.count + 1);
  uint64_t size = 0;
  if (dbf.file->Size(size) == 0 && size > end) {
    const uint8_t eof = dbf::kEofByte;
    // The byte is written over, never after the end: on a full disk only
    // a write that needs new space is refused.
    if (dbf.file->Truncate(end + 1) == 0 && dbf.file->WriteAt(end, {&eof, 1}) != 0)
      dbf.state = FileState::kAppended;
  }
  dbf.record_count = undo.count;
  dbf.eof_written_after = -1;
  dbf.current_record = undo.current;
  dbf.eof = undo.eof;
  dbf.bof = undo.bof;
  // The buffers keep what the caller filled in, as after any failed write.
}

// After the index layer refused a replace (and put its tags back), the
// record goes back to what it was, keeping the error that made it fail.
// The SwapBuffer keeps the caller's edits, as after any failed write.
void PutBackRecord(WorkArea& area, const std::vector<uint8_t>& stored) {
  DbfFile& dbf = area.dbf;
  ErrorKept kept;
  const std::vector<uint8_t> edits = dbf.record;
  dbf.record = stored;
  if (!PutDbfRecord(dbf, dbf.current_record)) dbf.record = edits;
}

}  // namespace

void ClearRecord() {
  if (WorkArea* area = RequireArea("ClearRecord")) BlankRecord(*area);
}

bool Append() {
  WorkArea* area = RequireArea("Append");
  if (area == nullptr) return false;
  ClearErrorCode();
  DbfFile& dbf = area->dbf;
  if (Switches().network_mode && !area->exclusive &&
      area->lock_state != LockState::kAppendLocked) {
    SetError(5, "File must be locked to append: " + dbf.file_name + " [APPEND]");
    return false;
  }
  RefreshRecordCount(*area);
  Gather(*area);
  IndexHooks* ix = ActiveIndex(*area);
  if (ix != nullptr && !BeginUpdate(*ix, *area)) return false;
  const AppendUndo undo = NoteBeforeAppend(dbf);
  bool ok = AppendDbfRecord(dbf);
  if (ok) {
    Scatter(*area);
    dbf.eof = dbf.bof = false;
    // The index layer takes back the keys it added when a tag fails, so
    // the record goes too: a record that some tags lack would be missing
    // from them for good.
    if (ix != nullptr) ok = ix->IndexAddKeys(*area);
  }
  // A failed record write may have left part of the record on disk.
  if (!ok) TakeBackAppend(*area, undo);
  return ix == nullptr ? ok : EndUpdate(*ix, *area, ok);
}

bool Replace() {
  WorkArea* area = RequireArea("Replace");
  if (area == nullptr) return false;
  DbfFile& dbf = area->dbf;
  const int32_t n = dbf.current_record;
  const std::string quoted = "Database \"" + dbf.file_name + "\"";
  if (n < 1) {
    SetError(212, quoted + " is empty." + " [REPLACE]");
    return false;
  }
  if (n > dbf.record_count) {
    SetError(212, quoted + " is at EOF." + " [REPLACE]");
    return false;
  }
  if (!area->exclusive && !InLockList(*area, n)) {
    SetError(1200, "Record #" + std::to_string(n) + " in " + dbf.file_name + " [REPLACE]");
    return false;
  }
  IndexHooks* ix = ActiveIndex(*area);
  if (ix != nullptr) {
    if (area->swap_copy.size() != area->swap_size) {
      SetError(254, dbf.file_name + " " + "Swap-buffer NIL." + " [REPLACE]");
      return false;
    }
    if (!BeginUpdate(*ix, *area)) return false;
    // The index layer removes the keys of the record as it is on disk now
    // (another program may have changed it), then adds the new ones.
    std::copy_n(area->swap, area->swap_size, area->swap_copy.begin());
    if (!GetDbfRecord(dbf, n)) {
      std::copy_n(area->swap_copy.begin(), area->swap_size, area->swap);
      return EndUpdate(*ix, *area, false);
    }
    Scatter(*area);
    const bool noted = ix->IndexBeforeReplace(*area);
    std::copy_n(area->swap_copy.begin(), area->swap_size, area->swap);
    if (!noted) return EndUpdate(*ix, *area, false);
  }
  // The record as stored, to write back when its keys cannot follow it.
  const std::vector<uint8_t> stored = dbf.record;
  Gather(*area);
  bool ok = PutDbfRecord(dbf, n);
  if (ok) {
    Scatter(*area);
    dbf.eof = dbf.bof = false;
    if (ix != nullptr) ok = ix->IndexAfterReplace(*area);
    if (!ok) PutBackRecord(*area, stored);
  }
  return ix == nullptr ? ok : EndUpdate(*ix, *area, ok);
}

bool DeleteRec() {
  WorkArea* area = RequireArea("DeleteRec");
  if (area == nullptr) return false;
  DbfFile& dbf = area->dbf;
  if (!area->exclusive && !InLockList(*area, dbf.current_record)) {
    SetError(1200, dbf.file_name + " " + "Record not locked " + "[DeleteRec]");
    return false;
  }
  if (dbf.current_record < 1 || dbf.current_record > dbf.record_count) return false;
  return SetDeletionFlag(*area, true);
}

bool RecallRec() {
  WorkArea* area = RequireArea("RecallRec");
  if (area == nullptr) return false;
  DbfFile& dbf = area->dbf;
  if (!area->exclusive && !InLockList(*area, dbf.current_record)) {
    SetError(1200, "Record not locked [RecallRec]");
    return false;
  }
  RefreshRecordCount(*area);
  if (dbf.current_record < 1 || dbf.current_record > dbf.record_count) {
    SetError(1103, dbf.file_name + " at EOF [RecallRec]");
    return false;
  }
  return SetDeletionFlag(*area, false);
}

bool Deleted() {
  WorkArea* area = RequireArea("Deleted");
  return area != nullptr && area->swap[0] != 0;
}

}  // namespace xb
