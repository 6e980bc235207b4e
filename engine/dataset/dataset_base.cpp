#include "engine/dataset/dataset_base.h"

#include <algorithm>
#include <cctype>

namespace xb {
namespace {

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
         });
}

}  // namespace

TDataSet::TDataSet(std::string name) : name_(std::move(name)) {}

TDataSet::~TDataSet() {
  for (TDataSource* source : sources_) source->DatasetGone();
}

// ---- Opening and closing ----

void TDataSet::SetActive(bool on) {
  if (on == Active()) return;
  if (on) {
    if (BeforeOpen) BeforeOpen(*this);
    SetState(TDataSetState::dsOpening);
    try {
      OpenCursor();
    } catch (...) {
      state_ = TDataSetState::dsInactive;
      try {
        CloseCursor();
      } catch (...) {
      }
      DataEvent(TDataEvent::deUpdateState);
      throw;
    }
    SetState(TDataSetState::dsBrowse);
    DataEvent(TDataEvent::deLayoutChange);
    if (AfterOpen) AfterOpen(*this);
    if (!IsEmpty()) DoAfterScroll();
  } else {
    if (BeforeClose) BeforeClose(*this);
    SetState(TDataSetState::dsInactive);
    CloseCursor();
    if (AfterClose) AfterClose(*this);
  }
}

void TDataSet::OpenCursor() { DoInternalOpen(); }

void TDataSet::DoInternalOpen() {
  default_fields_ = fields_.empty();
  InternalOpen();
  bof_ = true;
  UpdateBufferCount();
}

void TDataSet::CloseCursor() {
  ClearBuffers();
  buffers_.clear();
  buffer_count_ = 0;
  if (IsCursorOpen()) InternalClose();
}

void TDataSet::CheckActive() const {
  if (!Active()) throw EDatabaseError((name_.empty() ? "" : name_ + ": ") + "Cannot perform this operation on a closed dataset");
}

void TDataSet::SetState(TDataSetState state) {
  if (state_ == state) return;
  state_ = state;
  modified_ = false;
  DataEvent(TDataEvent::deUpdateState);
}

// ---- Fields ----

TField* TDataSet::FindField(const std::string& name) const {
  for (const auto& f : fields_)
    if (SameName(f->FieldName(), name)) return f.get();
  return nullptr;
}

TField* TDataSet::FieldByName(const std::string& name) const {
  TField* f = FindField(name);
  if (f == nullptr) throw EDatabaseError((name_.empty() ? "" : name_ + ": ") + "Field '" + name + "' not found");
  return f;
}

TField& TDataSet::AddField(std::unique_ptr<TField> field) {
  if (Active()) throw EDatabaseError("Cannot perform this operation on an open dataset");
  field->SetDataSet(this);
  fields_.push_back(std::move(field));
  return *fields_.back();
}

std::unique_ptr<TField> TDataSet::CreateFieldFor(const TFieldDef& def) { return CreateStandardField(def.data_type); }

void TDataSet::CreateFields() {
  for (const TFieldDef& def : field_defs_) {
    std::unique_ptr<TField> field = CreateFieldFor(def);
    if (field == nullptr) continue;
    field->SetFieldName(def.name);
    if (def.data_type == TFieldType::ftString || def.data_type == TFieldType::ftInteger ||
        def.data_type == TFieldType::ftFloat)
      field->SetSize(def.size);
    field->SetFieldNo(def.field_no);
    field->SetDataSet(this);
    fields_.push_back(std::move(field));
  }
}

void TDataSet::BindFields(bool binding) {
  calc_offsets_.assign(fields_.size(), -1);
  calc_fields_size_ = 0;
  for (size_t i = 0; i < fields_.size(); ++i) {
    TField& f = *fields_[i];
    if (f.FieldKind() == TFieldKind::fkCalculated) {
      f.SetFieldNo(-static_cast<int>(i) - 1);
      calc_offsets_[i] = calc_fields_size_;
      calc_fields_size_ += 1 + f.DataSize();
      continue;
    }
    if (!binding) continue;
    const auto def = std::find_if(field_defs_.begin(), field_defs_.end(),
                                  [&](const TFieldDef& d) { return SameName(d.name, f.FieldName()); });
    if (def == field_defs_.end())
      throw EDatabaseError((name_.empty() ? "" : name_ + ": ") + "Field '" + f.FieldName() + "' not found");
    if (def->data_type != f.DataType())
      throw EDatabaseError((name_.empty() ? "" : name_ + ": ") + "Type mismatch for field '" + f.FieldName() + "'");
    f.SetFieldNo(def->field_no);
    if (f.DataType() == TFieldType::ftString && f.Size() != def->size) f.SetSize(def->size);
  }
}

void TDataSet::DestroyDefaultFields() {
  if (default_fields_) fields_.clear();
  default_fields_ = false;
}

int TDataSet::CalcFieldOffset(const TField* field) const {
  for (size_t i = 0; i < fields_.size(); ++i)
    if (fields_[i].get() == field) return calc_offsets_.size() > i ? calc_offsets_[i] : -1;
  return -1;
}

void TDataSet::ClearCalcFields(uint8_t* buffer) {
  if (calc_fields_size_ > 0) std::fill_n(buffer + CalcAreaOffset(), calc_fields_size_, 0);
}

void TDataSet::GetCalcFields(uint8_t* buffer) {
  if (calc_fields_size_ == 0 || !OnCalcFields) return;
  uint8_t* saved = calc_buffer_;
  calc_buffer_ = buffer;
  PushState(TDataSetState::dsCalcFields);
  try {
    ClearCalcFields(buffer);
    OnCalcFields(*this);
  } catch (...) {
    PopState();
    calc_buffer_ = saved;
    throw;
  }
  PopState();
  calc_buffer_ = saved;
}

// ---- Editing ----

void TDataSet::CheckOperation(const std::function<void()>& op, const ErrorEvent& handler) {
  for (;;) {
    try {
      op();
      return;
    } catch (const EDatabaseError& e) {
      TDataAction action = TDataAction::daFail;
      if (handler) handler(*this, e, action);
      if (action != TDataAction::daRetry) throw;
    }
  }
}

void TDataSet::Edit() {
  if (IsEditState(state_)) return;
  if (record_count_ == 0) return Insert();
  CheckBrowseMode();
  if (!GetCanModify()) throw EDatabaseError("Cannot modify a read-only dataset");
  if (BeforeEdit) BeforeEdit(*this);
  CheckOperation([this] { InternalEdit(); }, OnEditError);
  GetCalcFields(ActiveBuffer());
  SetState(TDataSetState::dsEdit);
  DataEvent(TDataEvent::deRecordChange);
  if (AfterEdit) AfterEdit(*this);
}

void TDataSet::BeginInsertAppend() {
  CheckBrowseMode();
  if (!GetCanModify()) throw EDatabaseError("Cannot modify a read-only dataset");
  if (BeforeInsert) BeforeInsert(*this);
  DoBeforeScroll();
}

void TDataSet::EndInsertAppend() {
  SetState(TDataSetState::dsInsert);
  try {
    DoOnNewRecord();
  } catch (...) {
    UpdateCursorPos();
    SetState(TDataSetState::dsBrowse);
    Resync(false, false);
    throw;
  }
  modified_ = false;
  DataEvent(TDataEvent::deDataSetChange);
  if (AfterInsert) AfterInsert(*this);
  DoAfterScroll();
}

void TDataSet::DoOnNewRecord() {
  if (OnNewRecord) OnNewRecord(*this);
}

void TDataSet::InitRecord(uint8_t* buffer) {
  InternalInitRecord(buffer);
  ClearCalcFields(buffer);
  SetBookmarkFlag(buffer, TBookmarkFlag::bfInserted);
}

void TDataSet::Insert() {
  BeginInsertAppend();
  std::vector<uint8_t> old_bookmark(static_cast<size_t>(BookmarkSize()), 0);
  if (record_count_ > 0) GetBookmarkData(ActiveBuffer(), old_bookmark.data());
  MoveBuffer(record_count_, active_record_);
  uint8_t* buffer = buffers_[active_record_].data();
  InitRecord(buffer);
  if (record_count_ == 0)
    SetBookmarkFlag(buffer, TBookmarkFlag::bfBOF);
  else
    SetBookmarkData(buffer, old_bookmark.data());
  if (record_count_ < buffer_count_) ++record_count_;
  InternalInsert();
  EndInsertAppend();
}

void TDataSet::Append() {
  BeginInsertAppend();
  ClearBuffers();
  uint8_t* buffer = buffers_[0].data();
  InitRecord(buffer);
  SetBookmarkFlag(buffer, TBookmarkFlag::bfEOF);
  record_count_ = 1;
  bof_ = false;
  GetPriorRecords();
  InternalInsert();
  EndInsertAppend();
}

void TDataSet::UpdateRecord() {
  if (!IsEditState(state_)) throw EDatabaseError("Dataset not in edit or insert mode");
  DataEvent(TDataEvent::deUpdateRecord);
}

void TDataSet::Post() {
  UpdateRecord();
  if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert) return;
  DataEvent(TDataEvent::deCheckBrowseMode);
  if (BeforePost) BeforePost(*this);
  CheckOperation([this] { InternalPost(); }, OnPostError);
  SetState(TDataSetState::dsBrowse);
  Resync(false, false);
  if (AfterPost) AfterPost(*this);
}

void TDataSet::Cancel() {
  if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert) return;
  DataEvent(TDataEvent::deCheckBrowseMode);
  if (BeforeCancel) BeforeCancel(*this);
  const bool scroll = state_ == TDataSetState::dsInsert;
  if (scroll) DoBeforeScroll();
  UpdateCursorPos();
  InternalCancel();
  SetState(TDataSetState::dsBrowse);
  Resync(false, false);
  DoAfterCancel();
  if (scroll) DoAfterScroll();
}

void TDataSet::Delete() {
  CheckActive();
  if (state_ == TDataSetState::dsInsert || state_ == TDataSetState::dsSetKey) return Cancel();
  if (record_count_ == 0) throw EDatabaseError((name_.empty() ? "" : name_ + ": ") + "Cannot perform this operation on an empty dataset");
  DataEvent(TDataEvent::deCheckBrowseMode);
  if (BeforeDelete) BeforeDelete(*this);
  DoBeforeScroll();
  CheckOperation([this] { InternalDelete(); }, OnDeleteError);
  SetState(TDataSetState::dsBrowse);
  Resync(false, false);
  if (AfterDelete) AfterDelete(*this);
  DoAfterScroll();
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(TDataEvent::deCheckBrowseMode);
  if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) {
    UpdateRecord();
    if (modified_)
      Post();
    else
      Cancel();
  } else if (state_ == TDataSetState::dsSetKey) {
    Post();
  }
}

// ---- Notifications ----

void TDataSet::AddDataSource(TDataSource* source) {
  sources_.push_back(source);
  UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* source) {
  sources_.erase(std::remove(sources_.begin(), sources_.end(), source), sources_.end());
  UpdateBufferCount();
}

void TDataSet::DataEvent(TDataEvent event, intptr_t info) {
  if (event == TDataEvent::deFieldChange) {
    auto* field = reinterpret_cast<TField*>(info);
    if (IsEditState(state_) && field != nullptr && field->FieldKind() == TFieldKind::fkData) modified_ = true;
    if (field != nullptr && field->FieldKind() == TFieldKind::fkData && AutoCalcFields &&
        state_ != TDataSetState::dsSetKey && ActiveBuffer() != nullptr)
      GetCalcFields(ActiveBuffer());
    if (field != nullptr && field->OnChange) field->OnChange(*field);
  }
  if (ControlsDisabled()) {
    pending_change_ = true;
    return;
  }
  for (TDataSource* source : std::vector<TDataSource*>(sources_)) source->DataEvent(event, info);
}

void TDataSet::EnableControls() {
  if (disable_count_ > 0 && --disable_count_ == 0 && pending_change_) {
    pending_change_ = false;
    DataEvent(TDataEvent::deUpdateState);
    DataEvent(TDataEvent::deDataSetChange);
  }
}

}  // namespace xb
