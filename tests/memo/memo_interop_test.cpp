// Memo files shared with other dBASE programs, represented by two Python
// libraries: python3-dbf (reads and writes dBASE III and FoxPro) and dbfread
// (reads). Skipped only when no Python with both modules is found.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "engine/memo/memo_blob.h"
#include "engine/memo/memo_file.h"
#include "engine/memo/memo_hooks.h"
#include "engine/table/date_settings.h"
#include "engine/table/xbase.h"
#include "tests/support/python.h"
#include "tests/support/scratch.h"

namespace xb {
namespace {

constexpr const char* kReader = R"(import sys
path, lib = sys.argv[1], sys.argv[2]
def out(v):
    if v is None: v = ''
    if isinstance(v, str): v = v.encode('latin-1')
    print(v.hex() if v else '-')
if lib == 'dbfread':
    import dbfread
    for r in dbfread.DBF(path, encoding='latin-1'):
        out(r['NOTE'])
else:
    import dbf
    t = dbf.Table(path, codepage='cp1252')
    t.open(dbf.READ_ONLY)
    for r in t:
        out(r.note)
    t.close()
)";

constexpr const char* kWriter = R"(import sys, dbf
path, kind = sys.argv[1], sys.argv[2]
texts = [bytes.fromhex(h).decode('latin-1') if h != '-' else '' for h in sys.argv[3:]]
t = dbf.Table(path, 'ID C(5); NOTE M', dbf_type=kind, codepage='cp1252')
t.open(dbf.READ_WRITE)
for i, s in enumerate(texts):
    t.append((str(i), s))
t.close()
)";

std::string Hex(const std::string& s) {
  if (s.empty()) return "-";
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : s) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::string Unhex(const std::string& h) {
  std::string out;
  if (h == "-") return out;
  for (size_t i = 0; i + 1 < h.size(); i += 2) out += static_cast<char>(std::stoi(h.substr(i, 2), nullptr, 16));
  return out;
}

FieldDesc Fd(const std::string& name, char type, int length) {
  FieldDesc f;
  f.name = name;
  f.type = type;
  f.length = static_cast<uint8_t>(length);
  return f;
}

class MemoInteropTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (qptest::PythonWithDbf().empty()) GTEST_SKIP() << "no python3 with the dbf and dbfread modules";
    ResetErrorState();
    SetReportErrors(false);
    ResetSwitches();
    ResetDateSettings();
    CloseAll();
    MemoInit();
    Switches().network_mode = false;
    std::ofstream(scratch_.Path("reader.py")) << kReader;
    std::ofstream(scratch_.Path("writer.py")) << kWriter;
  }
  void TearDown() override {
    CloseAll();
    ResetSwitches();
  }

  // Creates `name` with the engine and stores one memo per text.
  std::string EngineWrites(const std::string& name, uint8_t version, const std::vector<std::string>& texts) {
    Switches().default_version = version;
    DbfFile scratch;
    const std::string path = scratch_.Path(name);
    EXPECT_TRUE(CreateDbf(scratch, path, std::vector<FieldDesc>{Fd("ID", 'C', 5), Fd("NOTE", 'M', 10)}));
    EXPECT_TRUE(Use(path)) << ErrorText();
    for (size_t i = 0; i < texts.size(); ++i) {
      ClearRecord();
      PutSwapText(*CurrentArea(), 1, std::to_string(i));
      int32_t block = CreateBlobDescriptor(false, 0, 2);
      EXPECT_NE(block, 0) << ErrorText();
      WriteBlobStream(texts[i].data(), static_cast<int32_t>(texts[i].size()));
      EXPECT_TRUE(DestroyBlobDescriptor());
      PutSwapMemoBlock(*CurrentArea(), 2, block);
      EXPECT_TRUE(Append()) << ErrorText();
    }
    CloseArea();
    return path;
  }

  std::vector<std::string> PythonReads(const std::string& path, const std::string& lib) {
    std::string out = qptest::RunCapture(qptest::PythonWithDbf() + " " + scratch_.Path("reader.py") + " '" + path + "' " + lib + " 2>&1");
    std::vector<std::string> texts;
    size_t at = 0;
    for (size_t nl; (nl = out.find('\n', at)) != std::string::npos; at = nl + 1)
      texts.push_back(Unhex(out.substr(at, nl - at)));
    if (texts.empty()) ADD_FAILURE() << lib << " said: " << out;
    return texts;
  }

  std::string PythonWrites(const std::string& name, const std::string& kind, const std::vector<std::string>& texts) {
    const std::string path = scratch_.Path(name);
    std::string command = qptest::PythonWithDbf() + " " + scratch_.Path("writer.py") + " '" + path + "' " + kind;
    for (const auto& t : texts) command += " " + Hex(t);
    std::string out = qptest::RunCapture(command + " 2>&1");
    EXPECT_EQ(out, "");
    return path;
  }

  std::vector<std::string> EngineReads(const std::string& path) {
    std::vector<std::string> texts;
    if (!Use(path)) {
      ADD_FAILURE() << ErrorText();
      return texts;
    }
    for (int32_t rec = 1; rec <= RecCount(); ++rec) {
      Go(rec);
      int32_t block = GetSwapMemoBlock(*CurrentArea(), 2);
      std::string text;
      if (block != 0) {
        EXPECT_NE(CreateBlobDescriptor(false, block, 1), 0) << ErrorText();
        char buf[512];
        for (int32_t n; (n = ReadBlobStream(buf, sizeof buf)) > 0;) text.append(buf, static_cast<size_t>(n));
        DestroyBlobDescriptor();
      }
      texts.push_back(text);
    }
    CloseArea();
    return texts;
  }

  qptest::Scratch scratch_;
};

std::string Lines(int n) {
  std::string text;
  for (int i = 0; i < n; ++i) text += "line " + std::to_string(i) + " of a longer note\r\n";
  return text;
}

TEST_F(MemoInteropTest, Dbase3MemosTheEngineWritesReadTheSameInBothLibraries) {
  const std::vector<std::string> texts = {"short", "", Lines(60), std::string(512, 'e'), std::string(511, 'f'),
                                          "last one"};
  const std::string path = EngineWrites("three.dbf", 0x83, texts);
  EXPECT_EQ(PythonReads(path, "dbf"), texts);
  EXPECT_EQ(PythonReads(path, "dbfread"), texts);
}

TEST_F(MemoInteropTest, Dbase4MemosTheEngineWritesReadInDbfread) {
  const std::vector<std::string> texts = {"short", "", Lines(60), std::string(504, 'e'), std::string(512, 'x'),
                                          std::string("zero\0and\x1A" "eof inside", 19), "last one"};
  const std::string path = EngineWrites("four.dbf", 0x8B, texts);
  // dbfread takes the length field for the text length, although it counts
  // the 8-byte memo header too: it returns the text plus the 8 bytes after.
  const auto read = PythonReads(path, "dbfread");
  ASSERT_EQ(read.size(), texts.size());
  const auto bytes = qptest::ReadBytes(scratch_.Path("four.dbt"));
  for (size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(read[i].substr(0, texts[i].size()), texts[i]) << i;
    if (texts[i].empty()) continue;
    EXPECT_LE(read[i].size(), texts[i].size() + 8) << i;
  }
  // The engine writes text length + 8, as the format and dBASE IV do.
  EXPECT_EQ(LoadLe32(&bytes[512 + 4]), 5u + 8u);
  EXPECT_EQ(EngineReads(path), texts);
}

TEST_F(MemoInteropTest, FoxProMemosTheEngineWritesReadTheSameInBothLibraries) {
  const std::vector<std::string> texts = {"short", "", Lines(40), std::string(504, 'e'),
                                          std::string("zero\0and\x1A" "eof inside", 19)};
  const std::string path = EngineWrites("fox.dbf", 0xF5, texts);
  EXPECT_EQ(PythonReads(path, "dbf"), texts);
  EXPECT_EQ(PythonReads(path, "dbfread"), texts);
}

TEST_F(MemoInteropTest, MemosPythonDbfWritesReadTheSameInTheEngine) {
  const std::vector<std::string> plain = {"short", "", Lines(60), std::string(512, 'y'), "end"};
  EXPECT_EQ(EngineReads(PythonWrites("py3.dbf", "db3", plain)), plain);
  std::vector<std::string> fox = plain;
  fox.push_back(std::string("zero\0and\x1A" "eof", 12));
  EXPECT_EQ(EngineReads(PythonWrites("pyfox.dbf", "fp", fox)), fox);
}

TEST_F(MemoInteropTest, TheEngineAppendsToAFilePythonDbfWroteWithoutHarmingItsMemos) {
  const std::vector<std::string> first = {"one", Lines(20), "three"};
  const std::string path = PythonWrites("mixed.dbf", "db3", first);
  ASSERT_TRUE(Use(path));
  ClearRecord();
  int32_t block = CreateBlobDescriptor(false, 0, 2);
  WriteBlobStream("engine", 6);
  ASSERT_TRUE(DestroyBlobDescriptor());
  PutSwapMemoBlock(*CurrentArea(), 2, block);
  ASSERT_TRUE(Append());
  CloseArea();
  std::vector<std::string> all = first;
  all.push_back("engine");
  EXPECT_EQ(PythonReads(path, "dbf"), all);
  EXPECT_EQ(PythonReads(path, "dbfread"), all);
}

}  // namespace
}  // namespace xb
