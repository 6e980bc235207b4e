#pragma once
// IniFile reads and writes one Windows-style INI file (Config.cfg and the
// window placements kept in it) by section and key.
//
// Promises:
//   (1) Sections and keys match without regard to case; the first of several
//       equal sections or keys wins, as with the Windows profile functions.
//   (2) Every read looks at the file as it is on disk now, and every write
//       re-reads it first, so two IniFile objects (or two processes taking
//       turns) never undo each other's keys.
//   (3) Writing one key changes only that key's line; comments, blank lines,
//       unknown sections and the line endings of untouched lines stay byte
//       for byte as they were.
//   (4) A write replaces the file through a temporary file and a rename, so
//       a crash at any moment leaves either the old or the new complete file.
//   (5) A value reads back exactly as written. Values with leading or
//       trailing blanks, or that would otherwise lose enclosing quotes on
//       reading, are written inside double quotes, which reading removes.
//   (6) An absent key reads as the caller's default; integers are decimal
//       text and Booleans are stored as 1 and 0.
//
// On disk the file is Windows-1252 text laid out as
//
//   [Section]<CR><LF>
//   Key=Value<CR><LF>
//
// Reading accepts CRLF, LF or CR line ends alike, blanks around names and
// values, and ';' comment lines. Characters that Windows-1252 cannot hold are
// written as '?', as the Windows ANSI profile functions do.
//
// Text that would break the layout is refused rather than written: a write
// returns false for an empty key, a key with '=' or starting with '[' or ';',
// a section with ']', and any name or value holding a line break.
#include <QString>
#include <QStringList>

namespace qp {

class IniFile {
 public:
  explicit IniFile(QString file_name);

  const QString& fileName() const { return file_name_; }

  QString readString(const QString& section, const QString& key,
                     const QString& default_value = QString()) const;
  // Decimal with an optional sign, or hexadecimal after "0x" or "$"; any
  // other text, or a number outside the int range, gives the default.
  int readInteger(const QString& section, const QString& key, int default_value) const;
  // Read as an integer (non-zero is true); "true" and "false" are accepted too.
  bool readBool(const QString& section, const QString& key, bool default_value) const;

  bool valueExists(const QString& section, const QString& key) const;
  bool sectionExists(const QString& section) const;
  QStringList sections() const;
  QStringList keys(const QString& section) const;

  // Each returns false, with errorString() set, when the text is refused or
  // the file cannot be written; the file on disk is then unchanged.
  bool writeString(const QString& section, const QString& key, const QString& value);
  bool writeInteger(const QString& section, const QString& key, int value);
  bool writeBool(const QString& section, const QString& key, bool value);
  bool deleteKey(const QString& section, const QString& key);
  bool eraseSection(const QString& section);

  QString errorString() const { return error_; }

  // Windows-1252 conversion at the file boundary, public for tests and for
  // callers that must match the file's bytes.
  static QString decodeWindows1252(const QByteArray& bytes);
  static QByteArray encodeWindows1252(const QString& text);

 private:
  struct Line;
  class Document;

  bool load(Document& doc, bool for_write) const;
  bool save(const Document& doc);

  QString file_name_;
  mutable QString error_;
};

}  // namespace qp
