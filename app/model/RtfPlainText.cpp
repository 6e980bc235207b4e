#include "app/model/RtfPlainText.h"

#include <QByteArray>
#include <cctype>
#include <vector>

#include "components/IniFile.h"

namespace qp {

namespace {

bool IsSkippedDestination(QByteArrayView word) {
  static const char* const kSkipped[] = {"fonttbl", "colortbl", "stylesheet", "info",      "pict",
                                         "object",  "header",   "footer",     "headerl",   "headerr",
                                         "footerl", "footerr",  "fldinst",    "listtable", "listoverridetable",
                                         "themedata", "xmlnstbl", "rsidtbl",  "generator", "pntext",
                                         "latentstyles", "datastore", "colorschememapping", "filetbl"};
  for (const char* name : kSkipped)
    if (word == QByteArrayView(name)) return true;
  return false;
}

QChar Windows1252(char byte) {
  const QString one = IniFile::decodeWindows1252(QByteArray(1, byte));
  return one.isEmpty() ? QChar('?') : one[0];
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

QString RtfPlainText(QByteArrayView rtf) {
  struct Group {
    bool skip = false;
    int uc = 1;  // fallback characters after \uN
  };
  std::vector<Group> groups{Group{}};
  QString out;
  out.reserve(rtf.size() / 2);
  int fallback = 0;  // characters of a \uN fallback still to drop
  const qsizetype n = rtf.size();
  auto put = [&](QChar c) {
    if (fallback > 0) {
      --fallback;
      return;
    }
    if (!groups.back().skip) out += c;
  };
  for (qsizetype i = 0; i < n;) {
    const char c = rtf[i];
    if (c == '{') {
      // Nesting is capped so hostile input cannot grow memory without end.
      if (groups.size() < 256) groups.push_back(groups.back());
      ++i;
      continue;
    }
    if (c == '}') {
      if (groups.size() > 1) groups.pop_back();
      fallback = 0;
      ++i;
      continue;
    }
    if (c == '\r' || c == '\n') {
      ++i;
      continue;
    }
    if (c != '\\') {
      put(Windows1252(c));
      ++i;
      continue;
    }
    // A control symbol or word.
    if (++i >= n) break;
    const char s = rtf[i];
    if (s == '\'') {
      const int hi = i + 1 < n ? HexDigit(rtf[i + 1]) : -1;
      const int lo = i + 2 < n ? HexDigit(rtf[i + 2]) : -1;
      if (hi >= 0 && lo >= 0) put(Windows1252(static_cast<char>(hi * 16 + lo)));
      i += 3;
      continue;
    }
    if (!std::isalpha(static_cast<unsigned char>(s))) {
      if (s == '*') groups.back().skip = true;
      else if (s == '~') put(QChar(0x00A0));
      else if (s == '\\' || s == '{' || s == '}') put(QChar(s));
      else if (s == '\r' || s == '\n') put(QChar('\n'));
      ++i;
      continue;
    }
    const qsizetype start = i;
    while (i < n && std::isalpha(static_cast<unsigned char>(rtf[i]))) ++i;
    const QByteArrayView word = rtf.sliced(start, i - start);
    bool negative = false;
    long long value = 0;
    bool hasValue = false;
    if (i < n && rtf[i] == '-') {
      negative = true;
      ++i;
    }
    while (i < n && std::isdigit(static_cast<unsigned char>(rtf[i]))) {
      if (value < 100000000) value = value * 10 + (rtf[i] - '0');
      hasValue = true;
      ++i;
    }
    if (negative) value = -value;
    if (i < n && rtf[i] == ' ') ++i;  // the delimiter belongs to the word
    if (word == "par" || word == "line" || word == "sect" || word == "row") {
      put(QChar('\n'));
    } else if (word == "tab" || word == "cell") {
      put(QChar('\t'));
    } else if (word == "u" && hasValue) {
      put(QChar(static_cast<char16_t>(value < 0 ? value + 65536 : value)));
      fallback = groups.back().uc;
    } else if (word == "uc" && hasValue) {
      groups.back().uc = static_cast<int>(std::max(0LL, value));
    } else if (word == "bin" && hasValue) {
      i += std::max(0LL, value);  // binary data is never text
    } else if (IsSkippedDestination(word)) {
      groups.back().skip = true;
    }
  }
  // A trailing line break of the last \par is not part of the text.
  while (out.endsWith('\n')) out.chop(1);
  return out;
}

}  // namespace qp
