// Interoperability: tables the engine writes are read by python3-dbf and
// dbfread with the same definitions and values, and tables python3-dbf
// writes are read by the engine byte for byte as it would write them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "engine/table/dbf_file.h"
#include "engine/table/error_state.h"
#include "engine/table/switches.h"
#include "tests/support/scratch.h"

namespace {

struct Row {
  std::string name;  // Windows-1252
  std::string name_utf8;
  int age;
  double rate;
  std::string born;  // YYYYMMDD or empty
  bool ok;
  double score;
  bool deleted;
};

// The rows interop_write.py writes, the second one deleted.
const std::vector<Row> kRows = {
    {"Zo\xEB", "Zo\xC3\xAB", 42, 3.25, "20200131", true, 1.5, false},
    {"Al, \"x\"", "Al, \"x\"", -7, -0.5, "", false, 0.0, true},
    {"Last", "Last", 999, 12345.67, "19991231", false, -1.25, false},
};

std::string Format(const char* format, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

std::string RightAligned(const std::string& text, size_t width) {
  return std::string(width - text.size(), ' ') + text;
}

// NAME C 20, AGE N 3, RATE N 8.2, BORN D, OK L, SC F/N 10.3.
std::string Image(const Row& row) {
  std::string name = row.name;
  name.resize(20, ' ');
  return std::string(row.deleted ? "*" : " ") + name + RightAligned(std::to_string(row.age), 3) +
         RightAligned(Format("%.2f", row.rate), 8) + (row.born.empty() ? "        " : row.born) +
         (row.ok ? "T" : "F") + RightAligned(Format("%.3f", row.score), 10);
}

std::string Canonical(const std::string& lib, int number, const Row& row) {
  std::string born = row.born.empty() ? "null"
                                      : row.born.substr(0, 4) + "-" + row.born.substr(4, 2) +
                                            "-" + row.born.substr(6, 2);
  return lib + " record " + std::to_string(number) + (row.deleted ? " deleted" : " live") +
         " NAME=\"" + row.name_utf8 + "\" AGE=" + std::to_string(row.age) +
         " RATE=" + Format("%.2f", row.rate) + " BORN=" + born + " OK=" + (row.ok ? "T" : "F") +
         " SC=" + Format("%.3f", row.score);
}

struct PythonRun {
  int status = -1;
  std::string output;
};

PythonRun Python(const std::string& script, const std::string& args) {
  const std::string command = std::string("PYTHONIOENCODING=utf-8 '") + QP_INTEROP_PYTHON +
                              "' '" + QP_INTEROP_DIR + "/" + script + "' " + args;
  PythonRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.output.append(buffer, n);
  run.status = pclose(pipe);
  return run;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class DbfInterop : public ::testing::Test {
 protected:
  void SetUp() override {
    xb::ResetErrorState();
    xb::SetReportErrors(false);
    xb::ResetSwitches();
    const std::string python = QP_INTEROP_PYTHON;
    if (python.empty() ||
        std::system(("'" + python + "' -c 'import dbf, dbfread' 2>/dev/null").c_str()) != 0)
      GTEST_SKIP() << "python3 with dbf and dbfread is not available";
  }
  void TearDown() override { xb::ResetSwitches(); }

  bool OpenTable(xb::DbfFile& area, const std::string& path) {
    area = xb::DbfFile{};
    area.file_name = path;
    area.file_mode = 0x42;
    return xb::OpenDbf(area);
  }

  // The table both libraries must report for kRows, with `score_type`
  // for the SC field and `date` as the header's last update.
  std::vector<std::string> Expected(char score_type, const std::string& date) {
    std::vector<std::string> lines;
    for (const std::string lib : {"dbf", "dbfread"}) {
      lines.push_back(lib + " count 3");
      lines.push_back(lib + " date " + date);
      for (const char* f : {"NAME C 20 0", "AGE N 3 0", "RATE N 8 2", "BORN D 8 0", "OK L 1 0"})
        lines.push_back(lib + " field " + f);
      lines.push_back(lib + " field SC " + std::string(1, score_type) + " 10 3");
      for (size_t i = 0; i < kRows.size(); ++i)
        lines.push_back(Canonical(lib, static_cast<int>(i) + 1, kRows[i]));
    }
    return lines;
  }

  qptest::Scratch scratch_;
};

class EngineWrites : public DbfInterop, public ::testing::WithParamInterface<uint8_t> {};

TEST_P(EngineWrites, BothLibrariesReadTheSameDefinitionsAndValues) {
  xb::Switches().default_version = GetParam();
  auto def = [](const char* name, char type, uint8_t length, uint8_t decimals = 0) {
    xb::FieldDesc f;
    f.name = name;
    f.type = type;
    f.length = length;
    f.decimals = decimals;
    return f;
  };
  const std::vector<xb::FieldDesc> fields = {def("NAME", 'C', 20),   def("AGE", 'N', 3),
                                             def("RATE", 'N', 8, 2), def("BORN", 'D', 8),
                                             def("OK", 'L', 1),      def("SC", 'F', 10, 3)};
  const std::string path = scratch_.Path("engine.dbf");
  xb::DbfFile area;
  ASSERT_TRUE(xb::CreateDbf(area, path, fields)) << xb::ErrorText();
  ASSERT_TRUE(OpenTable(area, path)) << xb::ErrorText();
  for (const Row& row : kRows) {
    const std::string image = Image(row);
    area.record.assign(image.begin(), image.end());
    ASSERT_TRUE(xb::AppendDbfRecord(area)) << xb::ErrorText();
  }
  ASSERT_TRUE(xb::CloseDbf(area));
  ASSERT_TRUE(OpenTable(area, path));
  const std::string& d = area.last_update;
  const std::string date = d.substr(0, 4) + "-" + d.substr(4, 2) + "-" + d.substr(6, 2);
  EXPECT_EQ(area.version, 0x03);
  xb::CloseDbf(area);

  const PythonRun run = Python("interop_read.py", "'" + path + "'");
  ASSERT_EQ(run.status, 0) << run.output;
  // F is written as N when the chosen version is dBASE III with memo.
  EXPECT_EQ(Lines(run.output), Expected(GetParam() == 0x83 ? 'N' : 'F', date));
}

INSTANTIATE_TEST_SUITE_P(DefaultAndDbaseThreeMemoVersion, EngineWrites,
                         ::testing::Values(0x8B, 0x83));

class LibraryWrites : public DbfInterop, public ::testing::WithParamInterface<const char*> {};

TEST_P(LibraryWrites, EngineReadsEveryFieldAndRecordAsItWouldWriteThem) {
  const std::string path = scratch_.Path("python.dbf");
  const PythonRun run = Python("interop_write.py", std::string(GetParam()) + " '" + path + "'");
  ASSERT_EQ(run.status, 0) << run.output;
  xb::DbfFile area;
  ASSERT_TRUE(OpenTable(area, path)) << xb::ErrorText();
  EXPECT_EQ(area.version, 0x03);
  EXPECT_FALSE(area.has_memo);
  ASSERT_EQ(area.fields.size(), 6u);
  const char* want[] = {"NAME C 20 0 1", "AGE N 3 0 21", "RATE N 8 2 24",
                        "BORN D 8 0 32", "OK L 1 0 40",  "SC F 10 3 41"};
  for (size_t i = 0; i < 6; ++i) {
    const xb::FieldDesc& f = area.fields[i];
    EXPECT_EQ(f.name + " " + f.type + " " + std::to_string(f.length) + " " +
                  std::to_string(f.decimals) + " " + std::to_string(f.offset),
              want[i]);
  }
  ASSERT_EQ(area.record_count, 3);
  for (int32_t n = 1; n <= 3; ++n) {
    ASSERT_TRUE(xb::GetDbfRecord(area, n)) << xb::ErrorText();
    EXPECT_EQ(std::string(area.record.begin(), area.record.end()), Image(kRows[n - 1]))
        << "record " << n;
  }
  xb::CloseDbf(area);
}

TEST_P(LibraryWrites, EngineAppendsToTheTableAndBothLibrariesReadTheNewRecord) {
  const std::string path = scratch_.Path("python.dbf");
  const PythonRun written = Python("interop_write.py", std::string(GetParam()) + " '" + path + "'");
  ASSERT_EQ(written.status, 0) << written.output;
  xb::DbfFile area;
  ASSERT_TRUE(OpenTable(area, path)) << xb::ErrorText();
  const Row added{"Fr\xE9" "d", "Fr\xC3\xA9" "d", 5, 0.25, "20240229", true, 99.125, false};
  const std::string image = Image(added);
  area.record.assign(image.begin(), image.end());
  ASSERT_TRUE(xb::AppendDbfRecord(area));
  ASSERT_TRUE(xb::CloseDbf(area));

  const PythonRun run = Python("interop_read.py", "'" + path + "'");
  ASSERT_EQ(run.status, 0) << run.output;
  const std::vector<std::string> lines = Lines(run.output);
  for (const std::string lib : {"dbf", "dbfread"}) {
    EXPECT_NE(std::find(lines.begin(), lines.end(), lib + " count 4"), lines.end()) << run.output;
    EXPECT_NE(std::find(lines.begin(), lines.end(), Canonical(lib, 4, added)), lines.end())
        << run.output;
    EXPECT_NE(std::find(lines.begin(), lines.end(), Canonical(lib, 2, kRows[1])), lines.end())
        << run.output;
  }
}

INSTANTIATE_TEST_SUITE_P(DbaseThreeAndClipper, LibraryWrites, ::testing::Values("db3", "clp"));

TEST_F(DbfInterop, MemoTableFromPythonDbfOpensWithItsMemoField) {
  const std::string path = scratch_.Path("memo.dbf");
  const PythonRun run = Python("interop_write.py", "db3memo '" + path + "'");
  ASSERT_EQ(run.status, 0) << run.output;
  xb::DbfFile area;
  ASSERT_TRUE(OpenTable(area, path)) << xb::ErrorText();
  EXPECT_EQ(area.version, 0x83);
  EXPECT_TRUE(area.has_memo);
  ASSERT_EQ(area.fields.size(), 2u);
  EXPECT_EQ(area.fields[1].name, "NOTE");
  EXPECT_EQ(area.fields[1].type, 'M');
  EXPECT_EQ(area.fields[1].length, 10);
  ASSERT_EQ(area.record_count, 3);
  ASSERT_TRUE(xb::GetDbfRecord(area, 1));
  EXPECT_EQ(std::string(area.record.begin(), area.record.begin() + 21), " Zo\xEB" + std::string(17, ' '));
  xb::CloseDbf(area);
}

}  // namespace
