#pragma once
// Packing a memo file after its table was packed: every memo a record
// still refers to is copied, in record and field order, into a fresh file
// of the same kind and block size, and the records are given the new block
// numbers. Blocks no record refers to are gone afterwards.
//
// Order of the steps, so that a failure leaves a usable table:
//   (1) all memos are copied into "<memo>.$$$"; a failure here deletes that
//       file and leaves the table and its memo file untouched;
//   (2) the new file is flushed and closed, then the new block numbers are
//       written into the records;
//   (3) the old memo file is replaced by the new one and reopened;
//   (4) the current record's memo numbers (RecordBuffer and SwapBuffer) are
//       refreshed, so the next Replace does not write stale ones.
// A memo that cannot be read (block or length outside the file, a dBASE IV
// block without memo header) is dropped: its field becomes 0 and code 1003
// is recorded, but the pack goes on.
#include <cstdint>

#include "engine/memo/memo_file.h"
#include "engine/table/status.h"

namespace xb {

struct WorkArea;

// REQUIRES: `area` is open exclusively and its records are compacted.
bool PackMemofile(WorkArea& area);

// Copies the memo at `block` of `from` to the end of `to`, converting
// between kinds; the new block (negative for a dBASE III memo that needs a
// header). Fails with 1003 when the source memo cannot be read.
Result<int32_t> CopyMemo(MemoFile& from, int32_t block, MemoFile& to);

}  // namespace xb
