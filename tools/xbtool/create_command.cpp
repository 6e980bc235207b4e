// The create command: a new empty table from NAME,TYPE,LEN[,DEC] words.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "engine/table/error_state.h"
#include "engine/table/files.h"
#include "engine/table/switches.h"
#include "tools/xbtool/commands.h"
#include "tools/xbtool/table_text.h"
#include "tools/xbtool/value_checks.h"

namespace xbtool {
namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1)
    parts.push_back(text.substr(start, at - start));
  parts.push_back(text.substr(start));
  return parts;
}

bool ParseByte(const std::string& text, uint8_t& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || value < 0 || value > 255) return false;
  out = static_cast<uint8_t>(value);
  return true;
}

// D, L and memo fields have fixed lengths, so LEN may be left out for them.
bool ParseField(const std::string& word, const TableText& text, xb::FieldDesc& field) {
  const std::vector<std::string> parts = Split(word, ',');
  if (parts.size() < 2 || parts.size() > 4 || parts[1].size() != 1) return false;
  field.name = text.FromUtf8(parts[0]);
  field.type = parts[1][0];
  field.length = 0;
  field.decimals = 0;
  if (parts.size() >= 3 && !ParseByte(parts[2], field.length)) return false;
  if (parts.size() == 4 && !ParseByte(parts[3], field.decimals)) return false;
  return true;
}

// --force: the old table goes, and its memo and index files with it, so
// the new table does not inherit a memo or index that belongs to another
// layout. Each is erased only when nobody has it open.
bool RemoveOldTable(const std::string& table) {
  for (const char* ext : {"", "DBT", "FPT", "MDX"}) {
    const std::string name = *ext == '\0' ? table : xb::SiblingFileName(table, ext);
    if (!xb::FileExists(name)) continue;
    if (const int rc = xb::EraseFile(name); rc != 0) {
      xb::SetError(rc, "Cannot remove " + name + " (open in another program?) [create --force]");
      return false;
    }
  }
  return true;
}

}  // namespace

int CreateCommand(const Options& options) {
  std::vector<std::string> words;
  bool force = false;
  for (const std::string& arg : options.args) {
    if (arg == "--force") force = true;
    else words.push_back(arg);
  }
  if (words.size() < 2) return UsageError("create needs a table and at least one field");
  const TableText text(options.oem);
  std::vector<xb::FieldDesc> fields;
  for (size_t i = 1; i < words.size(); ++i) {
    xb::FieldDesc field;
    if (!ParseField(words[i], text, field)) return UsageError("bad field definition: " + words[i]);
    fields.push_back(field);
  }
  if (const std::string fault = CheckFieldDefinitions(fields); !fault.empty()) return UsageError(fault);
  const std::string table = xb::DefaultExt(words[0], "DBF");
  if (xb::FileExists(table)) {
    if (!force) {
      std::cerr << "xbtool: " << words[0] << " exists; --force replaces it (with its memo and index files)\n";
      return kExitEngineError;
    }
    if (!RemoveOldTable(table)) return EngineError();
  }
  if (options.version >= 0) xb::Switches().default_version = static_cast<uint8_t>(options.version);
  xb::DbfFile area;
  if (!xb::CreateDbf(area, words[0], fields)) return EngineError();
  return kExitOk;
}

}  // namespace xbtool
