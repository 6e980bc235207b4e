#include "engine/dataset/ucommon.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/dataset/field_classes.h"
#include "engine/memo/memo_hooks.h"
#include "engine/index/expr_hooks.h"
#include "engine/index/index_hooks.h"
#include "engine/table/date_settings.h"
#include "engine/table/dates.h"
#include "engine/table/numbers.h"
#include "engine/table/strings.h"
#include "engine/table/xbase.h"
#include "platform/clock.h"
#include "platform/regional.h"
#include "platform/ui_hooks.h"

namespace xb {
namespace {

struct TerminateState {
  std::function<void()> handler;
  bool requested = false;
};
TerminateState& Terminate() {
  static TerminateState state;
  return state;
}

// Strings of the type message of CheckFieldType.
std::string ExpectedDescription(char expected) {
  switch (expected) {
    case 'C': return "character";
    case 'D': return "date";
    case 'L': return "logical";
    case 'M': return "memo";
    case 'N': return "numeric, without decimals";
    case 'R': return "numeric, with decimals";
    default: return std::string(1, expected);
  }
}

std::string ActualDescription(char type, int length, int decimals) {
  switch (type) {
    case 'C': return "Character";
    case 'D': return "Date";
    case 'L': return "Logical";
    case 'M': return "Memo";
    case 'N':
    case 'F': return "Numeric, width: " + std::to_string(length) + " decimals: " + std::to_string(decimals);
    default: return std::string(1, type);
  }
}

}  // namespace

int SlotWidth(const TDTField& f) {
  switch (f.type) {
    case 'C': return f.length + 1;
    case 'D': return 8;
    case 'N':
    case 'F': return f.decimals > 0 ? 8 : 4;
    case 'L': return 2;
    case 'M': return 4;
    default: return 0;
  }
}

// ---- Unit helpers ----

void DatasetLayerInit() {
  ApplyRegionalDateSettings(platform::Regional());
  MemoInit();
  ExpressionInit();
  IndexInit();
}

void ShowDatasetMessage(const std::string& text) {
  platform::Ui().MessageBox("Quillpad", text, platform::MessageIcon::kInformation);
}

// Sleeps in the user interface's own wait for messages rather than polling,
// so a long wait costs no processor time and a message is still handled as
// soon as it comes.
void WaitPumping(uint32_t ms) {
  const uint32_t start = platform::TickCount();
  auto remaining = [&]() -> uint32_t {
    const uint32_t elapsed = platform::TickCount() - start;
    return platform::Ui().Terminating() || elapsed >= ms ? 0 : ms - elapsed;
  };
  while (remaining() > 0) {
    platform::Ui().ProcessMessages();
    if (const uint32_t left = remaining()) platform::Ui().WaitForMessages(left);
  }
}

bool ReportErrorsOff() { return SetReportErrors(false); }

void SetTerminateHandler(std::function<void()> handler) { Terminate().handler = std::move(handler); }
bool TerminateRequested() { return Terminate().requested; }
void ResetTerminateRequest() { Terminate().requested = false; }

// ---- TXbDataSet ----

TXbDataSet::TXbDataSet(std::string name) : TXbPrimDataset(std::move(name)) {
  static const bool started = [] {
    DatasetLayerInit();
    return true;
  }();
  (void)started;
}

TXbDataSet::~TXbDataSet() {
  try {
    Close();
  } catch (...) {
  }
}

bool TXbDataSet::CheckOpen(const std::string& operation) {
  if (work_area_ != 0 && AreaAt(work_area_) != nullptr) {
    if (xb::SelectedArea() != work_area_) xb::Select(work_area_);
    Switches().ansi_tables = table_language_ == TXbTableLanguage::tlAnsi;
    return true;
  }
  SetError(1103, "Database is not open [" + Name() + "." + operation + "]");
  Terminate().requested = true;
  if (Terminate().handler) Terminate().handler();
  return false;
}

uint8_t* TXbDataSet::SwapBuffer() const {
  WorkArea* area = AreaAt(work_area_);
  return area == nullptr ? nullptr : area->swap;
}

const TDTField* TXbDataSet::SnapshotField(int n) const {
  if (snapshot_ == nullptr || n < 1 || n > static_cast<int>(snapshot_->fields.size())) return nullptr;
  return &snapshot_->fields[static_cast<size_t>(n - 1)];
}

void TXbDataSet::BuildSnapshot() {
  snapshot_ = std::make_unique<TDbfFieldProps>();
  snapshot_->area = work_area_;
  const uint8_t* base = xb::FieldAddress(0);
  const int count = xb::FieldCount();
  slot_offset_.assign(static_cast<size_t>(count) + 1, -1);
  int at = 1;
  for (int n = 1; n <= count; ++n) {
    TDTField f;
    f.name = xb::Field(n);
    f.type = xb::FieldType(n);
    // The stored length: FieldLen reports D fields in the display width.
    const WorkArea* area = AreaAt(work_area_);
    f.length = area->dbf.fields[static_cast<size_t>(n - 1)].length;
    f.decimals = static_cast<uint16_t>(xb::FieldDec(n));
    f.offset = static_cast<uint16_t>(xb::FieldAddress(n) - base);
    const int width = SlotWidth(f);
    if (width > 0) {
      slot_offset_[static_cast<size_t>(n)] = at;
      at += width;
    }
    snapshot_->fields.push_back(f);
  }
}

// ---- Opening and closing ----

int TXbDataSet::XbiOpen() {
  if (dbf_file_name_.empty()) return kStatusNoFileName;
  snapshot_.reset();
  const int previous = xb::SelectedArea();
  ClearErrorCode();
  if (!xb::Select(0)) {
    const int code = ErrorCode();
    xb::Select(previous);
    return code != 0 ? code : kStatusOpenFailed;
  }
  Switches().ansi_tables = table_language_ == TXbTableLanguage::tlAnsi;
  if (!OpenTable(dbf_file_name_)) {
    const int code = ErrorCode();
    return code != 0 ? code : kStatusOpenFailed;
  }
  work_area_ = xb::SelectedArea();
  xb::SetIgnoreDel(hide_deleted_recs_);
  BuildSnapshot();
  at_begin_ = at_end_ = true;
  return kStatusOk;
}

int TXbDataSet::XbiClose() {
  if (work_area_ != 0) {
    xb::Select(work_area_);
    xb::Use("");
  }
  work_area_ = 0;
  snapshot_.reset();
  slot_offset_.clear();
  return kStatusOk;
}

void TXbDataSet::InternalInitFieldDefs() {
  std::vector<TFieldDef>& defs = MutableFieldDefs();
  defs.clear();
  if (snapshot_ == nullptr) throw EDatabaseError(Name() + ".DbfFields undefined. Set Active to TRUE");
  for (size_t i = 0; i < snapshot_->fields.size(); ++i) {
    const TDTField& f = snapshot_->fields[i];
    TFieldDef def;
    def.name = f.name;
    def.field_no = static_cast<int>(i + 1);
    switch (f.type) {
      case 'C': def.data_type = TFieldType::ftString; def.size = f.length; break;
      case 'D': def.data_type = TFieldType::ftDate; break;
      case 'N':
      case 'F':
        def.data_type = f.decimals > 0 ? TFieldType::ftFloat : TFieldType::ftInteger;
        def.size = f.length;
        break;
      case 'L': def.data_type = TFieldType::ftBoolean; break;
      case 'M': def.data_type = TFieldType::ftMemo; break;
      default: continue;
    }
    defs.push_back(def);
  }
}

std::unique_ptr<TField> TXbDataSet::CreateFieldFor(const TFieldDef& def) {
  switch (def.data_type) {
    case TFieldType::ftInteger: return std::make_unique<TXbIntegerField>();
    case TFieldType::ftFloat: return std::make_unique<TXbFloatField>();
    case TFieldType::ftDate: return std::make_unique<TXbDateField>();
    default: return TXbPrimDataset::CreateFieldFor(def);
  }
}

// ---- Cursor ----

std::string TXbDataSet::XbiErrorText(int code) {
  const std::string& text = ErrorText();
  return text.empty() ? ErrorCodeMeaning(code) : text;
}

bool TXbDataSet::XbiIsEmpty() {
  if (!CheckOpen("XbiIsEmpty")) return true;
  return xb::dBOF() && xb::dEOF();
}

int TXbDataSet::XbiSetToBegin() {
  if (!CheckOpen("XbiSetToBegin")) return 1103;
  // RecCount takes in the records other programs appended since the table
  // was opened; GoTop alone goes by the count the area last knew.
  (void)xb::RecCount();
  xb::GoTop();
  at_begin_ = true;
  at_end_ = false;
  return kStatusOk;
}

int TXbDataSet::XbiSetToEnd() {
  if (!CheckOpen("XbiSetToEnd")) return 1103;
  xb::GoBottom();
  at_end_ = true;
  at_begin_ = false;
  return kStatusOk;
}

int TXbDataSet::XbiGetRecordCount(int32_t& count) {
  count = CheckOpen("XbiGetRecordCount") ? xb::RecCount() : 0;
  return kStatusOk;
}

int TXbDataSet::XbiForceReread() {
  if (!CheckOpen("XbiForceReread")) return 1103;
  if (IsEmpty()) {
    // The dataset last saw an empty table; look again from the top, so
    // that records others appended since then appear.
    return XbiSetToBegin();
  }
  xb::Skip(0);
  return kStatusOk;
}

int TXbDataSet::XbiGetRecordSize() {
  int size = 1;
  if (snapshot_ != nullptr)
    for (const TDTField& f : snapshot_->fields) size += SlotWidth(f);
  return size;
}

int TXbDataSet::XbiGetRecord(uint8_t* buffer) {
  if (at_begin_) return kStatusAtBegin;
  if (at_end_) return kStatusAtEnd;
  if (!CheckOpen("XbiGetRecord")) return 1103;
  xb::Skip(0);
  if (buffer != nullptr) {
    BufferFromEngine(buffer);
    SetBufferRecNo(buffer, xb::RecNo());
  }
  return kStatusOk;
}

int TXbDataSet::XbiGetNextRecord(uint8_t* buffer) {
  if (at_end_) return kStatusAtEnd;
  if (!CheckOpen("XbiGetNextRecord")) return 1103;
  if (at_begin_) {
    xb::Skip(0);
    at_begin_ = false;
  } else if (!xb::dEOF()) {
    xb::Skip(1);
  }
  if (!xb::dEOF()) {
    if (buffer != nullptr) {
      BufferFromEngine(buffer);
      SetBufferRecNo(buffer, xb::RecNo());
    }
    return kStatusOk;
  }
  if (!xb::dBOF()) xb::Skip(-1);
  at_end_ = true;
  return kStatusAtEnd;
}

int TXbDataSet::XbiGetPriorRecord(uint8_t* buffer) {
  if (at_begin_) return kStatusAtBegin;
  if (!CheckOpen("XbiGetPriorRecord")) return 1103;
  if (at_end_) {
    xb::Skip(0);
    at_end_ = false;
  } else if (!xb::dBOF()) {
    xb::Skip(-1);
  }
  if (xb::dBOF()) {
    at_begin_ = true;
    return kStatusAtBegin;
  }
  if (buffer != nullptr) {
    BufferFromEngine(buffer);
    SetBufferRecNo(buffer, xb::RecNo());
  }
  return kStatusOk;
}

int TXbDataSet::SafeGo(int32_t n) {
  if (!CheckOpen("SafeGo")) return 1103;
  if (!xb::GoIfValid(n)) {
    XbiSetToEnd();
  } else {
    at_begin_ = at_end_ = false;
  }
  return kStatusOk;
}

int TXbDataSet::XbiGotoBookmark(const uint8_t* bookmark) {
  int32_t n = 0;
  std::memcpy(&n, bookmark, 4);
  return SafeGo(n);
}

int TXbDataSet::XbiSetToBookmark(uint8_t* buffer) {
  int32_t n = 1;
  if (IsRuntime()) n = CheckOpen("XbiSetToBookmark") ? xb::RecNo() : 0;
  std::memcpy(buffer + BookmarkOffset(), &n, 4);
  return kStatusOk;
}

int TXbDataSet::XbiCompareBookmarks(const uint8_t* a, const uint8_t* b) {
  int32_t x = 0, y = 0;
  std::memcpy(&x, a, 4);
  std::memcpy(&y, b, 4);
  return x < y ? -1 : x > y ? 1 : 0;
}

int TXbDataSet::XbiLocateRecord(const std::string& key_fields, const std::vector<TVariant>& key_values, bool move,
                                TLocateOptions options, bool& found) {
  found = false;
  if (!CheckOpen("Locate")) return 1103;
  std::vector<LocateValue> values;
  for (const TVariant& v : key_values) {
    if (const auto* s = std::get_if<std::string>(&v)) values.emplace_back(*s);
    else if (const auto* i = std::get_if<int32_t>(&v)) values.emplace_back(static_cast<int64_t>(*i));
    else if (const auto* d = std::get_if<double>(&v)) values.emplace_back(*d);
    else if (const auto* b = std::get_if<bool>(&v)) values.emplace_back(*b);
    else values.emplace_back(std::string());
  }
  found = xb::Locate(key_fields, values, options.case_insensitive, !options.partial_key, move);
  return kStatusOk;
}

// ---- Writing ----

int TXbDataSet::XbiAppendRecord(uint8_t* buffer) {
  if (!CheckOpen("XbiAppendRecord")) return 1103;
  buffer[0] = 0;
  BufferToEngine(buffer, -1);
  ClearErrorCode();
  s_AppendWithLock();
  at_begin_ = at_end_ = false;
  return ErrorCode();
}

int TXbDataSet::XbiDeleteRecord() {
  if (!CheckOpen("XbiDeleteRecord")) return 1103;
  ClearErrorCode();
  s_DeleteWithLock();
  return ErrorCode();
}

int TXbDataSet::XbiInitRecord() {
  if (!CheckOpen("XbiInitRecord")) return 1103;
  xb::ClearRecord();
  return kStatusOk;
}

int TXbDataSet::XbiPostRecord(uint8_t* buffer) {
  if (at_begin_) return kStatusAtBegin;
  if (at_end_) return kStatusAtEnd;
  if (!CheckOpen("XbiPostRecord")) return 1103;
  BufferToEngine(buffer, -1);
  ClearErrorCode();
  s_ReplaceWithLock();
  return ErrorCode();
}

void TXbDataSet::Post() {
  if (!IsEditState(State())) return;
  TXbPrimDataset::Post();
  if (XbiIsEmpty()) {
    at_begin_ = at_end_ = true;
    Resync(false, false);
  }
}

// ---- Engine and framework in step ----

void TXbDataSet::ResyncFromEngine() {
  if (ErrorCode() != 0) return;
  if (IsEditState(State())) SetState(TDataSetState::dsBrowse);
  if (XbiIsEmpty()) {
    if (uint8_t* b = ActiveBuffer()) std::memset(b, 0, static_cast<size_t>(RecordBufferSize()));
    at_begin_ = at_end_ = true;
    Resync(false, false);
  } else {
    at_begin_ = at_end_ = false;
    Resync(true, false);
  }
  DoAfterScroll();
}

void TXbDataSet::SyncCursor() {
  // In insert state the active buffer stands for no record yet; moving the
  // engine would reload the SwapBuffer and lose the values put so far.
  if (State() == TDataSetState::dsInsert) return;
  UpdateCursorPos();
}

void TXbDataSet::BeginEngineEdit() {
  if (!IsEditState(State())) Edit();
  BufferToEngine(ActiveBuffer(), -1);
}

void TXbDataSet::EndEngineEdit() {
  BufferFromEngine(ActiveBuffer());
  if (!ControlsDisabled()) {
    DataEvent(TDataEvent::deRecordChange);
    SetModified();
  }
}

int TXbDataSet::CheckFieldType(const std::string& operation, const std::string& name, char expected) {
  if (!CheckOpen(operation)) return 0;
  const int n = xb::FieldNo(name);
  if (n == 0) {
    char text[512];
    std::snprintf(text, sizeof text, "Field \"%s\" not in \"%s\"", name.c_str(), xb::FileNameOf().c_str());
    SetError(220, std::string(text) + " [" + operation + "]");
    return 0;
  }
  SyncCursor();
  const TDTField* f = SnapshotField(n);
  const char type = f->type;
  bool ok = true;
  switch (expected) {
    case 'C':
    case 'D':
    case 'L':
    case 'M': ok = type == expected; break;
    case 'N': ok = (type == 'N' || type == 'F') && f->decimals == 0; break;
    case 'R': ok = (type == 'N' || type == 'F') && f->decimals > 0; break;
    default: break;
  }
  if (!ok) {
    const std::string text = "\"" + operation + "()\" expects field \"" + name + "\" to be of type:\r\n\"" +
                             ExpectedDescription(expected) + "\".\"" + name + "\" actually is: \"" +
                             ActualDescription(type, f->length, f->decimals) + "\"";
    SetError(220, text);
    return 0;
  }
  return n;
}

}  // namespace xb
