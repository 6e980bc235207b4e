#include "components/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <array>
#include <climits>
#include <vector>

namespace qp {
namespace {

// 0x80..0x9F of Windows-1252; the five unassigned bytes map to the C1
// controls of the same value, as MultiByteToWideChar does, so any byte
// survives a read-write round trip.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char EncodeChar(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == c) return static_cast<char>(0x80 + i);
  }
  return '?';
}

bool HasLineBreak(const QString& s) {
  return s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r'));
}

bool IsQuoted(const QString& s) {
  return s.size() >= 2 && (s.front() == QLatin1Char('"') || s.front() == QLatin1Char('\'')) &&
         s.back() == s.front();
}

// Mirrors the read side: blanks are trimmed and one pair of enclosing quotes
// is removed, so such values need quotes of their own to come back intact.
QString EncodeValue(const QString& value) {
  if (value.isEmpty()) return value;
  const bool padded = value.front().isSpace() || value.back().isSpace();
  return padded || IsQuoted(value) ? QLatin1Char('"') + value + QLatin1Char('"') : value;
}

QString DecodeValue(QString raw) {
  raw = raw.trimmed();
  if (IsQuoted(raw)) return raw.mid(1, raw.size() - 2);
  return raw;
}

bool ParseInteger(QString text, int& out) {
  text = text.trimmed();
  bool negative = false;
  if (text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+'))) {
    negative = text.front() == QLatin1Char('-');
    text.remove(0, 1);
  }
  int base = 10;
  if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
    base = 16;
    text.remove(0, 2);
  } else if (text.startsWith(QLatin1Char('$'))) {
    base = 16;
    text.remove(0, 1);
  }
  if (text.isEmpty()) return false;
  qint64 value = 0;
  for (QChar c : text) {
    const int digit = c.isDigit() ? c.digitValue()
                      : (base == 16 && c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f'))
                          ? c.toLower().unicode() - 'a' + 10
                          : -1;
    if (digit < 0 || digit >= base) return false;
    value = value * base + digit;
    if (value > qint64{1} << 32) return false;
  }
  if (negative) value = -value;
  if (value < INT_MIN || value > INT_MAX) return false;
  out = static_cast<int>(value);
  return true;
}

}  // namespace

// One physical line: its text without the line end, and the end it had
// (empty for a last line without one), so untouched lines are written back
// exactly.
struct IniFile::Line {
  QString text;
  QString eol;
};

// The file as a list of lines plus lookups over it. Positions are indexes
// into lines; a section spans from its header to the next header.
class IniFile::Document {
 public:
  std::vector<Line> lines;

  static bool IsSectionHeader(const QString& text, QString* name) {
    const QString t = text.trimmed();
    if (!t.startsWith(QLatin1Char('['))) return false;
    const qsizetype close = t.indexOf(QLatin1Char(']'));
    if (name) *name = (close < 0 ? t.mid(1) : t.mid(1, close - 1)).trimmed();
    return true;
  }

  // Splits a key line; comment, blank and section lines are not key lines.
  static bool SplitKey(const QString& text, QString* key, QString* raw_value) {
    const QString t = text.trimmed();
    if (t.isEmpty() || t.startsWith(QLatin1Char(';')) || t.startsWith(QLatin1Char('['))) return false;
    const qsizetype eq = t.indexOf(QLatin1Char('='));
    if (eq <= 0) return false;
    if (key) *key = t.left(eq).trimmed();
    if (raw_value) *raw_value = t.mid(eq + 1);
    return true;
  }

  // Index of the section's header line, or -1.
  int FindSection(const QString& section) const {
    QString name;
    for (size_t i = 0; i < lines.size(); ++i) {
      if (IsSectionHeader(lines[i].text, &name) && name.compare(section, Qt::CaseInsensitive) == 0)
        return static_cast<int>(i);
    }
    return -1;
  }

  // One past the last line of the section that starts at `header`.
  int SectionEnd(int header) const {
    int i = header + 1;
    while (i < static_cast<int>(lines.size()) && !IsSectionHeader(lines[i].text, nullptr)) ++i;
    return i;
  }

  int FindKey(int header, const QString& key, QString* raw_value = nullptr) const {
    QString name;
    for (int i = header + 1; i < SectionEnd(header); ++i) {
      if (SplitKey(lines[i].text, &name, raw_value) && name.compare(key, Qt::CaseInsensitive) == 0)
        return i;
    }
    return -1;
  }

  bool Lookup(const QString& section, const QString& key, QString* raw_value) const {
    const int header = FindSection(section);
    return header >= 0 && FindKey(header, key, raw_value) >= 0;
  }

  void Insert(int at, const QString& text) {
    // The line before may be the unterminated last line of the file.
    if (at > 0 && lines[at - 1].eol.isEmpty()) lines[at - 1].eol = QStringLiteral("\r\n");
    lines.insert(lines.begin() + at, Line{text, QStringLiteral("\r\n")});
  }

  void Set(const QString& section, const QString& key, const QString& value) {
    int header = FindSection(section);
    if (header < 0) {
      // A blank line sets a new section apart from the text above it.
      if (!lines.empty() && !lines.back().text.trimmed().isEmpty()) Insert(lines.size(), QString());
      Insert(lines.size(), QLatin1Char('[') + section + QLatin1Char(']'));
      header = static_cast<int>(lines.size()) - 1;
    }
    const int at = FindKey(header, key);
    if (at >= 0) {
      QString existing;
      SplitKey(lines[at].text, &existing, nullptr);
      lines[at].text = existing + QLatin1Char('=') + value;
      return;
    }
    // After the section's last non-blank line, so the blank line that
    // separates it from the next section stays in place.
    int pos = SectionEnd(header);
    while (pos > header + 1 && lines[pos - 1].text.trimmed().isEmpty()) --pos;
    Insert(pos, key + QLatin1Char('=') + value);
  }
};

IniFile::IniFile(QString file_name) : file_name_(std::move(file_name)) {}

QString IniFile::decodeWindows1252(const QByteArray& bytes) {
  QString out;
  out.reserve(bytes.size());
  for (char b : bytes) {
    const auto u = static_cast<unsigned char>(b);
    out.append(QChar(u >= 0x80 && u < 0xA0 ? kHighControls[u - 0x80] : char16_t{u}));
  }
  return out;
}

QByteArray IniFile::encodeWindows1252(const QString& text) {
  QByteArray out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    // A surrogate pair is one character the code page cannot hold: one '?'.
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ++i;
    out.append(EncodeChar(c.unicode()));
  }
  return out;
}

bool IniFile::load(Document& doc, bool for_write) const {
  doc.lines.clear();
  QFile file(file_name_);
  if (!file.exists()) return true;  // an absent file is an empty one
  if (!file.open(QIODevice::ReadOnly)) {
    error_ = QStringLiteral("Cannot read %1: %2").arg(file_name_, file.errorString());
    // A reader falls back to defaults; a writer must not replace a file it
    // could not read, or every other key would be lost.
    return !for_write;
  }
  const QString text = decodeWindows1252(file.readAll());
  qsizetype start = 0;
  while (start < text.size()) {
    qsizetype end = start;
    while (end < text.size() && text[end] != QLatin1Char('\r') && text[end] != QLatin1Char('\n')) ++end;
    qsizetype next = end;
    if (next < text.size() && text[next] == QLatin1Char('\r')) ++next;
    if (next < text.size() && text[next] == QLatin1Char('\n')) ++next;
    doc.lines.push_back(Line{text.mid(start, end - start), text.mid(end, next - end)});
    start = next;
  }
  return true;
}

bool IniFile::save(const Document& doc) {
  QString text;
  for (const Line& line : doc.lines) text += line.text + line.eol;
  QSaveFile file(file_name_);
  if (!file.open(QIODevice::WriteOnly)) {
    error_ = QStringLiteral("Cannot write %1: %2").arg(file_name_, file.errorString());
    return false;
  }
  file.write(encodeWindows1252(text));
  if (!file.commit()) {
    error_ = QStringLiteral("Cannot write %1: %2").arg(file_name_, file.errorString());
    return false;
  }
  return true;
}

QString IniFile::readString(const QString& section, const QString& key,
                            const QString& default_value) const {
  Document doc;
  QString raw;
  if (!load(doc, false) || !doc.Lookup(section, key, &raw)) return default_value;
  return DecodeValue(raw);
}

int IniFile::readInteger(const QString& section, const QString& key, int default_value) const {
  int value = default_value;
  return ParseInteger(readString(section, key), value) ? value : default_value;
}

bool IniFile::readBool(const QString& section, const QString& key, bool default_value) const {
  const QString text = readString(section, key).trimmed();
  if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) return true;
  if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) return false;
  int value = 0;
  return ParseInteger(text, value) ? value != 0 : default_value;
}

bool IniFile::valueExists(const QString& section, const QString& key) const {
  Document doc;
  return load(doc, false) && doc.Lookup(section, key, nullptr);
}

bool IniFile::sectionExists(const QString& section) const {
  Document doc;
  return load(doc, false) && doc.FindSection(section) >= 0;
}

QStringList IniFile::sections() const {
  Document doc;
  QStringList out;
  QString name;
  if (!load(doc, false)) return out;
  for (const Line& line : doc.lines) {
    if (Document::IsSectionHeader(line.text, &name)) out << name;
  }
  return out;
}

QStringList IniFile::keys(const QString& section) const {
  Document doc;
  QStringList out;
  if (!load(doc, false)) return out;
  const int header = doc.FindSection(section);
  if (header < 0) return out;
  QString key;
  for (int i = header + 1; i < doc.SectionEnd(header); ++i) {
    if (Document::SplitKey(doc.lines[i].text, &key, nullptr)) out << key;
  }
  return out;
}

bool IniFile::writeString(const QString& section, const QString& key, const QString& value) {
  const QString s = section.trimmed();
  const QString k = key.trimmed();
  if (s.isEmpty() || s.contains(QLatin1Char(']')) || HasLineBreak(section) || k.isEmpty() ||
      k.contains(QLatin1Char('=')) || k.startsWith(QLatin1Char('[')) ||
      k.startsWith(QLatin1Char(';')) || HasLineBreak(key) || HasLineBreak(value)) {
    error_ = QStringLiteral("Refused to write [%1] %2: the text would break the file").arg(s, k);
    return false;
  }
  Document doc;
  if (!load(doc, true)) return false;
  QString raw;
  // Rewriting an unchanged value would only cost a file replacement.
  if (doc.Lookup(s, k, &raw) && DecodeValue(raw) == value) return true;
  doc.Set(s, k, EncodeValue(value));
  return save(doc);
}

bool IniFile::writeInteger(const QString& section, const QString& key, int value) {
  return writeString(section, key, QString::number(value));
}

bool IniFile::writeBool(const QString& section, const QString& key, bool value) {
  return writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool IniFile::deleteKey(const QString& section, const QString& key) {
  Document doc;
  if (!load(doc, true)) return false;
  const int header = doc.FindSection(section);
  const int at = header < 0 ? -1 : doc.FindKey(header, key);
  if (at < 0) return true;
  doc.lines.erase(doc.lines.begin() + at);
  return save(doc);
}

bool IniFile::eraseSection(const QString& section) {
  Document doc;
  if (!load(doc, true)) return false;
  const int header = doc.FindSection(section);
  if (header < 0) return true;
  doc.lines.erase(doc.lines.begin() + header, doc.lines.begin() + doc.SectionEnd(header));
  return save(doc);
}

}  // namespace qp
