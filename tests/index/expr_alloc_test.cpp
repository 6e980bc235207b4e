// An expression allocates nothing once it has been evaluated: every buffer a
// run needs was sized at compile time. Counted by replacing the global
// operator new in this test binary.
#include <atomic>
#include <cstdlib>
#include <new>

#include "tests/index/expr_fixture.h"

namespace {
std::atomic<long> allocations{0};
}  // namespace

// GCC cannot see that this new and delete pair up and warns on the free().
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
  ++allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using exprtest::ExprTest;

class ExprAlloc : public ExprTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ExprAlloc, ASecondEvaluationAllocatesNothing) {
  const long at_start = allocations.load();
  auto expr = xb::AssignExpr(GetParam());
  ASSERT_NE(expr, nullptr) << xb::ErrorText();
  ASSERT_GT(allocations.load(), at_start) << "the counter does not see allocations";
  xb::Evaluate(expr.get());
  const long before = allocations.load();
  for (int i = 0; i < 3; ++i) xb::Evaluate(expr.get());
  EXPECT_EQ(allocations.load() - before, 0) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(
    Expressions, ExprAlloc,
    ::testing::Values("upper(NOTEBOARD)",
                      "ALARMACT == 'Y' .AND. DATECREATE < DATE()",
                      "TRIM(NOTEBOARD) + STR(AMOUNT, 10, 2) + DTOS(DATECREATE) + DTOC(DATECREATE)",
                      "CDOW(DATECREATE) + CMONTH(DATECREATE) + SOUNDEX(NOTEBOARD) + CHR(65)",
                      "IIF(DONE, REPLICATE('ab', 100), SPACE(200)) - LTRIM(LOWER(DATE))",
                      "STUFF(NOTEBOARD, 2, 3, 'xyz') + SUBSTR(NOTEBOARD, 2, 5) + LEFT(NOTEBOARD, 3) + RIGHT(NOTEBOARD, 3)",
                      "ROUND(AMOUNT, 1) + MOD(COUNT, 5) + VAL(DATE) + AT('o', NOTEBOARD) + LEN(NOTEBOARD) + RECNO()",
                      "CTOD(DTOC(DATECREATE)) = DATECREATE .AND. YEAR(DATECREATE) > 2000 .AND. OTHER->QTY > 0",
                      "MAX(DATECREATE, DATE()) - MIN(DATECREATE, DATE()) > 2 ^ 3"));

}  // namespace
