#include "engine/dataset/data_link.h"

#include <algorithm>

#include "engine/dataset/dataset_base.h"

namespace xb {

// ---- TDataLink ----

TDataLink::~TDataLink() { SetDataSource(nullptr); }

void TDataLink::SetDataSource(TDataSource* source) {
  if (source == source_) return;
  if (source_ != nullptr) {
    auto& links = source_->links_;
    links.erase(std::remove(links.begin(), links.end(), this), links.end());
    if (TDataSet* ds = source_->DataSet()) ds->UpdateBufferCount();
  }
  source_ = source;
  if (source_ != nullptr) {
    source_->links_.push_back(this);
    if (TDataSet* ds = source_->DataSet()) ds->UpdateBufferCount();
  }
  StateChanged();
}

TDataSet* TDataLink::DataSet() const { return source_ == nullptr ? nullptr : source_->DataSet(); }

bool TDataLink::Active() const {
  TDataSet* ds = DataSet();
  return ds != nullptr && ds->Active() && source_->Enabled();
}

bool TDataLink::Editing() const {
  TDataSet* ds = DataSet();
  return Active() && IsEditState(ds->State());
}

void TDataLink::SetBufferCount(int count) {
  buffer_count_ = std::max(1, count);
  if (TDataSet* ds = DataSet()) ds->UpdateBufferCount();
}

int TDataLink::ActiveRecord() const {
  TDataSet* ds = DataSet();
  return Active() ? ds->ActiveRecordIndex() : 0;
}

int TDataLink::RecordCount() const {
  TDataSet* ds = DataSet();
  return Active() ? ds->BufferedRecordCount() : 0;
}

bool TDataLink::Edit() {
  TDataSet* ds = DataSet();
  if (!Active()) return false;
  if (!IsEditState(ds->State())) ds->Edit();
  return IsEditState(ds->State());
}

void TDataLink::StateChanged() {
  const bool active = Active();
  if (active != active_) {
    active_ = active;
    ActiveChanged();
  }
  const bool editing = Editing();
  if (editing != editing_) {
    editing_ = editing;
    EditingChanged();
  }
}

void TDataLink::Notify(TDataEvent event, intptr_t info) {
  switch (event) {
    case TDataEvent::deFieldChange:
    case TDataEvent::deRecordChange:
      RecordChanged(reinterpret_cast<TField*>(info));
      break;
    case TDataEvent::deDataSetChange:
      DataSetChanged();
      break;
    case TDataEvent::deDataSetScroll:
      DataSetScrolled(static_cast<int>(info));
      break;
    case TDataEvent::deLayoutChange:
      LayoutChanged();
      break;
    case TDataEvent::deUpdateRecord:
      UpdateData();
      break;
    case TDataEvent::deUpdateState:
      StateChanged();
      break;
    case TDataEvent::deCheckBrowseMode:
      CheckBrowseMode();
      break;
  }
}

// ---- TDataSource ----

TDataSource::~TDataSource() {
  for (TDataLink* link : std::vector<TDataLink*>(links_)) link->SetDataSource(nullptr);
  SetDataSet(nullptr);
}

void TDataSource::SetDataSet(TDataSet* dataset) {
  if (dataset == dataset_) return;
  if (dataset_ != nullptr) dataset_->RemoveDataSource(this);
  dataset_ = dataset;
  if (dataset_ != nullptr) dataset_->AddDataSource(this);
  StateChanged();
}

void TDataSource::SetEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  StateChanged();
}

TDataSetState TDataSource::State() const {
  return dataset_ == nullptr || !enabled_ ? TDataSetState::dsInactive : dataset_->State();
}

void TDataSource::DataEvent(TDataEvent event, intptr_t info) {
  if (event == TDataEvent::deUpdateState) return StateChanged();
  if (!enabled_) return;
  for (TDataLink* link : std::vector<TDataLink*>(links_)) link->Notify(event, info);
  if (event == TDataEvent::deFieldChange || event == TDataEvent::deRecordChange ||
      event == TDataEvent::deDataSetChange || event == TDataEvent::deDataSetScroll ||
      event == TDataEvent::deLayoutChange) {
    if (OnDataChange) OnDataChange(event == TDataEvent::deFieldChange ? reinterpret_cast<TField*>(info) : nullptr);
  } else if (event == TDataEvent::deUpdateRecord && OnUpdateData) {
    OnUpdateData();
  }
}

void TDataSource::StateChanged() {
  for (TDataLink* link : std::vector<TDataLink*>(links_)) link->StateChanged();
  if (OnStateChange) OnStateChange();
}

}  // namespace xb
