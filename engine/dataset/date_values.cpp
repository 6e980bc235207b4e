#include "engine/dataset/date_values.h"

#include <cmath>
#include <cstdio>

#include "engine/dataset/dataset_state.h"
#include "engine/table/date_settings.h"
#include "engine/table/julian.h"

namespace xb {
namespace {

// A date value counts days from 30 December 1899, the table layer's day
// numbers from 1 January of year 1; both count whole days.
const double kJulianOfDateZero = JulianFromYMD(1899, 12, 30);

}  // namespace

bool IsValidCalendarDate(int year, int month, int day) {
  return JulianFromYMD(year, month, day) != kBlankJulian;
}

bool TryEncodeDate(int year, int month, int day, TDateTime& out) {
  const double day_number = JulianFromYMD(year, month, day);
  if (day_number == kBlankJulian) return false;
  out = day_number - kJulianOfDateZero;
  return true;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
  JulianToYMD(std::floor(value) + kJulianOfDateZero, year, month, day);
}

std::string DateToShortText(TDateTime value) {
  int y = 0, m = 0, d = 0;
  DecodeDate(value, y, m, d);
  const std::string& pattern = CurrentDateSettings().short_date_pattern;
  std::string out;
  for (size_t i = 0; i < pattern.size();) {
    const char c = pattern[i];
    size_t run = 1;
    while (i + run < pattern.size() && pattern[i + run] == c) ++run;
    char buf[16];
    if (c == 'd' || c == 'M') {
      std::snprintf(buf, sizeof buf, run >= 2 ? "%02d" : "%d", c == 'd' ? d : m);
      out += buf;
    } else if (c == 'y') {
      if (run <= 2)
        std::snprintf(buf, sizeof buf, "%02d", y % 100);
      else
        std::snprintf(buf, sizeof buf, "%04d", y);
      out += buf;
    } else {
      out.append(run, c);
    }
    i += run;
  }
  return out;
}

bool TryShortTextToDate(std::string_view text, TDateTime& out) {
  int parts[3] = {0, 0, 0};
  int widths[3] = {0, 0, 0};
  int count = 0;
  for (size_t i = 0; i < text.size();) {
    if (text[i] >= '0' && text[i] <= '9') {
      if (count == 3) return false;
      int value = 0, width = 0;
      while (i < text.size() && text[i] >= '0' && text[i] <= '9' && width < 6) {
        value = value * 10 + (text[i] - '0');
        ++width;
        ++i;
      }
      parts[count] = value;
      widths[count] = width;
      ++count;
    } else {
      if (text[i] != ' ' && text[i] != '/' && text[i] != '.' && text[i] != '-') return false;
      ++i;
    }
  }
  if (count != 3) return false;
  // The order of day, month and year comes from the pattern.
  int day_at = 1, month_at = 0, year_at = 2, seen = 0;
  char prev = 0;
  for (char c : CurrentDateSettings().short_date_pattern) {
    if (c != prev && seen < 3) {
      if (c == 'd') day_at = seen++;
      if (c == 'M') month_at = seen++;
      if (c == 'y') year_at = seen++;
    }
    prev = c;
  }
  int year = parts[year_at];
  if (widths[year_at] <= 2) year += Century(year);
  return TryEncodeDate(year, parts[month_at], parts[day_at], out);
}

TDateTime ShortTextToDate(std::string_view text) {
  TDateTime value = 0;
  if (!TryShortTextToDate(text, value)) throw EConvertError("'" + std::string(text) + "' is not a valid date");
  return value;
}

}  // namespace xb
