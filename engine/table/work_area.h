#pragma once
// A WorkArea is one open table in one of the engine's numbered slots: the
// table file (DbfFile), the two images of the current record, the filter,
// the alias, the lock state and whatever the upper layers keep per table.
//
// The work-area table has 35 slots numbered from 1. Select hands out 1..33
// and only those are checked for alias clashes; 34 and 35 are closed at
// engine shutdown only. One area is current (1 at start); every command acts
// on it.
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
//
// Invariants of an open area (checked by the tests, kept by every command):
//   (1) swap points at swap_size bytes: swap_storage when swap_owned, else
//       the client's buffer given to Use; swap_copy has the same size.
//   (2) swap_offsets[i] + width of field i <= swap_size for every field.
//   (3) lock_state is kRecordsLocked exactly when record_locks is not empty,
//       and locked_count is its length.
#include <cstdint>
#include <forward_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/table/dbf_file.h"
#include "engine/table/hooks.h"

namespace xb {

enum class LockState : uint8_t { kNone, kAppendLocked, kRecordsLocked };

inline constexpr int kWorkAreaSlots = 35;
inline constexpr int kSelectableAreas = 33;

// What Continue needs to repeat the last successful Locate on a field.
struct LocateMemory {
  int field = 0;  // 1-based; 0 = no Locate to continue
  std::string text;
  bool caseless = false;
  bool exact = false;
  bool contained = false;
};

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
  // The record count was taken from the file size while this area held the
  // append lock, so it still holds: nobody else may grow the file until the
  // lock goes. Saves the release a second look at the file size.
  bool count_taken_under_append_lock = false;
  std::forward_list<int32_t> record_locks;  // RecordLockList, newest first
  uint16_t locked_count = 0;
  bool exclusive = false;
  bool reopened_by_reopen_table = false;

  // Per-table state of the upper layers.
  std::unique_ptr<AreaExtension> memo;
  std::unique_ptr<AreaExtension> index;
  // The second file variable: the index layer keeps the table's index file
  // here (IndexFileOf); closed with the table.
  std::unique_ptr<platform::File> index_file;

  LocateMemory locate;
};

// The area in slot n (1..35), or nullptr when the slot is empty or n is out
// of range.
WorkArea* AreaAt(int n);
// The current area's WorkArea, or nullptr when no table is open there.
WorkArea* CurrentArea();
// The open area among 1..33 whose alias is `alias` (upper case), or nullptr.
WorkArea* FindAreaByAlias(const std::string& alias);
// The current area number (1 at start-up).
int SelectedArea();

// --- For the engine's command units -------------------------------------

// The current area, or nullptr after SetError(215, "No database in use [" +
// command + "]  WorkArea = " + n).
WorkArea* RequireArea(std::string_view command);
// Makes n current without any check. REQUIRES: 1 <= n <= 35.
void SetSelectedArea(int n);
// Puts an area into slot n (its number is set) / takes it out again.
// REQUIRES: 1 <= n <= 35, and the slot is empty for PutArea.
WorkArea& PutArea(int n, std::unique_ptr<WorkArea> area);
std::unique_ptr<WorkArea> TakeArea(int n);

// Recomputes the record count from the file size for a table that is not
// open exclusively, so that records appended by other programs become
// reachable. Exclusive tables, and a size that cannot be read, keep the
// count as it is.
void RefreshRecordCount(WorkArea& area);
// The same for any table, exclusive or not.
void RecountFromFileSize(WorkArea& area);

}  // namespace xb
