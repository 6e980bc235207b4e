#pragma once
// The upper halves (bytes 0x80..0xFF) of the single-byte code pages the
// engine works in: Windows-1252 for ANSI tables, 437 and 866 for OEM ones.
// Every entry is the byte's Unicode character (all in the BMP); bytes below
// 0x80 are ASCII in all three. The rich-text reader and writer decode the
// same pages through these tables, so a note's text means the same to both.
namespace platform::codepage_tables {

extern const char16_t kCp1252[128];
extern const char16_t kCp437[128];
extern const char16_t kCp866[128];

}  // namespace platform::codepage_tables
