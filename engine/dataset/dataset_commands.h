#pragma once
// Helpers of the dataset commands that have no state of their own: the
// xBase form of a field's text that GetField gives.
#include <string>

namespace xb {

class TField;

// Integer and float fields right-aligned to the field's size, Booleans
// "T"/"F", dates in engine date text (the blank form for none), strings
// padded with spaces to the field's size, memos as their text.
std::string XBaseFieldText(TField& field);

}  // namespace xb
