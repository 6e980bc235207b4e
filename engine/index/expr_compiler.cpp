#include "engine/index/expr_compiler.h"

#include <algorithm>

namespace xb {
namespace {

struct Signature {
  const char* args;  // one type letter per argument
  char result;
  Op op;
};

struct FunctionInfo {
  Func func;
  Signature forms[3];  // unused forms have args == nullptr
};

constexpr FunctionInfo kFunctions[kFunctionCount] = {
    {Func::kAbs, {{"N", 'N', Op::kAbs}}},
    {Func::kAsc, {{"C", 'N', Op::kAsc}}},
    {Func::kAt, {{"CC", 'N', Op::kAt}}},
    {Func::kCdow, {{"D", 'C', Op::kCdow}}},
    {Func::kChr, {{"N", 'C', Op::kChr}}},
    {Func::kCmonth, {{"D", 'C', Op::kCmonth}}},
    {Func::kCtod, {{"C", 'D', Op::kCtod}}},
    {Func::kDate, {{"", 'D', Op::kDate}}},
    {Func::kDay, {{"D", 'N', Op::kDay}}},
    {Func::kDeleted, {{"", 'L', Op::kDeleted}}},
    {Func::kDow, {{"D", 'N', Op::kDow}}},
    {Func::kDtoc, {{"D", 'C', Op::kDtoc}}},
    {Func::kDtos, {{"D", 'C', Op::kDtos}}},
    {Func::kIif, {{"LCC", 'C', Op::kIif}}},
    {Func::kInt, {{"N", 'N', Op::kInt}}},
    {Func::kLeft, {{"CN", 'C', Op::kLeft}}},
    {Func::kLen, {{"C", 'N', Op::kLen}}},
    {Func::kLower, {{"C", 'C', Op::kLower}}},
    {Func::kLtrim, {{"C", 'C', Op::kLtrim}}},
    {Func::kMax, {{"NN", 'N', Op::kMax}, {"DD", 'D', Op::kMax}}},
    {Func::kMin, {{"NN", 'N', Op::kMin}, {"DD", 'D', Op::kMin}}},
    {Func::kMod, {{"NN", 'N', Op::kMod}}},
    {Func::kMonth, {{"D", 'N', Op::kMonth}}},
    {Func::kRecno, {{"", 'N', Op::kRecno}}},
    {Func::kReplicate, {{"CN", 'C', Op::kReplicate}}},
    {Func::kRight, {{"CN", 'C', Op::kRight}}},
    {Func::kRound, {{"NN", 'N', Op::kRound}}},
    {Func::kRtrim, {{"C", 'C', Op::kRtrim}}},
    {Func::kSoundex, {{"C", 'C', Op::kSoundex}}},
    {Func::kSpace, {{"N", 'C', Op::kSpace}}},
    {Func::kStr, {{"N", 'C', Op::kStr}, {"NN", 'C', Op::kStr}, {"NNN", 'C', Op::kStr}}},
    {Func::kStuff, {{"CNNC", 'C', Op::kStuff}}},
    {Func::kSubstr, {{"CNN", 'C', Op::kSubstr}}},
    {Func::kTrim, {{"C", 'C', Op::kRtrim}}},
    {Func::kUpper, {{"C", 'C', Op::kUpper}}},
    {Func::kVal, {{"C", 'N', Op::kVal}}},
    {Func::kYear, {{"D", 'N', Op::kYear}}},
};

constexpr double kStrDefaultLength = 10;
constexpr double kStrDefaultDecimals = 0;

const FunctionInfo& InfoOf(Func func) { return kFunctions[static_cast<int>(func)]; }

int PopsOf(const char* args) { return static_cast<int>(std::char_traits<char>::length(args)); }

[[noreturn]] void OperatorMismatch(const char* name) {
  throw CompileFailure{std::string("PARSER:Type mismatch in expression \"") + name + "\""};
}

const char* OperatorName(Tok op) {
  switch (op) {
    case Tok::kPlus: return "+";
    case Tok::kMinus: return "-";
    case Tok::kStar: return "*";
    case Tok::kSlash: return "/";
    case Tok::kPower: return "** or ^";
    case Tok::kEq: return "=";
    case Tok::kNe: return "<>";
    case Tok::kLt: return "<";
    case Tok::kGt: return ">";
    case Tok::kLe: return "<=";
    case Tok::kGe: return ">=";
    case Tok::kExactEq: return "==";
    case Tok::kDollar: return "$";
    case Tok::kAnd: return ".AND.";
    case Tok::kOr: return ".OR.";
    default: return "?";
  }
}

// The instruction and result type for `op` on (l, r), or kEnd when the
// rules do not accept the pair.
struct Typed {
  Op op;
  char result;
};

Typed TypeBinary(Tok op, char l, char r) {
  const bool nn = l == 'N' && r == 'N';
  const bool dd = l == 'D' && r == 'D';
  const bool cc = l == 'C' && r == 'C';
  const bool ll = l == 'L' && r == 'L';
  auto compare = [&](Op numeric, Op text) -> Typed {
    if (nn || dd) return {numeric, 'L'};
    if (cc) return {text, 'L'};
    return {Op::kEnd, 0};
  };
  switch (op) {
    case Tok::kPlus:
      if (nn) return {Op::kAddNN, 'N'};
      if (l == 'N' && r == 'D') return {Op::kAddND, 'D'};
      if (l == 'D' && r == 'N') return {Op::kAddDN, 'D'};
      if (cc) return {Op::kConcat, 'C'};
      break;
    case Tok::kMinus:
      if (nn) return {Op::kSubNN, 'N'};
      if (l == 'D' && r == 'N') return {Op::kSubDN, 'D'};
      if (dd) return {Op::kSubDD, 'N'};
      if (cc) return {Op::kConcatBlanks, 'C'};
      break;
    case Tok::kStar: if (nn) return {Op::kMul, 'N'}; break;
    case Tok::kSlash: if (nn) return {Op::kDiv, 'N'}; break;
    case Tok::kPower: if (nn) return {Op::kPow, 'N'}; break;
    case Tok::kEq:
      if (ll) return {Op::kEqL, 'L'};
      return compare(Op::kEqN, Op::kEqC);
    case Tok::kNe:
      if (ll) return {Op::kNeL, 'L'};
      return compare(Op::kNeN, Op::kNeC);
    case Tok::kLt: return compare(Op::kLtN, Op::kLtC);
    case Tok::kGt: return compare(Op::kGtN, Op::kGtC);
    case Tok::kLe: return compare(Op::kLeN, Op::kLeC);
    case Tok::kGe: return compare(Op::kGeN, Op::kGeC);
    case Tok::kExactEq: if (cc) return {Op::kExactC, 'L'}; break;
    case Tok::kDollar: if (cc) return {Op::kContainsC, 'L'}; break;
    case Tok::kAnd: if (ll) return {Op::kAnd, 'L'}; break;
    case Tok::kOr: if (ll) return {Op::kOr, 'L'}; break;
    default: break;
  }
  return {Op::kEnd, 0};
}

}  // namespace

FunctionArity ArityOf(Func func) {
  FunctionArity arity{99, 0};
  for (const Signature& form : InfoOf(func).forms) {
    if (form.args == nullptr) continue;
    arity.min_args = std::min(arity.min_args, PopsOf(form.args));
    arity.max_args = std::max(arity.max_args, PopsOf(form.args));
  }
  return arity;
}

void ExprCompiler::Emit(Op op, int pops, int pushes, int32_t a, int32_t b, double number) {
  program_.code.push_back(Instr{op, a, b, number});
  depth_ += pushes - pops;
  program_.max_depth = std::max<uint32_t>(program_.max_depth, static_cast<uint32_t>(depth_));
}

char ExprCompiler::Operand(const Token& token) {
  switch (token.kind) {
    case Tok::kString:
      Emit(Op::kPushC, 0, 1, static_cast<int32_t>(token.literal_offset),
           static_cast<int32_t>(token.literal_length));
      return 'C';
    case Tok::kNumber: Emit(Op::kPushN, 0, 1, 0, 0, token.number); return 'N';
    case Tok::kTrue: Emit(Op::kPushL, 0, 1, 1); return 'L';
    case Tok::kFalse: Emit(Op::kPushL, 0, 1, 0); return 'L';
    case Tok::kField: {
      static constexpr Op kPlain[] = {Op::kFieldC, Op::kFieldN, Op::kFieldL, Op::kFieldD, Op::kFieldM};
      static constexpr Op kAliased[] = {Op::kAliasC, Op::kAliasN, Op::kAliasL, Op::kAliasD, Op::kAliasM};
      const int kind = static_cast<int>(std::string_view("CNLDM").find(token.field_type));
      Emit(token.area == 0 ? kPlain[kind] : kAliased[kind], 0, 1, token.field_index, token.area);
      return token.field_type;
    }
    default:
      throw CompileFailure{"Syntax error"};
  }
}

char ExprCompiler::Binary(Tok op, char left, char right) {
  const Typed typed = TypeBinary(op, left, right);
  if (typed.op == Op::kEnd) OperatorMismatch(OperatorName(op));
  Emit(typed.op, 2, 1);
  return typed.result;
}

char ExprCompiler::Unary(Tok op, char operand) {
  if (op == Tok::kNot) {
    if (operand != 'L') OperatorMismatch(".NOT.");
    Emit(Op::kNot, 1, 1);
    return 'L';
  }
  if (operand != 'N') OperatorMismatch(op == Tok::kPlus ? "Unary +" : "Unary -");
  if (op == Tok::kMinus) Emit(Op::kNeg, 1, 1);
  return 'N';
}

char ExprCompiler::Function(Func func, const std::vector<char>& args) {
  const std::string given(args.begin(), args.end());
  for (const Signature& form : InfoOf(func).forms) {
    if (form.args == nullptr || given != form.args) continue;
    if (func == Func::kStr) {
      // STR(n) is STR(n, 10, 0) and STR(n, len) is STR(n, len, 0).
      if (args.size() < 2) Emit(Op::kPushN, 0, 1, 0, 0, kStrDefaultLength);
      if (args.size() < 3) Emit(Op::kPushN, 0, 1, 0, 0, kStrDefaultDecimals);
      Emit(form.op, 3, 1);
    } else {
      Emit(form.op, PopsOf(form.args), 1);
    }
    return form.result;
  }
  throw CompileFailure{std::string("PARSER:Type mismatch in function \"") + FunctionName(func) + "\""};
}

void ExprCompiler::End() { program_.code.push_back(Instr{Op::kEnd, 0, 0, 0}); }

}  // namespace xb
