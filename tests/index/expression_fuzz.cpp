// Fuzz target: any byte string as an expression text, compiled against a
// small hand-built table of every field type and evaluated on two records
// (one of them blank, one with damaged field text), then checked as a key
// and as a filter. Nothing may crash, leak or trip a sanitizer.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/index/expr.h"
#include "engine/table/error_state.h"
#include "engine/table/work_area.h"

namespace {

std::unique_ptr<xb::WorkArea> Area(const std::string& alias, const std::string& record) {
  struct Spec { const char* name; char type; uint8_t length; uint8_t decimals; };
  static const Spec kSpecs[] = {{"NAME", 'C', 20, 0}, {"AMOUNT", 'N', 10, 2}, {"COUNT", 'N', 5, 0},
                                {"PRICE", 'F', 8, 3}, {"BORN", 'D', 8, 0}, {"FLAG", 'L', 1, 0},
                                {"NOTES", 'M', 10, 0}, {"DATE", 'C', 8, 0}};
  auto area = std::make_unique<xb::WorkArea>();
  area->alias = alias;
  uint16_t offset = 1;
  for (const Spec& s : kSpecs) {
    area->dbf.fields.push_back({s.name, s.type, s.length, s.decimals, offset});
    offset = static_cast<uint16_t>(offset + s.length);
  }
  area->dbf.record.assign(record.begin(), record.end());
  area->dbf.record.resize(offset, ' ');
  area->dbf.record_length = offset;
  area->dbf.record_count = 2;
  area->dbf.current_record = 1;
  return area;
}

void Setup() {
  static bool done = false;
  if (done) return;
  done = true;
  xb::SetReportErrors(false);
  xb::SetSelectedArea(1);
  xb::PutArea(1, Area("T", " Smith John            12.50   42  -1.5e320240229Y         7hello   "));
  using namespace std::string_literals;
  xb::PutArea(2, Area("OTHER", "*\x01\xff junk 9.9.9-- 99999999xx99999999\xe4\x00       abc"s));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Setup();
  const std::string text(reinterpret_cast<const char*>(data), size);
  xb::ResetErrorState();
  xb::SetReportErrors(false);
  if (auto expr = xb::AssignExpr(text)) {
    const xb::ExprResult* first = xb::Evaluate(expr.get());
    if (first->type == 'C' && first->text.data()[first->text.size()] != '\0') __builtin_trap();
    xb::EvaluateFor(expr.get(), xb::AreaAt(2));
    xb::EvaluateFor(expr.get(), nullptr);
    xb::Evaluate(expr.get());
  }
  xb::CheckExpr(text, true);
  xb::CheckExpr(text, false);
  return 0;
}
