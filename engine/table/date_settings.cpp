#include "engine/table/date_settings.h"

#include <cctype>

#include "platform/clock.h"

namespace xb {
namespace {

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

DateSettings FromPlatform() {
  const platform::RegionalSettings& regional = platform::Regional();
  DateSettings s;
  s.language_code = LanguageCodeFor(regional.language, regional.territory);
  s.date_format = s.language_code;
  s.century = false;
  s.epoch_year = platform::Today().year - 70;
  s.decimal_separator = DecimalSeparatorFor(s.language_code);
  s.thousands_separator = ThousandsSeparatorFor(s.language_code);
  return s;
}

void StorePattern(DateSettings& s) {
  const std::string y = s.century ? "yyyy" : "yy";
  switch (s.date_format) {
    case 0:
      s.short_date_pattern = "MM/dd/" + y;
      break;
    case 1:
      s.short_date_pattern = y + ".MM.dd";
      break;
    case 2:
      s.short_date_pattern = "dd/MM/" + y;
      break;
    case 3:
      s.short_date_pattern = "dd-MM-" + y;
      break;
    default:
      s.short_date_pattern = "dd.MM." + y;
      break;
  }
  s.short_date_separator = DateSeparatorFor(s.date_format);
}

// Built on first use rather than at static initialisation, so that the
// platform's regional settings and clock exist when they are read.
DateSettings& Settings() {
  static DateSettings settings = [] {
    DateSettings s = FromPlatform();
    StorePattern(s);
    return s;
  }();
  return settings;
}

}  // namespace

DateSettings& CurrentDateSettings() { return Settings(); }

void ResetDateSettings() {
  Settings() = FromPlatform();
  StorePattern(Settings());
}

uint8_t LanguageCodeFor(std::string_view language, std::string_view territory) {
  if (SameLetters(language, "de")) return 5;
  if (SameLetters(language, "en")) return SameLetters(territory, "US") ? 0 : 2;
  if (SameLetters(language, "es")) return 6;
  if (SameLetters(language, "fr")) return SameLetters(territory, "CA") ? 7 : 4;
  if (SameLetters(language, "it")) return 3;
  if (SameLetters(language, "ru")) return 8;
  return 0;
}

char DecimalSeparatorFor(uint8_t language_code) {
  return language_code >= 3 && language_code <= 6 ? ',' : '.';
}

char ThousandsSeparatorFor(uint8_t language_code) {
  if (language_code >= 3 && language_code <= 6) return '.';
  return language_code == 8 ? ' ' : ',';
}

void ApplyRegionalDateSettings(const platform::RegionalSettings& regional) {
  DateSettings& s = Settings();
  s.decimal_separator = regional.decimal_separator;
  s.thousands_separator = regional.thousands_separator;

  std::string upper;
  for (char c : regional.short_date_format) {
    upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  s.century = upper.find("YYYY") != std::string::npos;

  int code = 0;
  if (!upper.empty() && upper[0] == 'D') {
    if (regional.date_separator == '-') {
      code = 3;
    } else if (regional.date_separator == '.') {
      code = 5;
    } else {
      code = 2;
    }
  } else if (!upper.empty() && upper[0] == 'Y') {
    code = 1;
  }
  SetDateFormat(code);
}

void SetDateFormat(int code) {
  DateSettings& s = Settings();
  s.date_format = static_cast<uint8_t>(code >= 0 && code <= 8 ? code : 0);
  StorePattern(s);
}

int DateFormatCode() {
  int code = Settings().date_format;
  return code <= 8 ? code : 0;
}

int YearWidth() { return Settings().century ? 4 : 2; }

char DateSeparatorFor(int code) {
  switch (code) {
    case 1:
      return '.';
    case 2:
      return '/';
    case 3:
      return '-';
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
      return '.';
    default:
      return '/';
  }
}

int Century(int yy) {
  const int epoch = Settings().epoch_year;
  return (epoch / 100 + (yy < epoch % 100 ? 1 : 0)) * 100;
}

std::string BlankDate(int code) {
  if (code < 0 || code > 8) code = 0;
  const char sep = DateSeparatorFor(code);
  const std::string year(YearWidth(), ' ');
  if (code == 1) return year + sep + "  " + sep + "  ";
  return std::string("  ") + sep + "  " + sep + year;
}

}  // namespace xb
