// The crash wrapper other tests build on: what survives a crash is exactly
// what was flushed, and the stopped "process" lets go of its files.
#include "tests/support/crashing_files.h"

#include <gtest/gtest.h>

#include "platform/file.h"
#include "tests/support/scratch.h"

namespace {

using platform::open_mode::kExclusive;
using platform::open_mode::kShared;

class CrashingFilesTest : public ::testing::Test {
 protected:
  std::string Path() const { return scratch_.Path("a.dbf"); }
  static std::vector<uint8_t> Read(platform::File& file) {
    uint64_t size = 0;
    EXPECT_EQ(file.Size(size), 0);
    std::vector<uint8_t> bytes(size);
    size_t read = 0;
    EXPECT_EQ(file.ReadAt(0, bytes, read), 0);
    bytes.resize(read);
    return bytes;
  }
  static int Write(platform::File& file, uint64_t at, std::vector<uint8_t> bytes) {
    return file.WriteAt(at, bytes);
  }
  qptest::Scratch scratch_;
};

TEST_F(CrashingFilesTest, OnlyFlushedWritesSurviveACrashAndTheFilesAreReleased) {
  qptest::WriteBytes(Path(), {1, 2, 3});
  {
    qptest::CrashingFiles files;
    std::unique_ptr<platform::File> file;
    ASSERT_EQ(platform::Files().Open(Path(), kExclusive, file), 0);
    ASSERT_EQ(Write(*file, 3, {4}), 0);
    ASSERT_EQ(file->Flush(), 0);
    ASSERT_EQ(Write(*file, 0, {9, 9}), 0);
    EXPECT_EQ(Read(*file), (std::vector<uint8_t>{9, 9, 3, 4})) << "the program sees its own writes";
    EXPECT_EQ(qptest::ReadBytes(Path()), (std::vector<uint8_t>{1, 2, 3, 4})) << "the disk does not";

    files.CrashAt(2);
    ASSERT_EQ(Write(*file, 4, {5}), 0);
    EXPECT_NE(file->Flush(), 0);
    EXPECT_TRUE(files.Crashed());
    EXPECT_NE(Write(*file, 0, {7}), 0) << "a stopped process does nothing more";
    std::unique_ptr<platform::File> again;
    EXPECT_NE(platform::Files().Open(Path(), kShared, again), 0);

    // The dead process's deny-all open is gone: the file opens directly.
    std::unique_ptr<platform::File> direct;
    EXPECT_EQ(files.Target().Open(Path(), kExclusive, direct), 0);
  }
  EXPECT_EQ(qptest::ReadBytes(Path()), (std::vector<uint8_t>{1, 2, 3, 4}));
}

TEST_F(CrashingFilesTest, OpensShareHeldBytesWhichReachTheDiskWhenNoCrashCame) {
  qptest::WriteBytes(Path(), {1, 2, 3, 4});
  {
    qptest::CrashingFiles files;
    std::unique_ptr<platform::File> writer, reader;
    ASSERT_EQ(platform::Files().Open(Path(), kShared, writer), 0);
    ASSERT_EQ(platform::Files().Open(Path(), kShared, reader), 0);
    ASSERT_EQ(writer->Truncate(2), 0);
    ASSERT_EQ(Write(*writer, 2, {8}), 0);
    EXPECT_EQ(Read(*reader), (std::vector<uint8_t>{1, 2, 8}));
    EXPECT_EQ(qptest::ReadBytes(Path()), (std::vector<uint8_t>{1, 2, 3, 4}));
  }
  EXPECT_EQ(qptest::ReadBytes(Path()), (std::vector<uint8_t>{1, 2, 8}));
}

TEST_F(CrashingFilesTest, CreateDeleteAndRenameReachTheDiskAtOnce) {
  qptest::CrashingFiles files;
  std::unique_ptr<platform::File> file;
  ASSERT_EQ(platform::Files().Create(Path(), kShared, file), 0);
  ASSERT_EQ(Write(*file, 0, {1}), 0);
  file.reset();
  const std::string moved = scratch_.Path("b.dbf");
  ASSERT_EQ(platform::Files().Rename(Path(), moved), 0);
  ASSERT_EQ(platform::Files().Open(moved, kShared, file), 0);
  EXPECT_EQ(Read(*file), (std::vector<uint8_t>{1})) << "held bytes travel with the file";
  files.CrashAt(1);
  EXPECT_NE(file->Flush(), 0);
  EXPECT_TRUE(qptest::ReadBytes(moved).empty()) << "created and renamed, never flushed";
  EXPECT_FALSE(std::filesystem::exists(Path()));
}

// Like a real disk with no blocks left: bytes the file has can still be
// written over, a write that makes it longer is refused.
TEST_F(CrashingFilesTest, AFullDiskRefusesEveryWriteThatNeedsSpaceFromTheNthCallOn) {
  qptest::WriteBytes(Path(), {1, 2});
  qptest::CrashingFiles files;
  std::unique_ptr<platform::File> file;
  ASSERT_EQ(platform::Files().Open(Path(), kShared, file), 0);
  files.DiskFullFrom(2);
  ASSERT_EQ(Write(*file, 2, {3}), 0);
  EXPECT_EQ(Write(*file, 3, {4}), qptest::CrashingFiles::DiskFullCode());
  EXPECT_EQ(Write(*file, 2, {3, 4}), qptest::CrashingFiles::DiskFullCode()) << "partly past the end";
  EXPECT_EQ(Write(*file, 0, {1}), 0) << "over bytes the file has";
  uint64_t free_bytes = 1;
  EXPECT_EQ(platform::Files().DiskFreeBytes(Path(), free_bytes), 0);
  EXPECT_EQ(free_bytes, 0u);
  EXPECT_EQ(file->Flush(), 0) << "what was written before still reaches the disk";
  EXPECT_EQ(Read(*file), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(qptest::ReadBytes(Path()), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(qptest::CrashingFiles::DiskFullCode(), 101);
}

}  // namespace
