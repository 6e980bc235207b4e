#pragma once
// TXbCDataSet publishes the table properties (file name, field list for
// creation, language, hidden deleted records, progress) and offers the
// xBase-style commands through which the application works: append,
// replace, delete, pack, go, skip, and fields read or written by name as
// text, integer or float.
//
// Each command selects the dataset's work area (CheckOpen with its own
// name), runs one or two engine commands and, when the engine's record
// moved or changed, brings the framework back onto it (ResyncFromEngine).
// Engine errors stay in the engine's error state; the dataset then keeps
// showing its old position and the caller reads ErrorCode().
//
// Field names are cut to 10 characters and looked up case-insensitively;
// an unknown name throws EDatabaseError, a value the field cannot take
// EConvertError.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/dataset/ucommon.h"

namespace xb {

class TXbCDataSet : public TXbDataSet {
 public:
  explicit TXbCDataSet(std::string name = "");

  // ---- Published properties ----
  const std::vector<std::string>& DbfFields() const { return dbf_fields_; }
  void SetDbfFields(std::vector<std::string> lines) { dbf_fields_ = std::move(lines); }
  const std::string& DbfFileName() const { return dbf_file_name_; }
  // Trimmed; ".DBF" added to a name without extension (not to one ending
  // in "."); an open dataset is closed and reopened.
  void SetDbfFileName(const std::string& value);
  bool HideDeletedRecs() const { return hide_deleted_recs_; }
  void SetHideDeletedRecs(bool hide);
  bool ShowProgress() const { return show_progress_; }
  void SetShowProgress(bool on) { show_progress_ = on; }
  void SetTableLanguage(TXbTableLanguage language) { table_language_ = language; }

  // ---- Commands ----
  void AppendRec();
  void DeleteRec();
  bool Pack();
  void ReplaceRec();
  // Leaves the dataset in edit state with a blank record.
  void ClearRecord();
  bool Deleted();
  void Go(int32_t n);
  void Skip(int32_t n = 1);
  void GoTop() { First(); }
  bool IsBOF() const { return Bof(); }
  bool IsEOF() const { return Eof(); }
  std::string GetField(const std::string& name);
  std::string GetFieldStr(const std::string& name) { return GetField(name); }
  std::string GetFieldDate(const std::string& name);
  int32_t GetFieldInt(const std::string& name);
  double GetFieldFloat(const std::string& name);
  void PutField(const std::string& name, const std::string& value);
  void PutFieldStr(const std::string& name, const std::string& value);
  void PutFieldInt(const std::string& name, int32_t value);
  void PutFieldFloat(const std::string& name, double value);
  // Part of the index and filter operations (dataset_index.cpp).
  void SetFilterTo(const std::string& expression);

 protected:
  bool GetCanModify() override { return !read_only_; }
  // The field a command names (cut to 10 characters); throws when unknown.
  TField* CommandField(const std::string& name) const;
  void EnsureEditing();

  bool read_only_ = false;
};

}  // namespace xb
