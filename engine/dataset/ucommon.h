#pragma once
// TXbDataSet implements the Xbi cursor operations on the table engine. Each
// dataset owns one work area; every operation first makes that area
// current (CheckOpen), because every engine command acts on the current
// area. The unit also holds the field snapshot taken when the table opens,
// the conversions between record buffer slots and the engine's SwapBuffer
// (BufferFromEngine / BufferToEngine), and table creation from DbfFields.
//
// Record buffer slots (after the 1-byte deleted flag, in field order):
//
//   ENGINE TYPE              SLOT         CONTENT
//   C                        length + 1   length byte + text, as in the SwapBuffer
//   D                        8            date value (double; 0 = blank)
//   N, F with decimals > 0   8            double
//   N, F without decimals    4            int32
//   L                        2            first byte 0/1
//   M                        4            int32 memo block number
//
// Fields of other types get no slot and no field object.
//
// Cursor flags: at_begin_ / at_end_ are the dataset's own marks beside the
// engine's BOF and EOF: set by XbiSetToBegin / XbiSetToEnd and by running
// off either end, cleared by any successful positioning, both set while the
// table is empty.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/dataset/xbprimds.h"

namespace xb {

enum class TXbTableLanguage { tlOem, tlAnsi };

// One table field in the snapshot.
struct TDTField {
  std::string name;
  char type = 'C';
  uint16_t length = 0;
  uint16_t decimals = 0;
  uint16_t offset = 0;  // of the value in the SwapBuffer
};

// Built when the table opens, freed when it closes. Field numbers count
// from 1 (fields[0] is field 1).
struct TDbfFieldProps {
  int area = 0;  // whose SwapBuffer the offsets point into
  std::vector<TDTField> fields;
};

// One DbfFields line as CreateDbf takes it.
struct TDbfFieldDef {
  std::string name;
  char type = 'C';
  uint8_t length = 0;
  uint8_t decimals = 0;
};

class TXbDataSet : public TXbPrimDataset {
 public:
  explicit TXbDataSet(std::string name = "");
  ~TXbDataSet() override;

  // Makes the work area current and sets the ANSI tables switch; false
  // after engine error 1103 when the table is not open.
  virtual bool CheckOpen(const std::string& operation);
  int WorkAreaNumber() const { return work_area_; }
  const TDbfFieldProps* FieldSnapshot() const { return snapshot_.get(); }

  void Post() override;
  // Brings the framework back onto the engine's current record.
  void ResyncFromEngine();
  void BeginEngineEdit();
  void EndEngineEdit();
  // Puts the engine on the record the framework shows.
  void SyncCursor();
  // The field's number when it exists and has the expected type letter
  // (C, D, L, M exactly; N numeric without decimals; R with decimals);
  // otherwise 0 after engine error 220.
  int CheckFieldType(const std::string& operation, const std::string& name, char expected);

  void BufferFromEngine(uint8_t* buffer);
  // field = -1: every field.
  void BufferToEngine(uint8_t* buffer, int field);

  // Creates DbfFileName from DbfFields; messages for what it refuses.
  bool CreateTableFromDbfFields();
  // Parses one DbfFields line; false when it is not exactly four items.
  static bool ParseDbfFieldLine(const std::string& line, TDbfFieldDef& def);
  // Applies the corrections; `message` is set when anything changed.
  static TDbfFieldDef CorrectFieldDef(const std::string& component, const TDbfFieldDef& def, std::string& message);

  TXbTableLanguage TableLanguage() const { return table_language_; }

 protected:
  virtual bool OpenTable(const std::string& file_name) = 0;
  virtual void s_AppendWithLock() = 0;
  virtual void s_DeleteWithLock() = 0;
  virtual void s_RestoreWithLock() = 0;
  virtual void s_ReplaceWithLock() = 0;
  virtual bool IsRuntime() const { return true; }

  std::string XbiErrorText(int code) override;
  bool XbiIsEmpty() override;
  int XbiSetToBegin() override;
  int XbiSetToEnd() override;
  int XbiOpen() override;
  int XbiClose() override;
  int XbiGetRecordCount(int32_t& count) override;
  int XbiForceReread() override;
  int XbiAppendRecord(uint8_t* buffer) override;
  int XbiInsertRecord(uint8_t* buffer) override { return XbiAppendRecord(buffer); }
  int XbiDeleteRecord() override;
  int XbiInitRecord() override;
  int XbiPostRecord(uint8_t* buffer) override;
  int XbiGetRecordSize() override;
  int XbiGetRecord(uint8_t* buffer) override;
  int XbiGetNextRecord(uint8_t* buffer) override;
  int XbiGetPriorRecord(uint8_t* buffer) override;
  int XbiGetFieldData(const TField* field, const uint8_t* buffer, bool& blank, void* value) override;
  int XbiSetFieldData(TField* field, uint8_t* buffer, const void* value) override;
  int XbiGotoRecNo(int32_t n) override { return SafeGo(n); }
  int XbiLocateRecord(const std::string& key_fields, const std::vector<TVariant>& key_values, bool move,
                      TLocateOptions options, bool& found) override;
  int XbiGotoBookmark(const uint8_t* bookmark) override;
  int XbiSetToBookmark(uint8_t* buffer) override;
  int XbiCompareBookmarks(const uint8_t* a, const uint8_t* b) override;

  void InternalInitFieldDefs() override;
  std::unique_ptr<TField> CreateFieldFor(const TFieldDef& def) override;
  void ClearCursorFlags() override { at_begin_ = at_end_ = false; }

  int SafeGo(int32_t n);
  uint8_t* SwapBuffer() const;
  // Offset of field n's slot in a record buffer; -1 when it has none.
  int SlotOffset(int n) const {
    return n >= 1 && static_cast<size_t>(n) < slot_offset_.size() ? slot_offset_[static_cast<size_t>(n)] : -1;
  }
  // The snapshot field for a field number, nullptr when out of range.
  const TDTField* SnapshotField(int n) const;

  // Property storage; TXbCDataSet publishes these.
  std::string dbf_file_name_;
  std::vector<std::string> dbf_fields_;
  bool dbf_fields_assigned_ = true;
  bool hide_deleted_recs_ = false;
  bool show_progress_ = true;
  TXbTableLanguage table_language_ = TXbTableLanguage::tlOem;
  bool at_begin_ = true;
  bool at_end_ = true;

 private:
  void BuildSnapshot();

  int work_area_ = 0;
  std::unique_ptr<TDbfFieldProps> snapshot_;
  std::vector<int> slot_offset_;  // by field number; -1: no slot
};

// The slot width of a field (0: the field has no slot).
int SlotWidth(const TDTField& field);

// ---- Unit helpers for the application ----

// The dataset layer's start-up: the engine's date and number settings from
// the platform's regional settings, and the memo, expression and index
// layers' hooks. Idempotent apart from re-reading the regional settings.
void DatasetLayerInit();
// A message shown to the user (a box on the desktop, standard error
// headless).
void ShowDatasetMessage(const std::string& text);
// Waits while the application keeps handling its messages, until `ms`
// milliseconds have passed or the application is ending.
void WaitPumping(uint32_t ms);
// Switches the engine's ReportErrors off; returns the previous value.
bool ReportErrorsOff();
// What "ask the application to terminate" does; by default nothing but
// the record that it was asked (TerminateRequested).
void SetTerminateHandler(std::function<void()> handler);
bool TerminateRequested();
void ResetTerminateRequest();

}  // namespace xb
