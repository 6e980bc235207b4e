// Date values of the dataset framework and the table layer's day numbers
// are one calendar: the same dates are valid, and a value and a day number
// of one date always lie the same distance apart.
#include "engine/dataset/date_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/table/julian.h"

namespace {

struct CalendarCase {
  int year, month, day;
  bool valid;
};

const CalendarCase kDates[] = {
    {1, 1, 1, true},        {1899, 12, 30, true},  {1900, 2, 28, true},  {1900, 2, 29, false},
    {2000, 2, 29, true},    {2001, 2, 29, false},  {2026, 4, 31, false}, {2026, 12, 31, true},
    {9999, 12, 31, true},   {0, 12, 31, false},    {10000, 1, 1, false}, {2026, 13, 1, false},
    {2026, 0, 10, false},   {2026, 1, 0, false},
};

TEST(DateValues, AgreeWithTheDayNumbersOnEveryDate) {
  for (const CalendarCase& c : kDates) {
    SCOPED_TRACE(std::to_string(c.year) + "-" + std::to_string(c.month) + "-" + std::to_string(c.day));
    xb::TDateTime value = -1;
    EXPECT_EQ(xb::IsValidCalendarDate(c.year, c.month, c.day), c.valid);
    EXPECT_EQ(xb::TryEncodeDate(c.year, c.month, c.day, value), c.valid);
    if (!c.valid) continue;
    EXPECT_EQ(value + 2415019, xb::JulianFromYMD(c.year, c.month, c.day));
    int y = 0, m = 0, d = 0;
    xb::DecodeDate(value + 0.75, y, m, d);  // the time of day does not move the date
    EXPECT_EQ(y, c.year);
    EXPECT_EQ(m, c.month);
    EXPECT_EQ(d, c.day);
  }
}

TEST(DateValues, ZeroIsThe30thOfDecember1899AndValuesOutsideTheCalendarDecodeToZeros) {
  int y = 0, m = 0, d = 0;
  xb::DecodeDate(0, y, m, d);
  EXPECT_EQ(y * 10000 + m * 100 + d, 18991230);
  xb::DecodeDate(-0.5, y, m, d);  // a time before the epoch belongs to the day before
  EXPECT_EQ(y * 10000 + m * 100 + d, 18991229);
  for (double outside : {-693594.0, 2958466.0, std::numeric_limits<double>::quiet_NaN()}) {
    xb::DecodeDate(outside, y, m, d);
    EXPECT_EQ(y + m + d, 0) << outside;
  }
}

}  // namespace
