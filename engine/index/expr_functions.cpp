#include "engine/index/expr_functions.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "engine/table/julian.h"

namespace xb {
namespace {

constexpr int kMaxCount = 1'000'000;
constexpr int kMaxRoundDigits = 300;
constexpr int kMaxStrDecimals = 60;

// Sound codes of A..Z.
constexpr char kSoundexDigits[] = "01230120022455012623010202";

bool InJulianRange(double d) { return d >= kFirstJulian && d <= kLastJulian; }

}  // namespace

int64_t TruncToInt64(double x) {
  if (std::isnan(x)) return 0;
  // 2^63 is the first double beyond int64; below -2^63 likewise.
  if (x >= 9223372036854775807.0) return std::numeric_limits<int64_t>::max();
  if (x <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(x);
}

int TruncToCount(double x) {
  if (std::isnan(x)) return 0;
  if (x >= kMaxCount) return kMaxCount;
  if (x <= -kMaxCount) return -kMaxCount;
  return static_cast<int>(x);
}

double RoundDown(double n, double d) {
  const double whole = std::trunc(n);
  if (!std::isfinite(n)) return n;
  const int k = TruncToCount(d) > kMaxRoundDigits ? kMaxRoundDigits : TruncToCount(d);
  if (k <= 0) return whole;
  double f = n - whole;
  for (int i = 0; i < k; ++i) f *= 10;
  f = std::trunc(f);
  for (int i = 0; i < k; ++i) f /= 10;
  return whole + f;
}

double TruncMod(double a, double b) {
  const int64_t x = TruncToInt64(a);
  const int64_t y = TruncToInt64(b);
  if (y == 0) return static_cast<double>(x);
  if (y == -1) return 0;  // INT64_MIN % -1 overflows
  return static_cast<double>(x % y);
}

double Power(double a, double b) {
  const double r = std::pow(a, b);
  return std::isnan(r) ? 0 : r;
}

void Soundex(const char* s, size_t length, char out[4]) {
  std::memcpy(out, "0000", 4);
  if (length > 100) length = 100;
  if (length == 0) return;
  auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
  auto digit = [](char c) { return (c >= 'A' && c <= 'Z') ? kSoundexDigits[c - 'A'] : '\0'; };
  const char first = upper(s[0]);
  out[0] = first;
  char previous = digit(first) != '\0' ? digit(first) : '0';
  int filled = 1;
  for (size_t i = 1; i < length && filled < 4; ++i) {
    const char d = digit(upper(s[i]));
    if (d == '\0') continue;  // not a letter: the previous code stays
    if (d != previous && d != '0') out[filled++] = d;
    previous = d;
  }
}

size_t FormatStr(double n, double len, double dec, char* out) {
  int width = TruncToCount(len);
  if (width > static_cast<int>(kMaxBuiltLength)) width = static_cast<int>(kMaxBuiltLength);
  if (width < 1) return 0;
  int decimals = TruncToCount(dec);
  if (decimals < 0) decimals = 0;
  if (decimals > kMaxStrDecimals) decimals = kMaxStrDecimals;

  // Round half away from zero first; printf alone rounds ties to even.
  double value = n;
  if (std::isfinite(n)) {
    const double scale = std::pow(10.0, decimals);
    const double scaled = n * scale;
    if (std::isfinite(scaled) && std::fabs(scaled) < 4503599627370496.0) {  // 2^52
      value = std::round(scaled) / scale;
    }
  }
  // %f of 1e308 needs 309 digits; anything wider than `width` becomes
  // asterisks, so a buffer of width + margin and the returned length decide.
  char text[kMaxBuiltLength + kMaxStrDecimals + 8];
  const int needed = std::snprintf(text, sizeof text, "%*.*f", width, decimals, value);
  if (needed < 0 || needed > width) {
    std::memset(out, '*', static_cast<size_t>(width));
    return static_cast<size_t>(width);
  }
  std::memcpy(out, text, static_cast<size_t>(needed));
  return static_cast<size_t>(needed);
}

int JulianYear(double day_number) {
  if (!InJulianRange(day_number)) return 0;
  int y, m, d;
  JulianToYMD(day_number, y, m, d);
  return y;
}

int JulianMonth(double day_number) {
  if (!InJulianRange(day_number)) return 0;
  int y, m, d;
  JulianToYMD(day_number, y, m, d);
  return m;
}

int JulianDay(double day_number) {
  if (!InJulianRange(day_number)) return 0;
  int y, m, d;
  JulianToYMD(day_number, y, m, d);
  return d;
}

}  // namespace xb
