#include "engine/memo/memo_state.h"

#include "engine/table/switches.h"

namespace xb {

MemoState* MemoStateOf(WorkArea& area) {
  auto* memo = dynamic_cast<MemoState*>(area.memo.get());
  return memo != nullptr && memo->file != nullptr ? memo : nullptr;
}

int MemoOpenMode(const WorkArea& area) {
  const EngineSwitches& sw = Switches();
  if (sw.open_mode_override != -1) return sw.open_mode_override;
  if ((sw.network_mode && !area.exclusive) || area.reopened_by_reopen_table) return sw.shared_open_mode;
  return sw.exclusive_open_mode;
}

Result<MemoTarget> RequireMemo(const std::string& operation) {
  WorkArea* area = CurrentArea();
  if (area == nullptr) return Status(215, " [" + operation + "]");
  MemoState* memo = MemoStateOf(*area);
  if (memo == nullptr) return Status(1019, area->dbf.file_name + " No Memo Field [" + operation + "]");
  memo->file->set_locking(Switches().network_mode && !area->exclusive);
  return MemoTarget{area, memo};
}

}  // namespace xb
