// Record I/O, header write-back and closing for an open table file.
//
// Order of writes that keeps the file readable after every step:
//   (1) a record is written in place (append: over the old end-of-file
//       byte, with a new end-of-file byte after it in the same write); the
//       header still carries the old count, so other readers and a crash at
//       this point see the table as it was;
//   (2) the header with the new count and date (UpdateHeader / CloseDbf);
//   (3) the end-of-file byte after the last record, unless the append of
//       that last record already put it there.
// A crash between (1) and (2) leaves a record beyond the stored count,
// which recount on open recovers; it never leaves a count that claims a
// record not yet written.
#include <algorithm>
#include <vector>

#include "engine/table/dbf_file.h"
#include "engine/table/dbf_format.h"
#include "engine/table/status.h"
#include "engine/table/switches.h"
#include "platform/clock.h"

namespace xb {
namespace {

Status NotOpen(const std::string& operation) {
  return Status(215, "No database in use [" + operation + "]");
}

// A caller may have replaced the buffer; writing it with another size would
// spill into the next record or leave stale bytes.
Status CheckBuffer(const DbfFile& area, const std::string& operation) {
  if (area.record.size() != area.record_length)
    return Status(254, "Record buffer size mismatch (" + area.file_name + ") [" + operation + "]");
  return Status::OK();
}

// Record numbers a write may name: an existing record, or count + 1 to
// append. n <= 0 would land inside the header.
Result<int32_t> WriteTarget(const DbfFile& area, int32_t n, const std::string& suffix) {
  if (n < 1)
    return Status(212, "Invalid record number = " + std::to_string(n) + " (" + area.file_name +
                           ")" + suffix);
  if (n <= area.record_count) return n;
  const int64_t limit = area.is_dbase2() ? dbf::kMaxDbase2Records : dbf::kMaxRecords;
  if (area.record_count >= limit)
    return Status(212, "Invalid record number = " + std::to_string(n) + " (" + area.file_name +
                           ")" + suffix);
  return area.record_count + 1;
}

// Which header bytes a write covers.
enum class HeaderBytes {
  // The whole 32 bytes, after re-reading 16..27 so that what other programs
  // keep there survives (UpdateHeader and CloseDbf).
  kWhole,
  // Only bytes 0..7, version, date and count: the only ones an open table
  // changes (header and record length are fixed while it is open). The
  // writer under the append lock of a shared table writes these on every
  // release; leaving 8..31 alone keeps what other programs keep there
  // without the re-read, one system call less per append.
  kCountAndDate,
};

Status WriteHeader(DbfFile& area, HeaderBytes bytes) {
  const platform::CivilDate today = platform::Today();
  uint8_t* h = area.header.data();
  if (area.is_dbase2()) {
    dbf::Put16(h + 1, static_cast<uint32_t>(area.record_count));
    h[3] = static_cast<uint8_t>(today.month);
    h[4] = static_cast<uint8_t>(today.day);
    h[5] = static_cast<uint8_t>(today.year - 1900);
    dbf::Put16(h + 6, area.record_length);
    if (int rc = area.file->WriteAt(0, std::span<const uint8_t>(h, 8)); rc != 0)
      return Status(rc, "");
  } else {
    const bool whole = bytes == HeaderBytes::kWhole;
    size_t read = 0;
    if (whole) {
      if (int rc = area.file->ReadAt(16, std::span<uint8_t>(h + 16, 12), read); rc != 0)
        return Status(rc, "");
    }
    h[1] = static_cast<uint8_t>(today.year - 1900);
    h[2] = static_cast<uint8_t>(today.month);
    h[3] = static_cast<uint8_t>(today.day);
    dbf::Put32(h + 4, static_cast<uint32_t>(area.record_count));
    const std::span<const uint8_t> out(h, whole ? area.header.size() : 8);
    if (int rc = area.file->WriteAt(0, out); rc != 0) return Status(rc, "");
  }
  area.last_update = dbf::DateText(today.year, today.month, today.day);
  return Status::OK();
}

Status WriteEofByte(DbfFile& area) {
  if (area.eof_written_after == area.record_count) return Status::OK();
  const uint8_t eof = dbf::kEofByte;
  if (int rc = area.file->WriteAt(RecordPosition(area, area.record_count + 1), {&eof, 1}); rc != 0)
    return Status(rc, "");
  return Status::OK();
}

// Header and end-of-file byte as the FileState asks; the state stays as it
// was when a write fails, so that closing tries again.
Status WritePending(DbfFile& area, HeaderBytes bytes = HeaderBytes::kWhole) {
  if (area.state != FileState::kModified && area.state != FileState::kAppended)
    return Status::OK();
  if (Status s = WriteHeader(area, bytes); !s.ok()) return s;
  if (area.state == FileState::kAppended) {
    if (Status s = WriteEofByte(area); !s.ok()) return s;
  }
  area.state = FileState::kClean;
  return Status::OK();
}

void MarkWritten(DbfFile& area, bool appended) {
  if (appended)
    area.state = FileState::kAppended;
  else if (area.state != FileState::kAppended)
    area.state = FileState::kModified;
}

}  // namespace

bool GetDbfRecord(DbfFile& area, int32_t n) {
  if (!area.is_open()) return Fail(NotOpen("GetDbfRecord"));
  if (n > area.record_count || n <= 0)
    return Fail(Status(212, "Invalid record number = " + std::to_string(n) + " (" +
                                area.file_name + ")  [GetDbfRecord]"));
  if (Status s = CheckBuffer(area, "GetDbfRecord"); !s.ok()) return Fail(s);
  area.eof = area.bof = false;
  size_t read = 0;
  int rc = area.file->ReadAt(RecordPosition(area, n), area.record, read);
  if (rc == 0 && read < area.record.size()) rc = 213;
  if (rc != 0) return Fail(Status(rc, "File:  " + area.file_name + "  [GetDbfRecord]"));
  area.current_record = n;
  dbf::TranslateForRead(area, area.record);
  return true;
}

bool PutDbfRecord(DbfFile& area, int32_t n) {
  const std::string suffix = " [Replace/Append/PutDbfRecord]";
  if (!area.is_open()) return Fail(NotOpen("Replace/Append/PutDbfRecord"));
  if (Status s = CheckBuffer(area, "Replace/Append/PutDbfRecord"); !s.ok()) return Fail(s);
  Result<int32_t> target = WriteTarget(area, n, suffix);
  if (!target.ok()) return Fail(target.status());
  const bool append = *target > area.record_count;
  // The translation works on a copy so that a failed write leaves the
  // buffer as the caller filled it.
  std::vector<uint8_t> image = area.record;
  dbf::TranslateForWrite(area, image);
  // An appended record carries the end-of-file byte behind it: the file
  // ends right at every moment, and the header write after the append has
  // one byte less to write.
  if (append) image.push_back(dbf::kEofByte);
  if (int rc = area.file->WriteAt(RecordPosition(area, *target), image); rc != 0)
    return Fail(Status(rc, "File:  " + area.file_name + suffix));
  if (append) image.pop_back();
  dbf::TranslateForRead(area, image);
  area.record = std::move(image);
  if (append) {
    area.record_count = *target;
    area.current_record = *target;
    area.eof_written_after = *target;
  }
  MarkWritten(area, append);
  return true;
}

bool AppendDbfRecord(DbfFile& area) {
  if (!area.is_open()) return Fail(NotOpen("Replace/Append/PutDbfRecord"));
  return PutDbfRecord(area, area.record_count + 1);
}

bool WriteDeleteFlag(DbfFile& area, int32_t n) {
  const std::string suffix = " [DeleteRec/RecallRec]";
  if (!area.is_open()) return Fail(NotOpen("DeleteRec/RecallRec"));
  // Only an existing record has a flag to write: a lone flag byte past the
  // end would make a partial record.
  if (n < 1 || n > area.record_count)
    return Fail(Status(212, "Invalid record number = " + std::to_string(n) + " (" +
                                area.file_name + ")" + suffix));
  if (area.record.empty()) return Fail(CheckBuffer(area, "DeleteRec/RecallRec"));
  const uint8_t flag = area.record[0];
  if (int rc = area.file->WriteAt(RecordPosition(area, n), {&flag, 1}); rc != 0)
    return Fail(Status(rc, "File:  " + area.file_name + suffix));
  MarkWritten(area, false);
  return true;
}

bool UpdateHeader(DbfFile& area) {
  if (!area.is_open()) return Fail(NotOpen("UpdateHeader"));
  if (area.state != FileState::kModified && area.state != FileState::kAppended) return true;
  if (Status s = WritePending(area); !s.ok())
    return Fail(Status(s.code(), "File:  " + area.file_name + " [UpdateHeader]"));
  return FlushFile(area);
}

bool WritePendingHeader(DbfFile& area, const std::string& operation) {
  if (!area.is_open()) return Fail(NotOpen(operation));
  if (Status s = WritePending(area, HeaderBytes::kCountAndDate); !s.ok())
    return Fail(Status(s.code(), "File:  " + area.file_name + " [" + operation + "]"));
  return true;
}

bool FlushFile(DbfFile& area) {
  if (!area.is_open()) return Fail(NotOpen("FlushFile"));
  if (int rc = area.file->Flush(); rc != 0)
    return Fail(Status(rc, "Unable to flush file [FlushFile]"));
  return true;
}

bool CloseDbf(DbfFile& area) {
  if (!area.is_open()) {
    area.state = FileState::kClosed;
    return true;
  }
  Status s = WritePending(area);
  area.file.reset();
  area.state = FileState::kClosed;
  area.record.clear();
  area.record.shrink_to_fit();
  area.fields.clear();
  if (!s.ok())
    return Fail(Status(s.code(), "File:  " + area.file_name + " [CloseDbf(" + area.file_name +
                                     ")]"));
  return true;
}

std::string MemoExtension(uint8_t version) {
  if (!dbf::IsAcceptedVersion(version)) version = Switches().default_version;
  return version == 0xF5 ? "FPT" : "DBT";
}

}  // namespace xb
