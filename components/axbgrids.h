#pragma once
// TXbGrid: the program's data grid, a table view over a TXbColumnModel
// (TXbGridModel over a table) with the grid extensions the manager uses:
//   - Boolean columns drawn as marks (BooleanBox) and toggled by a click on
//     the current cell, Space or Enter; other keys never type into them;
//   - a per-row colour hook (onChangeColors) and red for deleted records;
//   - a depressed (sunken) column title chosen by right-clicking it;
//   - clicks on the top-left corner reported as signals;
//   - AutoAppend: false means moving down past the last row never adds a
//     record; true adds one (when the grid may edit);
//   - Ctrl+Delete deletes the selected record, after "Delete record?" when
//     confirmDelete is on;
//   - savedColumns, a column layout in lines of "key=value".
// The grid includes no engine header: everything it knows of a record
// comes through the model's roles.
#include <QColor>
#include <QHeaderView>
#include <QTableView>
#include <functional>

#include "components/XbGridColumn.h"

enum class TXbBooleanBox {
  bbCheckBox,
  bbCheckMark,
  bbText,
  bbFillBox,
  bbFillBoxRed,
  bbRButton,
  bbRButtonRed,
  bbDot,
  bbDotRed,
};

// The seven colours of a cell being drawn; onChangeColors may change any.
struct TXbGridColors {
  QColor indicatorColor;
  QColor cellColor;
  QColor cellTextColor;
  QColor hiliteColor;
  QColor hiliteTextColor;
  QColor deletedColor;
  QColor deletedTextColor;
};

class TXbGridHeader;

class TXbGrid : public QTableView {
  Q_OBJECT
 public:
  explicit TXbGrid(QWidget* parent = nullptr);

  void setModel(QAbstractItemModel* model) override;
  TXbColumnModel* columnModel() const { return qobject_cast<TXbColumnModel*>(model()); }

  bool autoAppend() const { return auto_append_; }
  void setAutoAppend(bool on) { auto_append_ = on; }
  TXbBooleanBox booleanBox() const { return boolean_box_; }
  void setBooleanBox(TXbBooleanBox box);
  bool depressDisabled() const { return depress_disabled_; }
  // Clears the depressed column first.
  void setDepressDisabled(bool on);
  int depressedColumn() const { return depressed_; }
  int fixedColumns() const { return fixed_columns_; }
  void setFixedColumns(int n);
  // The grid changes no record (the manager's grids): no toggles, no
  // deletes, no appends.
  bool readOnly() const { return read_only_; }
  void setReadOnly(bool on) { read_only_ = on; }
  bool confirmDelete() const { return confirm_delete_; }
  void setConfirmDelete(bool on) { confirm_delete_ = on; }

  // Written as an empty list; reading it builds columns (see XbSavedColumns.h).
  QStringList savedColumns() const { return {}; }
  void setSavedColumns(const QStringList& lines);
  // Lays the grid out again from the model's columns (widths included).
  void layoutColumns();

  // Called for every data row drawn, with the row and its starting colours.
  std::function<void(int row, TXbGridColors& colors)> onChangeColors;
  // Asks "Delete record?"; the default asks with a message box.
  std::function<bool(QWidget* parent)> askDelete;

  // The colours a cell of `index` starts from, before the hook.
  TXbGridColors startColors(const QModelIndex& index) const;
  bool isBooleanCell(const QModelIndex& index) const;
  // Flips a Boolean cell when the grid may edit it.
  bool toggle(const QModelIndex& index);

 signals:
  void cornerLeftClick();
  void cornerRightClick();
  void depressTitle(int column);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  friend class TXbGridHeader;
  void titleReleased(int section, Qt::MouseButton button);
  void deleteSelected();
  void updateFixedColumns();

  TXbGridHeader* header_;
  bool auto_append_ = true;
  TXbBooleanBox boolean_box_ = TXbBooleanBox::bbCheckBox;
  bool depress_disabled_ = false;
  int depressed_ = -1;
  int fixed_columns_ = 0;
  bool read_only_ = false;
  bool confirm_delete_ = true;
  QStringList laid_out_;  // the columns layoutColumns last set widths for
  bool had_rows_ = false;  // the columns were fitted to a first row
};

// The column titles; the depressed one is drawn sunken.
class TXbGridHeader : public QHeaderView {
  Q_OBJECT
 public:
  explicit TXbGridHeader(TXbGrid* grid);

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  TXbGrid* grid_;
};
