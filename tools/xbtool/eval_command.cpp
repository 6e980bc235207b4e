#include "tools/xbtool/eval_command.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "engine/index/expr.h"
#include "engine/index/expr_hooks.h"
#include "engine/table/error_state.h"
#include "engine/table/julian.h"
#include "engine/table/navigation.h"
#include "engine/table/numbers.h"
#include "engine/table/switches.h"
#include "engine/table/use.h"
#include "platform/file.h"
#include "tools/xbtool/commands.h"
#include "tools/xbtool/table_text.h"

namespace xbtool {
namespace {

std::string ShowValue(const xb::CompiledExpr& expr, const xb::ExprResult& r, const TableText& text) {
  switch (r.type) {
    case 'C': case 'M': return "\"" + text.ToUtf8(r.text) + "\"";
    case 'N': return xb::FormatFloat(r.number, expr.length(), expr.decimals());
    case 'D': return xb::JulianToDbf(r.number);
    case 'L': return r.logical ? ".T." : ".F.";
    default: return "?";
  }
}

void PrintResult(xb::CompiledExpr& expr, const TableText& text) {
  const xb::ExprResult* r = xb::Evaluate(&expr);
  std::cout << expr.type() << " " << expr.length() << " " << static_cast<int>(expr.decimals()) << " "
            << ShowValue(expr, *r, text) << "\n";
}

}  // namespace

int RunEval(const std::vector<std::string>& args, bool oem) {
  if (args.size() != 2 && args.size() != 3) return UsageError("eval takes a table, an expression and an optional record number");
  int32_t only = 0;
  if (args.size() == 3) {
    char* end = nullptr;
    const long n = std::strtol(args[2].c_str(), &end, 10);
    if (*end != '\0' || n < 1 || n > 0x7FFFFFFE) return UsageError("bad record number: " + args[2]);
    only = static_cast<int32_t>(n);
  }
  // The engine translates OEM records to ANSI as it reads them, so values
  // and the expression text meet in Windows-1252 either way.
  const TableText text(false);
  xb::SetReportErrors(false);
  xb::Switches().ansi_tables = !oem;
  xb::Switches().open_mode_override = platform::open_mode::kReadOnlyShared;
  const bool opened = xb::Select(1) && xb::Use(args[0]);
  xb::Switches().open_mode_override = -1;
  if (!opened) return EngineError();

  int status = kExitOk;
  if (auto expr = xb::AssignExpr(text.FromUtf8(args[1]))) {
    const int32_t first = only ? only : 1;
    const int32_t last = only ? only : xb::RecCount();
    for (int32_t n = first; n <= last; ++n) {
      xb::ClearErrorCode();
      xb::Go(n);
      if (xb::ErrorCode() != 0) {
        status = EngineError();
        break;
      }
      PrintResult(*expr, text);
    }
  } else {
    status = EngineError();
  }
  xb::CloseArea();
  return status;
}

DumpFilter::DumpFilter() = default;
DumpFilter::~DumpFilter() = default;

bool DumpFilter::Compile(const xb::DbfFile& table, const std::string& expr, bool oem) {
  area_.dbf.fields = table.fields;
  area_.dbf.record_count = table.record_count;
  area_.dbf.record.assign(table.record.size(), ' ');
  xb::ExprParserHooks hooks;
  filter_ = hooks.CompileFilter(area_, TableText(oem).FromUtf8(expr));
  return filter_ != nullptr;
}

bool DumpFilter::Passes(const xb::DbfFile& table, int32_t n) {
  if (filter_ == nullptr) return true;
  area_.dbf.record = table.record;
  area_.dbf.record_count = table.record_count;
  area_.dbf.current_record = n;
  xb::ExprParserHooks hooks;
  return hooks.EvaluateFilter(area_, *filter_);
}

}  // namespace xbtool
