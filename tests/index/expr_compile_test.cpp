// What AssignExpr accepts and refuses, with the exact error texts, and the
// result type, length and decimals it settles on.
#include <string>

#include "tests/index/expr_fixture.h"

namespace {

using exprtest::ExprTest;

std::string Message(const std::string& detail, const std::string& excerpt) {
  return "Error in expression : " + detail + "\r\n" + excerpt + "\r\n" + " [AssignExpr]";
}

std::string Mismatch(const std::string& op) { return "PARSER:Type mismatch in expression \"" + op + "\""; }
std::string FnMismatch(const std::string& fn) { return "PARSER:Type mismatch in function \"" + fn + "\""; }

struct Refused {
  const char* expr;
  std::string detail;
};

const Refused kRefused[] = {
    {"recno", "Syntax error"},
    {"RECNO", "Syntax error"},
    {"DELETED", "Syntax error"},
    {"DONE.AND.DONE", "Unknown field or name DONE.AND.DONE"},
    {".T..AND..F.", "Syntax error"},
    {"REP('ab', 3)", "Unknown function REP"},
    {"UPP(NOTEBOARD)", "Unknown function UPP"},
    {"DELETEDX()", "Unknown function DELETEDX"},
    {"SUBSTR('abc', 1)", "Syntax error"},
    {"SUBSTR('abc', 1, 2, 3)", "Syntax error"},
    {"DATE(1)", "Syntax error"},
    {"UPPER()", "Syntax error"},
    {"STR(1, 2, 3, 4)", "Syntax error"},
    {"UPPER NOTEBOARD", "Syntax error"},
    {"1 2", "Syntax error"},
    {"(1", "Syntax error"},
    {"1)", "Syntax error"},
    {"1 +", "Syntax error"},
    {"", "Syntax error"},
    {"1 ! 2", "Syntax error"},
    {"a->b", "Unknown field or name a->b"},
    {"OTHER->NOSUCH", "Unknown field or name OTHER->NOSUCH"},
    {"OTHER->", "Unknown field or name OTHER->"},
    {"NOBODY->NAME", "Unknown field or name NOBODY->NAME"},
    {"1 + 'open", "Syntax error"},
    {"'open", "Syntax error"},
    {"1 , 2", "Syntax error"},
    {"NOTEBOARD(1)", "Unknown function NOTEBOARD"},
    {".5", "Syntax error"},
    {"1 + 'a'", Mismatch("+")},
    {"'a' - 1", Mismatch("-")},
    {"DATECREATE + DATECREATE", Mismatch("+")},
    {"1 - DATECREATE", Mismatch("-")},
    {"'a' * 2", Mismatch("*")},
    {"DATECREATE / 2", Mismatch("/")},
    {"'a' ^ 2", Mismatch("** or ^")},
    {"2 ** .T.", Mismatch("** or ^")},
    {"1 = 'a'", Mismatch("=")},
    {"NOTES = 'a'", Mismatch("=")},
    {"1 $ 2", Mismatch("$")},
    {"1 == 1", Mismatch("==")},
    {".T. > .F.", Mismatch(">")},
    {"1 < 'a'", Mismatch("<")},
    {"1 <> 'a'", Mismatch("<>")},
    {"1 # 'a'", Mismatch("<>")},
    {".T. <= .T.", Mismatch("<=")},
    {"DATECREATE >= 1", Mismatch(">=")},
    {"1 .OR. .T.", Mismatch(".OR.")},
    {".T. .AND. 'a'", Mismatch(".AND.")},
    {".NOT. 1 = 1", Mismatch(".NOT.")},
    {"+'a'", Mismatch("Unary +")},
    {"-DATECREATE", Mismatch("Unary -")},
    {"IIF(.T., 1, 2)", FnMismatch("IIF")},
    {"REPL(1, 'a')", FnMismatch("REPLICATE")},
    {"UPPER(NOTES)", FnMismatch("UPPER")},
    {"MAX(1, DATECREATE)", FnMismatch("MAX")},
    {"MIN('a', 'b')", FnMismatch("MIN")},
    {"STR('1')", FnMismatch("STR")},
    {"DTOS(1)", FnMismatch("DTOS")},
    {"CTOD(DATECREATE)", FnMismatch("CTOD")},
    {"SOUND(1)", FnMismatch("SOUNDEX")},
};

class ExprRefused : public ExprTest, public ::testing::WithParamInterface<Refused> {};

TEST_P(ExprRefused, FailsWithCode351AndTheDetail) {
  const Refused& c = GetParam();
  EXPECT_EQ(xb::AssignExpr(c.expr), nullptr) << c.expr;
  EXPECT_EQ(xb::ErrorCode(), 351) << c.expr;
  const std::string prefix = "Error in expression : " + c.detail + "\r\n[";
  EXPECT_EQ(xb::ErrorText().substr(0, prefix.size()), prefix) << c.expr;
}

INSTANTIATE_TEST_SUITE_P(Table, ExprRefused, ::testing::ValuesIn(kRefused));

TEST_F(ExprTest, TheMessageShowsTheWholeShortText) {
  EXPECT_EQ(xb::AssignExpr("1 + 'a'"), nullptr);
  EXPECT_EQ(xb::ErrorText(), Message(Mismatch("+"), "[1 + 'a']"));
}

TEST_F(ExprTest, TheExcerptOfALongTextStartsFiftyOneBeforeTheError) {
  // The '!' at index 59 is read, so the lexer stands at 60.
  std::string text = "'" + std::string(56, 'a') + "' !" + std::string(140, 'b');
  ASSERT_EQ(text.size(), 200u);
  ASSERT_EQ(text[59], '!');
  EXPECT_EQ(xb::AssignExpr(text), nullptr);
  EXPECT_EQ(xb::ErrorText(), Message("Syntax error", "[..." + text.substr(9, 51) + "...]"));
}

TEST_F(ExprTest, TheExcerptOfAnEarlyErrorShowsFiftyOneCharactersFromTheStart) {
  std::string text = "1 ! " + std::string(60, 'x');
  EXPECT_EQ(xb::AssignExpr(text), nullptr);
  EXPECT_EQ(xb::ErrorText(), Message("Syntax error", "[" + text.substr(0, 51) + "...]"));
}

TEST_F(ExprTest, DeepPrefixNestingOverflowsTheParserStack) {
  EXPECT_EQ(xb::AssignExpr(std::string(200, '-') + "1"), nullptr);
  EXPECT_EQ(xb::ErrorText().substr(0, 45), "Error in expression : Parser_stack_overflow\r\n");
  EXPECT_NE(xb::AssignExpr(std::string(100, '-') + "1"), nullptr);
  EXPECT_NE(xb::AssignExpr(std::string(120, '(') + "1" + std::string(120, ')')), nullptr);
}

TEST_F(ExprTest, TextsLongerThan255CharactersAreRefused) {
  const std::string ok = "'" + std::string(253, 'a') + "'";
  EXPECT_NE(xb::AssignExpr(ok), nullptr);
  EXPECT_EQ(xb::AssignExpr(ok + " "), nullptr);
  EXPECT_EQ(xb::ErrorCode(), 351);
}

TEST_F(ExprTest, ANumberLiteralOfMoreThan80CharactersIsRefused) {
  EXPECT_NE(xb::AssignExpr(std::string(80, '1')), nullptr);
  EXPECT_EQ(xb::AssignExpr(std::string(81, '1')), nullptr);
}

TEST_F(ExprTest, APendingExpressionErrorIsClearedByTheNextCompile) {
  xb::SetError(358, "x");
  EXPECT_NE(xb::AssignExpr("1"), nullptr);
  EXPECT_EQ(xb::ErrorCode(), 0);
  xb::SetError(212, "y");
  EXPECT_NE(xb::AssignExpr("1"), nullptr);
  EXPECT_EQ(xb::ErrorCode(), 212);
}

TEST_F(ExprTest, AFailedCompileRaisesWhenTheEngineRaises) {
  xb::SetReportErrors(true);
  xb::SetRaiseErrors(true);
  EXPECT_THROW(xb::AssignExpr("1 +"), xb::EEngineError);
  xb::SetRaiseErrors(false);
  xb::SetReportErrors(false);
}

struct Shape {
  const char* expr;
  char type;
  int length;
  int decimals;
};

const Shape kShapes[] = {
    {"upper(Noteboard)", 'C', 40, 0},
    {"trim(Noteboard)", 'C', 40, 0},
    {"NOTEBOARD", 'C', 40, 0},
    {"upper(Noteboard) + 'x'", 'C', 0, 0},
    {"'abc'", 'C', 0, 0},
    {"SUBSTR(NOTEBOARD, 1, 3)", 'C', 0, 0},
    // DTOS reserves 9 pool bytes, which is the date field's length + 1.
    {"DTOS(DATECREATE)", 'C', 8, 0},
    {"AMOUNT", 'N', 10, 2},
    {"COUNT", 'N', 5, 0},
    {"PRICE", 'N', 8, 3},
    {"COUNT + 1", 'N', 13, 2},
    {"1 + COUNT", 'N', 5, 2},
    {"ABS(COUNT)", 'N', 5, 2},
    {"1", 'N', 13, 2},
    {"DATECREATE", 'D', 8, 0},
    {"DATE()", 'D', 8, 0},
    {"DONE", 'L', 1, 0},
    {"NOTES", 'M', 256, 0},
    {"(NOTES)", 'M', 256, 0},
};

class ExprShape : public ExprTest, public ::testing::WithParamInterface<Shape> {};

TEST_P(ExprShape, SettlesTypeLengthAndDecimals) {
  const Shape& s = GetParam();
  auto expr = xb::AssignExpr(s.expr);
  ASSERT_NE(expr, nullptr) << s.expr << ": " << xb::ErrorText();
  EXPECT_EQ(expr->type(), s.type) << s.expr;
  EXPECT_EQ(expr->length(), s.length) << s.expr;
  EXPECT_EQ(expr->decimals(), s.decimals) << s.expr;
  EXPECT_EQ(expr->source(), s.expr);
}

INSTANTIATE_TEST_SUITE_P(Table, ExprShape, ::testing::ValuesIn(kShapes));

struct Check {
  std::string text;
  bool as_key;
  int code;
};

class ExprCheck : public ExprTest, public ::testing::WithParamInterface<Check> {};

TEST_P(ExprCheck, ReturnsItsCodeAndLeavesNoError) {
  const Check& c = GetParam();
  xb::SetReportErrors(true);  // must not halt: CheckExpr never reports
  EXPECT_EQ(xb::CheckExpr(c.text, c.as_key), c.code) << c.text;
  EXPECT_TRUE(xb::ReportErrors());
  xb::SetReportErrors(false);
  EXPECT_EQ(xb::ErrorCode(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExprCheck,
    ::testing::Values(Check{"", true, 359}, Check{"    ", false, 359},
                      Check{"'" + std::string(219, 'a') + "'", true, 360},
                      Check{"'" + std::string(218, 'a') + "'   ", true, 0},
                      Check{"'" + std::string(219, 'a') + "' = 'a'", false, 0},
                      Check{"DONE", true, 361}, Check{"NOTES", true, 361},
                      Check{"NOTEBOARD", true, 0}, Check{"upper(NOTEBOARD)", true, 0},
                      Check{"AMOUNT", true, 0}, Check{"DATECREATE", true, 0},
                      Check{"DONE", false, 0}, Check{"ALARMACT = 'Y'", false, 0},
                      Check{"NOTEBOARD", false, 362}, Check{"1 +", false, 351},
                      Check{"1 +", true, 351}));

TEST_F(ExprTest, CheckExprCompilesMemosWithAnEmptyPoolAndRestoresIt) {
  EXPECT_EQ(xb::CheckExpr("NOTES", true), 361);
  auto expr = xb::AssignExpr("NOTES");
  ASSERT_NE(expr, nullptr);
  EXPECT_EQ(expr->length(), 256);
}

TEST_F(ExprTest, DisposeExprFreesAndForgetsTheExpression) {
  auto expr = xb::AssignExpr("UPPER(NOTEBOARD)");
  EXPECT_EQ(xb::LiveExprCount(), live_at_start_ + 1);
  xb::DisposeExpr(expr);
  EXPECT_EQ(expr, nullptr);
  EXPECT_EQ(xb::LiveExprCount(), live_at_start_);
  xb::DisposeExpr(expr);  // nothing to free
}

TEST_F(ExprTest, AFailedCompileLeavesNoExpressionBehind) {
  EXPECT_EQ(xb::AssignExpr("UPPER(NOTEBOARD) + 1"), nullptr);
  EXPECT_EQ(xb::LiveExprCount(), live_at_start_);
}

TEST_F(ExprTest, AFieldNamedLikeAFunctionIsTheFieldUnlessCalled) {
  EXPECT_EQ(xb::AssignExpr("DATE")->type(), 'C');
  EXPECT_EQ(xb::AssignExpr("DATE()")->type(), 'D');
}

TEST_F(ExprTest, WithoutATableOnlyLiteralsAndFunctionsCompile) {
  auto expr = xb::AssignExprFor("NOTEBOARD", nullptr);
  EXPECT_EQ(expr, nullptr);
  auto date = xb::AssignExprFor("DTOS(DATE())", nullptr);
  ASSERT_NE(date, nullptr);
  EXPECT_EQ(xb::EvaluateFor(date.get(), nullptr)->text, "20260704");
}

}  // namespace
