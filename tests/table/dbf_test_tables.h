#pragma once
// Helpers for the table-file tests: a fixture that resets the engine's
// global state and pins the date, and a byte-level builder for table files
// that is independent of the engine's own writer, so damaged and foreign
// layouts (dBASE II, dBASE 7) can be made by hand.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/table/dbf_file.h"
#include "engine/table/error_state.h"
#include "engine/table/switches.h"
#include "tests/support/manual_clock.h"
#include "tests/support/scratch.h"

namespace dbftest {

class DbfTest : public ::testing::Test {
 protected:
  void SetUp() override {
    xb::ResetErrorState();
    xb::SetReportErrors(false);
    xb::ResetSwitches();
  }
  void TearDown() override {
    xb::ResetSwitches();
  }
  std::string Path(const std::string& name) const { return scratch_.Path(name); }

  qptest::ManualClock clock_{{2024, 5, 17}};
  qptest::Scratch scratch_;
};

struct Field {
  std::string name;
  char type;
  uint8_t length;
  uint8_t decimals = 0;
};

inline void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
inline void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  Put16(b, at, v);
  Put16(b, at + 2, v >> 16);
}
inline uint32_t Get16(const std::vector<uint8_t>& b, size_t at) { return b[at] | (b[at + 1] << 8); }
inline uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
  return Get16(b, at) | (Get16(b, at + 2) << 16);
}

// A complete table file: header, descriptors, terminator, the records
// (each given without its deletion flag, live) and the end-of-file byte.
// dBASE 7 (0x04/0x8C) gets 48-byte descriptors after the 36-byte
// extension; 0x02 the 521-byte dBASE II header.
inline std::vector<uint8_t> TableBytes(uint8_t version, const std::vector<Field>& fields,
                                       const std::vector<std::string>& records = {}) {
  uint32_t record_length = 1;
  for (const Field& f : fields) record_length += f.length;
  std::vector<uint8_t> b;
  if (version == 0x02) {
    b.assign(521, 0);
    b[0] = 0x02;
    Put16(b, 1, static_cast<uint32_t>(records.size()));
    b[3] = 5, b[4] = 17, b[5] = 124;
    Put16(b, 6, record_length);
    for (size_t i = 0; i < fields.size(); ++i) {
      size_t d = 8 + 16 * i;
      std::copy(fields[i].name.begin(), fields[i].name.end(), b.begin() + d);
      b[d + 11] = static_cast<uint8_t>(fields[i].type);
      b[d + 12] = fields[i].length;
      b[d + 15] = fields[i].decimals;
    }
    b[8 + 16 * fields.size()] = 0x0D;
    b[520] = 0x0D;
  } else {
    const bool d7 = version == 0x04 || version == 0x8C;
    const size_t size = d7 ? 48 : 32;
    const size_t first = d7 ? 68 : 32;
    const size_t header_length = first + size * fields.size() + 1;
    b.assign(header_length, 0);
    b[0] = version;
    b[1] = 124, b[2] = 5, b[3] = 17;
    Put32(b, 4, static_cast<uint32_t>(records.size()));
    Put16(b, 8, static_cast<uint32_t>(header_length));
    Put16(b, 10, record_length);
    if (d7) std::copy_n("DBWINWE0", 8, b.begin() + 32);
    for (size_t i = 0; i < fields.size(); ++i) {
      size_t d = first + size * i;
      std::copy(fields[i].name.begin(), fields[i].name.end(), b.begin() + d);
      b[d + (d7 ? 32 : 11)] = static_cast<uint8_t>(fields[i].type);
      b[d + (d7 ? 33 : 16)] = fields[i].length;
      b[d + (d7 ? 34 : 17)] = fields[i].decimals;
    }
    b[header_length - 1] = 0x0D;
  }
  for (const std::string& r : records) {
    b.push_back(' ');
    std::string padded = r;
    padded.resize(record_length - 1, ' ');
    b.insert(b.end(), padded.begin(), padded.end());
  }
  b.push_back(0x1A);
  return b;
}

// A record image of the people table: flag, NAME C 10, AGE N 3.
inline std::string Person(const std::string& name, int age, char flag = ' ') {
  std::string age_text = std::to_string(age);
  std::string text = std::string(1, flag) + name;
  text.resize(11, ' ');
  return text + std::string(3 - age_text.size(), ' ') + age_text;
}

// Two fields (NAME C 10, AGE N 3) and two records.
inline std::vector<uint8_t> PeopleBytes(uint8_t version = 0x03) {
  return TableBytes(version, {{"NAME", 'C', 10}, {"AGE", 'N', 3}},
                    {Person("Alice", 42).substr(1), Person("Bob", 7).substr(1)});
}

inline std::string RecordText(const xb::DbfFile& area) {
  return std::string(area.record.begin(), area.record.end());
}

inline bool Open(xb::DbfFile& area, const std::string& path, int mode = 0x42) {
  area = xb::DbfFile{};
  area.file_name = path;
  area.file_mode = mode;
  return xb::OpenDbf(area);
}

}  // namespace dbftest
