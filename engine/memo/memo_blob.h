#pragma once
// A blob descriptor streams the bytes of one memo: read an existing memo, or
// write a new one whose size may be unknown until it is finished. The
// dataset layer's blob stream goes through the commands at the bottom, which
// act on the memo file of the current work area; BlobDescriptor itself only
// needs a MemoFile and is what tests and tools drive directly.
//
// Calling order per memo: Open (read or write), any reads or writes and
// seeks, Finish. Opening a new memo drops the previous one unfinished.
//
// A write appends at the end of the file (dBASE IV with a known size may
// reuse the old run or a free one) and holds the memo lock until Finish:
//   (1) Open writes a placeholder at the block (an empty memo header, or a
//       0x1A 0x1A in a dBASE III file) so the block exists and a write cut short
//       by a crash reads back as an empty memo, never as another memo;
//   (2) Finish records the length of what was written (the furthest byte,
//       not the last position) and leaves the file's next-free pointer
//       naming the end block, so that other programs append past the memo;
//   (3) in a dBASE III file a memo is plain text ending in 0x1A 0x1A, readable by
//       every dBASE III reader; only a memo with 0x00 or 0x1A inside is moved
//       8 bytes up behind a dBASE IV memo header at Finish.
//
// With `convert` (OEM tables) the first piece decides: text (bytes >= 32 or
// 9, 10, 13, 15, 20, 21) is converted OEM <-> ANSI, anything else is not.
#include <cstdint>

#include "engine/memo/memo_file.h"

namespace xb {

enum class BlobMode : int { kNone = 0, kRead = 1, kWrite = 2 };

class BlobDescriptor {
 public:
  void Reset();
  bool active() const { return active_; }
  BlobMode mode() const { return mode_; }
  int64_t length() const { return length_; }
  int64_t position() const { return position_; }
  uint32_t block() const { return block_; }

  // Opens the memo at |block| for reading; block 0 is the empty memo.
  Status OpenRead(MemoFile& file, bool convert, int32_t block);
  // Opens a new memo replacing |old_block|; `size` 0 means unknown. Returns
  // the block the memo occupies. Takes the memo lock.
  Result<uint32_t> OpenWrite(MemoFile& file, bool convert, int32_t old_block, uint32_t size);
  Result<int32_t> Read(MemoFile& file, uint8_t* out, int32_t count);
  Result<int32_t> Write(MemoFile& file, const uint8_t* data, int32_t count);
  Result<int64_t> Seek(MemoFile& file, int64_t offset, int origin);
  // Records the length of a written memo and releases the lock.
  Status Finish(MemoFile& file);
  // Drops the descriptor after a failure; a write in progress still leaves
  // the next-free pointer valid and the lock released.
  void Abandon(MemoFile& file);

 private:
  Result<int64_t> ScanLength(MemoFile& file);
  Status MoveBehindHeader(MemoFile& file, uint64_t length);
  void Decide(const uint8_t* piece, size_t count);

  bool active_ = false;
  BlobMode mode_ = BlobMode::kNone;
  int64_t length_ = 0;  // -1: unknown
  uint64_t data_start_ = 0;
  uint32_t header_size_ = 0;
  int64_t position_ = 0;
  uint32_t block_ = 0;
  int convert_ = 0;  // -1 undecided, 0 none, 1 OEM <-> ANSI
  int64_t written_ = 0;          // furthest byte written
  bool needs_header_ = false;    // dBASE III: 0x00, 0x1A or a gap was written
};

// Commands on the current work area's memo file. Failures are recorded in
// the engine's error state; the memo lock is released first.
int32_t CreateBlobDescriptor(bool convert, int32_t block, int mode, uint32_t size = 0);
int32_t ReadBlobStream(void* buffer, int32_t count);
int32_t WriteBlobStream(const void* buffer, int32_t count);
int32_t SeekBlobStream(int32_t offset, int origin);
bool DestroyBlobDescriptor();

}  // namespace xb
