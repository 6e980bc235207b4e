#include "richtext/ParagraphDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>

namespace qp {
namespace {

constexpr double kPointsPerPixel = 0.75;

}  // namespace

ParagraphDialog::ParagraphDialog(const QTextBlockFormat& current, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("ParagraphDialog"));
  setWindowTitle(tr("Paragraph"));
  alignment_ = new QComboBox(this);
  alignment_->setObjectName(QStringLiteral("alignment"));
  alignment_->addItem(tr("Left"), int(Qt::AlignLeft));
  alignment_->addItem(tr("Center"), int(Qt::AlignHCenter));
  alignment_->addItem(tr("Right"), int(Qt::AlignRight));
  alignment_->addItem(tr("Justify"), int(Qt::AlignJustify));
  const int align = int(current.alignment() & Qt::AlignHorizontal_Mask);
  const int index = alignment_->findData(align);
  alignment_->setCurrentIndex(index < 0 ? 0 : index);

  left_ = addLength(QStringLiteral("leftIndent"), current.leftMargin());
  right_ = addLength(QStringLiteral("rightIndent"), current.rightMargin());
  first_ = addLength(QStringLiteral("firstLineIndent"), current.textIndent());
  first_->setMinimum(-1584);
  before_ = addLength(QStringLiteral("spaceBefore"), current.topMargin());
  after_ = addLength(QStringLiteral("spaceAfter"), current.bottomMargin());

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* form = new QFormLayout(this);
  form->addRow(tr("&Alignment:"), alignment_);
  form->addRow(tr("&Left indent (pt):"), left_);
  form->addRow(tr("&Right indent (pt):"), right_);
  form->addRow(tr("&First line (pt):"), first_);
  form->addRow(tr("Space &before (pt):"), before_);
  form->addRow(tr("Space &after (pt):"), after_);
  form->addRow(buttons);
}

QDoubleSpinBox* ParagraphDialog::addLength(const QString& name, double pixels) {
  auto* box = new QDoubleSpinBox(this);
  box->setObjectName(name);
  box->setDecimals(1);
  box->setRange(0, 1584);  // 22 inches, the longest length RTF readers accept
  box->setValue(pixels * kPointsPerPixel);
  return box;
}

QTextBlockFormat ParagraphDialog::blockFormat() const {
  QTextBlockFormat format;
  format.setAlignment(Qt::Alignment(alignment_->currentData().toInt()));
  format.setLeftMargin(left_->value() / kPointsPerPixel);
  format.setRightMargin(right_->value() / kPointsPerPixel);
  format.setTextIndent(first_->value() / kPointsPerPixel);
  format.setTopMargin(before_->value() / kPointsPerPixel);
  format.setBottomMargin(after_->value() / kPointsPerPixel);
  return format;
}

}  // namespace qp
