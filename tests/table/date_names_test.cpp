#include "engine/table/date_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/table/dates.h"
#include "engine/table/error_state.h"
#include "platform/regional.h"
#include "tests/table/date_fixture.h"

namespace {

using std::string_literals::operator""s;

class DateNames : public qptest::DateSettingsTest {};

struct Language {
  std::vector<int> codes;
  size_t day_width;
  size_t month_width;
  std::vector<std::string> days;    // Sunday first, without padding
  std::vector<std::string> months;  // January first, without padding
};

// The expected bytes are written out independently of the tables in the
// engine: OEM 437 for French and German, OEM 866 for Russian.
const std::vector<Language>& Languages() {
  static const std::vector<Language> languages = {
      {{0, 1, 2, 9, -1},
       9,
       9,
       {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"},
       {"January", "February", "March", "April", "May", "June", "July", "August", "September",
        "October", "November", "December"}},
      {{3},
       9,
       9,
       {"Domenica", "Lunedi", "Martedi", "Mercoledi", "Giovedi", "Venerdi", "Sabato"},
       {"Gennaio", "Febbraio", "Marzo", "Aprile", "Maggio", "Giugno", "Luglio", "Agosto",
        "Settembre", "Ottobre", "Novembre", "Dicembre"}},
      {{4, 7},
       8,
       9,
       {"Dimanche", "Lundi", "Mardi", "Mercredi", "Jeudi", "Vendredi", "Samedi"},
       {"Janvier", "F\x82vrier", "Mars", "Avril", "Mai", "Juin", "Juillet", "Ao\x96t", "Septembre",
        "Octobre", "Novembre",
        "D\x82"
        "cembre"}},
      {{5},
       10,
       9,
       {"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"},
       {"Januar", "Februar", "M\x84rz", "April", "Mai", "Juni", "Juli", "August", "September",
        "Oktober", "November", "Dezember"}},
      {{6},
       9,
       10,
       {"Domingo", "Lunes", "Martes", "Miercoles", "Jueves", "Viernes", "Sabado"},
       {"Enero", "Febrero", "Marzo", "Abril", "Mayo", "Junio", "Julio", "Agosto", "Septiembre",
        "Octubre", "Noviembre", "Diciembre"}},
      {{8},
       11,
       8,
       {"\x82\xae\xe1\xaa\xe0\xa5\xe1\xa5\xad\xec\xa5",
        "\x8f\xae\xad\xa5\xa4\xa5\xab\xec\xad\xa8\xaa", "\x82\xe2\xae\xe0\xad\xa8\xaa",
        "\x91\xe0\xa5\xa4\xa0", "\x97\xa5\xe2\xa2\xa5\xe0\xa3", "\x8f\xef\xe2\xad\xa8\xe6\xa0",
        "\x91\xe3\xa1\xa1\xae\xe2\xa0"},
       {"\x9f\xad\xa2\xa0\xe0\xec", "\x94\xa5\xa2\xe0\xa0\xab\xec", "\x8c\xa0\xe0\xe2",
        "\x80\xaf\xe0\xa5\xab\xec", "\x8c\xa0\xa9", "\x88\xee\xad\xec", "\x88\xee\xab\xec",
        "\x80\xa2\xa3\xe3\xe1\xe2", "\x91\xa5\xad\xe2\xef\xa1\xe0\xec",
        "\x8e\xaa\xe2\xef\xa1\xe0\xec", "\x8d\xae\xef\xa1\xe0\xec",
        "\x84\xa5\xaa\xa0\xa1\xe0\xec"}},
  };
  return languages;
}

std::string Padded(const std::string& name, size_t width) {
  return name + std::string(width - name.size(), ' ');
}

TEST_F(DateNames, EveryLanguageHasItsNamesInFixedWidthSlots) {
  for (const Language& language : Languages()) {
    for (int code : language.codes) {
      for (int dow = 1; dow <= 7; ++dow) {
        EXPECT_EQ(xb::DayNameOf(code, dow), Padded(language.days[dow - 1], language.day_width))
            << "code " << code << " day " << dow;
      }
      for (int month = 1; month <= 12; ++month) {
        EXPECT_EQ(xb::MonthNameOf(code, month),
                  Padded(language.months[month - 1], language.month_width))
            << "code " << code << " month " << month;
      }
    }
  }
}

TEST_F(DateNames, NumbersOutsideTheWeekOrYearHaveNoName) {
  for (int code : {0, 5, 8}) {
    EXPECT_EQ(xb::DayNameOf(code, 0), "");
    EXPECT_EQ(xb::DayNameOf(code, 8), "");
    EXPECT_EQ(xb::MonthNameOf(code, 0), "");
    EXPECT_EQ(xb::MonthNameOf(code, 13), "");
  }
}

TEST_F(DateNames, DayAndMonthNameReadTheEngineDateText) {
  struct Case {
    int code;
    bool century;
    const char* text;
    std::string day;
    std::string month;
  };
  const std::vector<Case> cases = {
      {5, false, "02.01.00", "Sonntag   ", "Januar   "},
      {0, false, "01/01/00", "Saturday ", "January  "},
      {0, true, "07/04/1976", "Sunday   ", "July     "},
      {1, false, "26.12.31", "Thursday ", "December "},
      {3, true, "15-08-2026", "Sabato   ", "Agosto   "},
      {4, false, "03.08.26", "Lundi   ", "Ao\x96t     "},
      {6, false, "16.09.26", "Miercoles", "Septiembre"},
      {8, false, "03.01.00", "\x8f\xae\xad\xa5\xa4\xa5\xab\xec\xad\xa8\xaa",
       "\x9f\xad\xa2\xa0\xe0\xec  "},
  };
  for (const Case& c : cases) {
    xb::CurrentDateSettings().century = c.century;
    xb::SetDateFormat(c.code);
    EXPECT_EQ(xb::DayName(c.text), c.day) << c.text;
    EXPECT_EQ(xb::MonthName(c.text), c.month) << c.text;
  }
}

TEST_F(DateNames, BlankOrJunkDatesGiveSpaces) {
  for (int code : {0, 5, 6, 8}) {
    for (bool century : {false, true}) {
      xb::CurrentDateSettings().century = century;
      xb::SetDateFormat(code);
      for (const std::string& text : {xb::BlankDate(code), std::string(), std::string("junk"),
                                      std::string("13/13/13"), std::string("\0\0"s)}) {
        EXPECT_EQ(xb::DayName(text), std::string(10, ' ')) << code << " '" << text << "'";
        EXPECT_EQ(xb::MonthName(text), std::string(9, ' ')) << code << " '" << text << "'";
      }
    }
  }
}

TEST_F(DateNames, MonthNameNeedsOnlyAMonth) {
  xb::SetDateFormat(0);
  EXPECT_EQ(xb::MonthName("02/30/26"), "February ");
  EXPECT_EQ(xb::DayName("02/30/26"), std::string(10, ' '));
}

}  // namespace
