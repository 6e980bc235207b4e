#include "app/ui/NoteCap.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qp {

TFrmNoteCaption::TFrmNoteCaption(const QString& caption, QWidget* parent) : QDialog(parent) {
  setObjectName("FrmNoteCaption");
  setWindowTitle("Note Caption");
  edit_ = new QLineEdit(caption, this);
  edit_->setObjectName("Edit1");
  edit_->setMinimumWidth(260);
  edit_->selectAll();
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->setObjectName("Buttons");
  buttons->button(QDialogButtonBox::Ok)->setObjectName("BtnOk");
  buttons->button(QDialogButtonBox::Ok)->setText("OK");
  buttons->button(QDialogButtonBox::Cancel)->setObjectName("BtnCancel");
  buttons->button(QDialogButtonBox::Cancel)->setText("Cancel");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(edit_);
  layout->addWidget(buttons);
  setFixedSize(sizeHint());
}

QString TFrmNoteCaption::caption() const { return edit_->text(); }

}  // namespace qp
