#pragma once
// TDataSet: the dataset framework every table component builds on. It owns
// the field objects, a window of record buffers, the dataset state, the
// begin and end flags, the event properties and the data sources that tell
// data-aware controls what changed. It knows nothing of where records come
// from: a subclass supplies records through the Internal... operations and
// GetRecord, and the field values through GetFieldData / SetFieldData.
//
// Record buffer window: buffers_[0 .. buffer_count_] (one spare at the
// end, into which the next record is fetched), of which the first
// record_count_ hold records in cursor order and active_record_ is the one
// fields read. current_record_ names the buffer the subclass's cursor
// stands on (-1: unknown), so that a move first re-positions the cursor
// (UpdateCursorPos) before asking for the next or prior record.
//
// Invariants between public calls:
//   (1) 0 <= record_count_ <= buffer_count_, and active_record_ <
//       record_count_ unless record_count_ is 0 (then 0);
//   (2) while open in browse state, record_count_ is 0 only when the
//       dataset has no visible record (then Bof and Eof are both true);
//   (3) every buffer has RecordBufferSize() bytes.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "engine/dataset/data_link.h"
#include "engine/dataset/dataset_state.h"
#include "engine/dataset/field.h"

namespace xb {

struct TFieldDef {
  std::string name;
  TFieldType data_type = TFieldType::ftUnknown;
  int size = 0;
  int field_no = 0;
  bool required = false;
};

using TBookmark = std::vector<uint8_t>;
using TVariant = std::variant<std::monostate, std::string, int32_t, double, bool>;
enum class TDataAction { daFail, daAbort, daRetry };

class TDataSet {
 public:
  using NotifyEvent = std::function<void(TDataSet&)>;
  using ErrorEvent = std::function<void(TDataSet&, const std::exception&, TDataAction&)>;

  explicit TDataSet(std::string name = "");
  virtual ~TDataSet();
  TDataSet(const TDataSet&) = delete;
  TDataSet& operator=(const TDataSet&) = delete;

  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }

  // ---- Opening and state ----
  bool Active() const { return state_ != TDataSetState::dsInactive; }
  void SetActive(bool on);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  TDataSetState State() const { return state_; }
  bool Modified() const { return modified_; }
  void SetModified() { modified_ = true; }

  // ---- Fields ----
  int FieldCount() const { return static_cast<int>(fields_.size()); }
  TField* Fields(int index) const { return fields_.at(static_cast<size_t>(index)).get(); }
  TField* FindField(const std::string& name) const;
  // Throws EDatabaseError "Field '<name>' not found".
  TField* FieldByName(const std::string& name) const;
  // A persistent field declared before the dataset opens; bound by name.
  TField& AddField(std::unique_ptr<TField> field);
  const std::vector<TFieldDef>& FieldDefs() const { return field_defs_; }

  // ---- Navigation ----
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  int MoveBy(int distance);
  bool Bof() const { return bof_; }
  bool Eof() const { return eof_; }
  bool IsEmpty() const;
  void Refresh();
  // Fetches the records around the cursor again. exact: the cursor's
  // current record must be found; center: it goes to the middle of the
  // window.
  void Resync(bool exact, bool center);
  virtual int RecNo() { return -1; }
  virtual void SetRecNo(int) {}
  virtual int RecordCount() { return -1; }
  virtual bool IsSequenced() { return !filtered_; }
  bool FindFirst() { return FindRecord(true, true); }
  bool FindLast() { return FindRecord(true, false); }
  bool FindNext() { return FindRecord(false, true); }
  bool FindPrior() { return FindRecord(false, false); }
  virtual bool FindRecord(bool restart, bool go_forward) { return false; }

  // ---- Editing ----
  void Edit();
  void Insert();
  void Append();
  virtual void Post();
  void Cancel();
  void Delete();
  // Posts or cancels a pending edit (posts when modified).
  void CheckBrowseMode();
  // Lets the controls write their pending values into the fields.
  void UpdateRecord();
  bool CanModify() { return GetCanModify(); }

  // ---- Bookmarks ----
  TBookmark GetBookmark();
  void GotoBookmark(const TBookmark& bookmark);
  virtual bool BookmarkValid(const TBookmark& bookmark) { return false; }
  virtual int CompareBookmarks(const TBookmark& a, const TBookmark& b) { return 0; }

  // ---- Filters, search, blobs ----
  bool Filtered() const { return filtered_; }
  const std::string& Filter() const { return filter_text_; }
  virtual bool Locate(const std::string& key_fields, const std::vector<TVariant>& key_values,
                      TLocateOptions options) { return false; }
  virtual std::vector<TVariant> Lookup(const std::string& key_fields, const std::vector<TVariant>& key_values,
                                       const std::string& result_fields) { return {}; }
  virtual std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode) { return nullptr; }

  // ---- Controls ----
  void DisableControls() { ++disable_count_; }
  void EnableControls();
  bool ControlsDisabled() const { return disable_count_ > 0; }

  // ---- Field values (called by TField) ----
  virtual bool GetFieldData(const TField* field, void* buffer) = 0;
  virtual void SetFieldData(TField* field, const void* buffer) = 0;

  // ---- For data links ----
  void UpdateBufferCount();
  int ActiveRecordIndex() const { return active_record_; }
  int BufferedRecordCount() const { return record_count_; }
  void AddDataSource(TDataSource* source);
  void RemoveDataSource(TDataSource* source);
  void DataEvent(TDataEvent event, intptr_t info = 0);

  // ---- Events ----
  NotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  NotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  NotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  NotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
  NotifyEvent OnNewRecord, OnCalcFields;
  ErrorEvent OnPostError, OnEditError, OnDeleteError;
  bool AutoCalcFields = true;

 protected:
  // ---- What a subclass supplies ----
  virtual int RecordBufferSize() const = 0;
  virtual TGetResult GetRecord(uint8_t* buffer, TGetMode mode, bool do_check) = 0;
  virtual void OpenCursor();
  virtual void CloseCursor();
  virtual void InternalOpen() = 0;
  virtual void InternalClose() = 0;
  virtual bool IsCursorOpen() const = 0;
  virtual void InternalInitFieldDefs() = 0;
  virtual void InternalFirst() = 0;
  virtual void InternalLast() = 0;
  virtual void InternalInitRecord(uint8_t* buffer) = 0;
  virtual void InternalInsert() {}
  virtual void InternalEdit() {}
  virtual void InternalCancel() {}
  virtual void InternalPost() = 0;
  virtual void InternalDelete() = 0;
  virtual void InternalRefresh() {}
  virtual void InternalAddRecord(uint8_t* buffer, bool append) = 0;
  virtual void InternalGotoBookmark(const uint8_t* bookmark) = 0;
  virtual void InternalSetToRecord(uint8_t* buffer) = 0;
  virtual void InternalHandleException() {}
  virtual int BookmarkSize() const = 0;
  virtual void GetBookmarkData(const uint8_t* buffer, uint8_t* data) = 0;
  virtual void SetBookmarkData(uint8_t* buffer, const uint8_t* data) = 0;
  virtual TBookmarkFlag GetBookmarkFlag(const uint8_t* buffer) = 0;
  virtual void SetBookmarkFlag(uint8_t* buffer, TBookmarkFlag flag) = 0;
  virtual std::unique_ptr<TField> CreateFieldFor(const TFieldDef& def);
  virtual bool GetCanModify() { return true; }
  virtual void DoOnNewRecord();
  // Where the calculated-field area starts inside a record buffer.
  virtual int CalcAreaOffset() const = 0;

  // ---- Building blocks for subclasses ----
  uint8_t* ActiveBuffer() { return record_count_ > 0 || IsEditState(state_) ? buffers_[active_record_].data() : nullptr; }
  uint8_t* CalcBuffer() { return calc_buffer_; }
  void SetCalcBuffer(uint8_t* buffer) { calc_buffer_ = buffer; }
  uint8_t* Buffer(int i) { return buffers_[i].data(); }
  void SetState(TDataSetState state);
  void CheckActive() const;
  void SetBof(bool on) { bof_ = on; }
  void SetEof(bool on) { eof_ = on; }
  void ClearBuffers();
  bool GetNextRecord();
  bool GetPriorRecord();
  void GetNextRecords();
  void GetPriorRecords();
  void UpdateCursorPos();
  void CursorPosChanged() { current_record_ = -1; }
  void InitRecord(uint8_t* buffer);
  void GetCalcFields(uint8_t* buffer);
  void ClearCalcFields(uint8_t* buffer);
  int CalcFieldsSize() const { return calc_fields_size_; }
  // The offset of a calculated field's flag byte inside the calc area.
  int CalcFieldOffset(const TField* field) const;
  // Runs `op`; a failure goes to `handler`, which may ask for a retry.
  void CheckOperation(const std::function<void()>& op, const ErrorEvent& handler);
  void DoBeforeScroll() { if (BeforeScroll) BeforeScroll(*this); }
  void DoAfterScroll() { if (AfterScroll) AfterScroll(*this); }
  void DoAfterCancel() { if (AfterCancel) AfterCancel(*this); }
  std::vector<TFieldDef>& MutableFieldDefs() { return field_defs_; }
  void SetFilterState(bool filtered, std::string text) {
    filtered_ = filtered;
    filter_text_ = std::move(text);
  }
  bool DefaultFields() const { return default_fields_; }
  // Makes a field object for every definition (no persistent fields).
  void CreateFields();
  // Ties the fields to the definitions by name; throws for a persistent
  // field without a definition.
  void BindFields(bool binding);
  void DestroyDefaultFields();
  // Drops every saved state (the cursor is closing).
  void ClearSavedStates() { saved_states_.clear(); }
  void PushState(TDataSetState s) { saved_states_.push_back(state_); state_ = s; }
  void PopState() { state_ = saved_states_.back(); saved_states_.pop_back(); }

 private:
  void DoInternalOpen();
  void SetBufferCount(int count);
  void MoveBuffer(int from, int to);
  void ActivateBuffers();
  void BeginInsertAppend();
  void EndInsertAppend();

  std::string name_;
  TDataSetState state_ = TDataSetState::dsInactive;
  std::vector<std::unique_ptr<TField>> fields_;
  std::vector<TFieldDef> field_defs_;
  bool default_fields_ = false;
  int calc_fields_size_ = 0;
  std::vector<int> calc_offsets_;  // by index in fields_; -1 for data fields

  std::vector<std::vector<uint8_t>> buffers_;
  int buffer_count_ = 0;
  int record_count_ = 0;
  int active_record_ = 0;
  int current_record_ = -1;
  uint8_t* calc_buffer_ = nullptr;
  bool bof_ = true;
  bool eof_ = true;
  bool modified_ = false;
  bool filtered_ = false;
  std::string filter_text_;
  int disable_count_ = 0;
  bool pending_change_ = false;
  std::vector<TDataSetState> saved_states_;
  std::vector<TDataSource*> sources_;
};

}  // namespace xb
