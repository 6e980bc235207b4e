#include "engine/table/swap_values.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "engine/table/scatter_gather.h"
#include "engine/table/work_area.h"

namespace xb {
namespace {

const FieldDesc* FieldOf(const WorkArea& area, int field) {
  if (area.swap == nullptr || field < 1 || field > static_cast<int>(area.dbf.fields.size()))
    return nullptr;
  return &area.dbf.fields[field - 1];
}

uint8_t* At(const WorkArea& area, int field) { return area.swap + area.swap_offsets[field - 1]; }

template <typename T>
T Load(const uint8_t* at) {
  T v;
  std::memcpy(&v, at, sizeof v);
  return v;
}
template <typename T>
void Store(uint8_t* at, T v) {
  std::memcpy(at, &v, sizeof v);
}

bool IsNumber(const FieldDesc& f) { return f.type == 'N' || f.type == 'F'; }

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  return s;
}

}  // namespace

std::string GetSwapText(const WorkArea& area, int field) {
  const FieldDesc* f = FieldOf(area, field);
  if (f == nullptr) return "";
  const uint8_t* at = At(area, field);
  switch (f->type) {
    case 'C':
    case 'D': {
      const size_t max = f->type == 'C' ? f->length : f->length + 2u;
      return std::string(reinterpret_cast<const char*>(at + 1), std::min<size_t>(at[0], max));
    }
    case 'N':
    case 'F':
      return f->decimals > 0 ? std::string(Trimmed(StoredNumber(Load<double>(at), f->length, f->decimals)))
                             : std::to_string(Load<int32_t>(at));
    case 'L': return at[0] ? "T" : "F";
    case 'M': return std::to_string(Load<int32_t>(at));
    default: return "";
  }
}

bool PutSwapText(WorkArea& area, int field, std::string_view text) {
  const FieldDesc* f = FieldOf(area, field);
  if (f == nullptr) return false;
  uint8_t* at = At(area, field);
  switch (f->type) {
    case 'C':
    case 'D': {
      const size_t max = f->type == 'C' ? f->length : f->length + 2u;
      const size_t n = std::min(text.size(), max);
      at[0] = static_cast<uint8_t>(n);
      std::memcpy(at + 1, text.data(), n);
      return true;
    }
    case 'N':
    case 'F': {
      const std::string_view t = Trimmed(text);
      double v = 0;
      std::from_chars(t.data(), t.data() + t.size(), v);
      return PutSwapDouble(area, field, v);
    }
    case 'L': {
      const std::string_view t = Trimmed(text);
      return PutSwapBool(area, field, !t.empty() && std::strchr("TtYy", t[0]) != nullptr);
    }
    case 'M': {
      const std::string_view t = Trimmed(text);
      int32_t v = 0;
      std::from_chars(t.data(), t.data() + t.size(), v);
      return PutSwapMemoBlock(area, field, v);
    }
    default: return false;
  }
}

int32_t GetSwapInt(const WorkArea& area, int field) {
  const FieldDesc* f = FieldOf(area, field);
  if (f == nullptr || !IsNumber(*f)) return 0;
  if (f->decimals == 0) return Load<int32_t>(At(area, field));
  const double v = Load<double>(At(area, field));
  return std::isfinite(v) ? static_cast<int32_t>(std::clamp<double>(std::llround(v), INT32_MIN, INT32_MAX)) : 0;
}

bool PutSwapInt(WorkArea& area, int field, int32_t value) {
  const FieldDesc* f = FieldOf(area, field);
  if (f == nullptr || !IsNumber(*f)) return false;
  if (f->decimals == 0)
    Store(At(area, field), value);
  else
    Store(At(area, field), static_cast<double>(value));
  return true;
}

double GetSwapDouble(const WorkArea& area, int field) {
  const FieldDesc* f = FieldOf(area, field);
  if (f == nullptr || !IsNumber(*f)) return 0;
  return f->decimals == 0 ? Load<int32_t>(At(area, field)) : Load<double>(At(area, field));
}

bool PutSwapDouble(WorkArea& area, int field, double value) {
  const FieldDesc* f = FieldOf(area, field);
  if (f == nullptr || !IsNumber(*f)) return false;
  if (f->decimals > 0) {
    Store(At(area, field), value);
    return true;
  }
  // A whole-number field is held in 32 bits here; a value beyond that is
  // refused rather than stored as a different number.
  if (!std::isfinite(value)) return false;
  const double rounded = std::round(value);
  if (rounded < INT32_MIN || rounded > INT32_MAX) return false;
  Store(At(area, field), static_cast<int32_t>(rounded));
  return true;
}

bool GetSwapBool(const WorkArea& area, int field) {
  const FieldDesc* f = FieldOf(area, field);
  return f != nullptr && f->type == 'L' && At(area, field)[0] != 0;
}

bool PutSwapBool(WorkArea& area, int field, bool value) {
  const FieldDesc* f = FieldOf(area, field);
  if (f == nullptr || f->type != 'L') return false;
  At(area, field)[0] = value ? 1 : 0;
  return true;
}

int32_t GetSwapMemoBlock(const WorkArea& area, int field) {
  const FieldDesc* f = FieldOf(area, field);
  return f == nullptr || f->type != 'M' ? 0 : Load<int32_t>(At(area, field));
}

bool PutSwapMemoBlock(WorkArea& area, int field, int32_t block) {
  const FieldDesc* f = FieldOf(area, field);
  if (f == nullptr || f->type != 'M') return false;
  Store(At(area, field), block);
  return true;
}

bool GetSwapDeleted(const WorkArea& area) { return area.swap != nullptr && area.swap[0] != 0; }

void PutSwapDeleted(WorkArea& area, bool deleted) {
  if (area.swap != nullptr) area.swap[0] = deleted ? 1 : 0;
}

}  // namespace xb
