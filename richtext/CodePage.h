#pragma once
// CodePage turns the bytes of RTF text (\'xx escapes and raw 8-bit text) into
// Unicode and back, for the single-byte Windows and OEM code pages Windows
// rich-edit controls and word processors write. The tables are our own
// (CodePageTables.cpp); no system conversion library is involved, so the
// result is the same on every platform.
//
// Promises: decode() maps every byte to exactly one UTF-16 unit; encode() is
// its inverse for the characters the page has, and -1 for the others. An
// unknown code page number falls back to Windows-1252, which is what a
// reader can do best with text in a double-byte page it does not carry.
#include <cstdint>

namespace qp {

class CodePage {
 public:
  static constexpr int kDefault = 1252;

  // REQUIRES: nothing; any number is accepted, unsupported ones give 1252.
  static const CodePage& forNumber(int number);
  static bool isSupported(int number);
  // The code page Windows uses for an RTF \fcharset value, or 0 when the
  // charset says "the document's code page" (DEFAULT_CHARSET and unknown ones).
  static int fromCharset(int charset);

  int number() const { return number_; }
  char16_t decode(uint8_t byte) const {
    return byte < 0x80 ? char16_t(byte) : upper_[byte - 0x80];
  }
  // The byte that stands for c in this page, or -1.
  int encode(char16_t c) const;

  // The tables are fixed; obtain pages through forNumber().
  constexpr CodePage(int number, const char16_t* upper) : number_(number), upper_(upper) {}

 private:
  int number_;
  const char16_t* upper_;
};

}  // namespace qp
