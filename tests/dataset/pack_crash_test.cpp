// Crashes and full disks in the middle of Pack and of an index build: after
// the machine comes back, the next open finds the table, its memos and its
// tags exactly as they were before the operation or as they are after it,
// for a stop at every file operation the operation makes. The engine's
// verifier checks the tags against the records; a byte scan checks the
// table file as any other dBASE reader would see it.
#include "tests/dataset/crash_fixture.h"

namespace qptest {
namespace {

using namespace crash;

const std::vector<int> kDeleted = {2, 5, 6, 11};
constexpr int kRecords = 12;

TEST_F(CrashTest, APackStoppedAtAnyFileOperationIsUndoneOrFinishedByTheNextOpen) {
  const TableState before = Expected(kRecords, kDeleted, false);
  const TableState after = Expected(kRecords, kDeleted, true);
  int finished = 0, undone = 0;
  for (int n = 1;; ++n) {
    SCOPED_TRACE("stop at call " + std::to_string(n));
    const std::string path = MakeNotes(kRecords, kDeleted);
    bool fired = false;
    {
      // Opened under the wrapper, so the table's own writes see the stop.
      CrashingFiles files;
      OpenForEditing(path);
      files.CrashAt(n);
      (void)xb::Pack();
      Close();  // closing counts too
      fired = files.Crashed();
    }
    const TableState state = ReadState(path);
    if (n % 7 == 0 || !fired) CheckWithDbfread(path, state);
    if (state == after) ++finished;
    else if (state == before) ++undone;
    else ADD_FAILURE() << "neither before nor after: " << Show(state);
    if (!fired) {
      EXPECT_EQ(state, after);
      break;
    }
    ASSERT_LT(n, 5000);
  }
  EXPECT_GT(finished, 1);
  EXPECT_GT(undone, 1);
}

TEST_F(CrashTest, APackOnAFullDiskFailsAndLeavesTheTableAsItWas) {
  const TableState before = Expected(kRecords, kDeleted, false);
  const TableState after = Expected(kRecords, kDeleted, true);
  for (int n = 1;; ++n) {
    SCOPED_TRACE("disk full from call " + std::to_string(n));
    const std::string path = MakeNotes(kRecords, kDeleted);
    bool ok = false, fired = false;
    {
      CrashingFiles files;
      OpenForEditing(path);
      files.DiskFullFrom(n);
      ok = xb::Pack();
      EXPECT_TRUE(ok || xb::ErrorCode() != 0) << "silent failure";
      Close();
      fired = files.DiskFull();
    }
    const TableState state = ReadState(path);
    EXPECT_TRUE(state == (ok ? after : before)) << Show(state);
    if (!fired) break;
    ASSERT_LT(n, 5000);
  }
}

TEST_F(CrashTest, AnIndexBuildStoppedAnywhereLeavesTheOldIndexOrTheNewOne) {
  const std::vector<xb::TagDefinition> rebuilt = {Def("BYNAME", "NAME")};
  for (const bool full_disk : {false, true}) {
    for (int n = 1;; ++n) {
      SCOPED_TRACE((full_disk ? "disk full from call " : "stop at call ") + std::to_string(n));
      const std::string path = MakeNotes(6, {2});
      bool fired = false, ok = false;
      {
        CrashingFiles files;
        ASSERT_TRUE(xb::Use(path)) << xb::ErrorText();
        if (full_disk) files.DiskFullFrom(n);
        else files.CrashAt(n);
        ok = xb::MakeIndex(rebuilt, "");
        Close();
        fired = files.Crashed() || files.DiskFull();
      }
      const TableState state = ReadState(path);
      const std::vector<std::string> old_tags = Expected(6, {2}, false).tags;
      const std::vector<std::string> new_tags = {"BYNAME,F,F,NAME", ""};
      EXPECT_TRUE(state.tags == old_tags || state.tags == new_tags) << Show(state);
      if (ok) {
        EXPECT_EQ(state.tags, new_tags);
      }
      if (full_disk && !ok) {
        EXPECT_EQ(state.tags, old_tags);
      }
      EXPECT_EQ(state.rows, Expected(6, {2}, false).rows);
      if (!fired) break;
      ASSERT_LT(n, 5000);
    }
  }
}

}  // namespace
}  // namespace qptest
