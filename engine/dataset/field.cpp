#include "engine/dataset/field.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/dataset/dataset_base.h"
#include "engine/table/date_settings.h"

namespace xb {
namespace {

std::string Trimmed(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

bool ParseInt(const std::string& text, int32_t& out) {
  const std::string t = Trimmed(text);
  if (t.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(t.c_str(), &end, 10);
  if (*end != '\0' || errno != 0 || v < INT32_MIN || v > INT32_MAX) return false;
  out = static_cast<int32_t>(v);
  return true;
}

// Reads a number written with the engine's decimal separator.
bool ParseFloat(const std::string& text, double& out) {
  std::string t = Trimmed(text);
  if (t.empty()) return false;
  const char sep = CurrentDateSettings().decimal_separator;
  for (char& c : t) {
    if (c == sep) c = '.';
    else if (c == '.' && sep != '.') return false;
  }
  char* end = nullptr;
  out = std::strtod(t.c_str(), &end);
  return *end == '\0' && std::isfinite(out);
}

std::string FloatText(double value, int precision) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*g", precision, value);
  std::string s = buf;
  const char sep = CurrentDateSettings().decimal_separator;
  for (char& c : s)
    if (c == '.') c = sep;
  return s;
}

}  // namespace

void TField::SetSize(int size) { size_ = size; }

void TField::AccessError(const char* type_name) const {
  throw EDatabaseError("Cannot access field '" + DisplayName() + "' as type " + type_name);
}

bool TField::GetData(void* buffer) const {
  if (dataset_ == nullptr) return false;
  return dataset_->GetFieldData(this, buffer);
}

void TField::SetData(const void* buffer) {
  if (dataset_ == nullptr) throw EDatabaseError("Field '" + DisplayName() + "' has no dataset");
  dataset_->SetFieldData(this, buffer);
}

bool TField::IsNull() const {
  std::vector<uint8_t> data(static_cast<size_t>(DataSize()) + 8, 0);
  return !GetData(data.data());
}

void TField::Validate(const void*) {
  if (OnValidate) OnValidate(*this);
}

int32_t TField::AsInteger() const { AccessError("Integer"); }
void TField::SetAsInteger(int32_t) { AccessError("Integer"); }
double TField::AsFloat() const { AccessError("Float"); }
void TField::SetAsFloat(double) { AccessError("Float"); }
bool TField::AsBoolean() const { AccessError("Boolean"); }
void TField::SetAsBoolean(bool) { AccessError("Boolean"); }
TDateTime TField::AsDateTime() const { AccessError("DateTime"); }
void TField::SetAsDateTime(TDateTime) { AccessError("DateTime"); }

// ---- TStringField ----

void TStringField::SetSize(int size) {
  if (size < 1 || size > 8192) throw EDatabaseError("Invalid field size");
  TField::SetSize(size);
}

std::string TStringField::AsString() const {
  std::vector<char> data(static_cast<size_t>(DataSize()) + 1, 0);
  if (!GetData(data.data())) return "";
  return std::string(data.data(), strnlen(data.data(), data.size()));
}

void TStringField::SetAsString(const std::string& value) {
  std::vector<char> data(static_cast<size_t>(DataSize()), 0);
  std::memcpy(data.data(), value.data(), std::min<size_t>(value.size(), static_cast<size_t>(Size())));
  SetData(data.data());
}

int32_t TStringField::AsInteger() const {
  int32_t v = 0;
  const std::string s = AsString();
  if (!ParseInt(s, v)) throw EConvertError("'" + s + "' is not a valid integer value");
  return v;
}

double TStringField::AsFloat() const {
  double v = 0;
  const std::string s = AsString();
  if (!ParseFloat(s, v)) throw EConvertError("'" + s + "' is not a valid floating point value");
  return v;
}

void TStringField::SetAsFloat(double value) { SetAsString(FloatText(value, 15)); }

bool TStringField::AsBoolean() const {
  const std::string s = Trimmed(AsString());
  return !s.empty() && (s[0] == 'T' || s[0] == 't' || s[0] == 'Y' || s[0] == 'y');
}

// ---- TIntegerField ----

std::string TIntegerField::AsString() const {
  int32_t v = 0;
  return GetData(&v) ? std::to_string(v) : std::string();
}

void TIntegerField::SetAsString(const std::string& value) {
  if (Trimmed(value).empty()) return Clear();
  int32_t v = 0;
  if (!ParseInt(value, v)) throw EConvertError("'" + value + "' is not a valid integer value");
  SetAsInteger(v);
}

int32_t TIntegerField::AsInteger() const {
  int32_t v = 0;
  return GetData(&v) ? v : 0;
}

void TIntegerField::SetAsInteger(int32_t value) { SetData(&value); }

void TIntegerField::SetAsFloat(double value) {
  const double r = std::nearbyint(value);
  if (!(r >= INT32_MIN && r <= INT32_MAX)) throw EConvertError("'" + FloatText(value, 15) + "' is not a valid integer value");
  SetAsInteger(static_cast<int32_t>(r));
}

// ---- TFloatField ----

std::string TFloatField::AsString() const {
  double v = 0;
  return GetData(&v) ? FloatText(v, precision_) : std::string();
}

void TFloatField::SetAsString(const std::string& value) {
  if (Trimmed(value).empty()) return Clear();
  double v = 0;
  if (!ParseFloat(value, v)) throw EConvertError("'" + value + "' is not a valid floating point value");
  SetAsFloat(v);
}

int32_t TFloatField::AsInteger() const {
  const double r = std::nearbyint(AsFloat());
  if (!(r >= INT32_MIN && r <= INT32_MAX)) throw EConvertError("'" + AsString() + "' is not a valid integer value");
  return static_cast<int32_t>(r);
}

double TFloatField::AsFloat() const {
  double v = 0;
  return GetData(&v) ? v : 0.0;
}

void TFloatField::SetAsFloat(double value) { SetData(&value); }

// ---- TBooleanField ----

std::string TBooleanField::AsString() const {
  uint16_t v = 0;
  if (!GetData(&v)) return "";
  return v != 0 ? "True" : "False";
}

void TBooleanField::SetAsString(const std::string& value) {
  const std::string t = Trimmed(value);
  if (t.empty()) return Clear();
  std::string up;
  for (char c : t) up += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (std::string("TRUE").starts_with(up) || up == "Y" || up == "YES") return SetAsBoolean(true);
  if (std::string("FALSE").starts_with(up) || up == "N" || up == "NO") return SetAsBoolean(false);
  throw EConvertError("'" + value + "' is not a valid boolean value");
}

bool TBooleanField::AsBoolean() const {
  uint16_t v = 0;
  return GetData(&v) && v != 0;
}

void TBooleanField::SetAsBoolean(bool value) {
  const uint16_t v = value ? 1 : 0;
  SetData(&v);
}

// ---- TDateField ----

std::string TDateField::AsString() const {
  int32_t stamp = 0;
  if (!GetData(&stamp)) return "";
  return DateToShortText(static_cast<TDateTime>(stamp - kDateDelta));
}

void TDateField::SetAsString(const std::string& value) {
  if (Trimmed(value).empty()) return Clear();
  SetAsDateTime(ShortTextToDate(value));
}

TDateTime TDateField::AsDateTime() const {
  int32_t stamp = 0;
  return GetData(&stamp) ? static_cast<TDateTime>(stamp - kDateDelta) : 0.0;
}

void TDateField::SetAsDateTime(TDateTime value) {
  const int32_t stamp = static_cast<int32_t>(std::floor(value)) + kDateDelta;
  SetData(&stamp);
}

// ---- TMemoField ----

std::string TMemoField::AsString() const {
  if (DataSet() == nullptr) return "";
  std::unique_ptr<TStream> stream = DataSet()->CreateBlobStream(const_cast<TMemoField*>(this), TBlobStreamMode::bmRead);
  return stream == nullptr ? std::string() : stream->ReadAll();
}

void TMemoField::SetAsString(const std::string& value) {
  TMemoryStream source(value);
  LoadFromStream(source);
}

void TMemoField::LoadFromStream(TStream& source) {
  if (DataSet() == nullptr) throw EDatabaseError("Field '" + DisplayName() + "' has no dataset");
  std::unique_ptr<TStream> target = DataSet()->CreateBlobStream(this, TBlobStreamMode::bmWrite);
  if (target != nullptr) target->CopyFrom(source);
}

void TMemoField::SaveToStream(TStream& target) const {
  TMemoryStream text(AsString());
  target.CopyFrom(text);
}

std::unique_ptr<TField> CreateStandardField(TFieldType type) {
  switch (type) {
    case TFieldType::ftString: return std::make_unique<TStringField>();
    case TFieldType::ftInteger: return std::make_unique<TIntegerField>();
    case TFieldType::ftFloat: return std::make_unique<TFloatField>();
    case TFieldType::ftBoolean: return std::make_unique<TBooleanField>();
    case TFieldType::ftDate: return std::make_unique<TDateField>();
    case TFieldType::ftMemo: return std::make_unique<TMemoField>();
    case TFieldType::ftUnknown: break;
  }
  return nullptr;
}

}  // namespace xb
