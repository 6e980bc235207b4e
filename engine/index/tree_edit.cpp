#include "engine/index/tree_edit.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "engine/index/index_search.h"
#include "platform/file.h"

namespace xb {
namespace {

Status Corrupt(MdxFile& mdx, IndexTag& tag, const std::string& what) {
  return Status(254, "Index file corrupted. " + TagDescription(mdx, tag) + " (" + what + ")");
}

// Raw edits of a node of `entry_length`-byte entries; `data` may be longer
// than a node (the combined buffer of a split).
struct RawNode {
  uint8_t* data;
  int length;  // entry length
  int count() const { return Get32(data); }
  void set_count(int n) { Put32(data, n); }
  uint8_t* slot(int i) const { return data + 8 + i * length; }
  int32_t pointer(int i) const { return Get32(slot(i)); }
  void set_pointer(int i, int32_t v) { Put32(slot(i), v); }
  uint8_t* key(int i) const { return slot(i) + 4; }

  // Shifts entries pos.. and the pointer after the last one right by one
  // entry and stores (ptr, key) at pos.
  void Insert(int pos, int32_t ptr, const uint8_t* k, int key_length) {
    const int n = count();
    std::memmove(slot(pos + 1), slot(pos), static_cast<size_t>((n - pos) * length + 4));
    std::memset(slot(pos), 0, static_cast<size_t>(length));
    set_pointer(pos, ptr);
    std::memcpy(key(pos), k, static_cast<size_t>(key_length));
    set_count(n + 1);
  }
  // Removes entry pos, shifting the rest and the pointer after them left.
  void Remove(int pos) {
    const int n = count();
    std::memmove(slot(pos), slot(pos + 1), static_cast<size_t>((n - pos - 1) * length + 4));
    // What follows the new last pointer, up to where the old one ended.
    std::memset(slot(n - 1) + 4, 0, static_cast<size_t>(length));
    set_count(n - 1);
  }
};

RawNode Raw(NodeBuffer& node, const IndexTag& tag) { return RawNode{node.data(), tag.entry_length}; }

bool Fits(const IndexTag& tag, int n) { return n <= tag.max_keys && 8 + n * tag.entry_length + 4 <= kNodeSize; }

// The record number of the greatest entry below `block`.
Result<int32_t> GreatestRecno(MdxFile& mdx, IndexTag& tag, int32_t block) {
  NodeBuffer node{};
  for (int depth = 0; depth < kMaxTreeDepth; ++depth) {
    if (Status s = ReadBlock(mdx.file(), block, node, TagDescription(mdx, tag) + " [SeekAndRead]"); !s.ok())
      return s;
    NodeView v(node.data(), tag.entry_length);
    if (!v.CountValid(tag.max_keys)) return Corrupt(mdx, tag, "node " + std::to_string(block) + " overfull");
    if (v.is_leaf()) return v.count() > 0 ? v.pointer(v.count() - 1) : 0;
    block = v.pointer(v.count());
  }
  return Corrupt(mdx, tag, "tree too deep");
}

// The child of interior node `v` below which (key, recno) belongs.
Result<int> ChildFor(MdxFile& mdx, IndexTag& tag, NodeView v, const uint8_t* key, int32_t recno) {
  const int n = v.count();
  const int lo = NodeSearch(tag.order, v, key, tag.key_length);
  if (lo >= n || recno == kBeforeEqualKeys || tag.order.Compare(v.key(lo), key) != 0) return lo;
  int a = lo, b = n;  // first child whose greatest key is above the key
  while (a < b) {
    const int mid = a + (b - a) / 2;
    if (tag.order.Compare(v.key(mid), key) > 0)
      b = mid;
    else
      a = mid + 1;
  }
  const int hi = a;
  if (recno == kAfterEqualKeys) return hi;
  a = lo, b = hi;
  while (a < b) {
    const int mid = a + (b - a) / 2;
    Result<int32_t> r = GreatestRecno(mdx, tag, v.pointer(mid));
    if (!r.ok()) return r.status();
    if (*r >= recno)
      b = mid;
    else
      a = mid + 1;
  }
  return a;
}

int LeafPosition(IndexTag& tag, NodeView v, const uint8_t* key, int32_t recno) {
  int a = 0, b = v.count();
  while (a < b) {
    const int mid = a + (b - a) / 2;
    const int c = tag.order.Compare(v.key(mid), key);
    if (c < 0 || (c == 0 && v.pointer(mid) < recno))
      a = mid + 1;
    else
      b = mid;
  }
  return a;
}

Result<int32_t> NewBlock(MdxFile& mdx) {
  uint64_t size = 0;
  if (const int rc = mdx.file().Size(size); rc != 0) return Status(rc, "Error reading index file: " + mdx.name());
  int32_t block = static_cast<int32_t>(size / kMdxBlock);
  if (block % 2 != 0) ++block;
  SetBlockCounter(mdx.header, block + 1);
  mdx.header_changed = true;
  return block;
}

// Sets the separator of the child taken at `level` and, while that child
// is the rightmost one of its parent, the levels above.
Status RaiseGreatest(MdxFile& mdx, IndexTag& tag, int level, const uint8_t* greatest) {
  auto& levels = Path().levels();
  for (int i = level; i >= 0; --i) {
    PathLevel& l = levels[static_cast<size_t>(i)];
    RawNode raw = Raw(l.node, tag);
    if (l.entry < raw.count()) {
      std::memcpy(raw.key(l.entry), greatest, static_cast<size_t>(tag.key_length));
      return SeekAndWrite(mdx, tag, l.block, l.node);
    }
  }
  return Status::OK();
}

void SetRoot(IndexTag& tag, int32_t block) {
  SetAnchorRoot(tag.anchor, block);
  tag.anchor_changed = true;
}

// Removes child entry `levels[i].entry` from interior level i.
Status RemoveChild(MdxFile& mdx, IndexTag& tag, int i) {
  auto& levels = Path().levels();
  PathLevel& l = levels[static_cast<size_t>(i)];
  RawNode raw = Raw(l.node, tag);
  const int n = raw.count();
  const int e = l.entry;
  if (n == 0) {
    // Its only child is gone: the node is empty as well.
    l.node.fill(0);
    if (Status s = SeekAndWrite(mdx, tag, l.block, l.node); !s.ok()) return s;
    if (i == 0) {
      if (AnchorHasFor(tag.anchor)) SetAnchorForSatisfied(tag.anchor, false);
      tag.anchor_changed = true;
      return Status::OK();
    }
    return RemoveChild(mdx, tag, i - 1);
  }
  std::array<uint8_t, kMaxKeyLength + 1> greatest{};
  const bool rightmost = e == n;
  if (rightmost) {
    // The last entry's child becomes the pointer after the last entry; its
    // separator is the node's new greatest key.
    std::memcpy(greatest.data(), raw.key(n - 1), static_cast<size_t>(tag.key_length));
    std::memset(raw.key(n - 1), 0, static_cast<size_t>(tag.entry_length - 4));
    raw.set_pointer(n, 0);
    raw.set_count(n - 1);
  } else {
    raw.Remove(e);
  }
  if (Status s = SeekAndWrite(mdx, tag, l.block, l.node); !s.ok()) return s;
  if (i == 0 && raw.count() == 0) SetRoot(tag, raw.pointer(0));
  if (rightmost && i > 0) return RaiseGreatest(mdx, tag, i - 1, greatest.data());
  return Status::OK();
}

}  // namespace

Status SeekEntry(MdxFile& mdx, IndexTag& tag, const uint8_t* key, int32_t recno) {
  Path().Reset(&tag);
  auto& levels = Path().levels();
  int32_t block = AnchorRoot(tag.anchor);
  for (;;) {
    if (levels.size() >= static_cast<size_t>(kMaxTreeDepth)) return Corrupt(mdx, tag, "tree too deep");
    if (block == 0) return GetNode(mdx, tag, 0);
    if (Path().Find(block) != nullptr) return Corrupt(mdx, tag, "node " + std::to_string(block) + " lies below itself");
    PathLevel level;
    level.block = block;
    if (Status s = SeekAndRead(mdx, tag, block, level.node); !s.ok()) return s;
    NodeView v(level.node.data(), tag.entry_length);
    if (v.is_leaf()) {
      level.entry = LeafPosition(tag, v, key, recno);
      levels.push_back(level);
      tag.node = levels.back().node;
      tag.node_block = block;
      tag.entry = level.entry;
      return Status::OK();
    }
    Result<int> child = ChildFor(mdx, tag, v, key, recno);
    if (!child.ok()) return child.status();
    level.entry = *child;
    block = v.pointer(level.entry);
    levels.push_back(level);
  }
}

bool AtEntry(IndexTag& tag, const uint8_t* key, int32_t recno) {
  NodeView v = tag.view();
  if (tag.at_end_entry() || tag.entry >= v.count()) return false;
  if (tag.order.Compare(v.key(tag.entry), key) != 0) return false;
  return recno < 0 || v.pointer(tag.entry) == recno;
}

Status InsertAtPath(MdxFile& mdx, IndexTag& tag, const uint8_t* key_in, int32_t recno) {
  auto& levels = Path().levels();
  std::array<uint8_t, kMaxKeyLength + 1> key{};
  std::memcpy(key.data(), key_in, static_cast<size_t>(tag.key_length));
  int32_t ptr = recno;
  int pos = levels.back().entry;
  for (int i = static_cast<int>(levels.size()) - 1; i >= 0; --i) {
    PathLevel& l = levels[static_cast<size_t>(i)];
    RawNode raw = Raw(l.node, tag);
    const int n = raw.count();
    const bool leaf = raw.pointer(n) == 0;
    if (Fits(tag, n + 1)) {
      raw.Insert(pos, ptr, key.data(), tag.key_length);
      return SeekAndWrite(mdx, tag, l.block, l.node);
    }
    // Split: combine the n entries and the pending one, then deal them out.
    std::vector<uint8_t> combined(static_cast<size_t>(2 * kNodeSize), 0);
    std::memcpy(combined.data(), l.node.data(), kNodeSize);
    RawNode all{combined.data(), tag.entry_length};
    all.Insert(pos, ptr, key.data(), tag.key_length);
    const int total = n + 1;
    const int moved = n / 2;  // the upper half of the old entries
    int left_count = 0, right_first = 0;
    std::array<uint8_t, kMaxKeyLength + 1> left_greatest{};
    if (leaf) {
      left_count = pos < n - moved ? n - moved + 1 : n - moved;
      right_first = left_count;
      std::memcpy(left_greatest.data(), all.key(left_count - 1), static_cast<size_t>(tag.key_length));
    } else {
      // Entry left_count's child becomes the left half's last pointer and
      // its key the left half's greatest key.
      left_count = (total - 1) / 2;
      right_first = left_count + 1;
      std::memcpy(left_greatest.data(), all.key(left_count), static_cast<size_t>(tag.key_length));
    }
    NodeBuffer right{};
    const int right_count = total - right_first;
    std::memcpy(right.data() + 8, all.slot(right_first), static_cast<size_t>(right_count * tag.entry_length + 4));
    Put32(right.data(), right_count);
    const int32_t left_last = leaf ? 0 : all.pointer(left_count);
    l.node.fill(0);
    std::memcpy(l.node.data() + 8, all.slot(0), static_cast<size_t>(left_count * tag.entry_length));
    Put32(l.node.data(), left_count);
    RawNode(Raw(l.node, tag)).set_pointer(left_count, left_last);
    Result<int32_t> right_block = NewBlock(mdx);
    if (!right_block.ok()) return right_block.status();
    if (Status s = SeekAndWrite(mdx, tag, *right_block, right); !s.ok()) return s;
    if (Status s = SeekAndWrite(mdx, tag, l.block, l.node); !s.ok()) return s;
    if (i == 0) {
      NodeBuffer root{};
      RawNode r = Raw(root, tag);
      r.Insert(0, l.block, left_greatest.data(), tag.key_length);
      r.set_pointer(1, *right_block);
      Result<int32_t> root_block = NewBlock(mdx);
      if (!root_block.ok()) return root_block.status();
      if (Status s = SeekAndWrite(mdx, tag, *root_block, root); !s.ok()) return s;
      SetRoot(tag, *root_block);
      return Status::OK();
    }
    // In the parent the old child's slot now names the right half, and the
    // left half goes in front of it with its greatest key.
    PathLevel& parent = levels[static_cast<size_t>(i - 1)];
    Raw(parent.node, tag).set_pointer(parent.entry, *right_block);
    ptr = l.block;
    key = left_greatest;
    pos = parent.entry;
  }
  return Status::OK();
}

Status RemoveAtPath(MdxFile& mdx, IndexTag& tag) {
  auto& levels = Path().levels();
  const int i = static_cast<int>(levels.size()) - 1;
  PathLevel& leaf = levels.back();
  RawNode raw = Raw(leaf.node, tag);
  const int n = raw.count();
  const int pos = leaf.entry;
  if (n > 1 || i == 0) {
    raw.Remove(pos);
    if (raw.count() == 0) {
      leaf.node.fill(0);
      if (AnchorHasFor(tag.anchor)) {
        SetAnchorForSatisfied(tag.anchor, false);
        tag.anchor_changed = true;
      }
    }
    if (Status s = SeekAndWrite(mdx, tag, leaf.block, leaf.node); !s.ok()) return s;
    if (pos == n - 1 && i > 0) return RaiseGreatest(mdx, tag, i - 1, raw.key(n - 2));
    return Status::OK();
  }
  leaf.node.fill(0);
  if (Status s = SeekAndWrite(mdx, tag, leaf.block, leaf.node); !s.ok()) return s;
  return RemoveChild(mdx, tag, i - 1);
}

}  // namespace xb
