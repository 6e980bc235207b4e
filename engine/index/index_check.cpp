#include "engine/index/index_check.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

#include "engine/index/index_keys.h"
#include "engine/index/mdx_file.h"
#include "engine/table/dbf_file.h"
#include "engine/table/work_area.h"
#include "platform/file.h"

namespace xb {
namespace {

using Entry = std::pair<std::string, int32_t>;  // key bytes, record number

class TagWalker {
 public:
  TagWalker(MdxFile& mdx, IndexTag& tag, uint64_t file_size, std::vector<std::string>& faults)
      : mdx_(mdx), tag_(tag), file_size_(file_size), faults_(faults) {}

  // Walks the tree; the leaf entries in tree order land in entries().
  void Walk() {
    std::string greatest;
    Visit(AnchorRoot(tag_.anchor), 0, greatest);
  }
  std::vector<Entry>& entries() { return entries_; }

  void Fault(const std::string& what) {
    if (faults_.size() < 200) faults_.push_back("tag " + tag_.name + ": " + what);
  }

 private:
  std::string KeyOf(const NodeView& v, int i) const {
    return std::string(reinterpret_cast<const char*>(v.key(i)), static_cast<size_t>(tag_.key_length));
  }

  // Returns false when the subtree could not be read; `greatest` receives
  // its greatest key (empty for an empty subtree).
  bool Visit(int32_t block, int depth, std::string& greatest) {
    const std::string where = "node " + std::to_string(block);
    if (depth >= kMaxTreeDepth) return Fault(where + " lies deeper than " + std::to_string(kMaxTreeDepth) + " levels"), false;
    if (block < 4 || block % 2 != 0 || static_cast<uint64_t>(block) * kMdxBlock + kNodeSize > file_size_)
      return Fault(where + " is not a node block of this file"), false;
    if (!visited_.insert(block).second) return Fault(where + " is reached twice"), false;
    NodeBuffer node{};
    if (Status s = ReadBlock(mdx_.file(), block, node, where); !s.ok()) return Fault(s.text()), false;
    NodeView v(node.data(), tag_.entry_length);
    if (!v.CountValid(tag_.max_keys))
      return Fault(where + " holds " + std::to_string(v.count()) + " keys, more than " +
                   std::to_string(tag_.max_keys)), false;
    if (node[2] != 0 || node[3] != 0) Fault(where + " carries a changed mark on disk");
    const int n = v.count();
    for (int i = 1; i < n; ++i) {
      const int c = tag_.order.Compare(v.key(i - 1), v.key(i));
      if (c > 0 || (c == 0 && tag_.unique && v.is_leaf()))
        Fault(where + " keys " + std::to_string(i - 1) + " and " + std::to_string(i) + " out of order");
    }
    if (v.is_leaf()) {
      if (leaf_depth_ < 0) leaf_depth_ = depth;
      if (leaf_depth_ != depth)
        Fault(where + " is a leaf at depth " + std::to_string(depth) + ", others at " + std::to_string(leaf_depth_));
      for (int i = 0; i < n; ++i) entries_.emplace_back(KeyOf(v, i), v.pointer(i));
      greatest = n > 0 ? KeyOf(v, n - 1) : std::string();
      return true;
    }
    for (int i = 0; i <= n; ++i) {
      std::string below;
      if (!Visit(v.pointer(i), depth + 1, below)) return false;
      // By the tag's order, not byte for byte: other writers store a
      // numeric key's real digit count, ours a fixed one.
      if (i < n && (below.empty() ||
          tag_.order.Compare(reinterpret_cast<const uint8_t*>(below.data()), v.key(i)) != 0))
        Fault(where + " separator " + std::to_string(i) + " is not the greatest key below it");
      if (i == n) greatest = below.empty() && n > 0 ? KeyOf(v, n - 1) : below;
    }
    return true;
  }

  MdxFile& mdx_;
  IndexTag& tag_;
  uint64_t file_size_;
  std::vector<std::string>& faults_;
  std::set<int32_t> visited_;
  int leaf_depth_ = -1;
  std::vector<Entry> entries_;
};

void CheckHeader(MdxFile& mdx, uint64_t file_size, std::vector<std::string>& faults) {
  const int count = TagCount(mdx.header);
  if (count > kMaxTags) {
    faults.push_back("header: tag count " + std::to_string(count) + " above 47");
    return;
  }
  MdxHeader rebuilt = mdx.header;
  RebuildNameTree(rebuilt);
  for (int i = 0; i <= count; ++i) {
    const TagEntry have = ReadTagEntry(mdx.header, i), want = ReadTagEntry(rebuilt, i);
    if (have.less != want.less || have.greater != want.greater || have.parent != want.parent)
      faults.push_back("header: name tree links of entry " + std::to_string(i) + " are wrong");
    if (i == 0) continue;
    if (have.header_block < 4 || static_cast<uint64_t>(have.header_block) * kMdxBlock + kNodeSize > file_size)
      faults.push_back("header: tag " + have.name + " names block " + std::to_string(have.header_block));
  }
}

// The keys the records give a tag, as (key, record) pairs.
std::vector<Entry> ExpectedEntries(WorkArea& area, IndexTag& tag) {
  std::vector<Entry> out;
  std::array<uint8_t, kMaxKeyLength + 1> key{};
  for (int32_t n = 1; n <= area.dbf.record_count; ++n) {
    if (!GetDbfRecord(area.dbf, n)) break;
    if (!ForPasses(tag, area)) continue;
    MakeKey(tag, area, key.data());
    out.emplace_back(std::string(reinterpret_cast<const char*>(key.data()), static_cast<size_t>(tag.key_length)), n);
  }
  return out;
}

// Entries ordered as the tag orders keys: numeric keys by value, so that a
// key another writer stored with its real digit count matches ours.
struct EntryLess {
  const KeyOrder& order;
  int Compare(const std::string& a, const std::string& b) const {
    return order.Compare(reinterpret_cast<const uint8_t*>(a.data()), reinterpret_cast<const uint8_t*>(b.data()));
  }
  bool operator()(const Entry& a, const Entry& b) const {
    const int c = Compare(a.first, b.first);
    return c != 0 ? c < 0 : a.second < b.second;
  }
};

struct KeyLess {
  EntryLess entries;
  bool operator()(const std::string& a, const std::string& b) const { return entries.Compare(a, b) < 0; }
};

void CompareWithRecords(TagWalker& walker, IndexTag& tag, std::vector<Entry> expected) {
  std::vector<Entry> actual = walker.entries();
  const EntryLess less{tag.order};
  if (tag.unique) {
    std::map<std::string, int32_t, KeyLess> first(KeyLess{less});  // key -> records having it
    std::set<Entry, EntryLess> has(expected.begin(), expected.end(), less);
    for (const Entry& e : expected) first.emplace(e.first, e.second);
    std::set<std::string, KeyLess> seen(KeyLess{less});
    for (const Entry& e : actual) {
      if (!has.count(e)) walker.Fault("entry for record " + std::to_string(e.second) + " does not match that record");
      if (!seen.insert(e.first).second) walker.Fault("unique key of record " + std::to_string(e.second) + " appears twice");
    }
    for (const auto& [key, recno] : first)
      if (!seen.count(key)) walker.Fault("key of record " + std::to_string(recno) + " is missing");
    return;
  }
  std::sort(actual.begin(), actual.end(), less);
  std::sort(expected.begin(), expected.end(), less);
  std::vector<Entry> missing, extra;
  std::set_difference(expected.begin(), expected.end(), actual.begin(), actual.end(), std::back_inserter(missing), less);
  std::set_difference(actual.begin(), actual.end(), expected.begin(), expected.end(), std::back_inserter(extra), less);
  for (size_t i = 0; i < missing.size() && i < 10; ++i)
    walker.Fault("key of record " + std::to_string(missing[i].second) + " is missing");
  for (size_t i = 0; i < extra.size() && i < 10; ++i)
    walker.Fault("entry for record " + std::to_string(extra[i].second) + " does not match that record");
  if (missing.size() + extra.size() > 20)
    walker.Fault(std::to_string(missing.size()) + " keys missing and " + std::to_string(extra.size()) + " entries wrong in all");
}

}  // namespace

std::vector<std::string> VerifyIndexFile(WorkArea& area) {
  std::vector<std::string> faults;
  MdxFile* mdx = MdxOf(area);
  if (mdx == nullptr) return {"no index file is open"};
  uint64_t file_size = 0;
  (void)mdx->file().Size(file_size);
  CheckHeader(*mdx, file_size, faults);
  const int32_t current = area.dbf.current_record;
  const std::vector<uint8_t> record = area.dbf.record;
  for (auto& slot : mdx->positions) {
    if (slot == nullptr) continue;
    IndexTag& tag = *slot;
    TagWalker walker(*mdx, tag, file_size, faults);
    walker.Walk();
    if (!walker.entries().empty() && AnchorHasFor(tag.anchor) && !AnchorForSatisfied(tag.anchor))
      walker.Fault("holds keys but says no record satisfied its FOR condition");
    CompareWithRecords(walker, tag, ExpectedEntries(area, tag));
  }
  area.dbf.current_record = current;
  area.dbf.record = record;
  return faults;
}

}  // namespace xb
