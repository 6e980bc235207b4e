// Fuzz target: arbitrary bytes as a memo file. Byte 0 picks the kind and
// byte 1 how many memos to read; the rest is the file. Every memo read path
// runs over it (whole memo, blob stream with seeks, line table), then a
// memo is written so that allocation walks whatever free chain the bytes
// describe. Nothing may crash, hang or allocate by a length from the file.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/memo/memo_blob.h"
#include "engine/memo/memo_file.h"
#include "engine/memo/memo_lines.h"

namespace {

constexpr uint64_t kMaxFile = 4 << 20;

class MemoryFile : public platform::File {
 public:
  explicit MemoryFile(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  int ReadAt(uint64_t offset, std::span<uint8_t> out, size_t& read) override {
    read = 0;
    if (offset >= bytes_.size()) return 0;
    read = static_cast<size_t>(std::min<uint64_t>(out.size(), bytes_.size() - offset));
    std::memcpy(out.data(), bytes_.data() + offset, read);
    return 0;
  }
  int WriteAt(uint64_t offset, std::span<const uint8_t> data) override {
    if (offset + data.size() > kMaxFile) return 101;
    if (offset + data.size() > bytes_.size()) bytes_.resize(offset + data.size());
    std::memcpy(bytes_.data() + offset, data.data(), data.size());
    return 0;
  }
  int Truncate(uint64_t size) override {
    bytes_.resize(std::min(size, kMaxFile));
    return 0;
  }
  int Flush() override { return 0; }
  int Size(uint64_t& size) override {
    size = bytes_.size();
    return 0;
  }
  int ModifiedTime(int64_t& seconds) override {
    seconds = 0;
    return 0;
  }
  int Lock(uint64_t, uint64_t) override { return 0; }
  int Unlock(uint64_t, uint64_t) override { return 0; }
  int Mode() const override { return 0x12; }
  const std::string& Path() const override { return path_; }

 private:
  std::vector<uint8_t> bytes_;
  std::string path_ = "fuzz.dbt";
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2 || size > kMaxFile) return 0;
  static const uint8_t kKinds[] = {xb::kMemoDbase3, xb::kMemoDbase4, xb::kMemoFoxPro};
  const uint8_t kind = kKinds[data[0] % 3];
  const int reads = data[1] % 8 + 1;
  std::vector<uint8_t> bytes(data + 2, data + size);
  auto attached = xb::MemoFile::Attach(std::make_unique<MemoryFile>(bytes), "fuzz.dbt", kind);
  if (!attached.ok()) return 0;
  xb::MemoFile& file = **attached;

  auto blocks = file.SizeInBlocks();
  if (!blocks.ok()) return 0;
  for (int i = 0; i < reads; ++i) {
    // Blocks inside the file and one past it.
    uint32_t block = static_cast<uint32_t>((i * 7919u) % (*blocks + 1));
    auto text = file.ReadMemo(block);
    if (text.ok()) {
      xb::LineTable table;
      table.Load(*text, 0);
      (void)table.Render();
    }
    xb::BlobDescriptor blob;
    if (blob.OpenRead(file, i % 2 == 1, static_cast<int32_t>(block)).ok()) {
      uint8_t buffer[700];
      while (true) {
        auto n = blob.Read(file, buffer, sizeof buffer);
        if (!n.ok() || *n == 0) break;
      }
      (void)blob.Seek(file, -3, 2);
      (void)blob.Seek(file, 5, 1);
      (void)blob.Read(file, buffer, sizeof buffer);
    }
    (void)file.Extent(block);
  }
  const std::string memo(static_cast<size_t>(data[1]) * 9, 'x');
  auto written = file.WriteMemo(*blocks > 1 ? 1 : 0, memo, "fuzz");
  if (written.ok()) {
    auto back = file.ReadMemo(static_cast<uint32_t>(std::abs(*written)));
    if (!back.ok() || *back != memo) __builtin_trap();
  }
  return 0;
}
