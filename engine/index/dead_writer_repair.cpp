#include "engine/index/dead_writer_repair.h"

#include <algorithm>
#include <string>
#include <vector>

#include "engine/index/index_build.h"
#include "engine/index/mdx_file.h"
#include "engine/index/semaphore.h"
#include "engine/table/error_state.h"
#include "engine/table/work_area.h"
#include "platform/ui_hooks.h"

namespace xb {

namespace {
// The rebuild reopens the index, whose LOGIN still finds the mark that
// asks for it.
bool repairing = false;
}  // namespace

bool RepairAfterDeadWriter(WorkArea& area) {
  if (!TakeDeadWriterRepair(area) || repairing) return true;
  MdxFile* mdx = MdxOf(area);
  if (mdx == nullptr) return true;
  const std::string name = mdx->name();
  const std::string what = "A program stopped in the middle of writing to the index " + name +
                           ", so its tags may miss keys or hold old ones.";
  // The rebuild closes and reopens the index in the current area; the
  // caller, perhaps in the middle of a write, finds its area, record and
  // buffers as they were.
  const int selected = SelectedArea();
  SetSelectedArea(area.number);
  const DbfFile& dbf = area.dbf;
  const std::vector<uint8_t> record = dbf.record;
  const std::vector<uint8_t> swap(area.swap, area.swap + area.swap_size);
  const int32_t current = dbf.current_record;
  const bool eof = dbf.eof, bof = dbf.bof;
  const bool reporting = SetReportErrors(false);
  repairing = true;
  bool rebuilt = RebuildOpenIndex();
  repairing = false;
  if (rebuilt) rebuilt = SettleOwedRepair(area);
  else KeepRepairOwed(area.dbf.file_name);
  const int code = ErrorCode();
  const std::string why = ErrorText();
  SetReportErrors(reporting);
  area.dbf.record = record;
  std::copy(swap.begin(), swap.end(), area.swap);
  area.dbf.current_record = current;
  area.dbf.eof = eof;
  area.dbf.bof = bof;
  SetSelectedArea(selected);
  if (!rebuilt) {
    SetError(code != 0 ? code : 254, what + " Rebuilding them failed (" + why +
                                         "); close the table in every program and build the index again.");
    return false;
  }
  ClearErrorCode();
  platform::Ui().MessageBox("Index repaired", what + " Every tag was rebuilt from the table.",
                            platform::MessageIcon::kWarning);
  return true;
}

}  // namespace xb
