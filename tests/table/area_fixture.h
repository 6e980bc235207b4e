#pragma once
// Shared set-up of the work-area tests: a scratch folder, the engine's
// global state reset around every test, helpers that build small tables
// through the engine itself, and a file system that fails the Nth I/O call.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/table/date_settings.h"
#include "engine/table/xbase.h"
#include "platform/file.h"
#include "tests/support/failing_files.h"
#include "tests/support/scratch.h"

namespace qptest {

inline xb::FieldDesc Fd(const std::string& name, char type, int length, int decimals = 0) {
  xb::FieldDesc f;
  f.name = name;
  f.type = type;
  f.length = static_cast<uint8_t>(length);
  f.decimals = static_cast<uint8_t>(decimals);
  return f;
}

// NAME C10, AGE N3, PRICE N8.2, BORN D8, OK L1: record length 31.
inline std::vector<xb::FieldDesc> PeopleFields() {
  return {Fd("NAME", 'C', 10), Fd("AGE", 'N', 3), Fd("PRICE", 'N', 8, 2), Fd("BORN", 'D', 8),
          Fd("OK", 'L', 1)};
}

struct Row {
  std::vector<std::string> values;  // one text per field, put with PutSwapText
  bool deleted = false;
};

// The names "r1".."rN", with the records listed in `deleted` marked deleted.
inline std::vector<Row> NamedRows(int n, std::vector<int> deleted = {}) {
  std::vector<Row> rows;
  for (int i = 1; i <= n; ++i) {
    Row r{{"r" + std::to_string(i), std::to_string(i)}, false};
    for (int d : deleted) r.deleted = r.deleted || d == i;
    rows.push_back(r);
  }
  return rows;
}

// Declared right after a test's own fake hooks: closes every area (which
// calls the hooks) and uninstalls them while the fakes are still alive, on
// every way out of the test.
struct CloseAreasFirst {
  ~CloseAreasFirst() {
    xb::CloseAll();
    xb::InstallParserHooks(nullptr);
    xb::InstallIndexHooks(nullptr);
    xb::InstallMemoHooks(nullptr);
  }
};

class AreaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    xb::ResetErrorState();
    xb::SetReportErrors(false);
    xb::ResetSwitches();
    xb::ResetDateSettings();
    xb::CloseAll();
  }
  void TearDown() override {
    xb::CloseAll();
    for (int n = 34; n <= 35; ++n) {
      xb::SetSelectedArea(n);
      xb::CloseArea();
    }
    xb::SetSelectedArea(1);
    xb::InstallParserHooks(nullptr);
    xb::InstallIndexHooks(nullptr);
    xb::InstallMemoHooks(nullptr);
    platform::SetFiles(nullptr);
    xb::ResetSwitches();
  }

  // Creates the table `name` (no extension) in the scratch folder and
  // returns its path without extension. Rows are appended through the
  // engine with the table open exclusively, then it is closed again.
  std::string MakeTable(const std::string& name, const std::vector<xb::FieldDesc>& fields,
                        const std::vector<Row>& rows) {
    const std::string path = scratch_.Path(name);
    xb::DbfFile scratch_file;
    EXPECT_TRUE(xb::CreateDbf(scratch_file, path, fields)) << xb::ErrorText();
    const int previous = xb::SelectedArea();
    xb::SetSelectedArea(35);
    EXPECT_TRUE(xb::Use(path + " EXCLUSIVE")) << xb::ErrorText();
    xb::WorkArea& area = *xb::CurrentArea();
    for (const Row& row : rows) {
      xb::ClearRecord();
      for (size_t i = 0; i < row.values.size(); ++i)
        xb::PutSwapText(area, static_cast<int>(i + 1), row.values[i]);
      EXPECT_TRUE(xb::Append()) << xb::ErrorText();
      if (row.deleted) {
        EXPECT_TRUE(xb::DeleteRec());
      }
    }
    xb::CloseArea();
    xb::SetSelectedArea(previous);
    return path;
  }

  std::string MakePeople(const std::vector<Row>& rows, const std::string& name = "people") {
    return MakeTable(name, PeopleFields(), rows);
  }

  // The current area's SwapBuffer value of field n as text.
  static std::string Text(int field) { return xb::GetSwapText(*xb::CurrentArea(), field); }
  // The NAME field without its padding.
  static std::string Name() {
    std::string s = Text(1);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
  }
  static bool Put(int field, const std::string& text) {
    return xb::PutSwapText(*xb::CurrentArea(), field, text);
  }

  // The error state as each test starts it: nothing recorded, nothing shown.
  static void ClearErrors() {
    xb::ResetErrorState();
    xb::SetReportErrors(false);
  }

  // The bytes of a file in the scratch folder, its name matched without
  // regard to case as the engine matches it.
  std::vector<uint8_t> Bytes(const std::string& name) const {
    const std::string real = platform::Files().Resolve(scratch_.Path(name));
    EXPECT_FALSE(real.empty()) << name;
    return real.empty() ? std::vector<uint8_t>{} : ReadBytes(real);
  }

  Scratch scratch_;
};

}  // namespace qptest
