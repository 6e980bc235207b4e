#pragma once
// Scatter and Gather: the conversions between a work area's RecordBuffer
// (the record as stored, Part of DbfFile) and its SwapBuffer (typed values,
// layout in work_area.h).
//
// Promises:
//   (1) Gather(Scatter(r)) == r for every record whose fields hold what the
//       engine itself writes (left-aligned text, right-aligned numbers with
//       the field's decimals, "YYYYMMDD" or blank dates, "T"/"F", block
//       numbers). Dates go through DbfToDateText and DateTextToDbf
//       (dates.h).
//   (2) Neither reads or writes outside the two buffers, whatever the
//       SwapBuffer holds (a length byte larger than the field is cut).
//   (3) Numbers are stored with "." as the decimal point whatever the
//       engine's decimal separator (FormatFloat would use the latter), so
//       that the file reads the same on every machine and other dBASE
//       programs can parse it; a number too wide for its field becomes a
//       row of "*" rather than spilling into the next field.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/table/dbf_file.h"

namespace xb {

struct WorkArea;

// Bytes a field's value takes in the SwapBuffer (0 for unknown types).
int SwapWidth(const FieldDesc& field);
// Offsets of every field's value and the total SwapBuffer size (1 + widths).
struct SwapLayout {
  std::vector<uint16_t> offsets;
  uint32_t size = 1;
};
SwapLayout ComputeSwapLayout(const std::vector<FieldDesc>& fields);

// REQUIRES: the area is open and its SwapBuffer is allocated.
void Scatter(WorkArea& area);
void Gather(WorkArea& area);
// Fills the RecordBuffer with spaces and scatters it: blank texts and dates,
// zero numbers, false, block 0, record live.
void BlankRecord(WorkArea& area);

// Numbers as stored: right-aligned in `width` with `decimals` decimals and
// "." as the decimal point; a number that does not fit is a row of "*".
std::string StoredNumber(double value, int width, int decimals);
std::string StoredInteger(int64_t value, int width);

}  // namespace xb
