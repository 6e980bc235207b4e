// The fault-injection wrapper other tests build on.
#include "tests/support/failing_files.h"

#include <gtest/gtest.h>

#include "platform/file.h"
#include "tests/support/scratch.h"

namespace {

class FailingFilesTest : public ::testing::Test {
 protected:
  // Create, write, flush, size: four counted calls. Returns the first error.
  int WriteSomething() {
    std::unique_ptr<platform::File> file;
    if (int rc = platform::Files().Create(scratch_.Path("a.dbf"), 0x42, file)) return rc;
    const uint8_t data[] = {1, 2, 3};
    if (int rc = file->WriteAt(0, data)) return rc;
    if (int rc = file->Flush()) return rc;
    uint64_t size = 0;
    return file->Size(size);
  }
  qptest::Scratch scratch_;
};

TEST_F(FailingFilesTest, CallNumberNFailsWithItsNaturalCode) {
  const int expected[] = {5, 101, 101, 5};
  for (int n = 1;; ++n) {
    qptest::FailingFiles files;
    files.FailCall(n);
    int rc = WriteSomething();
    if (!files.FaultFired()) {
      EXPECT_EQ(rc, 0);
      EXPECT_EQ(n, 5);
      break;
    }
    ASSERT_LE(n, 4);
    EXPECT_EQ(rc, expected[n - 1]) << "call " << n;
  }
}

TEST_F(FailingFilesTest, GivenCodeStickyFailuresAndHealing) {
  qptest::FailingFiles files;
  files.FailCall(2, 19, true);
  std::unique_ptr<platform::File> file;
  ASSERT_EQ(platform::Files().Create(scratch_.Path("a.dbf"), 0x42, file), 0);
  const uint8_t data[] = {1};
  EXPECT_EQ(file->WriteAt(0, data), 19);
  EXPECT_EQ(file->Lock(0x40000000, 1), 19) << "sticky: later calls fail too";
  files.Heal();
  EXPECT_EQ(file->WriteAt(0, data), 0);
}

TEST_F(FailingFilesTest, PathFilterAndRestoreOnDestruction) {
  platform::FileSystem* real = &platform::Files();
  {
    qptest::FailingFiles files;
    EXPECT_EQ(&platform::Files(), &files);
    files.FailCall(1);
    files.OnlyPathsContaining(".dbt");
    std::unique_ptr<platform::File> file;
    EXPECT_EQ(platform::Files().Create(scratch_.Path("a.dbf"), 0x42, file), 0);
    EXPECT_EQ(platform::Files().Create(scratch_.Path("a.dbt"), 0x42, file), 5);
    EXPECT_EQ(files.Calls(), 1);
  }
  EXPECT_EQ(&platform::Files(), real);
}

}  // namespace
