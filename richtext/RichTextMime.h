#pragma once
// RichTextMime moves formatted text between a rich-text document and the
// clipboard (or a drag): a selection goes out as RTF under "text/rtf" and
// "application/rtf", as HTML and as plain text; RTF coming in is read with
// our own reader so pictures and lists arrive as another rich-edit control
// would give them.
#include <QString>

class QMimeData;
class QTextCursor;
class QTextDocument;

namespace qp {

inline const QString kRtfMimeType = QStringLiteral("text/rtf");
inline const QString kRtfMimeTypeAlt = QStringLiteral("application/rtf");

// The selection of cursor as a new document, pictures included.
// REQUIRES: target is empty.
void copySelection(const QTextCursor& selection, QTextDocument& target);

// The selection of cursor in all four formats; the caller owns the result.
QMimeData* mimeDataFromSelection(const QTextCursor& selection);

bool hasRtf(const QMimeData* source);

// Inserts the RTF of source at cursor. Returns false, changing nothing, when
// source carries no readable RTF.
bool insertRtf(const QMimeData* source, QTextCursor& cursor);

// Inserts all of source (a whole document) at cursor with its pictures.
void insertDocument(const QTextDocument& source, QTextCursor& cursor);

}  // namespace qp
