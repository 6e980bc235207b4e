#pragma once
// The engine-wide settings that decide how dates and numbers look as text:
// the language code (which picks separators), the date format code (which
// picks the engine date text and the day and month names), the century flag,
// the epoch year for two-digit years, and the decimal and thousands
// separators.
//
// Date format codes (YY is two year digits, four with the century flag):
//
//   CODE  ENGINE DATE TEXT  BLANK (century off)  BLANK (century on)
//   0     MM/DD/YY          "  /  /  "           "  /  /    "
//   1     YY.MM.DD          "  .  .  "           "    .  .  "
//   2     DD/MM/YY          "  /  /  "           "  /  /    "
//   3     DD-MM-YY          "  -  -  "           "  -  -    "
//   4..8  DD.MM.YY          "  .  .  "           "  .  .    "
//
// A code outside 0..8 that reaches the settings directly behaves as 0
// everywhere; SetDateFormat never stores one.
//
// Until a test or the dataset layer changes them, the settings are derived
// once from the platform's regional settings and today's date.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/regional.h"

namespace xb {

struct DateSettings {
  // 0..8, from the user's language (LanguageCodeFor).
  uint8_t language_code = 0;
  // 0..8, see the table above.
  uint8_t date_format = 0;
  bool century = false;
  // Two-digit years below epoch_year % 100 fall in the century after
  // epoch_year's; the others in epoch_year's own century.
  int epoch_year = 1900;
  char decimal_separator = '.';
  char thousands_separator = ',';
  // The short date picture and separator that match date_format, for code
  // that lets the platform format a date itself ("dd.MM.yyyy" and '.').
  std::string short_date_pattern = "MM/dd/yy";
  char short_date_separator = '/';
};

// The settings in force; callers may change fields directly.
DateSettings& CurrentDateSettings();
// Derives every setting again from platform::Regional() and the current year
// (language code, date format = language code, century off, epoch year =
// year - 70, separators of the language code). Tests call it in set-up.
void ResetDateSettings();

// German 5; English 0 for the United States, else 2; Spanish 6; French 4, or
// 7 for Canada; Italian 3; Russian 8; any other language 0. Both arguments
// are ISO codes ("fr", "CA") in either case.
uint8_t LanguageCodeFor(std::string_view language, std::string_view territory);

// The separators that go with a language code: ',' and '.' for 3..6, '.'
// and ',' for the others, except that 8 groups thousands with a space.
char DecimalSeparatorFor(uint8_t language_code);
char ThousandsSeparatorFor(uint8_t language_code);

// The dataset layer's start-up step: separators from `regional`; century on
// when the upper-cased short date format holds "YYYY"; the date format code
// from its first character (D: 3 with date separator '-', 5 with '.', else
// 2; Y: 1; anything else 0), stored with SetDateFormat.
void ApplyRegionalDateSettings(const platform::RegionalSettings& regional);

// Stores `code` as the date format (anything outside 0..8 becomes 0) and the
// matching short date pattern and separator: 0 "MM/dd/y", 1 "y.MM.dd",
// 2 "dd/MM/y", 3 "dd-MM-y", 4..8 "dd.MM.y", where y is "yyyy" with the
// century flag and "yy" without. Set the century flag first.
void SetDateFormat(int code);

// The date format code in force, with out-of-range values read as 0.
int DateFormatCode();
// 4 with the century flag, else 2.
int YearWidth();
// The separator of a date format code: '/', '.', '/', '-', then '.'.
char DateSeparatorFor(int code);

// The century (a multiple of 100) of the two-digit year `yy` under the epoch
// year: with epoch 1956, 0..55 give 2000 and 56..99 give 1900.
int Century(int yy);

// The blank engine date text of `code` at the current century flag's year
// width (see the table above).
std::string BlankDate(int code);

}  // namespace xb
