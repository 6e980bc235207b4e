#include "richtext/RichTextMime.h"

#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFragment>
#include <QUrl>

#include "richtext/RtfReader.h"
#include "richtext/RtfWriter.h"

namespace qp {
namespace {

// A fragment carries the image formats but not the pictures they name;
// those live in the source document's resources and are copied one by one.
// The names are those used in scan.
void copyImageResources(const QTextDocument& scan, const QTextDocument& from, QTextDocument& to) {
  for (QTextBlock block = scan.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextCharFormat format = it.fragment().charFormat();
      if (!format.isImageFormat()) continue;
      const QUrl name(format.toImageFormat().name());
      const QVariant picture = from.resource(QTextDocument::ImageResource, name);
      if (picture.isValid()) to.addResource(QTextDocument::ImageResource, name, picture);
    }
  }
}

}  // namespace

void copySelection(const QTextCursor& selection, QTextDocument& target) {
  const QTextDocument* source = selection.document();
  target.setDefaultFont(source->defaultFont());
  QTextCursor(&target).insertFragment(selection.selection());
  copyImageResources(target, *source, target);
}

QMimeData* mimeDataFromSelection(const QTextCursor& selection) {
  auto* data = new QMimeData;
  const QTextDocumentFragment fragment = selection.selection();
  data->setText(fragment.toPlainText());
  data->setHtml(fragment.toHtml());
  QTextDocument copy;
  copySelection(selection, copy);
  const QByteArray rtf = RtfWriter::write(copy);
  data->setData(kRtfMimeType, rtf);
  data->setData(kRtfMimeTypeAlt, rtf);
  return data;
}

bool hasRtf(const QMimeData* source) {
  return source && (source->hasFormat(kRtfMimeType) || source->hasFormat(kRtfMimeTypeAlt));
}

bool insertRtf(const QMimeData* source, QTextCursor& cursor) {
  if (!hasRtf(source)) return false;
  const QByteArray rtf = source->hasFormat(kRtfMimeType) ? source->data(kRtfMimeType)
                                                         : source->data(kRtfMimeTypeAlt);
  QTextDocument pasted;
  RtfReader reader;
  if (!reader.read(rtf, pasted)) return false;
  insertDocument(pasted, cursor);
  return true;
}

void insertDocument(const QTextDocument& source, QTextCursor& cursor) {
  copyImageResources(source, source, *cursor.document());
  cursor.insertFragment(QTextDocumentFragment(&source));
}

}  // namespace qp
