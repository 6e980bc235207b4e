#include "engine/table/navigation.h"

#include "engine/table/error_state.h"
#include "engine/table/hooks.h"
#include "engine/table/locking.h"
#include "engine/table/scatter_gather.h"
#include "engine/table/strings.h"
#include "engine/table/use.h"
#include "engine/table/work_area.h"

namespace xb {
namespace {

IndexHooks* ActiveIndex(WorkArea& area) {
  IndexHooks* hooks = InstalledIndexHooks();
  return hooks != nullptr && hooks->IndexActive(area) ? hooks : nullptr;
}

// One step of navigation: one read, one conversion.
bool Load(WorkArea& area, int32_t n) {
  if (!GetDbfRecord(area.dbf, n)) return false;
  Scatter(area);
  return true;
}

std::string Quoted(const WorkArea& area) { return "Database \"" + area.dbf.file_name + "\""; }

void InvalidRecord(const WorkArea& area, int32_t n) {
  SetError(212, "Invalid record number = " + std::to_string(n) + " " + Quoted(area) + " [GO]");
}

}  // namespace

void EndState(WorkArea& area) {
  BlankRecord(area);
  area.dbf.current_record = area.dbf.record_count + 1;
  area.dbf.bof = area.dbf.eof = true;
}

bool IsVisibleIn(WorkArea& area) {
  if (area.hide_deleted && area.dbf.record[0] == '*') return false;
  if (area.filter == nullptr) return true;
  ParserHooks* parser = InstalledParserHooks();
  return parser == nullptr || parser->EvaluateFilter(area, *area.filter);
}

void GoTopIn(WorkArea& area) {
  DbfFile& dbf = area.dbf;
  if (dbf.record_count < 1) return;
  IndexHooks* ix = ActiveIndex(area);
  int32_t n = 1;
  if (ix != nullptr) {
    ix->IndexSetMoving(area, true);
    n = ix->IndexFirst(area);
    if (n == dbf.record_count + 1) {
      EndState(area);
      ix->IndexSetMoving(area, false);
      return;
    }
  }
  if (Load(area, n)) {
    while (!IsVisibleIn(area) && !dbf.eof) {
      const int32_t current = dbf.current_record;
      if (ix != nullptr) {
        n = ix->IndexNext(area);
        // An index that answers the current record again has no next key.
        if (ix->IndexAtEOF(area) || n == current) n = dbf.record_count + 1;
      } else {
        n = current + 1;
      }
      if (n > dbf.record_count) {
        EndState(area);
        if (ix != nullptr) ix->IndexSync(area);
        break;
      }
      if (!Load(area, n)) break;
    }
  }
  if (ix != nullptr) {
    ix->IndexAfterMove(area);
    ix->IndexSetMoving(area, false);
  }
}

void GoBottomIn(WorkArea& area) {
  DbfFile& dbf = area.dbf;
  RefreshRecordCount(area);
  if (dbf.record_count < 1) return;
  IndexHooks* ix = ActiveIndex(area);
  int32_t n = dbf.record_count;
  if (ix != nullptr) {
    ix->IndexSetMoving(area, true);
    n = ix->IndexLast(area);
    if (n == dbf.record_count + 1) {
      EndState(area);
      ix->IndexSetMoving(area, false);
      return;
    }
  }
  if (Load(area, n)) {
    while (!IsVisibleIn(area)) {
      const int32_t current = dbf.current_record;
      bool stopped = false;
      if (ix != nullptr) {
        n = ix->IndexPrev(area);
        stopped = ix->IndexAtBOF(area) || n == current;
      } else {
        n = current - 1;
      }
      if (n < 1 || stopped) {
        EndState(area);
        if (ix != nullptr) {
          ix->IndexSync(area);
          ix->IndexOnBOF(area);
          ix->IndexOnEOF(area);
        }
        break;
      }
      if (!Load(area, n)) break;
    }
  }
  if (ix != nullptr) {
    ix->IndexAfterMove(area);
    ix->IndexSetMoving(area, false);
  }
}

void SkipIn(WorkArea& area, int32_t n) {
  DbfFile& dbf = area.dbf;
  if (n == 0) {
    if (dbf.record_count < 1 || dbf.eof || dbf.current_record < 1 ||
        dbf.current_record > dbf.record_count) {
      BlankRecord(area);
    } else {
      (void)Load(area, dbf.current_record);
    }
    return;
  }
  if (n > 0 && dbf.eof) {
    SetError(212, Quoted(area) + " is past EOF." + " [SKIP]");
    return;
  }
  if (dbf.record_count < 1) {
    dbf.bof = dbf.eof = true;
    SetError(212, Quoted(area) + " is empty." + " [SKIP]");
    return;
  }
  if (n < 0 && dbf.bof) return;
  dbf.bof = dbf.eof = false;
  IndexHooks* ix = ActiveIndex(area);
  if (ix != nullptr) ix->IndexSetMoving(area, true);
  int32_t counted = 0;
  bool edge = false;
  do {
    const int32_t current = dbf.current_record;
    int32_t next;
    if (n > 0) {
      if (ix != nullptr) {
        next = ix->IndexNext(area);
        edge = next == current;
      } else {
        RefreshRecordCount(area);
        next = current + 1;
        if (next > dbf.record_count) {
          edge = true;
          next = dbf.record_count;
        }
      }
    } else {
      if (ix != nullptr) {
        next = ix->IndexPrev(area);
        edge = next == current;
      } else {
        next = current - 1;
        if (next < 1) {
          edge = true;
          next = 1;
        }
      }
    }
    if (!Load(area, next)) {
      if (ix != nullptr) ix->IndexSetMoving(area, false);
      return;
    }
    if (IsVisibleIn(area)) counted += n > 0 ? 1 : -1;
  } while (counted != n && !edge);

  if (edge && n > 0) {
    dbf.current_record = dbf.record_count + 1;
    dbf.eof = true;
    BlankRecord(area);
    if (ix != nullptr) ix->IndexSync(area);
  } else if (edge) {
    GoTopIn(area);
    const bool none_visible = dbf.eof;
    dbf.bof = true;
    if (ix != nullptr) ix->IndexOnBOF(area);
    if (none_visible) BlankRecord(area);
  }
  if (ix != nullptr) {
    ix->IndexSetMoving(area, false);
    ix->IndexAfterMove(area);
  }
}

void GoTop() {
  if (WorkArea* area = RequireArea("GoTop")) GoTopIn(*area);
}

void GoBottom() {
  if (WorkArea* area = RequireArea("GoBottom")) GoBottomIn(*area);
}

void Go(int32_t n) {
  WorkArea* area = RequireArea("GO()");
  if (area == nullptr) return;
  DbfFile& dbf = area->dbf;
  if (n > dbf.record_count) RefreshRecordCount(*area);
  if (dbf.record_count < 1) {
    dbf.bof = dbf.eof = true;
    BlankRecord(*area);
    InvalidRecord(*area, n);
    return;
  }
  dbf.bof = dbf.eof = false;
  IndexHooks* ix = ActiveIndex(*area);
  if (n >= 1 && n <= dbf.record_count) {
    if (ix != nullptr) ix->IndexSetMoving(*area, true);
    if (Load(*area, n) && ix != nullptr) {
      ix->IndexSync(*area);
      ix->IndexAfterMove(*area);
    }
    if (ix != nullptr) ix->IndexSetMoving(*area, false);
    return;
  }
  // Past the end the buffers are blank, as at every other EOF, so that a
  // following Append or Replace cannot store a stale record by mistake.
  dbf.current_record = dbf.record_count + 1;
  dbf.eof = true;
  BlankRecord(*area);
  if (ix != nullptr) ix->IndexSync(*area);
  InvalidRecord(*area, n);
}

void Dbf4RawGo(int32_t n) {
  WorkArea* area = RequireArea("Dbf4RawGo");
  if (area == nullptr) return;
  DbfFile& dbf = area->dbf;
  // The index may name a record another program appended after our count
  // was last taken.
  if (n > dbf.record_count) RefreshRecordCount(*area);
  if (n > dbf.record_count) {
    dbf.current_record = dbf.record_count + 1;
    dbf.eof = true;
    BlankRecord(*area);
  } else if (n <= 0) {
    SetError(212, " [Dbf4RawGo]");
  } else if (!Load(*area, n)) {
    SetError(ErrorCode(), " [Dbf4RawGo]");
  }
}

void Skip(int32_t n) {
  if (WorkArea* area = RequireArea("SKIP()")) SkipIn(*area, n);
}

bool SetIgnoreDel(bool hide) {
  WorkArea* area = RequireArea("SetIgnoreDel");
  if (area == nullptr) return false;
  const bool previous = area->hide_deleted;
  area->hide_deleted = hide;
  SkipIn(*area, 0);
  return previous;
}

void Set_Filter_To(const std::string& text) {
  WorkArea* area = RequireArea("Set_Filter_To");
  if (area == nullptr) return;
  ParserHooks* parser = InstalledParserHooks();
  if (parser == nullptr) {
    SetError(220, "Expression parser unit not linked in. [Set_Filter_To]");
    return;
  }
  area->filter.reset();
  const std::string trimmed = TrimAll(text);
  if (!trimmed.empty()) area->filter = parser->CompileFilter(*area, trimmed);
}

bool IsVisible() {
  WorkArea* area = RequireArea("IsVisible");
  return area != nullptr && IsVisibleIn(*area);
}

bool FilterPasses() {
  WorkArea* area = RequireArea("FilterPasses");
  if (area == nullptr) return false;
  if (area->filter == nullptr) return true;
  ParserHooks* parser = InstalledParserHooks();
  return parser == nullptr || parser->EvaluateFilter(*area, *area->filter);
}

bool MoveOffHidden() {
  WorkArea* area = RequireArea("MoveOffHidden");
  if (area == nullptr || IsVisibleIn(*area)) return false;
  UnlockArea(*area);
  const int32_t remembered = area->dbf.current_record;
  SkipIn(*area, 1);
  if (area->dbf.eof) {
    GoIfValid(remembered);
    SkipIn(*area, -1);
  }
  return true;
}

bool GoIfValid(int32_t n) {
  if (RequireArea("GoIfValid") == nullptr) return false;
  if (n < 1 || n > RecCount()) return false;
  Go(n);
  return true;
}

}  // namespace xb
