#include "engine/dataset/date_values.h"

#include <cmath>
#include <cstdio>

#include "engine/dataset/dataset_state.h"
#include "engine/table/date_settings.h"

namespace xb {
namespace {

// Days from 1 January of year 1 to the given date (proleptic Gregorian).
int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;  // days since 1970-01-01
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

const int64_t kEpoch1899 = DaysFromCivil(1899, 12, 30);

}  // namespace

bool IsValidCalendarDate(int year, int month, int day) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

bool TryEncodeDate(int year, int month, int day, TDateTime& out) {
  if (!IsValidCalendarDate(year, month, day)) return false;
  out = static_cast<double>(DaysFromCivil(year, month, day) - kEpoch1899);
  return true;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
  CivilFromDays(static_cast<int64_t>(std::floor(value)) + kEpoch1899, year, month, day);
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
