#include "app/model/NoteExport.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include "components/IniFile.h"
#include "richtext/RtfReader.h"
#include "richtext/RtfWriter.h"

namespace qp {

namespace {

// Long enough for any caption (50 characters) with a counter, short enough
// for every file system's name limit in UTF-8.
constexpr int kMaxBaseLength = 80;

void LoadNote(const QByteArray& memo, QTextDocument& document) {
  if (RtfReader::looksLikeRtf(memo)) {
    RtfReader reader;
    if (reader.read(memo, document)) return;
  }
  document.setPlainText(IniFile::decodeWindows1252(memo));
}

QByteArray Escaped(const QString& text) { return text.toHtmlEscaped().toUtf8(); }

// Qt writes HTML 4 with unclosed elements; notes leave as XHTML so that
// any XML or HTML reader takes them.
QByteArray XhtmlOf(const QTextDocument& document, const QString& title) {
  QByteArray out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\">\n<head>\n"
      "<meta charset=\"UTF-8\" />\n<title>" +
      Escaped(title) + "</title>\n</head>\n<body>\n";
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    out += "<p>";
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (!fragment.isValid()) continue;
      const QTextCharFormat f = fragment.charFormat();
      QByteArray open, close;
      if (f.fontWeight() >= QFont::Bold) open += "<b>", close.prepend("</b>");
      if (f.fontItalic()) open += "<i>", close.prepend("</i>");
      if (f.fontUnderline()) open += "<u>", close.prepend("</u>");
      if (f.fontStrikeOut()) open += "<s>", close.prepend("</s>");
      if (f.isAnchor() && !f.anchorHref().isEmpty())
        open += "<a href=\"" + Escaped(f.anchorHref()) + "\">", close.prepend("</a>");
      QString text = fragment.text();
      text.replace(QChar::LineSeparator, QChar('\n'));
      text.remove(QChar::ObjectReplacementCharacter);  // pictures stay behind
      QByteArray body = Escaped(text);
      body.replace("\n", "<br />");
      out += open + body + close;
    }
    out += "</p>\n";
  }
  out += "</body>\n</html>\n";
  return out;
}

bool IsReservedDeviceName(const QString& base) {
  static const QSet<QString> kNames = {"con", "prn", "aux", "nul", "com1", "com2", "com3", "com4", "com5",
                                       "com6", "com7", "com8", "com9", "lpt1", "lpt2", "lpt3", "lpt4",
                                       "lpt5", "lpt6", "lpt7", "lpt8", "lpt9"};
  return kNames.contains(base.section('.', 0, 0).toLower());
}

}  // namespace

bool ParseExportFormat(const QString& text, ExportFormat& format) {
  const QString t = text.trimmed().toLower();
  if (t == "html" || t == "htm") format = ExportFormat::Html;
  else if (t == "rtf") format = ExportFormat::Rtf;
  else if (t == "txt" || t == "text") format = ExportFormat::Text;
  else return false;
  return true;
}

QString ExportExtension(ExportFormat format) {
  switch (format) {
    case ExportFormat::Html: return QStringLiteral("html");
    case ExportFormat::Rtf: return QStringLiteral("rtf");
    case ExportFormat::Text: return QStringLiteral("txt");
  }
  return QStringLiteral("txt");
}

QString SafeFileName(const QString& caption) {
  QString name;
  for (QChar c : caption) {
    // Separators and the characters other systems reserve become "_".
    if (c.unicode() < 0x20 || c == QChar(0x7F) || QStringLiteral("/\\:*?\"<>|").contains(c))
      name += QChar('_');
    else
      name += c;
  }
  name = name.simplified();
  // Leading dots would hide the file; trailing dots and blanks are dropped
  // by some file systems, making two names one.
  while (name.startsWith('.')) name.remove(0, 1);
  while (name.endsWith('.') || name.endsWith(' ')) name.chop(1);
  if (name.size() > kMaxBaseLength) name = name.left(kMaxBaseLength).trimmed();
  if (name.isEmpty()) name = QStringLiteral("Untitled note");
  if (IsReservedDeviceName(name)) name.prepend(QChar('_'));
  return name;
}

QByteArray ExportContent(const ExportNote& note, ExportFormat format) {
  if (format == ExportFormat::Rtf && RtfReader::looksLikeRtf(note.rtf)) return note.rtf;  // as stored
  QTextDocument document;
  LoadNote(note.rtf, document);
  switch (format) {
    case ExportFormat::Rtf: return RtfWriter::write(document);
    case ExportFormat::Html: return XhtmlOf(document, note.caption);
    case ExportFormat::Text: return document.toPlainText().toUtf8() + '\n';
  }
  return {};
}

ExportResult ExportNotes(const QList<ExportNote>& notes, const QString& folder, ExportFormat format) {
  ExportResult result;
  QDir dir(folder);
  if (!dir.mkpath(QStringLiteral("."))) {
    result.error = QStringLiteral("Unable to create the folder ") + folder;
    return result;
  }
  const QString extension = ExportExtension(format);
  QSet<QString> taken;  // lower case: a name differing only in case is the same file elsewhere
  for (const ExportNote& note : notes) {
    const QString base = SafeFileName(note.caption);
    QString name = base + '.' + extension;
    for (int n = 2; taken.contains(name.toLower()) || QFileInfo::exists(dir.filePath(name)); ++n)
      name = QStringLiteral("%1 (%2).%3").arg(base).arg(n).arg(extension);
    taken.insert(name.toLower());
    QSaveFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(ExportContent(note, format)) < 0 || !file.commit()) {
      if (result.error.isEmpty()) result.error = QStringLiteral("Unable to write ") + dir.filePath(name);
      continue;
    }
    ++result.written;
    result.files.append(dir.filePath(name));
  }
  return result;
}

}  // namespace qp
