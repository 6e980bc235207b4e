// The xBase-style commands of TXbCDataSet.
#include "engine/dataset/dataset_commands.h"

#include <cstdio>

#include "engine/dataset/uxbcds.h"
#include "engine/table/date_settings.h"
#include "engine/table/xbase.h"

namespace xb {

std::string XBaseFieldText(TField& field) {
  const size_t size = static_cast<size_t>(field.Size());
  switch (field.DataType()) {
    case TFieldType::ftInteger:
    case TFieldType::ftFloat: {
      std::string text = field.DisplayText();
      return text.size() < size ? std::string(size - text.size(), ' ') + text : text;
    }
    case TFieldType::ftBoolean:
      return field.AsBoolean() ? "T" : "F";
    case TFieldType::ftDate: {
      std::string text = field.DisplayText();
      if (text.size() != 8 && text.size() != 10) text = BlankDate(DateFormatCode());
      return text;
    }
    case TFieldType::ftMemo:
      return field.AsString();
    default: {
      std::string text = field.DisplayText();
      if (text.size() < size) text.append(size - text.size(), ' ');
      return text;
    }
  }
}

TField* TXbCDataSet::CommandField(const std::string& name) const { return FieldByName(name.substr(0, 10)); }

void TXbCDataSet::EnsureEditing() {
  if (!IsEditState(State())) Edit();
}

void TXbCDataSet::AppendRec() {
  if (!CheckOpen("AppendRec")) return;
  ClearErrorCode();
  xb::Append();
  xb::MoveOffHidden();
  ResyncFromEngine();
}

void TXbCDataSet::DeleteRec() {
  if (!CheckOpen("DeleteRec")) return;
  SyncCursor();
  ClearErrorCode();
  xb::DeleteRec();
  xb::MoveOffHidden();
  ResyncFromEngine();
}

bool TXbCDataSet::Pack() {
  if (!CheckOpen("Pack")) return false;
  ClearErrorCode();
  const bool result = xb::Pack();
  ResyncFromEngine();
  return result;
}

void TXbCDataSet::ReplaceRec() {
  if (!CheckOpen("ReplaceRec")) return;
  ClearErrorCode();
  xb::Replace();
  xb::MoveOffHidden();
  ResyncFromEngine();
}

void TXbCDataSet::ClearRecord() {
  if (!CheckOpen("ClearRecord")) return;
  BeginEngineEdit();
  xb::ClearRecord();
  EndEngineEdit();
}

bool TXbCDataSet::Deleted() {
  if (!CheckOpen("Deleted")) return false;
  SyncCursor();
  return xb::Deleted();
}

void TXbCDataSet::Go(int32_t n) {
  if (!CheckOpen("Go")) return;
  ClearErrorCode();
  xb::Go(n);
  ResyncFromEngine();
}

void TXbCDataSet::Skip(int32_t n) {
  if (n != 0) {
    MoveBy(n);
    return;
  }
  if (!CheckOpen("Skip")) return;
  ClearErrorCode();
  xb::Skip(0);
  ResyncFromEngine();
}

std::string TXbCDataSet::GetField(const std::string& name) { return XBaseFieldText(*CommandField(name)); }

std::string TXbCDataSet::GetFieldDate(const std::string& name) { return GetField(name).substr(0, 10); }

int32_t TXbCDataSet::GetFieldInt(const std::string& name) { return CommandField(name)->AsInteger(); }

double TXbCDataSet::GetFieldFloat(const std::string& name) { return CommandField(name)->AsFloat(); }

void TXbCDataSet::PutField(const std::string& name, const std::string& value) {
  TField* field = CommandField(name);
  EnsureEditing();
  field->SetAsString(value);
}

void TXbCDataSet::PutFieldStr(const std::string& name, const std::string& value) {
  PutField(name, value.substr(0, 10));
}

void TXbCDataSet::PutFieldInt(const std::string& name, int32_t value) {
  TField* field = CommandField(name);
  EnsureEditing();
  field->SetAsInteger(value);
}

void TXbCDataSet::PutFieldFloat(const std::string& name, double value) {
  TField* field = CommandField(name);
  EnsureEditing();
  field->SetAsFloat(value);
}

}  // namespace xb
