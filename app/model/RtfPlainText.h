#pragma once
// The plain text of RTF for the search, without building a document: the
// text runs of the body, \par and \line as line breaks, \tab, \'hh in
// Windows-1252, \uN with its fallback skipped, and the groups that hold no
// body text (font, colour and style tables, pictures, objects, document
// information, field instructions, "\*" destinations) left out. About
// twenty times faster than reading the RTF into a QTextDocument, which
// matters when thousands of notes are searched for the first time.
#include <QByteArrayView>
#include <QString>

namespace qp {

QString RtfPlainText(QByteArrayView rtf);

}  // namespace qp
