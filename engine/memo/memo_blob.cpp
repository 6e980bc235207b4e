#include "engine/memo/memo_blob.h"

#include <algorithm>
#include <vector>

#include "engine/memo/memo_state.h"
#include "platform/codepage.h"

namespace xb {
namespace {

constexpr size_t kPiece = 32767;
constexpr size_t kMoveChunk = 32768;

bool IsText(const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    uint8_t c = p[i];
    if (c < 32 && c != 9 && c != 10 && c != 13 && c != 15 && c != 20 && c != 21) return false;
  }
  return true;
}

}  // namespace

void BlobDescriptor::Reset() { *this = BlobDescriptor(); }

void BlobDescriptor::Decide(const uint8_t* piece, size_t count) {
  if (convert_ == -1) convert_ = IsText(piece, count) ? 1 : 0;
}

Status BlobDescriptor::OpenRead(MemoFile& file, bool convert, int32_t block) {
  Reset();
  uint32_t b = block < 0 ? 0u - static_cast<uint32_t>(block) : static_cast<uint32_t>(block);
  Result<MemoSpan> span = file.Locate(b);
  if (!span.ok()) return span.status();
  active_ = true;
  mode_ = BlobMode::kRead;
  block_ = b;
  length_ = span->length;
  data_start_ = span->data_start;
  header_size_ = span->header_size;
  convert_ = convert ? -1 : 0;
  return Status::OK();
}

Result<uint32_t> BlobDescriptor::OpenWrite(MemoFile& file, bool convert, int32_t old_block,
                                           uint32_t size) {
  Reset();
  const std::string caller = "CreateBlobDescriptor";
  Result<uint64_t> end = file.LockPadAndSeekEnd(caller);
  if (!end.ok()) return end.status();
  if (size > 0) {
    uint64_t free_bytes = 0;
    if (platform::Files().DiskFreeBytes(file.path(), free_bytes) == 0 && size / 1024 >= free_bytes / 1024)
      return Status(1004, file.path() + " [" + caller + "]");
  }
  uint32_t old = old_block < 0 ? 0u - static_cast<uint32_t>(old_block) : static_cast<uint32_t>(old_block);
  Result<uint32_t> block = size > 0 ? file.PlaceMemo(file.BlocksFor(size), old, caller)
                                    : file.PlaceMemo(kOpenEnded, 0, caller);
  if (!block.ok()) return block.status();
  uint64_t at = uint64_t{*block} * file.block_size();
  if (file.flavor() == MemoFlavor::kDbase3) {
    if (int rc = file.file().WriteAt(at, kDbase3End); rc != 0) return Status(rc, file.path());
    header_size_ = 0;
  } else {
    if (Status s = file.WriteGroupHeader(*block, 0); !s.ok()) return s;
    header_size_ = 8;
  }
  active_ = true;
  mode_ = BlobMode::kWrite;
  block_ = *block;
  length_ = size > 0 ? static_cast<int64_t>(size) : -1;
  data_start_ = at + header_size_;
  convert_ = convert ? -1 : 0;
  return *block;
}

Result<int32_t> BlobDescriptor::Read(MemoFile& file, uint8_t* out, int32_t count) {
  if (!active_ || mode_ != BlobMode::kRead || count <= 0) return 0;
  Result<uint64_t> size = file.Size();
  if (!size.ok()) return size.status();
  uint64_t at = data_start_ + static_cast<uint64_t>(position_);
  uint64_t want = static_cast<uint64_t>(count);
  want = at < *size ? std::min<uint64_t>(want, *size - at) : 0;
  if (length_ >= 0) want = std::min<uint64_t>(want, static_cast<uint64_t>(std::max<int64_t>(0, length_ - position_)));
  int32_t total = 0;
  while (want > 0) {
    size_t piece = static_cast<size_t>(std::min<uint64_t>(want, kPiece));
    size_t got = 0;
    if (int rc = file.file().ReadAt(at, {out + total, piece}, got); rc != 0) return Status(rc, file.path());
    if (got == 0) break;
    uint8_t* p = out + total;
    size_t keep = got;
    bool ended = false;
    if (length_ < 0) {
      uint8_t* stop = std::find(p, p + got, uint8_t{0x1A});
      ended = stop != p + got;
      keep = static_cast<size_t>(stop - p);
    }
    // The text test looks only at memo bytes, never at the terminator.
    Decide(p, keep);
    if (convert_ == 1) platform::OemToChar({p, keep});
    position_ += static_cast<int64_t>(keep);
    total += static_cast<int32_t>(keep);
    if (ended) {
      length_ = position_;
      break;
    }
    at += got;
    want -= got;
  }
  return total;
}

Result<int32_t> BlobDescriptor::Write(MemoFile& file, const uint8_t* data, int32_t count) {
  if (!active_ || mode_ != BlobMode::kWrite || count <= 0) return 0;
  uint64_t want = static_cast<uint64_t>(count);
  if (length_ >= 0) want = std::min<uint64_t>(want, static_cast<uint64_t>(std::max<int64_t>(0, length_ - position_)));
  if (position_ > written_) needs_header_ = true;  // the gap holds no text
  std::vector<uint8_t> piece;
  int32_t total = 0;
  while (want > 0) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(want, kPiece));
    // Converted in a copy: the caller's buffer stays as it was.
    piece.assign(data + total, data + total + n);
    Decide(piece.data(), n);
    if (convert_ == 1) platform::CharToOem(piece);
    if (file.flavor() == MemoFlavor::kDbase3 &&
        std::any_of(piece.begin(), piece.end(), [](uint8_t c) { return c == 0 || c == 0x1A; }))
      needs_header_ = true;
    if (int rc = file.file().WriteAt(data_start_ + static_cast<uint64_t>(position_), piece); rc != 0)
      return Status(rc, file.path());
    position_ += static_cast<int64_t>(n);
    written_ = std::max(written_, position_);
    total += static_cast<int32_t>(n);
    want -= n;
  }
  return total;
}

Result<int64_t> BlobDescriptor::ScanLength(MemoFile& file) {
  Result<uint64_t> size = file.Size();
  if (!size.ok()) return size.status();
  std::vector<uint8_t> chunk(file.block_size());
  uint64_t at = data_start_;
  while (at < *size) {
    size_t got = 0;
    if (int rc = file.file().ReadAt(at, chunk, got); rc != 0) return Status(rc, file.path());
    if (got == 0) break;
    auto stop = std::find(chunk.begin(), chunk.begin() + got, uint8_t{0x1A});
    if (stop != chunk.begin() + got) return static_cast<int64_t>(at - data_start_ + (stop - chunk.begin()));
    at += got;
  }
  return static_cast<int64_t>(std::max<uint64_t>(at, data_start_) - data_start_);
}

Result<int64_t> BlobDescriptor::Seek(MemoFile& file, int64_t offset, int origin) {
  if (!active_ || block_ == 0 || mode_ == BlobMode::kNone) return int64_t{0};
  int64_t target = position_;
  if (origin == 0) {
    target = offset;
  } else if (origin == 1) {
    target = position_ + offset;
  } else if (origin == 2) {
    if (mode_ == BlobMode::kRead && length_ < 0) {
      Result<int64_t> found = ScanLength(file);
      if (!found.ok()) return found.status();
      length_ = *found;
    }
    int64_t end = mode_ == BlobMode::kWrite && length_ < 0 ? written_ : length_;
    target = end + offset;
  }
  position_ = std::max<int64_t>(0, target);
  return position_;
}

// Moves the text 8 bytes up, from its end backwards so no byte is
// overwritten before it was copied, then puts the header in front.
Status BlobDescriptor::MoveBehindHeader(MemoFile& file, uint64_t length) {
  std::vector<uint8_t> chunk;
  uint64_t base = uint64_t{block_} * file.block_size();
  for (uint64_t end = length; end > 0;) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(end, kMoveChunk));
    chunk.resize(n);
    size_t got = 0;
    if (int rc = file.file().ReadAt(base + end - n, chunk, got); rc != 0 || got != n)
      return Status(rc != 0 ? rc : 30, file.path());
    if (int rc = file.file().WriteAt(base + end - n + 8, chunk); rc != 0) return Status(rc, file.path());
    end -= n;
  }
  return file.WriteGroupHeader(block_, static_cast<uint32_t>(length));
}

Status BlobDescriptor::Finish(MemoFile& file) {
  Status status;
  if (active_ && mode_ == BlobMode::kWrite) {
    uint64_t length = static_cast<uint64_t>(written_);
    if (file.flavor() != MemoFlavor::kDbase3) {
      status = file.WriteGroupHeader(block_, static_cast<uint32_t>(length));
    } else if (needs_header_) {
      status = MoveBehindHeader(file, length);
    } else {
      if (int rc = file.file().WriteAt(data_start_ + length, kDbase3End); rc != 0) status = Status(rc, file.path());
    }
    if (status.ok()) status = file.FinishAppend("DestroyBlobDescriptor");
    Status unlocked = file.Unlock();
    if (status.ok()) status = unlocked;
    if (status.ok()) status = file.Flush();
  }
  Reset();
  return status;
}

void BlobDescriptor::Abandon(MemoFile& file) {
  if (mode_ == BlobMode::kWrite) (void)file.FinishAppend("DestroyBlobDescriptor");
  (void)file.Unlock();
  Reset();
}

// ---- Commands on the current work area ----

namespace {

Status BlobError(const MemoTarget& t, uint32_t block, const Status& s, const std::string& op) {
  if (s.code() == 1017 || s.code() == 1004 || s.code() == 215 || s.code() == 1019) return s;
  return Status(s.code(), std::to_string(block) + " " + t.memo->file->path() + " Record # " +
                              std::to_string(t.area->dbf.current_record) + " [" + op + "]");
}

}  // namespace

int32_t CreateBlobDescriptor(bool convert, int32_t block, int mode, uint32_t size) {
  Result<MemoTarget> t = RequireMemo("CreateBlobDescriptor");
  if (!t.ok()) return Fail(t.status(), 0);
  MemoState* memo = t->memo;
  uint32_t shown = block < 0 ? 0u - static_cast<uint32_t>(block) : static_cast<uint32_t>(block);
  if (mode == 1) {
    if (Status s = memo->blob.OpenRead(*memo->file, convert, block); !s.ok()) {
      memo->blob.Abandon(*memo->file);
      return FailMemo(memo, BlobError(*t, shown, s, "CreateBlobDescriptor"), 0);
    }
    return static_cast<int32_t>(memo->blob.block());
  }
  if (mode == 2) {
    Result<uint32_t> b = memo->blob.OpenWrite(*memo->file, convert, block, size);
    if (!b.ok()) {
      (void)memo->file->FinishAppend("CreateBlobDescriptor");
      memo->blob.Reset();
      return FailMemo(memo, BlobError(*t, shown, b.status(), "CreateBlobDescriptor"), 0);
    }
    return static_cast<int32_t>(*b);
  }
  memo->blob.Reset();
  return 0;
}

int32_t ReadBlobStream(void* buffer, int32_t count) {
  Result<MemoTarget> t = RequireMemo("ReadBlobStream");
  if (!t.ok()) return Fail(t.status(), 0);
  BlobDescriptor& blob = t->memo->blob;
  Result<int32_t> n = blob.Read(*t->memo->file, static_cast<uint8_t*>(buffer), count);
  if (!n.ok()) {
    uint32_t b = blob.block();
    blob.Abandon(*t->memo->file);
    return FailMemo(t->memo, BlobError(*t, b, n.status(), "ReadBlobStream"), 0);
  }
  return *n;
}

int32_t WriteBlobStream(const void* buffer, int32_t count) {
  Result<MemoTarget> t = RequireMemo("WriteBlobStream");
  if (!t.ok()) return Fail(t.status(), 0);
  BlobDescriptor& blob = t->memo->blob;
  Result<int32_t> n = blob.Write(*t->memo->file, static_cast<const uint8_t*>(buffer), count);
  if (!n.ok()) {
    uint32_t b = blob.block();
    blob.Abandon(*t->memo->file);
    return FailMemo(t->memo, BlobError(*t, b, n.status(), "WriteBlobStream"), 0);
  }
  return *n;
}

int32_t SeekBlobStream(int32_t offset, int origin) {
  Result<MemoTarget> t = RequireMemo("SeekBlobStream");
  if (!t.ok()) return Fail(t.status(), 0);
  BlobDescriptor& blob = t->memo->blob;
  Result<int64_t> pos = blob.Seek(*t->memo->file, offset, origin);
  if (!pos.ok()) {
    uint32_t b = blob.block();
    blob.Abandon(*t->memo->file);
    return FailMemo(t->memo, BlobError(*t, b, pos.status(), "ReadBlobStream"), 0);
  }
  return static_cast<int32_t>(std::min<int64_t>(*pos, 0x7FFFFFFF));
}

bool DestroyBlobDescriptor() {
  Result<MemoTarget> t = RequireMemo("DestroyBlobDescriptor");
  if (!t.ok()) return Fail(t.status(), false);
  uint32_t b = t->memo->blob.block();
  if (Status s = t->memo->blob.Finish(*t->memo->file); !s.ok())
    return FailMemo(t->memo, BlobError(*t, b, s, "WriteBlobStream"), false);
  return true;
}

}  // namespace xb
