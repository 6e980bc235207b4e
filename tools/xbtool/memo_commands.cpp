#include "tools/xbtool/memo_commands.h"

#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

#include "engine/memo/memo_blob.h"
#include "engine/memo/memo_hooks.h"
#include "engine/table/xbase.h"
#include "platform/codepage.h"
#include "tools/xbtool/commands.h"
#include "platform/file.h"

namespace xbtool {
namespace {

int Failed(const std::string& fallback) {
  std::string text = xb::GetErrorText();
  std::cerr << (text.empty() ? fallback : text) << "\n";
  return 1;
}

}  // namespace

std::unique_ptr<xb::MemoFile> OpenMemoForDump(const xb::DbfFile& table) {
  if (!table.has_memo) return nullptr;
  const uint8_t kind = xb::MemoKindOf(table.version);
  auto memo = xb::MemoFile::Open(xb::MemoFileNameFor(table.file_name, kind), kind,
                                 platform::open_mode::kReadOnlyShared);
  if (!memo.ok()) {
    std::cerr << memo.status().text() << "\n";
    return nullptr;
  }
  return std::move(*memo);
}

bool MemoTextFor(xb::MemoFile& memo, const std::string& field_text, std::string& out) {
  const long block = std::strtol(field_text.c_str(), nullptr, 10);
  out.clear();
  if (block == 0) return true;
  auto text = memo.ReadMemo(static_cast<uint32_t>(std::labs(block)));
  if (!text.ok()) {
    out = text.status().text();
    return false;
  }
  out = std::move(*text);
  return true;
}

namespace {

bool IsUtf8(const std::string& bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    const unsigned char lead = static_cast<unsigned char>(bytes[i]);
    size_t extra = 0;
    if (lead < 0x80) extra = 0;
    else if ((lead >> 5) == 0x6) extra = 1;
    else if ((lead >> 4) == 0xE) extra = 2;
    else if ((lead >> 3) == 0x1E) extra = 3;
    else return false;
    if (i + extra >= bytes.size() && extra > 0) return false;
    for (size_t k = 1; k <= extra; ++k)
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
    i += extra + 1;
  }
  return true;
}

}  // namespace

int RunSetMemo(const std::vector<std::string>& args, bool oem, int wait_seconds) {
  if (args.size() != 4) {
    std::cerr << "usage: xbtool setmemo TABLE RECNO FIELD FILE\n";
    return 2;
  }
  const std::string& table = args[0];
  const long recno = std::strtol(args[1].c_str(), nullptr, 10);
  // A folder opens as a stream on Linux and then fails while read.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(args[3], ec)) {
    std::cerr << "cannot read " << args[3] << ": not a file\n";
    return 1;
  }
  std::ifstream in(args[3], std::ios::binary);
  if (!in) {
    std::cerr << "cannot read " << args[3] << "\n";
    return 1;
  }
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  // Text goes in as UTF-8 like everywhere in the tool; anything that is not
  // UTF-8 (a picture, text already in the table's code page) is stored as
  // it stands.
  if (IsUtf8(bytes)) bytes = platform::Utf8ToAnsi(bytes);
  if (bytes.size() > 0x7FFFFFF0u) {
    std::cerr << args[3] << " is too large for a memo\n";
    return 1;
  }

  xb::MemoInit();
  xb::Switches().ansi_tables = !oem;
  if (!xb::Use(table)) return Failed("cannot open " + table);
  xb::WorkArea& area = *xb::CurrentArea();
  int field = 0;
  for (size_t i = 0; i < area.dbf.fields.size(); ++i)
    if (area.dbf.fields[i].name == platform::AnsiUpper(args[2])) field = static_cast<int>(i) + 1;
  if (field == 0 || area.dbf.fields[field - 1].type != 'M') {
    xb::CloseArea();
    std::cerr << args[2] << " is not a memo field of " << table << "\n";
    return 2;
  }
  if (recno < 1 || recno > xb::RecCount()) {
    xb::CloseArea();
    std::cerr << "no record " << args[1] << " in " << table << "\n";
    return 1;
  }
  xb::Go(static_cast<int32_t>(recno));
  if (!xbtool::WaitForLock(&xb::RLock, wait_seconds)) {
    int rc = Failed("record " + args[1] + " is locked by another program");
    xb::CloseArea();
    return rc;
  }
  // An open-ended write appends and leaves the old memo alone until the
  // record names the new one; the next pack gives its blocks back.
  int rc = 0;
  const int32_t block = xb::CreateBlobDescriptor(oem, 0, 2);
  if (block == 0) {
    rc = Failed("cannot write the memo");
  } else {
    size_t done = 0;
    while (rc == 0 && done < bytes.size()) {
      const int32_t piece = static_cast<int32_t>(std::min<size_t>(bytes.size() - done, 1 << 20));
      if (xb::WriteBlobStream(bytes.data() + done, piece) != piece) rc = Failed("memo write failed");
      done += static_cast<size_t>(piece);
    }
    if (!xb::DestroyBlobDescriptor() && rc == 0) rc = Failed("memo write failed");
    if (rc == 0) {
      xb::PutSwapMemoBlock(area, field, block);
      if (!xb::Replace()) rc = Failed("cannot store the record");
    }
  }
  xb::Unlock();
  xb::CloseArea();
  return rc;
}

}  // namespace xbtool
