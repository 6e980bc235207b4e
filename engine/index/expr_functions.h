#pragma once
// The arithmetic behind the expression functions that is more than a line
// or two, kept apart from the evaluator's stack handling. None of these
// allocates; each accepts any double, including NaN, infinities and values
// beyond the integer ranges, and returns an orderly value for it.
#include <cstddef>
#include <cstdint>

namespace xb {

// Longest character value a function builds (REPLICATE, SPACE, STR, STUFF);
// longer results are cut to this length.
inline constexpr size_t kMaxBuiltLength = 255;

// trunc(x) as an integer, clamped to the type's range; NaN gives 0.
int64_t TruncToInt64(double x);
// trunc(x) clamped to -1'000'000..1'000'000: a count or position, where
// anything beyond a value's length means the same as the limit.
int TruncToCount(double x);

// ROUND(n, d): trunc(n) + trunc(f * 10^k) / 10^k with f = n - trunc(n) and
// k = trunc(d), the power applied as k multiplications and k divisions by
// 10, so digits beyond k decimals are dropped toward zero; k <= 0 gives
// trunc(n). k is capped at 300, past which every double is already whole.
double RoundDown(double n, double d);

// MOD(a, b): trunc(a) mod trunc(b) as 64-bit integers, the remainder taking
// the sign of trunc(a). A zero divisor gives trunc(a).
double TruncMod(double a, double b);

// a ** b. Computed with pow() (e^(b ln a) with less rounding); a result that
// is not a number (a negative base with a fractional exponent) gives 0.
double Power(double a, double b);

// SOUNDEX(s) into out[0..3].
void Soundex(const char* s, size_t length, char out[4]);

// STR(n, len, dec): n right-aligned in len characters with dec decimals,
// rounded half away from zero, '.' as the decimal point; len asterisks when
// the text is longer than len. len is capped at kMaxBuiltLength; a len below
// 1 gives the empty text. Returns the length written to `out`.
// REQUIRES: out has room for kMaxBuiltLength characters.
size_t FormatStr(double n, double len, double dec, char* out);

// Calendar parts of a day number (its day of week is JulianDayOfWeek in
// julian.h); 0 for a blank date or one outside 1 January 1 .. 31 December
// 9999.
int JulianYear(double day_number);
int JulianMonth(double day_number);
int JulianDay(double day_number);

}  // namespace xb
