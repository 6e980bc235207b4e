#pragma once
// ExternalSort orders the (key, record number) items of one tag build in
// bounded memory: items collect in 32758-byte pools behind an array of 8189
// pointers; when the array is full its items are sorted and written as one
// run to a temporary "XBP" file; at the end the runs are merged in one pass.
// With no more than 8189 items nothing touches the disk.
//
// Item layout: key (key length bytes) then the record number (4 bytes,
// little-endian). Run file: the runs one after the other, each a sorted
// sequence of items; run r starts at run_start_[r] and holds run_items_[r].
//
// Order: the tag's key comparison, equal keys by ascending record number.
// That order is total (record numbers differ), so the sequence Next()
// yields is the same whether it came from memory or through runs.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/index/mdx_node.h"
#include "engine/table/status.h"

namespace platform {
class File;
}

namespace xb {

inline constexpr int kSortPointers = 8189;
inline constexpr int kSortPoolBytes = 32758;
inline constexpr int kMergeBufferBytes = 65512;

class ExternalSort {
 public:
  ExternalSort(const KeyOrder& order, int key_length);
  ~ExternalSort();  // closes and deletes the run file
  ExternalSort(const ExternalSort&) = delete;
  ExternalSort& operator=(const ExternalSort&) = delete;

  Status Add(const uint8_t* key, int32_t recno);
  // Ends the input: sorts the last items and, with runs, prepares the merge.
  Status Finish();
  // The next item in order after Finish; false when all were given.
  Result<bool> Next(const uint8_t*& key, int32_t& recno);

  int runs() const { return static_cast<int>(run_start_.size()); }
  int item_size() const { return item_size_; }

 private:
  bool Less(const uint8_t* a, const uint8_t* b) const;
  void SortPointers();
  Status WriteRun();
  Status FillRun(int r);
  int Compare(const uint8_t* a, const uint8_t* b) const;

  KeyOrder order_;
  int key_length_;
  int item_size_;
  int items_per_pool_;
  std::vector<std::unique_ptr<uint8_t[]>> pools_;
  std::vector<uint8_t*> pointers_;

  std::string run_path_;
  std::unique_ptr<platform::File> run_file_;
  uint64_t run_end_ = 0;
  std::vector<uint64_t> run_start_;
  std::vector<int64_t> run_items_;

  // Merge state: per run a slice of items, and the runs ordered by their
  // current item.
  struct RunCursor {
    std::vector<uint8_t> buffer;
    int in_buffer = 0;  // items in the buffer
    int at = 0;         // current item in the buffer
    int64_t read = 0;   // items of the run taken into buffers so far
  };
  std::vector<RunCursor> cursors_;
  std::vector<int> ordered_;  // run numbers, ascending by current item
  size_t memory_next_ = 0;
  bool finished_ = false;
  std::vector<uint8_t> last_;  // the item handed out last (merge)
};

}  // namespace xb
