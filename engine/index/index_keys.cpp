#include "engine/index/index_keys.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/index/expr.h"
#include "engine/table/work_area.h"
#include "platform/codepage.h"

namespace xb {
namespace {

bool IsWordChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  // '.' covers .AND., .T. and decimal points; bytes above 127 are letters
  // in Windows-1252.
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
         c == '.' || u >= 0x80;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trimmed(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

}  // namespace

std::string NormaliseExpression(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '"' || c == '\'') {
      const size_t close = text.find(c, i + 1);
      if (close == std::string_view::npos) {  // unterminated: leave it to the compiler
        out.append(text.substr(i));
        break;
      }
      const std::string_view inner = text.substr(i + 1, close - i - 1);
      const char quote = inner.find('"') == std::string_view::npos ? '"' : c;
      out += quote;
      out.append(inner);
      out += quote;
      i = close + 1;
      continue;
    }
    if (IsBlank(c)) {
      size_t j = i;
      while (j < text.size() && IsBlank(text[j])) ++j;
      if (!out.empty() && j < text.size() && IsWordChar(out.back()) && IsWordChar(text[j]))
        out += ' ';
      i = j;
      continue;
    }
    out += static_cast<char>(platform::AnsiUpper(static_cast<uint8_t>(c)));
    ++i;
  }
  return out;
}

Status CompileTagExpressions(IndexTag& tag, WorkArea& area, const std::string& key_text,
                             const std::string& for_text) {
  const std::string key = NormaliseExpression(Trimmed(key_text));
  if (key.empty()) return Status(222, "empty key expression");
  tag.key_expr = AssignExprFor(key, &area);
  if (tag.key_expr == nullptr) return Status(222, "key expression does not compile: " + key_text);
  switch (tag.key_expr->type()) {
    case 'C': tag.order.type = KeyType::kChar; break;
    case 'N':
    case 'F': tag.order.type = KeyType::kNumeric; break;
    case 'D': tag.order.type = KeyType::kDate; break;
    default: return Status(222, "key expression is not of type C, N or D: " + key_text);
  }
  tag.decimals = tag.key_expr->decimals();
  const std::string cond = NormaliseExpression(Trimmed(for_text));
  if (!cond.empty()) {
    tag.for_expr = AssignExprFor(cond, &area);
    if (tag.for_expr == nullptr) return Status(222, "FOR condition does not compile: " + for_text);
  }
  return Status::OK();
}

int MakeKey(IndexTag& tag, WorkArea& area, uint8_t* out) {
  const ExprResult* r = EvaluateFor(tag.key_expr.get(), &area);
  const int length = tag.key_length;
  switch (tag.order.type) {
    case KeyType::kChar: {
      const size_t n = r == nullptr ? 0 : r->text.size();
      const size_t used = std::min<size_t>(n, static_cast<size_t>(length));
      if (used > 0) std::memcpy(out, r->text.data(), used);
      std::memset(out + used, ' ', static_cast<size_t>(length) - used);
      out[length] = 0;
      if (area.dbf.oem) platform::CharToOem(std::span<uint8_t>(out, static_cast<size_t>(length)));
      return static_cast<int>(n);
    }
    case KeyType::kNumeric: {
      const NumericKey k = EncodeNumber(r == nullptr ? 0 : r->number, tag.decimals);
      std::memcpy(out, k.data(), k.size());
      return length;
    }
    case KeyType::kDate: {
      const auto k = EncodeDate(r == nullptr ? 1e100 : r->number);
      std::memcpy(out, k.data(), k.size());
      return length;
    }
  }
  return length;
}

bool ForPasses(IndexTag& tag, WorkArea& area) {
  if (tag.for_expr == nullptr) return true;
  const ExprResult* r = EvaluateFor(tag.for_expr.get(), &area);
  return r != nullptr && r->logical;
}

void BlankKey(const IndexTag& tag, uint8_t* out) {
  std::memset(out, tag.is_char() ? ' ' : 0, static_cast<size_t>(tag.key_length));
  out[tag.key_length] = 0;
}

int KeyLengthOf(IndexTag& tag, WorkArea& area) {
  switch (tag.order.type) {
    case KeyType::kNumeric: return 12;
    case KeyType::kDate: return 8;
    case KeyType::kChar: break;
  }
  const ExprResult* r = EvaluateFor(tag.key_expr.get(), &area);
  return r == nullptr ? -1 : static_cast<int>(r->text.size());
}

std::string KeyText(const IndexTag& tag, const uint8_t* key) {
  switch (tag.order.type) {
    case KeyType::kChar: {
      std::string s(reinterpret_cast<const char*>(key), static_cast<size_t>(tag.key_length));
      while (!s.empty() && s.back() == ' ') s.pop_back();
      return s;
    }
    case KeyType::kNumeric: {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.*f", std::clamp(tag.decimals, 0, 15), DecodeNumericKey(key));
      return buf;
    }
    case KeyType::kDate: {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.0f", DecodeDate(key));
      return buf;
    }
  }
  return {};
}

}  // namespace xb
