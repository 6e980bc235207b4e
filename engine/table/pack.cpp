#include "engine/table/pack.h"

#include <vector>

#include "engine/table/error_state.h"
#include "engine/table/hooks.h"
#include "engine/table/locking.h"
#include "engine/table/status.h"
#include "engine/table/scatter_gather.h"
#include "engine/table/work_area.h"

namespace xb {
namespace {

constexpr uint8_t kEofByte = 0x1A;

// Step 3: the copy loop. Returns the kept count, or the failure.
Result<int32_t> MoveLiveRecords(WorkArea& area) {
  DbfFile& dbf = area.dbf;
  platform::File& file = *dbf.file;
  std::vector<uint8_t> image(dbf.record_length);
  int32_t kept = 0;
  int32_t write_at = 0;  // 0 until the first deleted record is met
  for (int32_t i = 1; i <= dbf.record_count; ++i) {
    size_t read = 0;
    int rc = file.ReadAt(RecordPosition(dbf, i), image, read);
    if (rc == 0 && read < image.size()) rc = 213;
    if (rc != 0) return Status(rc, "File:  " + dbf.file_name + "  [Pack]");
    if (image[0] == '*') {
      if (write_at == 0) write_at = i;
      continue;
    }
    ++kept;
    if (write_at > 0) {
      if (int wrc = file.WriteAt(RecordPosition(dbf, write_at), image); wrc != 0)
        return Status(wrc, "File:  " + dbf.file_name + " [Pack]");
      ++write_at;
    }
  }
  return kept;
}

Status CutFile(WorkArea& area, int32_t kept) {
  DbfFile& dbf = area.dbf;
  // The end-of-file byte is written here, so the header write that follows
  // need not write it again.
  dbf.state = FileState::kModified;
  const uint64_t end = RecordPosition(dbf, kept + 1);
  int rc = dbf.file->Truncate(end);
  const uint8_t eof = kEofByte;
  if (rc == 0) rc = dbf.file->WriteAt(end, {&eof, 1});
  if (rc != 0) return Status(rc, "Error packing " + dbf.file_name);
  return Status::OK();
}

// Steps 3 to 8; false when any of them failed (already recorded).
bool PackRecords(WorkArea& area) {
  DbfFile& dbf = area.dbf;
  Result<int32_t> kept = MoveLiveRecords(area);
  if (!kept.ok()) return Fail(kept.status());
  if (Status s = CutFile(area, *kept); !s.ok()) return Fail(s);
  dbf.record_count = *kept;
  if (!UpdateHeader(dbf)) return false;
  if (*kept < 1) {
    BlankRecord(area);
    dbf.bof = dbf.eof = true;
    dbf.current_record = 0;
  } else {
    if (!GetDbfRecord(dbf, 1)) return false;
    Scatter(area);
  }
  if (dbf.has_memo) {
    if (MemoHooks* memo = InstalledMemoHooks(); memo != nullptr && !memo->PackMemo(area))
      return false;
  }
  IndexHooks* ix = InstalledIndexHooks();
  if (ix != nullptr && ix->IndexActive(area)) ix->IndexReindex(area);
  return true;
}

bool ReopenShared(WorkArea& area) {
  const int rc = ReopenTable(false);
  area.reopened_by_reopen_table = false;
  area.exclusive = false;
  if (rc != 0) {
    SetError(rc, "Cannot re-open database sharable. " + area.dbf.file_name + " [Pack]");
    return false;
  }
  return true;
}

}  // namespace

bool Pack() {
  WorkArea* area = RequireArea("Pack");
  if (area == nullptr) return false;
  ClearErrorCode();
  // Records other programs appended belong to the table too: cutting the
  // file after a stale count would lose them.
  RefreshRecordCount(*area);
  if (area->dbf.record_count == 0) return true;
  const bool reopened = !area->exclusive;
  if (reopened) {
    if (ReopenTable(true) != 0) {
      // ReopenTable went back to the shared mode where it could; a table
      // left without its file gets one more try, and a message if that fails.
      if (!area->dbf.is_open()) (void)ReopenShared(*area);
      return false;
    }
    RecountFromFileSize(*area);
  }
  bool ok = PackRecords(*area);
  if (reopened && !ReopenShared(*area)) ok = false;
  return ok;
}

}  // namespace xb
