#include "engine/table/locking.h"

#include <chrono>
#include <iterator>

#include "engine/table/error_state.h"
#include "engine/table/switches.h"
#include "engine/table/work_area.h"
#include "platform/clock.h"
#include "platform/ui_hooks.h"

namespace xb {
namespace {

constexpr uint64_t kTableByte = 0;
constexpr uint64_t kAppendByte = 1;

// Lock release failures are left in the error state for the caller to read
// but never shown: a release that fails is not worth stopping the program.
void RecordQuietly(int code, std::string text) {
  const bool previous = SetReportErrors(false);
  SetError(code, std::move(text));
  SetReportErrors(previous);
}

bool TakesRealLocks(const WorkArea& area) {
  return Switches().network_mode && !area.exclusive && area.dbf.is_open();
}

// Waits `seconds` while keeping the user interface alive. Stops early when
// the tick count wraps around or the application is ending.
void Wait(int seconds) {
  const uint32_t start = platform::TickCount();
  const uint64_t span = static_cast<uint64_t>(seconds) * 1000;
  for (;;) {
    platform::Ui().ProcessMessages();
    if (platform::Ui().Terminating()) return;
    const uint32_t now = platform::TickCount();
    if (now < start || now - start >= span) return;
    platform::Sleep(std::chrono::milliseconds(1));
  }
}

int UnlockRecordRegion(WorkArea& area, int32_t n) {
  if (!TakesRealLocks(area)) return 0;
  return LockRegion(false, *area.dbf.file, RecordLockOffset(area, n), area.dbf.record_length);
}

void AfterRemoval(WorkArea& area) {
  if (--area.locked_count == 0 || area.record_locks.empty()) {
    area.locked_count = 0;
    area.lock_state = LockState::kNone;
  }
}

// Removes the node holding n; the node before it is found by walking.
void RemoveNode(WorkArea& area, int32_t n) {
  auto before = area.record_locks.before_begin();
  for (auto it = area.record_locks.begin(); it != area.record_locks.end(); ++it, ++before) {
    if (*it == n) {
      area.record_locks.erase_after(before);
      AfterRemoval(area);
      return;
    }
  }
}

bool ReleaseOne(WorkArea& area, int32_t n, const std::string& context) {
  const int rc = UnlockRecordRegion(area, n);
  RemoveNode(area, n);
  if (rc != 0) RecordQuietly(rc, context);
  return rc == 0;
}

bool UnlockRecIn(WorkArea& area, int32_t n) {
  ClearErrorCode();
  const std::string context = "[UnlockRec(" + std::to_string(n) + ")]";
  if (n == -3) {
    int last = 0;
    while (!area.record_locks.empty()) {
      const int32_t rec = area.record_locks.front();
      if (int rc = UnlockRecordRegion(area, rec); rc != 0) last = rc;
      area.record_locks.pop_front();
      AfterRemoval(area);
    }
    if (last != 0) RecordQuietly(last, context);
    return last == 0;
  }
  if ((n == -2 || n == -1) && !area.record_locks.empty()) {
    const int32_t rec = n == -2 ? area.record_locks.front()
                                : *std::next(area.record_locks.begin(),
                                             std::distance(area.record_locks.begin(),
                                                           area.record_locks.end()) - 1);
    return ReleaseOne(area, rec, context);
  }
  if (n > 0) {
    for (int32_t rec : area.record_locks)
      if (rec == n) return ReleaseOne(area, n, context);
    RecordQuietly(220, "Record not locked. " + context);
    return false;
  }
  RecordQuietly(220, context);
  return false;
}

// After a reopen in the shared mode the new open holds no locks yet; take
// back the ones the area still lists, and forget any another program got
// in the meantime.
void RetakeLocks(WorkArea& area) {
  // Between the old handle's close and the new lock another program could
  // have appended.
  area.count_taken_under_append_lock = false;
  if (!TakesRealLocks(area)) return;
  platform::File& file = *area.dbf.file;
  const uint64_t base = Switches().lock_base;
  if (area.lock_state == LockState::kAppendLocked &&
      LockRegion(true, file, base + kAppendByte, 1) != 0) {
    area.lock_state = LockState::kNone;
  }
  if (area.lock_state != LockState::kRecordsLocked) return;
  std::forward_list<int32_t> kept;
  uint16_t count = 0;
  for (int32_t rec : area.record_locks) {
    if (LockRegion(true, file, RecordLockOffset(area, rec), area.dbf.record_length) == 0) {
      kept.push_front(rec);
      ++count;
    }
  }
  kept.reverse();
  area.record_locks = std::move(kept);
  area.locked_count = count;
  if (count == 0) area.lock_state = LockState::kNone;
}

bool HeaderWritePending(const DbfFile& dbf) {
  return dbf.state == FileState::kAppended || dbf.state == FileState::kModified;
}

// REQUIRES: the append lock is held. A failed write is recorded without a
// report (the records themselves are stored) and dropped: the next writer
// brings the header up to date.
void WriteHeaderUnderAppendLock(WorkArea& area) {
  if (!HeaderWritePending(area.dbf)) return;
  if (!area.count_taken_under_append_lock) RecountFromFileSize(area);
  const bool previous = SetReportErrors(false);
  if (!WritePendingHeader(area.dbf, "Unlock")) area.dbf.state = FileState::kClean;
  SetReportErrors(previous);
}

}  // namespace

uint64_t RecordLockOffset(const WorkArea& area, int32_t n) {
  return Switches().lock_base + area.dbf.header_length +
         static_cast<uint64_t>(n - 1) * area.dbf.record_length;
}

int LockRegion(bool lock, platform::File& file, uint64_t offset, uint64_t length) {
  if (!Switches().network_mode) return 0;
  return lock ? file.Lock(offset, length) : file.Unlock(offset, length);
}

bool LockWithRetry(platform::File& file, uint64_t offset, uint64_t length) {
  const int retries = Switches().retry_count;
  for (int i = 0; i <= retries; ++i) {
    if (LockRegion(true, file, offset, length) == 0) return true;
    if (i < retries) Wait(Switches().retry_wait_seconds);
  }
  return false;
}

bool ALock() {
  WorkArea* area = RequireArea("ALock");
  if (area == nullptr) return false;
  if (area->lock_state == LockState::kAppendLocked) return true;
  if (area->lock_state != LockState::kNone) return false;
  if (TakesRealLocks(*area) &&
      !LockWithRetry(*area->dbf.file, Switches().lock_base + kAppendByte, 1)) {
    return false;
  }
  area->lock_state = LockState::kAppendLocked;
  area->count_taken_under_append_lock = false;
  return true;
}

bool RLock() {
  WorkArea* area = RequireArea("RLock");
  if (area == nullptr) return false;
  const int limit = Switches().record_lock_limit;
  if (limit != 0 && area->locked_count >= limit) {
    SetError(212, "Record lock limit exceeded [RLock]");
    return false;
  }
  const int32_t n = area->dbf.current_record;
  if (area->lock_state == LockState::kRecordsLocked) {
    for (int32_t rec : area->record_locks)
      if (rec == n) return true;
  }
  if (area->lock_state == LockState::kAppendLocked) return false;
  // Record 0 has no region of its own: it would reach back over the append
  // lock byte and block other programs' appends.
  if (n < 1) return false;
  if (TakesRealLocks(*area) &&
      !LockWithRetry(*area->dbf.file, RecordLockOffset(*area, n), area->dbf.record_length)) {
    return false;
  }
  area->record_locks.push_front(n);
  area->lock_state = LockState::kRecordsLocked;
  ++area->locked_count;
  return true;
}

bool IsLocked(int32_t n) {
  WorkArea* area = RequireArea("IsLocked");
  if (area == nullptr) return false;
  for (int32_t rec : area->record_locks)
    if (rec == n) return true;
  return false;
}

bool UnlockRec(int32_t n) {
  WorkArea* area = RequireArea("UnlockRec");
  return area != nullptr && UnlockRecIn(*area, n);
}

void UnlockArea(WorkArea& area) {
  ClearErrorCode();
  if (area.lock_state == LockState::kRecordsLocked) {
    (void)UnlockRecIn(area, -3);
  } else if (area.lock_state == LockState::kAppendLocked && TakesRealLocks(area)) {
    WriteHeaderUnderAppendLock(area);
    if (int rc = LockRegion(false, *area.dbf.file, Switches().lock_base + kAppendByte, 1); rc != 0)
      RecordQuietly(rc, "[Unlock]");
  }
  area.record_locks.clear();
  area.locked_count = 0;
  area.lock_state = LockState::kNone;
  area.count_taken_under_append_lock = false;
}

void SettleSharedHeader(WorkArea& area) {
  if (!TakesRealLocks(area) || !HeaderWritePending(area.dbf)) return;
  if (area.lock_state == LockState::kAppendLocked) {
    WriteHeaderUnderAppendLock(area);
    return;
  }
  platform::File& file = *area.dbf.file;
  const uint64_t append_byte = Switches().lock_base + kAppendByte;
  if (LockRegion(true, file, append_byte, 1) != 0) {
    area.dbf.state = FileState::kClean;
    return;
  }
  WriteHeaderUnderAppendLock(area);
  (void)LockRegion(false, file, append_byte, 1);
}

void Unlock() {
  if (WorkArea* area = RequireArea("Unlock")) UnlockArea(*area);
}

bool LockTableByte() {
  WorkArea* area = RequireArea("LockTableByte");
  if (area == nullptr) return false;
  if (!Switches().network_mode) return true;
  if (!area->dbf.is_open()) return false;
  return LockWithRetry(*area->dbf.file, Switches().lock_base + kTableByte, 1);
}

void UnlockTableByte() {
  WorkArea* area = RequireArea("UnlockTableByte");
  if (area == nullptr || !area->dbf.is_open()) return;
  if (int rc = LockRegion(false, *area->dbf.file, Switches().lock_base + kTableByte, 1); rc != 0) {
    SetError(rc, "Error attempting to UNLOCK file " + area->dbf.file_name + " in Workarea " +
                     std::to_string(area->number));
  }
}

int ReopenTable(bool exclusive) {
  WorkArea* area = RequireArea("ReopenTable");
  if (area == nullptr) return 215;
  if (area->exclusive && !area->reopened_by_reopen_table) return 5;
  const int mode = exclusive ? Switches().exclusive_open_mode : Switches().shared_open_mode;
  const int previous_mode = area->dbf.file_mode;
  // The exclusive open would conflict with our own handle, so it must go
  // first; this also drops its locks, which RetakeLocks restores.
  area->dbf.file.reset();
  std::unique_ptr<platform::File> file;
  const int rc = platform::Files().Open(area->dbf.file_name, mode, file);
  if (rc != 0) {
    // Keep the area usable in the mode it had, if the file still lets us.
    if (platform::Files().Open(area->dbf.file_name, previous_mode, file) == 0) {
      area->dbf.file = std::move(file);
      RetakeLocks(*area);
    }
    return rc;
  }
  area->dbf.file = std::move(file);
  area->dbf.file_mode = mode;
  area->reopened_by_reopen_table = true;
  area->exclusive = exclusive;
  RetakeLocks(*area);
  return 0;
}

}  // namespace xb
