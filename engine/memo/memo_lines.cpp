#include "engine/memo/memo_lines.h"

#include "engine/memo/memo_state.h"
#include "engine/table/work_area.h"
#include "platform/file.h"

namespace xb {
namespace {

constexpr uint8_t kHard = 13;
constexpr uint8_t kSoft = 141;
constexpr int kIoNotLoaded = 100;
constexpr int kIoNotStored = 101;
constexpr int kIoBadMode = 102;
constexpr int kIoNotAssigned = 103;

std::string RecordText(const WorkArea& area) {
  return " Record # " + std::to_string(area.dbf.current_record);
}

// Wraps a full line after its last space, else cuts it at the width; what
// follows the break starts `rest`.
void Wrap(std::string& line, std::string& rest) {
  size_t space = line.find_last_of(' ');
  size_t cut = space == std::string::npos || space + 1 >= line.size() ? line.size() : space + 1;
  rest = line.substr(cut);
  line.resize(cut);
}

}  // namespace

void LineTable::Clear() {
  lines_.clear();
  pending_.clear();
}

void LineTable::Load(std::string_view text, int limit) {
  Clear();
  size_t cap = limit > 0 && limit < kMaxMemoLines ? static_cast<size_t>(limit) : kMaxMemoLines;
  while (!text.empty() && text.back() == '\0') text.remove_suffix(1);
  auto store = [&](std::string line, uint8_t terminator) {
    if (lines_.size() < cap) lines_.push_back({std::move(line), terminator});
  };
  std::string cur;
  for (size_t i = 0; i < text.size(); ++i) {
    uint8_t c = static_cast<uint8_t>(text[i]);
    if (c == 0x0D || c == 0x8D) {
      store(std::move(cur), c == 0x0D ? kHard : kSoft);
      cur.clear();
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      continue;
    }
    if (cur.size() == kMemoLineWidth) {
      std::string rest;
      Wrap(cur, rest);
      store(std::move(cur), 0);
      cur = std::move(rest);
    }
    cur.push_back(static_cast<char>(c));
  }
  if (!cur.empty()) store(std::move(cur), 0);
}

bool LineTable::EndLine(uint8_t terminator) {
  if (lines_.size() >= static_cast<size_t>(kMaxMemoLines)) return false;
  lines_.push_back({std::move(pending_), terminator});
  pending_.clear();
  return true;
}

bool LineTable::Take(std::string_view piece) {
  for (size_t i = 0; i < piece.size(); ++i) {
    uint8_t c = static_cast<uint8_t>(piece[i]);
    if (c == 0x0D) {
      bool soft = i > 0 && static_cast<uint8_t>(piece[i - 1]) == 0x8D;
      if (!EndLine(soft ? kSoft : kHard)) return false;
    } else if (c == 0x8D) {
      // A soft return is 0x8D before a line end; a lone 0x8D is dropped.
      if (i + 1 < piece.size() && piece[i + 1] == '\n') {
        if (!EndLine(kSoft)) return false;
        ++i;
      }
    } else if (c != 0x0A) {
      if (pending_.size() == kMemoLineWidth) {
        std::string rest;
        Wrap(pending_, rest);
        if (!EndLine(0)) return false;
        pending_ = std::move(rest);
      }
      pending_.push_back(static_cast<char>(c));
    }
  }
  return true;
}

std::string LineTable::Render() const {
  std::string out;
  for (const MemoLine& line : lines_) {
    out += line.text;
    if (line.terminator == kHard) out += "\r\n";
    if (line.terminator == kSoft) out += "\x8D\n";
  }
  out += pending_;
  return out;
}

Status LoadMemoLines(WorkArea& area, MemoState& memo, int32_t block, int limit, LineTable& table) {
  table.Clear();
  uint32_t b = block < 0 ? 0u - static_cast<uint32_t>(block) : static_cast<uint32_t>(block);
  if (b == 0) return Status::OK();
  MemoFile& file = *memo.file;
  const std::string where = file.path() + RecordText(area) + " [GetMemo]";
  Result<MemoSpan> span = file.Locate(b);
  if (!span.ok()) return Status(span.status().code(), where);
  if (file.flavor() == MemoFlavor::kDbase4 && span->header_size == 0) return Status(30, where);
  Result<std::string> text = file.ReadMemo(b);
  if (!text.ok()) return Status(text.status().code(), where);
  table.Load(*text, limit);
  return Status::OK();
}

Result<int32_t> StoreMemoLines(WorkArea& area, MemoState& memo, int32_t old, const LineTable& table) {
  std::string text = table.Render();
  if (text.empty()) return 0;
  MemoFile& file = *memo.file;
  uint64_t free_bytes = 0;
  if (platform::Files().DiskFreeBytes(file.path(), free_bytes) == 0 && text.size() / 1024 >= free_bytes / 1024)
    return Status(1004, file.path() + " [EditMemo/CloseMemo]");
  uint32_t o = old < 0 ? 0u - static_cast<uint32_t>(old) : static_cast<uint32_t>(old);
  return file.WriteMemo(o, text, "EditMemo/CloseMemo");
}

LineTable& MemoLines() {
  static LineTable table;
  return table;
}

bool GetMemo(int32_t block, int limit) {
  Result<MemoTarget> t = RequireMemo("GetMemo");
  if (!t.ok()) return Fail(t.status());
  if (Status s = LoadMemoLines(*t->area, *t->memo, block, limit, MemoLines()); !s.ok())
    return FailMemo(t->memo, s, false);
  return true;
}

int32_t CloseMemo(int32_t old_block) {
  Result<MemoTarget> t = RequireMemo("CloseMemo");
  if (!t.ok()) return Fail(t.status(), 0);
  Result<int32_t> block = StoreMemoLines(*t->area, *t->memo, old_block, MemoLines());
  MemoLines().Clear();
  if (!block.ok()) return FailMemo(t->memo, block.status(), 0);
  return *block;
}

// ---- The text-file variable ----

int AssignMemo(MemoText& text, int32_t* block_var) {
  Result<MemoTarget> t = RequireMemo("AssignMemo");
  if (!t.ok()) {
    (void)Fail(t.status());
    return t.status().code();
  }
  text.area_number_ = t->area->number;
  text.block_var_ = block_var;
  text.mode_ = MemoText::Mode::kClosed;
  text.table_.Clear();
  return 0;
}

namespace {

MemoState* BoundMemo(int area_number, WorkArea*& area) {
  area = AreaAt(area_number);
  return area == nullptr ? nullptr : MemoStateOf(*area);
}

}  // namespace

int MemoText::Reset() {
  WorkArea* area = nullptr;
  MemoState* memo = BoundMemo(area_number_, area);
  if (memo == nullptr || block_var_ == nullptr) return kIoNotAssigned;
  if (Status s = LoadMemoLines(*area, *memo, *block_var_, 0, table_); !s.ok()) {
    (void)FailMemo(memo, s, false);
    return kIoNotLoaded;
  }
  read_pos_ = 0;
  mode_ = Mode::kInput;
  return 0;
}

int MemoText::Rewrite() {
  if (AreaAt(area_number_) == nullptr || block_var_ == nullptr) return kIoNotAssigned;
  table_.Clear();
  // The old memo is neither reused nor released: the record may still
  // refer to it until the new block is stored.
  *block_var_ = 0;
  old_block_ = 0;
  mode_ = Mode::kOutput;
  return 0;
}

int MemoText::Append() {
  WorkArea* area = nullptr;
  MemoState* memo = BoundMemo(area_number_, area);
  if (memo == nullptr || block_var_ == nullptr) return kIoNotAssigned;
  if (Status s = LoadMemoLines(*area, *memo, *block_var_, 0, table_); !s.ok()) {
    (void)FailMemo(memo, s, false);
    return kIoNotLoaded;
  }
  auto& lines = table_.lines();
  if (lines.size() == 1 && lines[0].text.empty()) lines.clear();
  // The loaded last line is complete: what is written next starts a new one.
  if (!lines.empty() && lines.back().terminator == 0) lines.back().terminator = kHard;
  old_block_ = *block_var_;
  mode_ = Mode::kOutput;
  return 0;
}

bool MemoText::ReadLn(std::string& line) {
  line.clear();
  if (mode_ != Mode::kInput || read_pos_ >= table_.lines().size()) return false;
  while (read_pos_ < table_.lines().size()) {
    const MemoLine& l = table_.lines()[read_pos_++];
    line += l.text;
    if (l.terminator == kHard) break;
  }
  return true;
}

bool MemoText::Eof() const { return mode_ != Mode::kInput || read_pos_ >= table_.lines().size(); }

int MemoText::Write(std::string_view text) {
  if (mode_ != Mode::kOutput) return kIoBadMode;
  return table_.Take(text) ? 0 : kIoNotStored;
}

int MemoText::WriteLn(std::string_view text) {
  if (int rc = Write(text); rc != 0) return rc;
  return Write("\r\n");
}

int MemoText::Close() {
  Mode was = mode_;
  mode_ = Mode::kClosed;
  if (was != Mode::kOutput) {
    table_.Clear();
    return 0;
  }
  WorkArea* area = nullptr;
  MemoState* memo = BoundMemo(area_number_, area);
  if (memo == nullptr || block_var_ == nullptr) return kIoNotAssigned;
  bool had_lines = !table_.empty();
  Result<int32_t> block = StoreMemoLines(*area, *memo, old_block_, table_);
  table_.Clear();
  if (!block.ok()) {
    (void)FailMemo(memo, block.status(), false);
    return had_lines ? kIoNotStored : 0;
  }
  *block_var_ = *block;
  (void)memo->file->Flush();
  return 0;
}

namespace {

class MemoTextLines : public MemoLineSource {
 public:
  bool NextLine(std::string& line) override { return text_.ReadLn(line); }
  MemoText text_;
  int32_t block_ = 0;
};

}  // namespace

std::unique_ptr<MemoLineSource> OpenMemoLines(WorkArea& area, int32_t block) {
  if (MemoStateOf(area) == nullptr) {
    (void)Fail(Status(1019, area.dbf.file_name + " No Memo Field [AssignMemo]"));
    return nullptr;
  }
  auto source = std::make_unique<MemoTextLines>();
  source->block_ = block;
  source->text_.area_number_ = area.number;
  source->text_.block_var_ = &source->block_;
  if (source->text_.Reset() != 0) return nullptr;
  return source;
}

}  // namespace xb
