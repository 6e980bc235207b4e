#include "engine/dataset/uxbcds.h"

#include "engine/table/files.h"
#include "engine/table/strings.h"
#include "engine/table/xbase.h"

namespace xb {

TXbCDataSet::TXbCDataSet(std::string name) : TXbDataSet(std::move(name)) {}

void TXbCDataSet::SetDbfFileName(const std::string& value) {
  const bool was_active = Active();
  Close();
  std::string name = TrimAll(value);
  if (!name.empty() && name.back() != '.' && SplitName(name).extension.empty()) name += ".DBF";
  dbf_file_name_ = name;
  if (was_active) Open();
}

void TXbCDataSet::SetHideDeletedRecs(bool hide) {
  if (hide == hide_deleted_recs_) return;
  hide_deleted_recs_ = hide;
  if (!Active()) return;
  SyncCursor();
  if (!CheckOpen("SetHideDeletedRecs")) return;
  ClearErrorCode();
  xb::SetIgnoreDel(hide);
  xb::MoveOffHidden();
  ResyncFromEngine();
}

}  // namespace xb
