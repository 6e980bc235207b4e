// The read-only commands: info (header and fields) and dump (records as
// CSV). Tables are opened read-only and shared.
#include <cstdio>
#include <iostream>
#include <string>

#include "engine/table/error_state.h"
#include "platform/file.h"
#include "tools/xbtool/commands.h"
#include "tools/xbtool/eval_command.h"
#include "tools/xbtool/memo_commands.h"
#include "tools/xbtool/table_text.h"

namespace xbtool {
namespace {

std::string VersionName(uint8_t version) {
  switch (version) {
    case 0x02: return "dBASE II";
    case 0x03: return "dBASE III";
    case 0x83: return "dBASE III with memo";
    case 0x8B: return "dBASE IV with memo";
    case 0x04: return "dBASE 7";
    case 0x8C: return "dBASE 7 with memo";
    case 0xF5: return "FoxPro with memo";
    default: return "unknown";
  }
}

}  // namespace

int InfoCommand(const Options& options) {
  if (options.args.size() != 1) return UsageError("info takes one table");
  xb::DbfFile area;
  if (!OpenTable(options.args[0], platform::open_mode::kReadOnlyShared, area)) return EngineError();
  const TableText text(options.oem);
  char version[8];
  std::snprintf(version, sizeof version, "0x%02X", area.version);
  std::cout << "file: " << area.file_name << "\n"
            << "version: " << version << " (" << VersionName(area.version) << ")\n"
            << "last update: " << area.last_update << "\n"
            << "records: " << area.record_count << "\n"
            << "header length: " << area.header_length << "\n"
            << "record length: " << area.record_length << "\n"
            << "production index: " << (!area.is_dbase2() && area.header[28] != 0 ? "yes" : "no") << "\n"
            << "fields: " << area.fields.size() << "\n";
  for (const xb::FieldDesc& f : area.fields) {
    char line[64];
    std::snprintf(line, sizeof line, " %c %3d %2d", f.type, f.length, f.decimals);
    std::string name = text.ToUtf8(f.name);
    name.resize(std::max<size_t>(name.size(), 10), ' ');
    std::cout << "  " << name << line << "\n";
  }
  xb::CloseDbf(area);
  return kExitOk;
}

int DumpCommand(const Options& options) {
  std::vector<std::string> words;
  bool with_memo = false;
  std::string filter_text;
  for (size_t i = 0; i < options.args.size(); ++i) {
    const std::string& arg = options.args[i];
    if (arg == "--memo") {
      with_memo = true;
    } else if (arg == "--filter") {
      if (i + 1 == options.args.size()) return UsageError("--filter needs an expression");
      filter_text = options.args[++i];
    } else {
      words.push_back(arg);
    }
  }
  if (words.size() != 1) return UsageError("dump takes one table");
  xb::DbfFile area;
  if (!OpenTable(words[0], platform::open_mode::kReadOnlyShared, area)) return EngineError();
  DumpFilter filter;
  if (!filter_text.empty() && !filter.Compile(area, filter_text, options.oem)) {
    xb::CloseDbf(area);
    return EngineError();
  }
  std::unique_ptr<xb::MemoFile> memo;
  if (with_memo && area.has_memo) memo = OpenMemoForDump(area);
  const TableText text(options.oem);
  std::string line = "*";
  for (const xb::FieldDesc& f : area.fields) line += "," + CsvCell(text.ToUtf8(f.name));
  std::cout << line << "\n";
  for (int32_t n = 1; n <= area.record_count; ++n) {
    if (!xb::GetDbfRecord(area, n)) {
      std::cout.flush();
      const int status = EngineError();
      xb::CloseDbf(area);
      return status;
    }
    if (!filter_text.empty() && !filter.Passes(area, n)) continue;
    const std::string record(area.record.begin(), area.record.end());
    line = record[0] == '*' ? "*" : "";
    for (const xb::FieldDesc& f : area.fields) {
      std::string stored = record.substr(f.offset, f.length);
      std::string memo_text;
      if (memo && f.type == 'M' && MemoTextFor(*memo, stored, memo_text)) {
        line += "," + CsvCell(text.ToUtf8(memo_text));
        continue;
      }
      line += "," + CsvCell(TrimRight(text.ToUtf8(stored)));
    }
    std::cout << line << "\n";
  }
  xb::CloseDbf(area);
  return kExitOk;
}

}  // namespace xbtool
