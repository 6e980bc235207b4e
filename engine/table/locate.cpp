#include "engine/table/locate.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "engine/table/error_state.h"
#include "engine/table/hooks.h"
#include "engine/table/dates.h"
#include "engine/table/julian.h"
#include "engine/table/date_settings.h"
#include "engine/table/navigation.h"
#include "engine/table/peek_poke.h"
#include "engine/table/scatter_gather.h"
#include "engine/table/strings.h"
#include "engine/table/use.h"
#include "engine/table/work_area.h"
#include "platform/codepage.h"

namespace xb {
namespace {

constexpr const char* kCommand = "Locate/Count/Sum";

std::string AsText(const LocateValue& value) {
  if (const auto* s = std::get_if<std::string>(&value)) return *s;
  if (const auto* b = std::get_if<bool>(&value)) return *b ? "T" : "F";
  if (const auto* i = std::get_if<int64_t>(&value)) return std::to_string(*i);
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, std::get<double>(value));
  return ec == std::errc() ? std::string(buf, end) : std::string();
}

double AsNumber(const LocateValue& value) {
  if (const auto* d = std::get_if<double>(&value)) return *d;
  if (const auto* i = std::get_if<int64_t>(&value)) return static_cast<double>(*i);
  if (const auto* b = std::get_if<bool>(&value)) return *b ? 1 : 0;
  // A text number may use the user's decimal separator.
  std::string text = TrimAll(std::get<std::string>(value));
  for (char& c : text)
    if (c == CurrentDateSettings().decimal_separator) c = '.';
  try {
    return std::stod(text);
  } catch (...) {
    return 0;
  }
}

bool AsLogical(const LocateValue& value) {
  if (const auto* b = std::get_if<bool>(&value)) return *b;
  if (const auto* s = std::get_if<std::string>(&value)) {
    const std::string t = TrimAll(*s);
    return !t.empty() && (t[0] == 'T' || t[0] == 't' || t[0] == 'Y' || t[0] == 'y');
  }
  return AsNumber(value) != 0;
}

// The value in the field's stored form, which is what a match compares.
// Numbers use "." as the decimal point because that is how the engine
// stores them.
std::string SearchText(const FieldDesc& f, const LocateValue& value, bool exact) {
  switch (f.type) {
    case 'D':
      if (std::holds_alternative<std::string>(value))
        return DateTextToDbf(std::get<std::string>(value));
      return JulianToDbf(AsNumber(value));
    case 'N':
    case 'F':
      if (f.decimals > 0) return StoredNumber(AsNumber(value), f.length, f.decimals);
      return StoredInteger(std::llround(AsNumber(value)), f.length);
    case 'L': return AsLogical(value) ? "T" : "F";
    case 'C': {
      std::string text = AsText(value);
      if (exact && text.size() < f.length) text.resize(f.length, ' ');
      return text;
    }
    default: return AsText(value);
  }
}

bool MemoMatches(WorkArea& area, const std::string& raw, const LocateMemory& m) {
  MemoHooks* memo = InstalledMemoHooks();
  const int64_t block = std::atoll(TrimAll(raw).c_str());
  if (memo == nullptr || block == 0) return false;
  std::unique_ptr<MemoLineSource> lines = memo->OpenLines(area, static_cast<int32_t>(block));
  if (lines == nullptr) return false;
  std::string line;
  while (lines->NextLine(line)) {
    if (m.caseless) line = platform::AnsiUpper(line);
    if (line.find(m.text) != std::string::npos) return true;
  }
  return false;
}

bool Matches(WorkArea& area, std::string raw, const LocateMemory& m) {
  const FieldDesc& f = area.dbf.fields[m.field - 1];
  if (f.type == 'M') return MemoMatches(area, raw, m);
  // Peek gives the file's bytes; compare them as the client sees text.
  if (area.dbf.oem && (f.type == 'C')) raw = platform::OemToChar(raw);
  if (!m.exact && !m.contained) raw = raw.substr(0, m.text.size());
  if (m.caseless) raw = platform::AnsiUpper(raw);
  if (m.contained) return raw.find(m.text) != std::string::npos;
  return raw == m.text;
}

void NoMatch(WorkArea& area) {
  GoBottomIn(area);
  if (area.dbf.record_count > 0 && !area.dbf.eof) SkipIn(area, 1);
  area.locate.field = 0;
}

// Searches from record `from` for the remembered field and text; the first
// visible match becomes current.
bool ScanFrom(WorkArea& area, int32_t from) {
  const int32_t count = RecCount();
  for (int32_t rec = from; rec <= count; ++rec) {
    Result<std::string> raw = PeekIn(area, area.locate.field, rec);
    if (!raw.ok()) {
      (void)Fail(raw.status());
      area.locate.field = 0;
      return false;
    }
    if (!Matches(area, std::move(*raw), area.locate)) continue;
    Go(rec);
    if (area.dbf.eof) return false;
    if (IsVisibleIn(area)) return true;
  }
  NoMatch(area);
  return false;
}

bool SearchField(WorkArea& area, const std::string& name_text, const LocateValue& value,
                 const LocateOptions& options) {
  std::string name = TrimAll(name_text);
  name = name.substr(0, name.find(' '));
  if (name.empty()) {
    SetError(220, std::string("No field name specified [") + kCommand + "]");
    return false;
  }
  name = platform::AnsiUpper(name);
  int field = 0;
  for (size_t i = 0; i < area.dbf.fields.size(); ++i)
    if (area.dbf.fields[i].name == name) field = static_cast<int>(i + 1);
  if (field == 0) {
    SetError(220, std::string("Unrecognized field name [") + kCommand + "(" + name + ")]");
    return false;
  }
  LocateMemory m;
  m.field = field;
  m.text = SearchText(area.dbf.fields[field - 1], value, options.exact);
  if (!options.exact) {
    while (!m.text.empty() && m.text.back() == ' ') m.text.pop_back();
  }
  if (options.caseless) m.text = platform::AnsiUpper(m.text);
  m.caseless = options.caseless;
  m.exact = options.exact;
  m.contained = options.contained;
  area.locate = m;
  return ScanFrom(area, 1);
}

}  // namespace

bool Locate(const std::string& field_names, const std::vector<LocateValue>& values,
            bool caseless, bool exact, bool move_to) {
  return Locate(field_names, values, LocateOptions{caseless, exact, false}, move_to);
}

bool Locate(const std::string& field_names, const std::vector<LocateValue>& values,
            const LocateOptions& options, bool move_to) {
  WorkArea* area = RequireArea(kCommand);
  if (area == nullptr) return false;
  const int32_t remembered = area->dbf.current_record;
  bool found = false;
  size_t start = 0;
  for (size_t i = 0; !found; ++i) {
    const size_t end = field_names.find(';', start);
    const std::string name = field_names.substr(start, end == std::string::npos ? end : end - start);
    if (values.empty()) break;
    found = SearchField(*area, name, values[std::min(i, values.size() - 1)], options);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  if (!(move_to && found)) GoIfValid(remembered);
  return found;
}

bool Continue() {
  WorkArea* area = RequireArea("Continue");
  if (area == nullptr) return false;
  if (area->locate.field == 0) {
    SetError(220, "Call to CONTINUE not preceeded by call to LOCATE. [Continue]");
    return false;
  }
  return ScanFrom(*area, area->dbf.current_record + 1);
}

}  // namespace xb
