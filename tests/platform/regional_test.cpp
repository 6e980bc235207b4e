// Regional settings from locale information, and the override for tests.
#include "platform/regional.h"

#include <gtest/gtest.h>

namespace {

struct PictureCase {
  const char* d_fmt;
  const char* picture;
  char separator;
};

TEST(RegionalTest, StrftimeDateFormatsBecomeWindowsPictures) {
  const PictureCase cases[] = {
      {"%m/%d/%Y", "MM/dd/yyyy", '/'}, {"%d.%m.%Y", "dd.MM.yyyy", '.'},
      {"%Y-%m-%d", "yyyy-MM-dd", '-'}, {"%d/%m/%y", "dd/MM/yy", '/'},
      {"%D", "MM/dd/yy", '/'},         {"%F", "yyyy-MM-dd", '-'},
      {"%-d.%-m.%Y", "d.M.yyyy", '.'}, {"%e.%m.%Y", "d.MM.yyyy", '.'},
      {"%Y/%m/%d", "yyyy/MM/dd", '/'},
  };
  for (const auto& c : cases) {
    std::string picture;
    char separator = 0;
    ASSERT_TRUE(platform::DatePictureFromStrftime(c.d_fmt, picture, separator)) << c.d_fmt;
    EXPECT_EQ(picture, c.picture) << c.d_fmt;
    EXPECT_EQ(separator, c.separator) << c.d_fmt;
  }
  std::string picture = "unchanged";
  char separator = 0;
  EXPECT_FALSE(platform::DatePictureFromStrftime("%A", picture, separator));
  EXPECT_EQ(picture, "unchanged");
}

TEST(RegionalTest, LocaleInformationBecomesSettings) {
  auto de = platform::SettingsFromLocaleInfo("de_DE.UTF-8", "%d.%m.%Y", ",", ".");
  EXPECT_EQ(de.language, "de");
  EXPECT_EQ(de.territory, "DE");
  EXPECT_EQ(de.short_date_format, "dd.MM.yyyy");
  EXPECT_EQ(de.date_separator, '.');
  EXPECT_EQ(de.decimal_separator, ',');
  EXPECT_EQ(de.thousands_separator, '.');

  auto fr = platform::SettingsFromLocaleInfo("fr_FR.UTF-8", "%d/%m/%Y", ",", "\xE2\x80\xAF");
  EXPECT_EQ(fr.thousands_separator, ' ') << "narrow no-break space";

  auto it = platform::SettingsFromLocaleInfo("it_IT", "%d/%m/%Y", ",", "");
  EXPECT_EQ(it.thousands_separator, '.') << "empty grouping next to a decimal comma";
  auto gb = platform::SettingsFromLocaleInfo("en_GB.UTF-8@euro", "%d/%m/%y", ".", "");
  EXPECT_EQ(gb.territory, "GB");
  EXPECT_EQ(gb.thousands_separator, ',');
}

TEST(RegionalTest, PlainCLocaleGivesUsDefaults) {
  for (const char* name : {"C", "POSIX", "C.UTF-8", ""}) {
    auto s = platform::SettingsFromLocaleInfo(name, "%m/%d/%y", ".", "");
    EXPECT_EQ(s.language, "en") << name;
    EXPECT_EQ(s.territory, "US") << name;
    EXPECT_EQ(s.short_date_format, "M/d/yyyy") << name;
    EXPECT_EQ(s.thousands_separator, ',') << name;
  }
}

TEST(RegionalTest, SetRegionalOverridesUntilReset) {
  platform::RegionalSettings custom;
  custom.language = "de";
  custom.decimal_separator = ',';
  platform::SetRegional(custom);
  EXPECT_EQ(platform::Regional().language, "de");
  EXPECT_EQ(platform::Regional().decimal_separator, ',');
  platform::ResetRegional();
  // The test environment runs under C.UTF-8.
  EXPECT_EQ(platform::Regional().language, platform::ReadLocaleSettings().language);
}

}  // namespace
