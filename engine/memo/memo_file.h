#pragma once
// MemoFile is one open memo file: the blocks that hold the memo fields of a
// table. It knows the three kinds of file, reads and writes their headers,
// finds where a memo lives and how far it reaches, and hands out and takes
// back runs of blocks. It knows nothing of work areas; memo_state.h ties a
// MemoFile to the table that owns it.
//
// dBASE IV (kinds 0x8B, 0x8C), block 0:
//
//   OFFSET  SIZE  DESCRIPTION
//   0       4     next free block (LE): first free run, or the end block
//   4       4     0 (the header's own run length as a chain element)
//   8       8     table base name, zero-padded
//   16      2     0
//   18      2     0x02 0x01
//   20      2     block size (LE); 0 means 512
//   22      2     0
//   32      4     released-blocks tally (LE), once the file is padded
//
//   memo block:   FF FF | 08 00 | total length incl. these 8 bytes (LE) | data
//   free run:     next free run (LE) | blocks in this run (LE)
//
// FoxPro (kind 0xF5), 512-byte header: next free block (BE) at 0, block size
// (BE, 16 bits) at 6. Memo block: record type (BE, 1 = text) | data length
// (BE, header not counted) | data.
//
// dBASE III (kind 0x83), 512-byte blocks: next free block (LE) at 0. A memo is
// raw text ending at its first 0x1A (written as 0x1A 0x1A), or carries the dBASE IV memo header when
// its bytes could not end that way (0x00 or 0x1A inside).
//
// Invariants kept by every write this class makes:
//   (1) A memo covers Extent = max(1, ceil((header + data) / block size))
//       blocks. Allocation, in-place reuse and release all use this count, so
//       a released run never reaches into the memo after it.
//   (2) The free chain (dBASE IV) runs in strictly ascending block order;
//       every run lies inside the file, and ends before the next run starts.
//       The chain ends at the first pointer that is not below the file's
//       size in blocks; after a completed write that pointer is the end block.
//   (3) Block 0 (and, for FoxPro, every block inside the 512-byte header) is
//       never handed out or released.
//   (4) No length read from the file sizes an allocation: every length is
//       checked against the file size before anything is read.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/table/status.h"
#include "platform/file.h"

namespace xb {

inline constexpr uint8_t kMemoDbase3 = 0x83;
inline constexpr uint8_t kMemoDbase4 = 0x8B;
inline constexpr uint8_t kMemoDbase4Long = 0x8C;
inline constexpr uint8_t kMemoFoxPro = 0xF5;

// Size unknown: an open-ended write that appends at the end.
inline constexpr uint32_t kOpenEnded = 0x7FFFFFFF;
inline constexpr int kMemoLockOffset = 10;
// A raw dBASE III memo ends with two 0x1A, as dBASE III itself writes it:
// readers stop at the first, some other programs look for the pair.
inline constexpr uint8_t kDbase3End[2] = {0x1A, 0x1A};

enum class MemoFlavor { kDbase3, kDbase4, kFoxPro };

// The memo kind for a table version byte (the engine default for bytes that
// are no memo kind).
uint8_t MemoKindOf(uint8_t version);
MemoFlavor FlavorOf(uint8_t kind);
// The memo file beside `table_name` ("notes.dbf" -> "notes.dbt"); the
// extension's case follows the table name's.
std::string MemoFileNameFor(const std::string& table_name, uint8_t version);

uint32_t LoadLe32(const uint8_t* p);
uint32_t LoadBe32(const uint8_t* p);
void StoreLe32(uint8_t* p, uint32_t v);
void StoreBe32(uint8_t* p, uint32_t v);

// Where a memo's bytes are, as found at its first block.
struct MemoSpan {
  uint32_t block = 0;
  uint64_t data_start = 0;  // file offset of the first memo byte
  int64_t length = 0;       // data bytes; -1: raw text ending at 0x1A or EOF
  uint32_t header_size = 0; // 0 or 8
  uint32_t type = 1;        // FoxPro record type
};

class MemoFile {
 public:
  // Creates (replacing) an empty memo file of `kind`. Leaves it closed.
  static Status Create(const std::string& path, uint8_t kind, int block_size,
                       const std::string& caller);
  // Opens an existing memo file with the share mode `mode`.
  static Result<std::unique_ptr<MemoFile>> Open(const std::string& path, uint8_t kind, int mode);
  // Wraps an already open file (tests, the fuzz target).
  static Result<std::unique_ptr<MemoFile>> Attach(std::unique_ptr<platform::File> file,
                                                  const std::string& path, uint8_t kind);

  const std::string& path() const { return path_; }
  uint8_t kind() const { return kind_; }
  MemoFlavor flavor() const { return FlavorOf(kind_); }
  uint32_t block_size() const { return block_size_; }
  platform::File& file() { return *file_; }
  // First block a memo may start at (past the file header).
  uint32_t FirstDataBlock() const;

  // Whether Lock really takes the lock byte (network mode, shared table).
  void set_locking(bool on) { locking_ = on; }
  bool locked() const { return locked_; }
  Status Lock(const std::string& caller);
  Status Unlock();

  Result<uint64_t> Size();
  // File size in blocks, rounded up; at least 1.
  Result<uint32_t> SizeInBlocks();

  // Takes the lock and pads the file with zeros to a block boundary (a new
  // dBASE III file counts as 512 bytes long, so its 0x1A is overwritten).
  // Returns the offset where a memo appended now starts.
  Result<uint64_t> LockPadAndSeekEnd(const std::string& caller);

  Result<uint32_t> ReadNextFree();
  Status WriteNextFree(uint32_t block);  // MainHeaderWrite
  Status AddReleasedBlocks(uint32_t count);

  // Finds the memo at `block` and checks that it lies inside the file.
  // Block 0 is the empty memo. Fails with 1003 for a block or length that
  // points outside the file.
  Result<MemoSpan> Locate(uint32_t block);
  // Blocks the memo at `block` covers; 0 when it carries no valid header.
  Result<uint32_t> Extent(uint32_t block);
  // The whole memo at `block` (raw memos up to their first 0x1A).
  Result<std::string> ReadMemo(uint32_t block);

  // Writes the memo header at `block` for `length` data bytes.
  Status WriteGroupHeader(uint32_t block, uint32_t length, uint32_t type = 1);

  // Chooses the block for a memo needing `need` blocks (kOpenEnded: size
  // unknown), replacing the memo at `old_block` (0: none). dBASE IV reuses
  // the old run when it is big enough, else a free run, else the end; the
  // other kinds append. REQUIRES: the lock is held and the file is padded.
  Result<uint32_t> PlaceMemo(uint32_t need, uint32_t old_block, const std::string& caller);
  // Gives `count` blocks from `first` back to the free chain (dBASE IV).
  Status ReleaseMemoBlocks(uint32_t first, uint32_t count, const std::string& caller);
  // After an append: leaves the header (FoxPro, dBASE III) or the chain's
  // last pointer (dBASE IV) naming the end block.
  Status FinishAppend(const std::string& caller);

  // Writes `data` as the memo replacing `old_block` and returns its block
  // (negative in a dBASE III file for a memo that needed a header). Takes
  // and releases the lock.
  Result<int32_t> WriteMemo(uint32_t old_block, std::string_view data, const std::string& caller,
                            uint32_t type = 1);

  Status Flush();
  Status Close();

  // Blocks needed by `length` data bytes with the memo header of this kind.
  uint32_t BlocksFor(uint64_t length) const;

 private:
  MemoFile(std::unique_ptr<platform::File> file, std::string path, uint8_t kind)
      : file_(std::move(file)), path_(std::move(path)), kind_(kind) {}
  Status ReadHeaderFields();
  Result<bool> IsFreshDbase3();
  Status ReadExact(uint64_t offset, uint8_t* out, size_t count, const std::string& caller);
  Status WriteBytes(uint64_t offset, const uint8_t* data, size_t count, const std::string& caller);
  struct Element {
    uint32_t next = 0;
    uint32_t run = 0;
  };
  Result<Element> ReadElement(uint32_t block, const std::string& caller);
  Status WriteElement(uint32_t block, Element e, const std::string& caller);
  Status WriteNextPointer(uint32_t block, uint32_t next, const std::string& caller);
  Status Corrupt(const std::string& what, const std::string& caller) const;

  std::unique_ptr<platform::File> file_;
  std::string path_;
  uint8_t kind_;
  uint32_t block_size_ = 512;
  bool locking_ = false;
  bool locked_ = false;
  // Chain element whose next pointer names the end after the last append.
  uint32_t tail_ = 0;
  bool tail_pending_ = false;
};

}  // namespace xb
