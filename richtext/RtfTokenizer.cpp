#include "richtext/RtfTokenizer.h"

#include <limits>

namespace qp {
namespace {

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

RtfToken RtfTokenizer::next() {
  // Line ends between tokens carry no meaning in RTF; writers wrap long
  // lines anywhere, even inside hex picture data.
  while (pos_ < size_ && (data_[pos_] == '\r' || data_[pos_] == '\n')) ++pos_;
  RtfToken token;
  if (pos_ >= size_) return token;
  switch (data_[pos_]) {
    case '{':
      ++pos_;
      token.kind = RtfToken::Kind::GroupOpen;
      return token;
    case '}':
      ++pos_;
      token.kind = RtfToken::Kind::GroupClose;
      return token;
    case '\\':
      return readControl();
    default:
      return readText();
  }
}

RtfToken RtfTokenizer::readText() {
  const size_t start = pos_;
  while (pos_ < size_) {
    const char c = data_[pos_];
    if (c == '{' || c == '}' || c == '\\' || c == '\r' || c == '\n') break;
    ++pos_;
  }
  RtfToken token;
  token.kind = RtfToken::Kind::Text;
  token.word = std::string_view(data_ + start, pos_ - start);
  return token;
}

RtfToken RtfTokenizer::readControl() {
  ++pos_;  // the backslash
  RtfToken token;
  if (pos_ >= size_) {
    // A lone backslash at the very end: a symbol nobody knows, not "\\".
    token.kind = RtfToken::Kind::Symbol;
    token.symbol = 0;
    return token;
  }
  const char first = data_[pos_];
  if (!isLetter(first)) {
    ++pos_;
    if (first == '\'') {
      int high = pos_ < size_ ? hexValue(data_[pos_]) : -1;
      int low = pos_ + 1 < size_ ? hexValue(data_[pos_ + 1]) : -1;
      token.kind = RtfToken::Kind::HexByte;
      if (high >= 0 && low >= 0) {
        pos_ += 2;
        token.byte = uint8_t(high * 16 + low);
      } else if (high >= 0) {
        ++pos_;  // one digit only: take it rather than swallow the next token
        token.byte = uint8_t(high);
      } else {
        token.byte = '?';
      }
      return token;
    }
    // "\<CR>" and "\<LF>" are paragraph marks by old convention.
    token.kind = RtfToken::Kind::Symbol;
    token.symbol = (first == '\r' || first == '\n') ? '\n' : first;
    return token;
  }

  const size_t start = pos_;
  while (pos_ < size_ && isLetter(data_[pos_])) ++pos_;
  size_t length = pos_ - start;
  if (length > size_t(kMaxWordLength)) length = kMaxWordLength;
  token.kind = RtfToken::Kind::Word;
  token.word = std::string_view(data_ + start, length);

  bool negative = false;
  if (pos_ < size_ && data_[pos_] == '-' && pos_ + 1 < size_ && isDigit(data_[pos_ + 1])) {
    negative = true;
    ++pos_;
  }
  if (pos_ < size_ && isDigit(data_[pos_])) {
    int64_t value = 0;
    int digits = 0;
    // Digits past the cap are consumed so they do not turn into text, but
    // no longer change the value.
    while (pos_ < size_ && isDigit(data_[pos_])) {
      if (digits < kMaxParamDigits) value = value * 10 + (data_[pos_] - '0');
      ++digits;
      ++pos_;
    }
    if (digits > kMaxParamDigits) value = std::numeric_limits<int64_t>::max();
    if (negative) value = -value;
    constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
    if (value > kMax) value = kMax;
    if (value < kMin) value = kMin;
    token.hasParam = true;
    token.param = int32_t(value);
  }
  // One space delimits the control word and belongs to it.
  if (pos_ < size_ && data_[pos_] == ' ') ++pos_;
  return token;
}

RtfToken RtfTokenizer::takeBinary(int64_t count) {
  RtfToken token;
  token.kind = RtfToken::Kind::Binary;
  if (count < 0) count = 0;
  const size_t available = size_ - pos_;
  const size_t n = size_t(count) < available ? size_t(count) : available;
  token.word = std::string_view(data_ + pos_, n);
  pos_ += n;
  return token;
}

}  // namespace qp
