#pragma once
// Field objects of the dataset framework: one per column of an open
// dataset, found by name (case-insensitive), reading and writing the value
// of the active record through the dataset's GetFieldData / SetFieldData.
//
// Each class keeps its value in one fixed data form, the form that crosses
// between field and dataset:
//
//   CLASS          TYPE       DATA FORM (DataSize bytes)
//   TStringField   ftString   Size + 1 bytes, text ending in NUL
//   TIntegerField  ftInteger  int32
//   TFloatField    ftFloat    double
//   TBooleanField  ftBoolean  uint16, 0 false, else true
//   TDateField     ftDate     int32 day stamp (date_values.h)
//   TMemoField     ftMemo     int32 memo block number (0: empty); the text
//                             itself moves through a blob stream
//
// Conversions between the As... forms throw EConvertError for a text the
// field cannot take and EDatabaseError for a conversion the type has not.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/dataset/dataset_state.h"
#include "engine/dataset/date_values.h"
#include "engine/dataset/stream.h"

namespace xb {

class TDataSet;

class TField {
 public:
  explicit TField(TFieldType type) : data_type_(type) {}
  virtual ~TField() = default;
  TField(const TField&) = delete;
  TField& operator=(const TField&) = delete;

  const std::string& FieldName() const { return field_name_; }
  void SetFieldName(std::string name) { field_name_ = std::move(name); }
  std::string DisplayName() const { return display_label_.empty() ? field_name_ : display_label_; }
  void SetDisplayLabel(std::string label) { display_label_ = std::move(label); }
  TFieldType DataType() const { return data_type_; }
  TFieldKind FieldKind() const { return kind_; }
  void SetFieldKind(TFieldKind kind) { kind_ = kind; }
  // The column number in the dataset (from 1); 0 or less for calculated
  // fields.
  int FieldNo() const { return field_no_; }
  void SetFieldNo(int n) { field_no_ = n; }
  int Size() const { return size_; }
  // Throws EDatabaseError for a size the class refuses.
  virtual void SetSize(int size);
  virtual int DataSize() const = 0;
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool on) { read_only_ = on; }
  const std::string& EditMask() const { return edit_mask_; }
  void SetEditMask(std::string mask) { edit_mask_ = std::move(mask); }
  TDataSet* DataSet() const { return dataset_; }
  void SetDataSet(TDataSet* dataset) { dataset_ = dataset; }
  bool IsBlob() const { return data_type_ == TFieldType::ftMemo; }

  // Raw data of the active record in the data form (`buffer` holds at
  // least DataSize bytes); false when the value is null.
  bool GetData(void* buffer) const;
  // nullptr clears the value.
  void SetData(const void* buffer);
  bool IsNull() const;
  void Clear() { SetData(nullptr); }

  virtual std::string AsString() const = 0;
  virtual void SetAsString(const std::string& value) = 0;
  virtual int32_t AsInteger() const;
  virtual void SetAsInteger(int32_t value);
  virtual double AsFloat() const;
  virtual void SetAsFloat(double value);
  virtual bool AsBoolean() const;
  virtual void SetAsBoolean(bool value);
  virtual TDateTime AsDateTime() const;
  virtual void SetAsDateTime(TDateTime value);
  // The text a control shows; by default AsString.
  virtual std::string DisplayText() const { return AsString(); }
  // Called by the dataset before a value is stored; OnValidate may throw.
  virtual void Validate(const void* buffer);

  std::function<void(TField&)> OnChange;
  std::function<void(TField&)> OnValidate;

 protected:
  [[noreturn]] void AccessError(const char* type_name) const;

 private:
  TFieldType data_type_;
  TFieldKind kind_ = TFieldKind::fkData;
  std::string field_name_;
  std::string display_label_;
  std::string edit_mask_;
  int field_no_ = 0;
  int size_ = 0;
  bool read_only_ = false;
  TDataSet* dataset_ = nullptr;
};

class TStringField : public TField {
 public:
  TStringField() : TField(TFieldType::ftString) { TField::SetSize(20); }
  void SetSize(int size) override;
  int DataSize() const override { return Size() + 1; }
  std::string AsString() const override;
  void SetAsString(const std::string& value) override;
  int32_t AsInteger() const override;
  void SetAsInteger(int32_t value) override { SetAsString(std::to_string(value)); }
  double AsFloat() const override;
  void SetAsFloat(double value) override;
  bool AsBoolean() const override;
  void SetAsBoolean(bool value) override { SetAsString(value ? "T" : "F"); }
};

class TIntegerField : public TField {
 public:
  TIntegerField() : TField(TFieldType::ftInteger) {}
  int DataSize() const override { return 4; }
  std::string AsString() const override;
  void SetAsString(const std::string& value) override;
  int32_t AsInteger() const override;
  void SetAsInteger(int32_t value) override;
  double AsFloat() const override { return AsInteger(); }
  void SetAsFloat(double value) override;
};

class TFloatField : public TField {
 public:
  TFloatField() : TField(TFieldType::ftFloat) {}
  int DataSize() const override { return 8; }
  // Significant digits of the text form (15 unless set).
  int Precision() const { return precision_; }
  void SetPrecision(int digits) { precision_ = digits < 2 ? 2 : digits > 15 ? 15 : digits; }
  std::string AsString() const override;
  void SetAsString(const std::string& value) override;
  int32_t AsInteger() const override;
  void SetAsInteger(int32_t value) override { SetAsFloat(value); }
  double AsFloat() const override;
  void SetAsFloat(double value) override;

 private:
  int precision_ = 15;
};

class TBooleanField : public TField {
 public:
  TBooleanField() : TField(TFieldType::ftBoolean) {}
  int DataSize() const override { return 2; }
  std::string AsString() const override;
  void SetAsString(const std::string& value) override;
  bool AsBoolean() const override;
  void SetAsBoolean(bool value) override;
};

class TDateField : public TField {
 public:
  TDateField() : TField(TFieldType::ftDate) {}
  int DataSize() const override { return 4; }
  std::string AsString() const override;
  void SetAsString(const std::string& value) override;
  TDateTime AsDateTime() const override;
  void SetAsDateTime(TDateTime value) override;
  double AsFloat() const override { return AsDateTime(); }
  void SetAsFloat(double value) override { SetAsDateTime(value); }
};

class TMemoField : public TField {
 public:
  TMemoField() : TField(TFieldType::ftMemo) {}
  int DataSize() const override { return 4; }
  // The memo's text, read through the dataset's blob stream.
  std::string AsString() const override;
  // Writes a new memo through a write-mode blob stream.
  void SetAsString(const std::string& value) override;
  void LoadFromStream(TStream& source);
  void SaveToStream(TStream& target) const;
};

// The class the framework makes for a type when a dataset does not choose
// its own; nullptr for ftUnknown.
std::unique_ptr<TField> CreateStandardField(TFieldType type);

}  // namespace xb
