#include "app/model/SearchText.h"

#include <QRegularExpression>

namespace qp {

QChar FoldChar(QChar c) {
  if (c.unicode() < 0x80) return c.toLower();
  // A character with a decomposition ("é" = "e" + combining acute, "ﬁ" =
  // "f" "i") is taken as its first part: the base letter.
  if (c.decompositionTag() != QChar::NoDecomposition) {
    const QString parts = c.decomposition();
    if (!parts.isEmpty() && !parts[0].isSurrogate()) c = parts[0];
  }
  // Letters Unicode does not decompose but readers treat as accented.
  switch (c.unicode()) {
    case 0x00D8: case 0x00F8: return QChar('o');  // Ø ø
    case 0x0141: case 0x0142: return QChar('l');  // Ł ł
    case 0x0110: case 0x0111: return QChar('d');  // Đ đ
    default: break;
  }
  return c.toLower();
}

QString FoldForSearch(const QString& text) {
  QString out = text;
  for (QChar& c : out) c = FoldChar(c);
  return out;
}

QStringList SearchWords(const QString& query) {
  static const QRegularExpression kSpaces(QStringLiteral("\\s+"));
  return FoldForSearch(query).split(kSpaces, Qt::SkipEmptyParts);
}

bool MatchesAllWords(const QString& foldedText, const QStringList& words) {
  for (const QString& word : words)
    if (!foldedText.contains(word)) return false;
  return true;
}

QList<TextSpan> FindWords(const QString& text, const QString& query) {
  QList<TextSpan> spans;
  const QString folded = FoldForSearch(text);
  for (const QString& word : SearchWords(query)) {
    for (qsizetype at = folded.indexOf(word); at >= 0; at = folded.indexOf(word, at + word.size()))
      spans.append({static_cast<int>(at), static_cast<int>(word.size())});
  }
  return spans;
}

}  // namespace qp
