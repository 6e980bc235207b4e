// Positioned I/O, names, deletion, temporary names and free space of the
// Linux file layer, plus its errno mapping and system-call seam.
#include "platform/file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <set>
#include <vector>

#include "platform/error_codes.h"
#include "platform/posix_calls.h"
#include "tests/support/scratch.h"

namespace {

using platform::File;
using platform::Files;

std::vector<uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

class FileTest : public ::testing::Test {
 protected:
  void TearDown() override { platform::Posix() = platform::RealPosix(); }
  std::unique_ptr<File> CreateShared(const std::string& name) {
    std::unique_ptr<File> file;
    EXPECT_EQ(Files().Create(scratch_.Path(name), 0x42, file), 0);
    return file;
  }
  qptest::Scratch scratch_;
};

TEST_F(FileTest, WritesAndReadsAtExplicitOffsets) {
  auto file = CreateShared("a.dbf");
  auto hello = Bytes("hello"), xy = Bytes("XY");
  ASSERT_EQ(file->WriteAt(0, hello), 0);
  ASSERT_EQ(file->WriteAt(10, xy), 0);
  uint64_t size = 0;
  ASSERT_EQ(file->Size(size), 0);
  EXPECT_EQ(size, 12u);
  std::vector<uint8_t> out(4);
  size_t read = 0;
  ASSERT_EQ(file->ReadAt(1, out, read), 0);
  EXPECT_EQ(read, 4u);
  EXPECT_EQ(out, Bytes("ello"));
  ASSERT_EQ(file->ReadAt(5, out, read), 0);
  EXPECT_EQ(out, std::vector<uint8_t>(4, 0)) << "the gap reads as zeros";
}

TEST_F(FileTest, ReadPastTheEndIsShortNotAnError) {
  auto file = CreateShared("a.dbf");
  auto data = Bytes("abcdef");
  ASSERT_EQ(file->WriteAt(0, data), 0);
  std::vector<uint8_t> out(10, 0xEE);
  size_t read = 99;
  ASSERT_EQ(file->ReadAt(4, out, read), 0);
  EXPECT_EQ(read, 2u);
  EXPECT_EQ(out[0], 'e');
  EXPECT_EQ(out[2], 0xEE) << "bytes past the data are untouched";
  ASSERT_EQ(file->ReadAt(100, out, read), 0);
  EXPECT_EQ(read, 0u);
}

TEST_F(FileTest, TruncateShrinksAndGrows) {
  auto file = CreateShared("a.dbf");
  auto data = Bytes("abcdef");
  ASSERT_EQ(file->WriteAt(0, data), 0);
  uint64_t size = 0;
  ASSERT_EQ(file->Truncate(2), 0);
  ASSERT_EQ(file->Size(size), 0);
  EXPECT_EQ(size, 2u);
  ASSERT_EQ(file->Truncate(9), 0);
  ASSERT_EQ(file->Size(size), 0);
  EXPECT_EQ(size, 9u);
  EXPECT_EQ(file->Flush(), 0);
}

TEST_F(FileTest, CreateEmptiesAnExistingFile) {
  qptest::WriteBytes(scratch_.Path("a.dbf"), Bytes("old contents"));
  auto file = CreateShared("a.dbf");
  uint64_t size = 99;
  ASSERT_EQ(file->Size(size), 0);
  EXPECT_EQ(size, 0u);
}

TEST_F(FileTest, AccessOutsideTheOpenModeIsDenied) {
  qptest::WriteBytes(scratch_.Path("a.dbf"), Bytes("abc"));
  std::unique_ptr<File> reader, writer;
  ASSERT_EQ(Files().Open(scratch_.Path("a.dbf"), 0x40, reader), 0);
  auto data = Bytes("x");
  EXPECT_EQ(reader->WriteAt(0, data), 5);
  EXPECT_EQ(reader->Truncate(0), 5);
  ASSERT_EQ(Files().Open(scratch_.Path("a.dbf"), 0x41, writer), 0);
  std::vector<uint8_t> out(1);
  size_t read = 0;
  EXPECT_EQ(writer->ReadAt(0, out, read), 5);
  EXPECT_EQ(qptest::ReadBytes(scratch_.Path("a.dbf")), Bytes("abc"));
}

// Refuses write access the way a file without write permission does.
int OpenWithoutWriteAccess(const char* path, int flags, mode_t mode) {
  if ((flags & O_ACCMODE) != O_RDONLY) {
    errno = EACCES;
    return -1;
  }
  return platform::RealPosix().open(path, flags, mode);
}

TEST_F(FileTest, ReadOnlyFileOpensForReadingOnlyAndStillLocks) {
  std::string path = scratch_.Path("ro.dbf");
  qptest::WriteBytes(path, Bytes("abc"));
  std::unique_ptr<File> other;
  ASSERT_EQ(Files().Open(path, 0x42, other), 0);
  platform::Posix().open = OpenWithoutWriteAccess;
  std::unique_ptr<File> file;
  EXPECT_EQ(Files().Open(path, 0x42, file), 5);
  ASSERT_EQ(Files().Open(path, 0x40, file), 0);
  platform::Posix() = platform::RealPosix();
  ASSERT_EQ(file->Lock(0x40000000, 1), 0);
  EXPECT_EQ(other->Lock(0x40000000, 1), 33) << "a shared lock still keeps writers out";
}

TEST_F(FileTest, MissingFileAndMissingFolderGiveTheirCodes) {
  std::unique_ptr<File> file;
  EXPECT_EQ(Files().Open(scratch_.Path("none.dbf"), 0x42, file), 2);
  EXPECT_FALSE(platform::LastSystemMessage().empty());
  EXPECT_EQ(Files().Open(scratch_.Path("nodir/none.dbf"), 0x42, file), 3);
  EXPECT_EQ(Files().Create(scratch_.Path("nodir/none.dbf"), 0x42, file), 3);
  EXPECT_EQ(Files().Delete(scratch_.Path("none.dbf")), 2);
}

TEST_F(FileTest, NamesMatchIgnoringCaseWhenNotExact) {
  qptest::WriteBytes(scratch_.Path("Notes.DBF"), Bytes("n"));
  std::unique_ptr<File> file;
  ASSERT_EQ(Files().Open(scratch_.Path("notes.dbf"), 0x42, file), 0);
  EXPECT_EQ(file->Path(), scratch_.Path("Notes.DBF"));
  EXPECT_EQ(Files().Resolve(scratch_.Path("NOTES.dbf")), scratch_.Path("Notes.DBF"));
  EXPECT_TRUE(Files().Exists(scratch_.Path("nOtEs.DbF")));
  EXPECT_FALSE(Files().Exists(scratch_.Path("notes.dbt")));
}

TEST_F(FileTest, RenameReplacesTheTargetFoundIgnoringCase) {
  qptest::WriteBytes(scratch_.Path("Notes.DBT"), Bytes("old"));
  qptest::WriteBytes(scratch_.Path("packed.tmp"), Bytes("new"));
  ASSERT_EQ(Files().Rename(scratch_.Path("packed.tmp"), scratch_.Path("NOTES.DBT")), 0);
  EXPECT_EQ(qptest::ReadBytes(scratch_.Path("Notes.DBT")), Bytes("new"));
  EXPECT_FALSE(std::filesystem::exists(scratch_.Path("NOTES.DBT")));
  EXPECT_FALSE(std::filesystem::exists(scratch_.Path("packed.tmp")));
}

TEST_F(FileTest, CreateReusesTheFileFoundIgnoringCase) {
  qptest::WriteBytes(scratch_.Path("Notes.DBF"), Bytes("old"));
  auto file = CreateShared("notes.dbf");
  EXPECT_EQ(file->Path(), scratch_.Path("Notes.DBF"));
  EXPECT_FALSE(std::filesystem::exists(scratch_.Path("notes.dbf")));
}

TEST_F(FileTest, ExactNameWinsAndAmbiguousCaseMatchesResolveToNothing) {
  qptest::WriteBytes(scratch_.Path("a.dbf"), Bytes("1"));
  qptest::WriteBytes(scratch_.Path("A.DBF"), Bytes("2"));
  EXPECT_EQ(Files().Resolve(scratch_.Path("A.DBF")), scratch_.Path("A.DBF"));
  EXPECT_EQ(Files().Resolve(scratch_.Path("a.Dbf")), "");
}

TEST_F(FileTest, DeleteAndRenameFindNamesIgnoringCase) {
  qptest::WriteBytes(scratch_.Path("Memo.$$$"), Bytes("m"));
  ASSERT_EQ(Files().Rename(scratch_.Path("memo.$$$"), scratch_.Path("Memo.dbt")), 0);
  EXPECT_TRUE(std::filesystem::exists(scratch_.Path("Memo.dbt")));
  ASSERT_EQ(Files().Delete(scratch_.Path("MEMO.DBT")), 0);
  EXPECT_FALSE(std::filesystem::exists(scratch_.Path("Memo.dbt")));
}

TEST_F(FileTest, ModifiedTimeIsRecent) {
  auto file = CreateShared("a.dbf");
  int64_t seconds = 0;
  ASSERT_EQ(file->ModifiedTime(seconds), 0);
  EXPECT_NEAR(static_cast<double>(seconds), static_cast<double>(time(nullptr)), 3600.0);
}

TEST_F(FileTest, TemporaryNamesAreUniqueEmptyFilesWithThePrefix) {
  std::set<std::string> names;
  for (int i = 0; i < 5; ++i) {
    std::string name;
    ASSERT_EQ(Files().TempFileName("XBP", name), 0);
    std::filesystem::path p(name);
    EXPECT_EQ(p.filename().string().substr(0, 3), "XBP");
    EXPECT_EQ(p.extension().string(), ".TMP");
    EXPECT_TRUE(std::filesystem::exists(p));
    EXPECT_EQ(std::filesystem::file_size(p), 0u);
    names.insert(name);
  }
  for (const auto& name : names) std::filesystem::remove(name);
  EXPECT_EQ(names.size(), 5u);
}

TEST_F(FileTest, DiskFreeBytesOfAnExistingFolderIsPositive) {
  uint64_t free_bytes = 0;
  ASSERT_EQ(Files().DiskFreeBytes(scratch_.dir().string(), free_bytes), 0);
  EXPECT_GT(free_bytes, 0u);
  EXPECT_NE(Files().DiskFreeBytes(scratch_.Path("missing/"), free_bytes), 0);
}

// The seam: one replaced system call changes what the layer reports.
ssize_t FailingPwrite(int, const void*, size_t, off_t) {
  errno = ENOSPC;
  return -1;
}
int interrupted_reads = 0;
ssize_t InterruptedOncePread(int fd, void* buf, size_t n, off_t off) {
  if (interrupted_reads++ == 0) {
    errno = EINTR;
    return -1;
  }
  return platform::RealPosix().pread(fd, buf, n, off);
}
ssize_t OneBytePwrite(int fd, const void* buf, size_t n, off_t off) {
  return platform::RealPosix().pwrite(fd, buf, n > 0 ? 1 : 0, off);
}
int FailingFsync(int) {
  errno = EIO;
  return -1;
}

TEST_F(FileTest, FailedWriteIsAWriteError) {
  auto file = CreateShared("a.dbf");
  platform::Posix().pwrite = FailingPwrite;
  auto data = Bytes("abc");
  EXPECT_EQ(file->WriteAt(0, data), 101);
  platform::Posix().fsync = FailingFsync;
  EXPECT_EQ(file->Flush(), 101);
}

TEST_F(FileTest, InterruptedReadIsRetried) {
  auto file = CreateShared("a.dbf");
  auto data = Bytes("abc");
  ASSERT_EQ(file->WriteAt(0, data), 0);
  interrupted_reads = 0;
  platform::Posix().pread = InterruptedOncePread;
  std::vector<uint8_t> out(3);
  size_t read = 0;
  EXPECT_EQ(file->ReadAt(0, out, read), 0);
  EXPECT_EQ(read, 3u);
  EXPECT_EQ(interrupted_reads, 2);
}

TEST_F(FileTest, PartialWritesAreContinuedUntilComplete) {
  auto file = CreateShared("a.dbf");
  platform::Posix().pwrite = OneBytePwrite;
  auto data = Bytes("abcdef");
  ASSERT_EQ(file->WriteAt(2, data), 0);
  platform::Posix() = platform::RealPosix();
  EXPECT_EQ(qptest::ReadBytes(scratch_.Path("a.dbf")), Bytes(std::string("\0\0abcdef", 8)));
}

struct ErrnoCase {
  int errno_value;
  platform::IoContext context;
  int expected;
};

TEST(ErrnoMappingTest, SystemErrorsBecomeTheirDosNumbers) {
  using C = platform::IoContext;
  const ErrnoCase cases[] = {
      {0, C::kOther, 0},       {ENOENT, C::kOpen, 2},  {ENOTDIR, C::kOpen, 3},
      {EMFILE, C::kOpen, 4},   {ENFILE, C::kOpen, 4},  {EACCES, C::kOpen, 5},
      {EPERM, C::kOther, 5},   {EISDIR, C::kOpen, 5},  {EBADF, C::kRead, 6},
      {ENOMEM, C::kOther, 8},  {EROFS, C::kOpen, 19},  {ESPIPE, C::kOther, 25},
      {EINVAL, C::kOther, 25}, {EAGAIN, C::kLock, 33}, {EACCES, C::kLock, 33},
      {EIO, C::kRead, 100},    {EIO, C::kWrite, 101},  {ENOSPC, C::kWrite, 101},
      {EFBIG, C::kWrite, 101}, {EIO, C::kOther, 31},   {ENOSPC, C::kRead, 100},
  };
  for (const auto& c : cases)
    EXPECT_EQ(platform::FromErrno(c.errno_value, c.context), c.expected)
        << "errno " << c.errno_value << " context " << static_cast<int>(c.context);
}

}  // namespace
