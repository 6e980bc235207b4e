#pragma once
// RtfWriter turns a QTextDocument into RTF that Windows rich-edit controls,
// word processors and RtfReader open: \ansi\ansicpg1252 with a font and a
// colour table, character runs as groups, paragraphs with indents,
// alignment, spacing and tabs, bullets and numbering in the \pn form (with
// {\pntext} for readers that ignore it), hyperlinks as HYPERLINK fields and
// pictures as PNG or JPEG \pict groups.
//
// Promises:
//   (1) the output is 7-bit ASCII; characters of Windows-1252 above 0x7F are
//       written as \'xx, every other character as \uN with a '?' fallback;
//   (2) every paragraph, the last one included, ends with \par, and
//       RtfReader reads the output back to the same text, character
//       formatting, paragraph formatting, lists and colours.
#include <QByteArray>

class QTextDocument;

namespace qp {

class RtfWriter {
 public:
  static QByteArray write(const QTextDocument& document);
};

}  // namespace qp
