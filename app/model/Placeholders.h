#pragma once
// The markers a template text may hold, filled in when a note is made from
// it: <TIME>, <DATE> and <LONGDATE> become the time and date of creation,
// <C> marks where the caret starts. Each is replaced at its first
// occurrence only, matched case-sensitively, so a template can still show
// the marker text itself.
#include <QDateTime>
#include <QLocale>

class QTextDocument;

namespace qp {

// Fills in the markers of `document`; returns the caret position: where
// <C> was, else the start of the text.
int ReplacePlaceholders(QTextDocument& document, const QDateTime& now, const QLocale& locale = QLocale());

}  // namespace qp
