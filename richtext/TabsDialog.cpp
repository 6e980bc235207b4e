#include "richtext/TabsDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>

namespace qp {
namespace {

constexpr double kPointsPerPixel = 0.75;

QString typeName(QTextOption::TabType type) {
  switch (type) {
    case QTextOption::RightTab: return TabsDialog::tr("Right");
    case QTextOption::CenterTab: return TabsDialog::tr("Center");
    case QTextOption::DelimiterTab: return TabsDialog::tr("Decimal");
    case QTextOption::LeftTab: break;
  }
  return TabsDialog::tr("Left");
}

}  // namespace

TabsDialog::TabsDialog(const QList<QTextOption::Tab>& tabs, QWidget* parent)
    : QDialog(parent), tabs_(tabs) {
  setObjectName(QStringLiteral("TabsDialog"));
  setWindowTitle(tr("Tabs"));
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("tabList"));
  position_ = new QDoubleSpinBox(this);
  position_->setObjectName(QStringLiteral("position"));
  position_->setRange(0, 1584);
  position_->setDecimals(1);
  type_ = new QComboBox(this);
  type_->setObjectName(QStringLiteral("type"));
  for (QTextOption::TabType t : {QTextOption::LeftTab, QTextOption::CenterTab,
                                 QTextOption::RightTab, QTextOption::DelimiterTab})
    type_->addItem(typeName(t), int(t));

  auto* set = new QPushButton(tr("&Set"), this);
  auto* clear = new QPushButton(tr("&Clear"), this);
  auto* clearAll = new QPushButton(tr("Clear &All"), this);
  connect(set, &QPushButton::clicked, this, [this] {
    addTab(position_->value(), QTextOption::TabType(type_->currentData().toInt()));
  });
  connect(clear, &QPushButton::clicked, this, [this] {
    const int row = list_->currentRow();
    if (row >= 0 && row < tabs_.size()) tabs_.removeAt(row);
    refresh();
  });
  connect(clearAll, &QPushButton::clicked, this, [this] {
    tabs_.clear();
    refresh();
  });
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QGridLayout(this);
  layout->addWidget(position_, 0, 0);
  layout->addWidget(type_, 0, 1);
  layout->addWidget(list_, 1, 0, 3, 2);
  layout->addWidget(set, 0, 2);
  layout->addWidget(clear, 1, 2);
  layout->addWidget(clearAll, 2, 2);
  layout->addWidget(buttons, 4, 0, 1, 3);
  refresh();
}

void TabsDialog::addTab(double points, QTextOption::TabType type) {
  const double pixels = points / kPointsPerPixel;
  // One stop per position: setting a stop again changes its kind.
  tabs_.removeIf([pixels](const QTextOption::Tab& t) { return qFuzzyCompare(t.position + 1, pixels + 1); });
  tabs_.append(QTextOption::Tab(pixels, type));
  refresh();
}

void TabsDialog::refresh() {
  std::sort(tabs_.begin(), tabs_.end(),
            [](const QTextOption::Tab& a, const QTextOption::Tab& b) { return a.position < b.position; });
  list_->clear();
  for (const QTextOption::Tab& tab : tabs_)
    list_->addItem(tr("%1 pt, %2").arg(tab.position * kPointsPerPixel, 0, 'f', 1).arg(typeName(tab.type)));
}

}  // namespace qp
