// The memo file format on its own: creation, placement of memos, the free
// chain and block reuse, and damaged files.
#include "engine/memo/memo_file.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "engine/table/error_state.h"
#include "engine/table/switches.h"
#include "tests/support/scratch.h"

namespace xb {
namespace {

class MemoFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSwitches();
    ResetErrorState();
  }

  std::unique_ptr<MemoFile> Make(uint8_t kind, int block_size = 512, const std::string& name = "notes.dbt") {
    path_ = scratch_.Path(name);
    EXPECT_TRUE(MemoFile::Create(path_, kind, block_size, "test").ok());
    return Reopen(kind);
  }
  std::unique_ptr<MemoFile> Reopen(uint8_t kind) {
    auto file = MemoFile::Open(path_, kind, platform::open_mode::kExclusive);
    EXPECT_TRUE(file.ok()) << file.status().text();
    return file.ok() ? std::move(*file) : nullptr;
  }
  std::vector<uint8_t> Bytes() const { return qptest::ReadBytes(path_); }

  qptest::Scratch scratch_;
  std::string path_;
};

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) { return LoadLe32(&b[at]); }
uint32_t Be32(const std::vector<uint8_t>& b, size_t at) { return LoadBe32(&b[at]); }

TEST_F(MemoFileTest, NewFilesHaveTheLayoutOfTheirKind) {
  {
    Make(kMemoDbase4);
    auto b = Bytes();
    ASSERT_EQ(b.size(), 24u);
    EXPECT_EQ(Le32(b, 0), 1u);
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 13), "notes");
    EXPECT_EQ(b[18], 0x02);
    EXPECT_EQ(b[19], 0x01);
    EXPECT_EQ(b[20] | (b[21] << 8), 512);
  }
  {
    Make(kMemoDbase3, 1024, "old.dbt");
    auto b = Bytes();
    ASSERT_EQ(b.size(), 513u);
    EXPECT_EQ(Le32(b, 0), 1u);
    EXPECT_EQ(b[512], 0x1A);
  }
  {
    Make(kMemoFoxPro, 64, "fox.fpt");
    auto b = Bytes();
    ASSERT_EQ(b.size(), 512u);
    EXPECT_EQ(Be32(b, 0), 8u);  // first block after the 512-byte header
    EXPECT_EQ((b[6] << 8) | b[7], 64);
  }
}

TEST_F(MemoFileTest, FirstMemoLandsInTheFirstBlockAfterTheHeader) {
  {
    auto f = Make(kMemoDbase4);
    auto block = f->WriteMemo(0, "hello", "test");
    ASSERT_TRUE(block.ok());
    EXPECT_EQ(*block, 1);
    f.reset();
    auto b = Bytes();
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 512, b.begin() + 516), (std::vector<uint8_t>{0xFF, 0xFF, 0x08, 0x00}));
    EXPECT_EQ(Le32(b, 516), 13u);
    EXPECT_EQ(std::string(b.begin() + 520, b.begin() + 525), "hello");
    EXPECT_EQ(Le32(b, 0), 2u) << "next free names the end block";
  }
  {
    auto f = Make(kMemoDbase3, 512, "old.dbt");
    auto block = f->WriteMemo(0, "hello", "test");
    ASSERT_TRUE(block.ok());
    EXPECT_EQ(*block, 1);
    f.reset();
    auto b = Bytes();
    EXPECT_EQ(std::string(b.begin() + 512, b.end()), "hello\x1A\x1A");
    EXPECT_EQ(Le32(b, 0), 2u);
  }
  {
    auto f = Make(kMemoFoxPro, 64, "fox.fpt");
    auto block = f->WriteMemo(0, "hello", "test");
    ASSERT_TRUE(block.ok());
    EXPECT_EQ(*block, 8);
    f.reset();
    auto b = Bytes();
    EXPECT_EQ(Be32(b, 512), 1u);
    EXPECT_EQ(Be32(b, 516), 5u);
    EXPECT_EQ(Be32(b, 0), 9u);
  }
}

TEST_F(MemoFileTest, EveryKindReadsBackWhatItStored) {
  const std::vector<std::string> texts = {
      "", "short", std::string(504, 'e'), std::string(512, 'b'), std::string(1500, 'm'),
      std::string("nul\0inside", 10), std::string("eof\x1Ainside"), std::string(3000, '\x1A')};
  for (uint8_t kind : {kMemoDbase3, kMemoDbase4, kMemoFoxPro}) {
    auto f = Make(kind, 512, "k" + std::to_string(kind) + ".dbt");
    std::vector<int32_t> blocks;
    for (const auto& t : texts) {
      auto b = f->WriteMemo(0, t, "test");
      ASSERT_TRUE(b.ok()) << b.status().text();
      blocks.push_back(*b);
    }
    for (size_t i = 0; i < texts.size(); ++i) {
      auto back = f->ReadMemo(static_cast<uint32_t>(std::abs(blocks[i])));
      ASSERT_TRUE(back.ok()) << back.status().text();
      EXPECT_EQ(*back, texts[i]) << "kind " << int(kind) << " memo " << i;
    }
  }
}

TEST_F(MemoFileTest, ReplacingAMemoOfExactlyOneBlockLeavesTheNextMemoAlone) {
  auto f = Make(kMemoDbase4);
  const std::string exact(504, 'a');  // header + text fill block 1 exactly
  auto a = f->WriteMemo(0, exact, "test");
  auto b = f->WriteMemo(0, "the neighbour", "test");
  ASSERT_TRUE(a.ok() && b.ok());
  ASSERT_EQ(*b, 2);
  EXPECT_EQ(*f->Extent(1), 1u);
  auto moved = f->WriteMemo(1, std::string(1000, 'c'), "test");  // too big: released, moved
  ASSERT_TRUE(moved.ok());
  EXPECT_EQ(*f->ReadMemo(2), "the neighbour");
  auto reused = f->WriteMemo(0, "small", "test");  // takes the released block 1
  ASSERT_TRUE(reused.ok());
  EXPECT_EQ(*reused, 1);
  EXPECT_EQ(*f->ReadMemo(2), "the neighbour");
  EXPECT_EQ(*f->ReadMemo(static_cast<uint32_t>(*moved)), std::string(1000, 'c'));
}

TEST_F(MemoFileTest, ShrinkingInPlaceFreesOnlyTheTailBlocks) {
  auto f = Make(kMemoDbase4);
  auto big = f->WriteMemo(0, std::string(2000, 'x'), "test");  // blocks 1..4
  auto next = f->WriteMemo(0, "next", "test");
  ASSERT_TRUE(big.ok() && next.ok());
  ASSERT_EQ(*next, 5);
  auto small = f->WriteMemo(1, "tiny", "test");
  ASSERT_TRUE(small.ok());
  EXPECT_EQ(*small, 1);
  auto b = Bytes();
  EXPECT_EQ(Le32(b, 0), 2u) << "blocks 2..4 head the free chain";
  EXPECT_EQ(Le32(b, 2 * 512 + 4), 3u);
  auto fill = f->WriteMemo(0, std::string(1000, 'y'), "test");
  ASSERT_TRUE(fill.ok());
  EXPECT_EQ(*fill, 2);
  EXPECT_EQ(*f->ReadMemo(5), "next");
  EXPECT_EQ(Le32(Bytes(), 0), 4u) << "the remaining free block";
}

TEST_F(MemoFileTest, ALongFreeChainMakesTheNextWriteAppendAndResetTheHeader) {
  auto f = Make(kMemoDbase4);
  std::vector<int32_t> blocks;
  for (int i = 0; i < 210; ++i) blocks.push_back(*f->WriteMemo(0, "m", "test"));
  // Free every other memo: 105 separate one-block runs.
  for (int i = 0; i < 210; i += 2) ASSERT_TRUE(f->ReleaseMemoBlocks(blocks[i], 1, "test").ok());
  auto end_before = *f->SizeInBlocks();
  auto big = f->WriteMemo(0, std::string(600, 'z'), "test");  // needs 2 blocks: no run fits
  ASSERT_TRUE(big.ok());
  EXPECT_EQ(static_cast<uint32_t>(*big), end_before);
  EXPECT_EQ(Le32(Bytes(), 0), *f->SizeInBlocks());
  for (int i = 1; i < 210; i += 2) ASSERT_EQ(*f->ReadMemo(blocks[i]), "m");
}

// Every rewrite of a random memo with a random length, against a map of what
// each record should hold; all memos are read back after every step.
class MemoReuseTest : public MemoFileTest, public ::testing::WithParamInterface<uint8_t> {};

TEST_P(MemoReuseTest, RandomRewritesNeverDisturbAnotherMemo) {
  const uint8_t kind = GetParam();
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  RecordProperty("seed", std::to_string(seed));
  std::mt19937 rng(seed);
  auto f = Make(kind, kind == kMemoDbase3 ? 512 : 64, "reuse.dbt");
  const uint32_t bs = f->block_size();
  constexpr int kRecords = 16;
  std::vector<int32_t> block(kRecords, 0);
  std::vector<std::string> model(kRecords);
  const int rounds = kind == kMemoDbase4 ? 3000 : 600;
  for (int round = 0; round < rounds; ++round) {
    int r = static_cast<int>(rng() % kRecords);
    size_t len;
    switch (rng() % 4) {
      case 0: len = rng() % 40; break;
      case 1: len = (rng() % 6 + 1) * bs - 8; break;  // header and text fill whole blocks
      case 2: len = (rng() % 6 + 1) * bs - 8 + (rng() % 3) - 1; break;
      default: len = rng() % (12 * bs); break;
    }
    std::string text(len, 'a' + static_cast<char>(round % 26));
    if (!text.empty()) text[0] = static_cast<char>('0' + r % 10);
    auto b = f->WriteMemo(static_cast<uint32_t>(std::abs(block[r])), text, "test");
    ASSERT_TRUE(b.ok()) << "round " << round << ": " << b.status().text();
    block[r] = *b;
    model[r] = text;
    for (int i = 0; i < kRecords; ++i) {
      if (block[i] == 0) continue;
      auto back = f->ReadMemo(static_cast<uint32_t>(std::abs(block[i])));
      ASSERT_TRUE(back.ok()) << "round " << round << " record " << i << ": " << back.status().text();
      ASSERT_EQ(*back, model[i]) << "round " << round << " record " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, MemoReuseTest, ::testing::Values(kMemoDbase4, kMemoFoxPro, kMemoDbase3));

// Damaged files: two memos at blocks 1 and 2 of a dBASE IV file, one damage
// each, then a read and a rewrite of memo 1. The error must be clear and
// memo 2 must survive whatever happens.
struct Damage {
  const char* name;
  void (*apply)(std::vector<uint8_t>&);
  uint32_t read_block;
  int read_code;  // 0: the read succeeds
};

const Damage kDamages[] = {
    {"block beyond the end", [](std::vector<uint8_t>&) {}, 90, 1003},
    {"length past the end", [](std::vector<uint8_t>& b) { StoreLe32(&b[516], 5000); }, 1, 1003},
    {"absurd length", [](std::vector<uint8_t>& b) { StoreLe32(&b[516], 0xFFFFFFF0u); }, 1, 1003},
    {"length below the header", [](std::vector<uint8_t>& b) { StoreLe32(&b[516], 3); }, 1, 1003},
    {"chain points at a live memo", [](std::vector<uint8_t>& b) { StoreLe32(&b[0], 2); }, 1, 0},
    {"chain runs in a circle",
     [](std::vector<uint8_t>& b) {
       b.resize(4 * 512, 0);
       StoreLe32(&b[0], 3);
       StoreLe32(&b[3 * 512], 3);
       StoreLe32(&b[3 * 512 + 4], 1);
     },
     1, 0},
    {"free run reaches past the end",
     [](std::vector<uint8_t>& b) {
       b.resize(4 * 512, 0);
       StoreLe32(&b[0], 3);
       StoreLe32(&b[3 * 512], 4);
       StoreLe32(&b[3 * 512 + 4], 9);
     },
     1, 0},
};

TEST_F(MemoFileTest, DamagedFilesGiveAClearErrorAndSpareTheOtherMemos) {
  for (const Damage& d : kDamages) {
    SCOPED_TRACE(d.name);
    auto f = Make(kMemoDbase4, 512, std::string("damaged") + ".dbt");
    ASSERT_EQ(*f->WriteMemo(0, "first memo", "test"), 1);
    ASSERT_EQ(*f->WriteMemo(0, "second memo", "test"), 2);
    f.reset();
    auto bytes = Bytes();
    bytes.resize(3 * 512, 0);
    d.apply(bytes);
    qptest::WriteBytes(path_, bytes);
    f = Reopen(kMemoDbase4);
    ASSERT_NE(f, nullptr);
    auto read = f->ReadMemo(d.read_block);
    EXPECT_EQ(read.ok() ? 0 : read.status().code(), d.read_code);
    auto rewrite = f->WriteMemo(1, std::string(900, 'n'), "test");
    if (!rewrite.ok()) {
      EXPECT_EQ(rewrite.status().code(), 1003) << rewrite.status().text();
    } else {
      EXPECT_NE(*rewrite, 2);
      EXPECT_EQ(*f->ReadMemo(static_cast<uint32_t>(*rewrite)), std::string(900, 'n'));
    }
    auto second = f->ReadMemo(2);
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(*second, "second memo");
    EXPECT_FALSE(f->locked());
  }
}

TEST_F(MemoFileTest, TruncatedHeadersAreRefusedOnOpen) {
  for (auto [kind, size] : {std::pair<uint8_t, size_t>{kMemoDbase4, 10}, {kMemoFoxPro, 5}}) {
    path_ = scratch_.Path("cut.dbt");
    qptest::WriteBytes(path_, std::vector<uint8_t>(size, 0));
    auto f = MemoFile::Open(path_, kind, platform::open_mode::kExclusive);
    ASSERT_FALSE(f.ok());
    EXPECT_EQ(f.status().code(), 30);
  }
}

TEST_F(MemoFileTest, ReleasingWhatIsAlreadyFreeIsRefused) {
  auto f = Make(kMemoDbase4);
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(f->WriteMemo(0, "m", "test").ok());
  ASSERT_TRUE(f->ReleaseMemoBlocks(2, 2, "test").ok());
  EXPECT_EQ(f->ReleaseMemoBlocks(3, 1, "test").code(), 1003);
  EXPECT_EQ(f->ReleaseMemoBlocks(1, 2, "test").code(), 1003);
  EXPECT_EQ(f->ReleaseMemoBlocks(0, 1, "test").code(), 1003);
  EXPECT_EQ(*f->ReadMemo(1), "m");
  EXPECT_EQ(*f->ReadMemo(4), "m");
}

TEST_F(MemoFileTest, ReleasedBlocksAreTallied) {
  auto f = Make(kMemoDbase4);
  ASSERT_TRUE(f->WriteMemo(0, std::string(1200, 't'), "test").ok());  // 3 blocks
  ASSERT_TRUE(f->WriteMemo(1, "t", "test").ok());                     // frees 2
  EXPECT_EQ(Le32(Bytes(), 32), 2u);
}

TEST_F(MemoFileTest, MemoFileNamesFollowTheTableNameAndKind) {
  EXPECT_EQ(MemoFileNameFor("/d/notes.dbf", 0x8B), "/d/notes.dbt");
  EXPECT_EQ(MemoFileNameFor("/d/NOTES.DBF", 0x83), "/d/NOTES.DBT");
  EXPECT_EQ(MemoFileNameFor("/d/Fox.dbf", 0xF5), "/d/Fox.fpt");
  EXPECT_EQ(MemoFileNameFor("/d.x/trash", 0x30), "/d.x/trash.dbt");
  EXPECT_EQ(MemoKindOf(0x30), kMemoDbase4);
}

}  // namespace
}  // namespace xb
