#include "richtext/RichEditDialog.h"

#include <QDialogButtonBox>
#include <QToolBar>
#include <QVBoxLayout>

#include "richtext/RichEdit.h"
#include "richtext/RichEditActions.h"

namespace qp {

RichEditDialog::RichEditDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("RichEditDialog"));
  editor_ = new RichEdit(this);
  editor_->setObjectName(QStringLiteral("editor"));
  editor_->setEditorDialogEnabled(false);  // no dialog inside the dialog
  toolBar_ = new QToolBar(this);
  toolBar_->setObjectName(QStringLiteral("toolBar"));
  editor_->actions()->populateToolBar(toolBar_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(toolBar_);
  layout->addWidget(editor_, 1);
  layout->addWidget(buttons);
  resize(520, 400);
}

void RichEditDialog::setTextAreaColor(const QColor& color) { editor_->setColor(color); }

}  // namespace qp
