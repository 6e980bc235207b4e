#pragma once
// Dates as text. Three forms meet here:
//   - the stored form of a date field, "YYYYMMDD" (eight spaces when blank);
//   - the engine date text that clients see and the SwapBuffer holds, laid
//     out by the date format code and century flag of DateSettings;
//   - the American form MM/DD/YY or MM/DD/YYYY, through which every
//     conversion between the other two passes.
//
// Promises:
//   (1) every function accepts any text (short, long, junk, embedded NUL)
//       and only ever looks at its first NUL-free 10 characters where a date
//       is read;
//   (2) a text that holds no date converts to the blank form of its target:
//       BlankDate, eight spaces, kBlankJulian, 0 or spaces;
//   (3) DateTextToDbf(DbfToDateText(s)) == s for every eight-digit s (and
//       for eight spaces) under every date format code with the century flag
//       on, and for years epoch..epoch+99 with it off.
#include <string>
#include <string_view>

#include "engine/table/date_settings.h"
#include "engine/table/julian.h"

namespace xb {

// Engine date text of the current code -> American form. A text without any
// of '/', '-' or '.' comes back unchanged (cut at NUL, at most 10 bytes); one
// with three empty parts gives BlankDate(0).
std::string ToAmerican(std::string_view text);
// American form -> engine date text of the current code; three empty parts
// give BlankDate of the current code.
std::string FromAmerican(std::string_view american);

// Accepts a blank date or a real calendar date in the engine date text of
// the current code (missing leading zeros and a year of either width are
// fine) and rewrites `text` in the normal form; refuses anything else and
// then leaves `text` as it was.
bool IsValidDate(std::string& text);

// The engine date text of a date. A year below 100 gets its century from the
// epoch year. Without the century flag the year is shown with two digits,
// whatever was passed, so the result always has the engine's width. An
// impossible date also records error 220 but its text is returned anyway.
std::string DateFrom(int year, int month, int day);

// 1 (Sunday) .. 7 (Saturday); 0 for a blank text or one that is not a date.
int DayOfWeek(std::string_view text);

// The parts of the American form of `text` as numbers, 0 where a part is not
// a number. YearOf gives the year as written: two digits when the century
// flag is off and the text had two.
int MonthOf(std::string_view text);
int DayOf(std::string_view text);
int YearOf(std::string_view text);

// Engine date text -> "YYYYMMDD", a two-digit year completed with Century.
// A blank text, or one whose parts are not numbers, gives eight spaces. The
// calendar is not checked: "02/30/26" gives "20260230".
std::string DateToDbf(std::string_view text);

// Engine date text, read with the century flag on, -> day number or stored
// form; a blank or impossible date gives kBlankJulian / eight spaces.
double TextToJulian(std::string_view text);
std::string TextToDbf(std::string_view text);

// Scatter's conversion of a stored date field to engine date text: the
// characters are placed, not checked, so eight spaces give the blank pattern
// of the current code and a damaged field still shows what it holds. Input
// shorter than 8 is padded with spaces; longer input is cut.
std::string DbfToDateText(std::string_view yyyymmdd);
// Gather's conversion of engine date text to the stored form. Blank forms of
// any code and width give eight spaces. A text of the engine's shape (digits
// with the separators of the current code in place) is cut into its parts
// by position, like DbfToDateText, and not checked further, so a value read
// from a field is written back unchanged; any other text is first normalised
// by IsValidDate, and one it refuses gives eight spaces.
std::string DateTextToDbf(std::string_view text);

}  // namespace xb
