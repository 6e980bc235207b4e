// Four processes append to one shared table (a memo and a production index
// of three tags) at once, each opening and closing the table around every
// record. Afterwards three readers that share no code must agree: the
// engine, dbfread, and a plain scan of the file's bytes; and xbtool check
// must find every tag in step with the records.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/memo/memo_blob.h"
#include "engine/memo/memo_hooks.h"
#include "engine/index/expr_hooks.h"
#include "engine/index/index_hooks.h"
#include "engine/index/index_open.h"
#include "engine/table/swap_values.h"
#include "engine/table/xbase.h"
#include "tests/support/python.h"
#include "tests/support/scratch.h"

namespace {

constexpr int kWriters = 4;
#if defined(__SANITIZE_ADDRESS__)
constexpr int kAppendsPerWriter = 60;
#else
constexpr int kAppendsPerWriter = 200;
#endif

std::string Shell(const std::string& command, int& status) {
  const std::string out = qptest::RunCapture(command + "; echo \"#$?\"");
  const size_t mark = out.rfind('#');
  status = mark == std::string::npos ? -1 : std::atoi(out.c_str() + mark + 1);
  return mark == std::string::npos ? out : out.substr(0, mark);
}

// Another program's locks are held only for one append; wait them out.
template <typename Take>
bool Retry(Take&& take) {
  for (int i = 0; i < 50000; ++i) {
    if (take()) return true;
    usleep(100);
  }
  return false;
}

// One writer: `count` times open the table and its index, append a record
// with a memo, close. Prints the sequence numbers it stored; the exit
// status is the number of appends that failed.
int Writer(const std::string& table, const std::string& who, int count) {
  xb::SetReportErrors(false);
  xb::ExpressionInit();
  xb::IndexInit();
  xb::MemoInit();
  int failed = 0;
  for (int seq = 1; seq <= count; ++seq) {
    xb::Select(1);
    bool ok = xb::Use(table) && xb::SetIndexTo("");
    if (ok) {
      xb::WorkArea& area = *xb::CurrentArea();
      xb::ClearRecord();
      ok = xb::PutSwapText(area, 1, who) && xb::PutSwapText(area, 2, std::to_string(seq)) &&
           xb::PutSwapText(area, 3, "text of " + who + " " + std::to_string(seq)) &&
           Retry([] { return xb::ALock(); });
      const std::string memo = "memo of " + who + " " + std::to_string(seq);
      const int32_t block = ok ? xb::CreateBlobDescriptor(false, 0, 2) : 0;
      ok = block != 0 &&
           xb::WriteBlobStream(memo.data(), static_cast<int32_t>(memo.size())) ==
               static_cast<int32_t>(memo.size()) &&
           xb::DestroyBlobDescriptor() && xb::PutSwapMemoBlock(area, 4, block) && xb::Append();
    }
    if (ok) {
      std::printf("%d\n", seq);
    } else {
      ++failed;
      std::fprintf(stderr, "%s %d: error %d %s\n", who.c_str(), seq, xb::ErrorCode(), xb::ErrorText().c_str());
    }
    xb::Unlock();
    xb::CloseAll();
  }
  std::fflush(nullptr);
  return failed;
}

TEST(SharedAppend, FourWritersLeaveATableEveryReaderReadsWhole) {
  qptest::Scratch scratch;
  const std::string table = scratch.Path("S.DBF");
  const std::string xbtool = std::string("'") + XBTOOL_PATH + "' ";
  int status = 0;
  Shell(xbtool + "create '" + table + "' WHO,C,4 SEQ,N,8 TXT,C,40 NOTE,M", status);
  ASSERT_EQ(status, 0);
  Shell(xbtool + "index '" + table + "' 'WHO,F,F,WHO' 'SEQ,F,F,SEQ' 'TXT,F,F,upper(TXT)'", status);
  ASSERT_EQ(status, 0);

  // Each writer's stored sequence numbers come back through a file.
  std::vector<pid_t> pids;
  for (int w = 0; w < kWriters; ++w) {
    const std::string who = "W" + std::to_string(w);
    const pid_t pid = fork();
    if (pid == 0) {
      if (std::freopen(scratch.Path(who + ".out").c_str(), "w", stdout) == nullptr) _exit(99);
      _exit(Writer(table, who, kAppendsPerWriter));
    }
    pids.push_back(pid);
  }
  std::map<std::string, std::set<int>> reported;
  for (int w = 0; w < kWriters; ++w) {
    int raw = 0;
    waitpid(pids[w], &raw, 0);
    const std::string who = "W" + std::to_string(w);
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << who << " had failed appends";
    std::istringstream lines(qptest::RunCapture("cat '" + scratch.Path(who + ".out") + "'"));
    for (int seq; lines >> seq;) reported[who].insert(seq);
  }
  size_t done = 0;
  for (const auto& [who, seqs] : reported) done += seqs.size();
  ASSERT_GT(done, 0u);

  // The bytes: the header counts every whole record, no record starts with
  // the end-of-file byte, and that byte follows the last record.
  const std::vector<uint8_t> bytes = qptest::ReadBytes(table);
  ASSERT_GE(bytes.size(), 32u);
  const uint32_t count = bytes[4] | bytes[5] << 8 | bytes[6] << 16 | static_cast<uint32_t>(bytes[7]) << 24;
  const size_t header_length = bytes[8] | bytes[9] << 8, record_length = bytes[10] | bytes[11] << 8;
  const size_t whole = (bytes.size() - header_length) / record_length;
  EXPECT_EQ(count, done);
  EXPECT_EQ(whole, done);
  for (size_t r = 0; r < whole; ++r)
    EXPECT_NE(bytes[header_length + r * record_length], 0x1A) << "record " << r + 1 << " starts with 0x1A";
  ASSERT_EQ(bytes.size(), header_length + whole * record_length + 1);
  EXPECT_EQ(bytes.back(), 0x1A);

  // The engine: every reported record exactly once.
  xb::SetReportErrors(false);
  xb::Select(1);
  ASSERT_TRUE(xb::Use(table)) << xb::ErrorText();
  EXPECT_EQ(static_cast<size_t>(xb::RecCount()), done);
  std::map<std::string, std::multiset<int>> stored;
  for (xb::GoTop(); !xb::dEOF(); xb::Skip(1)) {
    std::string who = xb::GetSwapText(*xb::CurrentArea(), 1);
    who.erase(who.find_last_not_of(' ') + 1);
    stored[who].insert(std::atoi(xb::GetSwapText(*xb::CurrentArea(), 2).c_str()));
  }
  xb::CloseAll();
  for (const auto& [who, seqs] : reported)
    EXPECT_EQ(stored[who], std::multiset<int>(seqs.begin(), seqs.end())) << who;

  // dbfread: stops at the first record whose flag is 0x1A, so a count
  // short of the file's shows such a record.
  if (const std::string& python = qptest::PythonWithDbf(); !python.empty()) {
    const std::string script =
        "import dbfread,sys\n"
        "t=dbfread.DBF(sys.argv[1],ignore_missing_memofile=True)\n"
        "print(sum(1 for r in t))\n";
    const std::string out = Shell(python + " -c '" + script + "' '" + table + "'", status);
    ASSERT_EQ(status, 0) << out;
    EXPECT_EQ(std::strtoul(out.c_str(), nullptr, 10), done);
  }

  const std::string check = Shell(xbtool + "check '" + table + "'", status);
  EXPECT_EQ(status, 0) << check;
  EXPECT_EQ(check, "OK\n");
}

}  // namespace
