#include "engine/index/index_build.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "engine/index/expr.h"
#include "engine/index/external_sort.h"
#include "engine/index/index_keys.h"
#include "engine/index/index_open.h"
#include "engine/index/index_search.h"
#include "engine/table/dbf_file.h"
#include "engine/table/error_state.h"
#include "engine/table/files.h"
#include "engine/table/locking.h"
#include "engine/table/work_area.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/file.h"

namespace xb {
namespace {

constexpr int kNodesPerBatch = 63;
constexpr int kRecordChunkBytes = 32756;

// The file MakeIndex has open while it adds tags.
struct BuildTarget {
  std::unique_ptr<platform::File> file;
  std::string name;
  MdxHeader header{};
  bool header_changed = false;
  // Pack's build: deleted records are left out and the others numbered
  // from 1, as they will be once the packed table is switched in.
  bool packed_numbering = false;
};
BuildTarget& Target() {
  static BuildTarget target;
  return target;
}

struct Progress {
  std::function<void()> callback;
  int steps = 0;
  int calls = 0;
  int64_t every = 2;

  void Start(int64_t records) {
    calls = 0;
    if (steps > 0) every = std::max<int64_t>(2, 2 * (records / steps));
  }
  void Tick(int64_t i, bool limited) {
    if (!callback || steps == 0 || i % every != 0 || (limited && calls >= steps)) return;
    callback();
    ++calls;
  }
  void Finish() {
    while (callback && calls < steps) callback(), ++calls;
  }
};
Progress& TheProgress() {
  static Progress progress;
  return progress;
}

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

// Appends finished nodes at the end of the index file, 63 per write.
class NodeWriter {
 public:
  NodeWriter(platform::File& file, int32_t first_block)
      : file_(file), next_(first_block), flushed_(first_block) {
    batch_.reserve(static_cast<size_t>(kNodesPerBatch) * kNodeSize);
  }
  Result<int32_t> Append(NodeBuffer& node) {
    node[2] = node[3] = 0;
    batch_.insert(batch_.end(), node.begin(), node.end());
    const int32_t block = next_;
    next_ += 2;
    if (batch_.size() == static_cast<size_t>(kNodesPerBatch) * kNodeSize) {
      if (Status s = Flush(); !s.ok()) return s;
    }
    return block;
  }
  Status Flush() {
    if (batch_.empty()) return Status::OK();
    if (const int rc = file_.WriteAt(static_cast<uint64_t>(flushed_) * kMdxBlock, batch_); rc != 0)
      return Status(rc, " [MakeIndex]");
    flushed_ = next_;
    batch_.clear();
    return Status::OK();
  }
  int32_t next_block() const { return next_; }

 private:
  platform::File& file_;
  int32_t next_;
  int32_t flushed_;
  std::vector<uint8_t> batch_;
};

// The levels above the leaves while the tree is built bottom-up.
class TreeBuilder {
 public:
  TreeBuilder(const IndexTag& tag, NodeWriter& writer) : tag_(tag), writer_(writer) {
    levels_.emplace_back();
  }

  Status AddItem(const uint8_t* key, int32_t recno) {
    NodeView leaf = View(0);
    if (leaf.count() == tag_.max_keys) {
      Result<int32_t> block = writer_.Append(levels_[0]);
      if (!block.ok()) return block.status();
      std::array<uint8_t, kMaxKeyLength> last{};
      std::memcpy(last.data(), leaf.key(leaf.count() - 1), static_cast<size_t>(tag_.key_length));
      levels_[0].fill(0);
      if (Status s = PushUp(1, *block, last.data()); !s.ok()) return s;
    }
    Append(View(0), recno, key);
    return Status::OK();
  }

  // Writes the leaf and one node for every level above it; the last node
  // written is the root.
  Result<int32_t> Finish() {
    Result<int32_t> child = writer_.Append(levels_[0]);
    if (!child.ok()) return child;
    int32_t block = *child;
    for (size_t level = 1; level < levels_.size(); ++level) {
      NodeView v = View(level);
      v.set_pointer(v.count(), block);
      Result<int32_t> written = writer_.Append(levels_[level]);
      if (!written.ok()) return written;
      block = *written;
    }
    if (Status s = writer_.Flush(); !s.ok()) return s;
    return block;
  }

 private:
  NodeView View(size_t level) { return NodeView(levels_[level].data(), tag_.entry_length); }

  void Append(NodeView v, int32_t pointer, const uint8_t* key) {
    const int i = v.count();
    v.set_pointer(i, pointer);
    std::memcpy(v.key(i), key, static_cast<size_t>(tag_.key_length));
    v.set_count(i + 1);
  }

  // Hangs `child` (whose greatest key is `key`) into `level`. A full node
  // takes it as its pointer after the last entry and moves up in turn.
  Status PushUp(size_t level, int32_t child, const uint8_t* key) {
    if (level == levels_.size()) levels_.emplace_back();
    NodeView v = View(level);
    if (v.count() < tag_.max_keys) {
      Append(v, child, key);
      return Status::OK();
    }
    v.set_pointer(v.count(), child);
    Result<int32_t> block = writer_.Append(levels_[level]);
    if (!block.ok()) return block.status();
    levels_[level].fill(0);
    return PushUp(level + 1, *block, key);
  }

  const IndexTag& tag_;
  NodeWriter& writer_;
  std::vector<NodeBuffer> levels_;
};

Status CheckDiskSpace(const BuildTarget& target, const IndexTag& tag, int32_t records) {
  int64_t needed = static_cast<int64_t>(tag.key_length + 4) * records;
  for (int64_t k = records / tag.max_keys; k > 0; k /= tag.max_keys) needed += k * 1024 + 1024;
  const int64_t free_kb = DiskFreeKB(SplitName(target.name).directory);
  if (free_kb != kDiskFreeUnknown && free_kb < needed / 1024)
    return Status(227, "Available disk space: " + std::to_string(free_kb) + " KBytes;" + "needed: " +
                           std::to_string(needed / 1024) + " KBytes [MakeIndex]");
  return Status::OK();
}

// Sorts the keys of every record and writes the tree; returns the root.
Result<int32_t> BuildTree(WorkArea& area, IndexTag& tag, bool& for_satisfied) {
  BuildTarget& target = Target();
  DbfFile& dbf = area.dbf;
  const int32_t count = dbf.record_count;
  if (Status s = CheckDiskSpace(target, tag, count); !s.ok()) return s;
  Progress& progress = TheProgress();
  progress.Start(count);
  ExternalSort sorter(tag.order, tag.key_length);
  const int32_t remembered = dbf.current_record;
  const std::vector<uint8_t> saved_record = dbf.record;
  struct RestoreRecord {
    DbfFile& dbf;
    int32_t number;
    const std::vector<uint8_t>& image;
    ~RestoreRecord() {
      dbf.current_record = number;
      dbf.record = image;
    }
  } restore{dbf, remembered, saved_record};

  const size_t record_length = dbf.record_length;
  const int32_t per_chunk = std::max<int32_t>(1, kRecordChunkBytes / static_cast<int32_t>(record_length));
  std::vector<uint8_t> chunk(static_cast<size_t>(per_chunk) * record_length);
  std::array<uint8_t, kMaxKeyLength + 1> key{};
  int32_t live = 0;
  for (int32_t first = 1; first <= count; first += per_chunk) {
    const int32_t n = std::min(per_chunk, count - first + 1);
    std::span<uint8_t> want(chunk.data(), static_cast<size_t>(n) * record_length);
    size_t got = 0;
    if (const int rc = dbf.file->ReadAt(RecordPosition(dbf, first), want, got); rc != 0)
      return Status(rc, " [MakeIndex]");
    if (got != want.size()) return Status(100, "File:  " + dbf.file_name + " is short [MakeIndex]");
    for (int32_t j = 0; j < n; ++j) {
      std::memcpy(dbf.record.data(), chunk.data() + static_cast<size_t>(j) * record_length, record_length);
      dbf::TranslateForRead(dbf, dbf.record);
      dbf.current_record = first + j;
      progress.Tick(first + j, false);
      int32_t number = first + j;
      if (target.packed_numbering) {
        if (dbf.record[0] == '*') continue;
        number = ++live;
      }
      if (!ForPasses(tag, area)) continue;
      for_satisfied = true;
      MakeKey(tag, area, key.data());
      if (Status s = sorter.Add(key.data(), number); !s.ok()) return s;
    }
  }
  if (Status s = sorter.Finish(); !s.ok()) return s;

  NodeWriter writer(*target.file, [&] {
    uint64_t size = 0;
    (void)target.file->Size(size);
    return static_cast<int32_t>((size + kMdxBlock - 1) / kMdxBlock);
  }());
  TreeBuilder tree(tag, writer);
  std::array<uint8_t, kMaxKeyLength> previous{};
  bool have_previous = false;
  int64_t items = 0;
  for (;;) {
    const uint8_t* item_key = nullptr;
    int32_t recno = 0;
    Result<bool> more = sorter.Next(item_key, recno);
    if (!more.ok()) return more.status();
    if (!*more) break;
    // A unique tag keeps the first record of each key, which is the
    // lowest record number since equal keys arrive in record order.
    if (tag.unique && have_previous && tag.order.Compare(item_key, previous.data()) == 0) continue;
    std::memcpy(previous.data(), item_key, static_cast<size_t>(tag.key_length));
    have_previous = true;
    if (Status s = tree.AddItem(item_key, recno); !s.ok()) return s;
    progress.Tick(++items, true);
  }
  Result<int32_t> root = tree.Finish();
  progress.Finish();
  return root;
}

Status AddTag(WorkArea& area, const TagDefinition& def) {
  BuildTarget& target = Target();
  const std::string name = platform::AnsiUpper(Trim(def.name)).substr(0, 10);
  const std::string key_text = Trim(def.key_expression);
  const std::string for_text = Trim(def.for_expression);
  if (name.empty()) return Status(254, "Tag name missing");
  if (!for_text.empty()) {
    if (const int code = CheckExpr(for_text, false); code != 0)
      return Status(code, "Invalid FOR expression for " + name);
  }
  if (key_text.size() > static_cast<size_t>(kMaxExprLength))
    return Status(300, "Expression length exceeds 100 bytes");
  if (FindTagByName(target.header, name) == 0 && TagCount(target.header) >= kMaxTags)
    return Status(254, "No room for another tag in " + target.name);
  IndexTag tag;
  tag.name = name;
  tag.key_expr = AssignExprFor(key_text, &area);
  if (tag.key_expr == nullptr) return Status(ErrorCode() != 0 ? ErrorCode() : 351, ErrorText());
  switch (tag.key_expr->type()) {
    case 'C': tag.order.type = KeyType::kChar; break;
    case 'N':
    case 'F': tag.order.type = KeyType::kNumeric; break;
    case 'D': tag.order.type = KeyType::kDate; break;
    default: return Status(254, "Wrong parser return type");
  }
  tag.decimals = tag.key_expr->decimals();
  tag.key_length = KeyLengthOf(tag, area);
  if (tag.key_length < 1 || tag.key_length > kMaxKeyLength)
    return Status(266, "Incorrect key length: Must be 1 to 100.");
  tag.entry_length = EntryLengthFor(tag.key_length);
  tag.max_keys = MaxKeysFor(tag.entry_length);
  tag.unique = def.unique;
  tag.order.descending = def.descending;
  tag.order.length = tag.key_length;
  if (!for_text.empty()) {
    tag.for_expr = AssignExprFor(for_text, &area);
    if (tag.for_expr == nullptr) return Status(ErrorCode() != 0 ? ErrorCode() : 351, ErrorText());
  }
  bool for_satisfied = false;
  Result<int32_t> root = BuildTree(area, tag, for_satisfied);
  if (!root.ok()) return root.status();

  TagHeaderFields fields;
  fields.root = *root;
  fields.flags = static_cast<uint8_t>(kTagFlagAlways | (def.descending ? kTagFlagDescending : 0) |
                                      (def.unique ? kTagFlagUnique : 0));
  fields.key_type = static_cast<char>(tag.order.type);
  fields.key_length = tag.key_length;
  fields.key_expression = key_text;
  fields.has_for = !for_text.empty();
  fields.for_satisfied = for_satisfied;
  fields.for_expression = for_text;
  const NodeBuffer header = EncodeTagHeader(fields);
  const int32_t header_block = *root + 2;
  if (const int rc = target.file->WriteAt(static_cast<uint64_t>(header_block) * kMdxBlock, header); rc != 0)
    return Status(rc, " [MakeIndex]");
  AddTagEntry(target.header, header_block, name, fields.key_type);
  SetBlockCounter(target.header, header_block);
  target.header_changed = true;
  return Status::OK();
}

// Writes the header last, after every node and tag header, and flushes, so
// that a file switched in after this returned OK is complete on disk.
Status CloseTarget() {
  BuildTarget& target = Target();
  Status result;
  if (target.file != nullptr && target.header_changed) {
    int rc = target.file->WriteAt(0, target.header);
    if (rc == 0) rc = target.file->Flush();
    if (rc != 0) result = Status(rc, "Error writing index file:  " + target.name + " [MakeIndex]");
  }
  target.file.reset();
  target.header_changed = false;
  target.packed_numbering = false;
  return result;
}

bool OpenTarget(const std::string& name, int mode) {
  BuildTarget& target = Target();
  (void)CloseTarget();
  target.name = name;
  if (FileExists(name)) {
    if (const int rc = platform::Files().Open(name, mode, target.file); rc != 0)
      return Fail(Status(rc, "Unable to open index: " + name + " [CreateMdxHeader]"));
    size_t got = 0;
    if (target.file->ReadAt(0, target.header, got) != 0 || got != target.header.size()) {
      target.file.reset();
      return Fail(Status(222, "Unable to open index: " + name + " [CreateMdxHeader]"));
    }
    return true;
  }
  const platform::CivilDate today = platform::Today();
  WorkArea* area = CurrentArea();
  const std::string base = area != nullptr ? SplitName(area->dbf.file_name).base : SplitName(name).base;
  target.header = NewMdxHeader(base, MdxDate{today.year, today.month, today.day});
  if (const int rc = platform::Files().Create(name, platform::open_mode::kExclusive, target.file); rc != 0)
    return Fail(Status(rc, "Unable to create index: " + name + " [CreateMdxHeader]"));
  if (const int rc = target.file->WriteAt(0, target.header); rc != 0) {
    target.file.reset();
    return Fail(Status(rc, "Error writing index file:  " + name + " [CreateMdxHeader]"));
  }
  return true;
}

// The build's own file beside the index: "people.mdx" is built as
// "people.$IX" and renamed over the index once complete. No dBASE program
// takes that extension for an index.
std::string BuildFileNameFor(const std::string& index_name) { return ForceExt(index_name, "$IX"); }

// The definitions of every tag of an open index file, in tag order.
std::vector<TagDefinition> OpenDefinitions(MdxFile& mdx) {
  std::vector<TagDefinition> definitions;
  for (int i = 1; i <= mdx.tag_count(); ++i) {
    IndexTag* tag = nullptr;
    for (auto& p : mdx.positions)
      if (p != nullptr && p->tag_number == i) tag = p.get();
    if (tag == nullptr) continue;
    TagDefinition def;
    def.name = ReadTagEntry(mdx.header, i).name;
    def.key_expression = AnchorKeyExpression(tag->anchor);
    def.for_expression = AnchorHasFor(tag->anchor) ? AnchorForExpression(tag->anchor) : "";
    def.descending = (AnchorFlags(tag->anchor) & kTagFlagDescending) != 0;
    def.unique = (AnchorFlags(tag->anchor) & kTagFlagUnique) != 0;
    definitions.push_back(def);
  }
  return definitions;
}

// Builds a complete index file `build_name` from scratch: every tag, then
// the header, then a flush. On any failure the file is deleted, so a file
// of that name is only ever renamed into place whole.
bool BuildIndexFile(const std::vector<TagDefinition>& definitions, const std::string& build_name,
                    bool packed_numbering) {
  (void)CloseTarget();
  if (FileExists(build_name)) (void)platform::Files().Delete(build_name);
  bool ok = OpenTarget(build_name, platform::open_mode::kExclusive);
  Target().packed_numbering = packed_numbering;
  if (ok) {
    for (const TagDefinition& def : definitions) {
      if (!AddIndexTag(def)) {
        ok = false;
        break;
      }
    }
  }
  if (Status s = CloseTarget(); !s.ok()) ok = Fail(s);
  if (!ok && FileExists(build_name)) {
    // The failure is what the caller reports, not this cleanup.
    const int code = ErrorCode();
    const std::string text = ErrorText();
    (void)platform::Files().Delete(build_name);
    SetError(code, text);
  }
  return ok;
}

}  // namespace

bool ParseTagDefinition(const std::string& line, const std::string& for_line, TagDefinition& out) {
  size_t p1 = line.find(',');
  size_t p2 = p1 == std::string::npos ? p1 : line.find(',', p1 + 1);
  size_t p3 = p2 == std::string::npos ? p2 : line.find(',', p2 + 1);
  if (p3 == std::string::npos) return false;
  auto flag = [](const std::string& s) {
    const std::string t = Trim(s);
    return !t.empty() && (t[0] == 'T' || t[0] == 't' || t[0] == 'Y' || t[0] == 'y');
  };
  out.name = Trim(line.substr(0, p1));
  out.descending = flag(line.substr(p1 + 1, p2 - p1 - 1));
  out.unique = flag(line.substr(p2 + 1, p3 - p2 - 1));
  out.key_expression = Trim(line.substr(p3 + 1));
  out.for_expression = Trim(for_line);
  return !out.name.empty() && !out.key_expression.empty();
}

std::string TagDefinitionLine(const TagDefinition& def) {
  return def.name + "," + (def.descending ? "T" : "F") + "," + (def.unique ? "T" : "F") + "," +
         def.key_expression;
}

void SetIndexProgress(std::function<void()> callback, int steps) {
  Progress& p = TheProgress();
  p.steps = steps > 0 ? steps : 0;
  p.callback = steps > 0 ? std::move(callback) : nullptr;
}

bool CreateMdxHeader(const std::string& name) {
  return OpenTarget(name, platform::open_mode::kExclusive);
}

bool AddIndexTag(const TagDefinition& definition) {
  ClearErrorCode();
  WorkArea* area = RequireArea("AddIndexTag()");
  if (area == nullptr) return false;
  if (Target().file == nullptr) return Fail(Status(254, "No index file being built [AddIndexTag()]"));
  Status s = AddTag(*area, definition);
  if (s.ok()) return true;
  // Messages that already name their operation are passed on as they are.
  const bool tagged = s.text().find(" [") != std::string::npos;
  return Fail(Status(s.code(), tagged ? s.text() : s.text() + " [AddIndexTag()]"));
}

bool MakeIndex(const std::vector<TagDefinition>& definitions, const std::string& name_in) {
  WorkArea* area = RequireArea("MakeIndex");
  if (area == nullptr) return false;
  const std::string name = IndexFileNameFor(*area, name_in);
  CloseIndexesIn(*area);
  RefreshRecordCount(*area);
  bool reopened = false;
  // Held (sharing denied) until the new file has replaced it, so nobody
  // opens the old index in the meantime and goes on using a file that is
  // no longer the table's index.
  std::unique_ptr<platform::File> old_index;
  if (FileExists(name)) {
    int rc = platform::Files().Open(name, platform::open_mode::kReadOnlyExclusive, old_index);
    if ((rc == 5 || rc == 32) && !area->exclusive) {
      if (ReopenTable(true) != 0)
        return Fail(Status(225, area->dbf.file_name + " MakeIndex(" + name + ")"));
      reopened = true;
      rc = platform::Files().Open(name, platform::open_mode::kReadOnlyExclusive, old_index);
    }
    if (rc != 0) {
      if (reopened) (void)ReopenTable(false);
      return Fail(Status(rc, "Cannot replace " + name + " [MakeIndex]"));
    }
  }
  const std::string build_name = BuildFileNameFor(name);
  bool ok = BuildIndexFile(definitions, build_name, false);
  if (ok) {
    if (const int rc = platform::Files().Rename(build_name, name); rc != 0) {
      (void)platform::Files().Delete(build_name);
      ok = Fail(Status(rc, "Cannot replace " + name + " [MakeIndex]"));
    }
  }
  old_index.reset();
  if (reopened) {
    if (const int rc = ReopenTable(false); rc != 0)
      ok = Fail(Status(rc, "Cannot_Reopen_Database_Sharable MakeIndex(" + name + ")"));
  }
  return ok;
}

bool BuildPackedIndex(const std::string& side_name) {
  WorkArea* area = RequireArea("Pack");
  if (area == nullptr) return false;
  MdxFile* mdx = MdxOf(*area);
  if (mdx == nullptr) return Fail(Status(221, "Index not open. (DBF=" + area->dbf.file_name + ") [Pack]"));
  return BuildIndexFile(OpenDefinitions(*mdx), side_name, true);
}

bool MakeIndexAndOpen(const std::vector<TagDefinition>& definitions, const std::string& name) {
  if (!MakeIndex(definitions, name)) return false;
  return SetIndexTo(name);
}

bool Reindex() {
  WorkArea* area = RequireArea("Reindex");
  if (area == nullptr) return false;
  MdxFile* mdx = MdxOf(*area);
  if (mdx == nullptr || mdx->controlling() == nullptr)
    return Fail(Status(221, "Index not open. (DBF=" + area->dbf.file_name + ") [Reindex]"));
  return RebuildOpenIndex();
}

bool RebuildOpenIndex() {
  WorkArea* area = RequireArea("Reindex");
  if (area == nullptr) return false;
  MdxFile* mdx = MdxOf(*area);
  if (mdx == nullptr) return Fail(Status(221, "Index not open. (DBF=" + area->dbf.file_name + ") [Reindex]"));
  const std::string remembered = mdx->controlling() != nullptr ? CurrentTagName() : "";
  const std::string name = mdx->name();
  const std::vector<TagDefinition> definitions = OpenDefinitions(*mdx);
  if (!MakeIndex(definitions, name)) return false;
  if (!SetIndexTo(name)) return false;
  if (remembered.empty()) {
    Set_Order_To(0);
    return ErrorCode() == 0;
  }
  return SetOrderToTag(remembered);
}

std::vector<std::string> ReadTagDefinitions(const std::string& name_in) {
  std::vector<std::string> lines;
  WorkArea* area = CurrentArea();
  const std::string name = area != nullptr ? IndexFileNameFor(*area, name_in) : DefaultExt(Trim(name_in), "MDX");
  if (!FileExists(name)) return lines;
  // The area's own open index may deny other opens (exclusive tables), so
  // it is read through the handle it already has.
  MdxFile* open = area != nullptr ? MdxOf(*area) : nullptr;
  const bool use_open = open != nullptr && open->name() == name;
  if (!use_open && !OpenTarget(name, platform::open_mode::kReadOnlyShared)) return lines;
  BuildTarget& target = Target();
  platform::File& file = use_open ? open->file() : *target.file;
  const MdxHeader& header = use_open ? open->header : target.header;
  const int count = std::min(TagCount(header), kMaxTags);
  for (int i = 1; i <= count; ++i) {
    const TagEntry entry = ReadTagEntry(header, i);
    Anchor anchor{};
    size_t got = 0;
    if (entry.header_block < 4 ||
        file.ReadAt(static_cast<uint64_t>(entry.header_block) * kMdxBlock, anchor, got) != 0 ||
        got != anchor.size())
      continue;
    const std::string tag_name = Trim(entry.name);
    const std::string expression = Trim(AnchorKeyExpression(anchor));
    if (tag_name.empty() || expression.empty()) continue;
    const uint8_t flags = AnchorFlags(anchor);
    lines.push_back(tag_name + "," + ((flags & kTagFlagDescending) ? "T" : "F") + "," +
                    ((flags & kTagFlagUnique) ? "T" : "F") + "," + expression);
    lines.push_back(AnchorHasFor(anchor) ? Trim(AnchorForExpression(anchor)) : "");
  }
  if (!use_open) {
    target.header_changed = false;
    (void)CloseTarget();
  }
  return lines;
}

}  // namespace xb
