#include "engine/table/dbf_format.h"

#include <cstdio>

#include "engine/table/files.h"
#include "platform/codepage.h"

namespace xb::dbf {

bool IsAcceptedVersion(uint8_t version) {
  switch (version) {
    case 0x02:
    case 0x03:
    case 0x04:
    case 0x83:
    case 0x8B:
    case 0x8C:
    case 0xF5:
      return true;
    default:
      return false;
  }
}

bool IsDbase7(uint8_t version) { return version == 0x04 || version == 0x8C; }

Geometry GeometryOf(uint8_t version) {
  if (IsDbase7(version)) return Geometry{48, 32 + kDbase7ExtensionLength, 32, 33, 34};
  return Geometry{};
}

std::string DateText(int year, int month, int day) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d%02d%02d", year % 10000, month % 100, day % 100);
  return text;
}

namespace {
size_t LastSeparator(const std::string& path) {
  size_t pos = path.find_last_of("/\\:");
  return pos == std::string::npos ? 0 : pos + 1;
}
}  // namespace

std::string ShortFileName(const std::string& path) {
  const std::string short_path = ShortPathName(path);
  if (!short_path.empty()) return short_path.substr(LastSeparator(short_path)).substr(0, 12);
  std::string last = path.substr(LastSeparator(path));
  size_t dot = last.rfind('.');
  std::string base = last.substr(0, dot);
  std::string ext = dot == std::string::npos ? "" : last.substr(dot + 1);
  std::string result = base.substr(0, 8);
  if (!ext.empty()) result += "." + ext.substr(0, 3);
  return result;
}

void TranslateForRead(const DbfFile& area, std::span<uint8_t> image) {
  if (area.oem && image.size() > 1) platform::OemToChar(image.subspan(1));
}

void TranslateForWrite(const DbfFile& area, std::span<uint8_t> image) {
  if (area.oem && image.size() > 1) platform::CharToOem(image.subspan(1));
}

}  // namespace xb::dbf
