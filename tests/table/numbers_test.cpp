#include "engine/table/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "engine/table/date_settings.h"
#include "engine/table/error_state.h"
#include "platform/regional.h"
#include "tests/table/date_fixture.h"

namespace {

using std::string_literals::operator""s;

class Numbers : public qptest::DateSettingsTest {
 protected:
  static void Separators(char decimal, char thousands) {
    xb::CurrentDateSettings().decimal_separator = decimal;
    xb::CurrentDateSettings().thousands_separator = thousands;
  }
};

TEST_F(Numbers, FormatFloatRightAlignsRoundsAndUsesTheDecimalSeparator) {
  struct Case {
    char decimal;
    double x;
    int width;
    int decimals;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {'.', 3.5, 6, 2, "  3.50"},
      {',', 3.5, 6, 2, "  3,50"},
      {',', 3.5, 4, 0, "   4"},
      {'.', 2.5, 4, 0, "   3"},
      {'.', -2.5, 5, 0, "   -3"},
      {'.', 0.125, 6, 2, "  0.13"},
      {'.', 1.005, 6, 2, "  1.00"},
      {'.', 9.5, 2, 0, "10"},
      {'.', 99.5, 2, 0, "100"},
      {'.', 1234.5678, 10, 3, "  1234.568"},
      {',', -1234.5678, 10, 1, "   -1234,6"},
      {'.', -0.001, 6, 2, "  0.00"},
      {'.', 3.14159, 0, 2, "3.14"},
      {'.', 3.14159, -4, -1, "3"},
      {'.', 0, 5, 3, "0.000"},
      {'.', 0.999, 4, 2, "1.00"},
      {'.', 123456789012.0, 14, 0, "  123456789012"},
  };
  for (const Case& c : cases) {
    Separators(c.decimal, c.decimal == '.' ? ',' : '.');
    EXPECT_EQ(xb::FormatFloat(c.x, c.width, c.decimals), c.expected)
        << c.x << " w" << c.width << " d" << c.decimals << " sep " << c.decimal;
  }
}

TEST_F(Numbers, FormatFloatSurvivesExtremeValues) {
  EXPECT_EQ(xb::FormatFloat(1e308, 5, 2).substr(0, 4), "1000");
  EXPECT_EQ(xb::FormatFloat(-1e308, 5, 30).size(), 310u + 31u);
  EXPECT_EQ(xb::FormatFloat(1.0, 5000, 200).size(), 1024u);
  EXPECT_EQ(xb::FormatFloat(std::nan(""), 6, 2).size(), 6u);
  EXPECT_EQ(xb::FormatFloat(std::numeric_limits<double>::infinity(), 2, 2), "inf");
}

TEST_F(Numbers, FormatIntRightAligns) {
  EXPECT_EQ(xb::FormatInt(42, 5), "   42");
  EXPECT_EQ(xb::FormatInt(-42, 5), "  -42");
  EXPECT_EQ(xb::FormatInt(123456, 3), "123456");
  EXPECT_EQ(xb::FormatInt(0, 0), "0");
  EXPECT_EQ(xb::FormatInt(7, -3), "7");
  EXPECT_EQ(xb::FormatInt(std::numeric_limits<int64_t>::min(), 1), "-9223372036854775808");
}

struct ParseCase {
  char decimal;
  std::string text;
  int expected;
};

TEST_F(Numbers, ParseSmallIntReadsLenientlyAndClamps) {
  const std::vector<ParseCase> cases = {
      {'.', "1,234", 1234},
      {'.', "99999", 32767},
      {'.', "-99999", -32768},
      {'.', "", 0},
      {'.', "  +  12", 12},
      {'.', "$5", 5},
      {'.', "12 34", 12},
      {'.', "10.5", 10},
      {'.', "abc", 0},
      {'.', "-", 0},
      {'.', "5-3", 0},
      {'.', "--5", 0},
      {'.', "+-5", -5},
      {'.', "$$5", 0},
      {'.', " 8", 8},
      {'.', "\0"s, 0},
      {'.',
       "12\0"
       "3"s,
       12},
      {'.', "1.234", 1},
      {'.', "32767", 32767},
      {'.', "-32768", -32768},
      {'.', "32768", 32767},
      {'.', "++5", 0},
      {'.', "\t7", 7},
      {'.', "5$", 5},
      {'.', "123456789012345678901234567890", 32767},
      {'.', "-123456789012345678901234567890", -32768},
      {',', "1.234", 1234},
      {',', "1,5", 1},
      {',', "1,234", 1},
      {',', "12.345.678", 32767},
  };
  for (const ParseCase& c : cases) {
    xb::CurrentDateSettings().decimal_separator = c.decimal;
    EXPECT_EQ(xb::ParseSmallInt(c.text), c.expected) << "'" << c.text << "' sep " << c.decimal;
  }
}

TEST_F(Numbers, NormalizeNumberLeavesAConvertibleText) {
  struct Case {
    char decimal;
    char thousands;
    std::string text;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {'.', ',', "$1,234.50", "1234.50"},
      {'.', ',', "  +12", "12"},
      {'.', ',', "-.5", "-0.5"},
      {'.', ',', ".5", "0.5"},
      {'.', ',', "- 12", "-12"},
      {'.', ',', "--+-3", "-3"},
      {'.', ',', "12.", "12"},
      {'.', ',', "1.2.3", "1.2"},
      {'.', ',', "12 34", "12"},
      {'.', ',', "abc", ""},
      {'.', ',', "", ""},
      {'.', ',', "-", "-"},
      {'.', ',', "1-2", "1"},
      {'.', ',', "3e5", "3"},
      {'.', ',', "+ -7", "-7"},
      {'.', ',', "-$.25", "-0.25"},
      {'.', ',',
       "1\0"
       "2"s,
       "1"},
      {'.', ',', ".", "0"},
      {',', '.', "1.234,5", "1234.5"},
      {',', '.', "-,5", "-0.5"},
      {',', '.', ",5", "0.5"},
      {',', '.', "1,2,3", "1.2"},
      {'.', ' ', "1 234.5", "1234.5"},
      {',', ' ', "1 234,5", "1234.5"},
  };
  for (const Case& c : cases) {
    Separators(c.decimal, c.thousands);
    EXPECT_EQ(xb::NormalizeNumber(c.text), c.expected) << "'" << c.text << "' sep " << c.decimal;
  }
}

TEST_F(Numbers, IntegerPartDropsTheFraction) {
  struct Case {
    char decimal;
    std::string text;
    int64_t expected;
  };
  const std::vector<Case> cases = {
      {'.', "1234.99", 1234},
      {'.', "-12.7", -12},
      {'.', "", 0},
      {'.', "abc", 0},
      {'.', "-", 0},
      {'.', "$1,234", 1234},
      {'.', ".75", 0},
      {'.', "-.75", 0},
      {'.', "99999999999999999999999", std::numeric_limits<int64_t>::max()},
      {',', "12,9", 12},
      {',', "1.234,5", 1234},
  };
  for (const Case& c : cases) {
    Separators(c.decimal, c.decimal == '.' ? ',' : '.');
    EXPECT_EQ(xb::IntegerPart(c.text), c.expected) << "'" << c.text << "' sep " << c.decimal;
  }
}

}  // namespace
