#pragma once
// Typed access to the values in a work area's SwapBuffer, by field number
// (from 1), for the engine's clients. The layout is in work_area.h; these
// functions are the only place outside Scatter and Gather that knows it.
//
// A getter on a field number that does not exist, or on a field whose type
// cannot give the value asked for, returns the neutral value (empty text,
// 0, false); a putter returns false and changes nothing. Numbers convert
// between integer and floating fields; text puts convert to the field's
// type (numbers parsed, "T"/"Y" for true, date text kept as given and
// checked by Gather).
#include <cstdint>
#include <string>
#include <string_view>

namespace xb {

struct WorkArea;

// C and D: the text as held (length-prefixed); N, F, L, M: as text.
std::string GetSwapText(const WorkArea& area, int field);
bool PutSwapText(WorkArea& area, int field, std::string_view text);

int32_t GetSwapInt(const WorkArea& area, int field);
bool PutSwapInt(WorkArea& area, int field, int32_t value);
double GetSwapDouble(const WorkArea& area, int field);
bool PutSwapDouble(WorkArea& area, int field, double value);
bool GetSwapBool(const WorkArea& area, int field);
bool PutSwapBool(WorkArea& area, int field, bool value);
// M fields: the memo's first block number, 0 for none.
int32_t GetSwapMemoBlock(const WorkArea& area, int field);
bool PutSwapMemoBlock(WorkArea& area, int field, int32_t block);

bool GetSwapDeleted(const WorkArea& area);
void PutSwapDeleted(WorkArea& area, bool deleted);

}  // namespace xb
