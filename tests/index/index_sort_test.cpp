// The external sort yields the same item sequence through run files as
// an in-memory sort, so a build above 8,189 keys writes the same tree.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/index/external_sort.h"
#include "engine/table/error_state.h"

namespace {

TEST(ExternalSort, RunsMergeIntoTheSameSequenceAsAnInMemorySort) {
  const uint32_t seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 rng(seed);
  for (const int n : {0, 1, 8189, 8190, 30000}) {
    for (const bool descending : {false, true}) {
      SCOPED_TRACE(std::to_string(n) + (descending ? " descending" : ""));
      const int key_length = 6;
      xb::KeyOrder order{xb::KeyType::kChar, descending, key_length};
      xb::ExternalSort sorter(order, key_length);
      std::vector<std::pair<std::string, int32_t>> model;
      for (int i = 1; i <= n; ++i) {
        std::string key(key_length, 'a');
        for (char& c : key) c = static_cast<char>('a' + rng() % 3);  // many equal keys
        ASSERT_TRUE(sorter.Add(reinterpret_cast<const uint8_t*>(key.data()), i).ok());
        model.emplace_back(key, i);
      }
      ASSERT_TRUE(sorter.Finish().ok());
      EXPECT_EQ(sorter.runs() > 0, n > xb::kSortPointers);
      std::sort(model.begin(), model.end(), [&](const auto& a, const auto& b) {
        if (a.first != b.first) return descending ? a.first > b.first : a.first < b.first;
        return a.second < b.second;
      });
      for (const auto& [key, recno] : model) {
        const uint8_t* got_key = nullptr;
        int32_t got_recno = 0;
        xb::Result<bool> more = sorter.Next(got_key, got_recno);
        ASSERT_TRUE(more.ok() && *more);
        ASSERT_EQ(std::string(reinterpret_cast<const char*>(got_key), key_length), key);
        ASSERT_EQ(got_recno, recno);
      }
      const uint8_t* k = nullptr;
      int32_t r = 0;
      xb::Result<bool> end = sorter.Next(k, r);
      EXPECT_TRUE(end.ok() && !*end);
    }
  }
}

}  // namespace
