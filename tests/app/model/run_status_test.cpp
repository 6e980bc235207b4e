// The run status in Config.cfg: a clean stop is recorded only by the
// shutdown; an unclean one makes the next start rebuild the indexes and
// pack the tables; every 26th clean run packs as well.
#include <QFile>
#include <filesystem>

#include "app/model/WriteProtocol.h"
#include "app/model/status.h"
#include "components/IniFile.h"
#include "engine/dataset/uxbfds.h"
#include "tests/app/store_fixture.h"

namespace qp {
namespace {

class RunStatusTest : public StoreTest {
 protected:
  IniFile Config() const { return IniFile(folder() + "Config.cfg"); }
  bool Exists(const char* name) const { return QFile::exists(folder() + name); }
};

TEST_F(RunStatusTest, AFirstStartRebuildsNothingAndMarksTheRunAsGoing) {
  const RunStatus status = ReadRunStatus(folder());
  EXPECT_FALSE(status.uncleanStop);
  EXPECT_FALSE(status.packTables);
  EXPECT_TRUE(Config().valueExists("Status", "TerminatedOK"));
  EXPECT_FALSE(Config().readBool("Status", "TerminatedOK", true));
  RecordCleanStop(folder());
  EXPECT_TRUE(Config().readBool("Status", "TerminatedOK", false));
  EXPECT_EQ(Config().readInteger("Status", "LastPacked", -1), 1);
}

TEST_F(RunStatusTest, TheTablesArePackedAfterTwentySixCleanRuns) {
  const struct {
    int lastPacked;
    bool pack;
    int afterStart;
    int afterStop;
  } cases[] = {{0, false, 0, 1}, {25, false, 25, 26}, {26, true, 0, 1}, {40, true, 0, 1}};
  for (const auto& c : cases) {
    IniFile ini = Config();
    ini.writeBool("Status", "TerminatedOK", true);
    ini.writeInteger("Status", "LastPacked", c.lastPacked);
    const RunStatus status = ReadRunStatus(folder());
    EXPECT_EQ(status.packTables, c.pack) << c.lastPacked;
    EXPECT_FALSE(status.uncleanStop);
    EXPECT_EQ(Config().readInteger("Status", "LastPacked", -1), c.afterStart) << c.lastPacked;
    RecordCleanStop(folder());
    EXPECT_EQ(Config().readInteger("Status", "LastPacked", -1), c.afterStop) << c.lastPacked;
  }
}

TEST_F(RunStatusTest, AnUncleanStopDeletesTheThreeIndexFilesAndPacksTheTables) {
  {
    auto store = OpenStore();
    const NoteRecord kept = NewNote(*store, 1);
    const NoteRecord gone = NewNote(*store, 2);
    ASSERT_EQ(store->trashNote(gone), StoreResult::Done);
    ASSERT_EQ(store->notes().RecordCount(), 2);  // the deleted record is still in the file
    (void)kept;
    // No recordCleanStop: the process "dies" here.
  }
  xb::CloseAll();
  for (const char* index : {"notes.mdx", "Trash.mdx", "defaults.mdx"}) ASSERT_TRUE(Exists(index)) << index;

  auto store = std::make_unique<XbNoteStore>(folder(), clock_);
  store->readRunStatus();
  EXPECT_TRUE(store->runStatus().uncleanStop);
  EXPECT_TRUE(store->runStatus().packTables);
  for (const char* index : {"notes.mdx", "Trash.mdx", "defaults.mdx"}) EXPECT_FALSE(Exists(index)) << index;

  QStringList failed;
  ASSERT_TRUE(store->open(&failed));
  for (const char* index : {"notes.mdx", "Trash.mdx", "defaults.mdx"}) EXPECT_TRUE(Exists(index)) << index;
  EXPECT_EQ(store->notes().RecordCount(), 1);  // packed
  EXPECT_EQ(store->showingNotes().size(), 1);  // found through the rebuilt SHOWING tag
  EXPECT_EQ(store->trash().RecordCount(), 1);
  EXPECT_EQ(store->templates().size(), 10);
}

TEST_F(RunStatusTest, TheConfigFileIsFoundWhateverItsCase) {
  IniFile lower(folder() + "config.cfg");
  lower.writeBool("Status", "TerminatedOK", false);
  const RunStatus status = ReadRunStatus(folder());
  EXPECT_TRUE(status.uncleanStop);
  EXPECT_FALSE(Exists("Config.cfg"));  // no second file beside it
}

}  // namespace
}  // namespace qp
