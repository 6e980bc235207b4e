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
// Reads the settings of the current process locale: the locale named by
// LC_ALL, else LC_TIME, else LANG; "C", "POSIX" and unknown locales give the
// defaults above.
RegionalSettings ReadLocaleSettings();

// The pure parts of ReadLocaleSettings, for tests that cannot rely on
// installed locales.
// A strftime date format ("%d.%m.%Y") as a Windows short date picture
// ("dd.MM.yyyy") with its separator ('.'); false when it holds no date field.
bool DatePictureFromStrftime(const std::string& d_fmt, std::string& picture, char& separator);
// Settings from a locale's name ("de_DE.UTF-8"), D_FMT, RADIXCHAR and
// THOUSEP (both as the locale's UTF-8 text).
RegionalSettings SettingsFromLocaleInfo(const std::string& locale_name, const std::string& d_fmt,
                                        const std::string& radix, const std::string& thousands);

}  // namespace platform
