#include "engine/dataset/xbprimds.h"

#include <cstring>

namespace xb {

TXbPrimDataset::TXbPrimDataset(std::string name) : TDataSet(std::move(name)) {}

TXbPrimDataset::~TXbPrimDataset() = default;

std::string TXbPrimDataset::XbiErrorText(int code) { return "Error " + std::to_string(code); }

std::string TXbPrimDataset::StatusMessage(int status) {
  if (status >= kStatusOpenFailed && status <= kStatusAtEnd) return "Dataset error: " + std::to_string(status);
  if (status == kStatusNoFileName) return "Missing DbfFilename property";
  return "Dataset error: " + XbiErrorText(status);
}

void TXbPrimDataset::RaiseStatus(int status) {
  if (status != kStatusOk) throw EDatabaseError(StatusMessage(status));
}

// ---- Opening and closing ----

void TXbPrimDataset::OpenCursor() {
  RaiseStatus(XbiOpen());
  cursor_open_ = true;
  TDataSet::OpenCursor();
}

void TXbPrimDataset::InternalOpen() {
  record_size_ = XbiGetRecordSize();
  bookmark_size_ = XbiGetBookmarkSize();
  InternalInitFieldDefs();
  if (DefaultFields()) CreateFields();
  BindFields(true);
  int blobs = 0;
  for (int i = 0; i < FieldCount(); ++i)
    if (Fields(i)->IsBlob() && Fields(i)->FieldKind() == TFieldKind::fkData) ++blobs;
  calc_offset_ = record_size_;
  blob_offset_ = calc_offset_ + CalcFieldsSize();
  info_offset_ = blob_offset_ + 4 * blobs;
  bookmark_offset_ = info_offset_ + 5;
  buffer_size_ = bookmark_offset_ + bookmark_size_;
  XbiSetToBegin();
}

void TXbPrimDataset::CloseCursor() {
  TDataSet::CloseCursor();
  ClearSavedStates();
  if (cursor_open_) XbiClose();
  cursor_open_ = false;
}

void TXbPrimDataset::InternalClose() {
  BindFields(false);
  DestroyDefaultFields();
}

// ---- Fetching ----

TGetResult TXbPrimDataset::GetRecord(uint8_t* buffer, TGetMode mode, bool do_check) {
  int status = kStatusOk;
  switch (mode) {
    case TGetMode::gmCurrent: status = XbiGetRecord(buffer); break;
    case TGetMode::gmNext: status = XbiGetNextRecord(buffer); break;
    case TGetMode::gmPrior: status = XbiGetPriorRecord(buffer); break;
  }
  if (status == kStatusOk) {
    SetBookmarkFlag(buffer, TBookmarkFlag::bfCurrent);
    GetCalcFields(buffer);
    RaiseStatus(XbiSetToBookmark(buffer));
    return TGetResult::grOK;
  }
  if (status == kStatusAtBegin) return TGetResult::grBOF;
  if (status == kStatusAtEnd) return TGetResult::grEOF;
  if (do_check) RaiseStatus(status);
  return TGetResult::grError;
}

void TXbPrimDataset::InternalFirst() { XbiSetToBegin(); }
void TXbPrimDataset::InternalLast() { RaiseStatus(XbiSetToEnd()); }

void TXbPrimDataset::InternalInitRecord(uint8_t* buffer) {
  std::memset(buffer, 0, static_cast<size_t>(buffer_size_));
  XbiInitRecord();
}

void TXbPrimDataset::InternalInsert() {
  if (uint8_t* b = ActiveBuffer()) std::memset(b, 0, static_cast<size_t>(buffer_size_));
}

// An edit always starts from the record as it is in the file.
void TXbPrimDataset::InternalEdit() { RaiseStatus(XbiGetRecord(ActiveBuffer())); }

void TXbPrimDataset::InternalPost() {
  if (State() == TDataSetState::dsEdit)
    RaiseStatus(XbiPostRecord(ActiveBuffer()));
  else
    RaiseStatus(XbiInsertRecord(ActiveBuffer()));
}

void TXbPrimDataset::InternalDelete() { RaiseStatus(XbiDeleteRecord()); }
void TXbPrimDataset::InternalRefresh() { RaiseStatus(XbiForceReread()); }

void TXbPrimDataset::InternalAddRecord(uint8_t* buffer, bool append) {
  RaiseStatus(append ? XbiAppendRecord(buffer) : XbiInsertRecord(buffer));
}

void TXbPrimDataset::InternalGotoBookmark(const uint8_t* bookmark) { XbiGotoBookmark(bookmark); }

void TXbPrimDataset::InternalSetToRecord(uint8_t* buffer) { XbiGotoBookmark(buffer + bookmark_offset_); }

// ---- Bookmarks and record numbers ----

void TXbPrimDataset::GetBookmarkData(const uint8_t* buffer, uint8_t* data) {
  std::memcpy(data, buffer + bookmark_offset_, static_cast<size_t>(bookmark_size_));
}

void TXbPrimDataset::SetBookmarkData(uint8_t* buffer, const uint8_t* data) {
  std::memcpy(buffer + bookmark_offset_, data, static_cast<size_t>(bookmark_size_));
}

TBookmarkFlag TXbPrimDataset::GetBookmarkFlag(const uint8_t* buffer) {
  return static_cast<TBookmarkFlag>(buffer[info_offset_ + 4]);
}

void TXbPrimDataset::SetBookmarkFlag(uint8_t* buffer, TBookmarkFlag flag) {
  buffer[info_offset_ + 4] = static_cast<uint8_t>(flag);
}

int32_t TXbPrimDataset::BufferRecNo(const uint8_t* buffer) const {
  int32_t n = 0;
  std::memcpy(&n, buffer + info_offset_, 4);
  return n;
}

void TXbPrimDataset::SetBufferRecNo(uint8_t* buffer, int32_t n) const { std::memcpy(buffer + info_offset_, &n, 4); }

bool TXbPrimDataset::BookmarkValid(const TBookmark& bookmark) {
  if (!cursor_open_ || bookmark.size() < static_cast<size_t>(bookmark_size_)) return false;
  std::vector<uint8_t> temp(static_cast<size_t>(buffer_size_), 0);
  return XbiGotoBookmark(bookmark.data()) == kStatusOk && XbiGetRecord(temp.data()) == kStatusOk;
}

int TXbPrimDataset::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
  if (!a.empty() && b.empty()) return -1;
  if (a.empty() && !b.empty()) return 1;
  if (a.empty() && b.empty()) return 0;
  return cursor_open_ ? XbiCompareBookmarks(a.data(), b.data()) : 0;
}

int TXbPrimDataset::RecNo() {
  const uint8_t* buffer = State() == TDataSetState::dsCalcFields ? CalcBuffer() : ActiveBuffer();
  return buffer == nullptr ? 0 : BufferRecNo(buffer);
}

void TXbPrimDataset::SetRecNo(int n) {
  CheckBrowseMode();
  if (n == RecNo()) return;
  DoBeforeScroll();
  if (XbiGotoRecNo(n) == kStatusOk) {
    Resync(true, true);
    DoAfterScroll();
  }
}

int TXbPrimDataset::RecordCount() {
  int32_t count = 0;
  RaiseStatus(XbiGetRecordCount(count));
  return count;
}

bool TXbPrimDataset::FindRecord(bool restart, bool go_forward) {
  CheckBrowseMode();
  DoBeforeScroll();
  bool found = false;
  if (restart) {
    if (go_forward)
      XbiSetToBegin();
    else
      XbiSetToEnd();
  } else {
    UpdateCursorPos();
  }
  const int status = go_forward ? XbiGetNextRecord(nullptr) : XbiGetPriorRecord(nullptr);
  if (status == kStatusOk) {
    Resync(true, true);
    found = true;
  } else {
    CursorPosChanged();
  }
  if (found) DoAfterScroll();
  return found;
}

bool TXbPrimDataset::FrameworkLocate(const std::string& key_fields, const std::vector<TVariant>& key_values,
                                     TLocateOptions options) {
  CheckBrowseMode();
  DoBeforeScroll();
  bool found = false;
  RaiseStatus(XbiLocateRecord(key_fields, key_values, true, options, found));
  if (found) {
    ClearCursorFlags();
    Resync(true, true);
    DoAfterScroll();
  } else {
    CursorPosChanged();
  }
  return found;
}

std::vector<TVariant> TXbPrimDataset::Lookup(const std::string& key_fields, const std::vector<TVariant>& key_values,
                                             const std::string& result_fields) {
  std::vector<TVariant> result;
  CheckBrowseMode();
  UpdateCursorPos();
  bool found = false;
  RaiseStatus(XbiLocateRecord(key_fields, key_values, false, TLocateOptions{}, found));
  if (!found) return result;
  std::vector<uint8_t> temp(static_cast<size_t>(buffer_size_), 0);
  RaiseStatus(XbiGetRecord(temp.data()));
  uint8_t* saved = CalcBuffer();
  SetCalcBuffer(temp.data());
  PushState(TDataSetState::dsCalcFields);
  try {
    if (OnCalcFields) {
      ClearCalcFields(temp.data());
      OnCalcFields(*this);
    }
    size_t start = 0;
    while (start <= result_fields.size()) {
      size_t end = result_fields.find(';', start);
      if (end == std::string::npos) end = result_fields.size();
      TField* f = FieldByName(result_fields.substr(start, end - start));
      if (f->IsNull())
        result.emplace_back(std::monostate{});
      else if (f->DataType() == TFieldType::ftInteger)
        result.emplace_back(f->AsInteger());
      else if (f->DataType() == TFieldType::ftFloat)
        result.emplace_back(f->AsFloat());
      else if (f->DataType() == TFieldType::ftBoolean)
        result.emplace_back(f->AsBoolean());
      else
        result.emplace_back(f->AsString());
      start = end + 1;
    }
  } catch (...) {
    PopState();
    SetCalcBuffer(saved);
    throw;
  }
  PopState();
  SetCalcBuffer(saved);
  CursorPosChanged();
  return result;
}

// ---- Field data ----

uint8_t* TXbPrimDataset::StateBuffer() {
  switch (State()) {
    case TDataSetState::dsBrowse:
      return IsEmpty() ? nullptr : ActiveBuffer();
    case TDataSetState::dsEdit:
    case TDataSetState::dsInsert:
    case TDataSetState::dsBlockRead:
      return ActiveBuffer();
    case TDataSetState::dsCalcFields:
      return CalcBuffer();
    default:
      return nullptr;
  }
}

bool TXbPrimDataset::GetFieldData(const TField* field, void* value) {
  uint8_t* buffer = StateBuffer();
  if (buffer == nullptr) return false;
  if (field->FieldNo() <= 0) {
    const int at = CalcFieldOffset(field);
    if (at < 0) return false;
    const uint8_t* slot = buffer + calc_offset_ + at;
    if (slot[0] == 0) return false;
    if (value != nullptr) std::memcpy(value, slot + 1, static_cast<size_t>(field->DataSize()));
    return true;
  }
  bool blank = false;
  if (XbiGetFieldData(field, buffer, blank, value) != kStatusOk) return false;
  return !blank;
}

void TXbPrimDataset::SetFieldData(TField* field, const void* value) {
  const TDataSetState s = State();
  const bool allowed = s == TDataSetState::dsEdit || s == TDataSetState::dsInsert || s == TDataSetState::dsSetKey ||
                       s == TDataSetState::dsCalcFields || s == TDataSetState::dsFilter ||
                       s == TDataSetState::dsNewValue || s == TDataSetState::dsInternalCalc;
  const bool calculated = field->FieldNo() <= 0;
  if (!allowed || (!calculated && s == TDataSetState::dsCalcFields))
    throw EDatabaseError("Dataset not in edit or insert mode");
  if (calculated) {
    uint8_t* buffer = s == TDataSetState::dsCalcFields ? CalcBuffer() : ActiveBuffer();
    const int at = CalcFieldOffset(field);
    if (buffer != nullptr && at >= 0) {
      uint8_t* slot = buffer + calc_offset_ + at;
      slot[0] = value != nullptr ? 1 : 0;
      if (value != nullptr)
        std::memcpy(slot + 1, value, static_cast<size_t>(field->DataSize()));
      else
        std::memset(slot + 1, 0, static_cast<size_t>(field->DataSize()));
    }
  } else {
    if (field->ReadOnly() && s != TDataSetState::dsSetKey && s != TDataSetState::dsFilter)
      throw EDatabaseError("Field '" + field->DisplayName() + "' cannot be modified");
    field->Validate(value);
    RaiseStatus(XbiSetFieldData(field, ActiveBuffer(), value));
  }
  if (s != TDataSetState::dsCalcFields && s != TDataSetState::dsFilter && s != TDataSetState::dsNewValue)
    DataEvent(TDataEvent::deFieldChange, reinterpret_cast<intptr_t>(field));
}

}  // namespace xb
