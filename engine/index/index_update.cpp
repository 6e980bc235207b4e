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

namespace {

// What one key change did to each tag (by position), so that it can be
// undone: the old key taken out, the new one put in.
struct KeyMove {
  bool changed = false;  // the key or its presence differs
  bool removed_old = false;
  bool added_new = false;
};

struct KeyChange {
  explicit KeyChange(int32_t r) : recno(r) {}
  int32_t recno;
  std::array<KeyMove, kMaxTags + 1> moves{};
  std::array<KeyBuffer, kMaxTags + 1> new_keys{};
};

// Puts a tag back as it was before the change: the new key out, the old
// one (tag.old_key) back in. False when that fails too.
bool UndoKeyMove(MdxFile& mdx, IndexTag& tag, const KeyMove& move, const uint8_t* new_key, int32_t recno) {
  if (move.added_new) {
    bool removed = false;
    if (!RemoveKey(mdx, tag, new_key, recno, removed).ok() || !removed) return false;
  }
  if (move.removed_old && !AppendIndex(mdx, tag, tag.old_key.data(), recno, false, nullptr).ok()) return false;
  return true;
}

// Ends a key change. When a tag failed, or the anchors and header cannot be
// written afterwards, every tag already changed is put back, last first, so
// that the table layer can put the record back too and no tag is left
// half-maintained. A failed re-positioning of the controlling tag after a
// change that stands does not fail it: the keys are stored, and the next
// move finds its place again.
Status FinishKeyChange(MdxFile& mdx, Status result, const KeyChange& change, const char* operation) {
  if (result.ok()) result = FlushIndexFile(mdx);
  if (!result.ok()) {
    OrderedScope ordered(mdx);
    for (int p = kMaxTags; p >= 1; --p) {
      IndexTag* tag = mdx.positions[p].get();
      if (tag == nullptr) continue;
      if (!UndoKeyMove(mdx, *tag, change.moves[p], change.new_keys[p].data(), change.recno)) {
        result = Status(254, "Index file corrupted. " + TagDescription(mdx, *tag) + " [" + operation + "]");
        break;
      }
    }
    (void)FlushIndexFile(mdx);
  }
  const bool reporting = SetReportErrors(false);
  (void)Reposition(mdx);
  SetReportErrors(reporting);
  return result;
}

}  // namespace

Status AppendNewKey(MdxFile& mdx) {
  if (Status s = ApplyOtherChanges(mdx, nullptr); !s.ok()) return s;
  WorkArea& area = mdx.area();
  KeyChange change(area.dbf.current_record);
  Status result;
  {
    OrderedScope ordered(mdx);
    for (int p = 1; p <= kMaxTags && result.ok(); ++p) {
      IndexTag* tag = mdx.positions[p].get();
      if (tag == nullptr) continue;
      KeyBuffer& key = change.new_keys[p];
      MakeKey(*tag, area, key.data());
      bool inserted = false;
      result = AppendIndex(mdx, *tag, key.data(), change.recno, true, &inserted);
      change.moves[p].added_new = inserted;
    }
  }
  return FinishKeyChange(mdx, result, change, "AppendNewKey");
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

Status CompareKeys(MdxFile& mdx) {
  if (Status s = ApplyOtherChanges(mdx, nullptr); !s.ok()) return s;
  WorkArea& area = mdx.area();
  KeyChange change(area.dbf.current_record);
  const int32_t recno = change.recno;
  Status result;
  {
    OrderedScope ordered(mdx);
    for (int p = 1; p <= kMaxTags && result.ok(); ++p) {
      IndexTag* tag = mdx.positions[p].get();
      if (tag == nullptr || !tag->old_noted) continue;
      KeyBuffer& key = change.new_keys[p];
      KeyMove& move = change.moves[p];
      MakeKey(*tag, area, key.data());
      const bool has_key = ForPasses(*tag, area);
      const bool same_key = tag->order.Compare(key.data(), tag->old_key.data()) == 0;
      if (has_key == tag->old_had_key && (same_key || !has_key)) continue;
      move.changed = true;
      if (tag->old_had_key) {
        bool removed = false;
        result = RemoveKey(mdx, *tag, tag->old_key.data(), recno, removed);
        move.removed_old = result.ok() && removed;
        if (result.ok() && !removed && !tag->unique) {
          SetErrorCodeOnly(1);
          result = Status(254, "Record number " + std::to_string(recno) + " not found in index." + " " +
                                   TagDescription(mdx, *tag) + " [CompareKeys]");
        }
      }
      if (result.ok() && has_key) {
        bool inserted = false;
        result = AppendIndex(mdx, *tag, key.data(), recno, false, &inserted);
        move.added_new = inserted;
      }
    }
  }
  result = FinishKeyChange(mdx, result, change, "CompareKeys");
  for (int p = 1; p <= kMaxTags; ++p) {
    IndexTag* tag = mdx.positions[p].get();
    if (tag == nullptr) continue;
    if (change.moves[p].changed && result.ok()) tag->current_key = change.new_keys[p];
    tag->old_noted = false;
  }
  return result;
}

}  // namespace xb
