#include "richtext/LinkHighlighter.h"

#include "richtext/LinkDetector.h"

namespace qp {

LinkHighlighter::LinkHighlighter(QObject* parent, QColor linkColor)
    : QSyntaxHighlighter(parent), linkColor_(linkColor) {}

void LinkHighlighter::highlightBlock(const QString& text) {
  for (const DetectedLink& link : detectLinks(text)) {
    QTextCharFormat format;
    format.setFontUnderline(true);
    format.setForeground(linkColor_);
    format.setAnchor(true);
    format.setAnchorHref(link.url);
    setFormat(int(link.start), int(link.length), format);
  }
}

}  // namespace qp
