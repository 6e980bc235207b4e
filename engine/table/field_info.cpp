#include "engine/table/field_info.h"

#include <span>

#include "engine/table/date_settings.h"
#include "engine/table/error_state.h"
#include "engine/table/strings.h"
#include "engine/table/work_area.h"
#include "platform/codepage.h"

namespace xb {
namespace {

constexpr int kProductionIndexByte = 28;

// The field n of the current table, or nullptr after recording why not.
const FieldDesc* FieldAt(int n, const char* function, WorkArea** area_out = nullptr) {
  WorkArea* area = RequireArea(std::string(function) + "()");
  if (area == nullptr) return nullptr;
  if (n < 1 || n > static_cast<int>(area->dbf.fields.size())) {
    SetError(220, "Invalid field number. [" + std::string(function) + "(" + std::to_string(n) + ")]");
    return nullptr;
  }
  if (area_out != nullptr) *area_out = area;
  return &area->dbf.fields[n - 1];
}

}  // namespace

char FieldType(int n) {
  const FieldDesc* f = FieldAt(n, "FieldType");
  return f == nullptr ? ' ' : f->type;
}

int FieldLen(int n) {
  const FieldDesc* f = FieldAt(n, "FieldLen");
  if (f == nullptr) return 0;
  if (f->type == 'D') return YearWidth() + 6;
  return f->length;
}

int FieldDec(int n) {
  const FieldDesc* f = FieldAt(n, "FieldDec");
  return f == nullptr ? 0 : f->decimals;
}

uint8_t* FieldAddress(int n) {
  WorkArea* area = RequireArea("FieldAddress");
  if (area == nullptr) return nullptr;
  if (n < 0 || n > static_cast<int>(area->dbf.fields.size())) {
    SetError(220, "Invalid field number. [FieldAddress(" + std::to_string(n) + ")]");
    return nullptr;
  }
  return n == 0 ? area->swap : area->swap + area->swap_offsets[n - 1];
}

std::string Field(int n) {
  const FieldDesc* f = FieldAt(n, "Field");
  return f == nullptr ? "" : f->name;
}

int FieldNo(const std::string& name) {
  WorkArea* area = RequireArea("FieldNo()");
  if (area == nullptr) return 0;
  const std::string wanted = Upper(TrimAll(name)).substr(0, 10);
  for (size_t i = 0; i < area->dbf.fields.size(); ++i)
    if (area->dbf.fields[i].name == wanted) return static_cast<int>(i + 1);
  return 0;
}

int FieldCount() {
  WorkArea* area = RequireArea("FieldCount()");
  return area == nullptr ? 0 : static_cast<int>(area->dbf.fields.size());
}

bool HasProductionIndex() {
  WorkArea* area = CurrentArea();
  if (area == nullptr || area->dbf.is_dbase2()) return false;
  return area->dbf.header[kProductionIndexByte] != 0;
}

void SetProductionIndexFlag(bool on) {
  WorkArea* area = RequireArea("SetProductionIndexFlag");
  if (area == nullptr || area->dbf.is_dbase2()) return;
  const uint8_t value = on ? 1 : 0;
  if (area->dbf.header[kProductionIndexByte] == value) return;
  area->dbf.header[kProductionIndexByte] = value;
  if (area->dbf.state == FileState::kClean) area->dbf.state = FileState::kModified;
  // A shared table's header is written back only under the append lock and
  // only its count and date, so the flag goes to the file at once: it is one
  // byte no other writer changes, and other programs must see it while the
  // table stays open.
  if (area->dbf.is_open()) {
    if (int rc = area->dbf.file->WriteAt(kProductionIndexByte, std::span<const uint8_t>(&value, 1)); rc != 0)
      SetError(rc, "Cannot write the production index flag of " + area->dbf.file_name + " [SetProductionIndexFlag]");
  }
}

IndexFileRef IndexFileOf() {
  WorkArea* area = RequireArea("IndexFileOf");
  if (area == nullptr) return {};
  return {&area->index_file, area->number};
}

}  // namespace xb
