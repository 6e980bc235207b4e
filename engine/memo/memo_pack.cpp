#include "engine/memo/memo_pack.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/memo/memo_state.h"
#include "engine/table/peek_poke.h"
#include "engine/table/swap_values.h"
#include "platform/file.h"

namespace xb {
namespace {

struct NewNumber {
  int32_t record = 0;
  int field_no = 0;  // 1-based
  int32_t block = 0;
};

int32_t ParseBlock(const std::string& raw) {
  size_t b = raw.find_first_not_of(' ');
  if (b == std::string::npos) return 0;
  std::string digits = raw.substr(b, 10);
  while (!digits.empty() && digits.back() == ' ') digits.pop_back();
  return static_cast<int32_t>(std::strtol(digits.c_str(), nullptr, 10));
}

std::string RightAligned(int32_t value) {
  std::string text = std::to_string(value);
  return text.size() >= 10 ? text : std::string(10 - text.size(), ' ') + text;
}

std::string TempName(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  size_t dot = path.find_last_of('.');
  bool has_ext = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (has_ext ? path.substr(0, dot) : path) + ".$$$";
}

Status WriteField(WorkArea& area, const NewNumber& n) {
  const FieldDesc& f = area.dbf.fields[n.field_no - 1];
  std::string text = RightAligned(n.block);
  text.resize(f.length, ' ');
  uint64_t at = RecordPosition(area.dbf, n.record) + f.offset;
  if (int rc = area.dbf.file->WriteAt(at, {reinterpret_cast<const uint8_t*>(text.data()), text.size()}); rc != 0)
    return Status(1005, area.dbf.file_name + " [PackMemo]");
  return Status::OK();
}

// Copies every referenced memo; the table is not touched.
Result<std::vector<NewNumber>> CopyAll(WorkArea& area, MemoFile& from, MemoFile& to) {
  std::vector<NewNumber> numbers;
  for (int32_t rec = 1; rec <= area.dbf.record_count; ++rec) {
    for (size_t i = 0; i < area.dbf.fields.size(); ++i) {
      if (area.dbf.fields[i].type != 'M') continue;
      const int field_no = static_cast<int>(i) + 1;
      Result<std::string> raw = PeekIn(area, field_no, rec);
      if (!raw.ok()) return raw.status();
      int32_t old = ParseBlock(*raw);
      if (old == 0) continue;
      Result<int32_t> block = CopyMemo(from, old, to);
      if (!block.ok() && block.status().code() != 1003) return block.status();
      if (!block.ok())
        SetError(1003, from.path() + " Memo block # " + std::to_string(old) + " Record # " +
                           std::to_string(rec) + " [PackMemo]");
      numbers.push_back({rec, field_no, block.ok() ? *block : 0});
    }
  }
  return numbers;
}

}  // namespace

Result<int32_t> CopyMemo(MemoFile& from, int32_t block, MemoFile& to) {
  uint32_t b = block < 0 ? 0u - static_cast<uint32_t>(block) : static_cast<uint32_t>(block);
  Result<MemoSpan> span = from.Locate(b);
  if (!span.ok()) return span.status();
  if (from.flavor() == MemoFlavor::kDbase4 && span->header_size == 0)
    return Status(1003, from.path() + " Memo block # " + std::to_string(b) + " has no memo header");
  Result<std::string> data = from.ReadMemo(b);
  if (!data.ok()) return data.status().code() == 1003 ? data.status() : Status(1005, to.path() + " [AppendFrom/CopyTo]");
  // A raw dBASE III memo ends at its first 0x00 as well.
  if (span->header_size == 0) {
    size_t nul = data->find('\0');
    if (nul != std::string::npos) data->resize(nul);
  }
  Result<int32_t> copied = to.WriteMemo(0, *data, "AppendFrom/CopyTo", span->type);
  if (!copied.ok()) return Status(1005, to.path() + " [AppendFrom/CopyTo]");
  return copied;
}

bool PackMemofile(WorkArea& area) {
  MemoState* memo = MemoStateOf(area);
  if (memo == nullptr) return true;
  MemoFile& old_file = *memo->file;
  const std::string path = old_file.path();
  const uint8_t kind = old_file.kind();
  const int block_size = static_cast<int>(old_file.block_size());
  memo->blob.Reset();

  Result<uint64_t> old_size = old_file.Size();
  if (!old_size.ok()) return Fail(old_size.status());
  uint64_t free_bytes = 0;
  if (platform::Files().DiskFreeBytes(path, free_bytes) == 0 && free_bytes / 1024 < *old_size / 1024)
    return Fail(Status(1012, path + " [PackMemofile]"));

  const std::string temp = TempName(path);
  if (Status s = MemoFile::Create(temp, kind, block_size, "PackMemofile"); !s.ok()) return Fail(s);
  Result<std::unique_ptr<MemoFile>> fresh = MemoFile::Open(temp, kind, platform::open_mode::kExclusive);
  if (!fresh.ok()) {
    (void)platform::Files().Delete(temp);
    return Fail(Status(fresh.status().code(), path + " [PackMemo]"));
  }
  Result<std::vector<NewNumber>> numbers = CopyAll(area, old_file, **fresh);
  Status closed = numbers.ok() ? (*fresh)->Flush() : Status::OK();
  (void)(*fresh)->Close();
  fresh->reset();
  if (!numbers.ok() || !closed.ok()) {
    (void)platform::Files().Delete(temp);
    return Fail(numbers.ok() ? Status(closed.code(), path + " [PackMemo]") : numbers.status());
  }

  for (const NewNumber& n : *numbers)
    if (Status s = WriteField(area, n); !s.ok()) return Fail(s);
  (void)area.dbf.file->Flush();

  (void)old_file.Close();
  area.memo.reset();
  // The rename replaces the old memo file in one step, so a crash here
  // leaves either the old or the packed file, never none.
  if (int rc = platform::Files().Rename(temp, path); rc != 0)
    return Fail(Status(rc, "Memo file not found: " + path + " [PackMemofile]"));
  Result<std::unique_ptr<MemoFile>> reopened = MemoFile::Open(path, kind, MemoOpenMode(area));
  if (!reopened.ok())
    return Fail(Status(reopened.status().code(), "Memo file not found: " + path + " [PackMemofile]"));
  auto state = std::make_unique<MemoState>();
  state->file = std::move(*reopened);
  area.memo = std::move(state);

  const int32_t current = area.dbf.current_record;
  for (const NewNumber& n : *numbers) {
    if (n.record != current || area.dbf.record.empty()) continue;
    const FieldDesc& f = area.dbf.fields[n.field_no - 1];
    std::string text = RightAligned(n.block);
    text.resize(f.length, ' ');
    std::memcpy(area.dbf.record.data() + f.offset, text.data(), text.size());
    (void)PutSwapMemoBlock(area, n.field_no, n.block);
  }
  return true;
}

}  // namespace xb
