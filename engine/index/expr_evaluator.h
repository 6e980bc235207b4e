#pragma once
// The stack machine that runs a CompiledExpr's instruction list against the
// current record of a work area. It dispatches on the instruction only:
// the compiler chose the instruction for the operand types, so values on the
// work stack carry no type tag.
//
// Character values are kept in the working pool as a stack (see
// expr_program.h); functions that shorten or recase a value rewrite it in
// place, the others build their result over the first argument or, when
// they have no character argument, at the pool top. Nothing is allocated:
// the work stack, pool and scratch buffer were sized by the compiler.
//
// Failures during a run:
//   - division by zero records 358 and yields 1e250; the run goes on;
//   - a value that does not fit the pool records 354 "Working pool overflow
//     [PARSER/Allocate]" and stops the run; the result is then the neutral
//     value of the result type (empty text, 0, blank date, false).
// A recorded error may raise EEngineError (ReportErrors with RaiseErrors);
// the run then ends by that exception and the expression stays usable.
#include "engine/index/compiled_expr.h"

namespace xb {

struct WorkArea;

// Runs `expr` with plain field references read from `area` (nullptr: no
// table, every field reads as blank) and returns its result, which stays
// valid until the next run of the same expression.
const ExprResult& RunExpr(CompiledExpr& expr, WorkArea* area);

}  // namespace xb
