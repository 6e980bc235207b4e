// The append command: one record built field by field from FIELD=VALUE
// words (C padded, N and F right-aligned with their decimals, D as
// YYYYMMDD, L as T or F); fields not named stay blank. It takes no locks:
// it is for building tables, not for tables in use by other programs.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/codepage.h"
#include "platform/file.h"
#include "tools/xbtool/commands.h"
#include "tools/xbtool/table_text.h"

namespace xbtool {
namespace {

const xb::FieldDesc* FindField(const xb::DbfFile& area, const std::string& name) {
  const std::string upper = platform::AnsiUpper(name);
  for (const xb::FieldDesc& f : area.fields)
    if (f.name == upper) return &f;
  return nullptr;
}

// The stored form of `value` for `field`, exactly field.length bytes, or an
// empty string when the value does not suit the field.
std::string StoredForm(const xb::FieldDesc& field, const std::string& value,
                       const TableText& text) {
  std::string stored;
  switch (field.type) {
    case 'C':
      stored = text.FromUtf8(value).substr(0, field.length);
      break;
    case 'N':
    case 'F': {
      char* end = nullptr;
      const double number = std::strtod(value.c_str(), &end);
      if (value.empty() || *end != '\0' || !std::isfinite(number)) return "";
      char buffer[400];
      std::snprintf(buffer, sizeof buffer, "%*.*f", field.length, field.decimals, number);
      stored = buffer;
      if (stored.size() > field.length) stored.assign(field.length, '*');
      break;
    }
    case 'D': {
      std::string digits;
      for (char c : value)
        if (c != '-') digits += c;
      if (digits.size() != 8 || digits.find_first_not_of("0123456789") != std::string::npos)
        return "";
      stored = digits;
      break;
    }
    case 'L': {
      const std::string upper = platform::AnsiUpper(value);
      if (upper == "T" || upper == "Y" || upper == "TRUE") stored = "T";
      else if (upper == "F" || upper == "N" || upper == "FALSE") stored = "F";
      else return "";
      break;
    }
    default:
      return "";
  }
  stored.resize(field.length, ' ');
  return stored;
}

}  // namespace

int AppendCommand(const Options& options) {
  if (options.args.empty()) return UsageError("append needs a table");
  xb::DbfFile area;
  if (!OpenTable(options.args[0], platform::open_mode::kShared, area)) return EngineError();
  const TableText text(options.oem);
  area.record.assign(area.record_length, ' ');
  for (size_t i = 1; i < options.args.size(); ++i) {
    const std::string& word = options.args[i];
    const size_t equals = word.find('=');
    const xb::FieldDesc* field =
        equals == std::string::npos ? nullptr : FindField(area, text.FromUtf8(word.substr(0, equals)));
    const std::string stored =
        field == nullptr ? "" : StoredForm(*field, word.substr(equals + 1), text);
    if (stored.empty()) {
      xb::CloseDbf(area);
      return UsageError(field == nullptr ? "no such field: " + word : "bad value for its field: " + word);
    }
    std::copy(stored.begin(), stored.end(), area.record.begin() + field->offset);
  }
  if (!xb::AppendDbfRecord(area)) {
    const int status = EngineError();
    xb::CloseDbf(area);
    return status;
  }
  if (!xb::CloseDbf(area)) return EngineError();
  return kExitOk;
}

}  // namespace xbtool
