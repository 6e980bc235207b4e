// Opening index files: which file a name means, expression texts written
// by other programs, and damaged files, which must end in an error and
// never in a crash or an endless walk.
#include <cstring>
#include <string>
#include <vector>

#include "engine/index/index_keys.h"
#include "engine/index/mdx_file.h"
#include "engine/index/mdx_format.h"
#include "engine/table/files.h"
#include "tests/index/index_fixture.h"

namespace qptest {
namespace {

class IndexOpenTest : public IndexTest {
 protected:
  // 100 records, tag NAME (20-byte keys, 42 per node: three leaves under
  // an interior root).
  std::string MakeIndexed(const std::vector<xb::TagDefinition>& defs = {Def("NAME", "NAME")}) {
    const std::string path = WriteTable("d", Generate(100, 4));
    EXPECT_TRUE(xb::Use(path));
    EXPECT_TRUE(xb::MakeIndex(defs, "")) << xb::ErrorText();
    xb::CloseArea();
    return path;
  }
  static size_t TagHeaderAt(const std::vector<uint8_t>& b) { return static_cast<size_t>(xb::Get32(&b[544])) * 512; }
  static size_t RootAt(const std::vector<uint8_t>& b) {
    return static_cast<size_t>(xb::Get32(&b[TagHeaderAt(b)])) * 512;
  }
};

TEST_F(IndexOpenTest, NamesResolveBesideTheTable) {
  const std::string path = MakeIndexed();
  ASSERT_TRUE(xb::Use(path));
  const xb::WorkArea& area = *xb::CurrentArea();
  const std::string folder = xb::SplitName(area.dbf.file_name).directory;
  // The production index follows the name the table has on disk ("d.DBF").
  EXPECT_EQ(xb::IndexFileNameFor(area, ""), folder + "d.MDX");
  EXPECT_EQ(xb::IndexFileNameFor(area, " x "), folder + "x.MDX");
  EXPECT_EQ(xb::IndexFileNameFor(area, "/a/x.mdx"), "/a/x.mdx");
  EXPECT_TRUE(xb::SetIndexTo(""));
  EXPECT_FALSE(xb::SetIndexTo("missing"));
  EXPECT_EQ(xb::ErrorCode(), 2);
  EXPECT_EQ(xb::ErrorText(), "SetIndexTo(" + folder + "missing.MDX)");
  EXPECT_EQ(xb::CurrentOrder(), 0) << "the failed open closed the previous index";
}

TEST_F(IndexOpenTest, ExpressionTextsKeepDottedWordsApart) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"upper( Noteboard )", "UPPER(NOTEBOARD)"},
      {".NOT. DELETED()", ".NOT. DELETED()"},
      {"a  .and.\tb", "A .AND. B"},
      {"name = 'x y'", "NAME=\"x y\""},
      {"'say \"hi\"' $ name", "'say \"hi\"'$NAME"},
      {"num > 1.5 .or. .t.", "NUM>1.5 .OR. .T."},
  };
  for (const auto& c : cases) EXPECT_EQ(xb::NormaliseExpression(c.in), c.out) << c.in;
  // Written as other programs write them, they open and work.
  const std::string path = MakeIndexed({Def("LIVE", "upper( NAME )", false, false, "  .not. deleted()  "),
                                        Def("BOTH", "NAME", false, false, "num > 0 .and. .not. deleted()")});
  ASSERT_TRUE(xb::Use(path));
  ASSERT_TRUE(xb::SetIndexTo("")) << xb::ErrorText();
  EXPECT_FALSE(ScanForward().empty());
  ASSERT_TRUE(xb::SetOrderToTag("BOTH"));
  EXPECT_FALSE(ScanForward().empty());
}

TEST_F(IndexOpenTest, KeyOfVaryingLengthIsRefusedOnATableWithRecords) {
  const std::string path = MakeIndexed({Def("T", "trim(NAME)")});
  ASSERT_TRUE(xb::Use(path));
  EXPECT_FALSE(xb::SetIndexTo(""));
  EXPECT_EQ(xb::ErrorCode(), 266);
}

struct Damage {
  const char* name;
  void (*apply)(std::vector<uint8_t>& bytes);
  int code;  // 0: any error
};

TEST_F(IndexOpenTest, DamagedFilesGiveAnErrorAndCloseTheIndex) {
  const Damage cases[] = {
      {"shorter than 3072 bytes", [](std::vector<uint8_t>& b) { b.resize(3000); }, 222},
      {"root at block 0", [](std::vector<uint8_t>& b) { xb::Put32(&b[TagHeaderAt(b)], 0); }, 254},
      {"root beyond the file", [](std::vector<uint8_t>& b) { xb::Put32(&b[TagHeaderAt(b)], 100000); }, 100},
      {"child beyond the file", [](std::vector<uint8_t>& b) { xb::Put32(&b[RootAt(b) + 8], 99998); }, 100},
      {"child in the header", [](std::vector<uint8_t>& b) { xb::Put32(&b[RootAt(b) + 8], 2); }, 254},
      {"key count beyond the maximum", [](std::vector<uint8_t>& b) { xb::Put32(&b[RootAt(b)], 1000); }, 254},
      {"negative key count", [](std::vector<uint8_t>& b) { xb::Put32(&b[RootAt(b)], -3); }, 254},
      {"cycle between nodes",
       [](std::vector<uint8_t>& b) { xb::Put32(&b[RootAt(b) + 8], static_cast<int32_t>(RootAt(b) / 512)); }, 254},
      {"invalid key expression",
       [](std::vector<uint8_t>& b) { std::memcpy(&b[TagHeaderAt(b) + 24], "NAME +\0", 7); }, 222},
      {"key of another type than stored",
       [](std::vector<uint8_t>& b) { std::memcpy(&b[TagHeaderAt(b) + 24], "NUM\0", 4); }, 222},
      {"tag header in the file header", [](std::vector<uint8_t>& b) { xb::Put32(&b[544], 1); }, 222},
      {"tag count above 47", [](std::vector<uint8_t>& b) { b[28] = 60; }, 222},
      {"key length 0", [](std::vector<uint8_t>& b) { xb::Put16(&b[TagHeaderAt(b) + 12], 0); }, 266},
  };
  for (const Damage& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    const std::string path = MakeIndexed();
    const std::string mdx = MdxOf(path);
    std::vector<uint8_t> bytes = ReadBytes(mdx);
    c.apply(bytes);
    WriteBytes(mdx, bytes);
    ASSERT_TRUE(xb::Use(path));
    EXPECT_FALSE(xb::SetIndexTo(""));
    if (c.code != 0) {
      EXPECT_EQ(xb::ErrorCode(), c.code) << xb::ErrorText();
    }
    EXPECT_EQ(xb::MdxOf(*xb::CurrentArea()), nullptr);
    EXPECT_EQ(xb::CurrentOrder(), 0);
  }
}

TEST_F(IndexOpenTest, DamageBeyondTheFirstLeafStopsTheScanWithAnError) {
  const std::string path = MakeIndexed();
  const std::string mdx = MdxOf(path);
  std::vector<uint8_t> bytes = ReadBytes(mdx);
  // The root's second child: a cycle back to the root.
  const size_t root = RootAt(bytes);
  const int entry_length = 24;
  xb::Put32(&bytes[root + 8 + entry_length], static_cast<int32_t>(root / 512));
  WriteBytes(mdx, bytes);
  ASSERT_TRUE(xb::Use(path));
  ASSERT_TRUE(xb::SetIndexTo("")) << xb::ErrorText();
  const std::vector<int32_t> seen = ScanForward(1000);
  EXPECT_LT(seen.size(), 1000u);
  EXPECT_NE(xb::ErrorCode(), 0);
}

}  // namespace
}  // namespace qptest
