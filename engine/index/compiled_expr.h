#pragma once
// CompiledExpr is one dBASE expression compiled once by AssignExpr and run
// many times by Evaluate: its source text, result type, result length and
// decimals, the typed instruction list, and the buffers an evaluation works
// in (work stack, working pool, scratch). The buffers are sized when the
// expression is compiled, so no evaluation allocates.
//
// Result types are the dBASE field letters:
//   C  character, zero-terminated in the working pool
//   N  number, a double
//   D  date, the Julian day number as a double (kBlankJulian when blank)
//   L  logical
//   M  memo text (only a bare memo field has this type)
//
// Every live CompiledExpr is on one engine-wide list (LiveExprCount), so a
// leak shows up as a count that does not return to its start value.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/index/expr_program.h"

namespace xb {

// The value of the last Evaluate. `text` points into the expression's
// working pool and stays valid until the next Evaluate of that expression;
// text.data()[text.size()] is a zero byte.
struct ExprResult {
  char type = 'N';
  double number = 0;  // N and D
  bool logical = false;
  std::string_view text;  // C and M
};

// One work-stack entry. The instruction that reads it knows its type.
union ExprSlot {
  double number;
  int32_t logical;
  struct {
    uint32_t offset;  // into the working pool
    uint32_t length;  // without the terminating zero
  } text;
};

class CompiledExpr {
 public:
  CompiledExpr(std::string source, char type, uint16_t length, uint8_t decimals,
               ExprProgram program);
  ~CompiledExpr();
  CompiledExpr(const CompiledExpr&) = delete;
  CompiledExpr& operator=(const CompiledExpr&) = delete;

  const std::string& source() const { return source_; }
  char type() const { return type_; }
  uint16_t length() const { return length_; }
  uint8_t decimals() const { return decimals_; }

  // For the evaluator.
  const ExprProgram& program() const { return program_; }
  std::vector<ExprSlot>& stack() { return stack_; }
  std::vector<char>& pool() { return pool_; }
  std::vector<char>& scratch() { return scratch_; }
  ExprResult& result() { return result_; }

 private:
  std::string source_;
  char type_;
  uint16_t length_;
  uint8_t decimals_;
  ExprProgram program_;
  std::vector<ExprSlot> stack_;  // max_depth entries
  std::vector<char> pool_;       // pool_size bytes
  std::vector<char> scratch_;    // room to rebuild one value
  ExprResult result_;
  CompiledExpr* prev_ = nullptr;  // the engine-wide list of live expressions
  CompiledExpr* next_ = nullptr;
};

// Number of CompiledExpr objects alive (created and not yet destroyed).
int LiveExprCount();

}  // namespace xb
