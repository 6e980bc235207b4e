#pragma once
// Moving the record pointer of the current work area.
//
// A record is visible unless hide-deleted is on and it is deleted, or a
// filter is set and does not pass on it. GoTop, GoBottom and Skip step over
// invisible records; Go and Dbf4RawGo go where they are told. With an
// index order active (IndexHooks) every step follows the index.
//
// Position states after any move: on a record (1..count, BOF and EOF
// clear), at BOF (on the first visible record, BOF set), at EOF (current
// record = count + 1, EOF set, blank buffers), or empty (count 0, BOF and
// EOF set). The SwapBuffer mirrors the current record after every move.
#include <cstdint>
#include <string>

namespace xb {

struct WorkArea;

void GoTop();
void GoBottom();
void Go(int32_t n);
// Loads record n for the index layer, ignoring index and visibility.
void Dbf4RawGo(int32_t n);
void Skip(int32_t n = 1);
// Stores the hide-deleted flag and returns the previous one.
bool SetIgnoreDel(bool hide);
// Compiles `text` through the parser hooks as the area's filter; an empty
// text removes the filter. The record pointer does not move.
void Set_Filter_To(const std::string& text);
bool IsVisible();
bool FilterPasses();
// When the current record is no longer visible: release the area's locks
// and move to the next visible record (or the previous one at the end).
// True when it moved.
bool MoveOffHidden();
// Go(n) when 1 <= n <= RecCount(); whether it did.
bool GoIfValid(int32_t n);

// For the engine's command units (no table check).
bool IsVisibleIn(WorkArea& area);
void GoTopIn(WorkArea& area);
void GoBottomIn(WorkArea& area);
void SkipIn(WorkArea& area, int32_t n);
// Past the last record with blank buffers: current = count + 1, BOF and
// EOF both set.
void EndState(WorkArea& area);

}  // namespace xb
