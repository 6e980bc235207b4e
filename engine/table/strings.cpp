#include "engine/table/strings.h"

#include "platform/codepage.h"

namespace xb {
namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) < 33; }

bool ContinuesWord(char c) {
  auto b = static_cast<uint8_t>(c);
  return (c >= '0' && c <= '9') || c == '\\' || c == '_' || platform::AnsiIsAlpha(b);
}

}  // namespace

std::string TrimAll(std::string_view text) { return TrimLeft(TrimRight(text)); }

std::string TrimRight(std::string_view text) {
  size_t end = text.size();
  while (end > 0 && IsBlank(text[end - 1])) --end;
  return std::string(text.substr(0, end));
}

std::string TrimLeft(std::string_view text) {
  size_t begin = 0;
  while (begin < text.size() && IsBlank(text[begin])) ++begin;
  return std::string(text.substr(begin));
}

std::string Upper(std::string_view text) { return platform::AnsiUpper(text); }

bool IsAlpha(std::string_view text) {
  return !text.empty() && platform::AnsiIsAlpha(static_cast<uint8_t>(text[0]));
}

int CountOf(std::string_view sub, std::string_view text) {
  if (sub.empty()) return 0;
  int count = 0;
  for (size_t at = text.find(sub); at != std::string_view::npos;
       at = text.find(sub, at + sub.size()))
    ++count;
  return count;
}

std::string Replicate(char ch, int count) {
  return count > 0 ? std::string(static_cast<size_t>(count), ch) : "";
}

bool RemoveWord(std::string_view word, std::string& text) {
  text = Upper(text);
  const std::string key = Upper(word);
  if (key.empty()) {
    text = TrimAll(text);
    return false;
  }
  bool found = false;
  size_t from = 0;
  for (size_t at = text.find(key, from); at != std::string::npos; at = text.find(key, from)) {
    size_t after = at + key.size();
    if (after < text.size() && ContinuesWord(text[after])) {
      from = after;  // part of a longer word: look further on
      continue;
    }
    text.erase(at, key.size());
    found = true;
    from = at;
  }
  text = TrimAll(text);
  return found;
}

std::string ToOem(std::string_view text) { return platform::CharToOem(text); }
std::string ToAnsi(std::string_view text) { return platform::OemToChar(text); }

}  // namespace xb
