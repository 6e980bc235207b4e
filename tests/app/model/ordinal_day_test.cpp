// Day ordinals in reminder descriptions, the teens included.
#include <gtest/gtest.h>

#include "app/model/OrdinalDay.h"

namespace qp {
namespace {

TEST(OrdinalDayTest, EveryDayOfTheMonthReadsAsInEnglish) {
  const struct {
    const char* day;
    const char* expected;
  } cases[] = {
      {"1", "1st"},   {"2", "2nd"},   {"3", "3rd"},   {"4", "4th"},   {"9", "9th"},   {"10", "10th"},
      {"11", "11th"}, {"12", "12th"}, {"13", "13th"}, {"14", "14th"}, {"20", "20th"}, {"21", "21st"},
      {"22", "22nd"}, {"23", "23rd"}, {"24", "24th"}, {"30", "30th"}, {"31", "31st"},
  };
  for (const auto& c : cases) EXPECT_EQ(OrdinalSuffix(c.day), c.expected) << c.day;
}

TEST(OrdinalDayTest, TextThatIsNoDayStillGetsAnEnding) {
  EXPECT_EQ(OrdinalSuffix(""), "th");
  EXPECT_EQ(OrdinalSuffix("x"), "xth");
}

}  // namespace
}  // namespace qp
