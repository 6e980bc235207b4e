#pragma once
// Connects the expression compiler to the table layer: the ParserHooks
// through which Set_Filter_To compiles a filter and navigation tests it.
// ExpressionInit installs them once at start-up; without them the table
// layer has no filters.
//
// A filter must be logical. A text that compiles to another type is refused
// with error 362 ("Filter expression is not logical: " + text +
// " [Set_Filter_To]"), because a filter of another type would give no
// meaningful yes or no for a record.
#include <memory>
#include <string>

#include "engine/table/hooks.h"

namespace xb {

class CompiledExpr;

// The compiled filter a work area owns.
class FilterExpr : public AreaExtension {
 public:
  explicit FilterExpr(std::unique_ptr<CompiledExpr> expr);
  ~FilterExpr() override;
  CompiledExpr& expr() { return *expr_; }

 private:
  std::unique_ptr<CompiledExpr> expr_;
};

class ExprParserHooks : public ParserHooks {
 public:
  std::unique_ptr<AreaExtension> CompileFilter(WorkArea& area, const std::string& text) override;
  bool EvaluateFilter(WorkArea& area, AreaExtension& filter) override;
};

// Installs the expression layer's ParserHooks (idempotent).
void ExpressionInit();

}  // namespace xb
