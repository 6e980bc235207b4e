#pragma once
// Text crossing between the terminal (UTF-8) and a table's code page:
// Windows-1252 for ANSI tables, OEM 437 with --oem; and the small helpers
// every command that prints records as CSV shares.
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

// `value` as one CSV cell: quoted (with doubled quotes) only when it holds
// a comma, a quote or a line end.
std::string CsvCell(const std::string& value);
// `text` without its trailing blanks (fields are stored blank-padded).
std::string TrimRight(std::string text);

}  // namespace xbtool
