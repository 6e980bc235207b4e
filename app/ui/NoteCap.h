#pragma once
// The dialog that changes a note's caption.
#include <QDialog>

class QLineEdit;

namespace qp {

class TFrmNoteCaption : public QDialog {
  Q_OBJECT
 public:
  explicit TFrmNoteCaption(const QString& caption, QWidget* parent = nullptr);
  QString caption() const;

 private:
  QLineEdit* edit_;
};

}  // namespace qp
