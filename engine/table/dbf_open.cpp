// OpenDbf: opening a table file and checking its header and descriptors.
//
// Nothing here writes to the file: a table that fails a check is closed
// again untouched, and the area keeps no state from the attempt. Beyond the
// version and slot checks every length read from disk is checked against
// the others before use:
//   - the header length must leave room for a 0x0D terminator right after
//     the last descriptor (or the list ends at a terminator slot);
//   - no field has length 0, and the record length equals 1 plus the sum
//     of the field lengths, so fields tile the record buffer exactly;
//   - the record count fits the engine's 32-bit record numbers.
// A count larger than the file holds is kept (other programs see it too);
// reading such a record fails with 213 instead of returning garbage.
#include <algorithm>
#include <vector>

#include "engine/table/dbf_file.h"
#include "engine/table/dbf_format.h"
#include "engine/table/files.h"
#include "engine/table/status.h"
#include "engine/table/switches.h"
#include "platform/codepage.h"

namespace xb {
namespace {

using dbf::Get16;
using dbf::Get32;

const char kNotDbase[] = " is not a dBASE database.";

// Most of the refusals read name + kNotDbase + " (" + reason + ")" plus a
// bracket whose spelling differs from case to case.
Status NotDbase(const std::string& name, const std::string& reason) {
  return Status(210, name + kNotDbase + " (" + reason + ") [USE/OpenDBF]");
}

Status ReadError(int code, const std::string& name) {
  return Status(code, "Error reading " + name + " [Use/OpenDbf]");
}

// Reads exactly out.size() bytes at offset; a short read is 100.
Status ReadExactly(platform::File& file, uint64_t offset, std::span<uint8_t> out,
                   const std::string& name) {
  size_t read = 0;
  if (int rc = file.ReadAt(offset, out, read); rc != 0) return ReadError(rc, name);
  if (read < out.size()) return ReadError(100, name);
  return Status::OK();
}

struct SlotLayout {
  int name_width;
  int type_at;
  int length_at;
  int decimals_at;
};

// Walks the descriptor slots until a terminator slot or the end. Returns
// whether a terminator slot ended the list through `terminated`.
Status DecodeSlots(std::span<const uint8_t> slots_bytes, int slot_count, int slot_size,
                   const SlotLayout& layout, DbfFile& t, bool& terminated) {
  terminated = false;
  int offset = 1;
  for (int i = 0; i < slot_count; ++i) {
    const uint8_t* slot = slots_bytes.data() + static_cast<size_t>(i) * slot_size;
    if (slot[0] == dbf::kTerminator) {
      if (i == 0) return ReadError(222, t.file_name);
      terminated = true;
      break;
    }
    FieldDesc field;
    int width = std::min(layout.name_width, 11);
    const uint8_t* end = std::find(slot, slot + width, 0);
    field.name = platform::AnsiUpper(std::string(slot, end));
    char type = static_cast<char>(slot[layout.type_at]);
    switch (type) {
      case 'B': case 'G': case 'P': case 'b': case 'g': case 'p':
        type = 'M';
        break;
      case 'C': case 'D': case 'F': case 'L': case 'M': case 'N':
        break;
      default:
        return Status(211, "Field: " + field.name + " [" + std::string(1, type) + "] in " +
                               t.file_name + " is not a valid field type");
    }
    field.type = type;
    field.length = slot[layout.length_at];
    field.decimals = slot[layout.decimals_at];
    if (field.length == 0) return NotDbase(t.file_name, "Field " + field.name + " has length 0");
    field.offset = static_cast<uint16_t>(offset);
    offset += field.length;
    t.fields.push_back(std::move(field));
  }
  if (offset != t.record_length)
    return NotDbase(t.file_name, "Record length does not match the field lengths");
  return Status::OK();
}

Status LoadDbase2(platform::File& file, uint64_t size, DbfFile& t) {
  const uint8_t* p = t.header.data();
  const std::string& name = t.file_name;
  t.has_memo = false;
  t.header_length = dbf::kDbase2HeaderLength;
  t.record_length = Get16(p + 6);
  t.record_count = Get16(p + 1);
  t.last_update = dbf::DateText(p[5] + 1900, p[3], p[4]);
  if (size < static_cast<uint64_t>(dbf::kDbase2HeaderLength))
    return Status(210, name + kNotDbase + "(Header is less than 521 bytes) [Use/OpenDBF]");
  std::vector<uint8_t> slots(dbf::kDbase2Slots * dbf::kDbase2SlotSize);
  if (Status s = ReadExactly(file, 8, slots, name); !s.ok()) return s;
  bool terminated = false;
  if (Status s = DecodeSlots(slots, dbf::kDbase2Slots, dbf::kDbase2SlotSize, {11, 11, 12, 15}, t,
                             terminated);
      !s.ok()) {
    return s;
  }
  if (!terminated)
    return Status(210, name + kNotDbase + "(Number of fields is out of range) [Use/OpenDbf]");
  return Status::OK();
}

Status LoadHeader(platform::File& file, uint64_t size, DbfFile& t) {
  const std::string& name = t.file_name;
  size_t read = 0;
  if (int rc = file.ReadAt(0, t.header, read); rc != 0) return ReadError(rc, name);
  if (read < t.header.size()) return NotDbase(name, "Prolog is less than 32 bytes");
  const uint8_t* p = t.header.data();
  t.version = p[0];
  if (!dbf::IsAcceptedVersion(t.version))
    return Status(210, name + kNotDbase + "(Invalid version byte)+ [USE/OpenDBF]");
  if (t.is_dbase2()) return LoadDbase2(file, size, t);

  const dbf::Geometry g = dbf::GeometryOf(t.version);
  t.has_memo = (t.version & 0x80) != 0;
  t.header_length = Get16(p + 8);
  t.record_length = Get16(p + 10);
  const int slot_count = (static_cast<int>(t.header_length) - g.first_descriptor) /
                         g.descriptor_size;
  if (slot_count < 1 || slot_count > dbf::kMaxFields)
    return Status(210, name + kNotDbase + " (Number of fields is out of range) [Use/OpenDbf]");
  t.last_update = dbf::DateText(p[1] + 1900, p[2], p[3]);
  const uint32_t count = Get32(p + 4);
  if (count > dbf::kMaxRecords) return NotDbase(name, "Record count is out of range");
  t.record_count = static_cast<int32_t>(count);

  // The dBASE 7 extension (language driver name) is read past, not kept.
  std::vector<uint8_t> area(t.header_length - g.first_descriptor);
  if (Status s = ReadExactly(file, g.first_descriptor, area, name); !s.ok()) return s;
  bool terminated = false;
  const SlotLayout layout{g.descriptor_size == 48 ? 32 : 11, g.type_at, g.length_at,
                          g.decimals_at};
  if (Status s = DecodeSlots(area, slot_count, g.descriptor_size, layout, t, terminated);
      !s.ok()) {
    return s;
  }
  // Without a terminator slot the byte after the last descriptor must be
  // the terminator; otherwise the header length cuts through the
  // descriptors, or names a header other than the one on disk.
  const size_t after_last = static_cast<size_t>(slot_count) * g.descriptor_size;
  if (!terminated && (after_last >= area.size() || area[after_last] != dbf::kTerminator))
    return NotDbase(name, "Header length does not match the field descriptors");
  return Status::OK();
}

}  // namespace

bool OpenDbf(DbfFile& area) {
  if (area.is_open()) return Fail(Status(214, "File already in use " + area.file_name +
                                                  " [USE/OpenDbf]"));
  area.file_name = DefaultExt(area.file_name, "DBF");
  DbfFile t;
  t.file_name = area.file_name;
  t.file_mode = area.file_mode;
  t.oem = area.oem;
  std::unique_ptr<platform::File> file;
  if (int rc = platform::Files().Open(t.file_name, t.file_mode, file); rc != 0)
    return Fail(Status(rc, "Failure to open " + t.file_name + " [USE/OpenDbf]"));
  t.short_name = dbf::ShortFileName(t.file_name);
  if (t.oem) t.short_name = platform::CharToOem(t.short_name);

  uint64_t size = 0;
  if (int rc = file->Size(size); rc != 0) return Fail(ReadError(rc, t.file_name));
  if (Status s = LoadHeader(*file, size, t); !s.ok()) return Fail(s);

  if (Switches().recount_on_open) {
    const int64_t held = size > t.header_length
                             ? static_cast<int64_t>((size - t.header_length) / t.record_length)
                             : 0;
    t.record_count = static_cast<int32_t>(
        std::min<int64_t>(held, t.is_dbase2() ? dbf::kMaxDbase2Records : dbf::kMaxRecords));
  }
  t.record.assign(t.record_length, ' ');
  t.state = FileState::kClean;
  const bool empty = t.record_count < 1;
  t.current_record = empty ? 0 : 1;
  t.eof = t.bof = empty;
  t.file = std::move(file);
  area = std::move(t);
  return true;
}

}  // namespace xb
