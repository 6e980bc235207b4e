#include "engine/index/expr_lexer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <iterator>

#include "engine/table/work_area.h"

namespace xb {
namespace {

struct Keyword {
  const char* name;
  Tok token;
  Func func;
  uint16_t reserve;  // working-pool bytes the function's result may need
};

// Every accepted spelling; an abbreviation is accepted only where it is
// listed. The sentinel ends the table.
constexpr Keyword kKeywords[] = {
    {".T.", Tok::kTrue, Func::kAbs, 0},
    {".F.", Tok::kFalse, Func::kAbs, 0},
    {".NOT.", Tok::kNot, Func::kAbs, 0},
    {".OR.", Tok::kOr, Func::kAbs, 0},
    {".AND.", Tok::kAnd, Func::kAbs, 0},
    {"ABS", Tok::kFunction, Func::kAbs, 0},
    {"ASC", Tok::kFunction, Func::kAsc, 0},
    {"AT", Tok::kFunction, Func::kAt, 0},
    {"CDOW", Tok::kFunction, Func::kCdow, 15},
    {"CHR", Tok::kFunction, Func::kChr, 2},
    {"CMON", Tok::kFunction, Func::kCmonth, 15},
    {"CMONT", Tok::kFunction, Func::kCmonth, 15},
    {"CMONTH", Tok::kFunction, Func::kCmonth, 15},
    {"CTOD", Tok::kFunction, Func::kCtod, 0},
    {"DATE", Tok::kFunction, Func::kDate, 0},
    {"DAY", Tok::kFunction, Func::kDay, 0},
    {"DELE", Tok::kFunction, Func::kDeleted, 0},
    {"DELET", Tok::kFunction, Func::kDeleted, 0},
    {"DELETE", Tok::kFunction, Func::kDeleted, 0},
    {"DELETED", Tok::kFunction, Func::kDeleted, 0},
    {"DOW", Tok::kFunction, Func::kDow, 0},
    {"DTOC", Tok::kFunction, Func::kDtoc, 11},
    {"DTOS", Tok::kFunction, Func::kDtos, 9},
    {"IIF", Tok::kFunction, Func::kIif, 256},
    {"INT", Tok::kFunction, Func::kInt, 0},
    {"LEFT", Tok::kFunction, Func::kLeft, 0},
    {"LEN", Tok::kFunction, Func::kLen, 0},
    {"LOWE", Tok::kFunction, Func::kLower, 0},
    {"LOWER", Tok::kFunction, Func::kLower, 0},
    {"LTRI", Tok::kFunction, Func::kLtrim, 0},
    {"LTRIM", Tok::kFunction, Func::kLtrim, 0},
    {"MAX", Tok::kFunction, Func::kMax, 0},
    {"MIN", Tok::kFunction, Func::kMin, 0},
    {"MOD", Tok::kFunction, Func::kMod, 0},
    {"MONT", Tok::kFunction, Func::kMonth, 0},
    {"MONTH", Tok::kFunction, Func::kMonth, 0},
    {"RECN", Tok::kFunction, Func::kRecno, 0},
    {"RECNO", Tok::kFunction, Func::kRecno, 0},
    {"REPL", Tok::kFunction, Func::kReplicate, 256},
    {"REPLI", Tok::kFunction, Func::kReplicate, 256},
    {"REPLIC", Tok::kFunction, Func::kReplicate, 256},
    {"REPLICA", Tok::kFunction, Func::kReplicate, 256},
    {"REPLICAT", Tok::kFunction, Func::kReplicate, 256},
    {"REPLICATE", Tok::kFunction, Func::kReplicate, 256},
    {"RIGH", Tok::kFunction, Func::kRight, 0},
    {"RIGHT", Tok::kFunction, Func::kRight, 0},
    {"ROUN", Tok::kFunction, Func::kRound, 0},
    {"ROUND", Tok::kFunction, Func::kRound, 0},
    {"RTRI", Tok::kFunction, Func::kRtrim, 0},
    {"RTRIM", Tok::kFunction, Func::kRtrim, 0},
    {"SOUN", Tok::kFunction, Func::kSoundex, 15},
    {"SOUND", Tok::kFunction, Func::kSoundex, 15},
    {"SOUNDE", Tok::kFunction, Func::kSoundex, 15},
    {"SOUNDEX", Tok::kFunction, Func::kSoundex, 15},
    {"SPAC", Tok::kFunction, Func::kSpace, 256},
    {"SPACE", Tok::kFunction, Func::kSpace, 256},
    {"STR", Tok::kFunction, Func::kStr, 256},
    {"STUF", Tok::kFunction, Func::kStuff, 0},
    {"STUFF", Tok::kFunction, Func::kStuff, 0},
    {"SUBS", Tok::kFunction, Func::kSubstr, 0},
    {"SUBST", Tok::kFunction, Func::kSubstr, 0},
    {"SUBSTR", Tok::kFunction, Func::kSubstr, 0},
    {"TRIM", Tok::kFunction, Func::kTrim, 0},
    {"UPPE", Tok::kFunction, Func::kUpper, 0},
    {"UPPER", Tok::kFunction, Func::kUpper, 0},
    {"VAL", Tok::kFunction, Func::kVal, 0},
    {"YEAR", Tok::kFunction, Func::kYear, 0},
    {"$EOT$", Tok::kEnd, Func::kAbs, 0},
};
static_assert(std::size(kKeywords) == 68, "67 keywords and the sentinel");

constexpr const char* kFunctionNames[kFunctionCount] = {
    "ABS", "ASC", "AT", "CDOW", "CHR", "CMONTH", "CTOD", "DATE", "DAY", "DELETED",
    "DOW", "DTOC", "DTOS", "IIF", "INT", "LEFT", "LEN", "LOWER", "LTRIM", "MAX",
    "MIN", "MOD", "MONTH", "RECNO", "REPLICATE", "RIGHT", "ROUND", "RTRIM", "SOUNDEX",
    "SPACE", "STR", "STUFF", "SUBSTR", "TRIM", "UPPER", "VAL", "YEAR",
};

constexpr size_t kAliasCompareLength = 10;
constexpr int kMaxAliasArea = 32;

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char Fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

const Keyword* FindKeyword(std::string_view name) {
  for (const Keyword& k : kKeywords) {
    if (k.token == Tok::kEnd) break;
    if (name == k.name) return &k;
  }
  return nullptr;
}

char TokenTypeOf(char field_type) {
  switch (field_type) {
    case 'C': case 'N': case 'L': case 'D': case 'M': return field_type;
    case 'F': return 'N';
    default: return 0;
  }
}

WorkArea* FindAliasArea(std::string_view alias) {
  std::string_view wanted = alias.substr(0, kAliasCompareLength);
  for (int n = 1; n <= kMaxAliasArea; ++n) {
    WorkArea* area = AreaAt(n);
    if (area == nullptr) continue;
    if (std::string_view(area->alias).substr(0, kAliasCompareLength) == wanted) return area;
  }
  return nullptr;
}

}  // namespace

const char* FunctionName(Func func) { return kFunctionNames[static_cast<int>(func)]; }

double ParseDecimal(const char* text, size_t length) {
  size_t i = 0;
  while (i < length && text[i] == ' ') ++i;
  const size_t start = i;
  if (i < length && (text[i] == '-' || text[i] == '+')) ++i;
  const size_t digits_start = i;
  while (i < length && IsDigit(text[i])) ++i;
  size_t digits = i - digits_start;
  if (i < length && text[i] == '.') {
    ++i;
    const size_t fraction_start = i;
    while (i < length && IsDigit(text[i])) ++i;
    digits += i - fraction_start;
  }
  if (digits == 0) return 0;
  if (i < length && (text[i] == 'E' || text[i] == 'e')) {
    size_t j = i + 1;
    if (j < length && (text[j] == '-' || text[j] == '+')) ++j;
    if (j < length && IsDigit(text[j])) {
      while (j < length && IsDigit(text[j])) ++j;
      i = j;
    }
  }
  // from_chars takes no leading '+'.
  size_t from = (text[start] == '+') ? start + 1 : start;
  double value = 0;
  const auto [end, ec] = std::from_chars(text + from, text + i, value, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    // Too large gives an infinity, too small zero, as strtod would.
    const std::string_view number(text + from, static_cast<size_t>(i - from));
    const size_t e = number.find_first_of("Ee");
    const bool tiny = e != std::string_view::npos ? number.find('-', e) != std::string_view::npos
                                                  : number.find_first_of("123456789") > number.find('.');
    value = tiny ? 0.0 : HUGE_VAL;
    if (text[start] == '-') value = -value;
  }
  return value;
}

ExprLexer::ExprLexer(std::string_view text, WorkArea* area, std::string& literals)
    : text_(text), area_(area), literals_(literals) {}

Token ExprLexer::Next() {
  if (ended_) return Token{};
  while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
  if (pos_ >= text_.size()) return Token{};
  const char c = text_[pos_];
  if (c == '"' || c == '\'') return ReadString(c);
  if (IsDigit(c)) return ReadNumber();
  if (IsLetter(c) || c == '_' || c == '.') return ReadIdentifier();
  return ReadOperator();
}

Token ExprLexer::ReadString(char quote) {
  const size_t open = pos_++;
  const size_t close = text_.find(quote, pos_);
  if (close == std::string_view::npos) {
    // The literal and everything after it are not part of the expression.
    ended_ = true;
    pos_ = open + 1;
    return Token{};
  }
  std::string_view body = text_.substr(open + 1, close - open - 1);
  pos_ = close + 1;
  // A literal that does not fit the shared literal space is cut at its end;
  // the zero that ends it always fits.
  const size_t room = kLiteralSpace - std::min(kLiteralSpace, literals_.size());
  if (room == 0) body = {};
  else if (body.size() + 1 > room) body = body.substr(0, room - 1);
  Token t;
  t.kind = Tok::kString;
  t.literal_offset = static_cast<uint32_t>(literals_.size());
  t.literal_length = static_cast<uint32_t>(body.size());
  literals_.append(body);
  literals_.push_back('\0');
  totals_.pool_size += static_cast<uint32_t>(body.size()) + 1;
  totals_.last_length = 0;
  totals_.last_decimals = kDefaultDecimals;
  return t;
}

Token ExprLexer::ReadNumber() {
  const size_t start = pos_;
  bool seen_point = false;
  while (pos_ < text_.size()) {
    const char c = text_[pos_];
    if (IsDigit(c) || c == 'E' || c == 'e') {
      ++pos_;
    } else if (c == '.' && !seen_point) {
      seen_point = true;
      ++pos_;
    } else {
      break;
    }
  }
  Token t;
  if (pos_ - start > kMaxNumberLength) {
    t.kind = Tok::kBad;
    return t;
  }
  t.kind = Tok::kNumber;
  t.number = ParseDecimal(text_.data() + start, pos_ - start);
  totals_.last_length = 0;
  totals_.last_decimals = kDefaultDecimals;
  return t;
}

Token ExprLexer::ReadIdentifier() {
  const size_t start = pos_;
  std::string name;
  size_t split = std::string::npos;  // where "->" stood
  while (pos_ < text_.size()) {
    const char c = text_[pos_];
    if (IsLetter(c) || IsDigit(c) || c == '_' || c == '.') {
      name.push_back(Fold(c));
      ++pos_;
    } else if (c == '-' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '>') {
      if (split == std::string::npos) split = name.size();
      else split = std::string::npos - 1;  // twice qualified: never a field
      name.push_back('.');
      pos_ += 2;
    } else {
      break;
    }
  }

  // (a) a field of the current or the aliased area, unless a call follows.
  WorkArea* area = area_;
  std::string_view field_name = name;
  bool qualified = split != std::string::npos;
  if (qualified) {
    area = split < name.size() ? FindAliasArea(std::string_view(name).substr(0, split)) : nullptr;
    field_name = area ? std::string_view(name).substr(split + 1) : std::string_view();
  }
  if (area != nullptr && !field_name.empty() && !NextNonBlankIsParen()) {
    const auto& fields = area->dbf.fields;
    for (size_t i = 0; i < fields.size(); ++i) {
      const char type = TokenTypeOf(fields[i].type);
      if (type == 0 || fields[i].name != field_name) continue;
      Token t;
      t.kind = Tok::kField;
      t.field_type = type;
      t.field_index = static_cast<int>(i);
      t.area = qualified ? area->number : 0;
      if (type == 'C') totals_.pool_size += fields[i].length + 1u;
      totals_.last_length = fields[i].length;
      totals_.last_decimals = totals_.last_decimals < 0 ? fields[i].decimals : kDefaultDecimals;
      return t;
    }
  }

  // (b) a keyword: the whole identifier must match a listed spelling.
  Token t;
  if (const Keyword* k = FindKeyword(name)) {
    t.kind = k->token;
    t.func = k->func;
    totals_.pool_size += k->reserve;
    totals_.last_length = 0;
    totals_.last_decimals = kDefaultDecimals;
    return t;
  }
  t.kind = Tok::kBad;  // unresolved
  // Named in the message as typed; a word that does not start like a name
  // (".5") is a plain syntax error.
  if (IsLetter(text_[start]) || text_[start] == '_') t.unknown = std::string(text_.substr(start, pos_ - start));
  t.called = NextNonBlankIsParen();
  return t;
}

Token ExprLexer::ReadOperator() {
  const char c = text_[pos_++];
  const char n = pos_ < text_.size() ? text_[pos_] : '\0';
  Token t;
  auto pair = [&](Tok kind) {
    ++pos_;
    t.kind = kind;
    return t;
  };
  switch (c) {
    case '+': t.kind = Tok::kPlus; break;
    case '-': t.kind = Tok::kMinus; break;
    case '*':
      if (n == '*') return pair(Tok::kPower);
      t.kind = Tok::kStar;
      break;
    case '^': t.kind = Tok::kPower; break;
    case '/': t.kind = Tok::kSlash; break;
    case '=':
      if (n == '=') return pair(Tok::kExactEq);
      t.kind = Tok::kEq;
      break;
    case '<':
      if (n == '=') return pair(Tok::kLe);
      if (n == '>') return pair(Tok::kNe);
      t.kind = Tok::kLt;
      break;
    case '>':
      if (n == '=') return pair(Tok::kGe);
      t.kind = Tok::kGt;
      break;
    case '#': t.kind = Tok::kNe; break;
    case '$': t.kind = Tok::kDollar; break;
    case '(': t.kind = Tok::kLParen; break;
    case ')': t.kind = Tok::kRParen; break;
    case ',': t.kind = Tok::kComma; break;
    default: t.kind = Tok::kBad; break;
  }
  return t;
}

bool ExprLexer::NextNonBlankIsParen() const {
  size_t i = pos_;
  while (i < text_.size() && (text_[i] == ' ' || text_[i] == '\t')) ++i;
  return i < text_.size() && text_[i] == '(';
}

}  // namespace xb
