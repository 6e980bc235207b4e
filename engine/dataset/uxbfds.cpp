#include "engine/dataset/uxbfds.h"

#include <cstdio>
#include <cstring>

#include "engine/memo/memo_lines.h"
#include "engine/dataset/xb_blob_stream.h"
#include "engine/table/files.h"
#include "engine/table/strings.h"
#include "engine/table/xbase.h"

namespace xb {

// ---- TXbFileDataSet ----

TXbFileDataSet::TXbFileDataSet(std::string name) : TXbCDataSet(std::move(name)) {}

void TXbFileDataSet::SetExclusive(bool on) {
  if (on == exclusive_) return;
  exclusive_ = on;
  if (Active()) {
    Close();
    Open();
  }
}

bool TXbFileDataSet::OpenTable(const std::string& file_name) {
  if (create_if_not_found_ && !FileExists(file_name)) {
    if (!CreateTableFromDbfFields()) {
      char text[1024];
      std::snprintf(text, sizeof text, "Could not create \"%s\"", dbf_file_name_.c_str());
      ShowDatasetMessage(text);
    }
  }
  std::string command = file_name;
  if (exclusive_) command += " EXCLUSIVE";
  const std::string alias = TrimAll(Name());
  if (!alias.empty()) command += " ALIAS " + alias;

  EngineSwitches& sw = Switches();
  const bool saved_recount = sw.recount_on_open;
  const int saved_override = sw.open_mode_override;
  sw.recount_on_open = auto_fix_rec_count_;
  if (read_only_) sw.open_mode_override = exclusive_ ? 0x00 : 0x40;
  ClearErrorCode();
  const bool opened = Use(command);
  sw.recount_on_open = saved_recount;
  sw.open_mode_override = saved_override;
  if (!opened || ErrorCode() != 0) return false;
  PrepareIndex();
  return true;
}

uint8_t* TXbFileDataSet::ActiveSlot(const TField* field) {
  const int at = SlotOffset(field->FieldNo());
  uint8_t* buffer = StateBuffer();
  return at < 0 || buffer == nullptr ? nullptr : buffer + at;
}

std::unique_ptr<TStream> TXbFileDataSet::CreateBlobStream(TField* field, TBlobStreamMode mode) {
  return std::make_unique<TXbBlobStream>(field, static_cast<int>(mode), table_language_ == TXbTableLanguage::tlOem);
}

// ---- Locked writes ----

void TXbFileDataSet::LockedWrite(const char* operation, LockKind lock, const std::function<bool()>& write,
                                 bool move_off, const TXbLockFailedEvent& on_failed, const char* word) {
  if (!GetCanModify()) return;
  if (!CheckOpen(operation)) return;
  for (;;) {
    const bool locked = lock == LockKind::kAppend ? xb::ALock() : xb::RLock();
    if (locked) {
      write();
      // MoveOffHidden releases the locks itself when it moves.
      if (!move_off || !xb::MoveOffHidden()) xb::Unlock();
      return;
    }
    if (on_failed) {
      bool retry = false;
      on_failed(*this, retry);
      if (retry && CheckOpen(operation)) continue;
      return;
    }
    char text[64];
    std::snprintf(text, sizeof text, "Lock failed [%s]", word);
    ShowDatasetMessage(text);
    return;
  }
}

void TXbFileDataSet::s_AppendWithLock() {
  LockedWrite("s_AppendWithLock", LockKind::kAppend, [] { return xb::Append(); }, true, OnALockFailedOnInsert,
              "Insert");
}

void TXbFileDataSet::s_DeleteWithLock() {
  LockedWrite("s_DeleteWithLock", LockKind::kRecord, [] { return xb::DeleteRec(); }, true, OnRLockFailedOnDelete,
              "Delete");
}

void TXbFileDataSet::s_RestoreWithLock() {
  LockedWrite("s_RestoreWithLock", LockKind::kRecord, [] { return xb::RecallRec(); }, false,
              OnRLockFailedOnRestore, "Restore");
}

void TXbFileDataSet::s_ReplaceWithLock() {
  LockedWrite("s_ReplaceWithLock", LockKind::kRecord, [] { return xb::Replace(); }, true, OnRLockFailedOnPost,
              "Post");
}

// ---- TXbDbf ----

TXbDbf::TXbDbf(std::string name) : TXbFileDataSet(std::move(name)) {}

bool TXbDbf::ALock() {
  if (!CheckOpen("ALock")) return false;
  return xb::ALock();
}

bool TXbDbf::RLock() {
  if (!CheckOpen("RLock")) return false;
  SyncCursor();
  return xb::RLock();
}

void TXbDbf::UnLock() {
  if (!CheckOpen("UnLock")) return;
  xb::Unlock();
}

std::unique_ptr<TStream> TXbDbf::CreateBlobStreamByName(const std::string& name, int mode) {
  if (CheckFieldType("CreateBlobStreamByName", name, 'M') == 0) return nullptr;
  TField* field = FindField(name.substr(0, 10));
  if (field == nullptr || !field->IsBlob()) return nullptr;
  return std::make_unique<TXbBlobStream>(field, mode, table_language_ == TXbTableLanguage::tlOem);
}

void TXbDbf::SetMField(const std::string& name, const std::vector<std::string>& lines, bool convert) {
  const int n = CheckFieldType("SetMField", name, 'M');
  if (n == 0) return;
  int32_t block = 0;
  MemoText text;
  if (AssignMemo(text, &block) != 0) return;
  if (text.Rewrite() != 0) return;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string line = convert ? ToOem(lines[i]) : lines[i];
    if (i + 1 < lines.size())
      text.WriteLn(line);
    else
      text.Write(line);
  }
  text.Close();
  if (uint8_t* value = FieldAddress(n)) std::memcpy(value, &block, 4);
}

void TXbDbf::SetMemoLines(const std::string& name, const std::vector<std::string>& lines) {
  BeginEngineEdit();
  SetMField(name, lines, table_language_ == TXbTableLanguage::tlOem);
  EndEngineEdit();
}

}  // namespace xb
