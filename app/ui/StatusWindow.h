#pragma once
// TFrmStatus: the small progress window of the backup and of emptying the
// trash at shutdown.
#include <QDialog>

class QLabel;
class QProgressBar;

namespace qp {

class TFrmStatus : public QDialog {
  Q_OBJECT
 public:
  explicit TFrmStatus(QWidget* parent = nullptr);
  // Shows the step; the window appears on the first call.
  void report(const QString& caption, const QString& step, int done, int total);

 private:
  QLabel* label_;
  QProgressBar* bar_;
};

}  // namespace qp
