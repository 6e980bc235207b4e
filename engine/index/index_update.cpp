#include "engine/index/index_update.h"

#include <array>
#include <cstring>

#include "engine/index/index_keys.h"
#include "engine/index/index_search.h"
#include "engine/index/tree_edit.h"
#include "engine/table/error_state.h"
#include "engine/table/work_area.h"

namespace xb {
namespace {

using KeyBuffer = std::array<uint8_t, kMaxKeyLength + 1>;

// Clears the natural-order flag for the length of a scope: key maintenance
// works on tags whatever order the table is read in.
class OrderedScope {
 public:
  explicit OrderedScope(MdxFile& mdx) : mdx_(mdx), saved_(mdx.natural_order) { mdx.natural_order = false; }
  ~OrderedScope() { mdx_.natural_order = saved_; }

 private:
  MdxFile& mdx_;
  bool saved_;
};

// Puts the controlling tag back on the current record after its nodes changed.
Status Reposition(MdxFile& mdx) {
  IndexTag* tag = mdx.controlling();
  if (tag == nullptr) return Status::OK();
  Status s = SyncTag(mdx, *tag, true);
  RefreshCurrentKey(mdx, *tag);
  return s;
}

}  // namespace

Status AppendIndex(MdxFile& mdx, IndexTag& tag, const uint8_t* key, int32_t recno, bool newest,
                   bool* inserted) {
  if (inserted != nullptr) *inserted = false;
  if (!ForPasses(tag, mdx.area())) return Status::OK();
  if (AnchorHasFor(tag.anchor) && !AnchorForSatisfied(tag.anchor)) {
    SetAnchorForSatisfied(tag.anchor, true);
    tag.anchor_changed = true;
  }
  const int32_t place = tag.unique ? kBeforeEqualKeys : (newest ? kAfterEqualKeys : recno);
  Status s = SeekEntry(mdx, tag, key, place);
  if (s.ok() && !(tag.unique && AtEntry(tag, key, -1))) {
    s = InsertAtPath(mdx, tag, key, recno);
    if (s.ok() && inserted != nullptr) *inserted = true;
  }
  // The path's entries no longer match the nodes after a split.
  Path().Reset(nullptr);
  if (s.ok() && tag.anchor_changed) s = WriteAnchor(mdx, tag);
  return s;
}

Status RemoveKey(MdxFile& mdx, IndexTag& tag, const uint8_t* key, int32_t recno, bool& removed) {
  removed = false;
  bool found = false;
  Status s;
  if (tag.unique) {
    s = SeekEntry(mdx, tag, key, kBeforeEqualKeys);
    found = s.ok() && AtEntry(tag, key, recno);
  } else {
    s = LocateEntry(mdx, tag, key, recno, found);
  }
  if (s.ok() && found) {
    s = RemoveAtPath(mdx, tag);
    removed = s.ok();
  }
  Path().Reset(nullptr);
  if (s.ok() && tag.anchor_changed) s = WriteAnchor(mdx, tag);
  return s;
}

Status AppendNewKey(MdxFile& mdx) {
  if (Status s = ApplyOtherChanges(mdx, nullptr); !s.ok()) return s;
  WorkArea& area = mdx.area();
  const int32_t recno = area.dbf.current_record;
  Status result;
  {
    OrderedScope ordered(mdx);
    std::array<bool, kMaxTags + 1> added{};
    int failed_at = 0;
    for (int p = 1; p <= kMaxTags; ++p) {
      IndexTag* tag = mdx.positions[p].get();
      if (tag == nullptr) continue;
      KeyBuffer key{};
      MakeKey(*tag, area, key.data());
      bool inserted = false;
      result = AppendIndex(mdx, *tag, key.data(), recno, true, &inserted);
      added[p] = inserted;
      if (!result.ok()) {
        failed_at = p;
        break;
      }
    }
    // Take the keys already added out again, last first.
    for (int p = failed_at - 1; failed_at > 0 && p >= 1; --p) {
      IndexTag* tag = mdx.positions[p].get();
      if (tag == nullptr || !added[p]) continue;
      KeyBuffer key{};
      MakeKey(*tag, area, key.data());
      bool removed = false;
      if (Status s = RemoveKey(mdx, *tag, key.data(), recno, removed); !s.ok() || !removed) {
        result = Status(254, "Index file corrupted. " + TagDescription(mdx, *tag) + " [AppendNewKey]");
        break;
      }
    }
  }
  Status flushed = FlushIndexFile(mdx);
  Status placed = Reposition(mdx);
  if (!result.ok()) return result;
  return flushed.ok() ? placed : flushed;
}

void NoteOldKeys(MdxFile& mdx) {
  WorkArea& area = mdx.area();
  for (auto& tag : mdx.positions) {
    if (tag == nullptr) continue;
    MakeKey(*tag, area, tag->old_key.data());
    tag->old_had_key = ForPasses(*tag, area);
    tag->old_noted = true;
  }
}

// What CompareKeys did to one tag, so that it can be undone.
struct KeyMove {
  bool changed = false;  // the key or its presence differs
  bool removed_old = false;
  bool added_new = false;
};

// Puts a tag back as it was before CompareKeys moved the record's key:
// the new key out, the old one back in. False when that fails too.
bool UndoKeyMove(MdxFile& mdx, IndexTag& tag, const KeyMove& move, const uint8_t* new_key, int32_t recno) {
  if (move.added_new) {
    bool removed = false;
    if (!RemoveKey(mdx, tag, new_key, recno, removed).ok() || !removed) return false;
  }
  if (move.removed_old && !AppendIndex(mdx, tag, tag.old_key.data(), recno, false, nullptr).ok()) return false;
  return true;
}

Status CompareKeys(MdxFile& mdx) {
  if (Status s = ApplyOtherChanges(mdx, nullptr); !s.ok()) return s;
  WorkArea& area = mdx.area();
  const int32_t recno = area.dbf.current_record;
  Status result;
  {
    OrderedScope ordered(mdx);
    std::array<KeyMove, kMaxTags + 1> moves{};
    std::array<KeyBuffer, kMaxTags + 1> new_keys{};
    int failed_at = 0;
    for (int p = 1; p <= kMaxTags && result.ok(); ++p) {
      IndexTag* tag = mdx.positions[p].get();
      if (tag == nullptr || !tag->old_noted) continue;
      KeyBuffer& key = new_keys[p];
      MakeKey(*tag, area, key.data());
      const bool has_key = ForPasses(*tag, area);
      const bool same_key = tag->order.Compare(key.data(), tag->old_key.data()) == 0;
      if (has_key == tag->old_had_key && (same_key || !has_key)) continue;
      moves[p].changed = true;
      if (tag->old_had_key) {
        bool removed = false;
        result = RemoveKey(mdx, *tag, tag->old_key.data(), recno, removed);
        moves[p].removed_old = result.ok() && removed;
        if (result.ok() && !removed && !tag->unique) {
          SetErrorCodeOnly(1);
          result = Status(254, "Record number " + std::to_string(recno) + " not found in index." + " " +
                                   TagDescription(mdx, *tag) + " [CompareKeys]");
        }
      }
      if (result.ok() && has_key) {
        bool inserted = false;
        result = AppendIndex(mdx, *tag, key.data(), recno, false, &inserted);
        moves[p].added_new = inserted;
      }
      if (!result.ok()) failed_at = p;
    }
    // A failure at one tag leaves every tag as it was: the keys already
    // moved go back, last first, so the record can be written back too.
    for (int p = failed_at; failed_at > 0 && p >= 1; --p) {
      IndexTag* tag = mdx.positions[p].get();
      if (tag == nullptr) continue;
      if (!UndoKeyMove(mdx, *tag, moves[p], new_keys[p].data(), recno)) {
        result = Status(254, "Index file corrupted. " + TagDescription(mdx, *tag) + " [CompareKeys]");
        break;
      }
    }
    for (int p = 1; p <= kMaxTags; ++p) {
      IndexTag* tag = mdx.positions[p].get();
      if (tag == nullptr) continue;
      if (moves[p].changed && result.ok()) tag->current_key = new_keys[p];
      tag->old_noted = false;
    }
  }
  Status flushed = FlushIndexFile(mdx);
  Status placed = Reposition(mdx);
  if (!result.ok()) return result;
  return flushed.ok() ? placed : flushed;
}

}  // namespace xb
