#pragma once
// Numbers as text in the user's notation: fixed-point output with the
// engine's decimal separator, and the lenient readers the dataset layer uses
// for field definitions and typed numbers ("$1,234.50", "- 12", "+7").
//
// Which characters are separators comes from DateSettings: the decimal
// separator, and for NormalizeNumber the thousands separator. Every reader
// accepts any text and gives 0 (or "") rather than failing.
#include <cstdint>
#include <string>
#include <string_view>

namespace xb {

// `x` right-aligned in `width` characters with `decimals` decimals, rounded
// half away from zero (2.5 -> "3", 0.125 -> "0.13");
// with decimals > 0 the '.' becomes the engine's decimal separator. A number
// wider than `width` is not cut. Negative widths and decimals count as 0;
// decimals are capped at 30, widths at 1024.
std::string FormatFloat(double x, int width, int decimals);
// `n` right-aligned in `width` characters (same width limits).
std::string FormatInt(int64_t n, int width);

// A small integer such as a field length: left spaces and one '+' dropped,
// thousands separators (',' when the decimal separator is '.', else '.') and
// the first '$' removed, cut at the first space, then the leading run of
// digits and '-' converted and clamped to -32768..32767. A run that is not
// an optional '-' followed by digits ("", "-", "5-3", "--5") gives 0.
int ParseSmallInt(std::string_view text);

// A number text rewritten for conversion: '$' and thousands separators
// removed, the decimal separator turned into '.', one leading '-' at most,
// a '0' before a leading '.', and everything from the first character that
// cannot continue the number on dropped, as is a trailing '.'. The result is
// "", "-", or an optional '-', digits, and at most one '.' followed by digits.
std::string NormalizeNumber(std::string_view text);

// The integer part of NormalizeNumber(text); 0 for a text with no digits.
// Values beyond the 64-bit range saturate.
int64_t IntegerPart(std::string_view text);

}  // namespace xb
