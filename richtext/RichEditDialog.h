#pragma once
// RichEditDialog is the full editor a RichEdit opens ("Edit Note Text"): a
// toolbar with the control's formatting commands over a larger RichEdit of
// its own, and OK and Cancel. It edits a copy; RichEdit::openEditorDialog
// takes the copy back on OK only. The owner paints the text area through
// setTextAreaColor when RichEdit::editorDialogCreated fires.
#include <QDialog>

class QToolBar;

namespace qp {

class RichEdit;

class RichEditDialog : public QDialog {
  Q_OBJECT
 public:
  explicit RichEditDialog(QWidget* parent = nullptr);

  RichEdit* editor() const { return editor_; }
  QToolBar* toolBar() const { return toolBar_; }
  void setTextAreaColor(const QColor& color);

 private:
  RichEdit* editor_;
  QToolBar* toolBar_;
};

}  // namespace qp
