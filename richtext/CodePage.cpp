#include "richtext/CodePage.h"

#include "platform/codepage_tables.h"
#include "richtext/CodePageTables.h"

namespace qp {
namespace {

using namespace codepage_tables;
using platform::codepage_tables::kCp1252;
using platform::codepage_tables::kCp437;
using platform::codepage_tables::kCp866;

constexpr CodePage kPages[] = {
    {1252, kCp1252}, {1251, kCp1251}, {1250, kCp1250}, {1253, kCp1253}, {1254, kCp1254},
    {1257, kCp1257}, {437, kCp437},   {850, kCp850},   {866, kCp866},
};

}  // namespace

const CodePage& CodePage::forNumber(int number) {
  for (const CodePage& page : kPages)
    if (page.number() == number) return page;
  return kPages[0];
}

bool CodePage::isSupported(int number) {
  for (const CodePage& page : kPages)
    if (page.number() == number) return true;
  return false;
}

int CodePage::fromCharset(int charset) {
  switch (charset) {
    case 0: return 1252;     // ANSI_CHARSET
    case 2: return 1252;     // SYMBOL_CHARSET: bytes are glyph numbers; 1252 keeps ASCII readable
    case 77: return 10000;   // MAC_CHARSET
    case 128: return 932;    // SHIFTJIS
    case 129: return 949;    // HANGUL
    case 134: return 936;    // GB2312
    case 136: return 950;    // CHINESEBIG5
    case 161: return 1253;   // GREEK
    case 162: return 1254;   // TURKISH
    case 163: return 1258;   // VIETNAMESE
    case 177: return 1255;   // HEBREW
    case 178: return 1256;   // ARABIC
    case 186: return 1257;   // BALTIC
    case 204: return 1251;   // RUSSIAN
    case 222: return 874;    // THAI
    case 238: return 1250;   // EASTEUROPE
    case 254: return 437;    // PC437
    case 255: return 850;    // OEM_CHARSET, as Western European DOS boxes have it
    default: return 0;       // DEFAULT_CHARSET (1) and anything unknown
  }
}

int CodePage::encode(char16_t c) const {
  if (c < 0x80) return int(c);
  // A linear scan of 128 entries is cheap next to the rest of the writer and
  // spares a second table that could drift from the first.
  for (int i = 0; i < 128; ++i)
    if (upper_[i] == c) return 0x80 + i;
  return -1;
}

}  // namespace qp
