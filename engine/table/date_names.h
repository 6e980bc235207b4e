#pragma once
// Day and month names for the date format codes, as the expression
// functions CDOW() and CMONTH() return them. Each language keeps its names
// in fixed-width slots, and a name comes back with the slot's trailing
// spaces, so every name of one language has the same length:
//
//   CODE     LANGUAGE  DAY SLOT  MONTH SLOT  BYTES
//   0, 1, 2  English    9         9          ASCII
//   3        Italian    9         9          ASCII
//   4, 7     French     8         9          OEM code page 437 (é, û)
//   5        German    10         9          OEM code page 437 (ä)
//   6        Spanish    9        10          ASCII
//   8        Russian   11         8          OEM code page 866
//
// The names are OEM bytes because index keys and OEM tables hold them so;
// callers showing them in an ANSI context convert them with OemToChar under
// the matching OEM code page.
#include <string>
#include <string_view>

namespace xb {

// The name of the day of week `dow` (1 = Sunday .. 7) or month `month`
// (1..12) under date format code `code`, padded to the slot width; "" for
// numbers out of range. Codes outside 0..8 use English.
std::string DayNameOf(int code, int dow);
std::string MonthNameOf(int code, int month);

// The names for an engine date text under the current date format code. A
// blank date, or a text that is not a date, gives ten spaces (DayName) or
// nine spaces (MonthName). MonthName only needs a month of 1..12 in the text.
std::string DayName(std::string_view text);
std::string MonthName(std::string_view text);

}  // namespace xb
