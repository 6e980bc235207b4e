#include "app/model/WriteProtocol.h"

#include "app/model/NoteFuncs.h"
#include "engine/dataset/uxbfds.h"
#include "engine/table/error_state.h"

namespace qp {

void DropPendingEdit(xb::TXbDbf& table) {
  const auto state = table.State();
  if (state == xb::TDataSetState::dsEdit || state == xb::TDataSetState::dsInsert) table.Cancel();
}

WriteOutcome AppendWithLock(xb::TXbDbf& table) {
  if (!table.ALock()) {
    DropPendingEdit(table);
    return WriteOutcome::LockRefused;
  }
  WriteOutcome outcome = WriteOutcome::Written;
  try {
    table.AppendRec();
    if (xb::ErrorCode() != 0) outcome = WriteOutcome::Failed;
  } catch (const std::exception&) {
    outcome = WriteOutcome::Failed;
  }
  table.UnLock();
  if (outcome != WriteOutcome::Written) DropPendingEdit(table);
  return outcome;
}

WriteOutcome RewriteWithLock(xb::TXbDbf& table) {
  WriteOutcome outcome = WriteOutcome::LockRefused;
  try {
    if (table.RLock()) {
      table.ReplaceRec();
      outcome = xb::ErrorCode() == 0 ? WriteOutcome::Written : WriteOutcome::Failed;
    }
  } catch (const std::exception&) {
    outcome = WriteOutcome::Failed;
  }
  table.UnLock();
  if (outcome != WriteOutcome::Written) DropPendingEdit(table);
  return outcome;
}

WriteOutcome DeleteWithLock(xb::TXbDbf& table) {
  WriteOutcome outcome = WriteOutcome::LockRefused;
  try {
    if (table.RLock()) {
      table.DeleteRec();
      outcome = xb::ErrorCode() == 0 ? WriteOutcome::Written : WriteOutcome::Failed;
    }
  } catch (const std::exception&) {
    outcome = WriteOutcome::Failed;
  }
  table.UnLock();
  return outcome;
}

WriteOutcome MoveToTrash(xb::TXbDbf& notes, xb::TXbDbf& trash) {
  CopyNoteRecord(notes, trash);
  const WriteOutcome appended = AppendWithLock(trash);
  if (appended != WriteOutcome::Written) return appended;
  return DeleteWithLock(notes);
}

}  // namespace qp
