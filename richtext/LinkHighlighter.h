#pragma once
// LinkHighlighter shows the links LinkDetector finds as underlined text in
// the palette's link colour. It works on the layout only: the document's
// own formats are never touched, so detected links are not saved into the
// RTF, do not enter the undo history, and vanish when detection is off.
#include <QColor>
#include <QSyntaxHighlighter>

namespace qp {

class LinkHighlighter : public QSyntaxHighlighter {
  Q_OBJECT
 public:
  explicit LinkHighlighter(QObject* parent, QColor linkColor);

 protected:
  void highlightBlock(const QString& text) override;

 private:
  QColor linkColor_;
};

}  // namespace qp
