#include "app/ui/StatusWindow.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace qp {

TFrmStatus::TFrmStatus(QWidget* parent) : QDialog(parent) {
  setObjectName("FrmStatus");
  label_ = new QLabel(this);
  label_->setObjectName("LblStatus");
  label_->setAlignment(Qt::AlignCenter);
  bar_ = new QProgressBar(this);
  bar_->setObjectName("ProgressBar1");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label_);
  layout->addWidget(bar_);
  setFixedSize(237, 103);
}

void TFrmStatus::report(const QString& caption, const QString& step, int done, int total) {
  setWindowTitle(caption);
  label_->setText(step);
  bar_->setMaximum(total);
  bar_->setValue(done);
  if (!isVisible()) show();
  QCoreApplication::processEvents();
}

}  // namespace qp
