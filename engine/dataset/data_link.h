#pragma once
// Data sources and data links: how data-aware controls follow a dataset
// without the dataset knowing them. A control owns a TDataLink (subclass)
// attached to a TDataSource; the source is attached to a dataset and passes
// every notification of that dataset to its links while it is enabled.
//
// A link asks for a window of BufferCount records (a grid shows several
// rows); the dataset keeps as many record buffers as its largest link asks
// for, and ActiveRecord is the active record's place in that window.
//
// Lifetimes: a link detaches itself from its source and a source from its
// dataset when destroyed; a dataset that goes away first detaches its
// sources, which then have no dataset.
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/dataset/dataset_state.h"

namespace xb {

class TDataSet;
class TDataSource;
class TField;

class TDataLink {
 public:
  TDataLink() = default;
  virtual ~TDataLink();
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;

  void SetDataSource(TDataSource* source);
  TDataSource* DataSource() const { return source_; }
  TDataSet* DataSet() const;
  // The source has an open dataset.
  bool Active() const;
  bool Editing() const;
  int BufferCount() const { return buffer_count_; }
  void SetBufferCount(int count);
  int ActiveRecord() const;
  int RecordCount() const;
  // Puts the dataset into edit state; false when it cannot be edited.
  bool Edit();

 protected:
  virtual void ActiveChanged() {}
  virtual void DataSetChanged() {}
  virtual void DataSetScrolled(int distance) { DataSetChanged(); }
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void RecordChanged(TField* field) {}
  virtual void EditingChanged() {}
  // The control writes its pending value into its field.
  virtual void UpdateData() {}
  virtual void CheckBrowseMode() {}

 private:
  friend class TDataSource;
  void Notify(TDataEvent event, intptr_t info);
  void StateChanged();

  TDataSource* source_ = nullptr;
  int buffer_count_ = 1;
  bool active_ = false;
  bool editing_ = false;
};

class TDataSource {
 public:
  TDataSource() = default;
  ~TDataSource();
  TDataSource(const TDataSource&) = delete;
  TDataSource& operator=(const TDataSource&) = delete;

  TDataSet* DataSet() const { return dataset_; }
  void SetDataSet(TDataSet* dataset);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);
  TDataSetState State() const;
  const std::vector<TDataLink*>& Links() const { return links_; }

  std::function<void()> OnStateChange;
  std::function<void(TField*)> OnDataChange;
  std::function<void()> OnUpdateData;

 private:
  friend class TDataLink;
  friend class TDataSet;
  // From the dataset: a notification, and a change of state.
  void DataEvent(TDataEvent event, intptr_t info);
  void StateChanged();
  void DatasetGone() { dataset_ = nullptr; }

  TDataSet* dataset_ = nullptr;
  bool enabled_ = true;
  std::vector<TDataLink*> links_;
};

}  // namespace xb
