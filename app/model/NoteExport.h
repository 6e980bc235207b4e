#pragma once
// Writes notes to a folder, one file per note, as HTML, RTF or plain text.
// The file is named after the note's caption, made safe for any file
// system (no separators, reserved characters or device names, not empty,
// not too long) and unique: a second "Shopping" becomes "Shopping (2)".
// An existing file is never overwritten; the export picks the next free
// name instead.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace qp {

enum class ExportFormat { Html, Rtf, Text };

struct ExportNote {
  QString caption;
  QByteArray rtf;  // the stored memo: RTF, or plain Windows-1252 text
};

struct ExportResult {
  int written = 0;
  QStringList files;   // the paths written
  QString error;       // the first failure; empty when all were written
  bool ok() const { return error.isEmpty(); }
};

// "html", "rtf" or "txt" (any case); false for anything else.
bool ParseExportFormat(const QString& text, ExportFormat& format);
QString ExportExtension(ExportFormat format);
// The caption as a file name without extension.
QString SafeFileName(const QString& caption);
// The note's text in the format (HTML as XHTML with a UTF-8 header).
QByteArray ExportContent(const ExportNote& note, ExportFormat format);
// Writes every note into `folder` (created when missing).
ExportResult ExportNotes(const QList<ExportNote>& notes, const QString& folder, ExportFormat format);

}  // namespace qp
