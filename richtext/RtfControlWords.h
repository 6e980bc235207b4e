#pragma once
// RtfControlWords applies the control words that only change formatting
// state (character and paragraph properties, paragraph numbering) to the
// current group. Destinations, special characters and document-level words
// are the reader's business; this unit knows nothing about the document.
//
// Promises: every numeric parameter is clamped to a range the Qt formats can
// carry (font sizes, lengths of at most 22 inches, table indexes below
// RtfTables::kMaxEntries), and the tab list never grows past
// RtfParaState::kMaxTabs.
#include <cstdint>
#include <string_view>

#include "richtext/RtfState.h"

namespace qp {

// Returns false when the word is not a formatting word (the caller then
// tries its own words); true when it was applied or deliberately ignored.
bool applyFormattingWord(std::string_view word, bool hasParam, int32_t param,
                         RtfGroupState& state);

}  // namespace qp
