// Key maintenance seen from the table commands: a failure inside it reaches
// the caller of Append and Replace.
#include "engine/index/index_check.h"
#include "engine/table/xbase.h"
#include "tests/index/index_fixture.h"
#include "tests/support/failing_files.h"

namespace qptest {
namespace {

class IndexUpdateTest : public IndexTest {
 protected:
  void SetUp() override {
    IndexTest::SetUp();
    path_ = WriteTable("upd", Generate(40, 3));
    ASSERT_TRUE(xb::Use(path_ + " EXCLUSIVE")) << xb::ErrorText();
    ASSERT_TRUE(xb::MakeIndex({Def("NAME", "NAME"), Def("NUM", "NUM")}, "")) << xb::ErrorText();
    xb::CloseAll();
  }
  void OpenIndexed() {
    ASSERT_TRUE(xb::Use(path_ + " EXCLUSIVE")) << xb::ErrorText();
    ASSERT_TRUE(xb::SetIndexTo("")) << xb::ErrorText();
    ASSERT_TRUE(xb::SetOrderToTag("NAME")) << xb::ErrorText();
  }

  std::string path_;
};

TEST_F(IndexUpdateTest, AnIndexWriteThatFailsFailsTheAppendAndTheReplace) {
  struct Case {
    const char* what;
    bool append;
  };
  for (const Case& c : {Case{"append", true}, Case{"replace", false}}) {
    SCOPED_TRACE(c.what);
    FailingFiles files;  // wraps only files opened after it
    files.OnlyPathsContaining(".MDX");
    OpenIndexed();
    xb::Go(5);
    if (c.append) xb::ClearRecord();
    ASSERT_TRUE(xb::PutSwapText(*xb::CurrentArea(), 1, "ZZZ changed"));
    files.FailCall(1, 0, /*sticky=*/true);
    const bool ok = c.append ? xb::Append() : xb::Replace();
    EXPECT_TRUE(files.FaultFired());
    files.Heal();
    EXPECT_FALSE(ok);
    EXPECT_NE(xb::ErrorCode(), 0);
    xb::ClearErrorCode();
    xb::CloseAll();
  }
}

}  // namespace
}  // namespace qptest
