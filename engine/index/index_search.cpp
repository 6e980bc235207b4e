#include "engine/index/index_search.h"

#include <algorithm>
#include <cstring>

#include "engine/index/index_keys.h"
#include "engine/index/tree_edit.h"
#include "engine/index/semaphore.h"
#include "engine/table/dates.h"
#include "engine/table/error_state.h"
#include "engine/table/navigation.h"
#include "engine/table/work_area.h"
#include "platform/codepage.h"

namespace xb {
namespace {

bool g_found = false;
bool g_exact = false;

Status TooDeep(MdxFile& mdx, IndexTag& tag) {
  return Status(254, "Index file corrupted. " + TagDescription(mdx, tag) +
                         " (tree deeper than " + std::to_string(kMaxTreeDepth) + " levels)");
}

// Reads `block` as the next level of the path.
Status PushLevel(MdxFile& mdx, IndexTag& tag, int32_t block, PathLevel& level) {
  if (Path().levels().size() >= static_cast<size_t>(kMaxTreeDepth)) return TooDeep(mdx, tag);
  level.block = block;
  if (block == 0) return GetNode(mdx, tag, 0);  // the engine's message for block 0
  // A node met again on the way down means the tree loops.
  if (Path().Find(block) != nullptr)
    return Status(254, "Index file corrupted. " + TagDescription(mdx, tag) + " (node " +
                           std::to_string(block) + " lies below itself)");
  return SeekAndRead(mdx, tag, block, level.node);
}

void MakeCurrent(IndexTag& tag, const PathLevel& leaf, int entry) {
  tag.node = leaf.node;
  tag.node_block = leaf.block;
  tag.entry = entry;
}

// From `block` down to a leaf, always taking the leftmost (rightmost) child.
Status DescendEdge(MdxFile& mdx, IndexTag& tag, int32_t block, bool leftmost) {
  auto& levels = Path().levels();
  for (;;) {
    PathLevel level;
    if (Status s = PushLevel(mdx, tag, block, level); !s.ok()) return s;
    NodeView v(level.node.data(), tag.entry_length);
    if (v.is_leaf()) {
      level.entry = leftmost ? 0 : std::max(0, v.count() - 1);
      levels.push_back(level);
      MakeCurrent(tag, levels.back(), level.entry);
      return Status::OK();
    }
    level.entry = leftmost ? 0 : v.count();
    block = v.pointer(level.entry);
    levels.push_back(level);
  }
}

Status Descend(MdxFile& mdx, IndexTag& tag, bool first, bool& empty) {
  Path().Reset(&tag);
  if (Status s = DescendEdge(mdx, tag, AnchorRoot(tag.anchor), first); !s.ok()) return s;
  empty = tag.view().count() == 0;
  if (!empty || Path().levels().size() == 1) return Status::OK();
  // An empty leaf below the root: move on to the nearest key.
  Result<bool> moved = first ? StepNext(mdx, tag) : StepPrior(mdx, tag);
  if (!moved.ok()) return moved.status();
  empty = tag.view().count() == 0;
  return Status::OK();
}

Result<bool> Step(MdxFile& mdx, IndexTag& tag, bool forward) {
  NodeView v = tag.view();
  if (forward ? tag.entry + 1 < v.count() : (tag.entry > 0 && tag.entry < v.count())) {
    tag.entry += forward ? 1 : -1;
    if (!Path().levels().empty()) Path().levels().back().entry = tag.entry;
    return true;
  }
  auto& levels = Path().levels();
  if (!levels.empty()) levels.pop_back();  // the current leaf
  while (!levels.empty()) {
    PathLevel& top = levels.back();
    NodeView tv(top.node.data(), tag.entry_length);
    if (forward ? top.entry >= tv.count() : top.entry <= 0) {
      levels.pop_back();
      continue;
    }
    top.entry += forward ? 1 : -1;
    if (Status s = DescendEdge(mdx, tag, tv.pointer(top.entry), forward); !s.ok()) return s;
    if (tag.view().count() > 0) return true;
    levels.pop_back();  // an empty leaf; keep climbing
  }
  // No key in that direction: stay on the last (first) key.
  Path().Reset(&tag);
  if (Status s = DescendEdge(mdx, tag, AnchorRoot(tag.anchor), !forward); !s.ok()) return s;
  return false;
}

const uint8_t* EntryKey(IndexTag& tag) { return tag.view().key(tag.entry); }

void CopyCurrentKey(IndexTag& tag) {
  std::memcpy(tag.current_key.data(), EntryKey(tag), static_cast<size_t>(tag.key_length));
  tag.current_key[tag.key_length] = 0;
}

Status GoEndOfIndex(MdxFile& mdx, IndexTag& tag) {
  bool empty = false;
  if (Status s = DescendLast(mdx, tag, empty); !s.ok()) return s;
  tag.eof = true;
  return GetNode(mdx, tag, kEndOfIndexBlock);
}

// Loads record n for the index layer and leaves the table on it.
void LoadRecord(WorkArea& area, int32_t n) {
  Dbf4RawGo(n);
  if (n >= 1 && n <= area.dbf.record_count) area.dbf.bof = area.dbf.eof = false;
}

MdxFile* RequireIndex(WorkArea& area, const std::string& operation) {
  MdxFile* mdx = MdxOf(area);
  if (mdx == nullptr || mdx->controlling() == nullptr)
    SetError(221, "Index not open. (DBF=" + area.dbf.file_name + ") [" + operation + "]");
  return mdx != nullptr && mdx->controlling() != nullptr ? mdx : nullptr;
}

bool TagHasNoKeys(IndexTag& tag) { return AnchorHasFor(tag.anchor) && !AnchorForSatisfied(tag.anchor); }

// A step that cannot be taken over a damaged tree records the error and
// answers as the end of the index, so that callers walking until EOF or
// BOF stop instead of retrying the same broken step for ever.
int32_t FailedAtEnd(WorkArea& area, IndexTag& tag, const Status& s) {
  tag.bof = tag.eof = true;
  return Fail(s, area.dbf.record_count + 1);
}
int32_t FailedStep(WorkArea& area, IndexTag& tag, const Status& s, bool forward) {
  (forward ? tag.eof : tag.bof) = true;
  return Fail(s, area.dbf.current_record);
}

}  // namespace

Status SoftSyncIndex(MdxFile& mdx, IndexTag& tag) {
  WorkArea& area = mdx.area();
  const int32_t n = area.dbf.current_record;
  std::array<uint8_t, kMaxKeyLength + 1> key{};
  MakeKey(tag, area, key.data());
  bool found = false;
  if (tag.unique) {
    if (Status s = SeekEntry(mdx, tag, key.data(), kBeforeEqualKeys); !s.ok()) return s;
    found = AtEntry(tag, key.data(), -1);
  } else if (Status s = LocateEntry(mdx, tag, key.data(), n, found); !s.ok()) {
    return s;
  }
  if (found) {
    tag.bof = tag.eof = false;
    CopyCurrentKey(tag);
    return Status::OK();
  }
  if (!ForPasses(tag, area)) return Status::OK();
  return Status(212, "Record with key: \"" + KeyText(tag, key.data()) + "\" not in index: " +
                         TagDescription(mdx, tag) + ". [SoftSyncIndex]");
}

namespace {

// At the start of next and prior: after another process changed the index,
// the current record is read again and the tag found anew on it.
Status Resynchronise(MdxFile& mdx, IndexTag& tag) {
  bool changed = false;
  if (Status s = ApplyOtherChanges(mdx, &changed); !s.ok()) return s;
  if (!changed || tag.at_end_entry() || tag.eof) return Status::OK();
  WorkArea& area = mdx.area();
  const int32_t n = area.dbf.current_record;
  if (n < 1 || n > area.dbf.record_count) return GoEndOfIndex(mdx, tag);
  LoadRecord(area, n);
  return SoftSyncIndex(mdx, tag);
}

}  // namespace

int NodeSearch(const KeyOrder& order, NodeView node, const uint8_t* key, int compare_length) {
  const int n = node.count();
  if (n == 0 || order.Compare(key, node.key(0), compare_length) <= 0) return 0;
  if (order.Compare(key, node.key(n - 1), compare_length) > 0) return n;
  int lo = 1, hi = n - 1;  // the answer lies in [lo, hi]
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (order.Compare(node.key(mid), key, compare_length) >= 0)
      hi = mid;
    else
      lo = mid + 1;
  }
  return lo;
}

Status DescendFirst(MdxFile& mdx, IndexTag& tag, bool& empty) { return Descend(mdx, tag, true, empty); }
Status DescendLast(MdxFile& mdx, IndexTag& tag, bool& empty) { return Descend(mdx, tag, false, empty); }
Result<bool> StepNext(MdxFile& mdx, IndexTag& tag) { return Step(mdx, tag, true); }
Result<bool> StepPrior(MdxFile& mdx, IndexTag& tag) { return Step(mdx, tag, false); }

Result<SeekOutcome> SeekKey(MdxFile& mdx, IndexTag& tag, const uint8_t* key, int compare_length) {
  Path().Reset(&tag);
  auto& levels = Path().levels();
  int32_t block = AnchorRoot(tag.anchor);
  for (;;) {
    PathLevel level;
    if (Status s = PushLevel(mdx, tag, block, level); !s.ok()) return s;
    NodeView v(level.node.data(), tag.entry_length);
    const int pos = NodeSearch(tag.order, v, key, compare_length);
    if (!v.is_leaf()) {
      level.entry = pos;
      block = v.pointer(pos);
      levels.push_back(level);
      continue;
    }
    level.entry = std::min(pos, std::max(0, v.count() - 1));
    levels.push_back(level);
    MakeCurrent(tag, levels.back(), level.entry);
    if (pos < v.count())
      return tag.order.Compare(EntryKey(tag), key, compare_length) == 0 ? SeekOutcome::kFound
                                                                         : SeekOutcome::kAfter;
    if (v.count() == 0 && levels.size() == 1) return SeekOutcome::kEmpty;
    Result<bool> moved = StepNext(mdx, tag);
    if (!moved.ok()) return moved.status();
    if (!*moved) return tag.view().count() == 0 ? SeekOutcome::kEmpty : SeekOutcome::kPastEnd;
    return tag.order.Compare(EntryKey(tag), key, compare_length) == 0 ? SeekOutcome::kFound
                                                                       : SeekOutcome::kAfter;
  }
}

Status EnsurePath(MdxFile& mdx, IndexTag& tag, const char* caller) {
  auto& levels = Path().levels();
  if (Path().OwnedBy(&tag) && !levels.empty() && levels.back().block == tag.node_block)
    return Status::OK();
  if (tag.view().count() == 0) {
    bool empty = false;
    return DescendFirst(mdx, tag, empty);
  }
  const int32_t wanted = tag.CurrentRecno();
  std::array<uint8_t, kMaxKeyLength + 1> key{};
  std::memcpy(key.data(), EntryKey(tag), static_cast<size_t>(tag.key_length));
  bool found = false;
  if (Status s = LocateEntry(mdx, tag, key.data(), wanted, found); !s.ok()) return s;
  if (found) return Status::OK();
  // The entry is gone (changed by another process): stand on the key's
  // place instead, as a search would.
  SetError(254, std::string(" [") + caller + "]");
  Result<SeekOutcome> r = SeekKey(mdx, tag, key.data(), tag.key_length);
  return r.ok() ? Status::OK() : r.status();
}

Status LocateEntry(MdxFile& mdx, IndexTag& tag, const uint8_t* key, int32_t recno, bool& found) {
  found = false;
  if (Status s = SeekEntry(mdx, tag, key, recno); !s.ok()) return s;
  found = AtEntry(tag, key, recno);
  if (found || recno <= kBeforeEqualKeys || recno == kAfterEqualKeys) return Status::OK();
  if (Status s = SeekEntry(mdx, tag, key, kBeforeEqualKeys); !s.ok()) return s;
  bool more = tag.entry < tag.view().count();
  if (!more) {
    // Every key of that leaf is less: the run starts in the next one.
    Result<bool> moved = StepNext(mdx, tag);
    if (!moved.ok()) return moved.status();
    more = *moved;
  }
  while (more && AtEntry(tag, key, -1)) {
    if (AtEntry(tag, key, recno)) {
      found = true;
      return Status::OK();
    }
    Result<bool> moved = StepNext(mdx, tag);
    if (!moved.ok()) return moved.status();
    more = *moved;
  }
  return SeekEntry(mdx, tag, key, recno);
}

Status SyncTag(MdxFile& mdx, IndexTag& tag, bool controlling) {
  WorkArea& area = mdx.area();
  const int32_t n = area.dbf.current_record;
  if (n >= 1 && n <= area.dbf.record_count && ForPasses(tag, area)) {
    std::array<uint8_t, kMaxKeyLength + 1> key{};
    MakeKey(tag, area, key.data());
    bool found = false;
    if (tag.unique) {
      if (Status s = SeekEntry(mdx, tag, key.data(), kBeforeEqualKeys); !s.ok()) return s;
      found = AtEntry(tag, key.data(), -1);
    } else if (Status s = LocateEntry(mdx, tag, key.data(), n, found); !s.ok()) {
      return s;
    }
    if (!found) {
      // Tell a missing key from a key without this record.
      const bool key_there = AtEntry(tag, key.data(), -1) || [&] {
        Result<SeekOutcome> r = SeekKey(mdx, tag, key.data(), tag.key_length);
        return r.ok() && *r == SeekOutcome::kFound;
      }();
      if (!key_there)
        return Status(212, "Key: \"" + KeyText(tag, key.data()) + "\" not in index: " +
                               TagDescription(mdx, tag) + ". [SyncIndex-1] Record: " + std::to_string(n));
      return Status(212, "Record with key: \"" + KeyText(tag, key.data()) + "\" not in index: " +
                             TagDescription(mdx, tag) + ". [SyncIndex-2]");
    }
    tag.bof = tag.eof = false;
    CopyCurrentKey(tag);
    return Status::OK();
  }
  if (controlling) return GoEndOfIndex(mdx, tag);
  bool empty = false;
  return DescendLast(mdx, tag, empty);
}

Status SyncIndex(MdxFile& mdx, bool all) {
  if (Status s = ApplyOtherChanges(mdx, nullptr); !s.ok()) return s;
  const bool natural = mdx.natural_order;
  mdx.natural_order = false;
  Status result;
  for (int p = 1; p <= (all ? kMaxTags : 1) && result.ok(); ++p)
    if (IndexTag* tag = mdx.positions[p].get()) result = SyncTag(mdx, *tag, p == 1);
  mdx.natural_order = natural;
  return result;
}

void RefreshCurrentKey(MdxFile& mdx, IndexTag& tag) {
  WorkArea& area = mdx.area();
  const int32_t n = area.dbf.current_record;
  if (n >= 1 && n <= area.dbf.record_count)
    MakeKey(tag, area, tag.current_key.data());
  else
    BlankKey(tag, tag.current_key.data());
}

namespace {

// The first or last entry of the controlling tag, by the given descent.
int32_t FindEdgeRec(WorkArea& area, Status (*descend)(MdxFile&, IndexTag&, bool&)) {
  MdxFile* mdx = RequireIndex(area, "_FindFirst/LastRec");
  if (mdx == nullptr) return 0;
  IndexTag& tag = *mdx->controlling();
  if (Status s = ApplyOtherChanges(*mdx, nullptr); !s.ok()) return FailedAtEnd(area, tag, s);
  bool empty = false;
  if (Status s = descend(*mdx, tag, empty); !s.ok()) return FailedAtEnd(area, tag, s);
  if (empty) {
    tag.bof = tag.eof = true;
    return area.dbf.record_count + 1;
  }
  tag.bof = tag.eof = false;
  g_found = true;
  CopyCurrentKey(tag);
  return tag.CurrentRecno();
}

}  // namespace

int32_t FindFirstRecIn(WorkArea& area) { return FindEdgeRec(area, &DescendFirst); }
int32_t FindLastRecIn(WorkArea& area) { return FindEdgeRec(area, &DescendLast); }

int32_t FindNextRecIn(WorkArea& area) {
  g_found = false;
  MdxFile* mdx = RequireIndex(area, "_FindNextRec");
  if (mdx == nullptr) return 0;
  IndexTag& tag = *mdx->controlling();
  if (Status s = Resynchronise(*mdx, tag); !s.ok()) return FailedStep(area, tag, s, true);
  if (area.dbf.record_count == 0 || TagHasNoKeys(tag)) {
    tag.bof = tag.eof = true;
    return area.dbf.record_count + 1;
  }
  tag.bof = false;
  if (tag.eof || tag.at_end_entry()) {
    if (Status s = GoEndOfIndex(*mdx, tag); !s.ok()) return FailedStep(area, tag, s, true);
    return tag.view().count() == 0 ? area.dbf.record_count + 1 : tag.view().pointer(tag.view().count() - 1);
  }
  if (Status s = EnsurePath(*mdx, tag, "_FindNextRec"); !s.ok()) return FailedStep(area, tag, s, true);
  if (tag.view().count() == 0) {
    tag.bof = tag.eof = true;
    return area.dbf.record_count + 1;
  }
  Result<bool> moved = StepNext(*mdx, tag);
  if (!moved.ok()) return FailedStep(area, tag, moved.status(), true);
  if (!*moved) tag.eof = true;
  g_found = !tag.eof;
  CopyCurrentKey(tag);
  return tag.CurrentRecno();
}

int32_t FindPriorRecIn(WorkArea& area) {
  g_found = false;
  MdxFile* mdx = RequireIndex(area, "_FindPriorRec");
  if (mdx == nullptr) return 0;
  IndexTag& tag = *mdx->controlling();
  if (Status s = Resynchronise(*mdx, tag); !s.ok()) return FailedStep(area, tag, s, false);
  if (area.dbf.record_count == 0 || TagHasNoKeys(tag)) {
    tag.bof = tag.eof = true;
    return area.dbf.record_count + 1;
  }
  tag.eof = false;
  if (tag.at_end_entry()) return FindLastRecIn(area);
  if (tag.bof) return area.dbf.current_record;
  if (Status s = EnsurePath(*mdx, tag, "_FindPriorRec"); !s.ok()) return FailedStep(area, tag, s, false);
  if (tag.view().count() == 0) {
    tag.bof = tag.eof = true;
    return area.dbf.record_count + 1;
  }
  Result<bool> moved = StepPrior(*mdx, tag);
  if (!moved.ok()) return FailedStep(area, tag, moved.status(), false);
  if (!*moved) tag.bof = true;
  g_found = !tag.bof;
  CopyCurrentKey(tag);
  return tag.CurrentRecno();
}

namespace {

int32_t OnCurrent(int32_t (*fn)(WorkArea&), const char* name) {
  WorkArea* area = RequireArea(name);
  return area == nullptr ? 0 : fn(*area);
}

// The search key for `text` and the number of bytes that must match.
int BuildSearchKey(IndexTag& tag, WorkArea& area, const std::string& text, uint8_t* key) {
  std::memset(key, 0, kMaxKeyLength + 1);
  switch (tag.order.type) {
    case KeyType::kNumeric: {
      const NumericKey k = EncodeNumericText(text, 0);
      std::memcpy(key, k.data(), k.size());
      return tag.key_length;
    }
    case KeyType::kDate: {
      size_t b = 0, e = text.size();
      while (b < e && text[b] == ' ') ++b;
      while (e > b && text[e - 1] == ' ') --e;
      const auto k = EncodeDate(TextToJulian(std::string_view(text).substr(b, e - b)));
      std::memcpy(key, k.data(), k.size());
      return tag.key_length;
    }
    case KeyType::kChar: break;
  }
  const size_t given = std::min(text.size(), static_cast<size_t>(tag.key_length));
  std::memcpy(key, text.data(), given);
  size_t filled = given;
  if (g_exact) {
    std::memset(key + filled, ' ', static_cast<size_t>(tag.key_length) - filled);
    filled = static_cast<size_t>(tag.key_length);
  }
  if (area.dbf.oem) platform::CharToOem(std::span<uint8_t>(key, filled));
  // Over the compared bytes the padding cannot matter; it keeps the key
  // well-formed for a descending tag searched with a short text.
  if (tag.order.descending) std::memset(key + filled, 0xFE, static_cast<size_t>(tag.key_length) - filled);
  return g_exact ? tag.key_length : static_cast<int>(given);
}

bool NotFound(WorkArea& area, MdxFile& mdx, IndexTag& tag) {
  LoadRecord(area, area.dbf.record_count + 1);
  (void)GoEndOfIndex(mdx, tag);
  tag.eof = true;
  g_found = false;
  return false;
}

}  // namespace

int32_t _FindFirstRec() { return OnCurrent(FindFirstRecIn, "_FindFirstRec"); }
int32_t _FindLastRec() { return OnCurrent(FindLastRecIn, "_FindLastRec"); }
int32_t _FindNextRec() { return OnCurrent(FindNextRecIn, "_FindNextRec"); }
int32_t _FindPriorRec() { return OnCurrent(FindPriorRecIn, "_FindPriorRec"); }

bool Find(const std::string& text_in) {
  g_found = false;
  WorkArea* area = RequireArea("Find");
  if (area == nullptr) return false;
  MdxFile* mdx = MdxOf(*area);
  if (mdx == nullptr || mdx->controlling() == nullptr)
    return Fail(Status(221, "Index not open. (DBF=" + area->dbf.file_name + ") [Find]"));
  if (mdx->natural_order)
    return Fail(Status(254, "Cannot use Find() with index order 0 (natural order) [Find]"));
  if (text_in.empty()) return false;
  const std::string text = text_in.substr(0, kMaxKeyLength);
  IndexTag& tag = *mdx->controlling();
  ReadRegistration reading(*area);
  if (area->dbf.record_count == 0 || TagHasNoKeys(tag)) return NotFound(*area, *mdx, tag);
  if (Status s = ApplyOtherChanges(*mdx, nullptr); !s.ok()) return Fail(s);
  std::array<uint8_t, kMaxKeyLength + 1> key{};
  const int compare_length = BuildSearchKey(tag, *area, text, key.data());
  Result<SeekOutcome> r = SeekKey(*mdx, tag, key.data(), compare_length);
  if (!r.ok()) return Fail(r.status());
  if (*r == SeekOutcome::kEmpty) return NotFound(*area, *mdx, tag);
  tag.eof = *r == SeekOutcome::kPastEnd;
  tag.bof = false;
  LoadRecord(*area, tag.CurrentRecno());
  while (!tag.eof && !IsVisibleIn(*area)) {
    Result<bool> moved = StepNext(*mdx, tag);
    if (!moved.ok()) return Fail(moved.status());
    if (!*moved) {
      tag.eof = true;
      break;
    }
    LoadRecord(*area, tag.CurrentRecno());
  }
  CopyCurrentKey(tag);
  const bool found = !tag.eof && tag.order.Compare(EntryKey(tag), key.data(), compare_length) == 0;
  if (!found) return NotFound(*area, *mdx, tag);
  RefreshCurrentKey(*mdx, tag);
  g_found = true;
  return true;
}

bool FindExact(const std::string& text) {
  // Restored also when the search raises EEngineError.
  struct RestoreExact {
    bool saved = SetExactMatch(true);
    ~RestoreExact() { SetExactMatch(saved); }
  } restore;
  return Find(text);
}

bool FoundResult() { return g_found; }

bool SetExactMatch(bool on) {
  const bool previous = g_exact;
  g_exact = on;
  return previous;
}

bool ExactMatch() { return g_exact; }

}  // namespace xb
