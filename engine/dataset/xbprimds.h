#pragma once
// TXbPrimDataset maps the dataset framework's internal operations (open,
// close, fetch, post, delete, bookmarks, field data) onto a small set of
// virtual cursor operations, the Xbi operations, each of which answers
// with a status code: 0 success, 1401 open failed without an engine code,
// 1402 no record before (at begin), 1403 no record after (at end), 1404 no
// table name, anything else an engine error code. A non-zero status where
// the framework needs success becomes EDatabaseError (see RaiseStatus).
//
// Record buffer layout (zero-filled when allocated):
//
//   OFFSET                 SIZE               CONTENT
//   0                      XbiGetRecordSize   deleted flag, then one slot per field
//   calc_offset_           CalcFieldsSize     calculated fields: flag byte + value each
//   blob_offset_           4 per blob field   framework use
//   info_offset_           4 + 1              record number (int32), bookmark flag
//   bookmark_offset_       4                  bookmark: the record number
#include <cstdint>
#include <string>
#include <vector>

#include "engine/dataset/dataset_base.h"

namespace xb {

inline constexpr int kStatusOk = 0;
inline constexpr int kStatusOpenFailed = 1401;
inline constexpr int kStatusAtBegin = 1402;
inline constexpr int kStatusAtEnd = 1403;
inline constexpr int kStatusNoFileName = 1404;

class TXbPrimDataset : public TDataSet {
 public:
  explicit TXbPrimDataset(std::string name = "");
  ~TXbPrimDataset() override;

  int RecNo() override;
  void SetRecNo(int n) override;
  int RecordCount() override;
  bool IsSequenced() override { return !Filtered(); }
  bool BookmarkValid(const TBookmark& bookmark) override;
  int CompareBookmarks(const TBookmark& a, const TBookmark& b) override;
  bool FindRecord(bool restart, bool go_forward) override;
  bool GetFieldData(const TField* field, void* buffer) override;
  void SetFieldData(TField* field, const void* buffer) override;
  std::vector<TVariant> Lookup(const std::string& key_fields, const std::vector<TVariant>& key_values,
                               const std::string& result_fields) override;

  // The exception text for a status code.
  std::string StatusMessage(int status);
  // Throws EDatabaseError unless status is 0.
  void RaiseStatus(int status);

 protected:
  // ---- The Xbi operations, in slot order ----
  virtual std::string XbiErrorText(int code);
  virtual bool XbiIsEmpty() { return true; }
  virtual int XbiSetToBegin() = 0;
  virtual int XbiSetToEnd() = 0;
  virtual int XbiOpen() = 0;
  virtual int XbiClose() = 0;
  virtual int XbiGetRecordCount(int32_t& count) = 0;
  virtual int XbiForceReread() = 0;
  virtual int XbiAppendRecord(uint8_t* buffer) = 0;
  virtual int XbiInsertRecord(uint8_t* buffer) = 0;
  virtual int XbiDeleteRecord() = 0;
  virtual int XbiInitRecord() = 0;
  virtual int XbiPostRecord(uint8_t* buffer) = 0;
  virtual int XbiGetRecordSize() = 0;
  virtual int XbiGetRecord(uint8_t* buffer) = 0;
  virtual int XbiGetNextRecord(uint8_t* buffer) = 0;
  virtual int XbiGetPriorRecord(uint8_t* buffer) = 0;
  virtual int XbiGetFieldData(const TField* field, const uint8_t* buffer, bool& blank, void* value) = 0;
  virtual int XbiSetFieldData(TField* field, uint8_t* buffer, const void* value) = 0;
  virtual int XbiGotoRecNo(int32_t n) = 0;
  virtual int XbiLocateRecord(const std::string& key_fields, const std::vector<TVariant>& key_values, bool move,
                              TLocateOptions options, bool& found) = 0;
  virtual int XbiGetBookmarkSize() { return 4; }
  virtual int XbiGotoBookmark(const uint8_t* bookmark) = 0;
  virtual int XbiSetToBookmark(uint8_t* buffer) = 0;
  virtual int XbiCompareBookmarks(const uint8_t* a, const uint8_t* b) = 0;

  // ---- Framework operations ----
  int RecordBufferSize() const override { return buffer_size_; }
  TGetResult GetRecord(uint8_t* buffer, TGetMode mode, bool do_check) override;
  void OpenCursor() override;
  void CloseCursor() override;
  void InternalOpen() override;
  void InternalClose() override;
  bool IsCursorOpen() const override { return cursor_open_; }
  void InternalFirst() override;
  void InternalLast() override;
  void InternalInitRecord(uint8_t* buffer) override;
  void InternalInsert() override;
  void InternalEdit() override;
  void InternalPost() override;
  void InternalDelete() override;
  void InternalRefresh() override;
  void InternalAddRecord(uint8_t* buffer, bool append) override;
  void InternalGotoBookmark(const uint8_t* bookmark) override;
  void InternalSetToRecord(uint8_t* buffer) override;
  int BookmarkSize() const override { return bookmark_size_; }
  void GetBookmarkData(const uint8_t* buffer, uint8_t* data) override;
  void SetBookmarkData(uint8_t* buffer, const uint8_t* data) override;
  TBookmarkFlag GetBookmarkFlag(const uint8_t* buffer) override;
  void SetBookmarkFlag(uint8_t* buffer, TBookmarkFlag flag) override;
  int CalcAreaOffset() const override { return calc_offset_; }

  // The framework's locate through XbiLocateRecord (move = true).
  bool FrameworkLocate(const std::string& key_fields, const std::vector<TVariant>& key_values,
                       TLocateOptions options);
  // Clears the subclass's at-begin and at-end marks after a found locate.
  virtual void ClearCursorFlags() {}

  // The buffer the current state reads field values from; nullptr when
  // there is none (an empty table in browse state, an unknown state).
  uint8_t* StateBuffer();
  int32_t BufferRecNo(const uint8_t* buffer) const;
  void SetBufferRecNo(uint8_t* buffer, int32_t n) const;
  int SlotAreaSize() const { return record_size_; }
  int BookmarkOffset() const { return bookmark_offset_; }

 private:
  bool cursor_open_ = false;
  int record_size_ = 1;
  int bookmark_size_ = 4;
  int calc_offset_ = 1;
  int blob_offset_ = 1;
  int info_offset_ = 1;
  int bookmark_offset_ = 6;
  int buffer_size_ = 10;
};

}  // namespace xb
