// xbtool end to end: each case runs the tool as a process and checks its
// output, exit status and the bytes of the table it leaves.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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
  // Runs xbtool with `args` (already shell-quoted where needed), after
  // `runner` (a command that runs another, such as one dropping privileges).
  Result Xb(const std::string& args, const std::string& runner = "") {
    const std::string out = scratch_.Path("stdout"), err = scratch_.Path("stderr");
    const std::string command = std::string("cd '") + scratch_.dir().string() + "' && " + runner + "'" +
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

namespace {

// The NAME column of a `dump --order` listing, header skipped.
std::vector<std::string> NamesOf(const std::string& listing) {
  std::vector<std::string> names;
  std::istringstream lines(listing);
  std::string line;
  std::getline(lines, line);
  while (std::getline(lines, line)) {
    const size_t first = line.find(',');
    names.push_back(line.substr(first + 1, line.find(',', first + 1) - first - 1));
  }
  return names;
}

using Names = std::vector<std::string>;

}  // namespace

TEST_F(Xbtool, EditingCommandsKeepEveryTagOfTheProductionIndexInStep) {
  ASSERT_EQ(Xb("create notes NAME,C,10 NUM,N,5,0 CODE,C,3").status, 0);
  ASSERT_EQ(Xb("append notes.DBF NAME=pear NUM=30 CODE=P").status, 0);
  const Result built =
      Xb("index notes.DBF BYNAME,F,F,'UPPER(NAME)' BYNUM,F,F,NUM CODE,F,T,CODE BIG,F,F,NAME 'NUM > 10'");
  ASSERT_EQ(built.status, 0) << built.err;
  const auto checked = [&](const std::string& step) {
    const Result r = Xb("check notes.DBF");
    EXPECT_EQ(r.status, 0) << step << ": " << r.out << r.err;
    EXPECT_EQ(r.out, "OK\n") << step;
  };
  const auto order = [&](const std::string& tag) {
    const Result r = Xb("dump --order " + tag + " notes.DBF");
    EXPECT_EQ(r.status, 0) << tag << ": " << r.err;
    return NamesOf(r.out);
  };
  checked("index");
  for (const char* values : {"NAME=apple NUM=5 CODE=A", "NAME=Fig NUM=50 CODE=F",
                             "NAME=banana NUM=20 CODE=B", "NAME=cherry NUM=20 CODE=A"}) {
    const Result r = Xb(std::string("append notes.DBF ") + values);
    ASSERT_EQ(r.status, 0) << values << ": " << r.err;
    checked(values);
  }
  EXPECT_EQ(order("BIG"), (Names{"Fig", "banana", "cherry", "pear"}));
  EXPECT_EQ(order("CODE"), (Names{"apple", "banana", "Fig", "pear"}));

  // pear leaves the FOR tag and moves to the front of the numeric one.
  const Result replaced = Xb("replace notes.DBF 1 NAME=zucchini NUM=1");
  ASSERT_EQ(replaced.status, 0) << replaced.err;
  checked("replace");
  EXPECT_EQ(order("BIG"), (Names{"Fig", "banana", "cherry"}));
  EXPECT_EQ(order("BYNUM"), (Names{"zucchini", "apple", "banana", "cherry", "Fig"}));

  ASSERT_EQ(Xb("delete notes.DBF 3").status, 0);
  checked("delete");
  const Result packed = Xb("pack notes.DBF");
  ASSERT_EQ(packed.status, 0) << packed.err;
  EXPECT_EQ(packed.out, "4\n");
  checked("pack");
  EXPECT_EQ(order("BYNAME"), (Names{"apple", "banana", "cherry", "zucchini"}));
  EXPECT_EQ(order("BYNUM"), (Names{"zucchini", "apple", "banana", "cherry"}));
  EXPECT_EQ(order("CODE"), (Names{"apple", "banana", "zucchini"}));
  EXPECT_EQ(order("BIG"), (Names{"banana", "cherry"}));
  for (const auto& entry : std::filesystem::directory_iterator(scratch_.dir()))
    EXPECT_NE(entry.path().extension(), ".@S@") << "semaphore file left behind";
}

TEST_F(Xbtool, ReplaceRefusesUnknownFieldsAndValuesThatDoNotFit) {
  ASSERT_EQ(Xb("create t NAME,C,10 NUM,N,5,0").status, 0);
  ASSERT_EQ(Xb("append t.DBF NAME=one NUM=1").status, 0);
  EXPECT_EQ(Xb("replace t.DBF 1 NOPE=2").status, 2);
  EXPECT_EQ(Xb("replace t.DBF 1 NUM=abc").status, 2);
  EXPECT_EQ(Xb("replace t.DBF 1").status, 2);
  const Result r = Xb("replace t.DBF 1 NUM=7");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Xb("peek t.DBF NUM 1").out, "    7\n");
}

// The language driver byte of a table another program wrote picks the
// code page; --ansi and --oem override it.
TEST_F(Xbtool, TheLanguageDriverBytePicksTheCodePage) {
  ASSERT_EQ(Xb("--oem create cp NAME,C,10").status, 0);
  ASSERT_EQ(Xb("--oem append cp NAME=Héllo").status, 0);
  struct Case {
    uint8_t driver;
    const char* options;
    const char* shown;
  };
  for (const Case& c : {Case{0x01, "", "Héllo"}, Case{0x03, "", "H‚llo"}, Case{0x57, "", "H‚llo"},
                        Case{0x01, "--ansi ", "H‚llo"}, Case{0x03, "--oem ", "Héllo"}}) {
    SCOPED_TRACE(std::to_string(c.driver) + " " + c.options);
    std::vector<uint8_t> bytes = Bytes("cp.DBF");
    bytes[29] = c.driver;
    qptest::WriteBytes(scratch_.Path("cp.DBF"), bytes);
    const Result r = Xb(std::string(c.options) + "dump cp.DBF");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, std::string("*,NAME\n,") + c.shown + "\n");
  }
}

// Another program holds the append lock for a moment: an append waits for
// it up to --wait seconds, and says what it waited for when it gives up.
TEST_F(Xbtool, EditingCommandsWaitForALockAnotherProgramHolds) {
  ASSERT_EQ(Xb("create w NAME,C,4").status, 0);
  const std::string hold =
      "python3 -c 'import fcntl,sys,time\n"
      "f=open(sys.argv[1],\"r+b\")\n"
      "fcntl.lockf(f,fcntl.LOCK_EX|fcntl.LOCK_NB,1,0x40000001)\n"
      "open(sys.argv[2],\"w\").close()\n"
      "time.sleep(float(sys.argv[3]))' '" + scratch_.Path("w.DBF") + "' '" + scratch_.Path("held") + "' ";
  auto hold_for = [&](const char* seconds) {
    std::filesystem::remove(scratch_.Path("held"));
    ASSERT_EQ(std::system((hold + seconds + " &").c_str()), 0);
    for (int i = 0; i < 500 && !std::filesystem::exists(scratch_.Path("held")); ++i) usleep(10000);
    ASSERT_TRUE(std::filesystem::exists(scratch_.Path("held")));
  };
  hold_for("3");
  const Result refused = Xb("--wait 0 append w NAME=a");
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err, "xbtool: the table's append lock is locked by another program (waited 0 seconds)\n");
  const Result waited = Xb("--wait 20 append w NAME=b");
  EXPECT_EQ(waited.status, 0) << waited.err;
  EXPECT_EQ(Xb("dump w").out, "*,NAME\n,b\n");
}

namespace {

struct BadInput {
  const char* name;
  const char* args;     // after "xbtool"; the table is t (NAME C5, N N5.2, D D, NOTE M)
  const char* message;  // part of what is printed
};

// Each refusal leaves the table, memo and index files as they were, exits
// 1 or 2 and says what is wrong; none ends the tool with a signal.
TEST_F(Xbtool, BadInputIsRefusedAndTheFilesStayAsTheyWere) {
  const BadInput cases[] = {
      {"create over a table", "create t A,C,5", "exists"},
      {"memo given text", "append t NOTE=text", "setmemo"},
      {"memo given a number", "replace t 1 NOTE=5", "setmemo"},
      {"inf", "append t N=inf", "N: not a number"},
      {"nan", "append t N=nan", "N: not a number"},
      {"hex", "append t N=0x10", "N: not a number"},
      {"text for a number", "append t N=abc", "N: not a number"},
      {"number too wide", "append t N=1234.5", "does not fit"},
      {"30 February", "append t D=20230230", "D: not a date"},
      {"zero date", "append t D=00000000", "D: not a date"},
      {"month 13", "append t D=20231301", "D: not a date"},
      {"text too long", "replace t 1 NAME=abcdefg", "longer than the field"},
      {"name over 10", "create u ABCDEFGHIJK,C,5", "longer than 10"},
      {"name twice", "create u A,C,5 a,N,3", "given twice"},
      {"decimals not below width", "create u A,N,3,3", "below the width"},
      {"tag name twice", "index t 'A,F,F,NAME' 'a,F,F,N'", "tag name given twice"},
      {"unknown function", "index t 'A,F,F,foo(NAME)'", "Unknown function foo"},
      {"unknown field", "index t 'A,F,F,NAMEX'", "Unknown field or name NAMEX"},
      {"key over 100 bytes", "index t 'A,F,F,replicate(NAME,30)'", "Incorrect key length"},
      {"peek past the end", "peek t NAME 5", "outside the table"},
      {"peek before the start", "peek t NAME 0", "outside the table"},
      {"setmemo from a folder", "setmemo t 1 NOTE folder", "not a file"},
  };
  ASSERT_EQ(Xb("create t NAME,C,5 N,N,5,2 D,D NOTE,M").status, 0);
  ASSERT_EQ(Xb("append t NAME=ab N=1.5 D=20240229").status, 0);
  ASSERT_EQ(Xb("index t 'NAMES,F,F,NAME'").status, 0);
  std::filesystem::create_directory(scratch_.Path("folder"));
  const std::vector<std::string> files = {"t.DBF", "t.DBT", "t.mdx"};
  auto snapshot = [&] {
    std::vector<std::vector<uint8_t>> bytes;
    for (const std::string& f : files) bytes.push_back(Bytes(f));
    return bytes;
  };
  const auto before = snapshot();
  for (const BadInput& c : cases) {
    SCOPED_TRACE(c.name);
    const Result r = Xb(c.args);
    EXPECT_TRUE(r.status == 1 || r.status == 2) << r.status << " " << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(snapshot(), before);
    EXPECT_FALSE(std::filesystem::exists(scratch_.Path("u.DBF")));
  }
}

TEST_F(Xbtool, CreateWithForceReplacesTheTableAndDropsItsMemoAndIndex) {
  ASSERT_EQ(Xb("create t NAME,C,5 NOTE,M").status, 0);
  ASSERT_EQ(Xb("index t 'NAMES,F,F,NAME'").status, 0);
  ASSERT_EQ(Xb("create --force t CODE,N,4").status, 0);
  EXPECT_EQ(Bytes("t.DBF").size(), 32u + 32 + 2);
  EXPECT_FALSE(std::filesystem::exists(scratch_.Path("t.DBT")));
  EXPECT_FALSE(std::filesystem::exists(scratch_.Path("t.mdx")));
}

}  // namespace

// A user who may read a table with its production index but write neither
// the files nor their folder gets from every reading command what a user
// with full rights gets, and nothing is created or changed; an editing
// command is still refused. The semaphore file the index open would create
// cannot be made there, or belongs to another user who is writing.
TEST_F(Xbtool, ReadingCommandsWorkOnFilesTheUserMayOnlyRead) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run xbtool as another user";
  if (std::system("command -v setpriv >/dev/null 2>&1") != 0) GTEST_SKIP() << "setpriv (util-linux) is missing";
  const std::string nobody = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
  namespace fs = std::filesystem;
  fs::create_directory(scratch_.dir() / "ro");
  ASSERT_EQ(Xb("create ro/t NAME,C,10 NUM,N,5,0").status, 0);
  for (const char* values : {"NAME=pear NUM=30", "NAME=apple NUM=5", "NAME=fig NUM=50"})
    ASSERT_EQ(Xb(std::string("append ro/t.DBF ") + values).status, 0);
  ASSERT_EQ(Xb("index ro/t.DBF BYNAME,F,F,NAME BYNUM,T,F,NUM").status, 0);

  const std::vector<std::string> readers = {
      "info ro/t.DBF",         "dump ro/t.DBF",          "tags ro/t.DBF",
      "find ro/t.DBF BYNAME fig", "find ro/t.DBF BYNUM 5", "find ro/t.DBF BYNAME kiwi",
      "check ro/t.DBF",        "dump --order BYNAME ro/t.DBF", "dump --order BYNUM ro/t.DBF",
      "eval ro/t.DBF NAME",    "locate ro/t.DBF NAME apple", "peek ro/t.DBF NUM 3"};
  std::vector<Result> expected;
  for (const std::string& args : readers) expected.push_back(Xb(args));
  ASSERT_EQ(expected[3].status, 0) << expected[3].err;
  EXPECT_EQ(expected[3].out.substr(0, 2), "3,") << "fig is record 3";

  const fs::perms read_only = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
  const fs::perms folder = read_only | fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
  fs::permissions(scratch_.dir(), folder | fs::perms::owner_write);
  struct Case {
    const char* name;
    bool other_users_semaphore;  // a writer of another user has the index open
  };
  for (const Case& c : {Case{"no semaphore file", false}, Case{"another user's semaphore file", true}}) {
    SCOPED_TRACE(c.name);
    fs::permissions(scratch_.dir() / "ro", folder | fs::perms::owner_write);
    const std::string semaphore = scratch_.Path("ro/t.@S@");
    if (c.other_users_semaphore) qptest::WriteBytes(semaphore, {1, 0, 7, 0});
    std::vector<std::pair<fs::path, std::vector<uint8_t>>> before;
    for (const auto& entry : fs::directory_iterator(scratch_.dir() / "ro")) {
      fs::permissions(entry.path(), read_only);
      before.emplace_back(entry.path(), qptest::ReadBytes(entry.path().string()));
    }
    fs::permissions(scratch_.dir() / "ro", folder);

    for (size_t i = 0; i < readers.size(); ++i) {
      const Result r = Xb(readers[i], nobody);
      EXPECT_EQ(r.status, expected[i].status) << readers[i] << ": " << r.err;
      EXPECT_EQ(r.out, expected[i].out) << readers[i];
      EXPECT_EQ(r.err, expected[i].err) << readers[i];
    }
    const Result append = Xb("append ro/t.DBF NAME=kiwi NUM=1", nobody);
    EXPECT_EQ(append.status, 1);
    EXPECT_NE(append.err.find("File access denied"), std::string::npos) << append.err;

    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(scratch_.dir() / "ro")) {
      ++files;
      const auto kept = std::find_if(before.begin(), before.end(), [&](const auto& b) { return b.first == entry.path(); });
      ASSERT_NE(kept, before.end()) << "created " << entry.path();
      EXPECT_EQ(qptest::ReadBytes(entry.path().string()), kept->second) << "changed " << entry.path();
    }
    EXPECT_EQ(files, before.size());
    fs::permissions(scratch_.dir() / "ro", folder | fs::perms::owner_write);
    fs::remove(semaphore);
  }
}
