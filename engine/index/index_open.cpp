#include "engine/index/index_open.h"

#include <algorithm>

#include "engine/index/dead_writer_repair.h"
#include "engine/index/index_keys.h"
#include "engine/index/index_search.h"
#include "engine/index/semaphore.h"
#include "engine/table/error_state.h"
#include "engine/table/files.h"
#include "engine/table/navigation.h"
#include "engine/table/scatter_gather.h"
#include "engine/table/switches.h"
#include "engine/table/work_area.h"
#include "platform/codepage.h"
#include "platform/file.h"

namespace xb {
namespace {

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

std::string OpenMessage(const std::string& name) {
  return "Unable to open index: " + name + " [OpenIndex/Set_Index_To]";
}

int IndexOpenMode(const WorkArea& area) {
  const EngineSwitches& sw = Switches();
  if (sw.open_mode_override != -1) return sw.open_mode_override;
  if (sw.network_mode && !area.exclusive) return platform::open_mode::kShared;
  return platform::open_mode::kExclusive;
}

// The key of the record one past the last must have the stored length, or
// keys of different records would differ in length.
Status CheckBlankKeyLength(IndexTag& tag, WorkArea& area) {
  std::vector<uint8_t> saved = area.dbf.record;
  std::fill(area.dbf.record.begin(), area.dbf.record.end(), ' ');
  const int length = KeyLengthOf(tag, area);
  area.dbf.record = std::move(saved);
  if (length != tag.key_length) return Status(266, "");
  return Status::OK();
}

Status OpenTag(MdxFile& mdx, int i, bool position_table) {
  WorkArea& area = mdx.area();
  auto tag = std::make_unique<IndexTag>();
  const TagEntry entry = ReadTagEntry(mdx.header, i);
  tag->tag_number = i;
  tag->name = entry.name;
  tag->header_block = entry.header_block;
  if (entry.header_block < 4) return Status(222, "");
  size_t got = 0;
  if (mdx.file().ReadAt(static_cast<uint64_t>(entry.header_block) * kMdxBlock, tag->anchor, got) != 0 ||
      got != tag->anchor.size())
    return Status(222, "");
  if (Status s = CheckAnchorShape(tag->anchor); !s.ok()) return Status(s.code(), "");
  const std::string for_text = AnchorHasFor(tag->anchor) ? AnchorForExpression(tag->anchor) : "";
  if (Status s = CompileTagExpressions(*tag, area, AnchorKeyExpression(tag->anchor), for_text); !s.ok())
    return Status(222, "");
  tag->key_length = AnchorKeyLength(tag->anchor);
  tag->entry_length = AnchorEntryLength(tag->anchor);
  tag->max_keys = AnchorMaxKeys(tag->anchor);
  tag->unique = (AnchorFlags(tag->anchor) & kTagFlagUnique) != 0;
  tag->order.descending = (AnchorFlags(tag->anchor) & kTagFlagDescending) != 0;
  tag->order.length = tag->key_length;
  if ((tag->order.type == KeyType::kNumeric && tag->key_length != 12) ||
      (tag->order.type == KeyType::kDate && tag->key_length != 8))
    return Status(222, "");
  IndexTag& t = *tag;
  mdx.positions[i] = std::move(tag);
  if (i == 1) Path().Reset(&t);
  if (Status s = GetNode(mdx, t, AnchorRoot(t.anchor)); !s.ok()) return s;
  if (area.dbf.record_count == 0) {
    t.bof = t.eof = true;
    BlankKey(t, t.current_key.data());
    return Status::OK();
  }
  if (i == 1 && position_table) {
    // The navigation steps record their failures; a damaged tree found
    // here fails the open.
    ClearErrorCode();
    int32_t n = FindFirstRecIn(area);
    bool at_end = n > area.dbf.record_count;
    if (!at_end) Dbf4RawGo(n);
    while (!at_end && ErrorCode() == 0 && !IsVisibleIn(area)) {
      n = FindNextRecIn(area);
      at_end = t.eof || n == 0;
      if (!at_end) Dbf4RawGo(n);
    }
    if (ErrorCode() != 0) return Status(ErrorCode(), ErrorText());
    if (at_end) {
      EndState(area);
      if (Status s = SyncTag(mdx, t, true); !s.ok()) return s;
    } else {
      area.dbf.bof = area.dbf.eof = false;
    }
  }
  if (t.is_char()) {
    if (Status s = CheckBlankKeyLength(t, area); !s.ok()) return s;
  }
  RefreshCurrentKey(mdx, t);
  return Status::OK();
}

std::string TagOpenMessage(int code, const std::string& name) {
  switch (code) {
    case 217: return "Insufficient memory to open index: " + name + " [OpenIndex/Set_Index_To]";
    case 266: return "Incorrect key length: Must be 1 to 100. " + name + " [OpenIndex/Set_Index_To]";
    default: return "Invalid dBASE key expression or corrupted index file " + name + " [OpenIndex/Set_Index_To]";
  }
}

}  // namespace

std::string IndexFileNameFor(const WorkArea& area, const std::string& name) {
  std::string n = Trim(name);
  if (n.empty()) return SiblingFileName(area.dbf.file_name, "MDX");
  n = DefaultExt(n, "MDX");
  if (n.find_first_of("/\\:") == std::string::npos) n = SplitName(area.dbf.file_name).directory + n;
  return n;
}

Status OpenTags(MdxFile& mdx, bool position_table) {
  const int count = mdx.tag_count();
  if (count > kMaxTags) return Status(222, TagOpenMessage(222, mdx.name()));
  // One registration for every tag: no writer works between the anchors of
  // two tags, and the record count taken under it covers every record their
  // keys name (the count from the table's open may be older than the
  // change counter LOGIN noted, and then no change would refresh it).
  ReadRegistration reading(mdx.area());
  RefreshRecordCount(mdx.area());
  for (int i = 1; i <= count; ++i) {
    Status s = OpenTag(mdx, i, position_table);
    if (!s.ok()) {
      // A node-level failure keeps its own, more precise message.
      if (!s.text().empty()) return s;
      return Status(s.code() == 266 ? 266 : 222, TagOpenMessage(s.code(), mdx.name()));
    }
  }
  return Status::OK();
}

bool OpenIndex(const std::string& name) {
  WorkArea* area = RequireArea("OpenIndex/Set_Index_To");
  if (area == nullptr) return false;
  std::unique_ptr<platform::File> file;
  if (const int rc = platform::Files().Open(name, IndexOpenMode(*area), file); rc != 0)
    return Fail(Status(rc, OpenMessage(name)));
  uint64_t size = 0;
  if (file->Size(size) != 0 || size < kMinIndexFileSize) return Fail(Status(222, OpenMessage(name)));
  auto mdx = std::make_unique<MdxFile>(*area, name);
  {
    ReadRegistration reading(*area);
    size_t got = 0;
    if (file->ReadAt(0, mdx->header, got) != 0 || got != mdx->header.size())
      return Fail(Status(222, OpenMessage(name)));
  }
  area->index_file = std::move(file);
  MdxFile& m = *mdx;
  area->index = std::move(mdx);
  IndexFileOpened();
  if (Status s = OpenTags(m, true); !s.ok()) {
    CloseIndexesIn(*area);
    return Fail(s);
  }
  return true;
}

bool SetIndexTo(const std::string& name) {
  WorkArea* area = RequireArea("SetIndexTo");
  if (area == nullptr) return false;
  const std::string file_name = IndexFileNameFor(*area, name);
  CloseIndexesIn(*area);
  if (!FileExists(file_name)) return Fail(Status(2, "SetIndexTo(" + file_name + ")"));
  const EngineSwitches& sw = Switches();
  const bool others_may_write = sw.open_mode_override == -1 ||
                                (sw.open_mode_override & 0x70) == platform::open_mode::kDenyNone;
  if (others_may_write && !HandleSemafore(*area, SemaphoreAction::kLogin)) return false;
  if (!OpenIndex(file_name)) {
    CloseIndexesIn(*area);
    return false;
  }
  return RepairAfterDeadWriter(*area);
}

void CloseIndexesIn(WorkArea& area) {
  MdxFile* mdx = MdxOf(area);
  if (mdx == nullptr) {
    // A LOGIN whose open failed before the file was taken over.
    area.index.reset();
    (void)HandleSemafore(area, SemaphoreAction::kLogout);
    return;
  }
  mdx->natural_order = false;
  const bool report = SetReportErrors(false);
  if (Status s = FlushIndexFile(*mdx); !s.ok()) SetError(s.code(), s.text());
  for (auto& tag : mdx->positions) {
    if (tag != nullptr && Path().owner() == tag.get()) Path().Reset(nullptr);
    tag.reset();
  }
  area.index.reset();
  area.index_file.reset();
  (void)HandleSemafore(area, SemaphoreAction::kLogout);
  IndexFileClosed();
  SetReportErrors(report);
}

void CloseIndexes() {
  if (WorkArea* area = CurrentArea()) CloseIndexesIn(*area);
}

void Set_Order_To(int n) {
  WorkArea* area = RequireArea("Set_Order_To");
  if (area == nullptr) return;
  const std::string where = "Set_Order_To(" + std::to_string(n) + ")";
  // The found result of the last Find survives: positioning the tags
  // below never touches it.
  try {
    MdxFile* mdx = MdxOf(*area);
    if (mdx == nullptr || mdx->controlling() == nullptr) {
      SetError(221, "Index not open. (DBF=" + area->dbf.file_name + ") [" + where + "]");
      return;
    }
    if (n < 0 || n > mdx->tag_count()) {
      SetError(220, "Invalid Index Order Specified: SET_ORDER_TO. [" + where + "] (DBF=" +
                        area->dbf.file_name + ")");
      return;
    }
    if (n == 0) {
      mdx->natural_order = true;
      return;
    }
    ReadRegistration reading(*area);
    mdx->natural_order = false;
    DbfFile& dbf = area->dbf;
    if (dbf.current_record >= 1 && dbf.current_record <= dbf.record_count) SkipIn(*area, 0);
    auto& pos = mdx->positions;
    const int current = pos[1]->tag_number;
    if (current != n) {
      const bool was_eof = pos[1]->eof;
      if (current != 1) std::swap(pos[1], pos[current]);
      if (n != 1) std::swap(pos[1], pos[n]);
      if (pos[1] == nullptr) {
        SetError(221, "Index not open.. (DBF=" + dbf.file_name + ") [" + where + "]");
        return;
      }
      Path().Disown();
      if (was_eof) EndState(*area);
    }
    if (Status s = SyncIndex(*mdx, true); !s.ok()) SetError(s.code(), s.text());
    RefreshCurrentKey(*mdx, *pos[1]);
  } catch (const EEngineError&) {
    // Choosing an order never ends the caller's work; the error stays recorded.
  }
}

bool SetOrderToTag(const std::string& name) {
  WorkArea* area = RequireArea("SetOrderToTag");
  if (area == nullptr) return false;
  const std::string wanted = platform::AnsiUpper(Trim(name.substr(0, 10)));
  const std::string where = "SetOrderToTag(" + wanted + ")";
  MdxFile* mdx = MdxOf(*area);
  if (mdx == nullptr || mdx->controlling() == nullptr)
    return Fail(Status(221, "Index not open. (DBF=" + area->dbf.file_name + ") [" + where + "]"));
  if (wanted.empty()) {
    Set_Order_To(0);
    return true;
  }
  for (int i = 1; i <= mdx->tag_count(); ++i) {
    if (ReadTagEntry(mdx->header, i).name.compare(0, wanted.size(), wanted) == 0) {
      ClearErrorCode();
      Set_Order_To(i);
      return ErrorCode() == 0;
    }
  }
  return Fail(Status(220, "Invalid Index Order Specified: SET_ORDER_TO. [" + where + "] (DBF=" +
                              area->dbf.file_name + ")"));
}

int CurrentOrder() {
  WorkArea* area = CurrentArea();
  MdxFile* mdx = area == nullptr ? nullptr : MdxOf(*area);
  if (mdx == nullptr || mdx->natural_order || mdx->controlling() == nullptr) return 0;
  return mdx->controlling()->tag_number;
}

std::string CurrentTagName() {
  const int n = CurrentOrder();
  if (n == 0) return {};
  return ReadTagEntry(MdxOf(*CurrentArea())->header, n).name;
}

}  // namespace xb
