#pragma once
// Reading and writing one field of any record straight in the current
// table file, without moving the record pointer and without touching the
// current record's buffers. The bytes are the file's own: no code-page
// translation either way. Field 0 is the one-byte deletion flag.
//
// Peek takes no lock. Poke needs the record in the record lock list unless
// network mode is off or the table is open exclusively.
#include <cstdint>
#include <string>

#include "engine/table/status.h"

namespace xb {

struct WorkArea;

// The stored text of field `field_no` of record `rec_no`; empty when either
// number is out of range or the read fails (the failure is recorded with
// SetError, code 100 for a record cut short by the end of the file).
std::string Peek(int field_no, int32_t rec_no);
void Poke(const std::string& text, int field_no, int32_t rec_no);

// For Locate: the raw field text, or the read failure.
// REQUIRES: 0 <= field_no <= field count, 1 <= rec_no <= record count.
Result<std::string> PeekIn(WorkArea& area, int field_no, int32_t rec_no);

}  // namespace xb
