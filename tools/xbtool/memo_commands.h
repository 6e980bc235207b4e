#pragma once
// xbtool's memo commands: the memo text behind a memo field for `dump
// --memo`, and `setmemo TABLE RECNO FIELD FILE`, which stores a file's bytes
// as the memo of one record under a record lock. Packing the memo file needs
// nothing here: once MemoInit() has run, the engine's Pack packs it too.
#include <memory>
#include <string>
#include <vector>

#include "engine/memo/memo_file.h"
#include "engine/table/dbf_file.h"

namespace xbtool {

// Opens the memo file beside `table` for reading, shared with other
// programs. nullptr (message on stderr) when the table has no memo file or
// it cannot be opened.
std::unique_ptr<xb::MemoFile> OpenMemoForDump(const xb::DbfFile& table);

// The memo that a memo field's stored text (its block number) refers to;
// "" for a blank or 0 field. False with a message in `out` when the memo
// cannot be read.
bool MemoTextFor(xb::MemoFile& memo, const std::string& field_text, std::string& out);

// setmemo TABLE RECNO FIELD FILE: `args` are the four words after the
// command. With `oem` the file's Windows-1252 text is stored as OEM text.
// Returns the tool's exit status.
int RunSetMemo(const std::vector<std::string>& args, bool oem = false, int wait_seconds = 10);

}  // namespace xbtool
