#include "engine/table/peek_poke.h"

#include <algorithm>
#include <vector>

#include "engine/table/error_state.h"
#include "engine/table/switches.h"
#include "engine/table/work_area.h"

namespace xb {
namespace {

struct Span {
  uint64_t offset = 0;
  size_t length = 0;
};

Span FieldSpan(const WorkArea& area, int field_no, int32_t rec_no) {
  const uint64_t record = RecordPosition(area.dbf, rec_no);
  if (field_no == 0) return {record, 1};
  const FieldDesc& f = area.dbf.fields[field_no - 1];
  return {record + f.offset, f.length};
}

std::string PeekContext(int field_no, int32_t rec_no) {
  return "[Peek(" + std::to_string(field_no) + "," + std::to_string(rec_no) + ")]";
}

}  // namespace

Result<std::string> PeekIn(WorkArea& area, int field_no, int32_t rec_no) {
  if (!area.dbf.is_open()) return Status(6, "File:  " + area.dbf.file_name + " " + PeekContext(field_no, rec_no));
  const Span span = FieldSpan(area, field_no, rec_no);
  std::string text(span.length, ' ');
  size_t read = 0;
  int rc = area.dbf.file->ReadAt(
      span.offset, {reinterpret_cast<uint8_t*>(text.data()), text.size()}, read);
  if (rc == 0 && read < span.length) rc = 100;
  if (rc != 0) return Status(rc, "File:  " + area.dbf.file_name + " " + PeekContext(field_no, rec_no));
  return text;
}

std::string Peek(int field_no, int32_t rec_no) {
  WorkArea* area = RequireArea("Peek");
  if (area == nullptr) return "";
  if (rec_no < 1 || rec_no > area->dbf.record_count || field_no < 0 ||
      field_no > static_cast<int>(area->dbf.fields.size())) {
    return "";
  }
  Result<std::string> text = PeekIn(*area, field_no, rec_no);
  if (!text.ok()) return Fail(text.status(), std::string());
  return *text;
}

void Poke(const std::string& text, int field_no, int32_t rec_no) {
  WorkArea* area = RequireArea("Poke");
  if (area == nullptr) return;
  const std::string context = ("[Poke(" + text + "," + std::to_string(field_no) + "," +
                               std::to_string(rec_no) + ")]").substr(0, 100);
  const bool locked = std::find(area->record_locks.begin(), area->record_locks.end(), rec_no) !=
                      area->record_locks.end();
  if (Switches().network_mode && !area->exclusive && !locked) {
    SetError(1200, "Record not locked " + context);
    return;
  }
  if (rec_no < 1 || rec_no > area->dbf.record_count || field_no < 0 ||
      field_no > static_cast<int>(area->dbf.fields.size()) || !area->dbf.is_open()) {
    return;
  }
  const Span span = FieldSpan(*area, field_no, rec_no);
  const size_t n = std::min(text.size(), span.length);
  const std::vector<uint8_t> bytes(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
  if (area->dbf.file->WriteAt(span.offset, bytes) != 0) SetError(101, context);
}

}  // namespace xb
