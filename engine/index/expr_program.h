#pragma once
// The compiled form of an expression: a flat list of typed instructions in
// postfix order, ending with kEnd, plus the sizes the evaluator needs so that
// it can run the list without allocating.
//
// Every instruction names the operand types it works on (kAddND adds a
// number to a date, kEqC compares two character values), so the evaluator
// never looks at the type of a value: the compiler has already proved it.
//
// Invariants established by the compiler:
//   (1) running the list from the first instruction never pops an empty work
//       stack and leaves exactly one value on it at kEnd;
//   (2) the work stack never holds more than `max_depth` values;
//   (3) character values live in the working pool as a stack in push order,
//       each followed by a zero byte and containing no zero byte itself; an
//       instruction that pops character values leaves its character result
//       (if any) where the first of them started.
#include <cstdint>
#include <string>
#include <vector>

namespace xb {

enum class Op : uint8_t {
  kEnd,
  // Constants: kPushC (a = offset, b = length in the literal block),
  // kPushN (number), kPushL (a = 0 or 1).
  kPushC, kPushN, kPushL,
  // Field of the current work area (a = field index, 0-based).
  kFieldC, kFieldN, kFieldL, kFieldD, kFieldM,
  // Field of an aliased work area (a = field index, b = area number).
  kAliasC, kAliasN, kAliasL, kAliasD, kAliasM,
  // Arithmetic. N and D are both doubles; the variants exist for the type
  // rules, several share an implementation.
  kAddNN, kAddND, kAddDN, kConcat, kSubNN, kSubDN, kSubDD, kConcatBlanks,
  kMul, kDiv, kPow, kNeg,
  // Comparisons of two doubles (N with N or D with D).
  kEqN, kNeN, kLtN, kGtN, kLeN, kGeN,
  // Comparisons of two character values.
  kEqC, kNeC, kLtC, kGtC, kLeC, kGeC, kExactC, kContainsC,
  // Logicals.
  kEqL, kNeL, kAnd, kOr, kNot,
  // Functions, one per function and argument types.
  kAbs, kAsc, kAt, kCdow, kChr, kCmonth, kCtod, kDate, kDay, kMonth, kYear,
  kDow, kDeleted, kDtoc, kDtos, kIif, kInt, kLeft, kLen, kLower, kLtrim,
  kMax, kMin, kMod, kRecno, kReplicate, kRight, kRound, kRtrim, kSoundex,
  kSpace, kStr, kStuff, kSubstr, kUpper, kVal,
};

struct Instr {
  Op op = Op::kEnd;
  int32_t a = 0;
  int32_t b = 0;
  double number = 0;
};

struct ExprProgram {
  std::vector<Instr> code;  // ends with kEnd
  std::string literals;     // copies of the string literals, each zero-ended
  uint32_t pool_size = 0;   // bytes of the working pool
  uint32_t max_depth = 0;   // work-stack entries needed
};

}  // namespace xb
