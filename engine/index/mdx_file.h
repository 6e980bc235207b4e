#pragma once
// The in-memory state of an open index file (MdxFile, one per work area)
// and of each open tag (IndexTag), the engine-wide DescentPath, and the
// block I/O every index operation goes through: GetNode, SeekAndRead,
// SeekAndWrite, WriteAnchor, ReadAnchorNodes.
//
// The controlling tag always sits in position 1 of the tag positions;
// choosing another order swaps positions (index_open). A tag holds one node
// in memory (its current node) plus, while it owns it, the DescentPath: the
// nodes from the root down to its current leaf, with the entry taken at
// each level. Next and prior climb that path instead of re-reading parents.
//
// Promises:
//   (1) No block below 4 (inside the file header) and no block whose 1024
//       bytes are not all inside the file is ever used as a node; such a
//       reference ends the operation with an error, never a crash.
//   (2) A node is used only after its key count was checked against the
//       tag's capacity.
//   (3) A descent never goes deeper than kMaxTreeDepth levels, so a cycle
//       between damaged nodes ends in an error instead of a loop.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/index/compiled_expr.h"
#include "engine/index/mdx_format.h"
#include "engine/index/mdx_node.h"
#include "engine/table/hooks.h"
#include "engine/table/status.h"

namespace platform {
class File;
}

namespace xb {

struct WorkArea;

inline constexpr int kMaxTreeDepth = 32;
inline constexpr int32_t kEndOfIndexBlock = -1;

struct IndexTag {
  int tag_number = 0;     // its entry in the file's tag table; stays with it
  std::string name;       // from the tag table
  int32_t header_block = 0;
  Anchor anchor{};        // first 983 bytes of the tag header
  bool anchor_changed = false;

  std::unique_ptr<CompiledExpr> key_expr;
  std::unique_ptr<CompiledExpr> for_expr;  // null without a FOR condition
  KeyOrder order;
  int key_length = 0;
  int entry_length = 0;
  int max_keys = 0;
  int decimals = 0;  // of a numeric key expression
  bool unique = false;

  // Current node and entry. node_block == kEndOfIndexBlock: positioned past
  // the last key (the end-of-index entry).
  NodeBuffer node{};
  int32_t node_block = 0;
  int entry = 0;
  bool bof = true;
  bool eof = true;
  std::array<uint8_t, kMaxKeyLength + 1> current_key{};

  // The stored record's key and FOR result, noted before a replace so that
  // the change can be applied after it (index_update).
  std::array<uint8_t, kMaxKeyLength + 1> old_key{};
  bool old_had_key = false;
  bool old_noted = false;

  bool is_char() const { return order.type == KeyType::kChar; }
  NodeView view() { return NodeView(node.data(), entry_length); }
  bool at_end_entry() const { return node_block == kEndOfIndexBlock; }
  // Record number of the current entry; -1 on the end-of-index entry.
  int32_t CurrentRecno() {
    return at_end_entry() ? -1 : view().pointer(entry);
  }
};

class MdxFile : public AreaExtension {
 public:
  MdxFile(WorkArea& area, std::string name) : area_(&area), name_(std::move(name)) {}
  ~MdxFile() override;

  WorkArea& area() { return *area_; }
  const std::string& name() const { return name_; }
  platform::File& file();

  MdxHeader header{};
  bool header_changed = false;
  // positions[1..47]; positions[1] is the controlling tag.
  std::array<std::unique_ptr<IndexTag>, kMaxTags + 1> positions;
  bool natural_order = false;

  int tag_count() const { return TagCount(header); }
  IndexTag* controlling() { return positions[1].get(); }

 private:
  WorkArea* area_;
  std::string name_;
};

// The open index file of `area`, or nullptr.
MdxFile* MdxOf(WorkArea& area);

// One level of the DescentPath: a node visited on the way down and the
// entry (child) the descent took from it.
struct PathLevel {
  int32_t block = 0;
  int entry = 0;
  NodeBuffer node{};
};

class DescentPath {
 public:
  // Empties the path and gives it to `owner`.
  void Reset(const IndexTag* owner) {
    levels_.clear();
    owner_ = owner;
  }
  void Disown() { owner_ = nullptr; }
  const IndexTag* owner() const { return owner_; }
  bool OwnedBy(const IndexTag* tag) const { return owner_ == tag && owner_ != nullptr; }
  std::vector<PathLevel>& levels() { return levels_; }
  // The level holding `block`, searched from the top down; nullptr if none.
  PathLevel* Find(int32_t block);

 private:
  std::vector<PathLevel> levels_;
  const IndexTag* owner_ = nullptr;
};

DescentPath& Path();
// Counts open index files; the path is emptied when the last one closes.
void IndexFileOpened();
void IndexFileClosed();

// The index file name + " [tag: " + name + "]".
std::string TagDescription(MdxFile& mdx, const IndexTag& tag);

// Reads node `block` of `tag` into `out` (from the path copy when the block
// is on the path) and checks its key count.
Status SeekAndRead(MdxFile& mdx, IndexTag& tag, int32_t block, NodeBuffer& out);
// Writes `buffer` at `block`, keeping the path copy in step.
Status SeekAndWrite(MdxFile& mdx, IndexTag& tag, int32_t block, NodeBuffer& buffer);
// Makes `block` the tag's current node (entry 0); kEndOfIndexBlock makes
// the end-of-index entry current.
Status GetNode(MdxFile& mdx, IndexTag& tag, int32_t block);
Status WriteAnchor(MdxFile& mdx, IndexTag& tag);
Status ReadAnchorNodes(MdxFile& mdx);
// The change check: when another process changed the index since this one
// last looked, re-reads every anchor, drops the DescentPath (its node copies
// are stale) and refreshes the table's record count. `changed` (optional)
// tells whether that happened.
Status ApplyOtherChanges(MdxFile& mdx, bool* changed);
// Writes every changed anchor and a changed header back.
Status FlushIndexFile(MdxFile& mdx);

// Reads 1024 bytes at `block` of an index file into `out`: the shared
// bounds check for the open file, the builder and the verifier.
Status ReadBlock(platform::File& file, int32_t block, NodeBuffer& out, const std::string& what);

}  // namespace xb
