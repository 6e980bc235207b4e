#include "engine/table/julian.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "engine/table/dates.h"
#include "engine/table/error_state.h"
#include "platform/regional.h"
#include "tests/table/date_fixture.h"

namespace {

using std::string_literals::operator""s;

class Julian : public qptest::DateSettingsTest {
 protected:
  static void Use(int code, bool century) {
    xb::CurrentDateSettings().century = century;
    xb::SetDateFormat(code);
  }
};

std::string Stored(int y, int m, int d) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%04d%02d%02d", y, m, d);
  return buffer;
}

TEST_F(Julian, KnownDatesHaveTheirDayNumbers) {
  struct Case {
    const char* stored;
    double day_number;
  };
  const std::vector<Case> cases = {
      {"20000101", 2451545}, {"00010101", 1721426}, {"99991231", 5373484},
      {"19000101", 2415021}, {"19700101", 2440588}, {"20240229", 2460370},
      {"20261231", 2461406}, {"00011231", 1721790}, {"00020101", 1721791},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(xb::DbfToJulian(c.stored), c.day_number) << c.stored;
    EXPECT_EQ(xb::JulianToDbf(c.day_number), c.stored) << c.stored;
  }
}

TEST_F(Julian, DbfToJulianRefusesBlankImpossibleAndMalformedDates) {
  const std::vector<std::string> refused = {
      "        ",
      "20230229",
      "19000229",
      "20261301",
      "20260001",
      "20260100",
      "20260431",
      "20260132",
      "00000101",
      "2026123",
      "202612311",
      "2026ab01",
      "-0261231",
      " 2026123",
      "2026\0"
      "101"s,
      "",
      "20 61231",
      "+0261231",
  };
  for (const std::string& stored : refused) {
    EXPECT_EQ(xb::DbfToJulian(stored), xb::kBlankJulian) << stored;
  }
}

TEST_F(Julian, JulianFromYMDRefusesDatesOutsideTheCalendar) {
  constexpr int kMax = std::numeric_limits<int>::max();
  constexpr int kMin = std::numeric_limits<int>::min();
  const std::vector<std::vector<int>> refused = {
      {0, 1, 1},     {-1, 1, 1},    {10000, 1, 1}, {2026, 0, 1},       {2026, 13, 1},
      {2026, 2, 29}, {2026, 1, 32}, {2026, 1, 0},  {kMax, kMax, kMax}, {kMin, kMin, kMin},
  };
  for (const std::vector<int>& ymd : refused) {
    EXPECT_EQ(xb::JulianFromYMD(ymd[0], ymd[1], ymd[2]), xb::kBlankJulian)
        << ymd[0] << "-" << ymd[1] << "-" << ymd[2];
  }
}

TEST_F(Julian, JulianToDbfBlanksNumbersOutsideTheRange) {
  const std::vector<double> outside = {
      1721425,
      1721425.5,
      5373485,
      5373484.5,
      0,
      -1e300,
      xb::kBlankJulian,
      std::nan(""),
      std::numeric_limits<double>::infinity(),
      -std::numeric_limits<double>::infinity(),
  };
  for (double day : outside) {
    EXPECT_EQ(xb::JulianToDbf(day), "        ") << day;
  }
  EXPECT_EQ(xb::JulianToDbf(2451545.75), "20000101");
}

TEST_F(Julian, JulianToYMDGivesZerosOutsideTheRange) {
  for (double day : {1721425.0, 5373485.0, xb::kBlankJulian, std::nan(""), -1e300}) {
    int y = -1, m = -1, d = -1;
    xb::JulianToYMD(day, y, m, d);
    EXPECT_EQ(y, 0) << day;
    EXPECT_EQ(m, 0) << day;
    EXPECT_EQ(d, 0) << day;
  }
  int y = 0, m = 0, d = 0;
  xb::JulianToYMD(2460370, y, m, d);
  EXPECT_EQ(y, 2024);
  EXPECT_EQ(m, 2);
  EXPECT_EQ(d, 29);
}

TEST_F(Julian, RoundTripsEveryDayOfTwoCenturies) {
  int y = 1900, m = 1, d = 1;
  double expected = xb::JulianFromYMD(1900, 1, 1);
  while (y <= 2100) {
    const double day = xb::JulianFromYMD(y, m, d);
    ASSERT_EQ(day, expected) << Stored(y, m, d);
    ASSERT_EQ(xb::JulianToDbf(day), Stored(y, m, d));
    ASSERT_EQ(xb::DbfToJulian(Stored(y, m, d)), day);
    ++expected;
    if (++d > xb::DaysInMonth(y, m)) {
      d = 1;
      if (++m > 12) {
        m = 1;
        ++y;
      }
    }
  }
}

TEST_F(Julian, MonthsMeetWithoutGapsOverTheWholeRange) {
  EXPECT_EQ(xb::JulianToDbf(xb::JulianFromYMD(1, 1, 1) - 1), "        ");
  for (int y = 1; y <= 9999; ++y) {
    for (int m = 1; m <= 12; ++m) {
      const double day = xb::JulianFromYMD(y, m, 1);
      ASSERT_EQ(xb::JulianToDbf(day), Stored(y, m, 1));
      if (y == 1 && m == 1) continue;
      const int prev_y = m == 1 ? y - 1 : y;
      const int prev_m = m == 1 ? 12 : m - 1;
      ASSERT_EQ(xb::JulianToDbf(day - 1), Stored(prev_y, prev_m, xb::DaysInMonth(prev_y, prev_m)));
    }
  }
}

TEST_F(Julian, LeapYearsFollowTheGregorianRule) {
  struct Case {
    int year;
    bool leap;
  };
  const std::vector<Case> cases = {
      {1900, false}, {2000, true}, {2024, true}, {2023, false}, {2100, false},
      {2400, true},  {4, true},    {1, false},   {1600, true},  {1700, false},
  };
  for (const Case& c : cases) EXPECT_EQ(xb::IsLeapYear(c.year), c.leap) << c.year;
}

TEST_F(Julian, MonthLengthsFollowTheCalendar) {
  const int common[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (int m = 1; m <= 12; ++m) {
    EXPECT_EQ(xb::DaysInMonth(2023, m), common[m - 1]) << m;
    EXPECT_EQ(xb::DaysInMonth(2024, m), common[m - 1] + (m == 2)) << m;
  }
  EXPECT_EQ(xb::DaysInMonth(2024, 0), 0);
  EXPECT_EQ(xb::DaysInMonth(2024, 13), 0);
}

TEST_F(Julian, JulianToTextWritesTheCurrentCode) {
  struct Case {
    int code;
    bool century;
    double day;
    const char* text;
  };
  const std::vector<Case> cases = {
      {0, false, 2451545, "01/01/00"},           {0, true, 2451545, "01/01/2000"},
      {1, false, 2461406, "26.12.31"},           {1, true, 2461406, "2026.12.31"},
      {2, false, 2461406, "31/12/26"},           {3, true, 2461406, "31-12-2026"},
      {4, false, 2461406, "31.12.26"},           {7, false, 2461406, "31.12.26"},
      {8, true, 2461406, "31.12.2026"},          {0, true, 1721426, "01/01/0001"},
      {0, true, 5373484, "12/31/9999"},          {0, false, 1721425, "  /  /  "},
      {1, true, xb::kBlankJulian, "    .  .  "}, {3, false, std::nan(""), "  -  -  "},
      {0, true, 5373485, "  /  /    "},          {0, true, -5, "  /  /    "},
  };
  for (const Case& c : cases) {
    Use(c.code, c.century);
    EXPECT_EQ(xb::JulianToText(c.day), c.text) << c.code << " " << c.century << " " << c.day;
  }
}

TEST_F(Julian, JulianToTextReadsBackUnderEveryCode) {
  for (int code = 0; code <= 8; ++code) {
    for (bool century : {false, true}) {
      Use(code, century);
      const double first = century ? xb::kFirstJulian : xb::JulianFromYMD(1956, 1, 1);
      const double last = century ? xb::kLastJulian : xb::JulianFromYMD(2055, 12, 31);
      for (double day = first; day <= last; day += 997) {
        ASSERT_EQ(xb::TextToJulian(xb::JulianToText(day)), day)
            << code << " " << century << " " << day;
      }
    }
  }
}

}  // namespace
