#include "engine/table/dates.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/table/error_state.h"
#include "platform/regional.h"
#include "tests/support/manual_clock.h"
#include "tests/table/date_fixture.h"

namespace {

using std::string_literals::operator""s;

// Every case starts from US English, code 0, century off, epoch 1956.
class Dates : public qptest::DateSettingsTest {
 protected:
  static void Use(int code, bool century) {
    xb::CurrentDateSettings().century = century;
    xb::SetDateFormat(code);
  }

  qptest::ManualClock clock_{{2026, 6, 15}};
};

struct TextCase {
  int code;
  bool century;
  std::string input;
  std::string expected;
};

TEST_F(Dates, StartsFromTheUsersLanguageWithTheEpochSeventyYearsBack) {
  // The fixture pins the epoch; a fresh reset must derive it from the clock.
  xb::ResetDateSettings();
  const xb::DateSettings& s = xb::CurrentDateSettings();
  EXPECT_EQ(s.language_code, 0);
  EXPECT_EQ(s.date_format, 0);
  EXPECT_FALSE(s.century);
  EXPECT_EQ(s.epoch_year, 1956);
  EXPECT_EQ(s.decimal_separator, '.');
  EXPECT_EQ(s.thousands_separator, ',');
}

TEST_F(Dates, ResetTakesLanguageAndSeparatorsFromTheRegionalSettings) {
  struct Case {
    const char* language;
    const char* territory;
    int code;
    char decimal;
    char thousands;
  };
  const std::vector<Case> cases = {
      {"de", "DE", 5, ',', '.'}, {"en", "US", 0, '.', ','}, {"en", "GB", 2, '.', ','},
      {"es", "ES", 6, ',', '.'}, {"fr", "FR", 4, ',', '.'}, {"fr", "CA", 7, '.', ','},
      {"it", "IT", 3, ',', '.'}, {"ru", "RU", 8, '.', ' '}, {"nl", "NL", 0, '.', ','},
      {"EN", "us", 0, '.', ','}, {"", "", 0, '.', ','},
  };
  for (const Case& c : cases) {
    platform::RegionalSettings regional;
    regional.language = c.language;
    regional.territory = c.territory;
    platform::SetRegional(regional);
    xb::ResetDateSettings();
    const xb::DateSettings& s = xb::CurrentDateSettings();
    EXPECT_EQ(s.language_code, c.code) << c.language << "_" << c.territory;
    EXPECT_EQ(s.date_format, c.code) << c.language << "_" << c.territory;
    EXPECT_EQ(s.decimal_separator, c.decimal) << c.language << "_" << c.territory;
    EXPECT_EQ(s.thousands_separator, c.thousands) << c.language << "_" << c.territory;
  }
}

TEST_F(Dates, StartUpSettingFollowsThePlatformShortDateFormat) {
  struct Case {
    const char* format;
    char separator;
    int code;
    bool century;
    const char* pattern;
    char pattern_separator;
  };
  const std::vector<Case> cases = {
      {"M/d/yyyy", '/', 0, true, "MM/dd/yyyy", '/'},
      {"M/d/yy", '/', 0, false, "MM/dd/yy", '/'},
      {"dd.MM.yyyy", '.', 5, true, "dd.MM.yyyy", '.'},
      {"d.M.yy", '.', 5, false, "dd.MM.yy", '.'},
      {"dd-MM-yy", '-', 3, false, "dd-MM-yy", '-'},
      {"dd/MM/yyyy", '/', 2, true, "dd/MM/yyyy", '/'},
      {"d MMM yyyy", ' ', 2, true, "dd/MM/yyyy", '/'},
      {"yyyy-MM-dd", '-', 1, true, "yyyy.MM.dd", '.'},
      {"YY/MM/DD", '/', 1, false, "yy.MM.dd", '.'},
      {"MMM d, YYYY", ' ', 0, true, "MM/dd/yyyy", '/'},
      {"", '/', 0, false, "MM/dd/yy", '/'},
  };
  for (const Case& c : cases) {
    xb::ResetDateSettings();
    platform::RegionalSettings regional;
    regional.short_date_format = c.format;
    regional.date_separator = c.separator;
    regional.decimal_separator = ',';
    regional.thousands_separator = ' ';
    xb::ApplyRegionalDateSettings(regional);
    const xb::DateSettings& s = xb::CurrentDateSettings();
    EXPECT_EQ(s.date_format, c.code) << c.format;
    EXPECT_EQ(s.century, c.century) << c.format;
    EXPECT_EQ(s.short_date_pattern, c.pattern) << c.format;
    EXPECT_EQ(s.short_date_separator, c.pattern_separator) << c.format;
    EXPECT_EQ(s.decimal_separator, ',') << c.format;
    EXPECT_EQ(s.thousands_separator, ' ') << c.format;
  }
}

TEST_F(Dates, SetDateFormatTurnsUnknownCodesIntoZero) {
  for (int code : {9, 200, -1}) {
    xb::SetDateFormat(4);
    xb::SetDateFormat(code);
    EXPECT_EQ(xb::CurrentDateSettings().date_format, 0) << code;
    EXPECT_EQ(xb::CurrentDateSettings().short_date_pattern, "MM/dd/yy") << code;
  }
}

TEST_F(Dates, AnUnknownCodeSetDirectlyBehavesAsCodeZero) {
  xb::CurrentDateSettings().date_format = 9;
  EXPECT_EQ(xb::FromAmerican("12/31/26"), "12/31/26");
  EXPECT_EQ(xb::ToAmerican("12/31/26"), "12/31/26");
  EXPECT_EQ(xb::BlankDate(9), "  /  /  ");
  EXPECT_EQ(xb::DbfToDateText("20261231"), "12/31/26");
}

TEST_F(Dates, CenturyPivotsOnTheEpochYear) {
  struct Case {
    int epoch;
    int yy;
    int century;
  };
  const std::vector<Case> cases = {
      {1956, 0, 2000}, {1956, 55, 2000}, {1956, 56, 1900}, {1956, 99, 1900},
      {2000, 0, 2000}, {2000, 99, 2000}, {1999, 98, 2000}, {1999, 99, 1900},
  };
  for (const Case& c : cases) {
    xb::CurrentDateSettings().epoch_year = c.epoch;
    EXPECT_EQ(xb::Century(c.yy), c.century) << c.epoch << " " << c.yy;
  }
}

TEST_F(Dates, BlankDateHasTheSeparatorsAndYearWidthOfTheCode) {
  const std::vector<TextCase> cases = {
      {0, false, "", "  /  /  "},  {0, true, "", "  /  /    "}, {1, false, "", "  .  .  "},
      {1, true, "", "    .  .  "}, {2, true, "", "  /  /    "}, {3, false, "", "  -  -  "},
      {3, true, "", "  -  -    "}, {4, false, "", "  .  .  "},  {8, true, "", "  .  .    "},
  };
  for (const TextCase& c : cases) {
    xb::CurrentDateSettings().century = c.century;
    EXPECT_EQ(xb::BlankDate(c.code), c.expected) << c.code << " " << c.century;
  }
}

TEST_F(Dates, ToAmericanReordersEveryCode) {
  const std::vector<TextCase> cases = {
      {2, true, "31/12/2026", "12/31/2026"}, {0, false, "12/31/26", "12/31/26"},
      {0, false, "1/2/26", "01/02/26"},      {0, true, "12/31/26", "12/31/2026"},
      {0, true, "12/31/56", "12/31/1956"},   {0, false, "12/31/2026", "12/31/2026"},
      {1, false, "26.12.31", "12/31/26"},    {1, true, "2026.12.31", "12/31/2026"},
      {1, true, "26.12.31", "12/31/2026"},   {3, false, "31-12-26", "12/31/26"},
      {5, false, "31.12.26", "12/31/26"},    {5, true, "31.12.99", "12/31/1999"},
      {8, true, "1.2.3", "02/01/2003"},      {0, true, "7/ 4 /76", "07/04/1976"},
      {0, true, "1/1/999", "01/01/0999"},    {2, false, "31/12", "12/31/00"},
  };
  for (const TextCase& c : cases) {
    Use(c.code, c.century);
    EXPECT_EQ(xb::ToAmerican(c.input), c.expected) << c.code << " " << c.century << " " << c.input;
  }
}

TEST_F(Dates, ToAmericanKeepsBlanksAndTextsWithoutSeparators) {
  const std::vector<TextCase> cases = {
      {0, false, "  /  /  ", "  /  /  "},
      {0, true, "  /  /  ", "  /  /    "},
      {5, false, "  .  .  ", "  /  /  "},
      {1, true, "    .  .  ", "  /  /    "},
      {0, false, "/", "  /  /  "},
      {0, false, "20261231", "20261231"},
      {0, false, "", ""},
      {0, false, "12/31/26\0junk"s, "12/31/26"},
      {0, false, "12/31/2026 and more", "12/31/2026"},
      {0, false, "abcdefghijklmnop", "abcdefghij"},
  };
  for (const TextCase& c : cases) {
    Use(c.code, c.century);
    EXPECT_EQ(xb::ToAmerican(c.input), c.expected) << c.code << " " << c.century << " " << c.input;
  }
}

TEST_F(Dates, FromAmericanWritesTheOrderAndSeparatorOfTheCode) {
  const std::vector<TextCase> cases = {
      {2, true, "12/31/2026", "31/12/2026"}, {0, false, "12/31/26", "12/31/26"},
      {1, false, "12/31/26", "26.12.31"},    {1, true, "12/31/26", "2026.12.31"},
      {3, false, "12/31/26", "31-12-26"},    {4, false, "12/31/26", "31.12.26"},
      {6, true, "12/31/26", "31.12.2026"},   {7, false, "12/31/26", "31.12.26"},
      {8, false, "12/31/26", "31.12.26"},    {2, false, "1/2/26", "02/01/26"},
      {5, false, "  /  /  ", "  .  .  "},    {1, true, "  /  /    ", "    .  .  "},
      {2, false, "20261231", "20261231"},    {0, false, "", ""},
  };
  for (const TextCase& c : cases) {
    Use(c.code, c.century);
    EXPECT_EQ(xb::FromAmerican(c.input), c.expected)
        << c.code << " " << c.century << " " << c.input;
  }
}

TEST_F(Dates, AmericanFormRoundTripsUnderEveryCode) {
  struct Case {
    const char* short_year;
    const char* long_year;
  };
  const std::vector<Case> cases = {
      {"01/01/00", "01/01/2000"},
      {"12/31/99", "12/31/1999"},
      {"02/29/24", "02/29/2024"},
      {"07/04/76", "07/04/1976"},
  };
  for (int code = 0; code <= 8; ++code) {
    for (bool century : {false, true}) {
      Use(code, century);
      for (const Case& c : cases) {
        const std::string american = century ? c.long_year : c.short_year;
        const std::string text = xb::FromAmerican(c.short_year);
        EXPECT_EQ(text.size(), american.size()) << code << " " << century << " " << text;
        EXPECT_EQ(xb::ToAmerican(text), american) << code << " " << century << " " << text;
      }
    }
  }
}

struct ValidCase {
  int code;
  bool century;
  std::string input;
  bool valid;
  std::string normalised;  // the text afterwards
};

TEST_F(Dates, IsValidDateAcceptsRealDatesAndNormalisesThem) {
  const std::vector<ValidCase> cases = {
      {0, false, "02/29/2024", true, "02/29/24"},   {0, true, "02/29/2024", true, "02/29/2024"},
      {0, false, "02/29/24", true, "02/29/24"},     {0, true, "02/29/2000", true, "02/29/2000"},
      {0, false, "02/29/00", true, "02/29/00"},     {0, true, "02/29/00", true, "02/29/2000"},
      {0, false, "04/30/2026", true, "04/30/26"},   {0, false, "01/31/26", true, "01/31/26"},
      {0, false, "1/2/26", true, "01/02/26"},       {0, false, " 12/31/99 ", true, "12/31/99"},
      {2, true, "31/12/26", true, "31/12/2026"},    {3, false, "31-12-26", true, "31-12-26"},
      {1, true, "26.1.5", true, "2026.01.05"},      {5, false, "31.12.1999", true, "31.12.99"},
      {0, false, "12/31/26\0x"s, true, "12/31/26"}, {0, true, "01/01/0001", true, "01/01/0001"},
      {0, false, "  /  /  ", true, "  /  /  "},     {5, false, "  .  .  ", true, "  .  .  "},
      {5, true, "  .  .  ", true, "  .  .    "},    {1, true, "    .  .  ", true, "    .  .  "},
  };
  for (const ValidCase& c : cases) {
    Use(c.code, c.century);
    std::string text = c.input;
    EXPECT_EQ(xb::IsValidDate(text), c.valid) << c.code << " " << c.century << " " << c.input;
    EXPECT_EQ(text, c.normalised) << c.code << " " << c.century << " " << c.input;
  }
}

TEST_F(Dates, IsValidDateRefusesImpossibleDatesAndJunkAndLeavesThemAlone) {
  const std::vector<std::string> refused = {
      "02/29/2023", "02/29/1900", "02/30/2024", "04/31/2026", "06/31/2026", "09/31/2026",
      "11/31/2026", "13/01/2026", "00/10/2026", "01/00/2026", "01/32/2026", "02/29/23",
      "ab/cd/efgh", "",           "junk",       "1x/01/26",   "+1/01/26",   "12/31/26/7",
      "01/01/0000", "\0"s,        "12/3 1/26",
  };
  for (bool century : {false, true}) {
    Use(0, century);
    for (const std::string& input : refused) {
      std::string text = input;
      EXPECT_FALSE(xb::IsValidDate(text)) << century << " " << input;
      EXPECT_EQ(text, input);
    }
  }
}

TEST_F(Dates, DateFromBuildsEngineTextAndReportsImpossibleDates) {
  struct Case {
    int code;
    bool century;
    int year, month, day;
    std::string expected;
    bool error;
  };
  const std::vector<Case> cases = {
      {0, false, 2026, 12, 31, "12/31/26", false}, {0, true, 2026, 12, 31, "12/31/2026", false},
      {5, true, 2026, 1, 5, "05.01.2026", false},  {1, false, 26, 1, 5, "26.01.05", false},
      {0, true, 55, 1, 1, "01/01/2055", false},    {0, true, 56, 1, 1, "01/01/1956", false},
      {3, false, 1999, 7, 4, "04-07-99", false},   {0, true, 2024, 2, 29, "02/29/2024", false},
      {0, true, 2023, 2, 29, "02/29/2023", true},  {0, true, 1900, 2, 29, "02/29/1900", true},
      {0, false, 2026, 4, 31, "04/31/26", true},   {0, false, 2026, 13, 1, "13/01/26", true},
      {0, false, 2026, 0, 1, "00/01/26", true},    {0, false, 2026, 1, 0, "01/00/26", true},
      {0, true, 10000, 1, 1, "01/01/0000", true},  {0, true, -5, 1, 1, "01/01/0000", true},
  };
  for (const Case& c : cases) {
    Use(c.code, c.century);
    xb::ClearErrorCode();
    EXPECT_EQ(xb::DateFrom(c.year, c.month, c.day), c.expected)
        << c.year << "-" << c.month << "-" << c.day;
    if (c.error) {
      EXPECT_EQ(xb::ErrorCode(), 220);
      EXPECT_EQ(xb::ErrorText(), "[DateFrom(" + std::to_string(c.year) + "," +
                                     std::to_string(c.month) + "," + std::to_string(c.day) + ")]");
    } else {
      EXPECT_EQ(xb::ErrorCode(), 0) << c.year << "-" << c.month << "-" << c.day;
    }
  }
}

TEST_F(Dates, DayOfWeekMatchesTheCalendar) {
  struct Case {
    int code;
    bool century;
    const char* text;
    int dow;
  };
  const std::vector<Case> cases = {
      {0, false, "01/01/00", 7},  {0, true, "01/01/2000", 7}, {0, true, "01/01/1900", 2},
      {0, true, "01/01/1970", 5}, {0, true, "02/29/2024", 5}, {0, true, "12/31/9999", 6},
      {0, true, "01/01/0001", 2}, {5, false, "31.12.26", 5},  {1, true, "1956.07.04", 4},
      {0, false, "  /  /  ", 0},  {0, false, "junk", 0},      {0, false, "02/30/26", 0},
      {0, false, "13/01/26", 0},  {0, false, "", 0},
  };
  for (const Case& c : cases) {
    Use(c.code, c.century);
    EXPECT_EQ(xb::DayOfWeek(c.text), c.dow) << c.text;
  }
}

TEST_F(Dates, DayOfWeekAgreesWithDayNumbersForTwoCenturies) {
  Use(2, true);
  const double first = xb::JulianFromYMD(1900, 1, 1);
  const double last = xb::JulianFromYMD(2100, 12, 31);
  for (double day = first; day <= last; ++day) {
    const int expected = static_cast<int>(static_cast<int64_t>(day + 1) % 7) + 1;
    ASSERT_EQ(xb::DayOfWeek(xb::JulianToText(day)), expected) << xb::JulianToText(day);
  }
}

TEST_F(Dates, MonthDayAndYearOfReadTheAmericanParts) {
  struct Case {
    int code;
    bool century;
    std::string text;
    int month, day, year;
  };
  const std::vector<Case> cases = {
      {0, false, "12/31/26", 12, 31, 26},
      {0, true, "12/31/26", 12, 31, 2026},
      {2, false, "31/12/2026", 12, 31, 2026},
      {1, false, "26.12.31", 12, 31, 26},
      {0, false, "  /  /  ", 0, 0, 0},
      {0, false, "junk", 0, 0, 0},
      {0, false, "", 0, 0, 0},
      {0, false, "x/y/z", 0, 0, 0},
      {0, false, "1/", 1, 0, 0},
  };
  for (const Case& c : cases) {
    Use(c.code, c.century);
    EXPECT_EQ(xb::MonthOf(c.text), c.month) << c.text;
    EXPECT_EQ(xb::DayOf(c.text), c.day) << c.text;
    EXPECT_EQ(xb::YearOf(c.text), c.year) << c.text;
  }
}

TEST_F(Dates, DateToDbfWritesTheStoredFormWithTheCentury) {
  const std::vector<TextCase> cases = {
      {0, false, "12/31/26", "20261231"},  {0, false, "12/31/56", "19561231"},
      {0, true, "12/31/2026", "20261231"}, {0, false, "12/31/2026", "20261231"},
      {2, true, "31/12/2026", "20261231"}, {1, false, "26.12.31", "20261231"},
      {5, true, "1.2.3", "20030201"},      {0, false, "02/30/26", "20260230"},
      {0, false, "  /  /  ", "        "},  {0, true, "  /  /    ", "        "},
      {0, false, "", "        "},          {0, false, "junk", "        "},
      {0, false, "ab/cd/ef", "        "},  {0, false, "12/31/  ", "20001231"},
  };
  for (const TextCase& c : cases) {
    Use(c.code, c.century);
    EXPECT_EQ(xb::DateToDbf(c.input), c.expected) << c.code << " " << c.century << " " << c.input;
  }
}

TEST_F(Dates, TextToJulianReadsWithTheCenturyAndLeavesTheFlagAlone) {
  Use(0, false);
  EXPECT_EQ(xb::TextToJulian("01/01/00"), 2451545);
  EXPECT_EQ(xb::TextToJulian("01/01/2000"), 2451545);
  EXPECT_EQ(xb::TextToJulian("  /  /  "), xb::kBlankJulian);
  EXPECT_EQ(xb::TextToJulian("02/30/26"), xb::kBlankJulian);
  EXPECT_EQ(xb::TextToJulian("junk"), xb::kBlankJulian);
  EXPECT_FALSE(xb::CurrentDateSettings().century);
  Use(5, false);
  EXPECT_EQ(xb::TextToJulian("01.01.2000"), 2451545);
  EXPECT_EQ(xb::TextToDbf("31.12.56"), "19561231");
  EXPECT_EQ(xb::TextToDbf("  .  .  "), "        ");
  EXPECT_EQ(xb::TextToDbf("30.02.26"), "        ");
}

TEST_F(Dates, ScatterTextFollowsTheCodeAndCentury) {
  const std::vector<TextCase> cases = {
      {0, false, "20261231", "12/31/26"},   {0, true, "20261231", "12/31/2026"},
      {1, false, "20261231", "26.12.31"},   {1, true, "20261231", "2026.12.31"},
      {2, false, "20261231", "31/12/26"},   {3, true, "20261231", "31-12-2026"},
      {5, false, "20261231", "31.12.26"},   {8, true, "20261231", "31.12.2026"},
      {0, false, "        ", "  /  /  "},   {0, true, "        ", "  /  /    "},
      {1, true, "        ", "    .  .  "},  {3, false, "        ", "  -  -  "},
      {0, false, "", "  /  /  "},           {0, true, "2026", "  /  /2026"},
      {0, false, "2026123199", "12/31/26"},
  };
  for (const TextCase& c : cases) {
    Use(c.code, c.century);
    EXPECT_EQ(xb::DbfToDateText(c.input), c.expected)
        << c.code << " " << c.century << " " << c.input;
  }
}

TEST_F(Dates, GatherTextBecomesTheStoredForm) {
  const std::vector<TextCase> cases = {
      {0, false, "12/31/26", "20261231"},    {0, false, "12/31/56", "19561231"},
      {0, true, "12/31/2026", "20261231"},   {1, false, "26.12.31", "20261231"},
      {1, true, "2026.12.31", "20261231"},   {3, false, "31-12-26", "20261231"},
      {5, true, "31.12.2026", "20261231"},   {0, false, "12/31/2026", "20261231"},
      {0, true, "12/31/26", "20261231"},     {0, false, "1/2/26", "20260102"},
      {5, false, "1.2.2026", "20260201"},    {0, false, "13/45/2026", "        "},
      {0, false, "12-31-26", "20261231"},    {0, false, "02/30/26", "20260230"},
      {0, false, "ab/cd/ef", "        "},    {0, false, "junk", "        "},
      {0, false, "12/31/26\0"s, "20261231"}, {0, true, "", "        "},
      {1, true, "    .  .  ", "        "},
  };
  for (const TextCase& c : cases) {
    Use(c.code, c.century);
    EXPECT_EQ(xb::DateTextToDbf(c.input), c.expected)
        << c.code << " " << c.century << " " << c.input;
  }
}

TEST_F(Dates, GatherStoresEveryBlankFormAsSpaces) {
  const std::vector<std::string> blanks = {
      "",         "        ",   "          ", "  /  /  ",   "  /  /    ",
      "  -  -  ", "  -  -    ", "  .  .  ",   "  .  .    ",
  };
  for (int code : {0, 1, 3, 5}) {
    for (bool century : {false, true}) {
      Use(code, century);
      for (const std::string& blank : blanks) {
        EXPECT_EQ(xb::DateTextToDbf(blank), "        ")
            << code << " " << century << " '" << blank << "'";
      }
    }
  }
}

TEST_F(Dates, ScatterThenGatherGivesBackTheStoredDate) {
  const std::vector<std::string> stored = {"20261231", "19560101", "20550630", "20000229",
                                           "        "};
  const std::vector<std::string> only_with_century = {"00010101", "99991231", "18991231"};
  for (int code = 0; code <= 8; ++code) {
    for (bool century : {false, true}) {
      Use(code, century);
      for (const std::string& s : stored) {
        EXPECT_EQ(xb::DateTextToDbf(xb::DbfToDateText(s)), s) << code << " " << century << " " << s;
      }
      if (!century) continue;
      for (const std::string& s : only_with_century) {
        EXPECT_EQ(xb::DateTextToDbf(xb::DbfToDateText(s)), s) << code << " " << s;
      }
    }
  }
}

TEST_F(Dates, JunkTextNeverReadsOutsideItsBytes) {
  const std::vector<std::string> junk = {
      "",
      "/",
      "//",
      "///",
      "\0\0\0"s,
      "-",
      ".",
      "1",
      "12/",
      "/12",
      "1/2/3/4/5/6/7/8",
      "\xff\xfe/\x80",
      "99999999999999999999/1/1",
      "  -  .  /",
      std::string(300, '/'),
  };
  for (int code = 0; code <= 8; ++code) {
    for (bool century : {false, true}) {
      Use(code, century);
      for (const std::string& text : junk) {
        std::string copy = text;
        xb::IsValidDate(copy);
        (void)xb::ToAmerican(text);
        (void)xb::FromAmerican(text);
        (void)xb::DayOfWeek(text);
        (void)xb::MonthOf(text);
        (void)xb::DayOf(text);
        (void)xb::YearOf(text);
        EXPECT_EQ(xb::DateToDbf(text).size(), 8u);
        EXPECT_EQ(xb::TextToDbf(text).size(), 8u);
        EXPECT_EQ(xb::DateTextToDbf(text).size(), 8u);
        EXPECT_EQ(xb::DbfToDateText(text).size(), static_cast<size_t>(xb::YearWidth() + 6));
      }
    }
  }
}

}  // namespace
