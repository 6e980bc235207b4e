#include "components/XbGridModel.h"

#include <algorithm>

#include "components/IniFile.h"
#include "engine/dataset/field.h"
#include "engine/dataset/uxbfds.h"
#include "engine/table/error_state.h"

namespace {

QString FromTable(const std::string& bytes) {
  QString text = qp::IniFile::decodeWindows1252(QByteArray::fromStdString(bytes));
  while (text.endsWith(' ')) text.chop(1);
  return text;
}

std::string ToTable(const QString& text) { return qp::IniFile::encodeWindows1252(text).toStdString(); }

// Reads rows in a block around the one asked for, so scrolling reads the
// table in runs rather than a record at a time.
constexpr int kReadBlock = 32;

}  // namespace

TXbGridModel::TXbGridModel(xb::TXbDbf& dataset, QObject* parent) : TXbColumnModel(parent), dataset_(dataset) {}

int TXbGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rec_nos_.size());
}

int TXbGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

void TXbGridModel::setColumns(const QList<TXbGridColumn>& columns) {
  beginResetModel();
  columns_ = columns;
  dropCache();
  announcing_ = true;
  endResetModel();
  announcing_ = false;
}

void TXbGridModel::dropCache() const {
  cache_.clear();
  cache_order_.clear();
}

void TXbGridModel::refresh() {
  beginResetModel();
  if (!fixed_) rec_nos_.clear();
  complete_ = fixed_;
  dropCache();
  endReset();
}

void TXbGridModel::setRecordList(std::optional<std::vector<int>> recNos) {
  beginResetModel();
  fixed_ = recNos.has_value();
  rec_nos_ = fixed_ ? std::move(*recNos) : std::vector<int>{};
  complete_ = fixed_;
  dropCache();
  endReset();
}

int TXbGridModel::recNoAt(int row) const {
  return row >= 0 && static_cast<size_t>(row) < rec_nos_.size() ? rec_nos_[static_cast<size_t>(row)] : 0;
}

int TXbGridModel::rowOfRecNo(int recNo) const {
  const auto it = std::find(rec_nos_.begin(), rec_nos_.end(), recNo);
  return it == rec_nos_.end() ? -1 : static_cast<int>(it - rec_nos_.begin());
}

bool TXbGridModel::canFetchMore(const QModelIndex& parent) const {
  // Not while a change is being announced: rows inserted from inside it
  // would reach views and checkers still taking in the change before.
  return !parent.isValid() && !complete_ && !announcing_ && dataset_.Active();
}

std::vector<int> TXbGridModel::readBatch() {
  std::vector<int> batch;
  if (complete_ || !dataset_.Active()) return batch;
  try {
    // Each batch continues from the last record found, in the dataset's
    // order, so nothing before it is read again.
    if (rec_nos_.empty()) {
      dataset_.GoTop();
    } else {
      dataset_.Go(rec_nos_.back());
      dataset_.Skip(1);
    }
    while (!dataset_.IsEOF() && static_cast<int>(batch.size()) < kBatchRows) {
      batch.push_back(dataset_.RecNo());
      dataset_.Skip(1);
    }
    complete_ = dataset_.IsEOF() || xb::ErrorCode() != 0;
  } catch (const std::exception& e) {
    // A table that cannot be read further shows what was found.
    last_error_ = QString::fromStdString(e.what());
    complete_ = true;
  }
  return batch;
}

void TXbGridModel::fetchMore(const QModelIndex& parent) {
  if (!canFetchMore(parent)) return;
  const std::vector<int> batch = readBatch();
  if (batch.empty()) return;
  const int first = static_cast<int>(rec_nos_.size());
  announcing_ = true;
  beginInsertRows({}, first, first + static_cast<int>(batch.size()) - 1);
  rec_nos_.insert(rec_nos_.end(), batch.begin(), batch.end());
  endInsertRows();
  announcing_ = false;
}

void TXbGridModel::endReset() {
  // The first rows come with the reset, so a view has them at once.
  const std::vector<int> batch = readBatch();
  rec_nos_.insert(rec_nos_.end(), batch.begin(), batch.end());
  announcing_ = true;
  endResetModel();
  announcing_ = false;
}

void TXbGridModel::fetchAll() {
  while (canFetchMore({})) fetchMore({});
}

bool TXbGridModel::isBooleanColumn(int column) const {
  if (column < 0 || column >= columns_.size()) return false;
  if (!columns_[column].displayValues.isEmpty()) return true;
  const xb::TField* field = dataset_.FindField(columns_[column].fieldName.toStdString());
  return field && field->DataType() == xb::TFieldType::ftBoolean;
}

void TXbGridModel::readRow(int recNo, Row& row) const {
  dataset_.Go(recNo);
  row.deleted = dataset_.Deleted();
  for (int c = 0; c < columns_.size(); ++c) {
    const xb::TField* field = dataset_.FindField(columns_[c].fieldName.toStdString());
    QString text;
    if (field && !field->IsBlob()) text = FromTable(field->DisplayText());
    row.values.append(text.trimmed().isEmpty() && !columns_[c].blankText.isEmpty() ? columns_[c].blankText : text);
    if (!isBooleanColumn(c)) {
      row.flags.append(QVariant());
    } else if (field && field->DataType() == xb::TFieldType::ftBoolean) {
      row.flags.append(field->AsBoolean());
    } else {
      const TXbBooleanTexts texts = TXbBooleanTexts::fromDisplayValues(columns_[c].displayValues);
      row.flags.append(text.trimmed().compare(texts.trueText, Qt::CaseInsensitive) == 0);
    }
  }
}

const TXbGridModel::Row* TXbGridModel::rowData(int row) const {
  if (auto it = cache_.constFind(row); it != cache_.constEnd()) return &it.value();
  const int last = std::min(static_cast<int>(rec_nos_.size()), row + kReadBlock);
  try {
    for (int r = row; r < last; ++r) {
      if (cache_.contains(r)) continue;
      Row data;
      readRow(rec_nos_[static_cast<size_t>(r)], data);
      cache_.insert(r, std::move(data));
      cache_order_.push_back(r);
    }
  } catch (const std::exception&) {
    // A record that cannot be read shows empty rather than stopping the view.
    if (!cache_.contains(row)) {
      Row blank;
      for (int c = 0; c < columns_.size(); ++c) {
        blank.values.append(QString());
        blank.flags.append(QVariant());
      }
      cache_.insert(row, blank);
      cache_order_.push_back(row);
    }
  }
  while (cache_order_.size() > static_cast<size_t>(kCacheRows) && cache_order_.front() != row) {
    cache_.remove(cache_order_.front());
    cache_order_.pop_front();
  }
  auto it = cache_.constFind(row);
  return it == cache_.constEnd() ? nullptr : &it.value();
}

QVariant TXbGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) return {};
  switch (role) {
    case RecNoRole: return recNoAt(index.row());
    case Qt::TextAlignmentRole: return QVariant::fromValue(columns_[index.column()].alignment | Qt::AlignVCenter);
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
    case BooleanRole:
    case DeletedRole: break;
    default: return {};
  }
  const Row* row = rowData(index.row());
  if (!row) return {};
  if (role == DeletedRole) return row->deleted;
  if (role == BooleanRole) return row->flags.value(index.column());
  return row->values.value(index.column());
}

QVariant TXbGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Vertical) return {};  // the indicator column has no text
  if (section < 0 || section >= columns_.size()) return {};
  const TXbGridColumn& c = columns_[section];
  switch (role) {
    case Qt::DisplayRole: return c.title.isEmpty() ? c.fieldName : c.title;
    case Qt::TextAlignmentRole: return QVariant::fromValue(c.titleAlignment | Qt::AlignVCenter);
    case Qt::FontRole: return c.titleFont ? QVariant(*c.titleFont) : QVariant();
    case Qt::BackgroundRole: return c.titleColor.isValid() ? QVariant(c.titleColor) : QVariant();
    case Qt::ForegroundRole: return c.titleFontColor.isValid() ? QVariant(c.titleFontColor) : QVariant();
    default: return {};
  }
}

Qt::ItemFlags TXbGridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (!read_only_ && !columns_[index.column()].readOnly && isBooleanColumn(index.column())) f |= Qt::ItemIsEditable;
  return f;
}

void TXbGridModel::fail(const QString& what) {
  last_error_ = what;
  if (xb::ErrorCode() != 0) last_error_ += QStringLiteral(": ") + QString::fromStdString(xb::ErrorText());
  emit writeFailed(last_error_);
}

bool TXbGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != ToggleRole || !(flags(index) & Qt::ItemIsEditable)) return false;
  if (!writeToggle(index.row(), index.column())) return false;
  cache_.remove(index.row());
  emit dataChanged(index, index);
  return true;
}

bool TXbGridModel::writeToggle(int row, int column) {
  const TXbGridColumn& c = columns_[column];
  xb::ClearErrorCode();
  try {
    dataset_.Go(recNoAt(row));
    xb::TField* field = dataset_.FieldByName(c.fieldName.toStdString());
    if (!dataset_.RLock()) {
      dataset_.UnLock();
      fail(QStringLiteral("The record is locked by another program."));
      return false;
    }
    if (field->DataType() == xb::TFieldType::ftBoolean && c.displayValues.isEmpty()) {
      const bool now = field->AsBoolean();
      dataset_.Edit();
      field->SetAsBoolean(!now);
    } else {
      const TXbBooleanTexts texts = TXbBooleanTexts::fromDisplayValues(c.displayValues);
      const bool now = FromTable(field->DisplayText()).trimmed().compare(texts.trueText, Qt::CaseInsensitive) == 0;
      dataset_.PutField(c.fieldName.toStdString(), ToTable(now ? texts.falseText : texts.trueText));
    }
    dataset_.ReplaceRec();
    const bool ok = xb::ErrorCode() == 0;
    dataset_.UnLock();
    if (!ok) fail(QStringLiteral("The record could not be written"));
    return ok;
  } catch (const std::exception& e) {
    if (dataset_.State() == xb::TDataSetState::dsEdit) dataset_.Cancel();
    dataset_.UnLock();
    fail(QStringLiteral("The record could not be written: ") + QString::fromStdString(e.what()));
    return false;
  }
}

bool TXbGridModel::removeRows(int row, int count, const QModelIndex& parent) {
  if (parent.isValid() || read_only_ || row < 0 || count <= 0 || row + count > rowCount()) return false;
  bool all = true;
  for (int r = row + count - 1; r >= row; --r) {
    xb::ClearErrorCode();
    bool deleted = false;
    try {
      dataset_.Go(recNoAt(r));
      if (dataset_.RLock()) {
        dataset_.DeleteRec();
        deleted = xb::ErrorCode() == 0;
      }
    } catch (const std::exception&) {
    }
    dataset_.UnLock();
    if (!deleted) {
      all = false;
      fail(QStringLiteral("The record could not be deleted"));
      continue;
    }
    dropCache();
    if (dataset_.HideDeletedRecs()) {
      beginRemoveRows({}, r, r);
      rec_nos_.erase(rec_nos_.begin() + r);
      // Rows read while the removal was announced sit under their old numbers.
      dropCache();
      endRemoveRows();
    } else {
      emit dataChanged(index(r, 0), index(r, columnCount() - 1));
    }
  }
  return all;
}

bool TXbGridModel::insertRows(int row, int count, const QModelIndex& parent) {
  if (parent.isValid() || read_only_ || row != rowCount() || count <= 0 || canFetchMore({})) return false;
  for (int i = 0; i < count; ++i) {
    xb::ClearErrorCode();
    bool appended = false;
    try {
      dataset_.ClearRecord();
      if (dataset_.ALock()) {
        dataset_.AppendRec();
        appended = xb::ErrorCode() == 0;
      } else if (dataset_.State() == xb::TDataSetState::dsEdit || dataset_.State() == xb::TDataSetState::dsInsert) {
        dataset_.Cancel();
      }
    } catch (const std::exception&) {
    }
    dataset_.UnLock();
    if (!appended) {
      fail(QStringLiteral("The record could not be appended"));
      return false;
    }
    const int at = rowCount();
    beginInsertRows({}, at, at);
    rec_nos_.push_back(dataset_.RecNo());
    endInsertRows();
  }
  return true;
}
