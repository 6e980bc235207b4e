#include "engine/table/use.h"

#include <cstring>
#include <filesystem>

#include "engine/table/files.h"
#include "engine/table/error_state.h"
#include "engine/table/hooks.h"
#include "engine/table/locking.h"
#include "engine/table/navigation.h"
#include "engine/table/pack_journal.h"
#include "engine/table/scatter_gather.h"
#include "engine/table/strings.h"
#include "engine/table/switches.h"
#include "engine/table/work_area.h"
#include "platform/codepage.h"

namespace xb {
namespace {

// An appender that died after writing its record but before its Unlock
// wrote the header leaves records past the count. This engine counts a
// shared table from its length and so sees them, but other readers go by
// the header and would miss them (and the end-of-file byte may be gone):
// a read-write open brings the header up to date. Only when the append
// lock is free at once, so that no live appender is in the middle of one.
void SettleCountLeftByADeadAppender(WorkArea& area) {
  DbfFile& dbf = area.dbf;
  if (area.exclusive || (dbf.file_mode & 0x0F) == platform::open_mode::kRead) return;
  const int32_t in_header = dbf.record_count;
  RecountFromFileSize(area);
  if (dbf.record_count <= in_header) {
    dbf.record_count = in_header;
    return;
  }
  dbf.state = FileState::kAppended;
  SettleSharedHeader(area);  // quiet: a failure leaves the header for the next writer
}

constexpr size_t kMaxAlias = 64;

bool PartOfWord(char c) {
  return (c >= '0' && c <= '9') || c == '\\' || c == '_' || platform::AnsiIsAlpha(static_cast<uint8_t>(c));
}

// Takes every stand-alone occurrence of `word` (upper case, with its
// leading space) out of `text`, matching without regard to case. `upper` is
// text upper-cased and is edited in step, so that the rest of the command
// keeps the case it was given in.
bool RemoveOption(const std::string& word, std::string& text, std::string& upper) {
  bool found = false;
  size_t from = 0;
  for (;;) {
    const size_t at = upper.find(word, from);
    if (at == std::string::npos) break;
    const size_t after = at + word.size();
    if (after < upper.size() && PartOfWord(upper[after])) {
      from = at + 1;
      continue;
    }
    text.erase(at, word.size());
    upper.erase(at, word.size());
    found = true;
    from = at;
  }
  text = TrimAll(text);
  upper = TrimAll(upper);
  return found;
}

struct UseRequest {
  std::string name;  // the table's name as given, last component upper case
  std::string path;  // absolute, with the default extension
  std::string alias;
  bool exclusive = false;
};

UseRequest ParseCommand(const std::string& command) {
  UseRequest r;
  std::string text = command;
  std::string upper = platform::AnsiUpper(command);
  r.exclusive = RemoveOption(" EXCLUSIVE", text, upper);
  const std::string padded = upper + " ";
  if (const size_t at = padded.find(" ALIAS "); at != std::string::npos) {
    std::string alias = TrimAll(padded.substr(at + 7));
    alias = alias.substr(0, alias.find(' '));
    r.alias = alias.substr(0, kMaxAlias);
    text = TrimAll(text.substr(0, at));
  }
  std::filesystem::path path(text);
  const std::string leaf = platform::AnsiUpper(path.filename().string());
  path.replace_filename(leaf);
  r.name = path.string();
  r.path = DefaultExt(FullName(r.name), "DBF");
  if (r.alias.empty()) r.alias = std::filesystem::path(leaf).stem().string().substr(0, kMaxAlias);
  return r;
}

void CloseAreaAt(int n) {
  WorkArea* area = AreaAt(n);
  if (area == nullptr) return;
  if (IndexHooks* ix = InstalledIndexHooks()) {
    // Closing the index logs the table out of its semaphore file under the
    // table lock byte, which is taken on the selected area: select this one
    // meanwhile, or CloseAll would lock another table's byte (or wait the
    // full lock time on one already closed) and leave the file behind.
    const int selected = SelectedArea();
    SetSelectedArea(n);
    ix->IndexClose(*area);
    SetSelectedArea(selected);
  }
  RefreshRecordCount(*area);
  // The header of a shared table is written under the append lock, never
  // by CloseDbf from a count another program may have overtaken.
  UnlockArea(*area);
  SettleSharedHeader(*area);
  area->swap_copy.clear();
  if (area->dbf.has_memo) {
    // A failure stays in the error state; the table is closed regardless.
    if (MemoHooks* memo = InstalledMemoHooks()) (void)memo->CloseMemo(*area);
  }
  area->memo.reset();
  area->filter.reset();
  area->index.reset();
  area->index_file.reset();
  (void)CloseDbf(area->dbf);
  TakeArea(n).reset();
}

}  // namespace

bool Select(int n) {
  if (n >= 1 && n <= kSelectableAreas) {
    SetSelectedArea(n);
    return true;
  }
  if (n == 0) {
    for (int i = 1; i <= kSelectableAreas; ++i) {
      if (AreaAt(i) == nullptr) {
        SetSelectedArea(i);
        return true;
      }
    }
    SetError(220, "No free workarea available [Select(0)]");
    return false;
  }
  SetError(220, "Invalid workarea selected = [Select(" + std::to_string(n) + ")]");
  return false;
}

bool Use(const std::string& command, uint8_t* buffer, uint16_t size) {
  ClearErrorCode();
  CloseArea();
  const std::string trimmed = TrimAll(command);
  if (trimmed.empty()) return true;
  const std::string upper = platform::AnsiUpper(trimmed) + " ";
  if (upper.find("LINKED LIST") != std::string::npos ||
      upper.find("VIRTUAL FILE") != std::string::npos) {
    SetError(1101, "[USE(" + trimmed + ",<@Buffer>,<size>)]");
    return false;
  }
  if ((buffer == nullptr && size != 0) || (buffer != nullptr && size == 0)) {
    SetError(220, "Buffer is NIL or size is zero, attempting to open " + trimmed + " [USE]");
    return false;
  }
  const UseRequest request = ParseCommand(trimmed);
  const EngineSwitches& sw = Switches();
  bool exclusive = request.exclusive || sw.shared_open_mode == sw.exclusive_open_mode;
  int mode = exclusive ? sw.exclusive_open_mode : sw.shared_open_mode;
  if (!sw.network_mode) {
    mode = sw.exclusive_open_mode;
    exclusive = true;
  }
  if (sw.open_mode_override != -1) mode = sw.open_mode_override;

  // A Pack that a crash stopped after its commit point is finished here,
  // before anything reads the table; one stopped earlier changed nothing.
  if (Result<PackRecovery> recovered = RecoverUnfinishedPack(request.path); !recovered.ok()) {
    SetError(recovered.status().code(), recovered.status().text() + " [USE(" + request.name + ")]");
    return false;
  }

  auto fresh = std::make_unique<WorkArea>();
  fresh->dbf.file_name = request.path;
  fresh->dbf.file_mode = mode;
  fresh->dbf.oem = !sw.ansi_tables;
  if (!OpenDbf(fresh->dbf)) return false;
  fresh->alias = request.alias;
  fresh->exclusive = exclusive;
  WorkArea& area = PutArea(SelectedArea(), std::move(fresh));

  const SwapLayout layout = ComputeSwapLayout(area.dbf.fields);
  area.swap_offsets = layout.offsets;
  if (buffer == nullptr) {
    area.swap_storage.assign(layout.size, 0);
    area.swap = area.swap_storage.data();
    area.swap_size = static_cast<uint16_t>(layout.size);
    area.swap_owned = true;
  } else if (size != layout.size) {
    CloseArea();
    SetError(266, "Database record/buffer size mismatch: " + request.name + " [USE()]" + "\n\r" +
                      "Record Size=" + std::to_string(layout.size) +
                      ", Buffer Size=" + std::to_string(size));
    return false;
  } else {
    area.swap = buffer;
    area.swap_size = size;
  }

  for (int n = 1; n <= kSelectableAreas; ++n) {
    const WorkArea* other = AreaAt(n);
    if (other != nullptr && other != &area && other->alias == area.alias) {
      const std::string alias = area.alias;
      CloseArea();
      SetError(220, "Alias name \"" + alias + "\" already in use. [USE]");
      return false;
    }
  }

  SettleCountLeftByADeadAppender(area);
  if (area.dbf.record_count < 1) {
    std::memset(area.swap, 0, area.swap_size);
    BlankRecord(area);
    area.dbf.bof = area.dbf.eof = true;
  } else {
    GoTopIn(area);
  }
  area.swap_copy.assign(area.swap_size, 0);

  if (area.dbf.has_memo) {
    if (MemoHooks* memo = InstalledMemoHooks()) {
      const std::string base = NameWithoutExt(area.dbf.file_name);
      if (!memo->OpenMemo(area, base)) {
        const int code = ErrorCode();
        CloseArea();
        SetError(code, "Problem opening memo file [USE(" + request.name + ",<@Buffer>," +
                           std::to_string(size) + ")]");
        return false;
      }
    }
  }
  return ErrorCode() == 0;
}

void CloseArea() { CloseAreaAt(SelectedArea()); }

void CloseAll() {
  for (int n = 1; n <= kSelectableAreas; ++n) CloseAreaAt(n);
  SetSelectedArea(1);
}

void EngineShutdown() {
  try {
    CloseAreaAt(34);
    CloseAreaAt(35);
    CloseAll();
  } catch (const EEngineError&) {
    // A raised report has already said what went wrong; shutdown goes on
    // without the remaining tables rather than ending in an exception.
  }
}

int32_t RecCount() {
  WorkArea* area = RequireArea("RecCount");
  if (area == nullptr) return 0;
  RefreshRecordCount(*area);
  return area->dbf.record_count;
}

int32_t RecNo() {
  WorkArea* area = RequireArea("RecNo");
  return area == nullptr ? 0 : area->dbf.current_record;
}

int RecSize() {
  WorkArea* area = RequireArea("RecSize");
  return area == nullptr ? 0 : area->dbf.record_length;
}

bool dEOF() {
  WorkArea* area = RequireArea("dEOF");
  if (area == nullptr) return true;
  RefreshRecordCount(*area);
  if (area->dbf.current_record > area->dbf.record_count) area->dbf.eof = true;
  IndexHooks* ix = InstalledIndexHooks();
  if (ix != nullptr && ix->IndexActive(*area)) return ix->IndexAtEOF(*area);
  return area->dbf.eof;
}

bool dBOF() {
  WorkArea* area = RequireArea("dBOF");
  if (area == nullptr) return true;
  IndexHooks* ix = InstalledIndexHooks();
  if (ix != nullptr && ix->IndexActive(*area)) return ix->IndexAtBOF(*area);
  return area->dbf.bof;
}

std::string AliasOf() {
  WorkArea* area = RequireArea("AliasOf");
  return area == nullptr ? "" : area->alias;
}

std::string FileNameOf() {
  WorkArea* area = RequireArea("FileNameOf");
  return area == nullptr ? "" : area->dbf.file_name;
}

}  // namespace xb
