#include "components/axbgrids.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionHeader>

#include "components/XbGridDelegate.h"
#include "components/XbSavedColumns.h"

TXbGrid::TXbGrid(QWidget* parent) : QTableView(parent), header_(new TXbGridHeader(this)) {
  setHorizontalHeader(header_);
  setItemDelegate(new TXbGridDelegate(this));
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  // The indicator column: narrow, without numbers.
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  verticalHeader()->setMinimumWidth(12);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  if (auto* corner = findChild<QAbstractButton*>()) corner->installEventFilter(this);
  askDelete = [](QWidget* parent) {
    return QMessageBox::question(parent, QStringLiteral("Confirm"), QStringLiteral("Delete record?"),
                                 QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
  };
}

void TXbGrid::setModel(QAbstractItemModel* model) {
  QTableView::setModel(model);
  layoutColumns();
  if (model) {
    connect(model, &QAbstractItemModel::modelReset, this, &TXbGrid::layoutColumns);
    connect(model, &QAbstractItemModel::rowsInserted, this, &TXbGrid::layoutColumns);
  }
}

void TXbGrid::layoutColumns() {
  TXbColumnModel* m = columnModel();
  if (!m) return;
  const QList<TXbGridColumn> cols = m->columns();
  QStringList fields;
  for (const TXbGridColumn& c : cols) fields << c.fieldName + '/' + c.title + '/' + QString::number(c.width);
  if (m->rowCount() > 0) had_rows_ = true;
  fields << (had_rows_ ? QStringLiteral("rows") : QString());
  // A reset that only read the rows again keeps the widths the user gave;
  // the first rows to arrive widen the columns once.
  if (fields == laid_out_) return;
  laid_out_ = fields;
  for (int c = 0; c < cols.size(); ++c) {
    if (cols[c].width < 0) continue;
    // The given width, widened to show the title and the first row whole
    // in this font (dates with the century, say).
    int fit = horizontalHeader()->sectionSizeHint(c);
    if (m->rowCount() > 0 && !m->index(0, c).data(TXbColumnModel::BooleanRole).isValid())
      fit = std::max(fit, fontMetrics().horizontalAdvance(m->index(0, c).data().toString()) + 8);
    setColumnWidth(c, std::max(cols[c].width, fit));
  }
  updateFixedColumns();
}

void TXbGrid::setBooleanBox(TXbBooleanBox box) {
  boolean_box_ = box;
  viewport()->update();
}

void TXbGrid::setDepressDisabled(bool on) {
  depressed_ = -1;
  depress_disabled_ = on;
  header_->viewport()->update();
}

void TXbGrid::setFixedColumns(int n) {
  fixed_columns_ = std::max(0, n);
  updateFixedColumns();
}

void TXbGrid::updateFixedColumns() {
  // Fixed columns keep their width; the rest can be resized.
  for (int c = 0; c < header_->count(); ++c)
    header_->setSectionResizeMode(c, c < fixed_columns_ ? QHeaderView::Fixed : QHeaderView::Interactive);
}

void TXbGrid::setSavedColumns(const QStringList& lines) {
  TXbColumnModel* m = columnModel();
  if (!m) return;
  QList<TXbGridColumn> cols = m->columns();
  ApplySavedColumns(cols, lines);
  m->setColumns(cols);
  layoutColumns();
}

TXbGridColors TXbGrid::startColors(const QModelIndex& index) const {
  TXbGridColors c;
  const QPalette& p = palette();
  c.indicatorColor = p.color(QPalette::Button);
  c.cellColor = p.color(QPalette::Base);
  c.cellTextColor = p.color(QPalette::Text);
  if (TXbColumnModel* m = columnModel()) {
    const QList<TXbGridColumn> cols = m->columns();
    if (index.column() < cols.size()) {
      if (cols[index.column()].color.isValid()) c.cellColor = cols[index.column()].color;
      if (cols[index.column()].fontColor.isValid()) c.cellTextColor = cols[index.column()].fontColor;
    }
  }
  c.hiliteColor = p.color(QPalette::Highlight);
  c.hiliteTextColor = p.color(QPalette::HighlightedText);
  c.deletedColor = Qt::red;
  c.deletedTextColor = p.color(QPalette::Text);
  return c;
}

bool TXbGrid::isBooleanCell(const QModelIndex& index) const {
  return index.isValid() && index.data(TXbColumnModel::BooleanRole).isValid();
}

bool TXbGrid::toggle(const QModelIndex& index) {
  if (read_only_ || !isBooleanCell(index) || !(model()->flags(index) & Qt::ItemIsEditable)) return false;
  return model()->setData(index, QVariant(), TXbColumnModel::ToggleRole);
}

void TXbGrid::deleteSelected() {
  const QModelIndex current = currentIndex();
  if (read_only_ || !current.isValid()) return;
  if (confirm_delete_ && askDelete && !askDelete(this)) return;
  model()->removeRow(current.row());
}

void TXbGrid::keyPressEvent(QKeyEvent* event) {
  const QModelIndex current = currentIndex();
  const int key = event->key();
  if (key == Qt::Key_Delete && (event->modifiers() & Qt::ControlModifier)) {
    deleteSelected();
    return;
  }
  if (isBooleanCell(current)) {
    if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
      toggle(current);
      return;
    }
    // Nothing is typed into a Boolean cell.
    if (key == Qt::Key_Backspace || (!event->text().isEmpty() && event->text().at(0).isPrint())) return;
  }
  if (key == Qt::Key_Down && model() && current.row() == model()->rowCount() - 1 && !model()->canFetchMore({})) {
    // Past the last row a new record is added only when AutoAppend says so.
    if (!auto_append_ || read_only_) return;
    if (model()->insertRow(model()->rowCount())) {
      setCurrentIndex(model()->index(model()->rowCount() - 1, std::max(0, current.column())));
      return;
    }
  }
  QTableView::keyPressEvent(event);
}

void TXbGrid::mousePressEvent(QMouseEvent* event) {
  const QModelIndex at = indexAt(event->position().toPoint());
  // A click on the cell already current is the editor's click: it toggles.
  const bool toggles = event->button() == Qt::LeftButton && at.isValid() && at == currentIndex() && isBooleanCell(at);
  QTableView::mousePressEvent(event);
  if (toggles) toggle(at);
}

bool TXbGrid::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease && qobject_cast<QAbstractButton*>(watched) &&
      watched->parent() == this) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton) emit cornerLeftClick();
    if (mouse->button() == Qt::RightButton) emit cornerRightClick();
  }
  return QTableView::eventFilter(watched, event);
}

void TXbGrid::titleReleased(int section, Qt::MouseButton button) {
  if (button != Qt::RightButton || depress_disabled_ || section < 0) return;
  depressed_ = section;
  header_->viewport()->update();
  emit depressTitle(section);
}

TXbGridHeader::TXbGridHeader(TXbGrid* grid) : QHeaderView(Qt::Horizontal, grid), grid_(grid) {
  setSectionsClickable(true);
  setHighlightSections(false);
  // Columns keep their logical number when dragged, so the depressed
  // column follows its column wherever it moves.
  setSectionsMovable(true);
}

void TXbGridHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
  if (logicalIndex != grid_->depressedColumn()) {
    QHeaderView::paintSection(painter, rect, logicalIndex);
    return;
  }
  QStyleOptionHeader opt;
  initStyleOption(&opt);
  opt.rect = rect;
  opt.section = logicalIndex;
  opt.state |= QStyle::State_Sunken | QStyle::State_On;
  opt.text = model() ? model()->headerData(logicalIndex, Qt::Horizontal).toString() : QString();
  opt.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
  painter->save();
  style()->drawControl(QStyle::CE_Header, &opt, painter, this);
  // Two edges, drawn dark on the top left, so the title reads as pressed in.
  painter->setPen(palette().color(QPalette::Dark));
  painter->drawLine(rect.topLeft(), rect.topRight());
  painter->drawLine(rect.topLeft(), rect.bottomLeft());
  painter->setPen(palette().color(QPalette::Shadow));
  painter->drawLine(rect.topLeft() + QPoint(1, 1), rect.topRight() + QPoint(-1, 1));
  painter->drawLine(rect.topLeft() + QPoint(1, 1), rect.bottomLeft() + QPoint(1, -1));
  painter->restore();
}

void TXbGridHeader::mouseReleaseEvent(QMouseEvent* event) {
  const int section = logicalIndexAt(event->position().toPoint());
  if (!(event->modifiers() & Qt::ShiftModifier)) grid_->titleReleased(section, event->button());
  QHeaderView::mouseReleaseEvent(event);
}
