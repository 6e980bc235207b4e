// xbtool entry point: option parsing and dispatch to the command groups.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "engine/table/error_state.h"
#include "platform/codepage.h"
#include "tools/xbtool/commands.h"

namespace xbtool {
namespace {

const char kUsage[] =
    "usage: xbtool [--oem] COMMAND TABLE ...\n"
    "  info TABLE                       header and field list\n"
    "  dump TABLE                       records as CSV; the first column (\"*\") holds\n"
    "                                   the deletion flag\n"
    "  create [--version 0xNN | --dbase4] TABLE NAME,TYPE,LEN[,DEC] ...\n"
    "                                   new empty table (dBASE III unless memo fields)\n"
    "  append TABLE FIELD=VALUE ...     add one record\n"
    "  --oem                            table text is OEM 437 (default Windows-1252)\n";

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

bool OpenTable(const std::string& path, int mode, xb::DbfFile& area) {
  area = xb::DbfFile{};
  area.file_name = path;
  area.file_mode = mode;
  area.oem = false;
  return xb::OpenDbf(area);
}

}  // namespace xbtool

int main(int argc, char** argv) {
  using namespace xbtool;
  xb::SetReportErrors(false);
  Options options;
  std::string command;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--oem") {
      options.oem = true;
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
  if (command == "info") return InfoCommand(options);
  if (command == "dump") return DumpCommand(options);
  if (command == "create") return CreateCommand(options);
  if (command == "append") return AppendCommand(options);
  return UsageError(command.empty() ? "no command given" : "unknown command: " + command);
}
