#include "engine/dataset/field_classes.h"

#include "engine/table/dates.h"
#include "engine/table/strings.h"

namespace xb {

void TXbIntegerField::SetSize(int size) {
  if (size < 0 || size > 20) throw EDatabaseError("Invalid field size");
  TField::SetSize(size);
}

void TXbFloatField::SetSize(int size) {
  if (size < 0 || size > 20) throw EDatabaseError("Invalid field size");
  TField::SetSize(size);
}

double EngineDateTextToValue(std::string text) {
  if (text.size() > 10) text.resize(10);
  if (!IsValidDate(text) || text == BlankDate(DateFormatCode())) return 0.0;
  if (YearWidth() == 2 && text.size() == 8) {
    // The platform's conversion would pick its own century for a two-digit
    // year; the engine's epoch decides instead.
    const bool year_first = DateFormatCode() == 1;
    const std::string yy = year_first ? text.substr(0, 2) : text.substr(6, 2);
    const int century = Century(std::stoi(yy)) / 100;
    const std::string cc = std::to_string(century);
    text.insert(year_first ? 0 : 6, cc);
  }
  TDateTime value = 0;
  return TryShortTextToDate(text, value) ? value : 0.0;
}

std::string TXbDateField::DisplayText() const {
  std::string text = TDateField::AsString();
  if (text.size() > 10) text.resize(10);
  std::string normal = text;
  return IsValidDate(normal) ? normal : text;
}

void TXbDateField::SetAsString(const std::string& value) {
  if (TrimAll(value) == TrimAll(BlankDate(DateFormatCode()))) return Clear();
  std::string text = value;
  if (IsValidDate(text)) {
    const double v = EngineDateTextToValue(text);
    if (v != 0.0) return SetAsDateTime(v);
  }
  SetAsDateTime(ShortTextToDate(value));
}

}  // namespace xb
