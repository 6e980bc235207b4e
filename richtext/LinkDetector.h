#pragma once
// LinkDetector finds what automatic URL detection marks in a paragraph: URLs
// with a scheme (http://, https://, ftp://, file://, news:, mailto:, ...),
// bare "www." addresses and e-mail addresses. It only reads text; showing
// and opening the links is LinkHighlighter's and RichEdit's job.
//
// Promises: the links come in text order, never overlap, never end in the
// sentence punctuation that usually follows a URL, and each carries a URL a
// desktop handler can open ("www.x.org" -> "http://www.x.org",
// "a@b.org" -> "mailto:a@b.org").
#include <QList>
#include <QString>
#include <QStringView>

namespace qp {

struct DetectedLink {
  qsizetype start = 0;
  qsizetype length = 0;
  QString url;

  bool operator==(const DetectedLink&) const = default;
};

QList<DetectedLink> detectLinks(QStringView text);

}  // namespace qp
