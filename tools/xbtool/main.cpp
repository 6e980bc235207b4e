// xbtool entry point: option parsing and dispatch to the command groups.
#include <cstdio>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

#include "engine/memo/memo_hooks.h"
#include "engine/table/error_state.h"
#include "engine/table/switches.h"
#include "platform/codepage.h"
#include "platform/file.h"
#include "tools/xbtool/commands.h"
#include "engine/index/expr_hooks.h"
#include "engine/index/index_hooks.h"
#include "engine/table/date_settings.h"
#include "tools/xbtool/eval_command.h"
#include "tools/xbtool/index_commands.h"
#include "tools/xbtool/memo_commands.h"
#include "tools/xbtool/table_commands.h"

namespace xbtool {
namespace {

const char kUsage[] =
    "usage: xbtool [--oem | --ansi] COMMAND TABLE ...\n"
    "  info TABLE                       header and field list\n"
    "  dump TABLE                       records as CSV; the first column (\"*\") holds\n"
    "                                   the deletion flag\n"
    "  create [--version 0xNN | --dbase4] [--force] TABLE NAME,TYPE,LEN[,DEC] ...\n"
    "                                   new empty table (dBASE III unless memo fields)\n"
    "  append TABLE FIELD=VALUE ...     add one record (under the append lock)\n"
    "  replace TABLE RECNO FIELD=VALUE ...\n"
    "                                   change fields of a record (under its record lock)\n"
    "  delete TABLE RECNO               mark a record deleted (under its record lock)\n"
    "  recall TABLE RECNO               undelete a record (under its record lock)\n"
    "  pack TABLE                       remove deleted records\n"
    "  locate TABLE FIELD VALUE [--nocase] [--exact]\n"
    "                                   first record whose FIELD matches VALUE\n"
    "  peek TABLE FIELD RECNO           one field as stored (FIELD 0: deletion flag)\n"
    "  dump --hide-deleted TABLE        live records only\n"
    "  dump --memo TABLE                memo fields show their text\n"
    "  dump --filter EXPR TABLE         only records for which EXPR is true\n"
    "  eval TABLE EXPR [RECNO]          value of a dBASE expression per record\n"
    "  index TABLE TAG,D,U,EXPR [FOR-EXPR] ...\n"
    "                                   build the production index (D descending,\n"
    "                                   U unique: T or F)\n"
    "  tags TABLE                       stored tag definitions\n"
    "  dump --order TAG TABLE           records in tag order\n"
    "  find TABLE TAG KEY [--exact]     record found by key, or \"not found\"\n"
    "  check TABLE                      verify every tag against the records\n"
    "  setmemo TABLE RECNO FIELD FILE   store FILE as the memo of one record\n"
    "  --oem                            table text is OEM 437 (default: as the table's\n"
    "                                   language driver byte says, else Windows-1252)\n"
    "  --ansi                           table text is Windows-1252 whatever the table says\n"
    "  --wait SECONDS                   how long editing commands wait for a lock another\n"
    "                                   program holds (default 10)\n";

}  // namespace

int UsageError(const std::string& message) {
  if (!message.empty()) std::cerr << "xbtool: " << message << "\n";
  std::cerr << kUsage;
  return kExitUsage;
}

int EngineError() {
  std::string text = xb::GetErrorText();
  if (text.empty()) text = "unknown engine error";
  std::cerr << text << "\n";
  return kExitEngineError;
}

// The table a command names: its first word that is an existing file,
// as given or with the extension DBF.
std::string NamedTable(const Options& options) {
  for (const std::string& arg : options.args) {
    if (arg.rfind("--", 0) == 0) continue;
    for (const std::string& name : {arg, arg + ".dbf", arg + ".DBF"})
      if (std::filesystem::is_regular_file(name)) return name;
  }
  return "";
}

// Without --oem or --ansi the table's language driver byte (header byte
// 29) picks the code page when it names one we can convert: tables other
// programs wrote in code page 437 or 866 then read as they were meant.
void CodePageFromLanguageDriver(Options& options) {
  const std::string table = NamedTable(options);
  if (table.empty()) return;
  std::ifstream in(table, std::ios::binary);
  char header[32] = {};
  if (!in.read(header, sizeof header)) return;
  switch (static_cast<uint8_t>(header[29])) {
    case 0x01:
      options.oem = true;
      platform::SetOemCodePage(platform::OemCodePage::k437);
      break;
    case 0x26:
    case 0x65:
      options.oem = true;
      platform::SetOemCodePage(platform::OemCodePage::k866);
      break;
    default:  // 0x03, 0x57 and unknown drivers: Windows-1252
      break;
  }
}

bool WaitForLock(bool (*take)(), int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  for (;;) {
    if (take()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

bool OpenTable(const std::string& path, int mode, xb::DbfFile& area) {
  area = xb::DbfFile{};
  area.file_name = path;
  area.file_mode = mode;
  area.oem = false;
  return xb::OpenDbf(area);
}

}  // namespace xbtool

namespace {

int Run(int argc, char** argv) {
  using namespace xbtool;
  xb::SetReportErrors(false);
  xb::MemoInit();
  xb::ExpressionInit();
  xb::IndexInit();
  // Dates come and go as YYYYMMDD: four-digit years keep every century.
  xb::CurrentDateSettings().century = true;
  Options options;
  std::string command;
  bool code_page_given = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--oem") {
      options.oem = true;
      code_page_given = true;
    } else if (arg == "--ansi") {
      options.oem = false;
      code_page_given = true;
    } else if (arg == "--wait") {
      char* end = nullptr;
      const long value = i + 1 < argc ? std::strtol(argv[++i], &end, 10) : -1;
      if (end == nullptr || *end != '\0' || value < 0 || value > 86400)
        return UsageError("--wait needs a number of seconds");
      options.wait_seconds = static_cast<int>(value);
    } else if (arg == "--dbase4") {
      options.version = 0x8B;
    } else if (arg == "--version") {
      if (i + 1 >= argc) return UsageError("--version needs a value");
      char* end = nullptr;
      const long value = std::strtol(argv[++i], &end, 0);
      if (*end != '\0' || value < 0 || value > 0xFF)
        return UsageError(std::string("bad version byte: ") + argv[i]);
      options.version = static_cast<int>(value);
    } else if (arg == "--help" || arg == "-h") {
      UsageError("");
      return kExitOk;
    } else if (command.empty()) {
      command = arg;
    } else {
      options.args.push_back(arg);
    }
  }
  if (!code_page_given && command != "create") CodePageFromLanguageDriver(options);
  // Commands that only read open every file read-only, so that they work
  // on tables the user may read but not write.
  for (const char* reader : {"info", "dump", "tags", "find", "check", "eval", "locate", "peek"})
    if (command == reader) xb::Switches().open_mode_override = platform::open_mode::kReadOnlyShared;
  if (command == "info") return InfoCommand(options);
  if (command == "dump") {
    if (HasOrderOption(options)) return RunDumpOrder(options);
    for (const std::string& arg : options.args)
      if (arg == "--hide-deleted") return DumpVisibleCommand(options);
    return DumpCommand(options);
  }
  if (command == "create") return CreateCommand(options);
  if (command == "append") return LockedAppendCommand(options);
  if (command == "replace") return ReplaceCommand(options);
  if (command == "delete") return DeleteCommand(options);
  if (command == "recall") return RecallCommand(options);
  if (command == "pack") return PackCommand(options);
  if (command == "locate") return LocateCommand(options);
  if (command == "peek") return PeekCommand(options);
  if (command == "index") return RunIndex(options);
  if (command == "tags") return RunTags(options);
  if (command == "find") return RunFind(options);
  if (command == "check") return RunCheck(options);
  if (command == "eval") return RunEval(options.args, options.oem);
  if (command == "setmemo") return RunSetMemo(options.args, options.oem, options.wait_seconds);
  return UsageError(command.empty() ? "no command given" : "unknown command: " + command);
}

}  // namespace

// No input may end the tool with an uncaught exception (and so a signal):
// whatever escapes a command is reported like any other failure.
int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    std::cerr << "xbtool: " << e.what() << "\n";
  } catch (...) {
    std::cerr << "xbtool: unexpected failure\n";
  }
  return xbtool::kExitEngineError;
}
