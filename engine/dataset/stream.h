#pragma once
// The byte-stream interface through which memo fields are read and written
// (TXbBlobStream implements it over a memo; TMemoryStream over a string).
// Read and Write return the number of bytes moved; Seek returns the new
// position. Origins follow the usual convention: 0 from the start, 1 from
// the current position, 2 from the end.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

namespace xb {

class TStream {
 public:
  virtual ~TStream() = default;
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  virtual int32_t Seek(int32_t offset, int origin) = 0;

  // Everything from the current position to the end.
  std::string ReadAll() {
    std::string out;
    char chunk[4096];
    for (int32_t n; (n = Read(chunk, sizeof chunk)) > 0;) out.append(chunk, static_cast<size_t>(n));
    return out;
  }
  // Copies the whole of `source` (from its start) into this stream.
  void CopyFrom(TStream& source) {
    source.Seek(0, 0);
    char chunk[4096];
    for (int32_t n; (n = source.Read(chunk, sizeof chunk)) > 0;) Write(chunk, n);
  }
};

// A stream over bytes held in memory.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string data) : data_(std::move(data)) {}
  int32_t Read(void* buffer, int32_t count) override {
    const size_t n = std::min<size_t>(count < 0 ? 0 : count, data_.size() - std::min(pos_, data_.size()));
    if (n > 0) std::memcpy(buffer, data_.data() + pos_, n);
    pos_ += n;
    return static_cast<int32_t>(n);
  }
  int32_t Write(const void* buffer, int32_t count) override {
    if (count <= 0) return 0;
    if (pos_ + count > data_.size()) data_.resize(pos_ + count);
    std::memcpy(data_.data() + pos_, buffer, static_cast<size_t>(count));
    pos_ += count;
    return count;
  }
  int32_t Seek(int32_t offset, int origin) override {
    int64_t base = origin == 0 ? 0 : origin == 1 ? static_cast<int64_t>(pos_) : static_cast<int64_t>(data_.size());
    pos_ = static_cast<size_t>(std::max<int64_t>(0, base + offset));
    return static_cast<int32_t>(pos_);
  }
  const std::string& data() const { return data_; }

 private:
  std::string data_;
  size_t pos_ = 0;
};

}  // namespace xb
