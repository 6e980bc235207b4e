#pragma once
// xbtool: a command-line window on table files, for people and for the
// interoperability tests. Each command group lives in its own file; they
// share the parsed options and the helpers below.
//
// Exit status: 0 success, 1 engine error (text on stderr), 2 usage error.
#include <string>
#include <vector>

#include "engine/table/dbf_file.h"

namespace xbtool {

inline constexpr int kExitOk = 0;
inline constexpr int kExitEngineError = 1;
inline constexpr int kExitUsage = 2;

struct Options {
  bool oem = false;      // the table's text is OEM 437 rather than Windows-1252
  int version = -1;      // version byte for create; -1 = engine default
  int wait_seconds = 10; // how long editing commands wait for a lock another program holds
  std::vector<std::string> args;  // after the command word
};

int InfoCommand(const Options& options);
int DumpCommand(const Options& options);
int CreateCommand(const Options& options);

// Prints the engine's pending error (code line and text) to stderr and
// returns kExitEngineError.
int EngineError();
// Prints `message` and the usage text to stderr and returns kExitUsage.
int UsageError(const std::string& message);
// Opens `path` into `area` with `mode`; the tool converts text itself, so
// the engine's OEM translation stays off.
bool OpenTable(const std::string& path, int mode, xb::DbfFile& area);
// Tries `take` (a lock request that does not wait) until it succeeds or
// `seconds` have passed, pausing briefly between tries: the other program
// holds its lock only for its own write.
bool WaitForLock(bool (*take)(), int seconds);

}  // namespace xbtool
