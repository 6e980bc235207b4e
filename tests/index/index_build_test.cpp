// Building tags: file shape of small builds, the tree every build must
// have (verified against the records), the order a scan in tag order
// yields compared with a sorted model, and the stored definitions.
#include <string>
#include <vector>

#include "engine/index/index_check.h"
#include "engine/index/mdx_format.h"
#include "engine/index/mdx_node.h"
#include "engine/table/files.h"
#include "tests/index/index_fixture.h"

namespace qptest {
namespace {

class IndexBuildTest : public IndexTest {
 protected:
  std::string Build(const std::vector<GenRecord>& records, const std::vector<xb::TagDefinition>& defs) {
    const std::string path = WriteTable("t", records);
    EXPECT_TRUE(xb::Use(path + " EXCLUSIVE")) << xb::ErrorText();
    EXPECT_TRUE(xb::MakeIndex(defs, "")) << xb::ErrorText();
    EXPECT_TRUE(xb::SetIndexTo("")) << xb::ErrorText();
    return path;
  }
  static std::vector<std::string> Faults() { return xb::VerifyIndexFile(*xb::CurrentArea()); }

  // The tag header and root node of tag `i` of the index file.
  struct TagBytes {
    std::vector<uint8_t> header, root;
  };
  TagBytes ReadTag(const std::string& mdx, int i) {
    const std::vector<uint8_t> bytes = ReadBytes(mdx);
    if (bytes.size() < 3072) return {};
    const size_t entry = 512 + 32 * static_cast<size_t>(i);
    const size_t header_at = static_cast<size_t>(xb::Get32(&bytes[entry])) * 512;
    TagBytes t;
    if (header_at + 1024 > bytes.size()) return {};
    t.header.assign(bytes.begin() + header_at, bytes.begin() + header_at + 1024);
    const size_t root_at = static_cast<size_t>(xb::Get32(&t.header[0])) * 512;
    if (root_at + 1024 > bytes.size()) return {};
    t.root.assign(bytes.begin() + root_at, bytes.begin() + root_at + 1024);
    return t;
  }
};

std::vector<xb::TagDefinition> AllKinds() {
  return {
      Def("NAMEUP", "upper(NAME)"),
      Def("NAMEDN", "NAME", true),
      Def("NUM", "NUM"),
      Def("AMT", "AMT"),
      Def("BORN", "BORN"),
      Def("UNAME", "NAME", false, true),
      Def("FLAGY", "NAME", false, false, "FLAG = \"Y\" .AND. .NOT. DELETED()"),
      Def("BORNDN", "BORN", true, false, "NUM > 0"),
  };
}

// Model orders for AllKinds(), by tag name.
std::vector<int32_t> ModelFor(const std::string& tag, const std::vector<GenRecord>& r) {
  auto name = [](const GenRecord& g) { return TextKey(g.name); };
  if (tag == "NAMEUP") return ModelOrder(r, [](const GenRecord& g) { return TextKey(Upper(g.name)); }, false, false, Always);
  if (tag == "NAMEDN") return ModelOrder(r, name, true, false, Always);
  if (tag == "NUM") return ModelOrder(r, [](const GenRecord& g) { return NumberKey(g.num); }, false, false, Always);
  if (tag == "AMT") return ModelOrder(r, [](const GenRecord& g) { return NumberKey(g.cents); }, false, false, Always);
  if (tag == "BORN") return ModelOrder(r, [](const GenRecord& g) { return DateKey(g.born); }, false, false, Always);
  if (tag == "UNAME") return ModelOrder(r, name, false, true, Always);
  if (tag == "FLAGY")
    return ModelOrder(r, name, false, false, [](const GenRecord& g) { return g.flag == 'Y' && !g.deleted; });
  return ModelOrder(r, [](const GenRecord& g) { return DateKey(g.born); }, true, false,
                    [](const GenRecord& g) { return g.num > 0; });
}

TEST_F(IndexBuildTest, EmptyTableGivesAnEmptyRootLeafAndNothingElse) {
  const std::string path = Build({}, {Def("NAME", "NAME")});
  EXPECT_EQ(ReadBytes(MdxOf(path)).size(), 2048u + 1024 + 1024);
  const TagBytes t = ReadTag(MdxOf(path), 1);
  ASSERT_EQ(t.root.size(), 1024u);
  EXPECT_EQ(xb::Get32(&t.root[0]), 0);
  EXPECT_EQ(xb::Get32(&t.root[8]), 0) << "an empty root is a leaf";
  EXPECT_TRUE(Faults().empty());
}

TEST_F(IndexBuildTest, TwentyThreeLongKeysFillOneRootLeafAndTwentyFourSplitIt) {
  // NAME + NAME: a 40-byte key, 44-byte entries, 23 keys per node.
  for (const int n : {23, 24}) {
    SCOPED_TRACE(n);
    TearDown();
    SetUp();
    const std::string path = Build(Generate(n, 7), {Def("BOARD", "NAME + NAME")});
    const TagBytes t = ReadTag(MdxOf(path), 1);
    ASSERT_EQ(t.root.size(), 1024u);
    EXPECT_EQ(xb::Get16(&t.header[12]), 40);
    EXPECT_EQ(xb::Get16(&t.header[18]), 44);
    EXPECT_EQ(xb::Get16(&t.header[14]), 23);
    const int root_keys = xb::Get32(&t.root[0]);
    const int32_t after_last = xb::Get32(&t.root[8 + root_keys * 44]);
    if (n == 23) {
      EXPECT_EQ(root_keys, 23);
      EXPECT_EQ(after_last, 0);
    } else {
      EXPECT_EQ(root_keys, 1);
      EXPECT_NE(after_last, 0);
      const std::vector<uint8_t> bytes = ReadBytes(MdxOf(path));
      EXPECT_EQ(xb::Get32(&bytes[static_cast<size_t>(xb::Get32(&t.root[8])) * 512]), 23);
      EXPECT_EQ(xb::Get32(&bytes[static_cast<size_t>(after_last) * 512]), 1);
    }
    EXPECT_TRUE(Faults().empty());
  }
}

TEST_F(IndexBuildTest, EveryLeafIsAtTheSameDepthWhenALevelEndsEmpty) {
  // 100-byte keys give 9 keys per node; record 91 flushes a full first
  // level, which then ends the build with no key of its own.
  for (const int n : {81, 90, 91, 92, 99, 100, 819, 820, 821}) {
    SCOPED_TRACE(n);
    TearDown();
    SetUp();
    Build(Generate(n, 11), {Def("WIDE", "NAME + NAME + NAME + NAME + NAME")});
    EXPECT_EQ(Faults(), std::vector<std::string>{});
    EXPECT_EQ(ScanForward().size(), static_cast<size_t>(n));
  }
}

TEST_F(IndexBuildTest, UniqueTagKeepsTheLowestRecordOfEachKey) {
  std::vector<GenRecord> r(4);
  r[0].name = "b";
  r[1].name = "a";
  r[2].name = "b";
  r[3].name = "a";
  Build(r, {Def("U", "NAME", false, true)});
  EXPECT_EQ(ScanForward(), (std::vector<int32_t>{2, 1}));
}

TEST_F(IndexBuildTest, ForConditionNoRecordSatisfiesLeavesTheFlagClear) {
  const std::string path = Build(Generate(30, 3), {Def("NONE", "NAME", false, false, "NUM > 99999")});
  const TagBytes t = ReadTag(MdxOf(path), 1);
  ASSERT_EQ(t.root.size(), 1024u);
  EXPECT_EQ(t.header[245], 1);
  EXPECT_EQ(t.header[246], 0);
  EXPECT_TRUE(ScanForward().empty());
  EXPECT_TRUE(xb::dEOF());
}

TEST_F(IndexBuildTest, TagsRoundTripThroughTheFileAtEverySize) {
  for (const int n : {0, 1, 23, 24, 10000}) {
    SCOPED_TRACE(n);
    TearDown();
    SetUp();
    const std::vector<GenRecord> records = Generate(n, 1000 + n);
    Build(records, AllKinds());
    EXPECT_EQ(Faults(), std::vector<std::string>{});
    for (const xb::TagDefinition& def : AllKinds()) {
      SCOPED_TRACE(def.name);
      ASSERT_TRUE(xb::SetOrderToTag(def.name));
      const std::vector<int32_t> model = ModelFor(def.name, records);
      EXPECT_EQ(ScanForward(), model);
      std::vector<int32_t> backward = ScanBackward();
      std::reverse(backward.begin(), backward.end());
      EXPECT_EQ(backward, model);
    }
  }
}

TEST_F(IndexBuildTest, TwoHundredThousandRecordsBuildThroughRunsAndVerify) {
  const std::vector<GenRecord> records = Generate(200000, 42);
  const std::vector<xb::TagDefinition> defs = {Def("NAMEUP", "upper(NAME)"), Def("NUM", "NUM"),
                                               Def("BORNDN", "BORN", true, false, "NUM > 0")};
  Build(records, defs);
  EXPECT_EQ(Faults(), std::vector<std::string>{});
  for (const xb::TagDefinition& def : defs) {
    SCOPED_TRACE(def.name);
    ASSERT_TRUE(xb::SetOrderToTag(def.name));
    EXPECT_EQ(ScanForward(), ModelFor(def.name, records));
  }
}

TEST_F(IndexBuildTest, StoredDefinitionsReadBackAsTextLines) {
  Build(Generate(5, 1), {Def("board", "upper(Name)"), Def("DN", "NUM", true, true, "FLAG = 'Y'")});
  EXPECT_EQ(xb::ReadTagDefinitions(""), (std::vector<std::string>{"BOARD,F,F,upper(Name)", "",
                                                                   "DN,T,T,NUM", "FLAG = 'Y'"}));
  xb::TagDefinition parsed;
  ASSERT_TRUE(xb::ParseTagDefinition("BOARD,F,T,upper(Noteboard)", "x", parsed));
  EXPECT_EQ(parsed.name, "BOARD");
  EXPECT_FALSE(parsed.descending);
  EXPECT_TRUE(parsed.unique);
  EXPECT_EQ(parsed.key_expression, "upper(Noteboard)");
  EXPECT_EQ(parsed.for_expression, "x");
  EXPECT_EQ(xb::TagDefinitionLine(parsed), "BOARD,F,T,upper(Noteboard)");
}

TEST_F(IndexBuildTest, ReindexKeepsDefinitionsAndTheControllingTag) {
  const std::vector<GenRecord> records = Generate(300, 5);
  Build(records, AllKinds());
  const std::vector<std::string> before = xb::ReadTagDefinitions("");
  ASSERT_TRUE(xb::SetOrderToTag("AMT"));
  ASSERT_TRUE(xb::Reindex()) << xb::ErrorText();
  EXPECT_EQ(xb::CurrentTagName(), "AMT");
  EXPECT_EQ(xb::ReadTagDefinitions(""), before);
  EXPECT_EQ(ScanForward(), ModelFor("AMT", records));
  EXPECT_EQ(Faults(), std::vector<std::string>{});
}

TEST_F(IndexBuildTest, ProgressCallbackRunsExactlyTheStepCountPerTag) {
  int calls = 0;
  xb::SetIndexProgress([&] { ++calls; }, 100);
  Build(Generate(1000, 9), {Def("A", "NAME"), Def("B", "NUM")});
  EXPECT_EQ(calls, 200);
}

struct BadDefinition {
  const char* name;
  xb::TagDefinition def;
  int code;
  const char* message_start;
};

TEST_F(IndexBuildTest, BadDefinitionsAreRefusedWithTheirCode) {
  const std::string long_key = "NAME" + std::string(217, ' ') + "+NAME";
  const BadDefinition cases[] = {
      {"invalid FOR", Def("F", "NAME", false, false, "NUM +"), 0, "Invalid FOR expression for F"},
      {"FOR not logical", Def("F", "NAME", false, false, "NUM"), 362, "Invalid FOR expression for F"},
      {"key too long", Def("L", long_key), 300, "Expression length exceeds 100 bytes [AddIndexTag()]"},
      {"logical key", Def("K", "FLAG = 'Y'"), 254, "Wrong parser return type [AddIndexTag()]"},
      {"key over 100 bytes", Def("W", "NAME+NAME+NAME+NAME+NAME+NAME"), 266,
       "Incorrect key length: Must be 1 to 100. [AddIndexTag()]"},
  };
  for (const BadDefinition& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    const std::string path = WriteTable("t", Generate(3, 1));
    ASSERT_TRUE(xb::Use(path + " EXCLUSIVE"));
    ASSERT_TRUE(xb::MakeIndex({Def("OK", "NAME")}, "")) << xb::ErrorText();
    const std::vector<uint8_t> before = ReadBytes(MdxOf(path));
    EXPECT_FALSE(xb::MakeIndex({Def("OK", "NUM"), c.def}, ""));
    if (c.code != 0) {
      EXPECT_EQ(xb::ErrorCode(), c.code);
    }
    EXPECT_EQ(xb::ErrorText().rfind(c.message_start, 0), 0u) << xb::ErrorText();
    // The index that was there stays as it was, tag definitions and all.
    EXPECT_EQ(ReadBytes(MdxOf(path)), before);
    EXPECT_FALSE(xb::FileExists(xb::ForceExt(MdxOf(path), "$IX")));
    ASSERT_TRUE(xb::SetIndexTo(""));
    EXPECT_EQ(xb::ReadTagDefinitions(""), (std::vector<std::string>{"OK,F,F,NAME", ""}));
  }
}

}  // namespace
}  // namespace qptest
