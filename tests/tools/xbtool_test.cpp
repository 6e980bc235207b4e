// xbtool end to end: each case runs the tool as a process and checks its
// output, exit status and the bytes of the table it leaves.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/scratch.h"

namespace {

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class Xbtool : public ::testing::Test {
 protected:
  // Runs xbtool with `args` (already shell-quoted where needed).
  Result Xb(const std::string& args) {
    const std::string out = scratch_.Path("stdout"), err = scratch_.Path("stderr");
    const std::string command = std::string("cd '") + scratch_.dir().string() + "' && '" +
                                XBTOOL_PATH + "' " + args + " >'" + out + "' 2>'" + err + "'";
    const int raw = std::system(command.c_str());
    Result r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = Slurp(out);
    r.err = Slurp(err);
    return r;
  }
  std::vector<uint8_t> Bytes(const std::string& name) {
    return qptest::ReadBytes(scratch_.Path(name));
  }

  qptest::Scratch scratch_;
};

TEST_F(Xbtool, CreateThenInfoShowsTheHeaderAndFields) {
  ASSERT_EQ(Xb("create people NAME,C,20 AGE,N,3,0 BORN,D,8 OK,L,1 RATE,F,8,2").status, 0);
  const std::vector<uint8_t> bytes = Bytes("people.DBF");
  ASSERT_EQ(bytes.size(), 32u + 5 * 32 + 2);
  EXPECT_EQ(bytes[0], 0x03);
  const Result info = Xb("info people.DBF");
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find("version: 0x03 (dBASE III)"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("records: 0"), std::string::npos);
  EXPECT_NE(info.out.find("header length: 193"), std::string::npos);
  EXPECT_NE(info.out.find("record length: 41"), std::string::npos);
  EXPECT_NE(info.out.find("  NAME       C  20  0\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("  RATE       F   8  2\n"), std::string::npos) << info.out;
}

TEST_F(Xbtool, AppendThenDumpRoundTripsValuesAsCsv) {
  ASSERT_EQ(Xb("create t NAME,C,12 AGE,N,5,1 BORN,D OK,L").status, 0);
  ASSERT_EQ(Xb("append t 'NAME=Zoé, \"Z\"' AGE=4.26 BORN=2020-01-31 OK=T").status, 0);
  ASSERT_EQ(Xb("append t NAME=Bob age=-3 ok=n").status, 0);
  const Result dump = Xb("dump t");
  ASSERT_EQ(dump.status, 0) << dump.err;
  EXPECT_EQ(dump.out,
            "*,NAME,AGE,BORN,OK\n"
            ",\"Zoé, \"\"Z\"\"\",  4.3,20200131,T\n"
            ",Bob, -3.0,,F\n");
  const std::vector<uint8_t> bytes = Bytes("t.DBF");
  EXPECT_EQ(bytes[161 + 1 + 2], 0xE9) << "stored in Windows-1252";
  EXPECT_EQ(bytes.size(), 161u + 2 * 27 + 1);
  EXPECT_EQ(bytes.back(), 0x1A);
}

TEST_F(Xbtool, OemOptionStoresAndReadsCodePage437) {
  ASSERT_EQ(Xb("create o NAME,C,4").status, 0);
  ASSERT_EQ(Xb("--oem append o NAME=é").status, 0);
  EXPECT_EQ(Bytes("o.DBF")[65 + 1], 0x82);
  EXPECT_EQ(Xb("--oem dump o").out, "*,NAME\n,é\n");
}

TEST_F(Xbtool, DumpMarksDeletedRecords) {
  ASSERT_EQ(Xb("create d A,C,3").status, 0);
  ASSERT_EQ(Xb("append d A=x").status, 0);
  std::vector<uint8_t> bytes = Bytes("d.DBF");
  bytes[65] = '*';
  qptest::WriteBytes(scratch_.Path("d.DBF"), bytes);
  EXPECT_EQ(Xb("dump d").out, "*,A\n*,x\n");
}

TEST_F(Xbtool, VersionOptionMakesDbaseSevenTables) {
  ASSERT_EQ(Xb("create --version 0x8C seven A,C,3 B,N,4,2").status, 0);
  const Result info = Xb("info seven");
  EXPECT_NE(info.out.find("version: 0x04 (dBASE 7)"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("header length: 165"), std::string::npos) << info.out;
}

TEST_F(Xbtool, EngineErrorsGoToStderrWithStatusOne) {
  const Result missing = Xb("dump nothing");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("Error # 2 (File not found)"), std::string::npos) << missing.err;
  EXPECT_NE(missing.err.find("Failure to open nothing.DBF [USE/OpenDbf]"), std::string::npos);

  const Result memo = Xb("create m NOTE,C,0 TEXT,M");
  EXPECT_EQ(memo.status, 1);
  EXPECT_FALSE(std::filesystem::exists(scratch_.Path("m.dbt"))) << "a refused create writes no memo file";

  const Result bad = Xb("create b NAME,C,0");
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find("Invalid dBASE field definition [CreateDBF]"), std::string::npos);

  qptest::WriteBytes(scratch_.Path("junk.dbf"), std::vector<uint8_t>(10, 'x'));
  const Result junk = Xb("info junk.dbf");
  EXPECT_EQ(junk.status, 1);
  EXPECT_NE(junk.err.find("Prolog is less than 32 bytes"), std::string::npos) << junk.err;
}

TEST_F(Xbtool, UsageErrorsPrintUsageWithStatusTwo) {
  for (const char* args : {"", "frobnicate t", "create t", "create t NAME", "create t NAME,C,x",
                           "info", "create --version 0x1FF t A,C,1"}) {
    SCOPED_TRACE(args);
    const Result r = Xb(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("usage: xbtool"), std::string::npos);
  }
  ASSERT_EQ(Xb("create t A,C,2 N,N,3").status, 0);
  EXPECT_EQ(Xb("append t NOPE=1").status, 2);
  EXPECT_EQ(Xb("append t N=abc").status, 2);
  EXPECT_EQ(Xb("dump t").out, "*,A,N\n") << "a refused append writes nothing";
}

}  // namespace
