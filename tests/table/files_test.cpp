// The engine's file helpers: name parts, erasing, temporary names, space.
#include "engine/table/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "engine/table/error_state.h"
#include "engine/table/switches.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "tests/support/scratch.h"

namespace {

namespace fs = std::filesystem;

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    xb::ResetErrorState();
    xb::ResetSwitches();
    xb::SetReportErrors(false);
  }
  void TearDown() override { xb::ResetErrorState(); }
  std::string Make(const std::string& name) {
    qptest::WriteBytes(scratch_.Path(name), {'x'});
    return scratch_.Path(name);
  }
  qptest::Scratch scratch_;
};

struct ExtCase {
  const char* name;
  const char* default_ext;
  const char* forced;
  const char* without;
};

TEST_F(FilesTest, ExtensionsAreAddedReplacedAndRemoved) {
  const ExtCase cases[] = {
      {"notes", "notes.DBF", "notes.MDX", "notes"},
      {"notes.dbf", "notes.dbf", "notes.MDX", "notes"},
      {"dir.v2/notes", "dir.v2/notes.DBF", "dir.v2/notes.MDX", "dir.v2/notes"},
      {"dir.v2\\notes", "dir.v2\\notes.DBF", "dir.v2\\notes.MDX", "dir.v2\\notes"},
      {"a.b.c", "a.b.c", "a.b.MDX", "a.b"},
      {"/tmp/x.", "/tmp/x.", "/tmp/x.MDX", "/tmp/x"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(xb::DefaultExt(c.name, "DBF"), c.default_ext) << c.name;
    EXPECT_EQ(xb::ForceExt(c.name, "MDX"), c.forced) << c.name;
    EXPECT_EQ(xb::NameWithoutExt(c.name), c.without) << c.name;
  }
}

TEST_F(FilesTest, SplitNameGivesFolderBaseAndExtension) {
  struct {
    const char* name;
    const char* dir;
    const char* base;
    const char* ext;
  } cases[] = {
      {"/data/notes.dbf", "/data/", "notes", ".dbf"},
      {"notes", "", "notes", ""},
      {"c\\data\\Trash.DBT", "c\\data\\", "Trash", ".DBT"},
      {"/data.old/readme", "/data.old/", "readme", ""},
      {"/data/", "/data/", "", ""},
  };
  for (const auto& c : cases) {
    xb::NameParts p = xb::SplitName(c.name);
    EXPECT_EQ(p.directory, c.dir) << c.name;
    EXPECT_EQ(p.base, c.base) << c.name;
    EXPECT_EQ(p.extension, c.ext) << c.name;
  }
  xb::NameParts long_parts = xb::SplitName(std::string(70, 'n') + "." + std::string(70, 'e'));
  EXPECT_EQ(long_parts.base.size(), 64u);
  EXPECT_EQ(long_parts.extension.size(), 64u);
}

TEST_F(FilesTest, FullNameIsAbsoluteAndNormal) {
  EXPECT_EQ(xb::FullName("/a/b/../c.dbf"), "/a/c.dbf");
  EXPECT_EQ(xb::FullName("x.dbf"), (fs::current_path() / "x.dbf").string());
}

TEST_F(FilesTest, ExistenceAndTodaysDate) {
  std::string path = Make("Notes.dbf");
  EXPECT_TRUE(xb::FileExists(path));
  EXPECT_TRUE(xb::FileExists(scratch_.Path("NOTES.DBF")));
  EXPECT_FALSE(xb::FileExists(scratch_.Path("trash.dbf")));
  EXPECT_FALSE(xb::FileExists(scratch_.dir().string())) << "a folder is not a file";
  EXPECT_TRUE(xb::IsFileDateToday(path));
  fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(24 * 3));
  EXPECT_FALSE(xb::IsFileDateToday(path));
  EXPECT_FALSE(xb::IsFileDateToday(scratch_.Path("trash.dbf")));

  std::unique_ptr<platform::File> file;
  ASSERT_EQ(platform::Files().Open(path, 0x40, file), 0);
  EXPECT_NEAR(static_cast<double>(xb::FileDate(*file)),
              static_cast<double>(time(nullptr) - 3 * 86400), 120.0);
}

TEST_F(FilesTest, ShortPathNamesHaveEightThreePartsAndAreStable) {
  fs::create_directory(scratch_.Path("Long Folder Name"));
  std::string path = scratch_.Path("Long Folder Name/Notes Backup.config");
  qptest::WriteBytes(path, {'x'});
  std::string short_name = xb::ShortPathName(path);
  ASSERT_FALSE(short_name.empty());
  EXPECT_EQ(short_name, xb::ShortPathName(path));
  fs::path p(short_name);
  EXPECT_EQ(p.filename().string().substr(0, 8), "NOTESB~" + p.filename().string().substr(7, 1));
  EXPECT_EQ(p.extension().string(), ".CON");
  EXPECT_EQ(p.parent_path().filename().string().substr(0, 7), "LONGFO~");
  for (const auto& part : p) {
    if (part != "/") {
      EXPECT_LE(part.string().size(), 12u) << short_name;
    }
  }

  std::string plain = Make("NOTES.DBF");
  EXPECT_EQ(fs::path(xb::ShortPathName(plain)).filename(), "NOTES.DBF");
  EXPECT_EQ(xb::ShortPathName(scratch_.Path("missing/notes.dbf")), "");
}

TEST_F(FilesTest, EraseFileIsRefusedWhileAnotherOpenExists) {
  std::string path = Make("notes.dbf");
  std::unique_ptr<platform::File> held;
  ASSERT_EQ(platform::Files().Open(path, 0x42, held), 0);
  EXPECT_EQ(xb::EraseFile(path), 32);
  EXPECT_TRUE(fs::exists(path));
  held.reset();
  EXPECT_EQ(xb::EraseFile(path), 0);
  EXPECT_FALSE(fs::exists(path));
  EXPECT_EQ(xb::EraseFile(path), 2);
  EXPECT_EQ(xb::ErrorCode(), 0) << "EraseFile reports nothing";
}

TEST_F(FilesTest, EraseFilesWithoutWildcardErasesOneFileOrSetsTheError) {
  std::string path = Make("notes.dbf");
  EXPECT_TRUE(xb::EraseFiles(path));
  EXPECT_FALSE(fs::exists(path));
  EXPECT_EQ(xb::ErrorCode(), 0);
  EXPECT_FALSE(xb::EraseFiles(path));
  EXPECT_EQ(xb::ErrorCode(), 2);
  EXPECT_EQ(xb::ErrorText(), "Error erasing " + path);
}

TEST_F(FilesTest, EraseFilesByMaskErasesOnlyMatchingOrdinaryFiles) {
  struct {
    const char* mask;
    std::vector<const char*> erased;
  } cases[] = {
      {"*.tmp", {"a.tmp", "B.TMP"}},
      {"?.tmp", {"a.tmp", "B.TMP"}},
      {"xbp*.*", {"XBP1.TMP", "xbp2"}},
      {"*", {"a.tmp", "B.TMP", "XBP1.TMP", "xbp2", "notes.dbf"}},
  };
  for (const auto& c : cases) {
    qptest::Scratch scratch;
    for (const char* name : {"a.tmp", "B.TMP", "XBP1.TMP", "xbp2", "notes.dbf", ".hidden.tmp"})
      qptest::WriteBytes(scratch.Path(name), {'x'});
    fs::create_directory(scratch.Path("dir.tmp"));
    EXPECT_TRUE(xb::EraseFiles(scratch.Path(c.mask))) << c.mask;
    EXPECT_EQ(xb::ErrorCode(), 0) << c.mask;
    for (const char* name : c.erased)
      EXPECT_FALSE(fs::exists(scratch.Path(name))) << c.mask << " " << name;
    EXPECT_TRUE(fs::exists(scratch.Path(".hidden.tmp"))) << c.mask;
    EXPECT_TRUE(fs::exists(scratch.Path("dir.tmp"))) << c.mask;
  }
}

TEST_F(FilesTest, MaskMatchingNothingLeavesNoMoreFilesWithoutReport) {
  Make("notes.dbf");
  xb::SetReportErrors(true);
  xb::SetRaiseErrors(true);
  EXPECT_NO_THROW(EXPECT_TRUE(xb::EraseFiles(scratch_.Path("*.tmp"))));
  EXPECT_EQ(xb::ErrorCode(), 18);
  EXPECT_EQ(xb::GetErrorText(), "") << "nothing pending";
}

TEST_F(FilesTest, FilesThatCannotBeErasedAreCountedAndKept) {
  std::string a = Make("a.tmp"), b = Make("b.tmp");
  Make("c.tmp");
  std::unique_ptr<platform::File> held_a, held_b;
  ASSERT_EQ(platform::Files().Open(a, 0x40, held_a), 0);
  ASSERT_EQ(platform::Files().Open(b, 0x42, held_b), 0);
  std::string mask = scratch_.Path("*.tmp");
  EXPECT_FALSE(xb::EraseFiles(mask));
  EXPECT_EQ(xb::ErrorCode(), 5);
  EXPECT_EQ(xb::ErrorText(), "Could not erase 2 files like " + mask);
  EXPECT_EQ(xb::EraseFailures().size(), 2u);
  EXPECT_FALSE(fs::exists(scratch_.Path("c.tmp")));
  held_a.reset();
  held_b.reset();
  EXPECT_TRUE(xb::EraseFiles(mask));
  EXPECT_TRUE(xb::EraseFailures().empty());
}

TEST_F(FilesTest, UniqueFilenameCreatesAnEmptyXbpFile) {
  std::string first = xb::UniqueFilename();
  std::string second = xb::UniqueFilename();
  ASSERT_FALSE(first.empty());
  EXPECT_NE(first, second);
  EXPECT_EQ(fs::path(first).filename().string().substr(0, 3), "XBP");
  EXPECT_TRUE(fs::exists(first));
  fs::remove(first);
  fs::remove(second);
}

class NoTempNames : public platform::FileSystemWrapper {
 public:
  using FileSystemWrapper::FileSystemWrapper;
  int TempFileName(const std::string&, std::string& out) override { return 5; }
  int DiskFreeBytes(const std::string&, uint64_t&) override { return 3; }
};

TEST_F(FilesTest, UniqueFilenameAndDiskFreeWhenThePlatformFails) {
  NoTempNames failing(platform::Files());
  platform::SetFiles(&failing);
  EXPECT_EQ(xb::UniqueFilename(), "");
  EXPECT_EQ(xb::DiskFreeKB(scratch_.dir().string()), xb::kDiskFreeUnknown);
  platform::SetFiles(nullptr);
  EXPECT_EQ(xb::ErrorCode(), 5);
  EXPECT_EQ(xb::ErrorText(), "Error requesting unique file name [UniqueFilename]");
}

TEST_F(FilesTest, DiskFreeIsKnownForTheCurrentVolume) {
  EXPECT_GT(xb::DiskFreeKB(scratch_.dir().string()), 0);
  EXPECT_EQ(xb::DiskFreeKB(0), xb::DiskFreeKB(std::string()));
  EXPECT_EQ(xb::DiskFreeKB(scratch_.Path("missing/dir")), xb::kDiskFreeUnknown);
}

}  // namespace
