#include "engine/index/expr_hooks.h"

#include "engine/index/compiled_expr.h"
#include "engine/index/expr.h"
#include "engine/table/error_state.h"

namespace xb {

FilterExpr::FilterExpr(std::unique_ptr<CompiledExpr> expr) : expr_(std::move(expr)) {}
FilterExpr::~FilterExpr() = default;

std::unique_ptr<AreaExtension> ExprParserHooks::CompileFilter(WorkArea& area, const std::string& text) {
  auto expr = AssignExprFor(text, &area);
  if (expr == nullptr) return nullptr;
  if (expr->type() != 'L') {
    SetError(362, "Filter expression is not logical: " + text + " [Set_Filter_To]");
    return nullptr;
  }
  return std::make_unique<FilterExpr>(std::move(expr));
}

bool ExprParserHooks::EvaluateFilter(WorkArea& area, AreaExtension& filter) {
  // Only FilterExpr objects are handed out by CompileFilter.
  auto& compiled = static_cast<FilterExpr&>(filter);
  const ExprResult* result = EvaluateFor(&compiled.expr(), &area);
  return result != nullptr && result->logical;
}

void ExpressionInit() {
  static ExprParserHooks hooks;
  InstallParserHooks(&hooks);
}

}  // namespace xb
