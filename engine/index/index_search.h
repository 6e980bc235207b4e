#pragma once
// Moving through a tag: descents to the first and last key, key search,
// stepping to the next and prior key over the DescentPath, positioning a
// tag on the current record (SyncIndex), and the commands built on them:
// _FindFirstRec, _FindLastRec, _FindNextRec, _FindPriorRec, Find and
// FindExact.
//
// A tag is positioned on (current node, entry) and, while it owns the
// DescentPath, on the path from the root to that node. Every descent from
// the root resets the path and takes it; next and prior first rebuild the
// path when another tag took it in between.
//
// Promises:
//   (1) After a successful positioning operation the tag's current node is
//       a leaf, its entry is inside it (or the end-of-index entry is
//       current), and the path's top is that leaf.
//   (2) Stepping never loops: every step pops or advances one level, and a
//       descent is bounded by kMaxTreeDepth.
#include <cstdint>
#include <string>

#include "engine/index/mdx_file.h"
#include "engine/table/status.h"

namespace xb {

struct WorkArea;

enum class SeekOutcome {
  kFound,    // on the first entry equal over the compare length
  kAfter,    // on the first entry greater than the key
  kPastEnd,  // no entry is >= the key; on the last entry
  kEmpty,    // the tag holds no key
};

// The position of `key` in one node: the first entry >= key over
// `compare_length` bytes (count() when every key is smaller).
int NodeSearch(const KeyOrder& order, NodeView node, const uint8_t* key, int compare_length);

// Descends from the root to the first (last) key. `empty` tells whether
// the tag holds no key; then the root leaf is current.
Status DescendFirst(MdxFile& mdx, IndexTag& tag, bool& empty);
Status DescendLast(MdxFile& mdx, IndexTag& tag, bool& empty);
// One key forward (back). False when there is none; the tag then stays on
// the last (first) key. REQUIRES: the tag owns the path (EnsurePath).
Result<bool> StepNext(MdxFile& mdx, IndexTag& tag);
Result<bool> StepPrior(MdxFile& mdx, IndexTag& tag);
// Searches `key` from the root, as navigation does: a key beyond a leaf's
// last entry moves on to the next key.
Result<SeekOutcome> SeekKey(MdxFile& mdx, IndexTag& tag, const uint8_t* key, int compare_length);
// Rebuilds the path to the tag's current entry when another tag owns it.
Status EnsurePath(MdxFile& mdx, IndexTag& tag, const char* caller);

// Positions `tag` on the area's current record (the controlling tag goes
// past its last key when the record has no key in it; other tags to their
// last key).
Status SyncTag(MdxFile& mdx, IndexTag& tag, bool controlling);
// Stands the tag on its entry (key, recno) and sets `found`. Our writer
// keeps equal keys in record order, so the (key, recno) descent finds the
// entry at once; other writers may leave a run of equal keys in any order
// (descending record numbers are common), and only when the descent misses
// is the run walked from its first entry. When not found, the tag stands
// where the descent put it, as InsertAtPath expects.
Status LocateEntry(MdxFile& mdx, IndexTag& tag, const uint8_t* key, int32_t recno, bool& found);
// Finds the controlling tag again on the current record after another
// process changed the file (212 when the record's key is missing).
Status SoftSyncIndex(MdxFile& mdx, IndexTag& tag);
// SyncTag for position 1 only, or for every open tag.
Status SyncIndex(MdxFile& mdx, bool all);
// The tag's current key := key of the current record (blank without one).
void RefreshCurrentKey(MdxFile& mdx, IndexTag& tag);

// --- commands on the current work area --------------------------------------

int32_t _FindFirstRec();
int32_t _FindLastRec();
int32_t _FindNextRec();
int32_t _FindPriorRec();
// The same for an explicit area (the hooks' entry points). Errors are
// recorded with SetError and 0 is returned.
int32_t FindFirstRecIn(WorkArea& area);
int32_t FindLastRecIn(WorkArea& area);
int32_t FindNextRecIn(WorkArea& area);
int32_t FindPriorRecIn(WorkArea& area);

// Searches the controlling tag. Found: the table is on the first visible
// record whose key begins with (Find) or equals (FindExact) the text.
// Not found: the table is at end of file.
bool Find(const std::string& text);
bool FindExact(const std::string& text);
// The found result of the last search or step; engine-wide.
bool FoundResult();
// The engine's exact-match switch (FindExact sets it for its duration).
bool SetExactMatch(bool on);  // returns the previous value
bool ExactMatch();

}  // namespace xb
