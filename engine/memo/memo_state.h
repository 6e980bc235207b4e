#pragma once
// The memo state of one open table: its memo file and the blob descriptor,
// kept in the work area's memo slot from the table's open to its close.
// RequireMemo is the check every memo command makes first; FailMemo is the
// boundary that releases the memo lock before an error is recorded, so no
// failed command leaves the lock byte held.
#include <memory>
#include <string>

#include "engine/memo/memo_blob.h"
#include "engine/memo/memo_file.h"
#include "engine/table/hooks.h"
#include "engine/table/status.h"
#include "engine/table/work_area.h"

namespace xb {

struct MemoState : AreaExtension {
  std::unique_ptr<MemoFile> file;
  BlobDescriptor blob;
};

// The area's memo state, or nullptr when it has no memo file open.
MemoState* MemoStateOf(WorkArea& area);

struct MemoTarget {
  WorkArea* area = nullptr;
  MemoState* memo = nullptr;
};

// The current area and its memo state: 215 with no table selected, 1019
// for a table without memo file. Also decides whether the lock byte is
// really taken (network mode on and the table shared).
Result<MemoTarget> RequireMemo(const std::string& operation);

// The share mode a table's memo file is opened with (see memo_hooks.h).
int MemoOpenMode(const WorkArea& area);

// Releases the memo lock of `memo` (when given) and records `status`.
template <typename T>
T FailMemo(MemoState* memo, const Status& status, T neutral) {
  if (memo != nullptr && memo->file != nullptr) (void)memo->file->Unlock();
  return Fail(status, neutral);
}

}  // namespace xb
