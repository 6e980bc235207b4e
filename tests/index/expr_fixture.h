#pragma once
// A work area built by hand for the expression tests: no file behind it,
// just field descriptors and one record image, put into a slot so that
// AssignExpr and Evaluate find it as the current area (or by its alias).
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engine/index/expr.h"
#include "engine/table/date_settings.h"
#include "engine/table/error_state.h"
#include "engine/table/julian.h"
#include "engine/table/switches.h"
#include "engine/table/work_area.h"
#include "tests/support/manual_clock.h"

namespace exprtest {

struct FieldSpec {
  std::string name;
  char type;
  int length;
  int decimals;
  std::string value;  // stored text, padded to the length
};

// NOTEBOARD C40, AMOUNT N10.2, COUNT N5, PRICE F8.3, DATECREATE D, ALARMACT
// C1, DONE L, NOTES M10, DATE C8 (a field that shares a function's name).
inline std::vector<FieldSpec> NoteFields() {
  return {
      {"NOTEBOARD", 'C', 40, 0, "Groceries"},
      {"AMOUNT", 'N', 10, 2, "     12.50"},
      {"COUNT", 'N', 5, 0, "   42"},
      {"PRICE", 'F', 8, 3, "   1.250"},
      {"DATECREATE", 'D', 8, 0, "20240315"},
      {"ALARMACT", 'C', 1, 0, "Y"},
      {"DONE", 'L', 1, 0, "T"},
      {"NOTES", 'M', 10, 0, "          "},
      {"DATE", 'C', 8, 0, "hello"},
  };
}

inline std::unique_ptr<xb::WorkArea> MakeArea(const std::vector<FieldSpec>& specs, const std::string& alias,
                                              int32_t record_count = 5, int32_t current = 3) {
  auto area = std::make_unique<xb::WorkArea>();
  area->alias = alias;
  std::string record = " ";
  for (const FieldSpec& s : specs) {
    xb::FieldDesc f;
    f.name = s.name;
    f.type = s.type;
    f.length = static_cast<uint8_t>(s.length);
    f.decimals = static_cast<uint8_t>(s.decimals);
    f.offset = static_cast<uint16_t>(record.size());
    area->dbf.fields.push_back(f);
    std::string value = s.value.substr(0, s.length);
    value.resize(s.length, ' ');
    record += value;
  }
  area->dbf.record.assign(record.begin(), record.end());
  area->dbf.record_length = static_cast<uint16_t>(record.size());
  area->dbf.record_count = record_count;
  area->dbf.current_record = current;
  area->dbf.eof = area->dbf.bof = false;
  return area;
}

// Sets a field's stored text in the area's record image.
inline void SetField(xb::WorkArea& area, const std::string& name, const std::string& value) {
  for (const auto& f : area.dbf.fields) {
    if (f.name != name) continue;
    std::string text = value.substr(0, f.length);
    text.resize(f.length, ' ');
    std::copy(text.begin(), text.end(), area.dbf.record.begin() + f.offset);
  }
}

// The value of a result as text: C and M as they are, N with %.10g, D as
// YYYYMMDD (blanks when blank), L as .T./.F..
inline std::string Show(const xb::ExprResult& r) {
  char buffer[64];
  switch (r.type) {
    case 'C': case 'M': return std::string(r.text);
    case 'N': std::snprintf(buffer, sizeof buffer, "%.10g", r.number); return buffer;
    case 'D': return xb::JulianToDbf(r.number);
    case 'L': return r.logical ? ".T." : ".F.";
  }
  return "?";
}

// Puts the note area into slot 1 (current) and an area aliased OTHER into
// slot 2; resets the engine state the expressions depend on.
class ExprTest : public ::testing::Test {
 protected:
  void SetUp() override {
    xb::ResetErrorState();
    xb::SetReportErrors(false);
    xb::ResetSwitches();
    xb::ResetDateSettings();
    xb::CurrentDateSettings().century = false;
    xb::SetDateFormat(0);
    xb::CurrentDateSettings().epoch_year = 1956;
    live_at_start_ = xb::LiveExprCount();
    for (int n : {1, 2}) xb::TakeArea(n);
    area_ = &xb::PutArea(1, MakeArea(NoteFields(), "NOTES"));
    other_ = &xb::PutArea(2, MakeArea({{"NAME", 'C', 10, 0, "Other"}, {"QTY", 'N', 4, 0, "   7"}}, "OTHER", 9, 9));
    xb::SetSelectedArea(1);
  }
  void TearDown() override {
    for (int n : {1, 2}) xb::TakeArea(n);
    EXPECT_EQ(xb::LiveExprCount(), live_at_start_) << "an expression was not freed";
  }

  // Compiles and evaluates `text`; "ERROR: " + ErrorText when it does not
  // compile.
  std::string Eval(const std::string& text, char* type = nullptr) {
    auto expr = xb::AssignExpr(text);
    if (expr == nullptr) return "ERROR: " + xb::ErrorText();
    if (type != nullptr) *type = expr->type();
    return Show(*xb::Evaluate(expr.get()));
  }

  qptest::ManualClock clock_{{2026, 7, 4}};  // a Saturday
  xb::WorkArea* area_ = nullptr;
  xb::WorkArea* other_ = nullptr;
  int live_at_start_ = 0;
};

}  // namespace exprtest
