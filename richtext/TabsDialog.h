#pragma once
// TabsDialog edits the tab stops of the selected paragraphs: positions in
// points with their kind (left, center, right, decimal), kept sorted.
#include <QDialog>
#include <QList>
#include <QTextOption>

class QComboBox;
class QDoubleSpinBox;
class QListWidget;

namespace qp {

class TabsDialog : public QDialog {
  Q_OBJECT
 public:
  TabsDialog(const QList<QTextOption::Tab>& tabs, QWidget* parent = nullptr);

  QList<QTextOption::Tab> tabs() const { return tabs_; }
  void addTab(double points, QTextOption::TabType type);

 private:
  void refresh();

  QList<QTextOption::Tab> tabs_;
  QListWidget* list_;
  QDoubleSpinBox* position_;
  QComboBox* type_;
};

}  // namespace qp
