#pragma once
// ExprParser accepts exactly the expression grammar and drives ExprCompiler
// in postfix order. It is a recursive-descent parser with one token of
// lookahead; operators are left-associative at every level:
//
//   LEVEL  OPERATORS
//   1      prefix .NOT. + -  (any number, bind tighter than all below)
//   2      ** ^
//   3      * /
//   4      + -
//   5      < > <= >=
//   6      $ ==
//   7      = <> #
//   8      .AND.
//   9      .OR.
//
//   operand := string | number | .T. | .F. | field
//            | FUNCTION "(" [ expr { "," expr } ] ")" | "(" expr ")"
//
// The argument count of a function is part of the grammar: a call with too
// few or too many arguments is a syntax error, wrong argument types a type
// mismatch. The whole input must be one expression.
//
// Depth limit: the parser keeps the count of entries a shift-reduce parser
// of this grammar would hold on its stack (one per pending prefix operator,
// open parenthesis or shifted operand, two per pending binary operator and
// per function name with its parenthesis and per finished argument with its
// comma) and fails with "Parser_stack_overflow" when it passes 150, so deep
// nesting is refused the same way and the C++ stack stays small.
#include <vector>

#include "engine/index/expr_compiler.h"
#include "engine/index/expr_lexer.h"

namespace xb {

class ExprParser {
 public:
  ExprParser(ExprLexer& lexer, ExprCompiler& compiler) : lexer_(lexer), compiler_(compiler) {}

  // Parses the whole text and returns the result type. Throws
  // CompileFailure.
  char ParseAll();

 private:
  char ParseLevel(int level);
  char ParseUnary();
  char ParseOperand();
  char ParseCall(Func func);
  void Advance() { look_ = lexer_.Next(); }
  void Expect(Tok kind);
  void Grow(int entries);
  void Shrink(int entries) { depth_ -= entries; }

  ExprLexer& lexer_;
  ExprCompiler& compiler_;
  Token look_;
  int depth_ = 1;  // the start state
};

}  // namespace xb
