#pragma once
// Edits of one tag's B-tree in the file: finding the place of an entry by
// (key, record number), inserting an entry with node splits and new roots,
// and removing an entry without ever merging nodes.
//
// Entry order: by key under the tag's comparison, equal keys by ascending
// record number, the order a build produces. Keeping that order on every
// insertion lets a record's entry be found by (key, record number) with a
// binary search at each level instead of a walk over the duplicates of its
// key, which for one-letter flag keys may be half the table. An interior
// entry stores only the greatest key below its child; among children whose
// greatest key equals the searched key, the child is chosen by the record
// number of its greatest entry (read from its rightmost leaf).
//
// Order of writes, so that the file stays a well-formed tree after each:
//   split:    the new right half is appended first (unreachable until its
//             parent names it), then the left half is rewritten, then the
//             parent (or a new root, then the anchor).
//   removal:  the leaf first, then each ancestor whose separator changed.
// A crash between the writes can lose the keys of the half not yet linked,
// never make a node name a block that holds no node.
//
// Invariants kept (checked by VerifyIndexFile):
//   (1) entries ascend by (key, record number); a unique tag holds a key once;
//   (2) each interior entry's key is the greatest key below its child;
//   (3) no leaf other than an empty root leaf is empty, and every leaf is
//       at the same depth.
#include <cstdint>
#include <limits>

#include "engine/index/mdx_file.h"
#include "engine/table/status.h"

namespace xb {

// Record numbers that place a search before / after every entry of a key.
inline constexpr int32_t kBeforeEqualKeys = 0;
inline constexpr int32_t kAfterEqualKeys = std::numeric_limits<int32_t>::max();

// Descends from the root to the leaf where (key, recno) belongs, recording
// the path in Path() (owned by `tag`, each level's entry being the child
// taken) and making that leaf the tag's current node, its entry the first
// one not less than (key, recno) (count() when all are less).
Status SeekEntry(MdxFile& mdx, IndexTag& tag, const uint8_t* key, int32_t recno);
// True when the tag's current entry exists and carries `key` (and `recno`
// unless it is negative).
bool AtEntry(IndexTag& tag, const uint8_t* key, int32_t recno);

// Inserts (key, recno) at the position SeekEntry found, splitting nodes up
// to a new root as needed. REQUIRES: SeekEntry for this key just ran.
Status InsertAtPath(MdxFile& mdx, IndexTag& tag, const uint8_t* key, int32_t recno);
// Removes the tag's current entry. REQUIRES: SeekEntry just ran and
// AtEntry holds.
Status RemoveAtPath(MdxFile& mdx, IndexTag& tag);

}  // namespace xb
