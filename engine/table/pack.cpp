#include "engine/table/pack.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "engine/table/dbf_format.h"
#include "engine/table/error_state.h"
#include "engine/table/files.h"
#include "engine/table/hooks.h"
#include "engine/table/locking.h"
#include "engine/table/pack_journal.h"
#include "engine/table/scatter_gather.h"
#include "engine/table/status.h"
#include "engine/table/use.h"
#include "engine/table/work_area.h"
#include "platform/clock.h"

namespace xb {
namespace {

// Records are read and written in pieces of about this size, so the copy
// is a few large sequential transfers rather than one call per record.
constexpr size_t kChunkBytes = 64 * 1024;

// Deletes the side files of a Pack that did not reach its commit point.
class SideFiles {
 public:
  explicit SideFiles(std::string table) : table_(std::move(table)) { RemovePackSideFiles(table_); }
  ~SideFiles() {
    if (!committed_) RemovePackSideFiles(table_);
  }
  SideFiles(const SideFiles&) = delete;
  SideFiles& operator=(const SideFiles&) = delete;
  void Commit() { committed_ = true; }

 private:
  std::string table_;
  bool committed_ = false;
};

// The old header with the kept count and today's date.
Result<std::vector<uint8_t>> PackedHeader(DbfFile& dbf, int32_t kept) {
  std::vector<uint8_t> header(dbf.header_length);
  size_t got = 0;
  if (const int rc = dbf.file->ReadAt(0, header, got); rc != 0 || got != header.size())
    return Status(rc != 0 ? rc : 100, "File:  " + dbf.file_name + "  [Pack]");
  const platform::CivilDate today = platform::Today();
  uint8_t* h = header.data();
  if (dbf.is_dbase2()) {
    dbf::Put16(h + 1, static_cast<uint32_t>(kept));
    h[3] = static_cast<uint8_t>(today.month);
    h[4] = static_cast<uint8_t>(today.day);
    h[5] = static_cast<uint8_t>(today.year - 1900);
  } else {
    h[1] = static_cast<uint8_t>(today.year - 1900);
    h[2] = static_cast<uint8_t>(today.month);
    h[3] = static_cast<uint8_t>(today.day);
    dbf::Put32(h + 4, static_cast<uint32_t>(kept));
  }
  return header;
}

int32_t CountLive(const std::vector<uint8_t>& chunk, size_t records, size_t length) {
  int32_t live = 0;
  for (size_t j = 0; j < records; ++j) live += chunk[j * length] != dbf::kDeletedFlag;
  return live;
}

// Step (1): the live records into the side table, their memos into the
// side memo file. Returns the kept count.
Result<int32_t> WritePackedTable(WorkArea& area, MemoRepacker* memos, const std::string& side) {
  DbfFile& dbf = area.dbf;
  const std::string fail_context = "Error packing " + dbf.file_name;
  std::unique_ptr<platform::File> out;
  if (const int rc = platform::Files().Create(side, platform::open_mode::kExclusive, out); rc != 0)
    return Status(rc, fail_context + " [Pack]");

  const size_t length = dbf.record_length;
  const size_t per_chunk = std::max<size_t>(1, kChunkBytes / length);
  std::vector<uint8_t> chunk(per_chunk * length);
  std::vector<uint8_t> packed;
  packed.reserve(chunk.size());
  uint64_t write_at = dbf.header_length;
  int32_t kept = 0;
  for (int32_t first = 1; first <= dbf.record_count; first += static_cast<int32_t>(per_chunk)) {
    const size_t n = std::min<size_t>(per_chunk, static_cast<size_t>(dbf.record_count - first + 1));
    std::span<uint8_t> want(chunk.data(), n * length);
    size_t got = 0;
    if (const int rc = dbf.file->ReadAt(RecordPosition(dbf, first), want, got); rc != 0 || got != want.size())
      return Status(rc != 0 ? rc : 100, "File:  " + dbf.file_name + "  [Pack]");
    packed.clear();
    for (size_t j = 0; j < n; ++j) {
      std::span<uint8_t> image(chunk.data() + j * length, length);
      if (image[0] == dbf::kDeletedFlag) continue;
      if (memos != nullptr) {
        if (Status s = memos->CopyMemos(image, first + static_cast<int32_t>(j)); !s.ok()) return s;
      }
      packed.insert(packed.end(), image.begin(), image.end());
    }
    kept += CountLive(chunk, n, length);
    if (!packed.empty()) {
      if (const int rc = out->WriteAt(write_at, packed); rc != 0) return Status(rc, fail_context);
      write_at += packed.size();
    }
  }
  Result<std::vector<uint8_t>> header = PackedHeader(dbf, kept);
  if (!header.ok()) return header.status();
  const uint8_t eof = dbf::kEofByte;
  int rc = out->WriteAt(write_at, {&eof, 1});
  if (rc == 0) rc = out->WriteAt(0, *header);
  if (rc == 0) rc = out->Flush();
  if (rc != 0) return Status(rc, fail_context);
  return kept;
}

struct PackPlan {
  int32_t kept = 0;
  std::vector<FileSwitch> switches;  // memo and index first, the table last
  IndexHooks::OpenIndex index;
};

// Steps (1) to (3). Nothing of the table, memo or index has changed when
// this fails.
Result<PackPlan> BuildSideFiles(WorkArea& area, SideFiles& sides) {
  const std::string& table = area.dbf.file_name;
  PackPlan plan;
  std::unique_ptr<MemoRepacker> memos;
  MemoHooks* memo_hooks = InstalledMemoHooks();
  if (area.dbf.has_memo && memo_hooks != nullptr) {
    Result<std::unique_ptr<MemoRepacker>> started =
        memo_hooks->StartMemoPack(area, PackSideName(table, "memo"));
    if (!started.ok()) return started.status();
    memos = std::move(*started);
  }
  Result<int32_t> kept = WritePackedTable(area, memos.get(), PackSideName(table, "table"));
  if (!kept.ok()) return kept.status();
  plan.kept = *kept;
  if (memos != nullptr) {
    if (Status s = memos->Finish(); !s.ok()) return s;
    plan.switches.push_back({memos->side_name(), memos->target_name()});
  }
  if (IndexHooks* ix = InstalledIndexHooks(); ix != nullptr) {
    plan.index = ix->IndexOpenState(area);
    if (!plan.index.file.empty()) {
      const std::string side = PackSideName(table, "index");
      if (!ix->IndexBuildPacked(area, side)) return Status(ErrorCode(), ErrorText());
      plan.switches.push_back({side, plan.index.file});
    }
  }
  plan.switches.push_back({PackSideName(table, "table"), table});
  if (Status s = WritePackJournal(table, plan.switches); !s.ok()) return s;
  sides.Commit();
  return plan;
}

// Step (4): the switch, then the area is pointed at the new files.
Status SwitchFiles(WorkArea& area, const PackPlan& plan) {
  DbfFile& dbf = area.dbf;
  if (dbf.has_memo) {
    // The old memo file is about to be replaced: nothing pending in it
    // matters any more.
    if (MemoHooks* memo = InstalledMemoHooks()) (void)memo->CloseMemo(area);
  }
  if (IndexHooks* ix = InstalledIndexHooks()) ix->IndexClose(area);
  if (Status s = ApplyPackJournal(dbf.file_name); !s.ok()) return s;
  dbf.file.reset();
  if (const int rc = platform::Files().Open(dbf.file_name, dbf.file_mode, dbf.file); rc != 0)
    return Status(rc, "Cannot open " + dbf.file_name + " [Pack]");
  dbf.record_count = plan.kept;
  dbf.eof_written_after = -1;
  dbf.state = FileState::kClean;
  Result<std::vector<uint8_t>> header = PackedHeader(dbf, plan.kept);
  if (!header.ok()) return header.status();
  std::copy_n(header->begin(), std::min(header->size(), dbf.header.size()), dbf.header.begin());
  const platform::CivilDate today = platform::Today();
  dbf.last_update = dbf::DateText(today.year, today.month, today.day);
  // Record numbers have changed, so the old record locks name other records.
  area.record_locks.clear();
  area.locked_count = 0;
  if (area.lock_state == LockState::kRecordsLocked) area.lock_state = LockState::kNone;
  if (dbf.has_memo) {
    if (MemoHooks* memo = InstalledMemoHooks(); memo != nullptr && !memo->OpenMemo(area, NameWithoutExt(dbf.file_name)))
      return Status(ErrorCode(), ErrorText());
  }
  if (!plan.index.file.empty()) {
    if (IndexHooks* ix = InstalledIndexHooks(); ix != nullptr && !ix->IndexReopen(area, plan.index))
      return Status(ErrorCode(), ErrorText());
  }
  return Status::OK();
}

// false when any step failed (already recorded). Sets `area_lost` when
// the switch failed after the commit point: the area no longer matches the
// files and is closed; the next open finishes the Pack.
bool PackFiles(WorkArea& area, bool& area_lost) {
  DbfFile& dbf = area.dbf;
  // An earlier Pack committed but not finished (its table was held open by
  // another program when the next open came): this area may be looking at
  // a mix of old and new files, and starting over would throw its result
  // away. The next open finishes it.
  if (HasCommittedPack(dbf.file_name))
    return Fail(Status(1, "An earlier pack of " + dbf.file_name +
                              " is not finished; it is finished when the table is opened again [Pack]"));
  Result<PackPlan> plan = [&]() -> Result<PackPlan> {
    SideFiles sides(dbf.file_name);
    return BuildSideFiles(area, sides);
  }();
  if (!plan.ok()) return Fail(plan.status());
  if (Status s = SwitchFiles(area, *plan); !s.ok()) {
    area_lost = true;
    return Fail(Status(s.code(), s.text() + "; the pack of " + dbf.file_name +
                                     " is finished when the table is opened again"));
  }
  if (plan->kept < 1) {
    BlankRecord(area);
    dbf.bof = dbf.eof = true;
    dbf.current_record = 0;
  } else {
    if (!GetDbfRecord(dbf, 1)) return false;
    Scatter(area);
  }
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
  // Records other programs appended belong to the table too: a count
  // behind the file would lose them.
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
  bool area_lost = false;
  bool ok = PackFiles(*area, area_lost);
  if (area_lost) {
    const int code = ErrorCode();
    const std::string text = ErrorText();
    CloseArea();
    SetError(code, text);
    return false;
  }
  if (reopened && !ReopenShared(*area)) ok = false;
  return ok;
}

}  // namespace xb
