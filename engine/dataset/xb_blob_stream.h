#pragma once
// TXbBlobStream: a byte stream over the memo field of the dataset's active
// record, on top of the memo layer's blob descriptor (one per work area).
//
// Modes: read streams the memo the field's slot names. Write and read-write
// start a new memo at once and put its block number into the slot; in
// write mode the record buffer is copied into the engine when the stream is
// destroyed (an empty write empties the field: block 0), in read-write
// mode the block reaches the file when the caller posts the record, which
// may happen while the stream is still open. The memo's final length is
// recorded when the stream is destroyed.
//
// Only one blob stream per table may be open at a time: opening a second
// one drops the first unfinished.
#include <cstdint>
#include <string>

#include "engine/dataset/stream.h"

namespace xb {

class TField;
class TXbFileDataSet;

class TXbBlobStream : public TStream {
 public:
  // Throws EDatabaseError when `field` is not a memo field of an open
  // TXbFileDataSet, or for a write mode outside edit and insert states.
  TXbBlobStream(TField* field, int mode, bool convert);
  ~TXbBlobStream() override;
  TXbBlobStream(const TXbBlobStream&) = delete;
  TXbBlobStream& operator=(const TXbBlobStream&) = delete;

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int32_t Seek(int32_t offset, int origin) override;
  bool Modified() const { return modified_; }

 private:
  bool DirectOpenClose();

  TField* field_;
  TXbFileDataSet* dataset_;
  int mode_;  // 0 read, 1 write, 2 read-write
  bool opened_ = false;
  bool modified_ = false;
};

}  // namespace xb
