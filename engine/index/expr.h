#pragma once
// The engine's expression commands: compile a dBASE expression once with
// AssignExpr, run it against the current record with Evaluate as often as
// needed, free it with DisposeExpr; CheckExpr validates a key or filter text
// without reporting.
//
// Language summary (details in expr_lexer.h, expr_parser.h,
// expr_compiler.h, expr_evaluator.h): values of types C N D L M; string and
// number literals, .T. and .F.; fields of the current work area or ALIAS->
// FIELD of another; the operators + - * / ** ^ = == <> # < > <= >= $ .AND.
// .OR. .NOT. and unary + -; 37 functions.
//
// Result length and decimals (set by AssignExpr from the tokens read):
//   C  the length of the last field read when the working pool holds just
//      that field (e.g. upper(NOTEBOARD)), else 0
//   N  decimals of the first field when it came first, else 2; length that
//      field's length when it is at least decimals + 2, else decimals + 11
//   D  8;  L  1;  M  the memo pool size (256)
//
// Choices made where the language leaves room:
//   - texts longer than 255 characters are refused with error 351 before
//     compiling; a text is read up to its first zero byte;
//   - a number literal longer than 80 characters is a syntax error;
//   - a function called with the wrong number of arguments is a syntax error;
//   - ASC('') is 0; LEFT with a negative count gives ''; SUBSTR with a start
//     below 1 starts at 1; STUFF clamps start to 1..len+1 and the count to
//     what is there; MOD(a, 0) is trunc(a); a ** b with a non-positive base
//     follows pow() and gives 0 where that is not a number; VAL reads the
//     leading number and ignores the rest (0 when there is none);
//   - REPLICATE, SPACE, STR and STUFF cut their results to 255 characters;
//   - a memo field reads as '' when no memo layer is installed;
//   - after a working-pool overflow (354) the result is the neutral value of
//     the result type.
//
// Not thread-safe: compile and evaluate from one thread, and never call
// Evaluate from inside an evaluation.
#include <memory>
#include <string>

#include "engine/index/compiled_expr.h"

namespace xb {

struct WorkArea;

// Compiles `text` against the current work area. Before compiling, a
// pending error code in 350..363 is cleared. On failure it reports through
// SetError (351 with the message "Error in expression : " + detail + CR LF
// + excerpt + CR LF + " [AssignExpr]") and returns nullptr.
std::unique_ptr<CompiledExpr> AssignExpr(const std::string& text);

// Runs `expr` on the current record of the current work area; nullptr for
// a null `expr`. The result stays valid until the next Evaluate of `expr`.
const ExprResult* Evaluate(CompiledExpr* expr);

// Frees `expr` and sets it to nullptr; a null `expr` is ignored.
void DisposeExpr(std::unique_ptr<CompiledExpr>& expr);

// Validates a key (as_key) or filter expression without reporting: 359
// empty, 360 key longer than 220 characters, 361 key of type M or L, 362
// filter not of type L, the compile's error code when it fails, else 0.
// Leaves ErrorCode cleared and ReportErrors as it found it.
int CheckExpr(const std::string& text, bool as_key);

// The same as AssignExpr and Evaluate with an explicit area in place of the
// current one (nullptr: no table). Aliased fields still name areas by
// number.
std::unique_ptr<CompiledExpr> AssignExprFor(const std::string& text, WorkArea* area);
const ExprResult* EvaluateFor(CompiledExpr* expr, WorkArea* area);

// The message AssignExpr reports for `detail` at lexer position `position`.
std::string ExprErrorMessage(const std::string& text, size_t position, const std::string& detail);

}  // namespace xb
