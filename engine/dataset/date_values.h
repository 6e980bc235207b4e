#pragma once
// Date values as the dataset framework holds them, and their text in the
// platform's short date form.
//
// A date value (TDateTime) counts days since 30 December 1899 as a double;
// 0 in a record slot means a blank date. The framework's own date field
// data is the day stamp: the whole days of the value plus 693594, so that
// 1 January of year 1 is day 1 (a time alone, day 0 of the value, gets
// 693594).
//
// The short date text follows CurrentDateSettings().short_date_pattern,
// which the start-up step sets to match the engine's date format code, so
// that a text this unit writes is also engine date text.
#include <cstdint>
#include <string>
#include <string_view>

namespace xb {

using TDateTime = double;

inline constexpr int32_t kDateDelta = 693594;

bool IsValidCalendarDate(int year, int month, int day);
// False for an impossible date.
bool TryEncodeDate(int year, int month, int day, TDateTime& out);
// All three are 0 for a value outside years 1..9999 (or NaN), as for the
// table layer's day numbers.
void DecodeDate(TDateTime value, int& year, int& month, int& day);

// The value in the short date form ("05/31/26", "31.05.2026").
std::string DateToShortText(TDateTime value);
// Reads a short date: three numbers in the pattern's order, separated by
// anything that is not a digit; a year of one or two digits gets its
// century from the engine's epoch. False when the text holds no real date.
bool TryShortTextToDate(std::string_view text, TDateTime& out);
// As TryShortTextToDate; throws EConvertError("'<text>' is not a valid
// date") when the text holds no date.
TDateTime ShortTextToDate(std::string_view text);

}  // namespace xb
