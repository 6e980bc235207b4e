#pragma once
// Code pages and letter case for the engine, which works on bytes.
//
// The ANSI code page is Windows-1252; the OEM code page is 437, or 866 when
// switched for Cyrillic tables. CharToOem/OemToChar convert between the two
// through Unicode; a character with no counterpart becomes a close
// look-alike where one exists, else '?'. Upper/lower case and letter tests
// follow Windows-1252. The Unicode conversions are for the boundary with the
// desktop side and the command-line tool.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace platform {

enum class OemCodePage { k437, k866 };

void SetOemCodePage(OemCodePage page);
OemCodePage CurrentOemCodePage();

// In place, like CharToOemBuffA / OemToCharBuffA.
void CharToOem(std::span<uint8_t> bytes);
void OemToChar(std::span<uint8_t> bytes);
std::string CharToOem(std::string_view ansi);
std::string OemToChar(std::string_view oem);

uint8_t AnsiUpper(uint8_t c);
uint8_t AnsiLower(uint8_t c);
bool AnsiIsAlpha(uint8_t c);
std::string AnsiUpper(std::string_view text);
std::string AnsiLower(std::string_view text);

// Windows-1252 <-> UTF-8. Characters without a Windows-1252 byte become '?'.
std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToAnsi(std::string_view utf8);
// OEM (current OEM page) <-> UTF-8.
std::string OemToUtf8(std::string_view oem);
std::string Utf8ToOem(std::string_view utf8);

}  // namespace platform
