// A process killed while it holds the index writer lock: the kernel drops
// its region lock, but its writer mark stays in the semaphore file. Other
// processes must then give up after the configured wait with the timeout
// message instead of hanging, write nothing, and work again once the stale
// file is deleted.
#include <unistd.h>

#include <sstream>

#include "engine/index/index_check.h"
#include "engine/index/semaphore.h"
#include "engine/table/dbf_file.h"
#include "engine/table/scatter_gather.h"
#include "engine/table/xbase.h"
#include "platform/ui_hooks.h"
#include "tests/index/child_role.h"
#include "tests/index/index_fixture.h"

namespace qptest {
namespace {

// Opens the table shared, takes the writer lock and starts an append the
// way Append does: the record is written, its keys not yet. Then reports
// and waits to be killed, leaving the tags without the record's keys.
int HoldWriterLock(const std::string& path) {
  xb::SetReportErrors(false);
  xb::ExpressionInit();
  xb::IndexInit();
  xb::SetSelectedArea(1);
  char result = 'F';
  if (xb::Use(path) && xb::SetIndexTo("") && xb::SetLockSemaphoreProc(*xb::CurrentArea(), true) &&
      xb::ALock()) {
    xb::ClearRecord();
    xb::WorkArea& area = *xb::CurrentArea();
    if (xb::PutSwapText(area, 1, "HALF DONE")) {
      xb::Gather(area);
      if (xb::AppendDbfRecord(area.dbf)) result = 'H';
    }
  }
  if (write(kChildReportFd, &result, 1) != 1) return 98;
  for (;;) pause();
}

int RunRole(const std::string& role) {
  std::istringstream words(role);
  std::string kind, path;
  words >> kind >> path;
  return kind == "hold-writer" ? HoldWriterLock(path) : 95;
}

const bool roles = RegisterRoles(&RunRole);

// Collects what the engine tells the user while it is installed.
struct MessageLog : platform::UiHooks {
  MessageLog() { platform::SetUiHooks(this); }
  ~MessageLog() override { platform::SetUiHooks(nullptr); }
  void MessageBox(const std::string&, const std::string& text, platform::MessageIcon) override {
    texts.push_back(text);
  }
  std::vector<std::string> texts;
};

class SemaphoreKillTest : public IndexTest {
 protected:
  void SetUp() override {
    (void)roles;
    IndexTest::SetUp();
    xb::ResetSemaphores();
    path_ = WriteTable("killed", Generate(30, 11));
    ASSERT_TRUE(xb::Use(path_ + " EXCLUSIVE"));
    ASSERT_TRUE(xb::MakeIndex({Def("NAME", "NAME"), Def("NUM", "NUM")}, "")) << xb::ErrorText();
    xb::CloseAll();
    semaphore_ = xb::SemaphoreFileName(path_ + ".DBF");
    xb::SemaphoreSettings().region_lock_ms = 300;
    xb::SemaphoreSettings().writer_wait_seconds = 1;
  }
  void TearDown() override {
    IndexTest::TearDown();
    xb::ResetSemaphores();
  }

  // Starts the holder and waits until it has the writer lock.
  std::unique_ptr<Child> StartHolder() {
    int report[2];
    EXPECT_EQ(pipe2(report, O_CLOEXEC), 0);
    auto child = std::make_unique<Child>("hold-writer " + path_, report[1]);
    close(report[1]);
    char result = 0;
    EXPECT_EQ(read(report[0], &result, 1), 1);
    close(report[0]);
    EXPECT_EQ(result, 'H') << "the holder did not get the writer lock";
    return child;
  }

  bool AppendOne(const std::string& name) {
    xb::ClearRecord();
    EXPECT_TRUE(xb::PutSwapText(*xb::CurrentArea(), 1, name));
    EXPECT_TRUE(xb::ALock());
    const bool ok = xb::Append();
    const int code = xb::ErrorCode();
    const std::string text = xb::ErrorText();
    xb::Unlock();
    xb::SetError(code, text);
    return ok;
  }

  std::string path_;
  std::string semaphore_;
};

TEST_F(SemaphoreKillTest, AWriterKilledWhileHoldingTheLockIsDetectedAndTheNextWriterGoesOn) {
  std::unique_ptr<Child> holder = StartHolder();
  // While the holder lives its region lock keeps every other open out.
  ASSERT_TRUE(xb::Use(path_));
  EXPECT_FALSE(xb::SetIndexTo(""));
  EXPECT_EQ(xb::ErrorCode(), 1202);
  EXPECT_EQ(xb::ErrorText().rfind("10 second timeout: Cannot lock index semaphore file: " + semaphore_ +
                                      " LOGIN\r\nPossible cause: Network lock limit exceeded\r\n Lock result code: ",
                                  0),
            0u)
      << xb::ErrorText();
  xb::CloseAll();

  EXPECT_EQ(holder->Kill(), 128 + SIGKILL);
  // The region lock died with the holder; its writer mark did not, but its
  // at-work flag tells the next writer that the mark's owner is gone. Its
  // record reached the table and none of its keys the tags: the open
  // rebuilds them and says so.
  MessageLog messages;
  ASSERT_TRUE(xb::Use(path_));
  ASSERT_TRUE(xb::SetIndexTo("")) << xb::ErrorText();
  platform::SetUiHooks(nullptr);
  ASSERT_EQ(messages.texts.size(), 1u);
  EXPECT_NE(messages.texts[0].find("stopped in the middle of writing to the index"), std::string::npos)
      << messages.texts[0];
  EXPECT_NE(messages.texts[0].find("rebuilt"), std::string::npos) << messages.texts[0];
  xb::ClearErrorCode();
  EXPECT_TRUE(AppendOne("AFTER KILL")) << xb::ErrorText();
  EXPECT_EQ(xb::RecCount(), 32);
  const std::vector<std::string> faults = xb::VerifyIndexFile(*xb::CurrentArea());
  EXPECT_TRUE(faults.empty()) << faults.front();
  xb::CloseAll();
}

}  // namespace
}  // namespace qptest
