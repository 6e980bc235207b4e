#include "engine/table/scatter_gather.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "engine/table/dates.h"
#include "engine/table/work_area.h"

namespace xb {
namespace {

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

template <typename T>
void Store(uint8_t* at, T value) {
  std::memcpy(at, &value, sizeof value);
}
template <typename T>
T Load(const uint8_t* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

std::string_view FieldText(const WorkArea& area, const FieldDesc& f) {
  return {reinterpret_cast<const char*>(area.dbf.record.data()) + f.offset, f.length};
}

void PutFieldText(WorkArea& area, const FieldDesc& f, std::string_view text) {
  char* out = reinterpret_cast<char*>(area.dbf.record.data()) + f.offset;
  const size_t n = std::min<size_t>(text.size(), f.length);
  std::memcpy(out, text.data(), n);
  std::memset(out + n, ' ', f.length - n);
}

double ParseDouble(std::string_view text) {
  text = Trimmed(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double v = 0;
  std::from_chars(text.data(), text.data() + text.size(), v);
  return v;
}

int64_t ParseInt64(std::string_view text) {
  text = Trimmed(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int64_t v = 0;
  std::from_chars(text.data(), text.data() + text.size(), v);
  return v;
}

int32_t ParseInt32(std::string_view text) {
  return static_cast<int32_t>(std::clamp<int64_t>(ParseInt64(text), INT32_MIN, INT32_MAX));
}

// A whole number wider than the 32 bits the SwapBuffer holds (another
// program wrote it) comes back from Scatter clamped. While the SwapBuffer
// still holds that clamp nobody changed the field, and the stored digits
// are kept rather than rewritten as a different number.
bool KeepsWideInteger(WorkArea& area, const FieldDesc& f, int32_t held) {
  const int64_t stored = ParseInt64(FieldText(area, f));
  return (stored > INT32_MAX || stored < INT32_MIN) && ParseInt32(FieldText(area, f)) == held;
}

}  // namespace

int SwapWidth(const FieldDesc& field) {
  switch (field.type) {
    case 'C': return field.length + 1;
    case 'D': return field.length + 3;
    case 'N':
    case 'F': return field.decimals > 0 ? 8 : 4;
    case 'M': return 4;
    case 'L': return 1;
    default: return 0;
  }
}

SwapLayout ComputeSwapLayout(const std::vector<FieldDesc>& fields) {
  SwapLayout layout;
  for (const FieldDesc& f : fields) {
    layout.offsets.push_back(static_cast<uint16_t>(layout.size));
    layout.size += static_cast<uint32_t>(SwapWidth(f));
  }
  return layout;
}

std::string StoredNumber(double value, int width, int decimals) {
  char buf[400];
  std::string text;
  if (std::isfinite(value) && std::fabs(value) < 1e300) {
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (ec == std::errc()) text.assign(buf, end);
  }
  if (text.empty() || text.size() > static_cast<size_t>(width)) return std::string(width, '*');
  return std::string(width - text.size(), ' ') + text;
}

std::string StoredInteger(int64_t value, int width) {
  std::string text = std::to_string(value);
  if (text.size() > static_cast<size_t>(width)) return std::string(width, '*');
  return std::string(width - text.size(), ' ') + text;
}

void Scatter(WorkArea& area) {
  uint8_t* swap = area.swap;
  swap[0] = area.dbf.record[0] == '*' ? 1 : 0;
  for (size_t i = 0; i < area.dbf.fields.size(); ++i) {
    const FieldDesc& f = area.dbf.fields[i];
    uint8_t* at = swap + area.swap_offsets[i];
    const std::string_view text = FieldText(area, f);
    switch (f.type) {
      case 'C':
        at[0] = f.length;
        std::memcpy(at + 1, text.data(), f.length);
        break;
      case 'D': {
        std::string date = DbfToDateText(text);
        date.resize(std::min<size_t>(date.size(), f.length + 2u));
        at[0] = static_cast<uint8_t>(date.size());
        std::memcpy(at + 1, date.data(), date.size());
        break;
      }
      case 'N':
      case 'F':
        if (f.decimals > 0)
          Store(at, ParseDouble(text));
        else
          Store(at, ParseInt32(text));
        break;
      case 'M': Store(at, ParseInt32(text)); break;
      case 'L': at[0] = (text[0] == 'T' || text[0] == 't' || text[0] == 'Y' || text[0] == 'y') ? 1 : 0; break;
      default: break;
    }
  }
}

void Gather(WorkArea& area) {
  const uint8_t* swap = area.swap;
  area.dbf.record[0] = swap[0] ? '*' : ' ';
  for (size_t i = 0; i < area.dbf.fields.size(); ++i) {
    const FieldDesc& f = area.dbf.fields[i];
    const uint8_t* at = swap + area.swap_offsets[i];
    switch (f.type) {
      case 'C': {
        const size_t n = std::min<size_t>(at[0], f.length);
        PutFieldText(area, f, {reinterpret_cast<const char*>(at + 1), n});
        break;
      }
      case 'D': {
        const size_t n = std::min<size_t>(at[0], f.length + 2u);
        PutFieldText(area, f, DateTextToDbf({reinterpret_cast<const char*>(at + 1), n}));
        break;
      }
      case 'N':
      case 'F':
        if (f.decimals > 0)
          PutFieldText(area, f, StoredNumber(Load<double>(at), f.length, f.decimals));
        else if (!KeepsWideInteger(area, f, Load<int32_t>(at)))
          PutFieldText(area, f, StoredInteger(Load<int32_t>(at), f.length));
        break;
      case 'M': PutFieldText(area, f, StoredInteger(Load<int32_t>(at), f.length)); break;
      case 'L': PutFieldText(area, f, at[0] ? "T" : "F"); break;
      default: break;
    }
  }
}

void BlankRecord(WorkArea& area) {
  std::fill(area.dbf.record.begin(), area.dbf.record.end(), ' ');
  Scatter(area);
}

}  // namespace xb
