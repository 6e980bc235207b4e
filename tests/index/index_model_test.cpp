// Key maintenance against an in-memory model: random appends, replaces that
// change indexed fields, deletes and packs on a table with five tags, each
// step followed by the verifier, and the tags' orders compared with sorted
// models of the records.
#include <cstdlib>
#include <random>

#include "engine/index/index_check.h"
#include "engine/index/mdx_file.h"
#include "engine/index/semaphore.h"
#include "engine/table/xbase.h"
#include "tests/index/index_fixture.h"

namespace qptest {
namespace {

class IndexModelTest : public IndexTest {
 protected:
  void SetUp() override {
    IndexTest::SetUp();
    xb::ResetSemaphores();
  }
  void TearDown() override {
    IndexTest::TearDown();
    xb::ResetSemaphores();
  }

  // Writes `r` into the SwapBuffer fields of the current area.
  static void Put(const GenRecord& r) {
    xb::WorkArea& area = *xb::CurrentArea();
    ASSERT_TRUE(xb::PutSwapText(area, 1, r.name));
    ASSERT_TRUE(xb::PutSwapInt(area, 2, r.num));
    ASSERT_TRUE(xb::PutSwapText(area, 5, std::string(1, r.flag)));
  }

  static void ExpectVerified(const std::string& when) {
    const std::vector<std::string> faults = xb::VerifyIndexFile(*xb::CurrentArea());
    ASSERT_TRUE(faults.empty()) << when << ": " << faults.front();
  }
};

GenRecord RandomRecord(std::mt19937& rng) {
  GenRecord r;
  r.name = std::string(1, static_cast<char>('A' + rng() % 6)) + std::to_string(rng() % 40);
  r.num = static_cast<int>(rng() % 201) - 100;
  r.flag = "YNX"[rng() % 3];
  return r;
}

TEST_F(IndexModelTest, RandomEditsKeepEveryTagEqualToTheModel) {
  // A fixed seed keeps CI repeatable; QP_SEED=n replays or explores others.
  const char* seed_text = std::getenv("QP_SEED");
  const uint32_t seed = seed_text != nullptr && *seed_text != '\0' ? static_cast<uint32_t>(std::strtoul(seed_text, nullptr, 10))
                                             : 20261210u;
  std::mt19937 rng(seed);
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::printf("index model seed %u\n", seed);
  const std::string path = WriteTable("model", {});
  ASSERT_TRUE(xb::Use(path));
  ASSERT_TRUE(xb::MakeIndex({Def("NAME", "NAME"), Def("NUM", "NUM"), Def("FLAG", "FLAG"),
                             Def("NAMEDN", "NAME", true), Def("POS", "FLAG", false, false, "NUM > 0"),
                             // 100-byte keys: few per node, so the tree grows three levels.
                             Def("WIDE", "NAME+SPACE(80)")},
                            ""))
      << xb::ErrorText();
  ASSERT_TRUE(xb::SetIndexTo("")) << xb::ErrorText();
  std::vector<GenRecord> model;
  const int steps = 3000;
  for (int step = 1; step <= steps; ++step) {
    const unsigned dice = rng() % 100;
    std::string what;
    if (model.empty() || dice < 65) {
      const GenRecord r = RandomRecord(rng);
      ASSERT_TRUE(xb::ALock());
      xb::ClearRecord();
      Put(r);
      ASSERT_TRUE(xb::Append()) << xb::ErrorText();
      xb::Unlock();
      model.push_back(r);
      what = "append";
    } else if (dice < 92) {
      const int n = 1 + static_cast<int>(rng() % model.size());
      GenRecord r = RandomRecord(rng);
      xb::Go(n);
      ASSERT_TRUE(xb::RLock());
      Put(r);
      ASSERT_TRUE(xb::Replace()) << xb::ErrorText();
      xb::Unlock();
      r.deleted = model[static_cast<size_t>(n - 1)].deleted;
      model[static_cast<size_t>(n - 1)] = r;
      what = "replace " + std::to_string(n);
    } else if (dice < 99 || model.size() < 50) {
      const int n = 1 + static_cast<int>(rng() % model.size());
      xb::Go(n);
      ASSERT_TRUE(xb::RLock());
      ASSERT_TRUE(xb::DeleteRec());
      xb::Unlock();
      model[static_cast<size_t>(n - 1)].deleted = true;
      what = "delete " + std::to_string(n);
    } else {
      ASSERT_TRUE(xb::Pack()) << xb::ErrorText();
      std::erase_if(model, [](const GenRecord& r) { return r.deleted; });
      what = "pack";
    }
    ASSERT_EQ(xb::ErrorCode(), 0) << "step " << step << " " << what << ": " << xb::ErrorText();
    // The full walk costs O(n); every step early on, then every 25th.
    if (step <= 200 || step % 25 == 0 || step == steps) ExpectVerified("step " + std::to_string(step) + " " + what);
    if (step % 250 == 0 || step == steps) {
      const auto name = [](const GenRecord& r) { return TextKey(Padded(r.name, 20)); };
      const auto num = [](const GenRecord& r) { return NumberKey(r.num); };
      const auto flag = [](const GenRecord& r) { return TextKey(std::string(1, r.flag)); };
      const auto positive = [](const GenRecord& r) { return r.num > 0; };
      const struct {
        const char* tag;
        std::vector<int32_t> order;
      } expected[] = {
          {"NAME", ModelOrder(model, name, false, false, Always)},
          {"NUM", ModelOrder(model, num, false, false, Always)},
          {"FLAG", ModelOrder(model, flag, false, false, Always)},
          {"NAMEDN", ModelOrder(model, name, true, false, Always)},
          {"WIDE", ModelOrder(model, name, false, false, Always)},
          {"POS", ModelOrder(model, flag, false, false, positive)},
      };
      for (const auto& e : expected) {
        ASSERT_TRUE(xb::SetOrderToTag(e.tag)) << xb::ErrorText();
        EXPECT_EQ(ScanForward(), e.order) << "tag " << e.tag << " after step " << step;
      }
      xb::Set_Order_To(1);
    }
  }
  // Splits must have reached the third level of the wide-keyed tag.
  ASSERT_TRUE(xb::SetOrderToTag("WIDE")) << xb::ErrorText();
  xb::GoTop();
  EXPECT_GE(xb::Path().levels().size(), 3u) << "the WIDE tag never grew three levels deep";
}

}  // namespace
}  // namespace qptest
