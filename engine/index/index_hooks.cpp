#include "engine/index/index_hooks.h"

#include "engine/index/dead_writer_repair.h"
#include "engine/index/index_build.h"
#include "engine/index/index_open.h"
#include "engine/index/index_search.h"
#include "engine/index/index_update.h"
#include "engine/index/mdx_file.h"
#include "engine/index/semaphore.h"
#include "engine/table/error_state.h"
#include "engine/table/work_area.h"

namespace xb {
namespace {

// The open index of `area` when it has a controlling tag to follow.
MdxFile* Ordered(WorkArea& area) {
  MdxFile* mdx = MdxOf(area);
  if (mdx == nullptr || mdx->natural_order || mdx->controlling() == nullptr) return nullptr;
  return mdx;
}

// Navigation answers in natural order: record numbers, with the table's own
// flags set at the ends.
int32_t NaturalStep(WorkArea& area, int delta) {
  DbfFile& dbf = area.dbf;
  const int32_t n = dbf.current_record + delta;
  if (n < 1) {
    dbf.bof = true;
    return dbf.current_record;
  }
  if (n > dbf.record_count) {
    dbf.eof = true;
    return dbf.current_record;
  }
  return n;
}

// The table layer gets 0 when an index step fails; the error stays recorded.
template <typename F>
int32_t Guarded(F&& step) {
  try {
    return step();
  } catch (const EEngineError&) {
    return 0;
  }
}

}  // namespace

bool MdxIndexHooks::IndexActive(WorkArea& area) {
  MdxFile* mdx = MdxOf(area);
  return mdx != nullptr && mdx->controlling() != nullptr;
}

int32_t MdxIndexHooks::IndexFirst(WorkArea& area) {
  if (Ordered(area) == nullptr) return 1;
  return Guarded([&] { return FindFirstRecIn(area); });
}

int32_t MdxIndexHooks::IndexLast(WorkArea& area) {
  if (Ordered(area) == nullptr) return area.dbf.record_count > 0 ? area.dbf.record_count : 1;
  return Guarded([&] { return FindLastRecIn(area); });
}

int32_t MdxIndexHooks::IndexNext(WorkArea& area) {
  if (Ordered(area) == nullptr) return NaturalStep(area, 1);
  return Guarded([&] { return FindNextRecIn(area); });
}

int32_t MdxIndexHooks::IndexPrev(WorkArea& area) {
  if (Ordered(area) == nullptr) return NaturalStep(area, -1);
  return Guarded([&] { return FindPriorRecIn(area); });
}

bool MdxIndexHooks::IndexAtEOF(WorkArea& area) {
  MdxFile* mdx = Ordered(area);
  return mdx == nullptr ? area.dbf.eof : mdx->controlling()->eof;
}

bool MdxIndexHooks::IndexAtBOF(WorkArea& area) {
  MdxFile* mdx = Ordered(area);
  return mdx == nullptr ? area.dbf.bof : mdx->controlling()->bof;
}

void MdxIndexHooks::IndexSync(WorkArea& area) {
  MdxFile* mdx = Ordered(area);
  if (mdx == nullptr) return;
  try {
    if (Status s = SyncIndex(*mdx, false); !s.ok()) SetError(s.code(), s.text());
  } catch (const EEngineError&) {
  }
}

void MdxIndexHooks::IndexAfterMove(WorkArea& area) {
  if (MdxFile* mdx = Ordered(area)) RefreshCurrentKey(*mdx, *mdx->controlling());
}

void MdxIndexHooks::IndexOnBOF(WorkArea& area) {
  if (MdxFile* mdx = Ordered(area)) mdx->controlling()->bof = true;
}

void MdxIndexHooks::IndexOnEOF(WorkArea& area) {
  if (MdxFile* mdx = Ordered(area)) mdx->controlling()->eof = true;
}

void MdxIndexHooks::IndexSetMoving(WorkArea& area, bool on) { (void)SetReadSemaphoreProc(area, on); }

bool MdxIndexHooks::IndexSetUpdating(WorkArea& area, bool on) {
  if (!SetLockSemaphoreProc(area, on)) return false;
  if (!on || !DeadWriterRepairPending(area)) return true;
  // Taking the writer lock cleared the mark of a writer that died. The
  // rebuild replaces the index file, which needs the lock let go first;
  // the write then goes on under a new one.
  (void)SetLockSemaphoreProc(area, false);
  const bool repaired = RepairAfterDeadWriter(area);
  if (repaired) return SetLockSemaphoreProc(area, true);
  // The caller balances a refused lock with a release of its own.
  const int code = ErrorCode();
  const std::string text = ErrorText();
  const bool reporting = SetReportErrors(false);
  (void)SetLockSemaphoreProc(area, true);
  SetReportErrors(reporting);
  SetError(code, text);
  return false;
}

namespace {

// Key maintenance runs only under the writer lock: without it another
// process could be walking the nodes being split. The lock's own failure
// is recorded when it was refused; this covers a caller that went on.
bool RequireWriterLock(WorkArea& area, const char* operation) {
  if (HoldsWriterLock(area)) return true;
  if (ErrorCode() == 0)
    SetError(1202, "Index semaphore not held: " + area.dbf.file_name + " [" + operation + "]");
  return false;
}

// Runs one maintenance step; false with the error recorded when it fails.
template <typename F>
bool Maintained(F&& step) {
  try {
    if (Status s = step(); !s.ok()) {
      SetError(s.code(), s.text());
      return false;
    }
    return true;
  } catch (const EEngineError&) {
    return false;
  }
}

}  // namespace

bool MdxIndexHooks::IndexAddKeys(WorkArea& area) {
  MdxFile* mdx = MdxOf(area);
  if (mdx == nullptr) return true;
  if (!RequireWriterLock(area, "AppendNewKey")) return false;
  return Maintained([&] { return AppendNewKey(*mdx); });
}

bool MdxIndexHooks::IndexBeforeReplace(WorkArea& area) {
  MdxFile* mdx = MdxOf(area);
  if (mdx == nullptr) return true;
  if (!RequireWriterLock(area, "CompareKeys")) return false;
  return Maintained([&] {
    NoteOldKeys(*mdx);
    return Status::OK();
  });
}

bool MdxIndexHooks::IndexAfterReplace(WorkArea& area) {
  MdxFile* mdx = MdxOf(area);
  if (mdx == nullptr) return true;
  if (!RequireWriterLock(area, "CompareKeys")) return false;
  return Maintained([&] { return CompareKeys(*mdx); });
}

void MdxIndexHooks::IndexClose(WorkArea& area) { CloseIndexesIn(area); }

void MdxIndexHooks::IndexReindex(WorkArea& /*area*/) {
  try {
    (void)Reindex();
  } catch (const EEngineError&) {
  }
}

IndexHooks::OpenIndex MdxIndexHooks::IndexOpenState(WorkArea& area) {
  MdxFile* mdx = MdxOf(area);
  if (mdx == nullptr) return {};
  IndexTag* controlling = mdx->controlling();
  return {mdx->name(), controlling != nullptr ? CurrentTagName() : ""};
}

bool MdxIndexHooks::IndexBuildPacked(WorkArea& /*area*/, const std::string& side_name) {
  try {
    return BuildPackedIndex(side_name);
  } catch (const EEngineError&) {
    return false;
  }
}

bool MdxIndexHooks::IndexReopen(WorkArea& /*area*/, const OpenIndex& state) {
  try {
    if (!SetIndexTo(state.file)) return false;
    if (state.order.empty()) {
      Set_Order_To(0);
      return ErrorCode() == 0;
    }
    return SetOrderToTag(state.order);
  } catch (const EEngineError&) {
    return false;
  }
}

void IndexInit() {
  static MdxIndexHooks hooks;
  InstallIndexHooks(&hooks);
}

}  // namespace xb
