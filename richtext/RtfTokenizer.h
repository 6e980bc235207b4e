#pragma once
// RtfTokenizer splits RTF bytes into the lexical units the reader acts on:
// group braces, control words with their optional numeric parameter, control
// symbols, \'xx bytes, \binN data and runs of plain text.
//
// Promises, whatever the input:
//   (1) every call to next() consumes at least one byte or returns End, so a
//       reader loop terminates after at most size()+1 tokens;
//   (2) a control word name is at most kMaxWordLength letters (longer names
//       are consumed and cut) and its parameter is clamped to a 32-bit int,
//       so hostile digit strings cannot overflow anything downstream;
//   (3) token views point into the caller's buffer, which must outlive them;
//       the tokenizer allocates nothing.
#include <cstdint>
#include <string_view>

namespace qp {

struct RtfToken {
  enum class Kind { End, GroupOpen, GroupClose, Word, Symbol, HexByte, Text, Binary };

  Kind kind = Kind::End;
  std::string_view word;   // Word: the letters; Text and Binary: the bytes
  bool hasParam = false;   // Word only
  int32_t param = 0;       // Word: the clamped parameter
  char symbol = 0;         // Symbol: the character after the backslash
  uint8_t byte = 0;        // HexByte: the value of \'xx
};

class RtfTokenizer {
 public:
  static constexpr int kMaxWordLength = 32;
  static constexpr int kMaxParamDigits = 10;

  RtfTokenizer(const char* data, size_t size) : data_(data), size_(size) {}

  RtfToken next();
  // After a \binN word: hands out the next N bytes (fewer at end of input)
  // as one Binary token instead of tokenizing them.
  RtfToken takeBinary(int64_t count);

  size_t position() const { return pos_; }
  bool atEnd() const { return pos_ >= size_; }

 private:
  RtfToken readControl();
  RtfToken readText();

  const char* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace qp
