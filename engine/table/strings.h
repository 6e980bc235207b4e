#pragma once
// Text helpers of the engine. Texts are byte strings in the ANSI code page
// (Windows-1252); letter case and letter tests follow that page, whatever
// the process locale is.
#include <string>
#include <string_view>

namespace xb {

// Remove characters below 33 (spaces and control characters) from both
// ends, the right end or the left end.
std::string TrimAll(std::string_view text);
std::string TrimRight(std::string_view text);
std::string TrimLeft(std::string_view text);

std::string Upper(std::string_view text);
// True when the first character is a letter (false for an empty text).
bool IsAlpha(std::string_view text);
// Number of non-overlapping occurrences of `sub` in `text`; 0 for an empty sub.
int CountOf(std::string_view sub, std::string_view text);
std::string Replicate(char ch, int count);

// Takes every occurrence of the option word (" EXCLUSIVE", " NOCASE") out of
// a command text that stands alone, i.e. is not followed by a letter, digit,
// '\' or '_'. The text comes back upper-cased and trimmed. True when at
// least one occurrence was removed.
bool RemoveWord(std::string_view word, std::string& text);

// ANSI -> OEM and OEM -> ANSI in the platform's code pages.
std::string ToOem(std::string_view text);
std::string ToAnsi(std::string_view text);

}  // namespace xb
