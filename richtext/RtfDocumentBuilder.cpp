#include "richtext/RtfDocumentBuilder.h"

#include <QCryptographicHash>
#include <QTextImageFormat>
#include <QTextList>
#include <QUrl>

namespace qp {
namespace {

// Text from \uN and raw bytes can hold characters QTextDocument gives a
// meaning of its own: U+FFFC is an object, U+2029 and line feeds split
// blocks, U+FDD0/U+FDD1 mark frames. None of them may enter as text, or the
// document's structure would follow the input instead of the paragraph marks.
QString sanitized(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    const char16_t u = c.unicode();
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
      out.append(c);
      out.append(text.at(++i));
    } else if (c.isSurrogate()) {
      out.append(QChar::ReplacementCharacter);
    } else if (u == 0x2029) {
      out.append(QChar::LineSeparator);
    } else if ((u < 0x20 && u != u'\t') || u == QChar::ObjectReplacementCharacter ||
               (u >= 0xFDD0 && u <= 0xFDEF)) {
      continue;
    } else {
      out.append(c);
    }
  }
  return out;
}

}  // namespace

RtfDocumentBuilder::RtfDocumentBuilder(QTextDocument& document)
    : document_(document), cursor_(&document) {
  document_.clear();
  cursor_ = QTextCursor(&document_);
}

QString RtfDocumentBuilder::imageName(const QByteArray& data) {
  return QStringLiteral("qp-image:") +
         QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha1).toHex());
}

void RtfDocumentBuilder::startContent() {
  if (needBlock_) {
    cursor_.insertBlock(QTextBlockFormat(), QTextCharFormat());
    needBlock_ = false;
  }
  hasContent_ = true;
}

void RtfDocumentBuilder::appendText(const QString& text, const QTextCharFormat& format) {
  if (text.isEmpty()) return;
  startContent();
  if (!pending_.isEmpty() && format != pendingFormat_) flush();
  if (pending_.isEmpty()) pendingFormat_ = format;
  pending_ += text;
}

void RtfDocumentBuilder::flush() {
  if (pending_.isEmpty()) return;
  const QString text = sanitized(pending_);
  if (!text.isEmpty()) cursor_.insertText(text, pendingFormat_);
  pending_.clear();
}

void RtfDocumentBuilder::appendImage(const QByteArray& data, QSizeF size,
                                     const QTextCharFormat& format) {
  startContent();
  flush();
  const QString name = imageName(data);
  // The encoded bytes are kept rather than the QImage: the document paints
  // from them just as well, and the writer can put a JPEG back unchanged
  // instead of inflating it into a PNG.
  document_.addResource(QTextDocument::ImageResource, QUrl(name), data);
  QTextImageFormat imageFormat;
  imageFormat.merge(format);
  imageFormat.setName(name);
  if (size.width() > 0 && size.height() > 0) {
    imageFormat.setWidth(size.width());
    imageFormat.setHeight(size.height());
  }
  cursor_.insertImage(imageFormat);
}

void RtfDocumentBuilder::applyParagraph(const QTextBlockFormat& block,
                                        QTextListFormat::Style style, const QString& listKey,
                                        int level) {
  flush();
  // setBlockFormat replaces the whole format, list membership included, so
  // the block joins its list only afterwards.
  cursor_.setBlockFormat(block);
  if (listKey.isEmpty() || style == QTextListFormat::ListStyleUndefined) return;
  if (QTextList* list = lists_.value(listKey)) {
    list->add(cursor_.block());
    return;
  }
  QTextListFormat format;
  format.setStyle(style);
  format.setIndent(level + 1);
  lists_.insert(listKey, cursor_.createList(format));
}

void RtfDocumentBuilder::endParagraph(const QTextBlockFormat& block,
                                      QTextListFormat::Style style, const QString& listKey,
                                      int level) {
  startContent();
  applyParagraph(block, style, listKey, level);
  needBlock_ = true;
}

void RtfDocumentBuilder::finish(const QTextBlockFormat& block, QTextListFormat::Style style,
                                const QString& listKey, int level) {
  if (needBlock_) {
    flush();
    return;
  }
  if (hasContent_) applyParagraph(block, style, listKey, level);
}

}  // namespace qp
