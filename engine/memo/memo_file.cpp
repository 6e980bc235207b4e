#include "engine/memo/memo_file.h"

#include "engine/table/files.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <thread>

#include "engine/table/dbf_file.h"
#include "engine/table/switches.h"
#include "platform/error_codes.h"

namespace xb {
namespace {

constexpr int kLockTries = 11;
constexpr size_t kScanChunk = 4096;
// A free-chain walk that visits more elements than this gives up and
// appends; the header then skips the whole chain (it is rebuilt by a pack).
constexpr int kChainWalkLimit = 100;

int DefaultBlockSize() {
  int size = Switches().memo_block_size;
  return size > 0 && size <= 0xFFFF ? size : 512;
}

std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  size_t dot = name.find_last_of('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

// Short writes come back from the platform as 101; the memo messages call
// them a device write fault.
int WriteCode(int rc) { return rc == platform::error::kWriteError ? 29 : rc; }

uint32_t CeilDiv(uint64_t a, uint64_t b) { return static_cast<uint32_t>((a + b - 1) / b); }

}  // namespace

uint32_t LoadLe32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint32_t LoadBe32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}
void StoreLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void StoreBe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * (3 - i)));
}

uint8_t MemoKindOf(uint8_t version) {
  switch (version) {
    case kMemoDbase3:
    case kMemoDbase4:
    case kMemoDbase4Long:
    case kMemoFoxPro:
      return version;
    default: {
      uint8_t fallback = Switches().default_version;
      if (fallback == kMemoDbase3 || fallback == kMemoDbase4 || fallback == kMemoDbase4Long ||
          fallback == kMemoFoxPro)
        return fallback;
      return kMemoDbase4;
    }
  }
}

MemoFlavor FlavorOf(uint8_t kind) {
  if (kind == kMemoDbase3) return MemoFlavor::kDbase3;
  if (kind == kMemoFoxPro) return MemoFlavor::kFoxPro;
  return MemoFlavor::kDbase4;
}

std::string MemoFileNameFor(const std::string& table_name, uint8_t version) {
  return SiblingFileName(table_name, MemoExtension(MemoKindOf(version)));
}

Status MemoFile::Create(const std::string& path, uint8_t kind, int block_size,
                        const std::string& caller) {
  MemoFlavor flavor = FlavorOf(kind);
  if (block_size <= 0) block_size = DefaultBlockSize();
  if (flavor == MemoFlavor::kDbase3) block_size = 512;
  if (block_size > 0xFFFF || (flavor == MemoFlavor::kDbase4 && block_size < 64))
    return Status(266, "Cannot create memo file " + path + " [" + caller + "]");

  std::vector<uint8_t> image;
  switch (flavor) {
    case MemoFlavor::kDbase3:
      image.assign(513, 0);
      image[0] = 1;
      image[512] = 0x1A;
      break;
    case MemoFlavor::kDbase4: {
      image.assign(24, 0);
      StoreLe32(&image[0], 1);
      std::string base = BaseName(path).substr(0, 8);
      std::copy(base.begin(), base.end(), image.begin() + 8);
      image[18] = 0x02;
      image[19] = 0x01;
      image[20] = static_cast<uint8_t>(block_size);
      image[21] = static_cast<uint8_t>(block_size >> 8);
      break;
    }
    case MemoFlavor::kFoxPro:
      image.assign(512, 0);
      StoreBe32(&image[0], 511 / block_size + 1);
      image[6] = static_cast<uint8_t>(block_size >> 8);
      image[7] = static_cast<uint8_t>(block_size);
      break;
  }
  std::unique_ptr<platform::File> file;
  if (int rc = platform::Files().Create(path, platform::open_mode::kExclusive, file); rc != 0)
    return Status(rc, "Cannot create memo file " + path + " [" + caller + "]");
  if (int rc = file->WriteAt(0, image); rc != 0) return Status(rc, path + " [" + caller + "]");
  if (int rc = file->Flush(); rc != 0) return Status(rc, path + " [" + caller + "]");
  return Status::OK();
}

Result<std::unique_ptr<MemoFile>> MemoFile::Open(const std::string& path, uint8_t kind, int mode) {
  std::unique_ptr<platform::File> file;
  if (int rc = platform::Files().Open(path, mode, file); rc != 0)
    return Status(rc, "Memo file not found: " + path + " [USE]");
  return Attach(std::move(file), path, kind);
}

Result<std::unique_ptr<MemoFile>> MemoFile::Attach(std::unique_ptr<platform::File> file,
                                                   const std::string& path, uint8_t kind) {
  std::unique_ptr<MemoFile> memo(new MemoFile(std::move(file), path, kind));
  if (Status s = memo->ReadHeaderFields(); !s.ok()) return s;
  return memo;
}

Status MemoFile::ReadHeaderFields() {
  MemoFlavor fl = flavor();
  if (fl == MemoFlavor::kDbase3) {
    block_size_ = 512;
    return Status::OK();
  }
  std::array<uint8_t, 24> head{};
  size_t need = fl == MemoFlavor::kFoxPro ? 8 : 22;
  if (Status s = ReadExact(0, head.data(), need, "USE"); !s.ok())
    return Status(30, path_ + " memo header cut short [USE]");
  uint32_t size = fl == MemoFlavor::kFoxPro ? (head[6] << 8) | head[7] : head[20] | (head[21] << 8);
  if (size == 0) size = DefaultBlockSize();
  if (fl == MemoFlavor::kDbase4 && size < 64) return Corrupt("invalid block size", "USE");
  block_size_ = size;
  return Status::OK();
}

uint32_t MemoFile::FirstDataBlock() const {
  return flavor() == MemoFlavor::kFoxPro ? 511 / block_size_ + 1 : 1;
}

uint32_t MemoFile::BlocksFor(uint64_t length) const {
  uint64_t header = flavor() == MemoFlavor::kDbase3 ? 1 : 8;
  return std::max<uint32_t>(1, CeilDiv(length + header, block_size_));
}

Status MemoFile::Corrupt(const std::string& what, const std::string& caller) const {
  return Status(1003, path_ + " " + what + " [" + caller + "]");
}

Status MemoFile::ReadExact(uint64_t offset, uint8_t* out, size_t count, const std::string& caller) {
  size_t done = 0;
  while (done < count) {
    size_t got = 0;
    if (int rc = file_->ReadAt(offset + done, {out + done, count - done}, got); rc != 0)
      return Status(rc, path_ + " [" + caller + "]");
    if (got == 0) return Status(30, path_ + " [" + caller + "]");
    done += got;
  }
  return Status::OK();
}

Status MemoFile::WriteBytes(uint64_t offset, const uint8_t* data, size_t count,
                            const std::string& caller) {
  if (count == 0) return Status::OK();
  if (int rc = file_->WriteAt(offset, {data, count}); rc != 0)
    return Status(WriteCode(rc), path_ + " [" + caller + "]");
  return Status::OK();
}

Status MemoFile::Lock(const std::string& caller) {
  if (!locking_ || locked_) return Status::OK();
  for (int attempt = 0; attempt < kLockTries; ++attempt) {
    if (file_->Lock(kMemoLockOffset, 1) == 0) {
      locked_ = true;
      return Status::OK();
    }
    std::this_thread::yield();
  }
  return Status(1017, path_ + " [" + caller + "]");
}

Status MemoFile::Unlock() {
  if (!locked_) return Status::OK();
  locked_ = false;
  if (int rc = file_->Unlock(kMemoLockOffset, 1); rc != 0) return Status(1018, path_);
  return Status::OK();
}

Result<uint64_t> MemoFile::Size() {
  uint64_t size = 0;
  if (int rc = file_->Size(size); rc != 0) return Status(rc, path_);
  return size;
}

Result<uint32_t> MemoFile::SizeInBlocks() {
  Result<uint64_t> size = Size();
  if (!size.ok()) return size.status();
  return std::max<uint32_t>(1, CeilDiv(*size, block_size_));
}

Result<uint64_t> MemoFile::LockPadAndSeekEnd(const std::string& caller) {
  if (Status s = Lock(caller); !s.ok()) return s;
  Result<uint64_t> size = Size();
  if (!size.ok()) return size.status();
  if (Result<bool> fresh = IsFreshDbase3(); !fresh.ok()) {
    return fresh.status();
  } else if (*fresh) {
    return uint64_t{512};
  }
  // A file cut short inside its header still gets its memos past it.
  uint64_t target = std::max<uint64_t>(*size, uint64_t{FirstDataBlock()} * block_size_);
  target = (target + block_size_ - 1) / block_size_ * block_size_;
  if (target > *size) {
    std::vector<uint8_t> zeros(target - *size, 0);
    if (int rc = file_->WriteAt(*size, zeros); rc != 0)
      return Status(rc, path_ + " [LockMemoPadAndSeekEOF]");
  }
  return target;
}

// A new dBASE III file is its header plus the 0x1A at 512, which the first
// memo overwrites. A file holding one empty memo has the same bytes, but its
// next-free field already names block 2.
Result<bool> MemoFile::IsFreshDbase3() {
  if (flavor() != MemoFlavor::kDbase3) return false;
  Result<uint64_t> size = Size();
  if (!size.ok()) return size.status();
  if (*size != 513) return false;
  Result<uint32_t> next = ReadNextFree();
  if (!next.ok()) return next.status();
  return *next <= 1;
}

Result<uint32_t> MemoFile::ReadNextFree() {
  uint8_t b[4];
  if (Status s = ReadExact(0, b, 4, "MainHeaderRead()"); !s.ok()) return s;
  return flavor() == MemoFlavor::kFoxPro ? LoadBe32(b) : LoadLe32(b);
}

Status MemoFile::WriteNextFree(uint32_t block) {
  uint8_t b[4];
  if (flavor() == MemoFlavor::kFoxPro)
    StoreBe32(b, block);
  else
    StoreLe32(b, block);
  return WriteBytes(0, b, 4, "MainHeaderWrite()");
}

Status MemoFile::AddReleasedBlocks(uint32_t count) {
  if (flavor() != MemoFlavor::kDbase4 || count == 0) return Status::OK();
  Result<uint64_t> size = Size();
  if (!size.ok()) return size.status();
  if (*size < 36) return Status::OK();  // not padded yet: nothing was ever released
  uint8_t b[4];
  if (Status s = ReadExact(32, b, 4, "AddReleasedBlocks"); !s.ok()) return s;
  StoreLe32(b, LoadLe32(b) + count);
  return WriteBytes(32, b, 4, "AddReleasedBlocks");
}

Result<MemoSpan> MemoFile::Locate(uint32_t block) {
  MemoSpan span;
  span.block = block;
  if (block == 0) return span;
  Result<uint64_t> size = Size();
  if (!size.ok()) return size.status();
  uint64_t offset = uint64_t{block} * block_size_;
  if (block < FirstDataBlock() || offset >= *size)
    return Corrupt("block " + std::to_string(block) + " lies beyond the end", "ReadMemo");
  uint8_t head[8] = {};
  size_t got = static_cast<size_t>(std::min<uint64_t>(8, *size - offset));
  if (Status s = ReadExact(offset, head, got, "ReadGroupHeader()"); !s.ok()) return s;
  if (flavor() == MemoFlavor::kFoxPro) {
    if (got < 8) return Corrupt("memo header of block " + std::to_string(block) + " cut short", "ReadMemo");
    span.type = LoadBe32(head);
    span.length = LoadBe32(head + 4);
    span.header_size = 8;
  } else if (got == 8 && head[0] == 0xFF && head[1] == 0xFF && head[2] == 0x08 && head[3] == 0x00) {
    uint32_t total = LoadLe32(head + 4);
    if (total < 8) return Corrupt("memo length of block " + std::to_string(block) + " is invalid", "ReadMemo");
    span.length = total - 8;
    span.header_size = 8;
  } else {
    span.length = -1;
  }
  span.data_start = offset + span.header_size;
  if (span.length > 0 && static_cast<uint64_t>(span.length) > *size - span.data_start)
    return Corrupt("memo length of block " + std::to_string(block) + " runs past the end", "ReadMemo");
  return span;
}

Result<uint32_t> MemoFile::Extent(uint32_t block) {
  Result<MemoSpan> span = Locate(block);
  if (!span.ok()) return span.status();
  if (block == 0 || span->header_size == 0) return uint32_t{0};
  return std::max<uint32_t>(1, CeilDiv(span->header_size + static_cast<uint64_t>(span->length), block_size_));
}

Result<std::string> MemoFile::ReadMemo(uint32_t block) {
  Result<MemoSpan> span = Locate(block);
  if (!span.ok()) return span.status();
  std::string out;
  if (span->length >= 0) {
    // Locate has checked the length against the file size.
    out.resize(static_cast<size_t>(span->length));
    if (Status s = ReadExact(span->data_start, reinterpret_cast<uint8_t*>(out.data()), out.size(), "ReadMemo");
        !s.ok())
      return s;
    return out;
  }
  std::vector<uint8_t> chunk(kScanChunk);
  for (uint64_t at = span->data_start;;) {
    size_t got = 0;
    if (int rc = file_->ReadAt(at, chunk, got); rc != 0) return Status(rc, path_ + " [ReadMemo]");
    if (got == 0) break;
    auto end = std::find(chunk.begin(), chunk.begin() + got, uint8_t{0x1A});
    out.append(chunk.begin(), end);
    if (end != chunk.begin() + got) break;
    at += got;
  }
  return out;
}

Status MemoFile::WriteGroupHeader(uint32_t block, uint32_t length, uint32_t type) {
  if (block == 0) return Status::OK();
  uint8_t head[8];
  if (flavor() == MemoFlavor::kFoxPro) {
    StoreBe32(head, type);
    StoreBe32(head + 4, length);
  } else {
    head[0] = head[1] = 0xFF;
    head[2] = 0x08;
    head[3] = 0x00;
    StoreLe32(head + 4, length + 8);
  }
  return WriteBytes(uint64_t{block} * block_size_, head, 8, "WriteGroupHeader()");
}

Result<MemoFile::Element> MemoFile::ReadElement(uint32_t block, const std::string& caller) {
  uint8_t b[8];
  if (Status s = ReadExact(uint64_t{block} * block_size_, b, 8, caller); !s.ok()) return s;
  return Element{LoadLe32(b), LoadLe32(b + 4)};
}

Status MemoFile::WriteElement(uint32_t block, Element e, const std::string& caller) {
  uint8_t b[8];
  StoreLe32(b, e.next);
  StoreLe32(b + 4, e.run);
  return WriteBytes(uint64_t{block} * block_size_, b, 8, caller);
}

Status MemoFile::WriteNextPointer(uint32_t block, uint32_t next, const std::string& caller) {
  uint8_t b[4];
  StoreLe32(b, next);
  return WriteBytes(uint64_t{block} * block_size_, b, 4, caller);
}

// Allocation and release keep the chain well-formed after every single
// write: a run is unlinked (or its remainder linked first) before a memo is
// written into it, and a released run gets its own element before the
// pointer to it is written. A crash between two writes can only leak blocks.
Result<uint32_t> MemoFile::PlaceMemo(uint32_t need, uint32_t old_block, const std::string& caller) {
  tail_pending_ = false;
  Result<uint32_t> size_blocks = SizeInBlocks();
  if (!size_blocks.ok()) return size_blocks.status();
  if (flavor() != MemoFlavor::kDbase4) {
    Result<uint64_t> size = Size();
    if (!size.ok()) return size.status();
    tail_ = 0;
    tail_pending_ = true;
    Result<bool> fresh = IsFreshDbase3();
    if (!fresh.ok()) return fresh.status();
    if (*fresh) return uint32_t{1};
    return *size_blocks;
  }
  if (old_block != 0 && need != kOpenEnded) {
    // A damaged old memo is left alone: its blocks are never reused.
    Result<uint32_t> extent = Extent(old_block);
    if (extent.ok() && *extent >= need) {
      if (*extent > need) {
        if (Status s = ReleaseMemoBlocks(old_block + need, *extent - need, caller); !s.ok()) return s;
        if (Status s = AddReleasedBlocks(*extent - need); !s.ok()) return s;
      }
      return old_block;
    }
    if (extent.ok() && *extent > 0) {
      if (Status s = ReleaseMemoBlocks(old_block, *extent, caller); !s.ok()) return s;
      if (Status s = AddReleasedBlocks(*extent); !s.ok()) return s;
    }
  }
  uint32_t prev = 0;
  Result<Element> head = ReadElement(0, caller);
  if (!head.ok()) return head.status();
  uint32_t cur = head->next;
  int visited = 1;
  while (visited <= kChainWalkLimit && cur < *size_blocks) {
    Result<Element> e = ReadElement(cur, caller);
    if (!e.ok()) return e.status();
    // A pointer to a live memo is a stale chain end left by a writer that
    // does not keep the chain: cut the chain there.
    if ((e->next & 0xFFFF) == 0xFFFF) break;
    ++visited;
    if (cur < FirstDataBlock() || e->run == 0 || e->run > *size_blocks - cur ||
        (e->next < *size_blocks && e->next < cur + e->run))
      return Corrupt("free chain broken at block " + std::to_string(cur), caller);
    if (e->run >= need) {
      if (e->run > need) {
        if (Status s = WriteElement(cur + need, {e->next, e->run - need}, caller); !s.ok()) return s;
        if (Status s = WriteNextPointer(prev, cur + need, caller); !s.ok()) return s;
      } else if (Status s = WriteNextPointer(prev, e->next, caller); !s.ok()) {
        return s;
      }
      return cur;
    }
    prev = cur;
    cur = e->next;
  }
  uint32_t end = *size_blocks;
  uint32_t value = need == kOpenEnded ? kOpenEnded : end + need;
  if (Status s = WriteNextPointer(prev, value, caller); !s.ok()) return s;
  tail_ = prev;
  if (visited > kChainWalkLimit && prev != 0) {
    if (Status s = WriteNextFree(value); !s.ok()) return s;
    tail_ = 0;
  }
  tail_pending_ = true;
  return end;
}

Status MemoFile::ReleaseMemoBlocks(uint32_t first, uint32_t count, const std::string& caller) {
  if (flavor() != MemoFlavor::kDbase4 || count == 0) return Status::OK();
  Result<uint32_t> size_blocks = SizeInBlocks();
  if (!size_blocks.ok()) return size_blocks.status();
  if (first < FirstDataBlock() || first >= *size_blocks || count > *size_blocks - first)
    return Corrupt("released run at block " + std::to_string(first) + " lies outside the file", caller);
  uint32_t prev = 0;
  Result<Element> head = ReadElement(0, caller);
  if (!head.ok()) return head.status();
  uint32_t cur = head->next;
  while (cur < *size_blocks && cur < first) {
    Result<Element> e = ReadElement(cur, caller);
    if (!e.ok()) return e.status();
    if ((e->next & 0xFFFF) == 0xFFFF) {
      cur = *size_blocks;
      break;
    }
    if (cur < FirstDataBlock() || e->run == 0 || e->run > *size_blocks - cur ||
        (e->next < *size_blocks && e->next < cur + e->run))
      return Corrupt("free chain broken at block " + std::to_string(cur), caller);
    if (cur + e->run > first)
      return Corrupt("block " + std::to_string(first) + " is already free", caller);
    prev = cur;
    cur = e->next;
  }
  if (cur < *size_blocks && count > cur - first)
    return Corrupt("block " + std::to_string(cur) + " is already free", caller);
  uint32_t next = cur < *size_blocks ? cur : *size_blocks;
  if (Status s = WriteElement(first, {next, count}, caller); !s.ok()) return s;
  return WriteNextPointer(prev, first, caller);
}

Status MemoFile::FinishAppend(const std::string& caller) {
  if (!tail_pending_) return Status::OK();
  tail_pending_ = false;
  Result<uint32_t> size_blocks = SizeInBlocks();
  if (!size_blocks.ok()) return size_blocks.status();
  if (flavor() != MemoFlavor::kDbase4) return WriteNextFree(*size_blocks);
  return WriteNextPointer(tail_, *size_blocks, caller);
}

Result<int32_t> MemoFile::WriteMemo(uint32_t old_block, std::string_view data, const std::string& caller,
                                    uint32_t type) {
  if (data.size() > 0x7FFFFFF0u) return Status(266, path_ + " [" + caller + "]");
  Result<int32_t> result = [&]() -> Result<int32_t> {
    Result<uint64_t> end = LockPadAndSeekEnd(caller);
    if (!end.ok()) return end.status();
    bool headered = flavor() != MemoFlavor::kDbase3 ||
                    data.find_first_of(std::string_view("\0\x1A", 2)) != std::string_view::npos;
    Result<uint32_t> block = PlaceMemo(BlocksFor(data.size()), old_block, caller);
    if (!block.ok()) return block.status();
    uint64_t at = uint64_t{*block} * block_size_;
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
    // The data goes first and the header last: the header is what makes the
    // new length visible.
    if (headered) {
      if (Status s = WriteBytes(at + 8, bytes, data.size(), caller); !s.ok()) return s;
      if (Status s = WriteGroupHeader(*block, static_cast<uint32_t>(data.size()), type); !s.ok()) return s;
    } else {
      if (Status s = WriteBytes(at, bytes, data.size(), caller); !s.ok()) return s;
      if (Status s = WriteBytes(at + data.size(), kDbase3End, 2, caller); !s.ok()) return s;
    }
    if (Status s = FinishAppend(caller); !s.ok()) return s;
    int32_t number = static_cast<int32_t>(*block);
    return flavor() == MemoFlavor::kDbase3 && headered ? -number : number;
  }();
  Status unlocked = Unlock();
  if (!result.ok()) return result;
  if (!unlocked.ok()) return unlocked;
  return result;
}

Status MemoFile::Flush() {
  if (int rc = file_->Flush(); rc != 0) return Status(rc, path_);
  return Status::OK();
}

Status MemoFile::Close() {
  Status s = Unlock();
  file_.reset();
  return s;
}

}  // namespace xb
