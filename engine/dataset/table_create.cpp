// TXbDataSet: creating a missing table from its DbfFields lines.
#include "engine/dataset/ucommon.h"

#include <cstdio>

#include "engine/table/numbers.h"
#include "engine/table/strings.h"
#include "engine/table/xbase.h"

namespace xb {

// ---- Creating the table ----

bool TXbDataSet::ParseDbfFieldLine(const std::string& line, TDbfFieldDef& def) {
  size_t commas = 0;
  for (char c : line) commas += c == ',';
  if (commas != 3) return false;
  std::vector<std::string> items;
  size_t start = 0;
  for (int i = 0; i < 3; ++i) {
    const size_t comma = line.find(',', start);
    items.push_back(TrimAll(line.substr(start, comma - start)));
    start = comma + 1;
  }
  items.push_back(TrimAll(line.substr(start)));
  def.name = items[0].substr(0, 10);
  def.type = items[1].empty() ? ' ' : items[1][0];
  def.length = static_cast<uint8_t>(ParseSmallInt(items[2]));
  def.decimals = static_cast<uint8_t>(ParseSmallInt(items[3]));
  return true;
}

TDbfFieldDef TXbDataSet::CorrectFieldDef(const std::string& component, const TDbfFieldDef& given,
                                        std::string& message) {
  TDbfFieldDef fixed = given;
  message.clear();
  if (fixed.type == 'B' || fixed.type == 'G' || fixed.type == 'P') fixed.type = 'M';
  if (std::string("CDFLMN").find(fixed.type) == std::string::npos || fixed.type == '\0') fixed.type = 'C';
  if (fixed.type == 'N') {
    if (fixed.length > 20) fixed.length = 20;
    if (fixed.decimals > 18) fixed.decimals = 18;
    // An N field shorter than 2 cannot carry decimals at all.
    if (fixed.decimals != 0 && given.length < 2) fixed.decimals = 0;
    else if (fixed.decimals != 0 && given.length - fixed.decimals < 2) fixed.decimals = static_cast<uint8_t>(given.length - 2);
  }
  if (fixed.type == 'C' && fixed.length == 255) {
    fixed.length = 254;
    fixed.decimals = 0;
  }
  if (fixed.type != given.type || fixed.length != given.length || fixed.decimals != given.decimals) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "Invalid field definition for %s: %s,%c,%d,%d. Will use corrected definition: %s,%c,%d,%d",
                  component.c_str(), given.name.c_str(), given.type, given.length, given.decimals,
                  fixed.name.c_str(), fixed.type, fixed.length, fixed.decimals);
    message = text;
  }
  return fixed;
}

bool TXbDataSet::CreateTableFromDbfFields() {
  if (!dbf_fields_assigned_) {
    ShowDatasetMessage("DbfFieldList is Nil trying to create a database");
    return false;
  }
  if (dbf_fields_.empty()) {
    ShowDatasetMessage("FieldList.Count is <= 0 trying to create a database");
    return false;
  }
  std::vector<FieldDesc> fields;
  for (const std::string& line : dbf_fields_) {
    TDbfFieldDef def;
    if (!ParseDbfFieldLine(line, def)) return false;
    if (def.type == 'X') continue;
    std::string message;
    def = CorrectFieldDef(Name(), def, message);
    if (!message.empty()) ShowDatasetMessage(message);
    FieldDesc fd;
    fd.name = def.name;
    fd.type = def.type;
    fd.length = def.length;
    fd.decimals = def.decimals;
    fields.push_back(fd);
  }
  const bool previous = SetReportErrors(false);
  ClearErrorCode();
  DbfFile scratch;
  CreateDbf(scratch, dbf_file_name_, fields);
  SetReportErrors(previous);
  return ErrorCode() == 0;
}

}  // namespace xb
