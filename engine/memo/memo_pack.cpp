#include "engine/memo/memo_pack.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/memo/memo_state.h"
#include "engine/table/dbf_file.h"
#include "engine/table/work_area.h"
#include "platform/file.h"

namespace xb {
namespace {

// Unreadable memos named in the refusal; the rest are counted.
constexpr size_t kNamedRecords = 20;

int32_t ParseBlock(const uint8_t* text, size_t length) {
  std::string raw(reinterpret_cast<const char*>(text), std::min<size_t>(length, 10));
  size_t b = raw.find_first_not_of(' ');
  if (b == std::string::npos) return 0;
  return static_cast<int32_t>(std::strtol(raw.c_str() + b, nullptr, 10));
}

void PutBlock(uint8_t* field, size_t length, int32_t block) {
  std::string text = std::to_string(block);
  if (text.size() < 10) text.insert(0, 10 - text.size(), ' ');
  text.resize(length, ' ');
  std::memcpy(field, text.data(), length);
}

struct Unreadable {
  int32_t record = 0;
  std::string field;
  int32_t block = 0;
};

class FileRepacker : public MemoRepacker {
 public:
  FileRepacker(const DbfFile& dbf, MemoFile& from, std::unique_ptr<MemoFile> to, std::string side)
      : dbf_(dbf), from_(from), to_(std::move(to)), side_(std::move(side)), target_(from.path()) {}
  ~FileRepacker() override {
    if (to_ != nullptr) (void)to_->Close();
  }

  Status CopyMemos(std::span<uint8_t> image, int32_t record) override {
    for (const FieldDesc& f : dbf_.fields) {
      if (f.type != 'M') continue;
      uint8_t* field = image.data() + f.offset;
      const int32_t old = ParseBlock(field, f.length);
      if (old == 0) continue;
      Result<int32_t> block = CopyMemo(from_, old, *to_);
      if (!block.ok() && block.status().code() == 1003) {
        unreadable_.push_back({record, f.name, old});
        continue;
      }
      if (!block.ok()) return block.status();
      PutBlock(field, f.length, *block);
    }
    return Status::OK();
  }

  Status Finish() override {
    if (!unreadable_.empty()) return Refusal();
    Status flushed = to_->Flush();
    Status closed = to_->Close();
    to_.reset();
    if (!flushed.ok()) return Status(flushed.code(), target_ + " [PackMemo]");
    if (!closed.ok()) return Status(closed.code(), target_ + " [PackMemo]");
    return Status::OK();
  }

  const std::string& side_name() const override { return side_; }
  const std::string& target_name() const override { return target_; }

 private:
  Status Refusal() const {
    std::string list;
    for (size_t i = 0; i < unreadable_.size() && i < kNamedRecords; ++i) {
      const Unreadable& u = unreadable_[i];
      list += (i == 0 ? "" : ", ") + std::string("Record # ") + std::to_string(u.record) + " (" + u.field +
              " block " + std::to_string(u.block) + ")";
    }
    if (unreadable_.size() > kNamedRecords)
      list += " and " + std::to_string(unreadable_.size() - kNamedRecords) + " more";
    return Status(1003, target_ + ": memos that cannot be read: " + list +
                            "; nothing was packed [PackMemo]");
  }

  const DbfFile& dbf_;
  MemoFile& from_;
  std::unique_ptr<MemoFile> to_;
  std::string side_;
  std::string target_;
  std::vector<Unreadable> unreadable_;
};

}  // namespace

Result<int32_t> CopyMemo(MemoFile& from, int32_t block, MemoFile& to) {
  uint32_t b = block < 0 ? 0u - static_cast<uint32_t>(block) : static_cast<uint32_t>(block);
  const std::string where = from.path() + " Memo block # " + std::to_string(b);
  Result<MemoSpan> span = from.Locate(b);
  if (!span.ok()) return Status(1003, where + " " + span.status().text());
  if (from.flavor() == MemoFlavor::kDbase4 && span->header_size == 0)
    return Status(1003, where + " has no memo header");
  // Every way a memo can fail to be read means the same to the caller:
  // this record's text is not there to copy.
  Result<std::string> data = from.ReadMemo(b);
  if (!data.ok()) return Status(1003, where + " " + data.status().text());
  // A raw dBASE III memo ends at its first 0x00 as well.
  if (span->header_size == 0) {
    size_t nul = data->find('\0');
    if (nul != std::string::npos) data->resize(nul);
  }
  Result<int32_t> copied = to.WriteMemo(0, *data, "AppendFrom/CopyTo", span->type);
  if (!copied.ok()) return Status(1005, to.path() + " [AppendFrom/CopyTo]");
  return copied;
}

Result<std::unique_ptr<MemoRepacker>> StartMemoRepack(WorkArea& area, const std::string& side_name) {
  MemoState* memo = MemoStateOf(area);
  if (memo == nullptr) return std::unique_ptr<MemoRepacker>();
  MemoFile& old_file = *memo->file;
  const std::string& path = old_file.path();
  memo->blob.Reset();

  Result<uint64_t> old_size = old_file.Size();
  if (!old_size.ok()) return old_size.status();
  uint64_t free_bytes = 0;
  if (platform::Files().DiskFreeBytes(path, free_bytes) == 0 && free_bytes / 1024 < *old_size / 1024)
    return Status(1012, path + " [PackMemofile]");
  if (Status s = MemoFile::Create(side_name, old_file.kind(), static_cast<int>(old_file.block_size()),
                                  "PackMemofile");
      !s.ok())
    return s;
  Result<std::unique_ptr<MemoFile>> fresh =
      MemoFile::Open(side_name, old_file.kind(), platform::open_mode::kExclusive);
  if (!fresh.ok()) return Status(fresh.status().code(), path + " [PackMemo]");
  return std::unique_ptr<MemoRepacker>(
      std::make_unique<FileRepacker>(area.dbf, old_file, std::move(*fresh), side_name));
}

}  // namespace xb
