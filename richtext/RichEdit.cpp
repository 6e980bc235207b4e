#include "richtext/RichEdit.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QFontDialog>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextImageFormat>
#include <QTextList>

#include "richtext/CodePage.h"
#include "richtext/FindReplaceDialog.h"
#include "richtext/LinkDetector.h"
#include "richtext/LinkHighlighter.h"
#include "richtext/ParagraphDialog.h"
#include "richtext/RichEditActions.h"
#include "richtext/RichEditDialog.h"
#include "richtext/RichTextMime.h"
#include "richtext/RtfDocumentBuilder.h"
#include "richtext/RtfReader.h"
#include "richtext/RtfWriter.h"
#include "richtext/TabsDialog.h"

namespace qp {
namespace {

bool isBold(const QTextCharFormat& f) { return f.fontWeight() > QFont::Medium; }
bool isItalic(const QTextCharFormat& f) { return f.fontItalic(); }
bool isUnderlined(const QTextCharFormat& f) { return f.fontUnderline(); }

// Text that is not RTF: UTF-8 when it is valid UTF-8, else the Windows
// ANSI code page the memo files were written in.
QString decodePlainText(const QByteArray& data) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(data);
  if (!utf8.hasError()) return text;
  const CodePage& page = CodePage::forNumber(1252);
  text.clear();
  for (char c : data) text.append(QChar(page.decode(uint8_t(c))));
  return text;
}

}  // namespace

RichEdit::RichEdit(QWidget* parent) : QTextEdit(parent) {
  setAcceptRichText(true);
  setTabChangesFocus(false);
  actions_ = new RichEditActions(this);
}

RichEdit::~RichEdit() = default;

void RichEdit::setRtf(const QByteArray& data) {
  // Loading is not an edit: rich-edit controls start a fresh undo history.
  document()->setUndoRedoEnabled(false);
  RtfReader reader;
  if (!reader.read(data, *document())) {
    document()->clear();
    setPlainText(decodePlainText(data));
  }
  document()->setUndoRedoEnabled(true);
  document()->setModified(false);
  moveCursor(QTextCursor::Start);
}

QByteArray RichEdit::rtf() const { return RtfWriter::write(*document()); }

bool RichEdit::loadFromStream(QIODevice& device) {
  if (!device.isReadable()) return false;
  const QByteArray data = device.readAll();
  setRtf(data);
  return true;
}

bool RichEdit::saveToStream(QIODevice& device) const {
  const QByteArray data = rtf();
  return device.isWritable() && device.write(data) == data.size();
}

void RichEdit::copyContentFrom(const RichEdit& other) { setRtf(other.rtf()); }

int RichEdit::findText(const QString& text, int from, int to,
                       QTextDocument::FindFlags flags) const {
  if (text.isEmpty()) return -1;
  const QTextCursor found = document()->find(text, std::max(0, from), flags);
  if (found.isNull()) return -1;
  if (to >= 0 && found.selectionEnd() > to) return -1;
  return found.selectionStart();
}

bool RichEdit::findNext(const QString& text, QTextDocument::FindFlags flags) {
  if (text.isEmpty()) return false;
  QTextCursor found = document()->find(text, textCursor().selectionEnd(), flags);
  if (found.isNull()) found = document()->find(text, 0, flags);
  if (found.isNull()) return false;
  setTextCursor(found);
  return true;
}

void RichEdit::select(int start, int length) {
  QTextCursor cursor(document());
  const int end = document()->characterCount() - 1;
  cursor.setPosition(std::clamp(start, 0, end));
  cursor.setPosition(std::clamp(start + length, 0, end), QTextCursor::KeepAnchor);
  setTextCursor(cursor);
}

void RichEdit::replaceSelection(const QString& text) {
  if (isReadOnly()) return;
  textCursor().insertText(text);
}

int RichEdit::replaceAll(const QString& text, const QString& with,
                         QTextDocument::FindFlags flags) {
  if (text.isEmpty() || isReadOnly()) return 0;
  int count = 0;
  QTextCursor edit(document());
  edit.beginEditBlock();  // one undo step for the lot
  QTextCursor found = document()->find(text, 0, flags);
  while (!found.isNull()) {
    found.insertText(with);
    ++count;
    found = document()->find(text, found.position(), flags);
  }
  edit.endEditBlock();
  return count;
}

bool RichEdit::selectionHas(bool (*test)(const QTextCharFormat&)) const {
  const QTextCursor cursor = textCursor();
  if (!cursor.hasSelection()) return test(cursor.charFormat());
  const int start = cursor.selectionStart();
  const int end = cursor.selectionEnd();
  for (QTextBlock block = document()->findBlock(start); block.isValid() && block.position() < end;
       block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      const int fStart = fragment.position();
      const int fEnd = fStart + fragment.length();
      if (fEnd <= start || fStart >= end) continue;
      if (!test(fragment.charFormat())) return false;
    }
  }
  return true;
}

bool RichEdit::selectionIsBold() const { return selectionHas(isBold); }
bool RichEdit::selectionIsItalic() const { return selectionHas(isItalic); }
bool RichEdit::selectionIsUnderlined() const { return selectionHas(isUnderlined); }

bool RichEdit::selectionIsBulleted() const {
  const QTextList* list = textCursor().currentList();
  return list && list->format().style() == QTextListFormat::ListDisc;
}

void RichEdit::toggleBold() {
  QTextCharFormat change;
  change.setFontWeight(selectionIsBold() ? QFont::Normal : QFont::Bold);
  mergeCurrentCharFormat(change);
}

void RichEdit::toggleItalic() {
  QTextCharFormat change;
  change.setFontItalic(!selectionIsItalic());
  mergeCurrentCharFormat(change);
}

void RichEdit::toggleUnderline() {
  QTextCharFormat change;
  change.setFontUnderline(!selectionIsUnderlined());
  mergeCurrentCharFormat(change);
}

void RichEdit::toggleBullet() {
  if (isReadOnly()) return;
  QTextCursor cursor = textCursor();
  cursor.beginEditBlock();
  if (selectionIsBulleted()) {
    const int end = cursor.selectionEnd();
    for (QTextBlock block = document()->findBlock(cursor.selectionStart());
         block.isValid() && block.position() <= end; block = block.next()) {
      if (QTextList* list = block.textList()) list->remove(block);
      QTextBlockFormat format = block.blockFormat();
      format.setIndent(0);
      QTextCursor(block).setBlockFormat(format);
    }
  } else {
    QTextListFormat format;
    format.setStyle(QTextListFormat::ListDisc);
    format.setIndent(1);
    cursor.createList(format);
  }
  cursor.endEditBlock();
}

void RichEdit::setAutoUrlDetect(bool on) {
  if (on == autoUrlDetect()) return;
  if (on) {
    highlighter_ = new LinkHighlighter(this, palette().color(QPalette::Link));
    highlighter_->setDocument(document());
    // Lay the links out now rather than on the next event loop pass, so
    // what the control shows is settled when this returns.
    highlighter_->rehighlight();
  } else {
    highlighter_->setDocument(nullptr);  // clears the link formats it laid out
    delete highlighter_;
    highlighter_ = nullptr;
  }
}

QString RichEdit::linkAt(const QPoint& viewportPoint) const {
  const QPoint documentPoint =
      viewportPoint + QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
  const int position = document()->documentLayout()->hitTest(documentPoint, Qt::ExactHit);
  if (position < 0) return {};
  QTextCursor at(document());
  at.setPosition(position);
  at.movePosition(QTextCursor::NextCharacter);
  const QTextCharFormat format = at.charFormat();
  if (format.isAnchor() && !format.anchorHref().isEmpty()) return format.anchorHref();
  if (!autoUrlDetect()) return {};
  const QTextBlock block = document()->findBlock(position);
  const int inBlock = position - block.position();
  for (const DetectedLink& link : detectLinks(block.text()))
    if (inBlock >= link.start && inBlock < link.start + link.length) return link.url;
  return {};
}

void RichEdit::setColor(const QColor& color) {
  QPalette pal = palette();
  pal.setColor(QPalette::Base, color);
  pal.setColor(QPalette::Window, color);
  setPalette(pal);
  viewport()->setAutoFillBackground(true);
}

QColor RichEdit::color() const { return palette().color(QPalette::Base); }

void RichEdit::printTo(QPrinter& printer) const {
  printer.setDocName(printJobName_);
  document()->print(&printer);
}

bool RichEdit::print() {
  QPrinter printer;
  QPrintDialog dialog(&printer, this);
  if (dialog.exec() != QDialog::Accepted) return false;
  printTo(printer);
  return true;
}

RichEditDialog* RichEdit::createEditorDialog(QWidget* parent) {
  auto* dialog = new RichEditDialog(parent);
  dialog->setWindowTitle(dialogCaption_);
  dialog->editor()->copyContentFrom(*this);
  dialog->editor()->setAutoUrlDetect(autoUrlDetect());
  dialog->editor()->setReadOnly(isReadOnly());
  dialog->editor()->setPrintJobName(printJobName_);
  emit editorDialogCreated(dialog);
  return dialog;
}

bool RichEdit::openEditorDialog() {
  RichEditDialog* dialog = createEditorDialog(this);
  const bool accepted = dialog->exec() == QDialog::Accepted;
  if (accepted && !isReadOnly()) copyContentFrom(*dialog->editor());
  delete dialog;
  return accepted;
}

void RichEdit::chooseFont() {
  bool ok = false;
  const QFont font = QFontDialog::getFont(&ok, currentFont(), this);
  if (!ok) return;
  QTextCharFormat change;
  change.setFont(font, QTextCharFormat::FontPropertiesSpecifiedOnly);
  mergeCurrentCharFormat(change);
}

void RichEdit::editParagraph() {
  ParagraphDialog dialog(textCursor().blockFormat(), this);
  if (dialog.exec() != QDialog::Accepted) return;
  textCursor().mergeBlockFormat(dialog.blockFormat());
}

void RichEdit::editTabs() {
  TabsDialog dialog(textCursor().blockFormat().tabPositions(), this);
  if (dialog.exec() != QDialog::Accepted) return;
  QTextBlockFormat change;
  change.setTabPositions(dialog.tabs());
  textCursor().mergeBlockFormat(change);
}

void RichEdit::showFindReplace(bool replace) {
  if (!findDialog_) findDialog_ = new FindReplaceDialog(this);
  findDialog_->setReplaceMode(replace && !isReadOnly());
  if (textCursor().hasSelection()) findDialog_->setFindText(textCursor().selectedText());
  findDialog_->show();
  findDialog_->raise();
  findDialog_->activateWindow();
}

void RichEdit::showFind() { showFindReplace(false); }
void RichEdit::showReplace() { showFindReplace(true); }

bool RichEdit::insertImageFile(const QString& path) {
  if (isReadOnly()) return false;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  QByteArray data = file.readAll();
  const QImage image = QImage::fromData(data);
  if (image.isNull()) return false;
  // Only PNG and JPEG travel in RTF; anything else is stored as PNG.
  if (!data.startsWith("\x89PNG") && !data.startsWith("\xFF\xD8")) {
    data.clear();
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
  }
  const QString name = RtfDocumentBuilder::imageName(data);
  document()->addResource(QTextDocument::ImageResource, QUrl(name), data);
  QTextImageFormat format;
  format.setName(name);
  const double room = std::max(32, viewport()->width() - 8);
  const double scale = image.width() > room ? room / image.width() : 1.0;
  format.setWidth(image.width() * scale);
  format.setHeight(image.height() * scale);
  textCursor().insertImage(format);
  return true;
}

void RichEdit::insertObject() {
  const QString path = QFileDialog::getOpenFileName(
      this, tr("Insert Object"), QString(),
      tr("Pictures (*.png *.jpg *.jpeg *.bmp *.gif);;All files (*)"));
  if (!path.isEmpty()) insertImageFile(path);
}

QMenu* RichEdit::createContextMenu(QWidget* parent) {
  auto* menu = new QMenu(parent);
  actions_->populateMenu(menu);
  return menu;
}

void RichEdit::contextMenuEvent(QContextMenuEvent* event) {
  QMenu* menu = createContextMenu(this);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(event->globalPos());
}

QMimeData* RichEdit::createMimeDataFromSelection() const {
  return mimeDataFromSelection(textCursor());
}

bool RichEdit::canInsertFromMimeData(const QMimeData* source) const {
  return hasRtf(source) || QTextEdit::canInsertFromMimeData(source);
}

void RichEdit::insertFromMimeData(const QMimeData* source) {
  if (isReadOnly()) return;
  QTextCursor cursor = textCursor();
  if (insertRtf(source, cursor)) {
    setTextCursor(cursor);
    return;
  }
  QTextEdit::insertFromMimeData(source);
}

void RichEdit::keyPressEvent(QKeyEvent* event) {
  // The formatting keys of Windows rich-edit controls; QTextEdit has none.
  if (event->modifiers() == Qt::ControlModifier && !isReadOnly()) {
    switch (event->key()) {
      case Qt::Key_B: toggleBold(); return;
      case Qt::Key_I: toggleItalic(); return;
      case Qt::Key_U: toggleUnderline(); return;
      default: break;
    }
  }
  QTextEdit::keyPressEvent(event);
}

void RichEdit::mousePressEvent(QMouseEvent* event) {
  pressPoint_ = event->position().toPoint();
  pressLink_ = event->button() == Qt::LeftButton ? linkAt(pressPoint_) : QString();
  QTextEdit::mousePressEvent(event);
}

void RichEdit::mouseMoveEvent(QMouseEvent* event) {
  QTextEdit::mouseMoveEvent(event);
  if (event->buttons() == Qt::NoButton) {
    const bool overLink = !linkAt(event->position().toPoint()).isEmpty();
    viewport()->setCursor(overLink ? Qt::PointingHandCursor
                                   : (isReadOnly() ? Qt::ArrowCursor : Qt::IBeamCursor));
  }
}

void RichEdit::mouseReleaseEvent(QMouseEvent* event) {
  QTextEdit::mouseReleaseEvent(event);
  // A click, not the end of a drag that selected text, opens the link.
  const QPoint at = event->position().toPoint();
  if (event->button() == Qt::LeftButton && !pressLink_.isEmpty() &&
      (at - pressPoint_).manhattanLength() < 4 && linkAt(at) == pressLink_) {
    QDesktopServices::openUrl(QUrl(pressLink_, QUrl::TolerantMode));
  }
  pressLink_.clear();
}

}  // namespace qp
