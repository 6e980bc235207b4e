#include "engine/table/work_area.h"

#include <algorithm>
#include <array>

#include "engine/table/error_state.h"

namespace xb {
namespace {

struct AreaTable {
  std::array<std::unique_ptr<WorkArea>, kWorkAreaSlots> slots;
  int current = 1;
};

AreaTable& Table() {
  static AreaTable table;
  return table;
}

// Counts are 32-bit signed and the engine computes count + 1 for "past the
// last record", so the largest usable count is one below the maximum.
constexpr int64_t kMaxRecordCount = 0x7FFFFFFE;

}  // namespace

WorkArea* AreaAt(int n) {
  if (n < 1 || n > kWorkAreaSlots) return nullptr;
  return Table().slots[n - 1].get();
}

WorkArea* CurrentArea() { return AreaAt(Table().current); }

WorkArea* FindAreaByAlias(const std::string& alias) {
  for (int n = 1; n <= kSelectableAreas; ++n) {
    WorkArea* area = AreaAt(n);
    if (area != nullptr && area->alias == alias) return area;
  }
  return nullptr;
}

int SelectedArea() { return Table().current; }

WorkArea* RequireArea(std::string_view command) {
  WorkArea* area = CurrentArea();
  if (area == nullptr) {
    SetError(215, "No database in use [" + std::string(command) + "]  WorkArea = " +
                      std::to_string(SelectedArea()));
  }
  return area;
}

void SetSelectedArea(int n) { Table().current = n; }

WorkArea& PutArea(int n, std::unique_ptr<WorkArea> area) {
  area->number = n;
  Table().slots[n - 1] = std::move(area);
  return *Table().slots[n - 1];
}

std::unique_ptr<WorkArea> TakeArea(int n) { return std::move(Table().slots[n - 1]); }

void RefreshRecordCount(WorkArea& area) {
  if (!area.exclusive) RecountFromFileSize(area);
}

void RecountFromFileSize(WorkArea& area) {
  DbfFile& dbf = area.dbf;
  if (!dbf.is_open() || dbf.record_length == 0) return;
  uint64_t size = 0;
  if (dbf.file->Size(size) != 0) return;
  const int64_t held =
      size > dbf.header_length ? static_cast<int64_t>((size - dbf.header_length) / dbf.record_length)
                               : 0;
  dbf.record_count = static_cast<int32_t>(std::min(held, kMaxRecordCount));
  if (area.lock_state == LockState::kAppendLocked) area.count_taken_under_append_lock = true;
}

}  // namespace xb
