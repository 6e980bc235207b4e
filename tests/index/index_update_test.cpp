// Key maintenance seen from the table commands: a failure inside it reaches
// the caller of Append and Replace.
#include <cctype>

#include "engine/index/index_check.h"
#include "engine/table/xbase.h"
#include "tests/index/index_fixture.h"
#include "tests/support/failing_files.h"

namespace qptest {
namespace {

class IndexUpdateTest : public IndexTest {
 protected:
  void SetUp() override {
    IndexTest::SetUp();
    path_ = WriteTable("upd", Generate(40, 3));
    ASSERT_TRUE(xb::Use(path_ + " EXCLUSIVE")) << xb::ErrorText();
    ASSERT_TRUE(xb::MakeIndex({Def("NAME", "NAME"), Def("NUM", "NUM")}, "")) << xb::ErrorText();
    xb::CloseAll();
  }
  void OpenIndexed() {
    ASSERT_TRUE(xb::Use(path_ + " EXCLUSIVE")) << xb::ErrorText();
    ASSERT_TRUE(xb::SetIndexTo("")) << xb::ErrorText();
    ASSERT_TRUE(xb::SetOrderToTag("NAME")) << xb::ErrorText();
  }

  std::string path_;
};

TEST_F(IndexUpdateTest, AnIndexWriteThatFailsFailsTheAppendAndTheReplace) {
  struct Case {
    const char* what;
    bool append;
  };
  for (const Case& c : {Case{"append", true}, Case{"replace", false}}) {
    SCOPED_TRACE(c.what);
    FailingFiles files;  // wraps only files opened after it
    files.OnlyPathsContaining(".MDX");
    OpenIndexed();
    xb::Go(5);
    if (c.append) xb::ClearRecord();
    ASSERT_TRUE(xb::PutSwapText(*xb::CurrentArea(), 1, "ZZZ changed"));
    files.FailCall(1, 0, /*sticky=*/true);
    const bool ok = c.append ? xb::Append() : xb::Replace();
    EXPECT_TRUE(files.FaultFired());
    files.Heal();
    EXPECT_FALSE(ok);
    EXPECT_NE(xb::ErrorCode(), 0);
    xb::ClearErrorCode();
    xb::CloseAll();
  }
}

// An append, and a replace that moves the keys of both tags, with one
// index read or write failing at every point in turn: each either
// succeeds, or fails with the table and both tags as they were (keys
// already added or moved go back, and so does the record).
TEST_F(IndexUpdateTest, AWriteWhoseKeysFailAnywhereLeavesTheRecordsAndEveryTagAsTheyWere) {
  for (const bool append : {false, true}) {
    for (int n = 1;; ++n) {
      SCOPED_TRACE(std::string(append ? "append" : "replace") + ", failing index call " + std::to_string(n));
      FailingFiles files;
      files.OnlyPathsContaining(".MDX");
      files.OnlyReadsAndWrites();
      OpenIndexed();
      xb::Go(5);
      const int32_t count = xb::RecCount();
      const std::string old_name = xb::Peek(1, 5), old_num = xb::Peek(2, 5);
      const std::string new_name = "ZZZ" + std::to_string(n);
      if (append) xb::ClearRecord();
      ASSERT_TRUE(xb::PutSwapText(*xb::CurrentArea(), 1, new_name));
      ASSERT_TRUE(xb::PutSwapText(*xb::CurrentArea(), 2, std::to_string(90000 + n)));
      files.FailCall(n);
      const bool ok = append ? xb::Append() : xb::Replace();
      const bool fired = files.FaultFired();
      files.Heal();
      const int32_t changed = append ? count + 1 : 5;
      if (ok) {
        EXPECT_EQ(xb::Peek(1, changed).substr(0, new_name.size()), new_name);
      } else {
        EXPECT_NE(xb::ErrorCode(), 0);
        EXPECT_EQ(xb::RecCount(), count);
        EXPECT_EQ(xb::Peek(1, 5), old_name);
        EXPECT_EQ(xb::Peek(2, 5), old_num);
      }
      xb::ClearErrorCode();
      for (const std::string& fault : xb::VerifyIndexFile(*xb::CurrentArea())) ADD_FAILURE() << fault;
      xb::CloseAll();
      if (!fired) {
        EXPECT_TRUE(ok);
        break;
      }
      ASSERT_LT(n, 500);
    }
  }
}

// Other writers leave equal keys in any order; descending record numbers
// are common. The fixture reverses every run of equal keys inside the
// leaves of an engine-made FLAG tag (C1 keys, 8-byte entries), which keeps
// the tag valid for any reader.
class ReversedRunsTest : public IndexTest {
 protected:
  void SetUp() override {
    IndexTest::SetUp();
    records_ = Generate(kRecords, 11);
    path_ = WriteTable("runs", records_);
    ASSERT_TRUE(xb::Use(path_ + " EXCLUSIVE")) << xb::ErrorText();
    ASSERT_TRUE(xb::MakeIndex({Def("FLAG", "FLAG")}, "")) << xb::ErrorText();
    xb::CloseAll();
    ASSERT_EQ(ReverseRunsInLeaves(MdxOf(path_)), kRecords) << "every entry seen in a leaf";
    ASSERT_TRUE(xb::Use(path_)) << xb::ErrorText();
    ASSERT_TRUE(xb::SetIndexTo("")) << xb::ErrorText();
    ASSERT_TRUE(xb::SetOrderToTag("FLAG")) << xb::ErrorText();
  }

  // Returns the number of leaf entries found. A leaf: count n in 1..126,
  // zero second word, n entries of a record number and one letter padded
  // with zeros, and a zero pointer after them.
  static int ReverseRunsInLeaves(const std::string& mdx) {
    std::vector<uint8_t> bytes = ReadBytes(mdx);
    auto get32 = [&](size_t at) {
      return static_cast<int32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                                  static_cast<uint32_t>(bytes[at + 3]) << 24);
    };
    int seen = 0;
    for (size_t node = 2048; node + 1024 <= bytes.size(); node += 512) {
      const int32_t n = get32(node);
      if (n < 1 || n > 126 || get32(node + 4) != 0 || get32(node + 8 + 8 * static_cast<size_t>(n)) != 0) continue;
      bool leaf = true;
      for (int i = 0; i < n && leaf; ++i) {
        const size_t e = node + 8 + 8 * static_cast<size_t>(i);
        const int32_t rec = get32(e);
        leaf = rec >= 1 && rec <= kRecords && std::isupper(bytes[e + 4]) && bytes[e + 5] == 0 &&
               bytes[e + 6] == 0 && bytes[e + 7] == 0;
      }
      if (!leaf) continue;
      seen += n;
      for (int i = 0; i < n;) {
        int j = i;
        while (j + 1 < n && bytes[node + 12 + 8 * static_cast<size_t>(j + 1)] == bytes[node + 12 + 8 * static_cast<size_t>(i)]) ++j;
        for (int a = i, b = j; a < b; ++a, --b)
          for (int k = 0; k < 4; ++k)
            std::swap(bytes[node + 8 + 8 * static_cast<size_t>(a) + k], bytes[node + 8 + 8 * static_cast<size_t>(b) + k]);
        i = j + 1;
      }
    }
    WriteBytes(mdx, bytes);
    return seen;
  }

  static constexpr int kRecords = 300;
  std::vector<GenRecord> records_;
  std::string path_;
};

TEST_F(ReversedRunsTest, OrderedReadsAndFindWorkOnEqualKeysInAnyOrder) {
  xb::ClearErrorCode();
  std::vector<int32_t> forward = ScanForward();
  EXPECT_EQ(xb::ErrorCode(), 0) << xb::ErrorText();
  std::vector<int32_t> backward = ScanBackward();
  EXPECT_EQ(xb::ErrorCode(), 0) << xb::ErrorText();
  std::reverse(backward.begin(), backward.end());
  EXPECT_EQ(forward, backward);
  std::sort(forward.begin(), forward.end());
  ASSERT_EQ(forward.size(), static_cast<size_t>(kRecords));
  for (int i = 0; i < kRecords; ++i) EXPECT_EQ(forward[static_cast<size_t>(i)], i + 1);

  // A record in the middle of a run: Go syncs the tag onto it, Skip walks on.
  for (const char* flag : {"N", "Y"}) {
    SCOPED_TRACE(flag);
    EXPECT_TRUE(xb::Find(flag)) << xb::ErrorText();
    xb::Skip(3);
    const int32_t here = xb::RecNo();
    xb::Go(here);
    xb::Skip(1);
    EXPECT_EQ(xb::ErrorCode(), 0) << xb::ErrorText();
  }
}

TEST_F(ReversedRunsTest, ReplacingAKeyInAReversedRunMovesItsEntry) {
  // Records whose flag changes, from the middle and the ends of their runs.
  for (int32_t rec : {1, 150, 299}) {
    SCOPED_TRACE(rec);
    xb::Go(rec);
    ASSERT_TRUE(xb::RLock());
    const char now = records_[static_cast<size_t>(rec - 1)].flag;
    ASSERT_TRUE(xb::PutSwapText(*xb::CurrentArea(), 5, now == 'Y' ? "N" : "Y"));
    EXPECT_TRUE(xb::Replace()) << xb::ErrorText();
    xb::Unlock();
  }
  EXPECT_EQ(xb::VerifyIndexFile(*xb::CurrentArea()), std::vector<std::string>{});
}

// Tags with FOR .NOT. DELETED() (or FOR DELETED()) follow DeleteRec and
// RecallRec at once, not at the next pack.
TEST_F(IndexUpdateTest, DeletingAndRecallingUpdateTagsWhoseConditionNamesDeleted) {
  ASSERT_TRUE(xb::Use(path_ + " EXCLUSIVE")) << xb::ErrorText();
  ASSERT_TRUE(xb::MakeIndexAndOpen({Def("NAME", "NAME"), Def("LIVE", "NAME", false, false, ".NOT. DELETED()"),
                                    Def("GONE", "NUM", false, false, "DELETED()")},
                                   ""))
      << xb::ErrorText();
  ASSERT_TRUE(xb::SetOrderToTag("LIVE")) << xb::ErrorText();
  for (int32_t rec : {7, 8, 20}) {
    xb::Go(rec);
    const bool was_deleted = xb::Deleted();
    ASSERT_TRUE(was_deleted ? xb::RecallRec() : xb::DeleteRec()) << xb::ErrorText();
    EXPECT_EQ(xb::RecNo(), rec);
    EXPECT_EQ(xb::VerifyIndexFile(*xb::CurrentArea()), std::vector<std::string>{}) << "after flipping " << rec;
    ASSERT_TRUE(was_deleted ? xb::DeleteRec() : xb::RecallRec()) << xb::ErrorText();
    EXPECT_EQ(xb::VerifyIndexFile(*xb::CurrentArea()), std::vector<std::string>{}) << "after flipping back " << rec;
  }
}

// Other writers store a numeric key with its real digit count where ours
// always says ten; both mean the same number, and check must say so.
TEST_F(IndexTest, CheckComparesNumericKeysByValueWhateverTheirDigitCount) {
  const std::string path = WriteTable("digits", Generate(200, 5));
  ASSERT_TRUE(xb::Use(path + " EXCLUSIVE")) << xb::ErrorText();
  ASSERT_TRUE(xb::MakeIndex({Def("NUM", "NUM")}, "")) << xb::ErrorText();
  xb::CloseAll();
  const std::string mdx = MdxOf(path);
  std::vector<uint8_t> bytes = ReadBytes(mdx);
  auto get32 = [&](size_t at) {
    return static_cast<int32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                                static_cast<uint32_t>(bytes[at + 3]) << 24);
  };
  int rewritten = 0;
  // Leaves of 16-byte entries: record number, then the 12-byte key.
  for (size_t node = 2048; node + 1024 <= bytes.size(); node += 512) {
    const int32_t n = get32(node);
    if (n < 1 || n > 63 || get32(node + 4) != 0 || get32(node + 8 + 16 * static_cast<size_t>(n)) != 0) continue;
    for (int i = 0; i < n; ++i) {
      uint8_t* key = &bytes[node + 12 + 16 * static_cast<size_t>(i)];
      if (get32(node + 8 + 16 * static_cast<size_t>(i)) < 1 || (key[1] & 0x7D) != (0x01 | 10 << 2)) continue;
      int digits = 0;  // up to the last non-zero BCD digit
      for (int d = 0; d < 20; ++d)
        if (((key[2 + d / 2] >> (d % 2 == 0 ? 4 : 0)) & 0x0F) != 0) digits = d + 1;
      if (digits == 0 || digits == 10) continue;
      key[1] = static_cast<uint8_t>((key[1] & 0x80) | 0x01 | digits << 2);
      ++rewritten;
    }
  }
  ASSERT_GT(rewritten, 100);
  WriteBytes(mdx, bytes);
  ASSERT_TRUE(xb::Use(path)) << xb::ErrorText();
  ASSERT_TRUE(xb::SetIndexTo("")) << xb::ErrorText();
  EXPECT_EQ(xb::VerifyIndexFile(*xb::CurrentArea()), std::vector<std::string>{});
}

}  // namespace
}  // namespace qptest
