#pragma once
// ExprCompiler holds the type rules of the expression language and emits
// the typed postfix instructions of ExprProgram as ExprParser reduces. Each
// emitting call takes the operand types, checks them, appends the one
// instruction made for exactly those types, and returns the result type.
// A combination the rules do not accept throws CompileFailure with the
// "Type mismatch" detail that AssignExpr reports.
//
// Type rules (left, right -> result; anything else is a mismatch):
//   +          N+N N, N+D D, D+N D, C+C C
//   -          N-N N, D-N D, D-D N, C-C C
//   * / ** ^   N,N N
//   = <> #     N,N  C,C  D,D  L,L -> L
//   < > <= >=  N,N  C,C  D,D -> L
//   $ ==       C,C -> L
//   .AND. .OR. L,L -> L;  .NOT. L -> L;  unary + and - N -> N
// Functions take the argument types of their signature (MAX and MIN take
// N,N or D,D; STR takes one to three numbers).
#include <string>
#include <vector>

#include "engine/index/expr_lexer.h"
#include "engine/index/expr_program.h"

namespace xb {

// Thrown inside a compile; AssignExpr turns it into error 351.
struct CompileFailure {
  std::string detail;
};

struct FunctionArity {
  int min_args;
  int max_args;
};
FunctionArity ArityOf(Func func);

class ExprCompiler {
 public:
  explicit ExprCompiler(ExprProgram& program) : program_(program) {}

  char Operand(const Token& token);  // literal, .T./.F. or field
  char Binary(Tok op, char left, char right);
  char Unary(Tok op, char operand);
  char Function(Func func, const std::vector<char>& args);
  void End();

 private:
  void Emit(Op op, int pops, int pushes, int32_t a = 0, int32_t b = 0, double number = 0);

  ExprProgram& program_;
  int depth_ = 0;
};

}  // namespace xb
