#include "richtext/LinkDetector.h"

#include <QRegularExpression>
#include <algorithm>

namespace qp {
namespace {

const QRegularExpression& urlPattern() {
  static const QRegularExpression pattern(
      QStringLiteral(R"((?<![\w@.])((?:https?|ftp|file|gopher|telnet|nntp|prospero|wais)://)"
                     R"(|(?:mailto|news):|www\.)[^\s<>"]*)"),
      QRegularExpression::CaseInsensitiveOption);
  return pattern;
}

const QRegularExpression& emailPattern() {
  static const QRegularExpression pattern(
      QStringLiteral(R"((?<![\w.%+-])[\w.%+-]+@[A-Za-z0-9-]+(?:\.[A-Za-z0-9-]+)+)"));
  return pattern;
}

// Sentence punctuation after a URL belongs to the sentence; a closing
// parenthesis belongs to the URL only when it closes one the URL opened.
qsizetype trimmedLength(QStringView match) {
  qsizetype length = match.size();
  while (length > 0) {
    const QChar c = match[length - 1];
    if (QStringView(u".,;:!?'\"").contains(c)) {
      --length;
    } else if (c == u')' && match.first(length).count(u')') > match.first(length).count(u'(')) {
      --length;
    } else {
      break;
    }
  }
  return length;
}

}  // namespace

QList<DetectedLink> detectLinks(QStringView text) {
  QList<DetectedLink> links;
  auto urls = urlPattern().globalMatch(text);
  while (urls.hasNext()) {
    const auto match = urls.next();
    const qsizetype length = trimmedLength(match.capturedView());
    // A scheme alone ("http://") is not a link.
    if (length <= match.capturedLength(1)) continue;
    QString url = match.capturedView().first(length).toString();
    if (url.startsWith(QStringLiteral("www."), Qt::CaseInsensitive))
      url.prepend(QStringLiteral("http://"));
    links.append({match.capturedStart(), length, url});
  }
  auto emails = emailPattern().globalMatch(text);
  while (emails.hasNext()) {
    const auto match = emails.next();
    const qsizetype start = match.capturedStart();
    const qsizetype length = trimmedLength(match.capturedView());
    bool inside = false;
    for (const DetectedLink& link : links)
      inside = inside || (start < link.start + link.length && link.start < start + length);
    if (!inside)
      links.append({start, length, QStringLiteral("mailto:") + match.capturedView().first(length).toString()});
  }
  std::sort(links.begin(), links.end(),
            [](const DetectedLink& a, const DetectedLink& b) { return a.start < b.start; });
  return links;
}

}  // namespace qp
