#include "engine/table/dates.h"

#include <array>
#include <optional>

#include "engine/table/error_state.h"

namespace xb {
namespace {

constexpr size_t kMaxDateText = 10;
const std::string kBlankDbf(8, ' ');

// The part of a text a date is read from: up to the first NUL, at most 10.
std::string_view DatePortion(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  return text.substr(0, kMaxDateText);
}

bool IsTrimmable(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsTrimmable(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsTrimmable(text.back())) text.remove_suffix(1);
  return text;
}

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// The value of a run of at most four digits, or nullopt.
std::optional<int> Number(std::string_view text) {
  if (!AllDigits(text) || text.size() > 4) return std::nullopt;
  int value = 0;
  for (char c : text) value = value * 10 + (c - '0');
  return value;
}

std::string Digits(int value, int width) {
  std::string text(width, '0');
  for (int i = width - 1; i >= 0 && value > 0; --i, value /= 10) {
    text[i] = static_cast<char>('0' + value % 10);
  }
  return text;
}

std::string PadTwo(std::string_view part) {
  std::string text(part);
  if (text.size() < 2) text.insert(0, 2 - text.size(), '0');
  return text;
}

struct DateParts {
  std::string first, second, third;
};

// Splits at the first two separators, the third part taking the rest, and
// trims each part. A missing separator leaves the later parts empty.
DateParts Split(std::string_view text, char sep) {
  std::array<std::string_view, 3> parts{};
  for (int i = 0; i < 2; ++i) {
    const size_t at = text.find(sep);
    if (at == std::string_view::npos) {
      parts[i] = text;
      text = {};
      break;
    }
    parts[i] = text.substr(0, at);
    text.remove_prefix(at + 1);
  }
  if (!text.empty()) parts[2] = text;
  return {std::string(Trim(parts[0])), std::string(Trim(parts[1])), std::string(Trim(parts[2]))};
}

// A padded year part at the given century setting: a two-digit year gets its
// century digits when the flag is on, and every year is then filled to four.
// Junk is left as it is for the validity checks to refuse.
std::string CompleteYear(std::string year, bool century) {
  if (!century) return year;
  if (std::optional<int> yy = Number(year); yy && year.size() == 2) {
    year.insert(0, Digits(Century(*yy) / 100, 2));
  }
  if (year.size() < 4) year.insert(0, 4 - year.size(), '0');
  return year;
}

std::string ToAmericanAs(std::string_view text, bool century) {
  text = DatePortion(text);
  char sep = '/';
  if (text.find('/') == std::string_view::npos) {
    sep = text.find('-') != std::string_view::npos ? '-' : '.';
    if (text.find(sep) == std::string_view::npos) return std::string(text);
  }
  DateParts p = Split(text, sep);
  if (p.first.empty() && p.second.empty() && p.third.empty()) {
    return std::string("  /  /") + std::string(century ? 4 : 2, ' ');
  }
  std::string month, day, year;
  switch (DateFormatCode()) {
    case 0:
      month = p.first;
      day = p.second;
      year = p.third;
      break;
    case 1:
      year = p.first;
      month = p.second;
      day = p.third;
      break;
    default:
      day = p.first;
      month = p.second;
      year = p.third;
      break;
  }
  std::string american =
      PadTwo(month) + '/' + PadTwo(day) + '/' + CompleteYear(PadTwo(year), century);
  return american.substr(0, kMaxDateText);
}

// The numbers of a well-formed American text: "MM/DD/YY" or "MM/DD/YYYY",
// all digits. The year is completed with its century when it has two.
struct AmericanDate {
  int month = 0;
  int day = 0;
  int year = 0;
  bool two_digit_year = false;
};

std::optional<AmericanDate> ParseAmerican(std::string_view american) {
  if ((american.size() != 8 && american.size() != 10) || american[2] != '/' || american[5] != '/') {
    return std::nullopt;
  }
  std::optional<int> month = Number(american.substr(0, 2));
  std::optional<int> day = Number(american.substr(3, 2));
  std::optional<int> year = Number(american.substr(6));
  if (!month || !day || !year) return std::nullopt;
  AmericanDate date{*month, *day, *year, american.size() == 8};
  if (date.two_digit_year) date.year += Century(date.year);
  return date;
}

// Year 0 is refused like in the day numbers, where it would alias year 1.
bool IsRealDate(const AmericanDate& d) {
  return d.year >= 1 && d.day >= 1 && d.day <= DaysInMonth(d.year, d.month);
}

std::optional<AmericanDate> RealDateOf(std::string_view text) {
  std::optional<AmericanDate> date = ParseAmerican(ToAmerican(text));
  if (!date || !IsRealDate(*date)) return std::nullopt;
  return date;
}

// True for digits with the code's separators in its places, e.g. "31.12.26"
// for code 5 without century. Only such a text can be cut into its parts by
// position; "1.2.2026" has the same length but must be normalised first.
bool HasEngineShape(std::string_view text, int code, size_t width) {
  if (text.size() != width + 6) return false;
  const size_t first_sep = code == 1 ? width : 2;
  const char sep = DateSeparatorFor(code);
  for (size_t i = 0; i < text.size(); ++i) {
    const bool at_sep = i == first_sep || i == first_sep + 3;
    if (at_sep ? text[i] != sep : (text[i] < '0' || text[i] > '9')) return false;
  }
  return true;
}

std::string InEngineForm(const std::string& american) {
  return DateFormatCode() == 0 ? american : FromAmerican(american);
}

}  // namespace

std::string ToAmerican(std::string_view text) {
  return ToAmericanAs(text, CurrentDateSettings().century);
}

std::string FromAmerican(std::string_view american) {
  american = DatePortion(american);
  const int code = DateFormatCode();
  if (american.find('/') == std::string_view::npos) return std::string(american);
  DateParts p = Split(american, '/');
  if (p.first.empty() && p.second.empty() && p.third.empty()) return BlankDate(code);
  const std::string month = PadTwo(p.first);
  const std::string day = PadTwo(p.second);
  const std::string year = CompleteYear(PadTwo(p.third), CurrentDateSettings().century);
  const char sep = DateSeparatorFor(code);
  std::string text;
  switch (code) {
    case 0:
      text = month + sep + day + sep + year;
      break;
    case 1:
      text = year + sep + month + sep + day;
      break;
    default:
      text = day + sep + month + sep + year;
      break;
  }
  return text.substr(0, kMaxDateText);
}

bool IsValidDate(std::string& text) {
  const std::string american = ToAmerican(Trim(text));
  if (american == BlankDate(0)) {
    text = InEngineForm(american);
    return true;
  }
  std::optional<AmericanDate> date = ParseAmerican(american);
  if (!date || !IsRealDate(*date)) return false;
  std::string normal = american;
  if (!CurrentDateSettings().century && normal.size() == 10) normal.erase(6, 2);
  text = InEngineForm(normal).substr(0, kMaxDateText);
  return true;
}

std::string DateFrom(int year, int month, int day) {
  int full_year = year;
  if (year >= 0 && year < 100) full_year += Century(year);
  const bool real =
      full_year >= 1 && full_year <= 9999 && day >= 1 && day <= DaysInMonth(full_year, month);
  const std::string year_text =
      CurrentDateSettings().century ? Digits(full_year, 4) : Digits(full_year % 100, 2);
  const std::string text = FromAmerican(Digits(month, 2) + '/' + Digits(day, 2) + '/' + year_text);
  if (!real) {
    SetError(220, "[DateFrom(" + std::to_string(year) + "," + std::to_string(month) + "," +
                      std::to_string(day) + ")]");
  }
  return text;
}

int DayOfWeek(std::string_view text) {
  std::optional<AmericanDate> date = RealDateOf(text);
  if (!date) return 0;
  return JulianDayOfWeek(JulianFromYMD(date->year, date->month, date->day));
}

int MonthOf(std::string_view text) {
  const std::string american = ToAmerican(text);
  return Number(std::string_view(american).substr(0, 2)).value_or(0);
}

int DayOf(std::string_view text) {
  const std::string american = ToAmerican(text);
  return american.size() < 4 ? 0 : Number(std::string_view(american).substr(3, 2)).value_or(0);
}

int YearOf(std::string_view text) {
  const std::string american = ToAmerican(text);
  return american.size() < 7 ? 0 : Number(std::string_view(american).substr(6)).value_or(0);
}

std::string DateToDbf(std::string_view text) {
  const std::string american = ToAmerican(text);
  if (american.size() < 8 || american[2] != '/' || american[5] != '/') return kBlankDbf;
  const std::string_view view(american);
  std::optional<int> month = Number(view.substr(0, 2));
  std::optional<int> day = Number(view.substr(3, 2));
  std::optional<int> year = Number(view.substr(6));
  if (!month || !day || !year || (view.size() != 8 && view.size() != 10)) return kBlankDbf;
  std::string year_text(view.substr(6));
  if (year_text.size() == 2) year_text.insert(0, Digits(Century(*year) / 100, 2));
  return year_text + std::string(view.substr(0, 2)) + std::string(view.substr(3, 2));
}

double TextToJulian(std::string_view text) {
  std::optional<AmericanDate> date = ParseAmerican(ToAmericanAs(text, true));
  if (!date) return kBlankJulian;
  return JulianFromYMD(date->year, date->month, date->day);
}

std::string TextToDbf(std::string_view text) { return JulianToDbf(TextToJulian(text)); }

std::string DbfToDateText(std::string_view yyyymmdd) {
  std::string stored(yyyymmdd.substr(0, 8));
  stored.resize(8, ' ');
  const std::string year =
      CurrentDateSettings().century ? stored.substr(0, 4) : stored.substr(2, 2);
  const std::string month = stored.substr(4, 2);
  const std::string day = stored.substr(6, 2);
  const int code = DateFormatCode();
  const char sep = DateSeparatorFor(code);
  if (code == 0) return month + sep + day + sep + year;
  if (code == 1) return year + sep + month + sep + day;
  return day + sep + month + sep + year;
}

std::string DateTextToDbf(std::string_view text) {
  static constexpr std::string_view kBlankForms[] = {
      "",         "        ",   "          ", "  /  /  ",   "  /  /    ",
      "  -  -  ", "  -  -    ", "  .  .  ",   "  .  .    ", "    .  .  "};
  for (std::string_view blank : kBlankForms) {
    if (text == blank) return kBlankDbf;
  }
  const int code = DateFormatCode();
  const size_t width = static_cast<size_t>(YearWidth());
  std::string normal(text);
  if (!HasEngineShape(normal, code, width)) {
    if (!IsValidDate(normal) || !HasEngineShape(normal, code, width)) return kBlankDbf;
  }
  std::string year, month, day;
  if (code == 0) {
    month = normal.substr(0, 2), day = normal.substr(3, 2), year = normal.substr(6, width);
  } else if (code == 1) {
    year = normal.substr(0, width), month = normal.substr(width + 1, 2),
    day = normal.substr(width + 4, 2);
  } else {
    day = normal.substr(0, 2), month = normal.substr(3, 2), year = normal.substr(6, width);
  }
  if (width == 2) year.insert(0, Digits(Century(Number(year).value_or(0)) / 100, 2));
  return year + month + day;
}

}  // namespace xb
