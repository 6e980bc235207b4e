#pragma once
// DbfFile is one open dBASE table file: its header, field descriptors and the
// current record image, plus the operations that read and write it. It knows
// nothing of work areas, locks, indexes or filters; those layers call it.
// Every failure is recorded with SetError and the operation returns false.
//
// File layout (integers little-endian):
//
//   OFFSET        SIZE   DESCRIPTION
//   0             1      version byte: 0x02 dBASE II (own layout, below),
//                        0x03/0x83 dBASE III, 0x8B dBASE IV with memo,
//                        0x04/0x8C dBASE 7, 0xF5 FoxPro with memo
//   1             3      date of last update: year-1900, month, day
//   4             4      record count
//   8             2      header length (everything before record 1)
//   10            2      record length (deletion flag included)
//   12            4      reserved, 0 at creation
//   16            12     multi-user area: re-read before a whole-header write;
//                          the append-lock write leaves it alone
//   28            1      production index flag
//   29            1      language byte (never read or changed)
//   30            2      reserved
//   32            36     dBASE 7 only: language driver name + reserved
//   32 (68)       32n    field descriptors (48n for dBASE 7)
//   hl-1          1      0x0D terminator
//   hl+(i-1)*rl   rl     record i: deletion flag (' ' or '*'), then fields
//   hl+c*rl       1      0x1A end-of-file byte
//
// dBASE II: 521-byte header: version, record count (16 bits), month, day,
// year-1900, record length (16 bits), then up to 32 16-byte descriptors
// ending at one whose first byte is 0x0D; records start at 521.
//
// Invariants after every public call:
//   (1) record.size() == record_length once open; fields tile bytes
//       1..record_length-1 in descriptor order without gaps.
//   (2) The header on disk is rewritten only by UpdateHeader, CloseDbf and
//       WritePendingHeader;
//       between an append and the next header write the count on disk is
//       behind (state kAppended); the end-of-file byte follows the appended
//       record, written with it.
//   (3) OpenDbf never writes: a refused file is closed unchanged and the
//       area stays closed with no fields and no buffer (dbf_open.cpp lists
//       the checks on header length, record length and record count).
//   (4) Writes only ever name records 1..record_count + 1; a failed write
//       leaves record_count, current_record and the state as they were.
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/file.h"

namespace xb {

enum class FileState : uint8_t { kClosed = 0, kClean = 1, kModified = 2, kAppended = 3 };

// A field as the engine holds it in memory. For CreateDbf only name, type,
// length and decimals are read.
struct FieldDesc {
  std::string name;  // upper case, at most 10 characters
  char type = 'C';   // C D F L M N (B, G, P are read as M)
  uint8_t length = 0;
  uint8_t decimals = 0;
  uint16_t offset = 0;  // position within the record; the first field is at 1
};

struct DbfFile {
  std::string file_name;   // as opened, with the default extension "DBF"
  std::string short_name;  // 8.3-style name without directory, <= 12 chars
  std::array<uint8_t, 32> header{};  // header image as read from offset 0
  uint8_t version = 0;
  bool has_memo = false;
  uint16_t header_length = 0;
  uint16_t record_length = 0;
  std::vector<FieldDesc> fields;
  FileState state = FileState::kClosed;
  std::string last_update;      // "YYYYMMDD"
  std::vector<uint8_t> record;  // the RecordBuffer: the current record as stored
  int32_t record_count = 0;
  int32_t current_record = 0;  // record_count + 1 means past the last record
  // The record count after which this handle's last append wrote the
  // end-of-file byte together with its record (-1: none). A header write
  // at that same count finds the byte in place and saves writing it again.
  int32_t eof_written_after = -1;
  bool eof = true;
  bool bof = true;
  int file_mode = 0x42;  // the open mode the file was opened with
  bool oem = false;      // translate OEM <-> ANSI on read and write
  std::unique_ptr<platform::File> file;

  bool is_dbase2() const { return version == 0x02; }
  bool is_open() const { return file != nullptr; }
};

// Called by CreateDbf to create the memo file of a table with memo fields.
// Installed by the memo layer; returns false with the error state set.
using MemoFileCreator = bool (*)(const std::string& table_name, uint8_t version, int block_size,
                                 const std::string& caller);
void SetMemoFileCreator(MemoFileCreator creator);

// REQUIRES: area.file_name and area.file_mode are set, area is not open.
bool OpenDbf(DbfFile& area);
// Creates the table (and its memo file) and leaves it closed; `area` is
// only used as scratch state. A bad definition (211) writes nothing; so
// does a memo field while no MemoFileCreator is installed (229).
bool CreateDbf(DbfFile& area, const std::string& name, std::span<const FieldDesc> fields);
bool GetDbfRecord(DbfFile& area, int32_t n);
bool PutDbfRecord(DbfFile& area, int32_t n);
bool AppendDbfRecord(DbfFile& area);
bool WriteDeleteFlag(DbfFile& area, int32_t n);
bool UpdateHeader(DbfFile& area);
// The header and end-of-file writes of UpdateHeader without the flush to
// disk, for a shared table whose writer holds the append lock and has just
// taken the count from the file size. Only header bytes 0..7 (version,
// date, count) are written. `operation` names the caller in the error text.
bool WritePendingHeader(DbfFile& area, const std::string& operation);
bool FlushFile(DbfFile& area);
bool CloseDbf(DbfFile& area);
// "DBT" or "FPT" for a version byte.
std::string MemoExtension(uint8_t version);
// Byte position of record n (1-based).
inline uint64_t RecordPosition(const DbfFile& area, int32_t n) {
  return area.header_length + static_cast<uint64_t>(n - 1) * area.record_length;
}

namespace dbf {
// Turns a record image read straight from the file into what GetDbfRecord
// leaves in area.record, for readers that fetch many records in one block:
// bytes 1..record_length-1 go from OEM to Windows text when area.oem is set
// (the deletion flag is never translated); otherwise nothing changes.
void TranslateForRead(const DbfFile& area, std::span<uint8_t> image);
}  // namespace dbf

}  // namespace xb
