#pragma once
// FindReplaceDialog is the modeless Find and Replace window of a RichEdit.
// Searches start after the current selection and wrap once; "Match case"
// starts checked because the control's own search is case-sensitive.
#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qp {

class RichEdit;

class FindReplaceDialog : public QDialog {
  Q_OBJECT
 public:
  explicit FindReplaceDialog(RichEdit* editor);

  void setReplaceMode(bool on);
  void setFindText(const QString& text);

 public slots:
  bool findNext();
  void replaceOne();
  void replaceEverything();

 private:
  int flags() const;

  RichEdit* editor_;
  QLineEdit* findEdit_;
  QLineEdit* replaceEdit_;
  QLabel* replaceLabel_;
  QCheckBox* matchCase_;
  QPushButton* replaceButton_;
  QPushButton* replaceAllButton_;
  QLabel* status_;
};

}  // namespace qp
