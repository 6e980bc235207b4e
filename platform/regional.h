#pragma once
// The user's regional settings the engine reads at start-up: language, short
// date format, date separator, decimal and thousands separators. They come
// from the process locale (LC_TIME, LC_NUMERIC, LANG); tests set them
// explicitly with SetRegional.
#include <string>

namespace platform {

struct RegionalSettings {
  // ISO 639 language and ISO 3166 territory, e.g. "en" and "US".
  std::string language = "en";
  std::string territory = "US";
  // Windows-style short date picture: "M/d/yyyy", "dd.MM.yyyy", "yyyy-MM-dd".
  std::string short_date_format = "M/d/yyyy";
  char date_separator = '/';
  char decimal_separator = '.';
  char thousands_separator = ',';
};

// The settings in force: those of the locale, until SetRegional replaces them.
const RegionalSettings& Regional();
void SetRegional(const RegionalSettings& settings);
// Forgets SetRegional; the locale's settings are read again.
void ResetRegional();
// Reads the settings of the current process locale.
RegionalSettings ReadLocaleSettings();

}  // namespace platform
