#include "components/XbGridDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>

TXbGridDelegate::TXbGridDelegate(TXbGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

void DrawBooleanBox(QPainter& painter, const QRect& cell, TXbBooleanBox box, bool value, const QColor& text) {
  const int side = std::min(cell.width(), cell.height());
  if (side <= 4 || box == TXbBooleanBox::bbText) return;
  QRect square(0, 0, side, side);
  square.moveTop(cell.top());
  square.moveLeft(cell.left() + (cell.width() - side) / 2);
  if (cell.width() >= cell.height()) square.moveTop(cell.top() + (cell.height() - side) / 2);
  // The inner area: the square shrunk by the pen width + 1 on each side.
  const QRect inner = square.adjusted(2, 2, -2, -2);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, box == TXbBooleanBox::bbRButton || box == TXbBooleanBox::bbRButtonRed ||
                                                    box == TXbBooleanBox::bbDot || box == TXbBooleanBox::bbDotRed);
  painter.setBrush(Qt::NoBrush);
  const QPen frame(text, 1, Qt::SolidLine);
  const bool circle = box == TXbBooleanBox::bbRButton || box == TXbBooleanBox::bbRButtonRed;
  const bool framed = box != TXbBooleanBox::bbCheckMark && box != TXbBooleanBox::bbDot && box != TXbBooleanBox::bbDotRed;
  if (framed) {
    painter.setPen(frame);
    if (circle)
      painter.drawEllipse(inner);
    else
      painter.drawRect(inner);
  }
  if (value) {
    const QColor red(Qt::red);
    switch (box) {
      case TXbBooleanBox::bbCheckBox: {
        painter.setPen(QPen(text, 2));
        const QRect x = inner.adjusted(3, 3, -3, -3);
        painter.drawLine(x.topLeft(), x.bottomRight());
        painter.drawLine(x.topRight(), x.bottomLeft());
        break;
      }
      case TXbBooleanBox::bbCheckMark: {
        painter.setPen(QPen(text, 2));
        const int w = inner.width();
        const QPoint a(inner.left() + 2, inner.top() + w / 2);
        const QPoint b(inner.left() + w / 3, inner.bottom() - 2);
        const QPoint c(inner.right() - 2, inner.top());
        painter.drawLine(a, b);
        painter.drawLine(b, c);
        break;
      }
      case TXbBooleanBox::bbFillBox:
      case TXbBooleanBox::bbFillBoxRed:
        painter.fillRect(inner.adjusted(1, 1, 0, 0), box == TXbBooleanBox::bbFillBox ? text : red);
        break;
      case TXbBooleanBox::bbRButton:
      case TXbBooleanBox::bbRButtonRed:
        painter.setPen(Qt::NoPen);
        painter.setBrush(box == TXbBooleanBox::bbRButton ? text : red);
        painter.drawEllipse(inner.adjusted(2, 2, -2, -2));
        break;
      case TXbBooleanBox::bbDot:
      case TXbBooleanBox::bbDotRed:
        painter.setPen(Qt::NoPen);
        painter.setBrush(box == TXbBooleanBox::bbDot ? text : red);
        painter.drawEllipse(inner);
        break;
      case TXbBooleanBox::bbText: break;
    }
  }
  painter.restore();
}

void TXbGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  TXbGridColors colors = grid_->startColors(index);
  if (grid_->onChangeColors) grid_->onChangeColors(index.row(), colors);
  QColor brush = colors.cellColor;
  QColor text = colors.cellTextColor;
  if (index.data(TXbColumnModel::DeletedRole).toBool()) {
    brush = colors.deletedColor;
    text = colors.deletedTextColor;
  }
  if (option.state & QStyle::State_Selected) {
    brush = colors.hiliteColor;
    text = colors.hiliteTextColor;
  }
  if (!grid_->isEnabled()) text = option.palette.color(QPalette::Disabled, QPalette::Text);
  painter->fillRect(option.rect, brush);

  const QVariant flag = index.data(TXbColumnModel::BooleanRole);
  if (flag.isValid() && grid_->booleanBox() != TXbBooleanBox::bbText) {
    DrawBooleanBox(*painter, option.rect.adjusted(1, 1, -1, -1), grid_->booleanBox(), flag.toBool(), text);
  } else {
    const Qt::Alignment align =
        Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt()) & Qt::AlignHorizontal_Mask;
    QRect area = option.rect.adjusted(2, 2, -3, 0);
    painter->save();
    painter->setPen(text);
    if (const QList<TXbGridColumn> cols = grid_->columnModel() ? grid_->columnModel()->columns() : QList<TXbGridColumn>();
        index.column() < cols.size() && cols[index.column()].font)
      painter->setFont(*cols[index.column()].font);
    else
      painter->setFont(option.font);
    const QString shown = painter->fontMetrics().elidedText(index.data().toString(), Qt::ElideRight, area.width());
    painter->drawText(area, int(align ? align : Qt::AlignLeft) | Qt::AlignTop | Qt::TextSingleLine, shown);
    painter->restore();
  }
  if ((option.state & QStyle::State_HasFocus) && grid_->currentIndex() == index) {
    QStyleOptionFocusRect focus;
    focus.initFrom(grid_);
    focus.rect = option.rect;
    focus.backgroundColor = brush;
    grid_->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, grid_);
  }
}
