// Every operator and function on literals and on the fields of a hand-built
// record, each with its expected value and result type.
#include <string>

#include "tests/index/expr_fixture.h"

namespace {

using exprtest::ExprTest;

struct Case {
  const char* expr;
  char type;
  std::string expected;
};

// NOTEBOARD "Groceries", AMOUNT 12.50, COUNT 42, PRICE 1.250, DATECREATE
// 2024-03-15 (a Friday), ALARMACT "Y", DONE .T., DATE "hello"; record 3 of
// 5; today is 2026-07-04.
const Case kOperatorCases[] = {
    {"1 + 2", 'N', "3"},
    {"10 - 4 - 3", 'N', "3"},
    {"2^3^2", 'N', "64"},
    {"2**3", 'N', "8"},
    {"-3*2", 'N', "-6"},
    {"-2^2", 'N', "4"},
    {"3 * -2", 'N', "-6"},
    {"- -5", 'N', "5"},
    {"+5", 'N', "5"},
    {"7 / 2", 'N', "3.5"},
    {"1 + 2 * 3", 'N', "7"},
    {"(1 + 2) * 3", 'N', "9"},
    {"2 * 3 ^ 2", 'N', "18"},
    {"'ab' + 'cd'", 'C', "abcd"},
    {"'ab  ' - 'cd'", 'C', "abcd  "},
    {"'   ' - 'x'", 'C', "x   "},
    {"'ab' - 'cd'", 'C', "abcd"},
    {"DATECREATE + 1", 'D', "20240316"},
    {"1 + DATECREATE", 'D', "20240316"},
    {"DATECREATE - 15", 'D', "20240229"},
    {"DATECREATE - CTOD('01/01/24')", 'N', "74"},
    {"'abc' = 'ab'", 'L', ".T."},
    {"'ab' = 'abc'", 'L', ".F."},
    {"'abc' = ''", 'L', ".F."},
    {"'' = ''", 'L', ".F."},
    {"'abc' <> 'ab'", 'L', ".T."},
    {"'ab' <> 'ab'", 'L', ".F."},
    {"'ab' # 'ac'", 'L', ".T."},
    {"'ab' == 'ab'", 'L', ".T."},
    {"'abc' == 'ab'", 'L', ".F."},
    {"'ab' $ 'xaby'", 'L', ".T."},
    {"'' $ 'x'", 'L', ".F."},
    {"'z' $ 'xaby'", 'L', ".F."},
    {"'a' < 'b'", 'L', ".T."},
    {"'ab' < 'abc'", 'L', ".T."},
    {"'abc' < 'ab'", 'L', ".F."},
    {"'b' >= 'a'", 'L', ".T."},
    {"'a' <= 'a'", 'L', ".T."},
    {"'a' > 'a'", 'L', ".F."},
    {"CHR(200) > 'z'", 'L', ".T."},
    {"1 < 2", 'L', ".T."},
    {"2 <= 2", 'L', ".T."},
    {"3 >= 4", 'L', ".F."},
    {"3 > 2", 'L', ".T."},
    {"1 = 1", 'L', ".T."},
    {"1 # 2", 'L', ".T."},
    {"1 <> 1", 'L', ".F."},
    {"DATECREATE < DATE()", 'L', ".T."},
    {"DATECREATE = CTOD('03/15/24')", 'L', ".T."},
    {"CTOD('') > DATECREATE", 'L', ".T."},
    {".T. .AND. .F.", 'L', ".F."},
    {".T. .OR. .F.", 'L', ".T."},
    {".NOT. .F.", 'L', ".T."},
    {".NOT. .NOT. .T.", 'L', ".T."},
    {".t. = .T.", 'L', ".T."},
    {".T. <> .F.", 'L', ".T."},
    {".F. .AND. .T. .OR. .T.", 'L', ".T."},
    {".T. .OR. .T. .AND. .F.", 'L', ".T."},
    {"1 < 2 = .T.", 'L', ".T."},
    {"'a' $ 'abc' = .T.", 'L', ".T."},
    {"1 = 1 = .T.", 'L', ".T."},
    {"NOTEBOARD", 'C', "Groceries                               "},
    {"notEboard = 'Groc'", 'L', ".T."},
    {"AMOUNT", 'N', "12.5"},
    {"COUNT * 2", 'N', "84"},
    {"PRICE", 'N', "1.25"},
    {"DONE", 'L', ".T."},
    {"ALARMACT == 'Y' .AND. DATECREATE < DATE()", 'L', ".T."},
    {"DATE", 'C', "hello   "},
    {"DATE()", 'D', "20260704"},
    {"DATE ()", 'D', "20260704"},
    {"DATECREATE", 'D', "20240315"},
    {"OTHER->NAME", 'C', "Other     "},
    {"other->QTY + COUNT", 'N', "49"},
    {"NOTES->COUNT", 'N', "42"},
    {"\"dq\" + 'sq'", 'C', "dqsq"},
    {"1.5E2", 'N', "150"},
    {"12.", 'N', "12"},
    {"NOTEBOARD 'unterminated", 'C', "Groceries                               "},
};

const Case kFunctionCases[] = {
    {"ABS(-2.5)", 'N', "2.5"},
    {"ASC('A')", 'N', "65"},
    {"ASC('')", 'N', "0"},
    {"AT('b', 'abc')", 'N', "2"},
    {"AT('', 'abc')", 'N', "0"},
    {"AT('z', 'abc')", 'N', "0"},
    {"CDOW(DATECREATE)", 'C', "Friday   "},
    {"CDOW(CTOD(''))", 'C', "          "},
    {"CHR(65)", 'C', "A"},
    {"CHR(0)", 'C', ""},
    {"CHR(321)", 'C', "A"},
    {"CMONTH(DATECREATE)", 'C', "March    "},
    {"CMON(DATECREATE)", 'C', "March    "},
    {"CMONT(CTOD(''))", 'C', "         "},
    {"CTOD('03/15/2024')", 'D', "20240315"},
    {"CTOD('3/15/24')", 'D', "20240315"},
    {"CTOD('')", 'D', "        "},
    {"CTOD('02/30/2024')", 'D', "        "},
    {"DATE() - DATECREATE", 'N', "841"},
    {"DAY(DATECREATE)", 'N', "15"},
    {"MONTH(DATECREATE)", 'N', "3"},
    {"MONT(DATECREATE)", 'N', "3"},
    {"YEAR(DATECREATE)", 'N', "2024"},
    {"DOW(DATECREATE)", 'N', "6"},
    {"DOW(DATE())", 'N', "7"},
    {"YEAR(CTOD(''))", 'N', "0"},
    {"DELETED()", 'L', ".F."},
    {"DELE()", 'L', ".F."},
    {"DTOC(DATECREATE)", 'C', "03/15/24"},
    {"DTOC(CTOD(''))", 'C', "  /  /  "},
    {"DTOS(DATECREATE)", 'C', "20240315"},
    {"DTOS(CTOD(''))", 'C', "        "},
    {"IIF(.T., 'a', 'b')", 'C', "a"},
    {"IIF(.F., 'a', 'bb')", 'C', "bb"},
    {"IIF(COUNT > 40, 'big', 'small') + '!'", 'C', "big!"},
    {"INT(-2.7)", 'N', "-2"},
    {"INT(2.7)", 'N', "2"},
    {"LEFT('abcdef', 3)", 'C', "abc"},
    {"LEFT('ab', 5)", 'C', "ab"},
    {"LEFT('ab', -1)", 'C', ""},
    {"LEN('abc')", 'N', "3"},
    {"LEN(NOTEBOARD)", 'N', "40"},
    {"LEN('')", 'N', "0"},
    {"LOWER('AbC')", 'C', "abc"},
    {"LOWE('X')", 'C', "x"},
    {"LTRIM('  ab ')", 'C', "ab "},
    {"LTRI('   ')", 'C', ""},
    {"MAX(1, 2)", 'N', "2"},
    {"MIN(1, 2)", 'N', "1"},
    {"MAX(DATECREATE, DATECREATE + 1)", 'D', "20240316"},
    {"MIN(DATECREATE, CTOD(''))", 'D', "20240315"},
    {"MOD(-7, 3)", 'N', "-1"},
    {"MOD(7.9, 3)", 'N', "1"},
    {"MOD(7, -3)", 'N', "1"},
    {"MOD(7, 0)", 'N', "7"},
    {"RECNO()", 'N', "3"},
    {"RECN()", 'N', "3"},
    {"REPLICATE('ab', 3)", 'C', "ababab"},
    {"REPL('ab', 3)", 'C', "ababab"},
    {"REPLICA('ab', 0)", 'C', ""},
    {"REPLICAT('', 5)", 'C', ""},
    {"LEN(REPLICATE('ab', 200))", 'N', "255"},
    {"RIGHT('abcdef', 2)", 'C', "ef"},
    {"RIGH('abc', 0)", 'C', ""},
    {"RIGHT('abc', 5)", 'C', "abc"},
    {"RIGHT('abc', -1)", 'C', "abc"},
    {"ROUND(2.567, 2)", 'N', "2.56"},
    {"ROUND(-2.567, 2)", 'N', "-2.56"},
    {"ROUND(2.5, 0)", 'N', "2"},
    {"ROUN(2.5, -1)", 'N', "2"},
    {"RTRIM('ab  ')", 'C', "ab"},
    {"RTRI('  ')", 'C', ""},
    {"TRIM('  ab  ')", 'C', "  ab"},
    {"SOUNDEX('Robert')", 'C', "R163"},
    {"SOUNDEX('Rupert')", 'C', "R163"},
    {"SOUNDEX('Tymczak')", 'C', "T522"},
    {"SOUN('Pfister')", 'C', "P236"},
    {"SOUNDEX('Ashcraft')", 'C', "A226"},
    {"SOUNDEX('lee')", 'C', "L000"},
    {"SOUNDEX('')", 'C', "0000"},
    {"SOUNDEX('1abc')", 'C', "1120"},
    {"SPACE(3)", 'C', "   "},
    {"SPAC(-1)", 'C', ""},
    {"LEN(SPACE(300))", 'N', "255"},
    {"STR(3.7)", 'C', "         4"},
    {"STR(123456, 3)", 'C', "***"},
    {"STR(3.14159, 8, 2)", 'C', "    3.14"},
    {"STR(2.5, 3)", 'C', "  3"},
    {"STR(-2.5, 5)", 'C', "   -3"},
    {"STR(AMOUNT, 10, 2)", 'C', "     12.50"},
    {"STR(1, 0)", 'C', ""},
    {"LEN(STR(1, 999))", 'N', "255"},
    {"STUFF('abcdef', 2, 3, 'XY')", 'C', "aXYef"},
    {"STUF('abc', 10, 0, 'Z')", 'C', "abcZ"},
    {"STUFF('abc', 0, 1, 'Z')", 'C', "Zbc"},
    {"STUFF('abc', 2, 99, '')", 'C', "a"},
    {"SUBSTR('abcdef', 2, 3)", 'C', "bcd"},
    {"SUBSTR('abc', 2, 10)", 'C', "bc"},
    {"SUBS('abc', 5, 1)", 'C', ""},
    {"SUBST('abc', 0, 2)", 'C', "ab"},
    {"SUBSTR(NOTEBOARD, 1, 4)", 'C', "Groc"},
    {"UPPER('abc')", 'C', "ABC"},
    {"UPPE('\xe4x')", 'C', "\xc4X"},
    {"upper(NOTEBOARD)", 'C', "GROCERIES                               "},
    {"VAL('  12.5  ')", 'N', "12.5"},
    {"VAL('abc')", 'N', "0"},
    {"VAL('-3')", 'N', "-3"},
    {"VAL('1e3')", 'N', "1000"},
    {"VAL('1e400')", 'N', "inf"},
    {"VAL('-1e400')", 'N', "-inf"},
    {"VAL('1e-400')", 'N', "0"},
    {"VAL('+.5')", 'N', "0.5"},
    {"VAL('7 apples')", 'N', "7"},
};

class ExprEval : public ExprTest, public ::testing::WithParamInterface<Case> {};

TEST_P(ExprEval, GivesTheExpectedValueAndType) {
  const Case& c = GetParam();
  char type = 0;
  EXPECT_EQ(Eval(c.expr, &type), c.expected) << c.expr;
  EXPECT_EQ(type, c.type) << c.expr;
  EXPECT_EQ(xb::ErrorCode(), 0) << c.expr << ": " << xb::ErrorText();
}

INSTANTIATE_TEST_SUITE_P(Operators, ExprEval, ::testing::ValuesIn(kOperatorCases));
INSTANTIATE_TEST_SUITE_P(Functions, ExprEval, ::testing::ValuesIn(kFunctionCases));

TEST_F(ExprTest, DivisionByZeroReportsAndYieldsTheBigQuotient) {
  EXPECT_EQ(Eval("1/0 + 1"), "1e+250");
  EXPECT_EQ(xb::ErrorCode(), 358);
  EXPECT_EQ(xb::ErrorText(), "Error during evaluation: Divide by 0 [Evaluate/Engine]");
}

TEST_F(ExprTest, DeletedReadsTheFlagOfTheCurrentRecord) {
  auto expr = xb::AssignExpr("DELETED()");
  area_->dbf.record[0] = '*';
  EXPECT_TRUE(xb::Evaluate(expr.get())->logical);
  area_->dbf.record[0] = ' ';
  EXPECT_FALSE(xb::Evaluate(expr.get())->logical);
}

TEST_F(ExprTest, FieldsFollowTheRecordBetweenEvaluations) {
  auto expr = xb::AssignExpr("TRIM(NOTEBOARD) + '/' + STR(AMOUNT, 6, 1) + '/' + DTOS(DATECREATE)");
  EXPECT_EQ(exprtest::Show(*xb::Evaluate(expr.get())), "Groceries/  12.5/20240315");
  exprtest::SetField(*area_, "NOTEBOARD", "Tea");
  exprtest::SetField(*area_, "AMOUNT", "     -3.25");
  exprtest::SetField(*area_, "DATECREATE", "        ");
  EXPECT_EQ(exprtest::Show(*xb::Evaluate(expr.get())), "Tea/  -3.3/        ");
}

TEST_F(ExprTest, StoredFieldTextIsReadLikeTheTableStoresIt) {
  exprtest::SetField(*area_, "AMOUNT", "          ");
  exprtest::SetField(*area_, "DATECREATE", "20230231");
  exprtest::SetField(*area_, "DONE", "y");
  EXPECT_EQ(Eval("AMOUNT"), "0");
  EXPECT_EQ(Eval("DTOS(DATECREATE)"), "        ");
  EXPECT_EQ(Eval("DONE"), ".T.");
  exprtest::SetField(*area_, "DONE", "N");
  EXPECT_EQ(Eval("DONE"), ".F.");
}

TEST_F(ExprTest, EveryFieldReadsBlankWhenTheTableHoldsNoRecords) {
  area_->dbf.record_count = 0;
  EXPECT_EQ(Eval("NOTEBOARD"), std::string(40, ' '));
  EXPECT_EQ(Eval("AMOUNT"), "0");
  EXPECT_EQ(Eval("DATECREATE"), "        ");
  EXPECT_EQ(Eval("DONE"), ".F.");
}

TEST_F(ExprTest, AZeroByteInACharacterFieldEndsTheValue) {
  area_->dbf.record[area_->dbf.fields[0].offset + 3] = 0;
  EXPECT_EQ(Eval("NOTEBOARD + '|'"), "Gro|");
}

TEST_F(ExprTest, AnAliasedFieldOfAClosedAreaReadsBlank) {
  auto expr = xb::AssignExpr("OTHER->NAME + '|'");
  ASSERT_NE(expr, nullptr);
  xb::TakeArea(2);
  EXPECT_EQ(exprtest::Show(*xb::Evaluate(expr.get())), "|");
}

TEST_F(ExprTest, AliasesAreComparedOnTheirFirstTenCharacters) {
  other_->alias = "LONGALIASNAME";
  EXPECT_EQ(Eval("LONGALIASXYZ->QTY").substr(0, 6), "ERROR:");
  EXPECT_EQ(Eval("LONGALIASNOPE->QTY"), "7");
}

TEST_F(ExprTest, AMemoFieldReadsEmptyWithoutAMemoLayer) {
  char type = 0;
  EXPECT_EQ(Eval("NOTES", &type), "");
  EXPECT_EQ(type, 'M');
}

TEST_F(ExprTest, EvaluateOfNothingIsNothing) { EXPECT_EQ(xb::Evaluate(nullptr), nullptr); }

}  // namespace
