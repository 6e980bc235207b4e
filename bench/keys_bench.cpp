// Key maintenance timings on a table shaped like the notes table, opened
// shared with its production index of five tags (upper(NOTEBOARD) on C50, a
// numeric key, three one-letter keys full of duplicates): appends the way
// the application writes (append lock, Append, unlock per record), then
// replaces of the indexed NOTEBOARD field (record lock, Replace, unlock).
// The appends are timed in halves, so that a cost growing with the number
// of equal keys would show as a slower second half; a second table whose
// one-letter keys are all equal makes the same point more sharply.
//
// Usage: keys_bench [--large]   (10,000 records; 1,000,000 with --large)
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "engine/index/expr_hooks.h"
#include "engine/index/index_build.h"
#include "engine/index/index_check.h"
#include "engine/index/index_hooks.h"
#include "engine/index/index_open.h"
#include "engine/table/xbase.h"

namespace {

using Clock = std::chrono::steady_clock;
double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

std::string Board(std::mt19937& rng) {
  static const char* words[] = {"Groceries", "work", "Home", "ideas", "Phone", "travel", "Books", "misc"};
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s %06u", words[rng() % 8], static_cast<unsigned>(rng() % 1000000));
  return buf;
}

bool MakeTable(const std::string& table) {
  std::vector<xb::FieldDesc> fields(5);
  fields[0] = {"NOTEBOARD", 'C', 50, 0, 0};
  fields[1] = {"HANDLE", 'N', 10, 0, 0};
  fields[2] = {"SHOWING", 'C', 1, 0, 0};
  fields[3] = {"ALARMACT", 'C', 1, 0, 0};
  fields[4] = {"EXPIREACT", 'C', 1, 0, 0};
  xb::DbfFile scratch;
  if (!xb::CreateDbf(scratch, table, fields)) return false;
  if (!xb::Use(table + " EXCLUSIVE")) return false;
  const bool built = xb::MakeIndex({{"BOARD", "UPPER(NOTEBOARD)", "", false, false},
                                    {"HANDLE", "HANDLE", "", false, false},
                                    {"SHOWING", "SHOWING", "", false, false},
                                    {"ALARMACT", "ALARMACT", "", false, false},
                                    {"EXPIREACT", "EXPIREACT", "", false, false}},
                                   "");
  xb::SetProductionIndexFlag(true);
  xb::CloseAll();
  return built;
}

bool AppendOne(std::mt19937& rng, int handle, bool equal_letters) {
  xb::WorkArea& area = *xb::CurrentArea();
  xb::ClearRecord();
  xb::PutSwapText(area, 1, Board(rng));
  xb::PutSwapInt(area, 2, handle);
  xb::PutSwapText(area, 3, equal_letters || rng() % 2 ? "Y" : "N");
  xb::PutSwapText(area, 4, equal_letters || rng() % 5 ? "N" : "Y");
  xb::PutSwapText(area, 5, equal_letters || rng() % 7 ? "N" : "Y");
  if (!xb::ALock()) return false;
  const bool ok = xb::Append();
  xb::Unlock();
  return ok;
}

// One table: appends in two timed halves, then replaces. False on failure.
bool Run(const std::string& folder, const char* label, int records, bool equal_letters) {
  const std::string table = folder + "/" + (equal_letters ? "equal" : "notes");
  if (!MakeTable(table)) return false;
  if (!xb::Use(table) || !xb::SetIndexTo("")) return false;
  std::mt19937 rng(12345);
  double half[2] = {0, 0};
  for (int h = 0; h < 2; ++h) {
    const auto start = Clock::now();
    for (int i = h * (records / 2); i < (h + 1) * (records / 2); ++i)
      if (!AppendOne(rng, i, equal_letters)) return false;
    half[h] = Seconds(start);
  }
  const int replaces = records / 10;
  const auto start = Clock::now();
  for (int i = 0; i < replaces; ++i) {
    xb::Go(1 + static_cast<int32_t>(rng() % static_cast<uint32_t>(records)));
    if (!xb::RLock()) return false;
    xb::PutSwapText(*xb::CurrentArea(), 1, Board(rng));
    const bool ok = xb::Replace();
    xb::Unlock();
    if (!ok) return false;
  }
  const double replace_seconds = Seconds(start);
  const bool verified = xb::VerifyIndexFile(*xb::CurrentArea()).empty();
  const double n = records / 2.0;
  std::printf("%-22s %9d %12.0f %12.0f %12.0f %10d %12.0f %s\n", label, records, 2 * n / (half[0] + half[1]),
              n / half[0], n / half[1], replaces, replaces / replace_seconds, verified ? "verified" : "FAULTS");
  xb::CloseAll();
  return verified;
}

}  // namespace

int main(int argc, char** argv) {
  const bool large = argc > 1 && std::strcmp(argv[1], "--large") == 0;
  const int records = large ? 1000000 : 10000;
  const std::string folder =
      (std::filesystem::temp_directory_path() / ("keys_bench_" + std::to_string(getpid()))).string();
  std::filesystem::create_directories(folder);
  xb::SetReportErrors(false);
  xb::ExpressionInit();
  xb::IndexInit();
  xb::Switches().ansi_tables = true;
  std::printf("%-22s %9s %12s %12s %12s %10s %12s\n", "table", "records", "appends/s", "1st half/s",
              "2nd half/s", "replaces", "replaces/s");
  bool ok = Run(folder, "notes-like keys", records, false) &&
            Run(folder, "one-letter keys equal", records, true);
  if (!ok) std::fprintf(stderr, "failed: %d %s\n", xb::ErrorCode(), xb::ErrorText().c_str());
  std::filesystem::remove_all(folder);
  return ok ? 0 : 1;
}
