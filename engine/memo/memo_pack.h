#pragma once
// Packing a memo file along with its table: every memo a kept record still
// refers to is copied, in record and field order, into a fresh file of the
// same kind and block size beside the old one, and the record image Pack is
// writing gets the new block numbers. Blocks no record refers to are gone
// afterwards. Pack (engine/table/pack.h) switches the new file in by a
// rename, together with the table that refers to it; this unit never
// writes to the table or to the old memo file.
//
// A memo that cannot be read (block or length outside the file, a dBASE IV
// block without memo header, a damaged memo header) does not stop the copy,
// so that Finish can name every record concerned; Finish then refuses
// with 1003 and the Pack changes nothing.
#include <cstdint>
#include <memory>
#include <string>

#include "engine/memo/memo_file.h"
#include "engine/table/hooks.h"
#include "engine/table/status.h"

namespace xb {

struct WorkArea;

// REQUIRES: `area` is open exclusively. nullptr (no error) when the area
// has no memo file open.
Result<std::unique_ptr<MemoRepacker>> StartMemoRepack(WorkArea& area, const std::string& side_name);

// Copies the memo at `block` of `from` to the end of `to`, converting
// between kinds; the new block (negative for a dBASE III memo that needs a
// header). Fails with 1003 when the source memo cannot be read, 1005 when
// the copy cannot be written.
Result<int32_t> CopyMemo(MemoFile& from, int32_t block, MemoFile& to);

}  // namespace xb
