#include "engine/table/date_names.h"

#include "engine/table/dates.h"

namespace xb {
namespace {

// One language's names: seven day slots of day_width bytes followed by
// twelve month slots of month_width bytes.
struct NameTable {
  int day_width;
  int month_width;
  std::string_view days;
  std::string_view months;
};

constexpr NameTable kEnglish = {9, 9,
                                "Sunday   Monday   Tuesday  WednesdayThursday Friday   Saturday ",
                                "January  February March    April    May      June     "
                                "July     August   SeptemberOctober  November December "};

constexpr NameTable kItalian = {9, 9,
                                "Domenica Lunedi   Martedi  MercolediGiovedi  Venerdi  Sabato   ",
                                "Gennaio  Febbraio Marzo    Aprile   Maggio   Giugno   "
                                "Luglio   Agosto   SettembreOttobre  Novembre Dicembre "};

// Code page 437: 0x82 e acute, 0x96 u circumflex.
constexpr NameTable kFrench = {8, 9, "DimancheLundi   Mardi   MercrediJeudi   VendrediSamedi  ",
                               "Janvier  F\x82vrier  Mars     Avril    Mai      Juin     "
                               "Juillet  Ao\x96t     SeptembreOctobre  Novembre D\x82"
                               "cembre "};

// Code page 437: 0x84 a diaeresis.
constexpr NameTable kGerman = {
    10, 9, "Sonntag   Montag    Dienstag  Mittwoch  DonnerstagFreitag   Samstag   ",
    "Januar   Februar  M\x84rz     April    Mai      Juni     "
    "Juli     August   SeptemberOktober  November Dezember "};

constexpr NameTable kSpanish = {9, 10,
                                "Domingo  Lunes    Martes   MiercolesJueves   Viernes  Sabado   ",
                                "Enero     Febrero   Marzo     Abril     Mayo      Junio     "
                                "Julio     Agosto    SeptiembreOctubre   Noviembre Diciembre "};

// Code page 866.
constexpr NameTable kRussian = {11, 8,
                                "\x82\xAE\xE1\xAA\xE0\xA5\xE1\xA5\xAD\xEC\xA5"  // Voskresenye
                                "\x8F\xAE\xAD\xA5\xA4\xA5\xAB\xEC\xAD\xA8\xAA"  // Ponedelnik
                                "\x82\xE2\xAE\xE0\xAD\xA8\xAA    "              // Vtornik
                                "\x91\xE0\xA5\xA4\xA0      "                    // Sreda
                                "\x97\xA5\xE2\xA2\xA5\xE0\xA3    "              // Chetverg
                                "\x8F\xEF\xE2\xAD\xA8\xE6\xA0    "              // Pyatnitsa
                                "\x91\xE3\xA1\xA1\xAE\xE2\xA0    ",             // Subbota
                                "\x9F\xAD\xA2\xA0\xE0\xEC  "                    // Yanvar
                                "\x94\xA5\xA2\xE0\xA0\xAB\xEC "                 // Fevral
                                "\x8C\xA0\xE0\xE2    "                          // Mart
                                "\x80\xAF\xE0\xA5\xAB\xEC  "                    // Aprel
                                "\x8C\xA0\xA9     "                             // May
                                "\x88\xEE\xAD\xEC    "                          // Iyun
                                "\x88\xEE\xAB\xEC    "                          // Iyul
                                "\x80\xA2\xA3\xE3\xE1\xE2  "                    // Avgust
                                "\x91\xA5\xAD\xE2\xEF\xA1\xE0\xEC"              // Sentyabr
                                "\x8E\xAA\xE2\xEF\xA1\xE0\xEC "                 // Oktyabr
                                "\x8D\xAE\xEF\xA1\xE0\xEC  "                    // Noyabr
                                "\x84\xA5\xAA\xA0\xA1\xE0\xEC "};               // Dekabr

// A slip in a table above would shift every later name; catch it at build time.
constexpr bool Fits(const NameTable& t) {
  return t.days.size() == 7u * t.day_width && t.months.size() == 12u * t.month_width;
}
static_assert(Fits(kEnglish) && Fits(kItalian) && Fits(kFrench) && Fits(kGerman) &&
              Fits(kSpanish) && Fits(kRussian));

const NameTable& TableFor(int code) {
  switch (code) {
    case 3:
      return kItalian;
    case 4:
    case 7:
      return kFrench;
    case 5:
      return kGerman;
    case 6:
      return kSpanish;
    case 8:
      return kRussian;
    default:
      return kEnglish;
  }
}

}  // namespace

std::string DayNameOf(int code, int dow) {
  if (dow < 1 || dow > 7) return "";
  const NameTable& t = TableFor(code);
  return std::string(t.days.substr(static_cast<size_t>((dow - 1) * t.day_width), t.day_width));
}

std::string MonthNameOf(int code, int month) {
  if (month < 1 || month > 12) return "";
  const NameTable& t = TableFor(code);
  return std::string(
      t.months.substr(static_cast<size_t>((month - 1) * t.month_width), t.month_width));
}

std::string DayName(std::string_view text) {
  const int dow = DayOfWeek(text);
  if (dow == 0) return std::string(10, ' ');
  return DayNameOf(DateFormatCode(), dow);
}

std::string MonthName(std::string_view text) {
  const int month = MonthOf(text);
  if (month < 1 || month > 12) return std::string(9, ' ');
  return MonthNameOf(DateFormatCode(), month);
}

}  // namespace xb
