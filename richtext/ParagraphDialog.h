#pragma once
// ParagraphDialog edits the indents, spacing and alignment of the selected
// paragraphs. Lengths are shown in points, the unit rich-edit programs use
// (one document pixel is 0.75 pt at 96 dpi).
#include <QDialog>
#include <QTextBlockFormat>

class QComboBox;
class QDoubleSpinBox;

namespace qp {

class ParagraphDialog : public QDialog {
  Q_OBJECT
 public:
  ParagraphDialog(const QTextBlockFormat& current, QWidget* parent = nullptr);

  // Only the properties this dialog edits; merge it into the selection.
  QTextBlockFormat blockFormat() const;

 private:
  QDoubleSpinBox* addLength(const QString& name, double pixels);

  QComboBox* alignment_;
  QDoubleSpinBox* left_;
  QDoubleSpinBox* right_;
  QDoubleSpinBox* first_;
  QDoubleSpinBox* before_;
  QDoubleSpinBox* after_;
};

}  // namespace qp
