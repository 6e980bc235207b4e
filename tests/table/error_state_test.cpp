// The engine's error state: recording, reporting by exception or program
// stop, the code texts, and every failure of the engine services.
#include "engine/table/error_state.h"

#include <gtest/gtest.h>

#include <memory>

#include "engine/table/files.h"
#include "engine/table/memory.h"
#include "engine/table/switches.h"
#include "platform/file.h"
#include "tests/support/scratch.h"

namespace {

class ErrorStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    xb::ResetErrorState();
    xb::ResetSwitches();
    xb::SetReportErrors(false);
  }
  void TearDown() override { xb::ResetErrorState(); }
};

TEST_F(ErrorStateTest, StartsWithReportingOnAndRaisingOff) {
  xb::ResetErrorState();
  EXPECT_EQ(xb::ErrorCode(), 0);
  EXPECT_EQ(xb::ErrorText(), "");
  EXPECT_TRUE(xb::ReportErrors());
  EXPECT_FALSE(xb::RaiseErrors());
}

TEST_F(ErrorStateTest, SwitchSettersReturnThePreviousValue) {
  EXPECT_FALSE(xb::SetReportErrors(true));
  EXPECT_TRUE(xb::SetReportErrors(false));
  EXPECT_FALSE(xb::SetRaiseErrors(true));
  EXPECT_TRUE(xb::SetRaiseErrors(false));
}

TEST_F(ErrorStateTest, WithoutReportingAnErrorIsOnlyRecorded) {
  xb::SetError(212, "Record 9 [Go]");
  EXPECT_EQ(xb::ErrorCode(), 212);
  EXPECT_EQ(xb::ErrorText(), "Record 9 [Go]");
  EXPECT_EQ(xb::GetErrorText(), "Error # 212 (Request beyond range)\r\nRecord 9 [Go]");
  EXPECT_EQ(xb::GetErrorText(), "") << "the text is taken by the first call";
  EXPECT_EQ(xb::ErrorCode(), 212) << "ErrorCode stays until cleared";
  xb::ClearErrorCode();
  EXPECT_EQ(xb::ErrorCode(), 0);
}

TEST_F(ErrorStateTest, ReportingWithRaisingThrowsTheTwoLineMessage) {
  xb::SetReportErrors(true);
  xb::SetRaiseErrors(true);
  try {
    xb::SetError(212, "T");
    FAIL() << "no exception";
  } catch (const xb::EEngineError& e) {
    EXPECT_STREQ(e.what(), "Error # 212 (Request beyond range)\r\nT");
  }
  EXPECT_EQ(xb::ErrorCode(), 212);
  EXPECT_EQ(xb::GetErrorText(), "") << "the report took the text";
}

TEST_F(ErrorStateTest, ReportingWithoutRaisingHaltsWithTheCodeAsExitStatus) {
  EXPECT_EXIT(
      {
        xb::SetReportErrors(true);
        xb::SetRaiseErrors(false);
        xb::SetError(212, "Record 9 [Go]");
      },
      ::testing::ExitedWithCode(212),
      "Program halted\\.\nError # 212 \\(Request beyond range\\)\r\nRecord 9 \\[Go\\]");
}

TEST_F(ErrorStateTest, ExitStatusIsTheLowByteOfTheCode) {
  EXPECT_EXIT(
      {
        xb::SetReportErrors(true);
        xb::SetError(1250, "lost [Net]");
      },
      ::testing::ExitedWithCode(1250 & 0xFF), "Program halted\\.");
}

TEST_F(ErrorStateTest, ReportErrorWithNothingRecordedDoesNothing) {
  xb::SetRaiseErrors(true);
  EXPECT_NO_THROW(xb::ReportError());
}

TEST_F(ErrorStateTest, RaiseEngineErrorThrowsTheGivenText) {
  EXPECT_THROW(xb::RaiseEngineError("x"), xb::EEngineError);
}

TEST_F(ErrorStateTest, CodeTextsNameTheMeaning) {
  struct {
    int code;
    const char* text;
  } cases[] = {
      {0, ""},
      {7, "Error # 7 (Undefined error)"},
      {1250, "Error # 1250 (Network Error)"},
      {1203, "Error # 1203 (Network Error)"},
      {1299, "Error # 1299 (Network Error)"},
      {1300, "Error # 1300 (File format not supported)"},
      {2, "Error # 2 (File not found)"},
      {18, "Error # 18 (Too many open files)"},
      {32, "Error # 32 (File sharing violation)"},
      {101, "Error # 101 (Disk write error (probable cause: Disk Full).)"},
      {227, "Error # 227 (Insufficient disk space )"},
      {1103, "Error # 1103 (Invalid Operation )"},
      {1202,
       "Error # 1202 (Semaphore file error. Possible solutions: log into network or load "
       "SHARE.EXE before running Windows)"},
      {37, "Error # 37 (Undefined error)"},
  };
  for (const auto& c : cases) EXPECT_EQ(xb::ErrorCodeText(c.code), c.text) << c.code;
}

// Every failure the engine services report, with its exact code and text.
TEST_F(ErrorStateTest, FreeingAnEmptyBlockIsReported) {
  xb::Block block = xb::AllocBlock(16);
  ASSERT_TRUE(block);
  EXPECT_EQ(block[15], 0);
  xb::FreeBlock(block);
  EXPECT_FALSE(block);
  EXPECT_EQ(xb::ErrorCode(), 0);
  xb::FreeBlock(block);
  EXPECT_EQ(xb::ErrorCode(), 9);
  EXPECT_EQ(xb::ErrorText(), "Attempt to free NIL pointer [FreeMem()]");
}

TEST_F(ErrorStateTest, FailedEraseOfOneFileIsReported) {
  qptest::Scratch scratch;
  std::string path = scratch.Path("held.dbf");
  qptest::WriteBytes(path, {'x'});
  std::unique_ptr<platform::File> held;
  ASSERT_EQ(platform::Files().Open(path, 0x42, held), 0);
  xb::EraseFiles(path);
  EXPECT_EQ(xb::ErrorCode(), 32);
  EXPECT_EQ(xb::ErrorText(), "Error erasing " + path);
}

TEST_F(ErrorStateTest, FilesLeftByAMaskAreReported) {
  qptest::Scratch scratch;
  qptest::WriteBytes(scratch.Path("a.tmp"), {'x'});
  std::unique_ptr<platform::File> held;
  ASSERT_EQ(platform::Files().Open(scratch.Path("a.tmp"), 0x40, held), 0);
  xb::EraseFiles(scratch.Path("*.tmp"));
  EXPECT_EQ(xb::ErrorCode(), 5);
  EXPECT_EQ(xb::ErrorText(), "Could not erase 1 files like " + scratch.Path("*.tmp"));
}

class NoTempFolder : public platform::FileSystemWrapper {
 public:
  using FileSystemWrapper::FileSystemWrapper;
  int TempFileName(const std::string&, std::string&) override { return 3; }
};

TEST_F(ErrorStateTest, MissingTemporaryNameIsReportedWithTheSystemCode) {
  NoTempFolder failing(platform::Files());
  platform::SetFiles(&failing);
  std::string name = xb::UniqueFilename();
  platform::SetFiles(nullptr);
  EXPECT_EQ(name, "");
  EXPECT_EQ(xb::ErrorCode(), 3);
  EXPECT_EQ(xb::ErrorText(), "Error requesting unique file name [UniqueFilename]");
}

}  // namespace
