// Index timings on a table shaped like the notes table: building five tags
// (upper(NOTEBOARD) on C50, a numeric key, three one-letter keys) over
// 1,000,000 records, 100,000 random Find calls, and a full scan in tag
// order, each beside a plain std::sort of the same keys in the same run.
//
// Usage: index_bench [records]   (default 1000000)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "engine/index/expr_hooks.h"
#include "engine/index/index_build.h"
#include "engine/index/index_hooks.h"
#include "engine/index/index_open.h"
#include "engine/index/index_search.h"
#include "engine/index/mdx_node.h"
#include "engine/table/xbase.h"

namespace {

using Clock = std::chrono::steady_clock;
double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

std::string Board(std::mt19937& rng) {
  static const char* words[] = {"Groceries", "work", "Home", "ideas", "Phone", "travel", "Books", "misc"};
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s %06u", words[rng() % 8], static_cast<unsigned>(rng() % 1000000));
  return buf;
}

}  // namespace

int main(int argc, char** argv) {
  const int records = argc > 1 ? std::atoi(argv[1]) : 1000000;
  const std::string folder = (std::filesystem::temp_directory_path() / ("index_bench_" + std::to_string(getpid()))).string();
  std::filesystem::create_directories(folder);
  xb::SetReportErrors(false);
  xb::ExpressionInit();
  xb::IndexInit();
  xb::Switches().ansi_tables = true;

  // NOTEBOARD C50, HANDLE N10, SHOWING C1, ALARMACT C1, EXPIREACT C1.
  std::vector<xb::FieldDesc> fields(5);
  fields[0] = {"NOTEBOARD", 'C', 50, 0, 0};
  fields[1] = {"HANDLE", 'N', 10, 0, 0};
  fields[2] = {"SHOWING", 'C', 1, 0, 0};
  fields[3] = {"ALARMACT", 'C', 1, 0, 0};
  fields[4] = {"EXPIREACT", 'C', 1, 0, 0};
  xb::DbfFile scratch;
  const std::string table = folder + "/notes";
  if (!xb::CreateDbf(scratch, table, fields)) return 1;
  std::mt19937 rng(12345);
  std::vector<std::string> boards;
  {
    std::string path = table + ".DBF";
    if (!std::filesystem::exists(path)) path = table + ".dbf";
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    char head[12];
    f.read(head, 12);
    const int header_length = static_cast<uint8_t>(head[8]) | static_cast<uint8_t>(head[9]) << 8;
    f.seekp(header_length);
    std::string image;
    for (int i = 0; i < records; ++i) {
      const std::string b = Board(rng);
      boards.push_back(b);
      char buf[128];
      std::snprintf(buf, sizeof buf, " %-50s%10d%c%c%c", b.c_str(), static_cast<int>(rng() % 100000000),
                    rng() % 2 ? 'Y' : 'N', rng() % 5 ? 'N' : 'Y', rng() % 7 ? 'N' : 'Y');
      image += buf;
      if (image.size() > (1 << 20)) f.write(image.data(), static_cast<std::streamsize>(image.size())), image.clear();
    }
    image += '\x1A';
    f.write(image.data(), static_cast<std::streamsize>(image.size()));
    uint8_t count[4];
    for (int i = 0; i < 4; ++i) count[i] = static_cast<uint8_t>(static_cast<uint32_t>(records) >> (8 * i));
    f.seekp(4);
    f.write(reinterpret_cast<const char*>(count), 4);
  }
  if (!xb::Use(table + " EXCLUSIVE")) return 1;
  std::printf("records: %d\n", records);

  auto start = Clock::now();
  const bool built = xb::MakeIndex({{"BOARD", "upper(NOTEBOARD)", "", false, false},
                                    {"HANDLE", "HANDLE", "", false, false},
                                    {"SHOWING", "SHOWING", "", false, false},
                                    {"ALARMACT", "ALARMACT", "", false, false},
                                    {"EXPIREACT", "EXPIREACT", "", false, false}},
                                   "");
  std::printf("MakeIndex, 5 tags:                 %8.3f s%s\n", Seconds(start), built ? "" : "  (FAILED)");

  // The same BOARD keys through std::sort: upper-cased 50-byte keys plus
  // the record number, compared as the tag compares them.
  start = Clock::now();
  const size_t item = 54;
  std::vector<uint8_t> items(static_cast<size_t>(records) * item, ' ');
  for (int i = 0; i < records; ++i) {
    uint8_t* p = &items[static_cast<size_t>(i) * item];
    for (size_t k = 0; k < boards[static_cast<size_t>(i)].size() && k < 50; ++k)
      p[k] = static_cast<uint8_t>(std::toupper(static_cast<unsigned char>(boards[static_cast<size_t>(i)][k])));
    std::memcpy(p + 50, &i, 4);
  }
  std::vector<const uint8_t*> ptrs(static_cast<size_t>(records));
  for (int i = 0; i < records; ++i) ptrs[static_cast<size_t>(i)] = &items[static_cast<size_t>(i) * item];
  const auto prepared = Clock::now();
  std::sort(ptrs.begin(), ptrs.end(), [](const uint8_t* a, const uint8_t* b) { return std::memcmp(a, b, 54) < 0; });
  std::printf("std::sort of the BOARD keys:        %8.3f s (+%.3f s to make the keys)\n", Seconds(prepared),
              std::chrono::duration<double>(prepared - start).count());

  if (!xb::SetIndexTo("")) return 1;
  std::uniform_int_distribution<int> pick(0, records - 1);
  start = Clock::now();
  int found = 0;
  for (int i = 0; i < 100000; ++i) {
    std::string key = boards[static_cast<size_t>(pick(rng))];
    for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    found += xb::Find(key) ? 1 : 0;
  }
  std::printf("100,000 random Find (BOARD):        %8.3f s (%d found)\n", Seconds(start), found);
  start = Clock::now();
  int hits = 0;
  for (int i = 0; i < 100000; ++i) {
    const uint8_t* probe = ptrs[static_cast<size_t>(pick(rng))];
    hits += std::binary_search(ptrs.begin(), ptrs.end(), probe,
                               [](const uint8_t* a, const uint8_t* b) { return std::memcmp(a, b, 50) < 0; });
  }
  std::printf("100,000 std::binary_search:         %8.3f s (%d found)\n", Seconds(start), hits);

  start = Clock::now();
  long scanned = 0;
  for (xb::GoTop(); !xb::dEOF(); xb::Skip(1)) ++scanned;
  std::printf("full scan in BOARD order:           %8.3f s (%ld records)\n", Seconds(start), scanned);
  xb::Set_Order_To(0);
  start = Clock::now();
  scanned = 0;
  for (xb::GoTop(); !xb::dEOF(); xb::Skip(1)) ++scanned;
  std::printf("full scan in natural order:         %8.3f s (%ld records)\n", Seconds(start), scanned);
  xb::CloseAll();
  std::filesystem::remove_all(folder);
  return 0;
}
