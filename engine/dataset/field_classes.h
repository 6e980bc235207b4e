#pragma once
// The table component's own field classes. Numeric fields take their size
// from the table field's length (0 to 20), which the framework's classes
// have no use for; date fields read and write the engine's date text,
// whose blank form ("  /  /  ") is a null value rather than a bad date.
#include <string>

#include "engine/dataset/field.h"

namespace xb {

class TXbIntegerField : public TIntegerField {
 public:
  // Throws EDatabaseError outside 0..20.
  void SetSize(int size) override;
};

class TXbFloatField : public TFloatField {
 public:
  void SetSize(int size) override;
};

class TXbDateField : public TDateField {
 public:
  // The framework's text cut to 10 characters, in the engine's normal form
  // when IsValidDate accepts it.
  std::string DisplayText() const override;
  std::string AsString() const override { return DisplayText(); }
  // The blank engine date text (trimmed) clears the field; any other text
  // is read as a date: in the engine's form when IsValidDate accepts it
  // (a two-digit year gets its century), otherwise by the short date
  // parser, which throws EConvertError for a text that is no date.
  void SetAsString(const std::string& value) override;
};

// A date value of engine date text as BufferFromEngine reads it: 0 for a
// blank or invalid text.
double EngineDateTextToValue(std::string text);

}  // namespace xb
