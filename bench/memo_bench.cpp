// Memo write and read throughput for 1 KB and 64 KB memos, per memo kind:
// streamed writes (how the dataset layer saves a note), rewrites of known
// size that reuse blocks (dBASE IV), and streamed reads. Prints a table;
// nothing here is asserted.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/memo/memo_blob.h"
#include "engine/memo/memo_file.h"
#include "platform/file.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Figures {
  double write_mb_s = 0;
  double rewrite_mb_s = 0;
  double read_mb_s = 0;
};

Figures Run(const std::string& path, uint8_t kind, size_t memo_size, int count) {
  Figures f;
  (void)xb::MemoFile::Create(path, kind, 512, "bench");
  auto opened = xb::MemoFile::Open(path, kind, platform::open_mode::kExclusive);
  if (!opened.ok()) return f;
  xb::MemoFile& memo = **opened;
  std::string text(memo_size, 'n');
  for (size_t i = 0; i < text.size(); i += 61) text[i] = '\n';
  const double megabytes = static_cast<double>(memo_size) * count / (1024.0 * 1024.0);

  std::vector<uint32_t> blocks;
  xb::BlobDescriptor blob;
  auto start = Clock::now();
  for (int i = 0; i < count; ++i) {
    auto block = blob.OpenWrite(memo, false, 0, 0);
    if (!block.ok()) return f;
    for (size_t at = 0; at < text.size(); at += 4096) {
      const size_t n = std::min<size_t>(4096, text.size() - at);
      (void)blob.Write(memo, reinterpret_cast<const uint8_t*>(text.data() + at), static_cast<int32_t>(n));
    }
    (void)blob.Finish(memo);
    blocks.push_back(*block);
  }
  f.write_mb_s = megabytes / Seconds(start);

  start = Clock::now();
  for (int i = 0; i < count; ++i) {
    auto block = memo.WriteMemo(blocks[i], text, "bench");
    if (block.ok()) blocks[i] = static_cast<uint32_t>(std::abs(*block));
  }
  f.rewrite_mb_s = megabytes / Seconds(start);

  std::vector<uint8_t> buffer(4096);
  start = Clock::now();
  size_t total = 0;
  for (int i = 0; i < count; ++i) {
    (void)blob.OpenRead(memo, false, static_cast<int32_t>(blocks[i]));
    while (true) {
      auto n = blob.Read(memo, buffer.data(), static_cast<int32_t>(buffer.size()));
      if (!n.ok() || *n == 0) break;
      total += static_cast<size_t>(*n);
    }
  }
  f.read_mb_s = megabytes / Seconds(start);
  if (total != memo_size * count) std::fprintf(stderr, "read back %zu bytes, expected %zu\n", total, memo_size * count);
  return f;
}

}  // namespace

int main() {
  const auto dir = std::filesystem::temp_directory_path() / "qp_memo_bench";
  std::filesystem::create_directories(dir);
  std::printf("%-10s %8s %8s %14s %16s %13s\n", "kind", "memo", "memos", "write MB/s", "rewrite MB/s", "read MB/s");
  const struct {
    const char* name;
    uint8_t kind;
  } kinds[] = {{"dBASE III", xb::kMemoDbase3}, {"dBASE IV", xb::kMemoDbase4}, {"FoxPro", xb::kMemoFoxPro}};
  for (const auto& k : kinds) {
    for (size_t size : {size_t{1024}, size_t{64 * 1024}}) {
      const int count = size == 1024 ? 5000 : 400;
      const std::string path = (dir / "bench.dbt").string();
      Figures f = Run(path, k.kind, size, count);
      std::printf("%-10s %7zuK %8d %14.1f %16.1f %13.1f\n", k.name, size / 1024, count, f.write_mb_s,
                  f.rewrite_mb_s, f.read_mb_s);
    }
  }
  std::filesystem::remove_all(dir);
  return 0;
}
