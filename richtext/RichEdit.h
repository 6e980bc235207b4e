#pragma once
// RichEdit is the rich-text control of notes, alarms, properties and the
// manager's preview: a QTextEdit that keeps its content as RTF.
//
// What it promises its users:
//   - load and save through a byte stream in RTF (plain text that is not RTF
//     loads as text, as rich-edit controls do); loading resets undo;
//   - the text as plain text; a case-sensitive search by position and the
//     replacement of the selection;
//   - select all, copy (RTF, HTML and plain text on the clipboard) and paste
//     of RTF from other programs; undo;
//   - bold, italic and underline toggles (also on Ctrl+B, Ctrl+I, Ctrl+U)
//     on the selection, applied when the selection has the property
//     nowhere or partly, removed when it has it everywhere; a bullet toggle
//     on the selected paragraphs;
//   - automatic URL and e-mail detection that can be switched at any time and
//     never changes the content; a click on a link (detected or a hyperlink
//     field) hands it to the desktop's handler;
//   - read-only mode, a background colour, printing under a job name;
//   - an editor dialog with a caption, announced through editorDialogCreated
//     before it shows so its owner can paint it, and a context menu.
#include <QColor>
#include <QTextDocument>
#include <QTextEdit>

class QIODevice;
class QMenu;
class QPrinter;

namespace qp {

class LinkHighlighter;
class RichEditActions;
class RichEditDialog;
class FindReplaceDialog;

class RichEdit : public QTextEdit {
  Q_OBJECT
 public:
  explicit RichEdit(QWidget* parent = nullptr);
  ~RichEdit() override;

  // Content as RTF. setRtf() accepts plain text as well (see loadFromStream).
  void setRtf(const QByteArray& data);
  QByteArray rtf() const;
  // Reads the whole device. Fails only when the device cannot be read.
  bool loadFromStream(QIODevice& device);
  bool saveToStream(QIODevice& device) const;
  void copyContentFrom(const RichEdit& other);

  // Case-sensitive by default; returns the position of the first match at or
  // after from that ends at or before to (-1: end of text), or -1.
  int findText(const QString& text, int from = 0, int to = -1,
               QTextDocument::FindFlags flags = QTextDocument::FindCaseSensitively) const;
  // Finds the next match after the selection, wrapping once; selects it.
  bool findNext(const QString& text, QTextDocument::FindFlags flags);
  void select(int start, int length);
  void replaceSelection(const QString& text);
  int replaceAll(const QString& text, const QString& with, QTextDocument::FindFlags flags);

  bool selectionIsBold() const;
  bool selectionIsItalic() const;
  bool selectionIsUnderlined() const;
  bool selectionIsBulleted() const;

  void setAutoUrlDetect(bool on);
  bool autoUrlDetect() const { return highlighter_ != nullptr; }
  // The link under a viewport point (detected or a hyperlink), or empty.
  QString linkAt(const QPoint& viewportPoint) const;

  void setColor(const QColor& color);
  QColor color() const;

  void setPrintJobName(const QString& name) { printJobName_ = name; }
  QString printJobName() const { return printJobName_; }
  void printTo(QPrinter& printer) const;

  void setDialogCaption(const QString& caption) { dialogCaption_ = caption; }
  QString dialogCaption() const { return dialogCaption_; }
  // The editor dialog itself offers no "Edit..." entry.
  void setEditorDialogEnabled(bool on) { editorDialogEnabled_ = on; }
  bool editorDialogEnabled() const { return editorDialogEnabled_; }
  // A dialog holding a copy of the content, after editorDialogCreated ran.
  RichEditDialog* createEditorDialog(QWidget* parent);

  bool insertImageFile(const QString& path);
  RichEditActions* actions() const { return actions_; }
  QMenu* createContextMenu(QWidget* parent);

 public slots:
  void toggleBold();
  void toggleItalic();
  void toggleUnderline();
  void toggleBullet();
  bool openEditorDialog();
  bool print();
  void chooseFont();
  void editParagraph();
  void editTabs();
  void showFind();
  void showReplace();
  void insertObject();

 signals:
  void editorDialogCreated(qp::RichEditDialog* dialog);

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;
  QMimeData* createMimeDataFromSelection() const override;
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool selectionHas(bool (*test)(const QTextCharFormat&)) const;
  void showFindReplace(bool replace);

  LinkHighlighter* highlighter_ = nullptr;
  RichEditActions* actions_ = nullptr;
  FindReplaceDialog* findDialog_ = nullptr;
  QString printJobName_;
  QString dialogCaption_;
  bool editorDialogEnabled_ = true;
  QPoint pressPoint_;
  QString pressLink_;
};

}  // namespace qp
