#pragma once
// Small helpers shared by the rich-text tests: reading RTF into a document
// and looking at the format of a piece of text.
#include <QBuffer>
#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

#include <memory>

#include "richtext/RtfReader.h"

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace qp::testing {

inline std::unique_ptr<QTextDocument> readRtf(const QByteArray& rtf) {
  auto document = std::make_unique<QTextDocument>();
  RtfReader reader;
  EXPECT_TRUE(reader.read(rtf, *document)) << reader.errorString().toStdString();
  return document;
}

// The format of the first character of the first occurrence of text.
inline QTextCharFormat formatOf(const QTextDocument& document, const QString& text) {
  const QTextCursor found = document.find(text, 0, QTextDocument::FindCaseSensitively);
  EXPECT_FALSE(found.isNull()) << "no \"" << text.toStdString() << "\" in the document";
  QTextCursor at(const_cast<QTextDocument*>(&document));
  at.setPosition(found.isNull() ? 0 : found.selectionStart() + 1);
  return at.charFormat();
}

inline QTextBlock blockWith(const QTextDocument& document, const QString& text) {
  return document.find(text, 0, QTextDocument::FindCaseSensitively).block();
}

inline QByteArray pictureBytes(const char* format, QSize size, QColor color) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(color);
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return data;
}

}  // namespace qp::testing
