#pragma once
// Draws the cells of a TXbGrid: the colours of the row (after the grid's
// colour hook), deleted records, highlighted and disabled cells, Boolean
// marks in the grid's BooleanBox style, and text 2 pixels in from the
// edge as the column's alignment says.
#include <QStyledItemDelegate>

#include "components/axbgrids.h"

class TXbGridDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  explicit TXbGridDelegate(TXbGrid* grid);
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  // The cell is edited by toggling, never with an editor.
  QWidget* createEditor(QWidget*, const QStyleOptionViewItem&, const QModelIndex&) const override { return nullptr; }

 private:
  TXbGrid* grid_;
};

// Draws the mark of a Boolean value in `cell`: the largest square that
// fits, centred across (top-aligned when the cell is narrower than high),
// framed with a 1-pixel pen, marked with a 2-pixel pen, in `text`.
void DrawBooleanBox(QPainter& painter, const QRect& cell, TXbBooleanBox box, bool value, const QColor& text);
