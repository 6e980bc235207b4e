#include "engine/table/numbers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "engine/table/date_settings.h"

namespace xb {
namespace {

constexpr int kMaxWidth = 1024;
constexpr int kMaxDecimals = 30;

std::string RightAligned(std::string text, int width) {
  width = std::clamp(width, 0, kMaxWidth);
  if (text.size() < static_cast<size_t>(width)) text.insert(0, width - text.size(), ' ');
  return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

void RemoveAll(std::string& text, char c) {
  text.erase(std::remove(text.begin(), text.end(), c), text.end());
}

void CutAtSpace(std::string& text) {
  if (size_t space = text.find(' '); space != std::string::npos) text.resize(space);
}

// An optional '-' then at least one digit, saturating at the int64 range;
// false for any other text.
bool ReadInteger(std::string_view text, int64_t& value) {
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  if (text.empty()) return false;
  constexpr int64_t kLimit = std::numeric_limits<int64_t>::max();
  int64_t magnitude = 0;
  for (char c : text) {
    if (!IsDigit(c)) return false;
    const int digit = c - '0';
    magnitude = magnitude > (kLimit - digit) / 10 ? kLimit : magnitude * 10 + digit;
  }
  value = negative ? -magnitude : magnitude;
  return true;
}

// `x` with `decimals` decimals, halves rounded away from zero like the
// original xBase output, where printf would round a tie such as 2.5 or
// 0.125 to even. The rounding digit is read from the exact expansion, which
// printf gives when asked for more digits than a tie needs.
std::string FixedPoint(double x, int decimals) {
  char buffer[400];  // 309 digits of 1e308, the point and 50 decimals
  if (!std::isfinite(x)) {
    std::snprintf(buffer, sizeof buffer, "%f", x);
    return buffer;
  }
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals + 20, std::fabs(x));
  std::string digits(buffer);
  const size_t point = digits.find('.');
  const bool round_up = digits[point + 1 + decimals] >= '5';
  digits.resize(decimals > 0 ? point + 1 + decimals : point);
  if (round_up) {
    size_t i = digits.size();
    for (; i > 0; --i) {
      char& c = digits[i - 1];
      if (c == '.') continue;
      if (c != '9') {
        ++c;
        break;
      }
      c = '0';
    }
    if (i == 0) digits.insert(0, "1");
  }
  const bool zero = digits.find_first_not_of("0.") == std::string::npos;
  if (std::signbit(x) && !zero) digits.insert(0, "-");
  return digits;
}

}  // namespace

std::string FormatFloat(double x, int width, int decimals) {
  decimals = std::clamp(decimals, 0, kMaxDecimals);
  std::string text = FixedPoint(x, decimals);
  const char separator = CurrentDateSettings().decimal_separator;
  if (decimals > 0 && separator != '.') std::replace(text.begin(), text.end(), '.', separator);
  return RightAligned(std::move(text), width);
}

std::string FormatInt(int64_t n, int width) { return RightAligned(std::to_string(n), width); }

int ParseSmallInt(std::string_view text) {
  auto trim_left = [](std::string_view& t) {
    while (!t.empty() && static_cast<unsigned char>(t.front()) <= ' ') t.remove_prefix(1);
  };
  trim_left(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  trim_left(text);
  std::string t(text);
  RemoveAll(t, CurrentDateSettings().decimal_separator == '.' ? ',' : '.');
  if (size_t dollar = t.find('$'); dollar != std::string::npos) t.erase(dollar, 1);
  CutAtSpace(t);
  size_t run = 0;
  while (run < t.size() && (IsDigit(t[run]) || t[run] == '-')) ++run;
  int64_t value = 0;
  if (!ReadInteger(std::string_view(t).substr(0, run), value)) return 0;
  return static_cast<int>(std::clamp<int64_t>(value, -32768, 32767));
}

std::string NormalizeNumber(std::string_view text) {
  const DateSettings& s = CurrentDateSettings();
  std::string t(text);
  RemoveAll(t, '$');
  size_t lead = 0;
  while (lead < t.size() && (t[lead] == ' ' || t[lead] == '+')) ++lead;
  t.erase(0, lead);
  if (!t.empty() && t.front() == '-') {
    lead = 0;
    while (lead < t.size() && (t[lead] == ' ' || t[lead] == '+' || t[lead] == '-')) ++lead;
    t.erase(0, lead);
    t.insert(0, !t.empty() && t.front() == s.decimal_separator ? "-0" : "-");
  }
  if (s.thousands_separator != s.decimal_separator) RemoveAll(t, s.thousands_separator);
  std::replace(t.begin(), t.end(), s.decimal_separator, '.');
  if (!t.empty() && t.front() == '.') t.insert(0, "0");
  CutAtSpace(t);
  // A second '.' ends the number too, so the result always converts.
  size_t run = 0;
  bool seen_point = false;
  while (run < t.size()) {
    const char c = t[run];
    if (!IsDigit(c) && !(c == '-' && run == 0) && !(c == '.' && !seen_point)) break;
    if (c == '.') seen_point = true;
    ++run;
  }
  t.resize(run);
  if (!t.empty() && t.back() == '.') t.pop_back();
  return t;
}

int64_t IntegerPart(std::string_view text) {
  std::string t = NormalizeNumber(text);
  if (size_t point = t.find('.'); point != std::string::npos) t.resize(point);
  int64_t value = 0;
  return ReadInteger(t, value) ? value : 0;
}

}  // namespace xb
