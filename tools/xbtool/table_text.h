#pragma once
// Text crossing between the terminal (UTF-8) and a table's code page:
// Windows-1252 for ANSI tables, OEM 437 with --oem.
#include <string>
#include <string_view>

namespace xbtool {

class TableText {
 public:
  explicit TableText(bool oem) : oem_(oem) {}
  std::string ToUtf8(std::string_view stored) const;
  std::string FromUtf8(std::string_view utf8) const;

 private:
  bool oem_;
};

}  // namespace xbtool
