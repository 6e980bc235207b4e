#include "engine/index/expr.h"

#include <new>

#include "engine/index/expr_compiler.h"
#include "engine/index/expr_evaluator.h"
#include "engine/index/expr_lexer.h"
#include "engine/index/expr_parser.h"
#include "engine/table/error_state.h"
#include "engine/table/work_area.h"

namespace xb {
namespace {

constexpr int kExprError = 351;
constexpr size_t kExcerptLength = 51;
constexpr size_t kMaxKeyLength = 220;
constexpr uint32_t kDefaultMemoPoolSize = 256;
constexpr uint32_t kMaxPoolSize = 0xFFFF;

// Working-pool size of a memo-typed expression; CheckExpr sets it to 0
// while it compiles, since it never evaluates.
uint32_t memo_pool_size = kDefaultMemoPoolSize;

void ClearPendingExprError() {
  if (ErrorCode() >= 350 && ErrorCode() <= 363) ClearErrorCode();
}

// Restores a value when the scope ends, also when SetError raises.
template <typename T>
class Restore {
 public:
  Restore(T& target, T value) : target_(target), saved_(target) { target_ = value; }
  ~Restore() { target_ = saved_; }
 private:
  T& target_;
  T saved_;
};

}  // namespace

std::string ExprErrorMessage(const std::string& text, size_t position, const std::string& detail) {
  std::string excerpt;
  size_t from = 0;
  if (position <= 50) {
    excerpt = "[";
  } else {
    excerpt = "[...";
    from = position - kExcerptLength;
  }
  from = std::min(from, text.size());
  excerpt += text.substr(from, kExcerptLength);
  excerpt += (from + kExcerptLength < text.size()) ? "...]" : "]";
  return "Error in expression : " + detail + "\r\n" + excerpt + "\r\n" + " [AssignExpr]";
}

std::unique_ptr<CompiledExpr> AssignExprFor(const std::string& source, WorkArea* area) {
  ClearPendingExprError();
  const std::string text = source.substr(0, source.find('\0'));
  if (text.size() > kMaxExprLength) {
    SetError(kExprError, ExprErrorMessage(text, 0, "Expression longer than 255 characters"));
    return nullptr;
  }
  ExprProgram program;
  ExprLexer lexer(text, area, program.literals);
  ExprCompiler compiler(program);
  ExprParser parser(lexer, compiler);
  char type = 0;
  try {
    type = parser.ParseAll();
  } catch (const CompileFailure& failure) {
    SetError(kExprError, ExprErrorMessage(text, lexer.position(), failure.detail));
    return nullptr;
  } catch (const std::bad_alloc&) {
    SetError(217, " [PARSER/SStackCheck]");
    return nullptr;
  }

  const LexTotals& totals = lexer.totals();
  program.pool_size = type == 'M' ? memo_pool_size : totals.pool_size;
  if (program.pool_size > kMaxPoolSize) {
    // Not reachable within 255 characters; kept so the 16-bit size holds.
    SetError(354, "Working pool overflow [PARSER/Allocate]");
    return nullptr;
  }
  uint16_t length = 0;
  uint8_t decimals = 0;
  switch (type) {
    case 'C':
      length = program.pool_size == static_cast<uint32_t>(totals.last_length) + 1
                   ? static_cast<uint16_t>(totals.last_length)
                   : 0;
      break;
    case 'N': {
      const int dec = totals.last_decimals < 0 ? kDefaultDecimals : totals.last_decimals;
      decimals = static_cast<uint8_t>(dec);
      length = static_cast<uint16_t>(totals.last_length >= dec + 2 ? totals.last_length : dec + 11);
      break;
    }
    case 'D': length = 8; break;
    case 'L': length = 1; break;
    case 'M': length = static_cast<uint16_t>(program.pool_size); break;
  }
  try {
    return std::make_unique<CompiledExpr>(text, type, length, decimals, std::move(program));
  } catch (const std::bad_alloc&) {
    SetError(217, " [AssignExpr]");
    return nullptr;
  }
}

std::unique_ptr<CompiledExpr> AssignExpr(const std::string& text) {
  return AssignExprFor(text, CurrentArea());
}

const ExprResult* EvaluateFor(CompiledExpr* expr, WorkArea* area) {
  if (expr == nullptr) return nullptr;
  return &RunExpr(*expr, area);
}

const ExprResult* Evaluate(CompiledExpr* expr) { return EvaluateFor(expr, CurrentArea()); }

void DisposeExpr(std::unique_ptr<CompiledExpr>& expr) { expr.reset(); }

int CheckExpr(const std::string& source, bool as_key) {
  std::string text = source.substr(0, source.find('\0'));
  while (!text.empty() && text.back() == ' ') text.pop_back();
  int code = 0;
  if (text.empty()) {
    code = 359;
  } else if (as_key && text.size() > kMaxKeyLength) {
    code = 360;
  } else {
    const bool report = SetReportErrors(false);
    struct ReportGuard {
      bool saved;
      ~ReportGuard() { SetReportErrors(saved); }
    } guard{report};
    Restore<uint32_t> pool(memo_pool_size, 0);
    auto expr = AssignExpr(text);
    if (expr == nullptr) {
      code = ErrorCode();
    } else if (as_key) {
      code = (expr->type() == 'M' || expr->type() == 'L') ? 361 : 0;
    } else {
      code = expr->type() == 'L' ? 0 : 362;
    }
  }
  ClearErrorCode();
  return code;
}

}  // namespace xb
