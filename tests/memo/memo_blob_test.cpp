// Streaming one memo through a blob descriptor.
#include "engine/memo/memo_blob.h"

#include <gtest/gtest.h>

#include "engine/table/error_state.h"
#include "engine/table/switches.h"
#include "platform/codepage.h"
#include "tests/support/scratch.h"

namespace xb {
namespace {

class MemoBlobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSwitches();
    ResetErrorState();
    platform::SetOemCodePage(platform::OemCodePage::k437);
  }
  std::unique_ptr<MemoFile> Make(uint8_t kind) {
    path_ = scratch_.Path("blob.dbt");
    EXPECT_TRUE(MemoFile::Create(path_, kind, 512, "test").ok());
    return std::move(*MemoFile::Open(path_, kind, platform::open_mode::kExclusive));
  }
  // Writes `text` in pieces of `piece` bytes as one open-ended memo.
  uint32_t Stream(MemoFile& f, const std::string& text, bool convert = false, size_t piece = 100) {
    auto block = blob_.OpenWrite(f, convert, 0, 0);
    EXPECT_TRUE(block.ok()) << block.status().text();
    for (size_t at = 0; at < text.size(); at += piece) {
      auto part = text.substr(at, piece);
      EXPECT_EQ(*blob_.Write(f, reinterpret_cast<const uint8_t*>(part.data()), static_cast<int32_t>(part.size())),
                static_cast<int32_t>(part.size()));
    }
    EXPECT_TRUE(blob_.Finish(f).ok());
    return block.ok() ? *block : 0;
  }
  std::string Slurp(MemoFile& f, int32_t block, bool convert = false) {
    EXPECT_TRUE(blob_.OpenRead(f, convert, block).ok());
    std::string out;
    uint8_t buf[77];
    while (true) {
      auto n = blob_.Read(f, buf, sizeof buf);
      if (!n.ok() || *n == 0) break;
      out.append(reinterpret_cast<char*>(buf), static_cast<size_t>(*n));
    }
    return out;
  }

  qptest::Scratch scratch_;
  std::string path_;
  BlobDescriptor blob_;
};

TEST_F(MemoBlobTest, FirstStreamedMemoOfANewDbase4FileStartsAtBlockOne) {
  auto f = Make(kMemoDbase4);
  ASSERT_EQ(Stream(*f, "abc"), 1u);
  auto b = qptest::ReadBytes(path_);
  ASSERT_EQ(b.size(), 523u);
  EXPECT_EQ(std::vector<uint8_t>(b.begin() + 512, b.begin() + 516), (std::vector<uint8_t>{0xFF, 0xFF, 8, 0}));
  EXPECT_EQ(LoadLe32(&b[516]), 11u);
  EXPECT_EQ(std::string(b.begin() + 520, b.end()), "abc");
  EXPECT_EQ(LoadLe32(&b[0]), 2u) << "next free is left valid, not 0x7FFFFFFF";
}

TEST_F(MemoBlobTest, AWriteWhileTheHeaderHolds7FFFFFFFAppendsAtTheEnd) {
  auto f = Make(kMemoDbase4);
  ASSERT_EQ(Stream(*f, std::string(700, 'a')), 1u);
  f.reset();
  auto b = qptest::ReadBytes(path_);
  StoreLe32(&b[0], kOpenEnded);
  qptest::WriteBytes(path_, b);
  f = std::move(*MemoFile::Open(path_, kMemoDbase4, platform::open_mode::kExclusive));
  EXPECT_EQ(Stream(*f, "second"), 3u);
  EXPECT_EQ(Slurp(*f, 1), std::string(700, 'a'));
  EXPECT_EQ(LoadLe32(qptest::ReadBytes(path_).data()), 4u);
}

TEST_F(MemoBlobTest, AnEmptyStreamedMemoStillOwnsItsBlock) {
  for (uint8_t kind : {kMemoDbase3, kMemoDbase4, kMemoFoxPro}) {
    auto f = Make(kind);
    uint32_t empty = Stream(*f, "");
    uint32_t next = Stream(*f, "after");
    EXPECT_NE(empty, next) << int(kind);
    EXPECT_EQ(Slurp(*f, empty), "") << int(kind);
    EXPECT_EQ(Slurp(*f, next), "after") << int(kind);
  }
}

TEST_F(MemoBlobTest, Dbase3TextStaysPlainAndBinaryGetsAHeader) {
  auto f = Make(kMemoDbase3);
  uint32_t text = Stream(*f, std::string(1300, 't'), false, 512);
  uint32_t binary = Stream(*f, std::string("a\0b\x1A" "c", 5) + std::string(900, 'z'), false, 300);
  auto b = qptest::ReadBytes(path_);
  EXPECT_EQ(b[512 + 1300], 0x1A) << "plain dBASE III memo ends in 0x1A";
  EXPECT_EQ(b[512], 't');
  const size_t at = size_t{binary} * 512;
  EXPECT_EQ(std::vector<uint8_t>(b.begin() + at, b.begin() + at + 4), (std::vector<uint8_t>{0xFF, 0xFF, 8, 0}));
  EXPECT_EQ(Slurp(*f, text), std::string(1300, 't'));
  EXPECT_EQ(Slurp(*f, binary), std::string("a\0b\x1A" "c", 5) + std::string(900, 'z'));
}

TEST_F(MemoBlobTest, SeekToTheEndOfARawMemoFindsItsLength) {
  auto f = Make(kMemoDbase3);
  uint32_t block = Stream(*f, "raw text");
  ASSERT_TRUE(blob_.OpenRead(*f, false, static_cast<int32_t>(block)).ok());
  EXPECT_EQ(blob_.length(), -1);
  EXPECT_EQ(*blob_.Seek(*f, 0, 2), 8);
  EXPECT_EQ(*blob_.Seek(*f, -3, 1), 5);
  uint8_t buf[10];
  EXPECT_EQ(*blob_.Read(*f, buf, 10), 3);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 3), "ext");
}

TEST_F(MemoBlobTest, BlockZeroIsAnEmptyMemoThatCannotSeek) {
  auto f = Make(kMemoDbase4);
  ASSERT_TRUE(blob_.OpenRead(*f, false, 0).ok());
  uint8_t buf[4];
  EXPECT_EQ(*blob_.Read(*f, buf, 4), 0);
  EXPECT_EQ(*blob_.Seek(*f, 10, 0), 0);
}

TEST_F(MemoBlobTest, OemTablesConvertTextButNotBinaryMemos) {
  auto f = Make(kMemoDbase4);
  const std::string ansi = "caf\xE9 cr\xE8me";  // Windows-1252
  uint32_t text = Stream(*f, ansi, true);
  auto b = qptest::ReadBytes(path_);
  EXPECT_EQ(b[520 + 3], 0x82) << "stored in the OEM code page";
  EXPECT_EQ(Slurp(*f, text, true), ansi);
  const std::string binary = "\x01\xE9\xE8";
  uint32_t raw = Stream(*f, binary, true);
  EXPECT_EQ(Slurp(*f, raw, false), binary);
  EXPECT_EQ(Slurp(*f, raw, true), binary);
}

TEST_F(MemoBlobTest, AKnownSizeWriteReusesTheOldRun) {
  auto f = Make(kMemoDbase4);
  ASSERT_EQ(*f->WriteMemo(0, std::string(1500, 'o'), "test"), 1);
  ASSERT_EQ(*f->WriteMemo(0, "keep", "test"), 4);
  auto block = blob_.OpenWrite(*f, false, 1, 10);
  ASSERT_TRUE(block.ok());
  EXPECT_EQ(*block, 1u);
  EXPECT_EQ(*blob_.Write(*f, reinterpret_cast<const uint8_t*>("0123456789ABC"), 13), 10);
  ASSERT_TRUE(blob_.Finish(*f).ok());
  EXPECT_EQ(*f->ReadMemo(1), "0123456789");
  EXPECT_EQ(*f->ReadMemo(4), "keep");
}

TEST_F(MemoBlobTest, TheLengthIsTheFurthestByteWrittenNotTheLastPosition) {
  auto f = Make(kMemoFoxPro);
  auto block = blob_.OpenWrite(*f, false, 0, 0);
  ASSERT_TRUE(block.ok());
  ASSERT_EQ(*blob_.Write(*f, reinterpret_cast<const uint8_t*>("hello world"), 11), 11);
  EXPECT_EQ(*blob_.Seek(*f, 0, 0), 0);
  ASSERT_EQ(*blob_.Write(*f, reinterpret_cast<const uint8_t*>("J"), 1), 1);
  EXPECT_EQ(*blob_.Seek(*f, 0, 2), 11);
  ASSERT_TRUE(blob_.Finish(*f).ok());
  EXPECT_EQ(*f->ReadMemo(*block), "Jello world");
}

TEST_F(MemoBlobTest, AReadBeyondTheEndOfTheFileIsRefused) {
  auto f = Make(kMemoDbase4);
  Stream(*f, "x");
  auto s = blob_.OpenRead(*f, false, 40);
  EXPECT_EQ(s.code(), 1003);
  EXPECT_FALSE(blob_.active());
}

}  // namespace
}  // namespace xb
