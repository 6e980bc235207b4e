#pragma once
// TXbFileDataSet opens its table (creating a missing one from DbfFields),
// prepares the index file from IndexList, writes under locks, and hands out
// blob streams over memo fields. TXbDbf, the class the application
// instantiates, adds the locking commands, the index-order commands and the
// memo-from-lines puts.
//
// Locked writes: append takes the append lock, post, delete and restore a
// record lock, each only for the one write. When a lock is refused the
// matching On...LockFailed event may ask for a retry; without a handler the
// user is told "Lock failed [<word>]" and the write is dropped. Every path
// ends with the table's locks released.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/dataset/uxbcds.h"

namespace xb {

enum class TCreateIndexType { ciNotFound, ciAlways, ciVerifyHeader, ciNever };

class TXbFileDataSet;
// (Sender, var Retry)
using TXbLockFailedEvent = std::function<void(TXbFileDataSet&, bool&)>;
// (index file name, var CanMake) / (index file name)
using TBeforeMakeIndexEvent = std::function<void(const std::string&, bool&)>;
using TAfterMakeIndexEvent = std::function<void(const std::string&)>;

class TXbFileDataSet : public TXbCDataSet {
 public:
  explicit TXbFileDataSet(std::string name = "");

  // ---- Properties ----
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool on) { read_only_ = on; }
  bool AutoFixRecCount() const { return auto_fix_rec_count_; }
  void SetAutoFixRecCount(bool on) { auto_fix_rec_count_ = on; }
  TCreateIndexType CreateIndex() const { return create_index_; }
  void SetCreateIndex(TCreateIndexType type) { create_index_ = type; }
  bool CreateIfNotFound() const { return create_if_not_found_; }
  void SetCreateIfNotFound(bool on) { create_if_not_found_ = on; }
  bool Exclusive() const { return exclusive_; }
  // An open dataset is closed and reopened.
  void SetExclusive(bool on);
  const std::vector<std::string>& IndexList() const { return index_list_; }
  void SetIndexList(std::vector<std::string> lines) { index_list_ = std::move(lines); }

  TBeforeMakeIndexEvent OnBeforeMakeIndex;
  TAfterMakeIndexEvent OnAfterMakeIndex;
  TXbLockFailedEvent OnALockFailedOnInsert;
  TXbLockFailedEvent OnRLockFailedOnDelete;
  TXbLockFailedEvent OnRLockFailedOnPost;
  TXbLockFailedEvent OnRLockFailedOnRestore;

  // ---- Blob streams, search ----
  std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode) override;
  bool Locate(const std::string& key_fields, const std::vector<TVariant>& key_values,
              TLocateOptions options) override;
  bool IsSequenced() override;
  bool Find(const std::string& key);
  bool FindExact(const std::string& key);
  // Undeletes the current record under a record lock.
  void RecallWithLock() { s_RestoreWithLock(); }

  // The slot of a field in the active record buffer, nullptr when there
  // is no active record (for TXbBlobStream).
  uint8_t* ActiveSlot(const TField* field);
  // Marks the engine's record as the dataset's (for TXbBlobStream).
  void StoreBufferInEngine() { BeginEngineEdit(); }

 protected:
  bool OpenTable(const std::string& file_name) override;
  void s_AppendWithLock() override;
  void s_DeleteWithLock() override;
  void s_RestoreWithLock() override;
  void s_ReplaceWithLock() override;
  // The last step of OpenTable (dataset_index.cpp).
  void PrepareIndex();
  bool FindWith(const std::string& key, bool exact);

 private:
  enum class LockKind { kAppend, kRecord };
  void LockedWrite(const char* operation, LockKind lock, const std::function<bool()>& write, bool move_off,
                   const TXbLockFailedEvent& on_failed, const char* word);
  void BuildIndex(const std::string& index_file);

  bool auto_fix_rec_count_ = false;
  TCreateIndexType create_index_ = TCreateIndexType::ciNotFound;
  bool create_if_not_found_ = true;
  bool exclusive_ = false;
  std::vector<std::string> index_list_;
};

class TXbDbf : public TXbFileDataSet {
 public:
  explicit TXbDbf(std::string name = "");

  bool ALock();
  bool RLock();
  void UnLock();
  // A stream over memo field `name` (0 read, 1 write, 2 read-write);
  // nullptr after engine error 220 when there is no such memo field.
  std::unique_ptr<TStream> CreateBlobStreamByName(const std::string& name, int mode);
  // Replaces the memo of the current record with `lines` (the SwapBuffer
  // only; the caller posts the record).
  void SetMField(const std::string& name, const std::vector<std::string>& lines, bool convert);
  // SetMField inside an engine edit; the dataset stays in edit state.
  void SetMemoLines(const std::string& name, const std::vector<std::string>& lines);

  // ---- Index orders (dataset_index.cpp) ----
  bool SetIndexTo(const std::string& name);
  void SetOrderTo(int n);
  bool SetOrderToTag(const std::string& name);
  std::string CurrentTag();
};

}  // namespace xb
