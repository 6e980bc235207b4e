#include "app/model/Placeholders.h"

#include <QTextCursor>
#include <QTextDocument>

namespace qp {

namespace {

// Replaces the first case-sensitive match of `marker`; returns its position
// or -1.
int ReplaceFirst(QTextDocument& document, const QString& marker, const QString& with) {
  QTextCursor found = document.find(marker, 0, QTextDocument::FindCaseSensitively);
  if (found.isNull()) return -1;
  const int at = found.selectionStart();
  found.insertText(with);  // keeps the marker's character format
  return at;
}

}  // namespace

int ReplacePlaceholders(QTextDocument& document, const QDateTime& now, const QLocale& locale) {
  ReplaceFirst(document, QStringLiteral("<TIME>"), locale.toString(now.time(), QLocale::LongFormat));
  ReplaceFirst(document, QStringLiteral("<DATE>"), locale.toString(now.date(), QLocale::ShortFormat));
  ReplaceFirst(document, QStringLiteral("<LONGDATE>"), locale.toString(now.date(), QStringLiteral("dddd, MMMM d, yyyy")));
  const int caret = ReplaceFirst(document, QStringLiteral("<C>"), QString());
  return caret < 0 ? 0 : caret;
}

}  // namespace qp
