#include "engine/index/expr_parser.h"

namespace xb {
namespace {

constexpr int kParserStackLimit = 150;
constexpr int kLowestLevel = 9;

bool AtLevel(Tok t, int level) {
  switch (level) {
    case 2: return t == Tok::kPower;
    case 3: return t == Tok::kStar || t == Tok::kSlash;
    case 4: return t == Tok::kPlus || t == Tok::kMinus;
    case 5: return t == Tok::kLt || t == Tok::kGt || t == Tok::kLe || t == Tok::kGe;
    case 6: return t == Tok::kDollar || t == Tok::kExactEq;
    case 7: return t == Tok::kEq || t == Tok::kNe;
    case 8: return t == Tok::kAnd;
    case 9: return t == Tok::kOr;
    default: return false;
  }
}

[[noreturn]] void SyntaxError() { throw CompileFailure{"Syntax error"}; }

}  // namespace

char ExprParser::ParseAll() {
  Advance();
  const char type = ParseLevel(kLowestLevel);
  if (look_.kind != Tok::kEnd) SyntaxError();
  compiler_.End();
  return type;
}

void ExprParser::Grow(int entries) {
  depth_ += entries;
  if (depth_ > kParserStackLimit) throw CompileFailure{"Parser_stack_overflow"};
}

void ExprParser::Expect(Tok kind) {
  if (look_.kind != kind) SyntaxError();
}

char ExprParser::ParseLevel(int level) {
  if (level == 1) return ParseUnary();
  char left = ParseLevel(level - 1);
  while (AtLevel(look_.kind, level)) {
    const Tok op = look_.kind;
    Advance();
    Grow(2);
    const char right = ParseLevel(level - 1);
    Shrink(2);
    left = compiler_.Binary(op, left, right);
  }
  return left;
}

char ExprParser::ParseUnary() {
  const Tok op = look_.kind;
  if (op != Tok::kNot && op != Tok::kPlus && op != Tok::kMinus) return ParseOperand();
  Advance();
  Grow(1);
  const char operand = ParseUnary();
  Shrink(1);
  return compiler_.Unary(op, operand);
}

char ExprParser::ParseOperand() {
  switch (look_.kind) {
    case Tok::kString:
    case Tok::kNumber:
    case Tok::kTrue:
    case Tok::kFalse:
    case Tok::kField: {
      Grow(1);
      const char type = compiler_.Operand(look_);
      Shrink(1);
      Advance();
      return type;
    }
    case Tok::kLParen: {
      Advance();
      Grow(1);
      const char type = ParseLevel(kLowestLevel);
      Expect(Tok::kRParen);
      Shrink(1);
      Advance();
      return type;
    }
    case Tok::kFunction: {
      const Func func = look_.func;
      Advance();
      return ParseCall(func);
    }
    case Tok::kBad:
      // Say which name was not understood: "Syntax error" alone leaves the
      // user guessing between a typing slip and a missing field.
      if (!look_.unknown.empty())
        throw CompileFailure{(look_.called ? "Unknown function " : "Unknown field or name ") + look_.unknown};
      SyntaxError();
    default:
      SyntaxError();
  }
}

char ExprParser::ParseCall(Func func) {
  const FunctionArity arity = ArityOf(func);
  Expect(Tok::kLParen);
  Advance();
  Grow(2);
  std::vector<char> args;
  if (arity.max_args == 0) Expect(Tok::kRParen);
  if (look_.kind != Tok::kRParen) {
    for (;;) {
      args.push_back(ParseLevel(kLowestLevel));
      if (look_.kind != Tok::kComma) break;
      if (static_cast<int>(args.size()) >= arity.max_args) SyntaxError();
      Advance();
      Grow(2);
    }
  }
  Expect(Tok::kRParen);
  if (static_cast<int>(args.size()) < arity.min_args) SyntaxError();
  // Checked with the ")" read, before the token after it.
  const char type = compiler_.Function(func, args);
  Shrink(2 + 2 * (args.empty() ? 0 : static_cast<int>(args.size()) - 1));
  Advance();
  return type;
}

}  // namespace xb
