#pragma once
// RtfDocumentBuilder writes what the RTF reader recognises into a
// QTextDocument: runs of formatted text, pictures and paragraph ends with
// their block and list formats.
//
// Promises:
//   (1) the document is cleared on construction and holds exactly the
//       paragraphs ended so far plus the one being filled;
//   (2) a paragraph mark that ends the input adds no empty paragraph after it,
//       as rich-edit controls load their own output ("text\par}" is one
//       paragraph), so write and read round trips keep the paragraph count;
//   (3) text never changes the document's structure: unpaired surrogates
//       become U+FFFD, and characters QTextDocument reserves (object, frame
//       and paragraph separators, C0 controls but tab) are dropped, whatever
//       \uN values or bytes the input held.
#include <QHash>
#include <QByteArray>
#include <QString>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextListFormat>

namespace qp {

class RtfDocumentBuilder {
 public:
  explicit RtfDocumentBuilder(QTextDocument& document);

  void appendText(const QString& text, const QTextCharFormat& format);
  // data: an encoded picture (PNG or JPEG) known to decode; size: display
  // size in pixels (may be empty).
  void appendImage(const QByteArray& data, QSizeF size, const QTextCharFormat& format);
  // Ends the current paragraph. listKey groups paragraphs into one QTextList;
  // an empty key means the paragraph is not a list item.
  void endParagraph(const QTextBlockFormat& block, QTextListFormat::Style style,
                    const QString& listKey, int level);
  // Applies the format of a last paragraph that has no paragraph mark.
  void finish(const QTextBlockFormat& block, QTextListFormat::Style style,
              const QString& listKey, int level);

  // The resource name images get: stable for equal picture data, so pasting
  // the same picture twice shares one resource.
  static QString imageName(const QByteArray& data);

 private:
  void flush();
  void startContent();
  void applyParagraph(const QTextBlockFormat& block, QTextListFormat::Style style,
                      const QString& listKey, int level);

  QTextDocument& document_;
  QTextCursor cursor_;
  QString pending_;
  QTextCharFormat pendingFormat_;
  bool needBlock_ = false;   // a paragraph was ended; the next content opens a new one
  bool hasContent_ = false;  // anything at all was written since the last mark
  QHash<QString, QTextList*> lists_;
};

}  // namespace qp
