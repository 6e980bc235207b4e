#pragma once
// What the current table's fields are, where their values sit in the
// SwapBuffer, and the header facts the index and dataset layers ask for.
// Field numbers count from 1; a number outside the table's fields records
// code 220 "Invalid field number. [<Function>(<n>)]" and gives the neutral
// value.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/file.h"

namespace xb {

char FieldType(int n);  // ' ' on error
// D fields report 10 with the century flag on and 8 without.
int FieldLen(int n);
int FieldDec(int n);
// The value of field n in the SwapBuffer; n = 0 is the deleted flag.
uint8_t* FieldAddress(int n);
std::string Field(int n);
// The number of the field called `name` (trimmed, upper-cased, cut to 10
// characters), 0 when there is none.
int FieldNo(const std::string& name);
int FieldCount();

// Header byte 28: a production index file belongs to the table.
bool HasProductionIndex();
// Writes 1 or 0 into header byte 28 when it changes; the header is then
// written when the table closes.
void SetProductionIndexFlag(bool on);

// The current area's index file variable and its area number; file is
// nullptr and area 0 when no table is open.
struct IndexFileRef {
  std::unique_ptr<platform::File>* file = nullptr;
  int area = 0;
};
IndexFileRef IndexFileOf();

}  // namespace xb
