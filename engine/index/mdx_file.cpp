#include "engine/index/mdx_file.h"

#include <cstring>

#include "engine/index/semaphore.h"
#include "engine/table/locking.h"
#include "engine/table/work_area.h"
#include "platform/file.h"

namespace xb {
namespace {

int g_open_index_files = 0;

// Reading past the end of the file is not a platform failure but still no
// node: report it as the read error it is.
constexpr int kShortRead = 100;

}  // namespace

MdxFile::~MdxFile() = default;

platform::File& MdxFile::file() { return *area_->index_file; }

MdxFile* MdxOf(WorkArea& area) { return dynamic_cast<MdxFile*>(area.index.get()); }

PathLevel* DescentPath::Find(int32_t block) {
  for (auto it = levels_.rbegin(); it != levels_.rend(); ++it)
    if (it->block == block) return &*it;
  return nullptr;
}

DescentPath& Path() {
  static DescentPath path;
  return path;
}

void IndexFileOpened() { ++g_open_index_files; }

void IndexFileClosed() {
  if (g_open_index_files > 0) --g_open_index_files;
  if (g_open_index_files == 0) {
    Path().Reset(nullptr);
    Path().levels().shrink_to_fit();
  }
}

std::string TagDescription(MdxFile& mdx, const IndexTag& tag) {
  return mdx.name() + " [tag: " + tag.name + "]";
}

Status ReadBlock(platform::File& file, int32_t block, NodeBuffer& out, const std::string& what) {
  if (block < 4)
    return Status(254, "Invalid Node Number (" + std::to_string(block) + ") " + what);
  size_t got = 0;
  const int rc = file.ReadAt(static_cast<uint64_t>(block) * kMdxBlock, out, got);
  if (rc != 0) return Status(rc, "Error reading index file: " + what);
  if (got != out.size())
    return Status(kShortRead, "Error reading index file: " + what + " (block " +
                                  std::to_string(block) + " is beyond the end of the file)");
  return Status::OK();
}

Status SeekAndRead(MdxFile& mdx, IndexTag& tag, int32_t block, NodeBuffer& out) {
  if (PathLevel* level = Path().OwnedBy(&tag) ? Path().Find(block) : nullptr) {
    out = level->node;
  } else {
    Status s = ReadBlock(mdx.file(), block, out, TagDescription(mdx, tag) + " [SeekAndRead]");
    if (!s.ok()) return s;
  }
  out[2] = out[3] = 0;
  if (!NodeView(out.data(), tag.entry_length).CountValid(tag.max_keys))
    return Status(254, "Index file corrupted. " + TagDescription(mdx, tag) + " (node " +
                           std::to_string(block) + " holds " +
                           std::to_string(Get32(out.data())) + " keys) [SeekAndRead]");
  return Status::OK();
}

Status SeekAndWrite(MdxFile& mdx, IndexTag& tag, int32_t block, NodeBuffer& buffer) {
  buffer[2] = buffer[3] = 0;
  if (PathLevel* level = Path().OwnedBy(&tag) ? Path().Find(block) : nullptr) level->node = buffer;
  if (block < 4) return Status(254, "Invalid Node Number (" + std::to_string(block) + ") [SeekAndWrite]");
  const int rc = mdx.file().WriteAt(static_cast<uint64_t>(block) * kMdxBlock, buffer);
  if (rc != 0)
    return Status(rc, "Error writing index file: " + TagDescription(mdx, tag) + " [SeekAndWrite]");
  return Status::OK();
}

Status GetNode(MdxFile& mdx, IndexTag& tag, int32_t block) {
  if (block == 0)
    return Status(254, "Invalid Node Number (0) in DBF Area " + std::to_string(mdx.area().number) +
                           ", Order " + std::to_string(tag.tag_number) + " " +
                           TagDescription(mdx, tag) + " [GetNode]");
  if (block == kEndOfIndexBlock) {
    tag.node_block = kEndOfIndexBlock;
    tag.entry = 0;
    return Status::OK();
  }
  tag.entry = 0;
  Status s = SeekAndRead(mdx, tag, block, tag.node);
  tag.node_block = s.ok() ? block : 0;
  return s;
}

Status WriteAnchor(MdxFile& mdx, IndexTag& tag) {
  platform::File& file = mdx.file();
  // Another process may be reading the anchor; byte 0 of the index file
  // keeps its readers from seeing half of it.
  const bool shared = !mdx.area().exclusive;
  if (shared && LockRegion(true, file, 0, 1) != 0)
    return Status(33, "Could not lock index for writing anchor node " + TagDescription(mdx, tag));
  const int rc = file.WriteAt(static_cast<uint64_t>(tag.header_block) * kMdxBlock, tag.anchor);
  if (shared && LockRegion(false, file, 0, 1) != 0 && rc == 0)
    return Status(33, "Could not unlock index after writing anchor node " + TagDescription(mdx, tag));
  if (rc != 0)
    return Status(rc, "Error writing index file:  " + TagDescription(mdx, tag) + " [WriteAnchor]");
  tag.anchor_changed = false;
  return Status::OK();
}

Status ReadAnchorNodes(MdxFile& mdx) {
  for (int p = 1; p <= kMaxTags; ++p) {
    IndexTag* tag = mdx.positions[p].get();
    if (tag == nullptr) continue;
    size_t got = 0;
    const int rc = mdx.file().ReadAt(static_cast<uint64_t>(tag->header_block) * kMdxBlock,
                                     tag->anchor, got);
    if (rc != 0 || got != tag->anchor.size())
      return Status(rc != 0 ? rc : kShortRead,
                    "Error reading index file:  " + TagDescription(mdx, *tag) + " [ReadAnchorNodes]");
    tag->anchor_changed = false;
  }
  return Status::OK();
}

Status ApplyOtherChanges(MdxFile& mdx, bool* changed) {
  if (changed != nullptr) *changed = false;
  if (!IndexChangeCheck(mdx.area())) return Status::OK();
  if (changed != nullptr) *changed = true;
  Path().Reset(nullptr);
  RefreshRecordCount(mdx.area());
  return ReadAnchorNodes(mdx);
}

Status FlushIndexFile(MdxFile& mdx) {
  for (int p = 1; p <= kMaxTags; ++p) {
    IndexTag* tag = mdx.positions[p].get();
    if (tag != nullptr && tag->anchor_changed) {
      Status s = WriteAnchor(mdx, *tag);
      if (!s.ok()) return s;
    }
  }
  if (mdx.header_changed) {
    const int rc = mdx.file().WriteAt(0, mdx.header);
    if (rc != 0) return Status(rc, "Error writing index file:  " + mdx.name() + " [header]");
    mdx.header_changed = false;
  }
  return Status::OK();
}

}  // namespace xb
