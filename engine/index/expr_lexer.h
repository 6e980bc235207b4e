#pragma once
// ExprLexer turns an expression text into tokens for ExprParser, resolving
// identifiers to fields, functions and the dotted words on the way, and
// keeps the running totals AssignExpr needs for the result length and the
// working-pool size.
//
// Rules, in the order they are applied to the next unread character:
//   - blanks and tabs separate tokens;
//   - ' or " opens a string literal that ends at the next same quote (no
//     escapes, no case folding); an unterminated literal ends the token
//     stream at its opening quote;
//   - a digit starts a number: digits, E or e, at most one '.';
//   - a letter, '_' or '.' starts an identifier: letters (folded to upper
//     case), digits, '_', '.' and "->" (which becomes '.' and makes the
//     identifier ALIAS.FIELD); so ".T.", ".AND." and "a.and.b" are single
//     identifiers;
//   - identifiers resolve as a field (of the current area, or of the aliased
//     area among 1..32, aliases compared on 10 characters) unless the next
//     non-blank character is '(', then as a keyword, else they are
//     unresolved (kBad);
//   - + - * / = $ # < > ( ) , ^ and the pairs == <= >= <> ** are operators;
//     any other character is kBad.
// The lexer never reads past text.size(); texts are cut at their first zero
// byte by the caller.
#include <cstdint>
#include <string>
#include <string_view>

namespace xb {

struct WorkArea;

// The 37 functions, in keyword-table order of their full names.
enum class Func : uint8_t {
  kAbs, kAsc, kAt, kCdow, kChr, kCmonth, kCtod, kDate, kDay, kDeleted, kDow,
  kDtoc, kDtos, kIif, kInt, kLeft, kLen, kLower, kLtrim, kMax, kMin, kMod,
  kMonth, kRecno, kReplicate, kRight, kRound, kRtrim, kSoundex, kSpace, kStr,
  kStuff, kSubstr, kTrim, kUpper, kVal, kYear,
};
inline constexpr int kFunctionCount = 37;

// The full name of a function in capitals ("REPLICATE" for REPL).
const char* FunctionName(Func func);

enum class Tok : uint8_t {
  kEnd, kBad,
  kString, kNumber, kField, kFunction, kTrue, kFalse,
  kNot, kAnd, kOr,
  kPlus, kMinus, kStar, kSlash, kPower,
  kEq, kNe, kLt, kGt, kLe, kGe, kExactEq, kDollar,
  kLParen, kRParen, kComma,
};

struct Token {
  Tok kind = Tok::kEnd;
  Func func = Func::kAbs;      // kFunction
  char field_type = 0;         // kField: C N L D M (F reads as N)
  int field_index = 0;         // kField: 0-based
  int area = 0;                // kField: aliased area number, 0 when plain
  uint32_t literal_offset = 0; // kString: into the literal block
  uint32_t literal_length = 0;
  double number = 0;           // kNumber
  std::string unknown;         // kBad from an identifier: the name, for the message
  bool called = false;         // kBad: the name is followed by "("
};

// Totals of one compile, updated as tokens are read.
struct LexTotals {
  uint32_t pool_size = 0;   // field lengths + 1, literal bytes, reserves
  int last_length = 0;      // of the last field, 0 after a literal or keyword
  int last_decimals = -1;   // -1 until a token sets it
};

inline constexpr int kDefaultDecimals = 2;
inline constexpr size_t kMaxExprLength = 255;
inline constexpr size_t kLiteralSpace = 511;  // all literals, each zero-ended
inline constexpr size_t kMaxNumberLength = 80;

class ExprLexer {
 public:
  // `area` is the current work area (nullptr: no table, no fields).
  // Literal copies are appended to `literals`.
  ExprLexer(std::string_view text, WorkArea* area, std::string& literals);

  Token Next();
  // Index of the next unread character (for the error excerpt).
  size_t position() const { return pos_; }
  const LexTotals& totals() const { return totals_; }

 private:
  Token ReadString(char quote);
  Token ReadNumber();
  Token ReadIdentifier();
  Token ReadOperator();
  bool NextNonBlankIsParen() const;

  std::string_view text_;
  WorkArea* area_;
  std::string& literals_;
  LexTotals totals_;
  size_t pos_ = 0;
  bool ended_ = false;  // an unterminated literal ended the stream
};

// Reads the leading decimal number of `text` the way the engine reads
// numeric fields and VAL(): leading blanks skipped, an optional sign,
// digits with at most one '.', an optional exponent. Anything after the
// number is ignored; a text without digits gives 0.
double ParseDecimal(const char* text, size_t length);

}  // namespace xb
