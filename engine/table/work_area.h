#pragma once
// A WorkArea is one open table in one of the engine's numbered slots: the
// table file (DbfFile), the two images of the current record, the filter,
// the alias, the lock state and whatever the upper layers keep per table.
//
// The RecordBuffer (dbf.record) holds the current record as stored. The
// SwapBuffer holds the same record as typed values and is what clients read
// and change; Scatter fills it from the RecordBuffer, Gather the other way.
//
// SwapBuffer layout: byte 0 deleted flag (1 deleted, 0 live), then each field
// in descriptor order:
//
//   TYPE                     BYTES        CONTENT
//   C                        length + 1   length byte, then the characters
//   D                        length + 3   length byte, engine date text (8/10)
//   N, F with decimals > 0   8            IEEE double
//   N, F without decimals    4            int32
//   M                        4            int32 memo block number (0 = none)
//   L                        1            0 false, 1 true
//
// Integers and doubles are stored in host byte order, unaligned: read and
// write them with memcpy (see swap_values.h).
#include <cstdint>
#include <forward_list>
#include <memory>
#include <string>
#include <vector>

#include "engine/table/dbf_file.h"
#include "engine/table/hooks.h"

namespace xb {

enum class LockState : uint8_t { kNone, kAppendLocked, kRecordsLocked };

inline constexpr int kWorkAreaSlots = 35;
inline constexpr int kSelectableAreas = 33;

struct WorkArea {
  int number = 0;  // slot number, 1..35
  DbfFile dbf;     // file name, header, fields, RecordBuffer, counts, flags
  bool hide_deleted = false;

  // SwapBuffer: either owned (swap_owned) or the client's buffer.
  std::vector<uint8_t> swap_storage;
  uint8_t* swap = nullptr;
  uint16_t swap_size = 0;
  bool swap_owned = false;
  std::vector<uint16_t> swap_offsets;  // value offset of field i (0-based) in the SwapBuffer
  std::vector<uint8_t> swap_copy;      // SwapCopy, same size as the SwapBuffer

  std::unique_ptr<AreaExtension> filter;  // compiled through ParserHooks
  std::string alias;                      // upper case, <= 64 characters

  LockState lock_state = LockState::kNone;
  std::forward_list<int32_t> record_locks;  // RecordLockList, newest first
  uint16_t locked_count = 0;
  bool exclusive = false;
  bool reopened_by_reopen_table = false;

  // Per-table state of the upper layers.
  std::unique_ptr<AreaExtension> memo;
  std::unique_ptr<AreaExtension> index;
};

// The area in slot n (1..35), or nullptr when the slot is empty or n is out
// of range.
WorkArea* AreaAt(int n);
// The current area's WorkArea, or nullptr when no table is open there.
WorkArea* CurrentArea();
// The open area among 1..33 whose alias is `alias` (upper case), or nullptr.
WorkArea* FindAreaByAlias(const std::string& alias);

}  // namespace xb
