#pragma once
// The bytes of a multiple-index (.mdx) file outside its nodes: the 2048-byte
// file header with its tag table and name tree, and the 1024-byte tag header
// whose first 983 bytes an open tag keeps as its anchor. Pure byte work: no
// file access here (mdx_file does the reads and writes).
//
// The file is addressed in 512-byte blocks; block b is at offset b * 512.
// Tag headers and nodes take 1024 bytes (two blocks) and are named by their
// first block, so live block numbers are even and at least 4. New blocks are
// only ever appended; nothing inside the file is freed or reused.
//
// File header (all integers little-endian):
//
//   OFFSET  SIZE     DESCRIPTION
//   0       1        version, 2
//   1       3        creation date: year - 1900, month, day
//   4       16       table base name (no folder, no extension), zero-ended
//   20      2        2 (block size in 512-byte units)
//   22      2        1024 (block size in bytes)
//   24      1        1 (production index)
//   25      1        48 (tag table entries, entry 0 included)
//   26      2        32 (tag table entry length)
//   28      1        tags in use, 0..47
//   32      4        block counter: last tag header block, or new node + 1
//   44      3        date of last update (the creation date)
//   512     48 * 32  tag table
//
// Tag table entry i (1..47) at 512 + 32 * i; entry 0 only anchors the tree:
//
//   OFFSET  SIZE  DESCRIPTION
//   0       4     block of the tag header
//   4       11    tag name, upper case, zero-ended (<= 10 characters)
//   16      1     less child in the name tree (tag number, 0 = none)
//   17      1     greater-or-equal child
//   18      1     parent
//   19      1     2
//   20      1     key type letter C, N or D
//
// Tag header (first 983 bytes = anchor):
//
//   OFFSET  SIZE  DESCRIPTION
//   0       4     root node block
//   8       1     flags: 0x10 always, +0x08 descending, +0x40 unique
//   9       1     key type letter
//   12      2     key length, 1..100
//   14      2     maximum keys per node = 1012 / entry length
//   16      2     1 for date keys, else 0
//   18      2     entry length = key length + 4 rounded up to 4
//   23      1     1 when unique
//   24      221   key expression, zero-ended (<= 220 characters)
//   245     1     1 when a FOR condition is stored
//   246     1     1 once some record satisfied the FOR condition
//   762     221   FOR condition, zero-ended
//
// Invariants (checked by VerifyIndexFile in index_check):
//   (1) 0 <= tag count <= 47 and every entry 1..count names an even block
//       >= 4 whose 1024 bytes lie inside the file;
//   (2) the name tree over entries 1..count is the one RebuildNameTree makes;
//   (3) each anchor's key length is 1..100 and its entry length and maximum
//       keys follow from it as above; the key type is C, N or D (8 for D,
//       12 for N).
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "engine/table/status.h"

namespace xb {

inline constexpr uint64_t kMdxBlock = 512;
inline constexpr int kNodeSize = 1024;
inline constexpr int kMdxHeaderSize = 2048;
inline constexpr int kAnchorSize = 983;
inline constexpr int kMaxTags = 47;
inline constexpr int kMaxKeyLength = 100;
inline constexpr int kMaxExprLength = 220;
inline constexpr uint64_t kMinIndexFileSize = 3072;
inline constexpr int kTagTableOffset = 512;
inline constexpr int kTagEntrySize = 32;

inline constexpr uint8_t kTagFlagAlways = 0x10;
inline constexpr uint8_t kTagFlagDescending = 0x08;
inline constexpr uint8_t kTagFlagUnique = 0x40;

using MdxHeader = std::array<uint8_t, kMdxHeaderSize>;
using Anchor = std::array<uint8_t, kAnchorSize>;
using NodeBuffer = std::array<uint8_t, kNodeSize>;

inline uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline int32_t Get32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}
inline void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void Put32(uint8_t* p, int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(u >> (8 * i));
}

// --- file header and tag table -------------------------------------------

struct MdxDate {
  int year = 1900;  // full year
  int month = 1;
  int day = 1;
};

// A header with no tags for the table `table_base` (cut to 15 characters).
MdxHeader NewMdxHeader(const std::string& table_base, MdxDate today);

int TagCount(const MdxHeader& header);
void SetBlockCounter(MdxHeader& header, int32_t block);
int32_t BlockCounter(const MdxHeader& header);

struct TagEntry {
  int32_t header_block = 0;
  std::string name;  // as stored, upper case
  char key_type = 'C';
  uint8_t less = 0, greater = 0, parent = 0;
};
// REQUIRES: 0 <= i <= 47.
TagEntry ReadTagEntry(const MdxHeader& header, int i);
// The tag number (1..count) whose name equals `name`, or 0.
int FindTagByName(const MdxHeader& header, const std::string& name);
// Appends a tag entry (count + 1), first removing a tag of the same name,
// and rebuilds the name tree. REQUIRES: fewer than 47 tags after removal.
int AddTagEntry(MdxHeader& header, int32_t header_block, const std::string& name, char key_type);
// Moves the last entry into slot i, shrinks the count, rebuilds the tree.
void RemoveTagEntry(MdxHeader& header, int i);
// Rebuilds the less/greater/parent links of entries 0..count from scratch.
void RebuildNameTree(MdxHeader& header);

// --- tag header ------------------------------------------------------------

struct TagDefinition {
  std::string name;
  std::string key_expression;
  std::string for_expression;  // empty: no condition
  bool descending = false;
  bool unique = false;
};

// Entry length and node capacity for a key length.
inline int EntryLengthFor(int key_length) { return (key_length + 4 + 3) / 4 * 4; }
inline int MaxKeysFor(int entry_length) { return 1012 / entry_length; }

struct TagHeaderFields {
  int32_t root = 0;
  uint8_t flags = kTagFlagAlways;
  char key_type = 'C';
  int key_length = 0;
  std::string key_expression;
  std::string for_expression;
  bool has_for = false;
  bool for_satisfied = false;
};
// The full 1024-byte tag header.
NodeBuffer EncodeTagHeader(const TagHeaderFields& fields);

// Field access on an anchor (the first 983 bytes of a tag header).
inline int32_t AnchorRoot(const Anchor& a) { return Get32(&a[0]); }
inline void SetAnchorRoot(Anchor& a, int32_t root) { Put32(&a[0], root); }
inline uint8_t AnchorFlags(const Anchor& a) { return a[8]; }
inline char AnchorKeyType(const Anchor& a) { return static_cast<char>(a[9]); }
inline int AnchorKeyLength(const Anchor& a) { return Get16(&a[12]); }
inline int AnchorMaxKeys(const Anchor& a) { return Get16(&a[14]); }
inline int AnchorEntryLength(const Anchor& a) { return Get16(&a[18]); }
inline bool AnchorHasFor(const Anchor& a) { return a[245] != 0; }
inline bool AnchorForSatisfied(const Anchor& a) { return a[246] != 0; }
inline void SetAnchorForSatisfied(Anchor& a, bool on) { a[246] = on ? 1 : 0; }
std::string AnchorKeyExpression(const Anchor& a);
std::string AnchorForExpression(const Anchor& a);

// Checks the shape fields of an anchor: key length 1..100, entry length and
// maximum keys consistent with it, key length 8 for D and 12 for N. A
// Corruption-style status (code 222) names what is wrong.
Status CheckAnchorShape(const Anchor& a);

}  // namespace xb
