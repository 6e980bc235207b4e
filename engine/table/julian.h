#pragma once
// Julian day numbers: the engine's date arithmetic and index ordering work on
// the day number of the proleptic Gregorian calendar, held as a double so it
// can travel through the expression evaluator as a number.
//
//   day number = day of year + days before the year + 1721425
//   days before year y = 365(y-1) + (y-1)/4 + (y-1)/400 - (y-1)/100
//
// so 1 January 1 is 1721426, 1 January 2000 is 2451545 and 31 December 9999
// is 5373484. Promises:
//   (1) every conversion that is refused (blank, impossible or out-of-range
//       date, junk text) gives kBlankJulian or the blank text, never a
//       neighbouring date;
//   (2) only years 1..9999 are handled; year 0 is refused, because the
//       formula above would give it the same day numbers as year 1;
//   (3) JulianToDbf(JulianFromYMD(y, m, d)) is the zero-filled "YYYYMMDD" of
//       every valid date in that range, and DbfToJulian reverses it.
#include <string>
#include <string_view>

namespace xb {

// The day number of a blank or invalid date. Sorts after every real date.
inline constexpr double kBlankJulian = 1e100;
inline constexpr double kFirstJulian = 1721426;  // 1 January 1
inline constexpr double kLastJulian = 5373484;   // 31 December 9999

// Divisible by 4 and not by 100, or divisible by 400.
bool IsLeapYear(int year);
// 28..31 for months 1..12 of `year`; 0 for any other month.
int DaysInMonth(int year, int month);

// kBlankJulian unless 1 <= year <= 9999, 1 <= month <= 12 and
// 1 <= day <= DaysInMonth(year, month).
double JulianFromYMD(int year, int month, int day);
// The stored form of a date field: eight spaces give kBlankJulian; anything
// that is not eight digits of a valid date also gives kBlankJulian.
double DbfToJulian(std::string_view yyyymmdd);
// "YYYYMMDD", or eight spaces outside kFirstJulian..kLastJulian and for NaN.
// The fraction of a day number inside the range is dropped.
std::string JulianToDbf(double day_number);

// The day number as engine date text of the current date format code, with
// two-digit parts and the year in two or four digits. Outside
// kFirstJulian..kLastJulian (or NaN) it is BlankDate of the current code.
// Codes 7 and 8 are written like 4..6 (DD.MM.YY), the same text every other
// conversion of the engine produces for them, so a date read back with
// TextToJulian is the date written.
std::string JulianToText(double day_number);

// Year, month and day of a day number inside kFirstJulian..kLastJulian (the
// fraction dropped); all three are 0 outside it and for NaN.
void JulianToYMD(double day_number, int& year, int& month, int& day);
// 1 for Sunday .. 7 for Saturday; 0 outside kFirstJulian..kLastJulian and
// for NaN.
int JulianDayOfWeek(double day_number);

}  // namespace xb
