#pragma once
// RtfReader loads RTF, as Windows rich-edit controls and word processors
// write it, into a QTextDocument: fonts and colours, character formatting,
// paragraphs with indents, alignment and tabs, bullets and numbering in both
// the old (\pn) and the Word 97 (\ls with a list table) forms, text in the
// document's or the font's code page, \uN with its fallback, hyperlink
// fields and PNG and JPEG pictures.
//
// Promises:
//   (1) input that starts with "{\rtf" always yields a document, however it
//       continues (unbalanced braces, truncation, junk): the reader keeps what
//       it understood and ignores the rest;
//   (2) anything else is refused with an errorString() and an empty document;
//   (3) memory stays proportional to the input: group nesting, table sizes
//       and numeric parameters are capped (RtfGroupStack, RtfTables,
//       RtfTokenizer), and no input makes the reader recurse.
#include <QByteArrayView>
#include <QString>

class QTextDocument;

namespace qp {

class RtfReader {
 public:
  // True when data starts (after blanks) with the RTF signature "{\rtf".
  static bool looksLikeRtf(QByteArrayView data);

  // Replaces the content of document with the RTF in data.
  [[nodiscard]] bool read(QByteArrayView data, QTextDocument& document);
  QString errorString() const { return error_; }

 private:
  QString error_;
};

}  // namespace qp
