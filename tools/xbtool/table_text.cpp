#include "tools/xbtool/table_text.h"

#include "platform/codepage.h"

namespace xbtool {

std::string TableText::ToUtf8(std::string_view stored) const {
  return oem_ ? platform::OemToUtf8(stored) : platform::AnsiToUtf8(stored);
}

std::string TableText::FromUtf8(std::string_view utf8) const {
  return oem_ ? platform::Utf8ToOem(utf8) : platform::Utf8ToAnsi(utf8);
}

std::string CsvCell(const std::string& value) {
  if (value.find_first_of(",\"\r\n") == std::string::npos) return value;
  std::string quoted = "\"";
  for (char c : value) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string TrimRight(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace xbtool
