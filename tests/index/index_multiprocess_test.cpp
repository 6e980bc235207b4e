// Several processes sharing one table and its index: writers append and
// replace records concurrently while a reader walks the NAME tag again and
// again. The reader must always see the tag in order and every record it
// lands on readable; afterwards every tag must match the records exactly and
// the semaphore file must be gone.
#include <filesystem>
#include <random>
#include <sstream>

#include "engine/index/index_check.h"
#include "engine/index/semaphore.h"
#include "engine/table/dates.h"
#include "engine/table/xbase.h"
#include "tests/index/child_role.h"
#include "tests/index/index_fixture.h"

namespace qptest {
namespace {

constexpr int kWriters = 4;
constexpr int kAppendsPerWriter = 2000;
constexpr int kReplacesPerWriter = 500;
constexpr int kInitialRecords = 50;

// Uppercase names: their byte order is the tag's order under any collation.
std::string RandomName(std::mt19937& rng) {
  std::string name(6, ' ');
  for (char& c : name) c = static_cast<char>('A' + rng() % 26);
  return name;
}

// NAME, NUM, FLAG and a unique BORN tag (few distinct dates: many records
// share a key that the tag holds once).
void BuildIndex() {
  ASSERT_TRUE(xb::MakeIndex({Def("NAME", "NAME"), Def("NUM", "NUM", true), Def("FLAG", "FLAG"),
                             Def("BORN", "BORN", false, true)},
                            ""))
      << xb::ErrorText();
}

// Locks are retried: another process holds the table's bytes only briefly.
template <typename Take>
bool Retry(Take&& take) {
  for (int i = 0; i < 20000; ++i) {
    if (take()) return true;
    usleep(200);
  }
  return false;
}

// Opening the index takes the table lock byte, which the other processes'
// opens and closes take too; the switches give no retries, so the test does.
bool OpenShared(const std::string& path) {
  xb::SetReportErrors(false);
  xb::ExpressionInit();
  xb::IndexInit();
  xb::Switches().ansi_tables = true;
  xb::SetSelectedArea(1);
  return xb::Use(path) && Retry([] { return xb::SetIndexTo(""); });
}

int Fault(const std::string& who, const std::string& what) {
  std::fprintf(stderr, "%s: %s (error %d: %s)\n", who.c_str(), what.c_str(), xb::ErrorCode(),
               xb::ErrorText().c_str());
  return 1;
}

void PutRecord(std::mt19937& rng, bool fresh) {
  xb::WorkArea& area = *xb::CurrentArea();
  (void)xb::PutSwapText(area, 1, RandomName(rng));
  (void)xb::PutSwapInt(area, 2, static_cast<int32_t>(rng() % 2001) - 1000);
  if (!fresh) return;
  char born[16];
  std::snprintf(born, sizeof born, "%08d", 20260101 + static_cast<int>(rng() % 28));
  (void)xb::PutSwapText(area, 4, xb::DbfToDateText(born));
  (void)xb::PutSwapText(area, 5, rng() % 3 == 0 ? "Y" : "N");
}

// Appends its records, replacing NAME and NUM of one of its own earlier
// records after every fourth append.
int RunWriter(const std::string& path, int id, uint32_t seed) {
  const std::string who = "writer " + std::to_string(id) + " (seed " + std::to_string(seed) + ")";
  std::mt19937 rng(seed);
  if (!OpenShared(path)) return Fault(who, "open");
  xb::Set_Order_To(0);
  std::vector<int32_t> mine;
  int replaced = 0;
  for (int i = 0; i < kAppendsPerWriter; ++i) {
    xb::ClearRecord();
    PutRecord(rng, true);
    if (!Retry([] { return xb::ALock(); })) return Fault(who, "append lock");
    if (!xb::Append()) return Fault(who, "append " + std::to_string(i));
    mine.push_back(xb::RecNo());
    xb::Unlock();
    if (i % 4 != 3 || replaced == kReplacesPerWriter) continue;
    const int32_t n = mine[rng() % mine.size()];
    xb::Go(n);
    if (!Retry([] { return xb::RLock(); })) return Fault(who, "record lock");
    xb::Go(n);  // as stored now, under the lock
    PutRecord(rng, false);
    if (!xb::Replace()) return Fault(who, "replace " + std::to_string(n));
    xb::Unlock();
    ++replaced;
  }
  xb::CloseAll();
  return 0;
}

// One walk of the NAME tag from the top to EOF.
int Walk(const std::string& who) {
  const int32_t limit = 10 * (kInitialRecords + kWriters * kAppendsPerWriter);
  std::string previous;
  int32_t previous_recno = 0;
  int32_t steps = 0;
  for (xb::GoTop(); !xb::dEOF(); xb::Skip(1)) {
    if (xb::ErrorCode() != 0) return Fault(who, "step " + std::to_string(steps));
    const int32_t n = xb::RecNo();
    if (n < 1 || n > xb::RecCount()) return Fault(who, "landed on record " + std::to_string(n));
    const std::string name = xb::GetSwapText(*xb::CurrentArea(), 1);
    if (name.size() < 6 || name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ ") != std::string::npos)
      return Fault(who, "record " + std::to_string(n) + " reads as \"" + name + "\"");
    // A step follows the record it stood on: when another process gave that
    // record a new key, the walk goes on from the new key's place, which
    // may lie before the old one. Only a step back from a key that still
    // stands is out of order.
    if (name < previous && xb::Peek(1, previous_recno) == previous)
      return Fault(who, "\"" + name + "\" after \"" + previous + "\"");
    previous = name;
    previous_recno = n;
    if (++steps > limit) return Fault(who, "the walk does not end");
  }
  return xb::ErrorCode() == 0 ? 0 : Fault(who, "at EOF");
}

// Walks until `stop` exists, then once more.
int RunReader(const std::string& path, const std::string& stop) {
  const std::string who = "reader";
  if (!OpenShared(path)) return Fault(who, "open");
  if (!xb::SetOrderToTag("NAME")) return Fault(who, "order");
  int walks = 0;
  for (bool last = false; !last; ++walks) {
    last = std::filesystem::exists(stop);
    if (const int status = Walk(who); status != 0) return status;
  }
  std::printf("reader: %d walks\n", walks);
  xb::CloseAll();
  return 0;
}

int RunRole(const std::string& role) {
  std::istringstream words(role);
  std::string kind, path;
  words >> kind >> path;
  if (kind == "writer") {
    int id = 0;
    uint32_t seed = 0;
    words >> id >> seed;
    return RunWriter(path, id, seed);
  }
  if (kind == "reader") {
    std::string stop;
    words >> stop;
    return RunReader(path, stop);
  }
  return 95;
}

const bool roles = RegisterRoles(&RunRole);

class IndexMultiprocessTest : public IndexTest {
 protected:
  void SetUp() override {
    (void)roles;
    IndexTest::SetUp();
    xb::ResetSemaphores();
  }
  void TearDown() override {
    IndexTest::TearDown();
    xb::ResetSemaphores();
  }
};

TEST_F(IndexMultiprocessTest, ConcurrentWritersKeepEveryTagWholeWhileAReaderWalksInOrder) {
  const uint32_t seed = std::random_device{}();
  std::printf("index multiprocess seed %u\n", seed);
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::vector<GenRecord> initial = Generate(kInitialRecords, seed);
  std::mt19937 rng(seed);
  for (GenRecord& r : initial) {
    r.name = RandomName(rng);
    r.deleted = false;
  }
  const std::string path = WriteTable("shared", initial);
  ASSERT_TRUE(xb::Use(path + " EXCLUSIVE"));
  BuildIndex();
  xb::CloseAll();
  const std::string stop = scratch_.Path("stop");
  {
    Child reader("reader " + path + " " + stop);
    std::vector<std::unique_ptr<Child>> writers;
    for (int id = 1; id <= kWriters; ++id)
      writers.push_back(std::make_unique<Child>("writer " + path + " " + std::to_string(id) + " " +
                                                std::to_string(seed + static_cast<uint32_t>(id))));
    for (int id = 1; id <= kWriters; ++id) EXPECT_EQ(writers[id - 1]->Wait(), 0) << "writer " << id;
    WriteBytes(stop, {});
    EXPECT_EQ(reader.Wait(), 0) << "reader";
  }
  ASSERT_TRUE(xb::Use(path)) << xb::ErrorText();
  ASSERT_TRUE(xb::SetIndexTo("")) << xb::ErrorText();
  EXPECT_EQ(xb::RecCount(), kInitialRecords + kWriters * kAppendsPerWriter);
  const std::vector<std::string> faults = xb::VerifyIndexFile(*xb::CurrentArea());
  EXPECT_TRUE(faults.empty()) << faults.size() << " faults, first: " << faults.front();
  const std::string semaphore = xb::SemaphoreFileName(path + ".DBF");
  xb::CloseAll();
  EXPECT_FALSE(platform::Files().Exists(semaphore)) << "semaphore file left after the last close";
}

}  // namespace
}  // namespace qptest
