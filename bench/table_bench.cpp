// Work-area throughput on a table of ~300-byte records: Append (shared,
// append lock held), a full Skip scan, random Go, Locate of a value held
// only by the last record, and Pack after deleting every tenth record,
// each beside a raw sequential read of the same file for the ratio.
//
//   table_bench            10,000 records
//   table_bench --large    10,000 and 1,000,000 records
//   table_bench --dir D    put the scratch table in folder D
//
// Prints a table; nothing is asserted.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "engine/table/files.h"
#include "engine/table/xbase.h"
#include "platform/file.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// NAME C100, TEXT C150, AGE N10, PRICE N12.2, BORN D8, OK L1, CODE C18:
// 300 bytes with the deletion flag.
std::vector<xb::FieldDesc> Fields() {
  auto f = [](const char* name, char type, int len, int dec) {
    xb::FieldDesc d;
    d.name = name;
    d.type = type;
    d.length = static_cast<uint8_t>(len);
    d.decimals = static_cast<uint8_t>(dec);
    return d;
  };
  return {f("NAME", 'C', 100, 0), f("TEXT", 'C', 150, 0), f("AGE", 'N', 10, 0),
          f("PRICE", 'N', 12, 2), f("BORN", 'D', 8, 0),   f("OK", 'L', 1, 0),
          f("CODE", 'C', 18, 0)};
}

struct Row {
  const char* what;
  int64_t records;
  double seconds;
};

double RawRead(const std::string& path, int64_t& bytes) {
  std::unique_ptr<platform::File> file;
  if (platform::Files().Open(path, platform::open_mode::kReadOnlyShared, file) != 0) return 0;
  std::vector<uint8_t> block(1 << 16);
  const auto start = Clock::now();
  uint64_t offset = 0;
  for (;;) {
    size_t read = 0;
    if (file->ReadAt(offset, block, read) != 0 || read == 0) break;
    offset += read;
  }
  bytes = static_cast<int64_t>(offset);
  return Seconds(start);
}

bool Check(bool ok, const char* step) {
  if (!ok) std::fprintf(stderr, "%s failed: %s\n", step, xb::GetErrorText().c_str());
  return ok;
}

bool Run(const std::filesystem::path& dir, int64_t n) {
  const std::string base = (dir / ("bench" + std::to_string(n))).string();
  xb::DbfFile scratch;
  if (!Check(xb::CreateDbf(scratch, base, Fields()), "CreateDbf")) return false;
  std::vector<Row> rows;

  if (!Check(xb::Use(base), "Use")) return false;
  xb::WorkArea& area = *xb::CurrentArea();
  auto start = Clock::now();
  if (!Check(xb::ALock(), "ALock")) return false;
  for (int64_t i = 1; i <= n; ++i) {
    xb::ClearRecord();
    xb::PutSwapText(area, 1, "name " + std::to_string(i));
    xb::PutSwapText(area, 2, "a note of some length, as notes go");
    xb::PutSwapInt(area, 3, static_cast<int32_t>(i));
    xb::PutSwapDouble(area, 4, i * 0.25);
    xb::PutSwapText(area, 5, "12/31/26");
    xb::PutSwapBool(area, 6, i % 2 == 0);
    xb::PutSwapText(area, 7, i == n ? "needle" : "hay");
    if (!xb::Append()) return Check(false, "Append");
  }
  xb::Unlock();
  rows.push_back({"Append (shared, ALock held)", n, Seconds(start)});

  start = Clock::now();
  int64_t seen = 0;
  for (xb::GoTop(); !xb::dEOF(); xb::Skip(1)) ++seen;
  rows.push_back({"Skip scan (shared)", seen, Seconds(start)});

  std::mt19937 random(42);
  std::uniform_int_distribution<int32_t> pick(1, static_cast<int32_t>(n));
  const int64_t gos = std::min<int64_t>(n, 100000);
  start = Clock::now();
  for (int64_t i = 0; i < gos; ++i) xb::Go(pick(random));
  rows.push_back({"random Go", gos, Seconds(start)});

  start = Clock::now();
  const bool found = xb::Locate("CODE", {std::string("needle")}, false, false);
  rows.push_back({"Locate (match in last record)", n, Seconds(start)});
  if (!Check(found && xb::RecNo() == n, "Locate")) return false;
  xb::CloseArea();

  int64_t bytes = 0;
  const double raw = RawRead(xb::DefaultExt(base, "DBF"), bytes);
  const double raw_rate = n / raw;

  if (!Check(xb::Use(base + " EXCLUSIVE"), "Use exclusive")) return false;
  for (int64_t i = 10; i <= n; i += 10) xb::Poke("*", 0, static_cast<int32_t>(i));
  start = Clock::now();
  if (!Check(xb::Pack(), "Pack")) return false;
  rows.push_back({"Pack (every 10th deleted)", n, Seconds(start)});
  const int32_t kept = xb::RecCount();
  xb::CloseArea();

  std::printf("\n%lld records of %d bytes, file %lld bytes (after Pack: %d records)\n",
              static_cast<long long>(n), 300, static_cast<long long>(bytes), kept);
  std::printf("%-32s %10s %10s %14s %10s\n", "operation", "records", "seconds", "records/s", "vs raw");
  for (const Row& r : rows) {
    const double rate = r.records / r.seconds;
    std::printf("%-32s %10lld %10.3f %14.0f %9.1f%%\n", r.what, static_cast<long long>(r.records),
                r.seconds, rate, 100.0 * rate / raw_rate);
  }
  std::printf("%-32s %10lld %10.3f %14.0f %9.1f%%\n", "raw sequential read (64 KB)",
              static_cast<long long>(n), raw, raw_rate, 100.0);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  bool large = false;
  std::filesystem::path dir = std::filesystem::temp_directory_path() /
                              ("xb_table_bench_" + std::to_string(getpid()));
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--large") large = true;
    else if (arg == "--dir" && i + 1 < argc) dir = argv[++i];
  }
  xb::SetReportErrors(false);
  std::filesystem::create_directories(dir);
  bool ok = Run(dir, 10000);
  if (ok && large) ok = Run(dir, 1000000);
  xb::EngineShutdown();
  std::filesystem::remove_all(dir);
  return ok ? 0 : 1;
}
