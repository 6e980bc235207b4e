#include "tools/xbtool/table_commands.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "engine/index/index_open.h"
#include "engine/table/dates.h"
#include "engine/table/field_info.h"
#include "engine/table/xbase.h"
#include "platform/codepage.h"
#include "tools/xbtool/table_text.h"
#include "tools/xbtool/value_checks.h"

namespace xbtool {
namespace {

// Splits the option words this group knows off the positional arguments.
struct Args {
  std::vector<std::string> words;
  bool nocase = false;
  bool exact = false;
  bool hide_deleted = false;
  std::string unknown;
};

Args Split(const Options& options) {
  Args a;
  for (const std::string& arg : options.args) {
    if (arg == "--nocase") a.nocase = true;
    else if (arg == "--exact") a.exact = true;
    else if (arg == "--hide-deleted") a.hide_deleted = true;
    else if (arg.rfind("--", 0) == 0) a.unknown = arg;
    else a.words.push_back(arg);
  }
  return a;
}

// Opens the table shared in a work area of its own; the engine converts
// OEM tables to ANSI, so the tool only converts between ANSI and UTF-8.
bool OpenShared(const Options& options, const std::string& table) {
  xb::Switches().ansi_tables = !options.oem;
  xb::Select(0);
  return xb::Use(table);
}

// OpenShared for a command that changes records: with the table's
// production index open too, so that appends and replaces keep every tag in
// step and Pack rebuilds them. Natural order keeps record numbers meaning
// what the user typed.
bool OpenForEditing(const Options& options, const std::string& table) {
  if (!OpenShared(options, table)) return false;
  if (!xb::HasProductionIndex()) return true;
  if (!xb::SetIndexTo("")) return false;
  xb::Set_Order_To(0);
  return xb::ErrorCode() == 0;
}

int Finish(int status) {
  xb::Unlock();
  xb::CloseAll();
  return status;
}

int Failed() { return Finish(EngineError()); }

int LockRefused(const std::string& what, int seconds) {
  std::cerr << "xbtool: " << what << " is locked by another program (waited " << seconds << " seconds)\n";
  return Finish(kExitEngineError);
}

bool ParseNumber(const std::string& text, int32_t& out) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
  out = static_cast<int32_t>(std::min(std::stoll(text), 0x7FFFFFFFLL));
  return true;
}

// A value from the command line as the SwapBuffer takes it.
std::string EngineValue(int field, const std::string& utf8) {
  if (xb::FieldType(field) == 'D') {
    std::string digits;
    for (char c : utf8)
      if (c != '-') digits += c;
    if (digits.size() == 8) return xb::DbfToDateText(digits);
  }
  return platform::Utf8ToAnsi(utf8);
}

// The current record as a CSV line (deletion flag first) with every field
// as stored (dates YYYYMMDD, numbers as written), like the plain dump.
std::string RecordLine() {
  const xb::DbfFile& dbf = xb::CurrentArea()->dbf;
  std::string line = xb::Deleted() ? "*" : "";
  for (const xb::FieldDesc& f : dbf.fields) {
    const std::string value(dbf.record.begin() + f.offset, dbf.record.begin() + f.offset + f.length);
    line += "," + CsvCell(platform::AnsiToUtf8(TrimRight(value)));
  }
  return line;
}

// Stores the FIELD=VALUE words from `first` on in the SwapBuffer; the
// usage message for the first word that does not fit, else "".
std::string Assign(const std::vector<std::string>& words, size_t first) {
  xb::WorkArea& area = *xb::CurrentArea();
  for (size_t i = first; i < words.size(); ++i) {
    const std::string& word = words[i];
    const size_t equals = word.find('=');
    const int field =
        equals == std::string::npos ? 0 : xb::FieldNo(platform::Utf8ToAnsi(word.substr(0, equals)));
    if (field == 0) return "no such field: " + word;
    const std::string value = word.substr(equals + 1);
    const std::string fault = CheckFieldValue(area.dbf.fields[field - 1], value, !xb::Switches().ansi_tables);
    if (!fault.empty()) return fault;
    if (!xb::PutSwapText(area, field, EngineValue(field, value))) return "value does not fit the field: " + word;
  }
  return "";
}

int SetDeletion(const Options& options, bool deleted) {
  const Args a = Split(options);
  int32_t rec = 0;
  if (a.words.size() != 2 || !ParseNumber(a.words[1], rec) || !a.unknown.empty())
    return UsageError(std::string(deleted ? "delete" : "recall") + " takes a table and a record number");
  if (!OpenForEditing(options, a.words[0])) return Failed();
  xb::Go(rec);
  if (xb::ErrorCode() != 0) return Failed();
  if (!WaitForLock(&xb::RLock, options.wait_seconds))
    return LockRefused("record " + a.words[1], options.wait_seconds);
  if (!(deleted ? xb::DeleteRec() : xb::RecallRec())) return Failed();
  return Finish(kExitOk);
}

}  // namespace

int LockedAppendCommand(const Options& options) {
  const Args a = Split(options);
  if (a.words.empty() || !a.unknown.empty()) return UsageError("append needs a table");
  if (!OpenForEditing(options, a.words[0])) return Failed();
  xb::ClearRecord();
  if (const std::string fault = Assign(a.words, 1); !fault.empty()) {
    xb::CloseAll();
    return UsageError(fault);
  }
  if (!WaitForLock(&xb::ALock, options.wait_seconds))
    return LockRefused("the table's append lock", options.wait_seconds);
  if (!xb::Append()) return Failed();
  std::cout << xb::RecNo() << "\n";
  return Finish(kExitOk);
}

int ReplaceCommand(const Options& options) {
  const Args a = Split(options);
  int32_t rec = 0;
  if (a.words.size() < 3 || !ParseNumber(a.words[1], rec) || !a.unknown.empty())
    return UsageError("replace takes a table, a record number and FIELD=VALUE ...");
  if (!OpenForEditing(options, a.words[0])) return Failed();
  xb::Go(rec);
  if (xb::ErrorCode() != 0) return Failed();
  if (!WaitForLock(&xb::RLock, options.wait_seconds))
    return LockRefused("record " + a.words[1], options.wait_seconds);
  // The record is read again under its lock: another program may have
  // changed it since Go.
  xb::Go(rec);
  if (xb::ErrorCode() != 0) return Failed();
  if (const std::string fault = Assign(a.words, 2); !fault.empty()) return Finish(UsageError(fault));
  if (!xb::Replace()) return Failed();
  return Finish(kExitOk);
}

int DeleteCommand(const Options& options) { return SetDeletion(options, true); }
int RecallCommand(const Options& options) { return SetDeletion(options, false); }

int PackCommand(const Options& options) {
  const Args a = Split(options);
  if (a.words.size() != 1 || !a.unknown.empty()) return UsageError("pack takes one table");
  if (!OpenForEditing(options, a.words[0])) return Failed();
  if (!xb::Pack()) {
    if (xb::ErrorCode() != 0) return Failed();
    std::cerr << "xbtool: " << a.words[0] << " is open in another program\n";
    return Finish(kExitEngineError);
  }
  std::cout << xb::RecCount() << "\n";
  return Finish(kExitOk);
}

int LocateCommand(const Options& options) {
  const Args a = Split(options);
  if (a.words.size() != 3 || !a.unknown.empty())
    return UsageError("locate takes a table, a field and a value");
  if (!OpenShared(options, a.words[0])) return Failed();
  const int field = xb::FieldNo(platform::Utf8ToAnsi(a.words[1]));
  const std::string value = field == 0 ? a.words[2] : EngineValue(field, a.words[2]);
  xb::ClearErrorCode();
  const bool found = xb::Locate(platform::Utf8ToAnsi(a.words[1]), {value}, a.nocase, a.exact);
  if (xb::ErrorCode() != 0) return Failed();
  if (!found) {
    std::cout << "not found\n";
    return Finish(kExitEngineError);
  }
  std::cout << xb::RecNo() << "\n" << RecordLine() << "\n";
  return Finish(kExitOk);
}

int PeekCommand(const Options& options) {
  const Args a = Split(options);
  int32_t rec = 0;
  if (a.words.size() != 3 || !ParseNumber(a.words[2], rec) || !a.unknown.empty())
    return UsageError("peek takes a table, a field and a record number");
  if (!OpenShared(options, a.words[0])) return Failed();
  int32_t field = 0;
  if (!ParseNumber(a.words[1], field)) field = xb::FieldNo(platform::Utf8ToAnsi(a.words[1]));
  if (field == 0 && a.words[1] != "0") {
    xb::CloseAll();
    return UsageError("no such field: " + a.words[1]);
  }
  if (field > static_cast<int32_t>(xb::CurrentArea()->dbf.fields.size())) {
    xb::CloseAll();
    return UsageError("no such field: " + a.words[1]);
  }
  if (rec < 1 || rec > xb::RecCount()) {
    std::cerr << "xbtool: record " << a.words[2] << " is outside the table (it has " << xb::RecCount()
              << " records)\n";
    return Finish(kExitEngineError);
  }
  const std::string raw = xb::Peek(field, rec);
  if (xb::ErrorCode() != 0) return Failed();
  // Peek gives the file's own bytes, in the table's code page.
  std::cout << (options.oem ? platform::OemToUtf8(raw) : platform::AnsiToUtf8(raw)) << "\n";
  return Finish(kExitOk);
}

int DumpVisibleCommand(const Options& options) {
  const Args a = Split(options);
  if (a.words.size() != 1 || !a.unknown.empty()) return UsageError("dump takes one table");
  if (!OpenShared(options, a.words[0])) return Failed();
  xb::SetIgnoreDel(a.hide_deleted);
  std::string line = "*";
  for (int f = 1; f <= xb::FieldCount(); ++f) line += "," + CsvCell(platform::AnsiToUtf8(xb::Field(f)));
  std::cout << line << "\n";
  for (xb::GoTop(); !xb::dEOF(); xb::Skip(1)) {
    if (xb::ErrorCode() != 0) return Failed();
    std::cout << RecordLine() << "\n";
  }
  return Finish(xb::ErrorCode() == 0 ? kExitOk : EngineError());
}

}  // namespace xbtool
