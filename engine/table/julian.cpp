#include "engine/table/julian.h"

#include <cmath>
#include <cstdint>

#include "engine/table/date_settings.h"

namespace xb {
namespace {

constexpr int64_t kJulianBase = 1721425;
// Days before each month of a common year, and the year's length at [12].
constexpr int kMonthStart[13] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365};

int64_t DaysBeforeYear(int64_t year) {
  if (year < 2) return 0;
  const int64_t y = year - 1;
  return y * 365 + y / 4 + y / 400 - y / 100;
}

int YearLength(int year) { return IsLeapYear(year) ? 366 : 365; }

int MonthStart(int year, int month) {
  return kMonthStart[month - 1] + (month > 2 && IsLeapYear(year) ? 1 : 0);
}

bool InRange(double day_number) {
  return !std::isnan(day_number) && day_number >= kFirstJulian && day_number <= kLastJulian;
}

// Two digits of `value`, or all of a year's four, zero-filled.
std::string Digits(int value, int width) {
  std::string text(width, '0');
  for (int i = width - 1; i >= 0 && value > 0; --i, value /= 10) {
    text[i] = static_cast<char>('0' + value % 10);
  }
  return text;
}

// Reads exactly `text.size()` decimal digits; false for anything else.
bool ReadDigits(std::string_view text, int& value) {
  if (text.empty()) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  if (month < 1 || month > 12) return 0;
  if (month == 2) return IsLeapYear(year) ? 29 : 28;
  return kMonthStart[month] - kMonthStart[month - 1];
}

double JulianFromYMD(int year, int month, int day) {
  if (year < 1 || year > 9999) return kBlankJulian;
  if (day < 1 || day > DaysInMonth(year, month)) return kBlankJulian;
  return static_cast<double>(day + MonthStart(year, month) + DaysBeforeYear(year) + kJulianBase);
}

double DbfToJulian(std::string_view yyyymmdd) {
  if (yyyymmdd.size() != 8) return kBlankJulian;
  int year = 0, month = 0, day = 0;
  if (!ReadDigits(yyyymmdd.substr(0, 4), year) || !ReadDigits(yyyymmdd.substr(4, 2), month) ||
      !ReadDigits(yyyymmdd.substr(6, 2), day)) {
    return kBlankJulian;
  }
  return JulianFromYMD(year, month, day);
}

void JulianToYMD(double day_number, int& year, int& month, int& day) {
  year = month = day = 0;
  // Converting 1e100 or NaN to an integer would be undefined.
  if (!InRange(day_number)) return;
  const int64_t days = static_cast<int64_t>(std::floor(day_number)) - kJulianBase;
  // days / 366 never overshoots, so the loop only moves forward, at most a
  // few dozen years for the last year handled.
  int64_t y = days / 366 + 1;
  int64_t remaining = days - DaysBeforeYear(y);
  while (remaining > YearLength(static_cast<int>(y))) {
    remaining -= YearLength(static_cast<int>(y));
    ++y;
  }
  year = static_cast<int>(y);
  month = 12;
  while (month > 1 && remaining <= MonthStart(year, month)) --month;
  day = static_cast<int>(remaining) - MonthStart(year, month);
}

int JulianDayOfWeek(double day_number) {
  if (!InRange(day_number)) return 0;
  // Day numbers count from a Monday, so day + 1 is 0 on a Saturday.
  const int64_t day = static_cast<int64_t>(day_number);
  return static_cast<int>((day + 1) % 7) + 1;
}

std::string JulianToDbf(double day_number) {
  if (!InRange(day_number)) return std::string(8, ' ');
  int year = 0, month = 0, day = 0;
  JulianToYMD(day_number, year, month, day);
  return Digits(year, 4) + Digits(month, 2) + Digits(day, 2);
}

std::string JulianToText(double day_number) {
  const int code = DateFormatCode();
  if (!InRange(day_number)) return BlankDate(code);
  int year = 0, month = 0, day = 0;
  JulianToYMD(day_number, year, month, day);
  const std::string yy = CurrentDateSettings().century ? Digits(year, 4) : Digits(year % 100, 2);
  const std::string mm = Digits(month, 2);
  const std::string dd = Digits(day, 2);
  const char sep = DateSeparatorFor(code);
  if (code == 0) return mm + sep + dd + sep + yy;
  if (code == 1) return yy + sep + mm + sep + dd;
  return dd + sep + mm + sep + yy;
}

}  // namespace xb
