// Regional settings read from the process locale through newlocale and
// nl_langinfo_l, converted to the Windows-style values the engine expects.
#include "platform/regional.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <optional>

namespace platform {
namespace {

std::optional<RegionalSettings> explicit_settings;
std::optional<RegionalSettings> locale_settings;

const char* LocaleNameFromEnvironment() {
  for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return value;
  }
  return "C";
}

// One separator byte from the locale's UTF-8 text: ASCII as it is, the
// no-break and thin spaces some locales group digits with as a plain space,
// anything else (or nothing) as `fallback`.
char SeparatorByte(const std::string& text, char fallback) {
  if (text.size() == 1 && static_cast<unsigned char>(text[0]) < 0x80) return text[0];
  for (const char* space : {"\xC2\xA0", "\xE2\x80\xAF", "\xE2\x80\x89"})
    if (text == space) return ' ';
  return fallback;
}

}  // namespace

bool DatePictureFromStrftime(const std::string& d_fmt, std::string& picture, char& separator) {
  std::string out;
  char sep = 0;
  bool has_field = false;
  for (size_t i = 0; i < d_fmt.size(); ++i) {
    char c = d_fmt[i];
    if (c != '%') {
      if (sep == 0 && has_field && c != ' ') sep = c;
      out += c;
      continue;
    }
    if (++i >= d_fmt.size()) break;
    bool no_pad = false;
    while (i < d_fmt.size() && (d_fmt[i] == '-' || d_fmt[i] == '_' || d_fmt[i] == '0' ||
                                d_fmt[i] == 'E' || d_fmt[i] == 'O')) {
      if (d_fmt[i] == '-') no_pad = true;
      ++i;
    }
    if (i >= d_fmt.size()) break;
    std::string field;
    switch (d_fmt[i]) {
      case 'd':
        field = no_pad ? "d" : "dd";
        break;
      case 'e':
        field = "d";
        break;
      case 'm':
        field = no_pad ? "M" : "MM";
        break;
      case 'b':
      case 'h':
        field = "MMM";
        break;
      case 'B':
        field = "MMMM";
        break;
      case 'Y':
        field = "yyyy";
        break;
      case 'y':
        field = "yy";
        break;
      case 'D':
        field = "MM/dd/yy";
        sep = sep ? sep : '/';
        break;
      case 'F':
        field = "yyyy-MM-dd";
        sep = sep ? sep : '-';
        break;
      case '%':
        out += '%';
        continue;
      default:
        continue;  // weekday names and the like have no place in a short date
    }
    has_field = true;
    out += field;
  }
  if (!has_field) return false;
  picture = out;
  separator = sep != 0 ? sep : '/';
  return true;
}

RegionalSettings SettingsFromLocaleInfo(const std::string& locale_name, const std::string& d_fmt,
                                        const std::string& radix, const std::string& thousands) {
  RegionalSettings s;
  std::string name = locale_name.substr(0, locale_name.find_first_of(".@"));
  if (name.empty() || name == "C" || name == "POSIX") return s;
  size_t underscore = name.find('_');
  s.language = name.substr(0, underscore);
  s.territory = underscore == std::string::npos ? "" : name.substr(underscore + 1);
  DatePictureFromStrftime(d_fmt, s.short_date_format, s.date_separator);
  s.decimal_separator = SeparatorByte(radix, '.');
  s.thousands_separator = SeparatorByte(thousands, s.decimal_separator == ',' ? '.' : ',');
  if (s.thousands_separator == s.decimal_separator)
    s.thousands_separator = s.decimal_separator == ',' ? '.' : ',';
  return s;
}

RegionalSettings ReadLocaleSettings() {
  const char* name = LocaleNameFromEnvironment();
  locale_t loc = newlocale(LC_ALL_MASK, name, static_cast<locale_t>(0));
  if (loc == static_cast<locale_t>(0)) return RegionalSettings{};
  RegionalSettings s = SettingsFromLocaleInfo(
      name, nl_langinfo_l(D_FMT, loc), nl_langinfo_l(RADIXCHAR, loc), nl_langinfo_l(THOUSEP, loc));
  freelocale(loc);
  return s;
}

const RegionalSettings& Regional() {
  if (explicit_settings) return *explicit_settings;
  if (!locale_settings) locale_settings = ReadLocaleSettings();
  return *locale_settings;
}

void SetRegional(const RegionalSettings& settings) { explicit_settings = settings; }

void ResetRegional() {
  explicit_settings.reset();
  locale_settings.reset();
}

}  // namespace platform
