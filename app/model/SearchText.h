#pragma once
// How the manager's search compares text: case and accents do not count
// ("Cafe" finds "CAFÉ"), and every typed word must occur. Folding maps each
// character to exactly one character, so a match found in the folded text
// is at the same place in the original: the preview highlights it there.
#include <QList>
#include <QString>
#include <QStringList>

namespace qp {

// The character without its accents, in lower case.
QChar FoldChar(QChar c);
// FoldChar applied to every character; the length does not change.
QString FoldForSearch(const QString& text);
// The folded words of a query (split at white space).
QStringList SearchWords(const QString& query);
// True when every word occurs in the folded text (no words: true).
bool MatchesAllWords(const QString& foldedText, const QStringList& words);

struct TextSpan {
  int start = 0;
  int length = 0;
};
// Every place a word of the query occurs in `text`, for highlighting.
QList<TextSpan> FindWords(const QString& text, const QString& query);

}  // namespace qp
