#include "engine/memo/memo_hooks.h"

#include "engine/memo/memo_lines.h"
#include "engine/memo/memo_pack.h"
#include "engine/memo/memo_state.h"
#include "engine/table/dbf_file.h"
#include "engine/table/switches.h"

namespace xb {
namespace {

bool CreateForTable(const std::string& table_name, uint8_t version, int block_size,
                    const std::string& caller) {
  return CreateMemofile(table_name, MemoKindOf(version), block_size, caller);
}

class MemoLayer : public MemoHooks {
 public:
  bool OpenMemo(WorkArea& area, const std::string& table_base) override {
    return OpenMemofile(area, table_base);
  }
  bool CloseMemo(WorkArea& area) override { return CloseMemofile(area); }
  Result<std::unique_ptr<MemoRepacker>> StartMemoPack(WorkArea& area,
                                                      const std::string& side_name) override {
    return StartMemoRepack(area, side_name);
  }
  bool CreateMemo(const std::string& table_name, uint8_t version, int block_size,
                  const std::string& caller) override {
    return CreateForTable(table_name, version, block_size, caller);
  }
  std::unique_ptr<MemoLineSource> OpenLines(WorkArea& area, int32_t block) override {
    return OpenMemoLines(area, block);
  }
};

MemoLayer& Layer() {
  static MemoLayer layer;
  return layer;
}

}  // namespace

void MemoInit() {
  InstallMemoHooks(&Layer());
  SetMemoFileCreator(&CreateForTable);
}

void MemoDone() {
  InstallMemoHooks(nullptr);
  SetMemoFileCreator(nullptr);
}

uint8_t GetMemoType() {
  WorkArea* area = CurrentArea();
  return MemoKindOf(area == nullptr ? 0 : area->dbf.version);
}

bool CreateMemofile(const std::string& table_name) {
  return CreateMemofile(table_name, MemoKindOf(Switches().default_version), Switches().memo_block_size,
                        "CreateMemofile");
}

bool CreateMemofile(const std::string& table_name, uint8_t kind, int block_size,
                    const std::string& caller) {
  const std::string path = MemoFileNameFor(table_name, kind);
  if (Status s = MemoFile::Create(path, kind, block_size, caller); !s.ok()) return Fail(s);
  return true;
}

bool OpenMemofile(WorkArea& area, const std::string& table_base) {
  const uint8_t kind = MemoKindOf(area.dbf.version);
  const std::string path =
      MemoFileNameFor(area.dbf.file_name.empty() ? table_base + ".DBF" : area.dbf.file_name, kind);
  if (MemoStateOf(area) != nullptr) return Fail(Status(1007, path + " [USE]"));
  Result<std::unique_ptr<MemoFile>> file = MemoFile::Open(path, kind, MemoOpenMode(area));
  if (!file.ok()) {
    area.memo.reset();
    return Fail(file.status());
  }
  auto state = std::make_unique<MemoState>();
  state->file = std::move(*file);
  area.memo = std::move(state);
  return true;
}

bool CloseMemofile(WorkArea& area) {
  MemoState* memo = MemoStateOf(area);
  if (memo == nullptr) return true;
  memo->blob.Reset();
  const std::string path = memo->file->path();
  Status s = memo->file->Close();
  area.memo.reset();
  if (!s.ok()) return Fail(Status(s.code(), path + " [CloseMemofile]"));
  return true;
}

bool CloseMemofile() {
  Result<MemoTarget> t = RequireMemo("CloseMemofile");
  if (!t.ok()) return Fail(t.status());
  return CloseMemofile(*t->area);
}

bool LockMemofile() {
  Result<MemoTarget> t = RequireMemo("LockMemofile");
  if (!t.ok()) return Fail(t.status());
  return t->memo->file->Lock("LockMemofile").ok();
}

bool UnlockMemofile() {
  Result<MemoTarget> t = RequireMemo("UnlockMemofile");
  if (!t.ok()) return Fail(t.status());
  return t->memo->file->Unlock().ok();
}

}  // namespace xb
