#pragma once
// Shared set-up of the index tests: the work-area fixture with the
// expression and index layers installed, a table of generated records
// written straight into the file (fast enough for 200,000 records), and a
// sorted in-memory model of every tag the tests build.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "engine/index/expr_hooks.h"
#include "engine/index/index_build.h"
#include "engine/index/index_hooks.h"
#include "engine/index/index_open.h"
#include "engine/index/index_search.h"
#include "tests/table/area_fixture.h"

namespace qptest {

// NAME C20, NUM N8, AMT N10.2, BORN D8, FLAG C1: record length 48.
inline std::vector<xb::FieldDesc> IndexFields() {
  return {Fd("NAME", 'C', 20), Fd("NUM", 'N', 8), Fd("AMT", 'N', 10, 2), Fd("BORN", 'D', 8),
          Fd("FLAG", 'C', 1)};
}

struct GenRecord {
  std::string name;  // as stored, without padding
  int num = 0;
  int cents = 0;     // AMT * 100
  std::string born;  // "YYYYMMDD" or "" for blank
  char flag = 'N';
  bool deleted = false;
};

// Records with many repeated names, numbers of both signs and a few blank
// dates, drawn from `seed`.
inline std::vector<GenRecord> Generate(int n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<GenRecord> out(static_cast<size_t>(n));
  for (GenRecord& r : out) {
    char buf[32];
    const int k = static_cast<int>(rng() % 700);
    std::snprintf(buf, sizeof buf, "%c%03d", k % 3 == 0 ? 'a' + k % 26 : 'A' + k % 26, k);
    r.name = buf;
    r.num = static_cast<int>(rng() % 20001) - 10000;
    r.cents = static_cast<int>(rng() % 2000001) - 1000000;
    if (rng() % 10 != 0) {
      std::snprintf(buf, sizeof buf, "%04d%02d%02d", 1900 + static_cast<int>(rng() % 200),
                    1 + static_cast<int>(rng() % 12), 1 + static_cast<int>(rng() % 28));
      r.born = buf;
    }
    r.flag = rng() % 3 == 0 ? 'Y' : 'N';
    r.deleted = rng() % 17 == 0;
  }
  return out;
}

inline std::string Padded(std::string s, size_t width, bool right = false) {
  if (s.size() >= width) return s.substr(0, width);
  return right ? std::string(width - s.size(), ' ') + s : s + std::string(width - s.size(), ' ');
}

inline std::string Image(const GenRecord& r) {
  char amt[32];
  std::snprintf(amt, sizeof amt, "%.2f", r.cents / 100.0);
  return std::string(r.deleted ? "*" : " ") + Padded(r.name, 20) + Padded(std::to_string(r.num), 8, true) +
         Padded(amt, 10, true) + Padded(r.born, 8) + std::string(1, r.flag);
}

inline xb::TagDefinition Def(const std::string& name, const std::string& key, bool descending = false,
                            bool unique = false, const std::string& cond = "") {
  return xb::TagDefinition{name, key, cond, descending, unique};
}

class IndexTest : public AreaTest {
 protected:
  void SetUp() override {
    AreaTest::SetUp();
    xb::ExpressionInit();
    xb::IndexInit();
    xb::Switches().ansi_tables = true;
    xb::SetExactMatch(false);
    xb::SetIndexProgress(nullptr, 0);
  }
  void TearDown() override {
    xb::SetExactMatch(false);
    xb::SetIndexProgress(nullptr, 0);
    AreaTest::TearDown();
  }

  // Creates the table and writes the records' images behind its header.
  std::string WriteTable(const std::string& name, const std::vector<GenRecord>& records) {
    const std::string path = MakeTable(name, IndexFields(), {});
    std::vector<uint8_t> bytes = ReadBytes(path + ".DBF");
    const uint16_t header_length = static_cast<uint16_t>(bytes[8] | bytes[9] << 8);
    bytes.resize(header_length);
    for (const GenRecord& r : records) {
      const std::string image = Image(r);
      bytes.insert(bytes.end(), image.begin(), image.end());
    }
    bytes.push_back(0x1A);
    const uint32_t count = static_cast<uint32_t>(records.size());
    for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<uint8_t>(count >> (8 * i));
    WriteBytes(path + ".DBF", bytes);
    return path;
  }

  // The table's index file as it exists on disk (names match without case).
  static std::string MdxOf(const std::string& table_path) {
    const std::string found = platform::Files().Resolve(table_path + ".MDX");
    EXPECT_FALSE(found.empty()) << "no index file beside " << table_path;
    return found;
  }

  // Record numbers from GoTop to EOF in the current order.
  static std::vector<int32_t> ScanForward(size_t limit = 1000000) {
    std::vector<int32_t> out;
    for (xb::GoTop(); !xb::dEOF() && out.size() < limit; xb::Skip(1)) out.push_back(xb::RecNo());
    return out;
  }
  static std::vector<int32_t> ScanBackward(size_t limit = 1000000) {
    std::vector<int32_t> out;
    xb::GoBottom();
    if (xb::dEOF()) return out;
    for (;;) {
      out.push_back(xb::RecNo());
      xb::Skip(-1);
      if (xb::dBOF() || out.size() >= limit) break;
    }
    return out;
  }
};

// The model of one tag: a key per record (comparable as a tuple), kept in
// the order the tag must hold.
struct ModelKey {
  int kind = 0;      // 0 text, 1 number, 2 date (blank after every date)
  std::string text;  // kind 0, or the date text
  long long number = 0;
  bool operator<(const ModelKey& o) const {
    if (kind == 1) return number < o.number;
    if (kind == 2 && text.empty() != o.text.empty()) return o.text.empty();
    return text < o.text;
  }
  bool operator==(const ModelKey& o) const { return !(*this < o) && !(o < *this); }
};

// Record numbers in tag order: by key (reversed when descending), equal
// keys by record number; `unique` keeps the lowest record of each key.
template <typename KeyFn, typename KeepFn>
std::vector<int32_t> ModelOrder(const std::vector<GenRecord>& records, KeyFn key, bool descending, bool unique,
                                KeepFn keep) {
  std::vector<std::pair<ModelKey, int32_t>> items;
  for (size_t i = 0; i < records.size(); ++i)
    if (keep(records[i])) items.emplace_back(key(records[i]), static_cast<int32_t>(i + 1));
  std::sort(items.begin(), items.end(), [&](const auto& a, const auto& b) {
    if (!(a.first == b.first)) return descending ? b.first < a.first : a.first < b.first;
    return a.second < b.second;
  });
  std::vector<int32_t> out;
  for (size_t i = 0; i < items.size(); ++i)
    if (!unique || i == 0 || !(items[i].first == items[i - 1].first)) out.push_back(items[i].second);
  return out;
}

inline ModelKey TextKey(const std::string& s) { return ModelKey{0, s, 0}; }
inline ModelKey NumberKey(long long n) { return ModelKey{1, "", n}; }
inline ModelKey DateKey(const std::string& d) { return ModelKey{2, d, 0}; }
inline std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}
inline bool Always(const GenRecord&) { return true; }

}  // namespace qptest
