#pragma once
// TXbGridModel: the rows of a table component as a Qt item model, for
// TXbGrid. It never reads the whole table up front: rows are found in the
// dataset's own order (record order, or the current tag, with its filter
// and hidden deleted records) a batch at a time as the view asks for more
// (canFetchMore / fetchMore), and the values of a row are read when it is
// shown and kept in a small cache. A table of 100,000 records opens as
// fast as one of a hundred.
//
// Only the record numbers of the rows found so far are kept (4 bytes a
// row); the cache holds at most kCacheRows rows of text.
//
// The model moves the dataset's cursor as it reads. Callers act on a row
// through its record number (recNoAt), never on "the current record".
// Text crosses here from the table's Windows-1252 to Unicode.
#include <QHash>
#include <QVariant>
#include <deque>
#include <optional>
#include <vector>

#include "components/XbGridColumn.h"

namespace xb {
class TXbDbf;
}

class TXbGridModel : public TXbColumnModel {
  Q_OBJECT
 public:
  static constexpr int kBatchRows = 256;
  static constexpr int kCacheRows = 512;

  explicit TXbGridModel(xb::TXbDbf& dataset, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;
  // Deletes the records of the rows (under their record locks).
  bool removeRows(int row, int count, const QModelIndex& parent = {}) override;
  // Appends blank records at the end (under the append lock); only at the
  // end, as a table has no other place for a new record.
  bool insertRows(int row, int count, const QModelIndex& parent = {}) override;

  QList<TXbGridColumn> columns() const override { return columns_; }
  void setColumns(const QList<TXbGridColumn>& columns) override;
  bool canEdit() const override { return !read_only_; }
  void setReadOnly(bool on) { read_only_ = on; }
  QString lastError() const override { return last_error_; }

  // Reads the table again from the start of its order (after the order,
  // the filter or the records changed).
  void refresh();
  // Shows exactly these records, in this order, instead of walking the
  // dataset (a search's matches); nullopt walks the dataset again.
  void setRecordList(std::optional<std::vector<int>> recNos);
  bool hasRecordList() const { return fixed_; }
  int recNoAt(int row) const;
  // The row of a record among the rows found so far; -1 when not found.
  int rowOfRecNo(int recNo) const;
  // Finds rows until every row is known (for "select all" and tests).
  void fetchAll();
  xb::TXbDbf& dataset() const { return dataset_; }

 signals:
  // A write through the grid failed; lastError() says why.
  void writeFailed(const QString& message);

 private:
  struct Row {
    QList<QVariant> values;   // display text per column
    QList<QVariant> flags;    // Boolean value per column, or invalid
    bool deleted = false;
  };
  // The next rows in the dataset's order, without telling anyone.
  std::vector<int> readBatch();
  void endReset();
  const Row* rowData(int row) const;
  void readRow(int recNo, Row& row) const;
  bool isBooleanColumn(int column) const;
  bool writeToggle(int row, int column);
  void fail(const QString& what);
  void dropCache() const;

  xb::TXbDbf& dataset_;
  QList<TXbGridColumn> columns_;
  std::vector<int> rec_nos_;
  bool complete_ = false;
  bool fixed_ = false;
  bool read_only_ = false;
  bool announcing_ = false;
  QString last_error_;
  mutable QHash<int, Row> cache_;
  mutable std::deque<int> cache_order_;
};
