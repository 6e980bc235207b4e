#include "tools/xbtool/value_checks.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "platform/codepage.h"

namespace xbtool {
namespace {

std::string Trimmed(const std::string& text) {
  const size_t b = text.find_first_not_of(' ');
  if (b == std::string::npos) return "";
  return text.substr(b, text.find_last_not_of(' ') - b + 1);
}

// Plain decimal notation only: strtod would also take "inf", "nan", hex
// and exponents, none of which a dBASE number field can hold.
bool IsDecimal(const std::string& t) {
  size_t i = (t[0] == '+' || t[0] == '-') ? 1 : 0;
  bool digits = false, point = false;
  for (; i < t.size(); ++i) {
    if (t[i] >= '0' && t[i] <= '9') digits = true;
    else if (t[i] == '.' && !point) point = true;
    else return false;
  }
  return digits;
}

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

bool IsCalendarDate(const std::string& digits) {
  if (digits.size() != 8 || digits.find_first_not_of("0123456789") != std::string::npos) return false;
  const int year = std::atoi(digits.substr(0, 4).c_str());
  const int month = std::atoi(digits.substr(4, 2).c_str());
  const int day = std::atoi(digits.substr(6, 2).c_str());
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || month < 1 || month > 12 || day < 1) return false;
  const int last = kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
  return day <= last;
}

}  // namespace

std::string CheckFieldValue(const xb::FieldDesc& field, const std::string& utf8, bool oem) {
  const std::string name = platform::AnsiToUtf8(field.name);
  if (field.type == 'M' || field.type == 'B' || field.type == 'G' || field.type == 'P')
    return name + " is a memo field: store its text with setmemo";
  const std::string t = Trimmed(utf8);
  if (t.empty()) return "";
  switch (field.type) {
    case 'N':
    case 'F': {
      if (!IsDecimal(t)) return name + ": not a number: " + utf8;
      char text[400];
      std::snprintf(text, sizeof text, "%.*f", field.decimals, std::strtod(t.c_str(), nullptr));
      if (std::strlen(text) > field.length)
        return name + ": " + utf8 + " does not fit in " + std::to_string(field.length) + " characters with " +
               std::to_string(field.decimals) + " decimals";
      return "";
    }
    case 'L':
      if (t.size() == 1 && std::strchr("TtFfYyNn", t[0]) != nullptr) return "";
      return name + ": not a logical value (T, F, Y or N): " + utf8;
    case 'D': {
      std::string digits;
      for (char c : t)
        if (c != '-') digits += c;
      if (IsCalendarDate(digits)) return "";
      return name + ": not a date (YYYYMMDD or YYYY-MM-DD): " + utf8;
    }
    default: {
      const std::string stored = oem ? platform::Utf8ToOem(utf8) : platform::Utf8ToAnsi(utf8);
      if (stored.size() > field.length)
        return name + ": text of " + std::to_string(stored.size()) + " characters is longer than the field (" +
               std::to_string(field.length) + ")";
      return "";
    }
  }
}

std::string CheckFieldDefinitions(const std::vector<xb::FieldDesc>& fields) {
  std::set<std::string> seen;
  for (const xb::FieldDesc& f : fields) {
    const std::string name = platform::AnsiUpper(Trimmed(f.name));
    const std::string shown = platform::AnsiToUtf8(f.name);
    if (name.size() > 10) return "field name longer than 10 characters: " + shown;
    if (!seen.insert(name).second) return "field name given twice: " + shown;
    const char type = static_cast<char>(platform::AnsiUpper(static_cast<uint8_t>(f.type)));
    if ((type == 'N' || type == 'F') && f.decimals > 0 && f.decimals >= f.length)
      return "field " + shown + ": decimals (" + std::to_string(f.decimals) + ") must be below the width (" +
             std::to_string(f.length) + ")";
  }
  return "";
}

}  // namespace xbtool
