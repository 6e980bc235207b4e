#pragma once
// One B-tree node of an index file held in memory, the three key encodings
// and the order in which keys compare. No file access (see mdx_file).
//
// Node (1024 bytes, integers little-endian; L = entry length):
//
//   OFFSET     SIZE   DESCRIPTION
//   0          4      n, the number of keys
//   4          4      0
//   8 + i*L    4      pointer of entry i: record number in a leaf, child
//                     block in an interior node
//   12 + i*L   K      key of entry i, zero-padded to L - 4 bytes
//   8 + n*L    4      pointer after the last entry: 0 in a leaf, the
//                     rightmost child in an interior node
//
// An interior node with n keys has n + 1 children; entry i's key is the
// greatest key below child i. Bytes 2..3 are the in-memory changed mark and
// are 0 on disk.
//
// Numeric keys (12 bytes): byte 0 exponent (0x34 + digits before the point,
// minus leading fraction zeros), byte 1 = 0x01 | digit count << 2 | 0x80 for
// negative, bytes 2..11 up to 20 BCD digits, high half first. Date keys are
// the day number as an 8-byte double (1e100 blank). Character keys are the
// value's bytes.
//
// Invariants of a node (checked by VerifyIndexFile in index_check):
//   (1) n <= maximum keys of the tag, so 8 + n * L + 4 <= 1024;
//   (2) keys are in non-descending order under the tag's comparison;
//   (3) interior pointers name even blocks >= 4 inside the file.
#include <array>
#include <cstdint>
#include <string_view>

#include "engine/index/mdx_format.h"

namespace xb {

// Read-write view over a node buffer.
class NodeView {
 public:
  NodeView(uint8_t* data, int entry_length) : data_(data), entry_length_(entry_length) {}

  int32_t count() const { return Get32(data_); }
  void set_count(int32_t n) { Put32(data_, n); }
  // Pointer of entry i; i == count() is the pointer after the last entry.
  int32_t pointer(int i) const { return Get32(slot(i)); }
  void set_pointer(int i, int32_t v) { Put32(slot(i), v); }
  const uint8_t* key(int i) const { return slot(i) + 4; }
  uint8_t* key(int i) { return slot(i) + 4; }
  bool is_leaf() const { return pointer(count()) == 0; }
  // True when n fits the node and the tag's capacity.
  bool CountValid(int max_keys) const {
    const int32_t n = count();
    return n >= 0 && n <= max_keys && 8 + n * entry_length_ + 4 <= kNodeSize;
  }

 private:
  uint8_t* slot(int i) const { return data_ + 8 + i * entry_length_; }
  uint8_t* data_;
  int entry_length_;
};

enum class KeyType : char { kChar = 'C', kNumeric = 'N', kDate = 'D' };

// Which comparison a tag uses and over how many bytes.
struct KeyOrder {
  KeyType type = KeyType::kChar;
  bool descending = false;
  int length = 0;  // key length

  // <0, 0, >0 in the tag's order, over `length` bytes (C: over `bytes` when
  // given, for partial searches).
  int Compare(const uint8_t* a, const uint8_t* b) const { return Compare(a, b, length); }
  int Compare(const uint8_t* a, const uint8_t* b, int bytes) const;
};

int CompareCharKeys(const uint8_t* a, const uint8_t* b, int length);
int CompareNumericKeys(const uint8_t* a, const uint8_t* b);
int CompareDateKeys(const uint8_t* a, const uint8_t* b);

using NumericKey = std::array<uint8_t, 12>;
// Encodes decimal text (as formatted with `decimals` places) into a key.
NumericKey EncodeNumericText(std::string_view text, int decimals);
// Formats `value` with `decimals` places and encodes it.
NumericKey EncodeNumber(double value, int decimals);
std::array<uint8_t, 8> EncodeDate(double day_number);
double DecodeDate(const uint8_t* key);
// The value of a numeric key, for listings and checks.
double DecodeNumericKey(const uint8_t* key);

}  // namespace xb
