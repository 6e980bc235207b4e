#pragma once
// Byte-level pieces of the table file shared by opening, creating and the
// record I/O in dbf_file.cpp: accepted version bytes, descriptor geometry,
// little-endian access, the last-update text, file-name forms and the OEM
// translation of a record image. Private to engine/table.
#include <cstdint>
#include <span>
#include <string>

#include "engine/table/dbf_file.h"

namespace xb::dbf {

inline constexpr uint8_t kTerminator = 0x0D;
inline constexpr uint8_t kEofByte = 0x1A;
inline constexpr uint8_t kLiveFlag = ' ';
inline constexpr uint8_t kDeletedFlag = '*';
inline constexpr int kPrologLength = 32;
inline constexpr int kDbase7ExtensionLength = 36;
inline constexpr int kDbase2HeaderLength = 521;
inline constexpr int kDbase2Slots = 32;
inline constexpr int kDbase2SlotSize = 16;
inline constexpr int kMaxFields = 255;
// The engine holds counts and record numbers as 32-bit signed values and
// computes count + 1 for "past the last record".
inline constexpr int64_t kMaxRecords = 0x7FFFFFFE;
inline constexpr int64_t kMaxDbase2Records = 0xFFFF;

bool IsAcceptedVersion(uint8_t version);
bool IsDbase7(uint8_t version);

// Where the descriptors sit and how they are laid out for a version byte
// (dBASE II aside, which has its own fixed header).
struct Geometry {
  int descriptor_size = 32;  // 48 for dBASE 7
  int first_descriptor = 32;  // 68 for dBASE 7 (after the extension)
  int type_at = 11;
  int length_at = 16;
  int decimals_at = 17;
};
Geometry GeometryOf(uint8_t version);

inline uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void Put32(uint8_t* p, uint32_t v) {
  Put16(p, v);
  Put16(p + 2, v >> 16);
}

// "YYYYMMDD"; month and day always take two digits.
std::string DateText(int year, int month, int day);
// The file's 8.3 name without folders (ShortPathName's last part); when the
// file cannot be found, the name's base cut to 8 and extension to 3.
std::string ShortFileName(const std::string& path);

// The reverse of TranslateForRead (dbf_file.h), before a record image is
// written.
void TranslateForWrite(const DbfFile& area, std::span<uint8_t> image);

}  // namespace xb::dbf
