#include "tools/xbtool/index_commands.h"

#include <cctype>
#include <iostream>
#include <string>
#include <vector>

#include "engine/index/expr_hooks.h"
#include "engine/index/index_build.h"
#include "engine/index/index_check.h"
#include "engine/index/index_hooks.h"
#include "engine/index/index_open.h"
#include "engine/index/index_search.h"
#include "engine/table/files.h"
#include "engine/table/xbase.h"
#include "platform/codepage.h"
#include "tools/xbtool/table_text.h"

namespace xbtool {
namespace {

// Opens the table in work area 1 with the engine's index and expression
// layers present; the tool gives the engine ANSI or OEM text as asked.
bool OpenForIndex(const Options& options, const std::string& table, bool exclusive) {
  xb::ExpressionInit();
  xb::IndexInit();
  xb::Switches().ansi_tables = !options.oem;
  xb::Select(1);
  return xb::Use(table + (exclusive ? " EXCLUSIVE" : ""));
}

std::string HeaderLine(const TableText& text) {
  xb::WorkArea* area = xb::CurrentArea();
  std::string line = "*";
  for (const xb::FieldDesc& f : area->dbf.fields) line += "," + CsvCell(text.ToUtf8(f.name));
  return line;
}

std::string RecordLine(const TableText& text) {
  xb::WorkArea* area = xb::CurrentArea();
  const std::string record(area->dbf.record.begin(), area->dbf.record.end());
  std::string line = record[0] == '*' ? "*" : "";
  for (const xb::FieldDesc& f : area->dbf.fields)
    line += "," + CsvCell(TrimRight(text.ToUtf8(record.substr(f.offset, f.length))));
  return line;
}

int Finish(int status) {
  xb::CloseAll();
  return status;
}

int Failed() { return Finish(EngineError()); }

bool IsFlag(const std::string& s) { return s == "T" || s == "F" || s == "t" || s == "f"; }

// "NAME,D,U,expression" with a plausible name and T/F flags.
bool LooksLikeDefinition(const std::string& arg) {
  const size_t p1 = arg.find(','), p2 = arg.find(',', p1 + 1), p3 = arg.find(',', p2 + 1);
  if (p1 == std::string::npos || p2 == std::string::npos || p3 == std::string::npos) return false;
  const std::string name = arg.substr(0, p1);
  if (name.empty() || name.size() > 10) return false;
  for (char c : name)
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
  return IsFlag(arg.substr(p1 + 1, p2 - p1 - 1)) && IsFlag(arg.substr(p2 + 1, p3 - p2 - 1));
}

// Opens the table and its production index with `tag` controlling.
bool OpenOrdered(const Options& options, const std::string& table, const std::string& tag) {
  if (!OpenForIndex(options, table, false)) return false;
  if (!xb::SetIndexTo("")) return false;
  return xb::SetOrderToTag(tag);
}

}  // namespace

int RunIndex(const Options& options) {
  if (options.args.size() < 2) return UsageError("index takes a table and at least one TAG,D,U,EXPR");
  const TableText text(options.oem);
  std::vector<xb::TagDefinition> definitions;
  for (size_t i = 1; i < options.args.size(); ++i) {
    const std::string& arg = options.args[i];
    if (LooksLikeDefinition(arg)) {
      xb::TagDefinition def;
      xb::ParseTagDefinition(text.FromUtf8(arg), "", def);
      definitions.push_back(def);
    } else if (!definitions.empty() && definitions.back().for_expression.empty()) {
      definitions.back().for_expression = text.FromUtf8(arg);
    } else {
      return UsageError("not a tag definition: " + arg);
    }
  }
  // A second tag of the same name would silently replace the first.
  for (size_t i = 0; i < definitions.size(); ++i)
    for (size_t j = 0; j < i; ++j)
      if (platform::AnsiUpper(definitions[i].name) == platform::AnsiUpper(definitions[j].name))
        return UsageError("tag name given twice: " + text.ToUtf8(definitions[i].name));
  if (!OpenForIndex(options, options.args[0], true)) return Failed();
  xb::ClearErrorCode();
  if (!xb::MakeIndex(definitions, "")) return Failed();
  xb::SetProductionIndexFlag(true);
  std::cout << definitions.size() << (definitions.size() == 1 ? " tag" : " tags") << " built\n";
  return Finish(kExitOk);
}

int RunTags(const Options& options) {
  if (options.args.size() != 1) return UsageError("tags takes one table");
  if (!OpenForIndex(options, options.args[0], false)) return Failed();
  const TableText text(options.oem);
  const std::string name = xb::IndexFileNameFor(*xb::CurrentArea(), "");
  if (!xb::FileExists(name)) {
    std::cerr << "xbtool: no index file " << name << "\n";
    return Finish(kExitEngineError);
  }
  for (const std::string& line : xb::ReadTagDefinitions("")) std::cout << text.ToUtf8(line) << "\n";
  return Finish(xb::ErrorCode() == 0 ? kExitOk : EngineError());
}

bool HasOrderOption(const Options& options) {
  for (const std::string& arg : options.args)
    if (arg == "--order") return true;
  return false;
}

int RunDumpOrder(const Options& options) {
  std::string table, tag;
  for (size_t i = 0; i < options.args.size(); ++i) {
    if (options.args[i] == "--order") {
      if (i + 1 >= options.args.size()) return UsageError("--order needs a tag name");
      tag = options.args[++i];
    } else if (table.empty()) {
      table = options.args[i];
    } else {
      return UsageError("dump takes one table");
    }
  }
  if (table.empty()) return UsageError("dump takes one table");
  if (!OpenOrdered(options, table, tag)) return Failed();
  const TableText text(options.oem);
  std::cout << HeaderLine(text) << "\n";
  xb::GoTop();
  while (!xb::dEOF() && xb::ErrorCode() == 0) {
    std::cout << RecordLine(text) << "\n";
    xb::Skip(1);
  }
  return Finish(xb::ErrorCode() == 0 ? kExitOk : EngineError());
}

int RunFind(const Options& options) {
  std::vector<std::string> args;
  bool exact = false;
  for (const std::string& arg : options.args) {
    if (arg == "--exact")
      exact = true;
    else
      args.push_back(arg);
  }
  if (args.size() != 3) return UsageError("find takes a table, a tag and a key");
  if (!OpenOrdered(options, args[0], args[1])) return Failed();
  const TableText text(options.oem);
  const std::string key = text.FromUtf8(args[2]);
  xb::ClearErrorCode();
  const bool found = exact ? xb::FindExact(key) : xb::Find(key);
  if (xb::ErrorCode() != 0) return Failed();
  if (found)
    std::cout << xb::RecNo() << "," << RecordLine(text) << "\n";
  else
    std::cout << "not found\n";
  return Finish(kExitOk);
}

int RunCheck(const Options& options) {
  if (options.args.size() != 1) return UsageError("check takes one table");
  if (!OpenForIndex(options, options.args[0], false)) return Failed();
  if (!xb::SetIndexTo("")) return Failed();
  const std::vector<std::string> faults = xb::VerifyIndexFile(*xb::CurrentArea());
  if (faults.empty()) {
    std::cout << "OK\n";
    return Finish(kExitOk);
  }
  for (const std::string& fault : faults) std::cout << fault << "\n";
  return Finish(kExitEngineError);
}

}  // namespace xbtool
