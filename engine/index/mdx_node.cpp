#include "engine/index/mdx_node.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace xb {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int CompareCharKeys(const uint8_t* a, const uint8_t* b, int length) {
  const int r = std::memcmp(a, b, static_cast<size_t>(length));
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int CompareNumericKeys(const uint8_t* a, const uint8_t* b) {
  const bool neg_a = (a[1] & 0x80) != 0;
  const bool neg_b = (b[1] & 0x80) != 0;
  if (neg_a != neg_b) return neg_a ? -1 : 1;
  const int digits_a = (a[1] >> 2) & 0x1F;
  const int digits_b = (b[1] >> 2) & 0x1F;
  // A key without digits is zero whatever its exponent byte says.
  const int exp_a = digits_a != 0 ? a[0] : 0;
  const int exp_b = digits_b != 0 ? b[0] : 0;
  int r = 0;
  if (exp_a != exp_b) {
    r = exp_a < exp_b ? -1 : 1;
  } else {
    const int bytes = std::min((std::max(digits_a, digits_b) + 1) / 2, 10);
    r = CompareCharKeys(a + 2, b + 2, bytes);
  }
  return neg_a ? -r : r;
}

int CompareDateKeys(const uint8_t* a, const uint8_t* b) {
  const double x = DecodeDate(a);
  const double y = DecodeDate(b);
  return x < y ? -1 : (x > y ? 1 : 0);
}

int KeyOrder::Compare(const uint8_t* a, const uint8_t* b, int bytes) const {
  int r = 0;
  switch (type) {
    case KeyType::kChar: r = CompareCharKeys(a, b, bytes); break;
    case KeyType::kNumeric: r = CompareNumericKeys(a, b); break;
    case KeyType::kDate: r = CompareDateKeys(a, b); break;
  }
  return descending ? -r : r;
}

NumericKey EncodeNumericText(std::string_view s, int decimals) {
  NumericKey k{};
  size_t p = 0;
  const size_t n = s.size();
  while (p < n && s[p] == ' ') ++p;
  if (p < n && s[p] == '+') {
    ++p;
  } else if (p < n && s[p] == '-') {
    k[1] |= 0x80;
    ++p;
  }
  while (p < n && (s[p] == ' ' || s[p] == '0')) ++p;
  int exponent = 0x34;
  bool fraction = false;
  if (p < n && s[p] == '.') {
    fraction = true;
    ++p;
    int zeros = 0;
    while (p < n && s[p] == '0') ++zeros, ++p;
    if (p < n && IsDigit(s[p])) exponent -= zeros;
  }
  int taken = 0, trailing = 0;
  bool dot_skipped = false;
  while (p < n && taken < 20) {
    const char c = s[p];
    if (c == '.' && !dot_skipped) {
      dot_skipped = true;
      fraction = true;
      ++p;
      continue;
    }
    if (!IsDigit(c)) break;
    const int digit = c - '0';
    k[2 + taken / 2] |= static_cast<uint8_t>(taken % 2 == 0 ? digit << 4 : digit);
    if (!fraction) ++exponent;
    trailing = digit == 0 ? trailing + 1 : 0;
    ++taken;
    ++p;
  }
  k[0] = static_cast<uint8_t>(exponent);
  k[1] |= 0x01;
  int zeros = trailing, minimum = 10;
  if (fraction && decimals > zeros) minimum = zeros = 0;
  int significant = taken - zeros;
  if (significant != 0 && significant < minimum) significant = minimum;
  significant = std::min(significant, 20);
  if (significant == 0)
    k[1] &= static_cast<uint8_t>(~0x80);  // zero carries no sign
  else
    k[1] |= static_cast<uint8_t>(significant * 4);
  return k;
}

NumericKey EncodeNumber(double value, int decimals) {
  if (!std::isfinite(value)) value = 0;
  decimals = std::clamp(decimals, 0, 30);
  char buf[512];
  const int len = std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
  const size_t used = len < 0 ? 0 : std::min<size_t>(static_cast<size_t>(len), sizeof buf - 1);
  return EncodeNumericText(std::string_view(buf, used), decimals);
}

std::array<uint8_t, 8> EncodeDate(double day_number) {
  std::array<uint8_t, 8> out{};
  const uint64_t bits = std::bit_cast<uint64_t>(day_number);
  for (int i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(bits >> (8 * i));
  return out;
}

double DecodeDate(const uint8_t* key) {
  uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits |= static_cast<uint64_t>(key[i]) << (8 * i);
  return std::bit_cast<double>(bits);
}

double DecodeNumericKey(const uint8_t* key) {
  const int digits = (key[1] >> 2) & 0x1F;
  if (digits == 0) return 0;
  double mantissa = 0, scale = 0.1;
  for (int i = 0; i < digits && i < 20; ++i) {
    const int d = (i % 2 == 0) ? key[2 + i / 2] >> 4 : key[2 + i / 2] & 0x0F;
    mantissa += d * scale;
    scale /= 10;
  }
  const double value = mantissa * std::pow(10.0, static_cast<int>(key[0]) - 0x34);
  return (key[1] & 0x80) ? -value : value;
}

}  // namespace xb
