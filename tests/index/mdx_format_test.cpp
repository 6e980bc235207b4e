// The bytes of the index file header, tag table, name tree and tag header,
// and the encodings and order of keys.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "engine/index/mdx_format.h"
#include "engine/index/mdx_node.h"

namespace {

TEST(MdxHeader, NewHeaderHoldsTheFixedValuesAndNoTags) {
  const xb::MdxHeader h = xb::NewMdxHeader("notes", {2024, 3, 15});
  EXPECT_EQ(h[0], 2);
  EXPECT_EQ(h[1], 124);
  EXPECT_EQ(h[2], 3);
  EXPECT_EQ(h[3], 15);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&h[4])), "notes");
  EXPECT_EQ(xb::Get16(&h[20]), 2);
  EXPECT_EQ(xb::Get16(&h[22]), 1024);
  EXPECT_EQ(h[24], 1);
  EXPECT_EQ(h[25], 48);
  EXPECT_EQ(xb::Get16(&h[26]), 32);
  EXPECT_EQ(xb::TagCount(h), 0);
  EXPECT_EQ(h[44], 124);
  for (size_t i = 512; i < h.size(); ++i) ASSERT_EQ(h[i], 0) << i;
}

TEST(MdxHeader, NameTreeFollowsInsertionOrderAndRemovalRebuildsIt) {
  xb::MdxHeader h = xb::NewMdxHeader("notes", {2024, 1, 1});
  for (const char* name : {"BOARD", "HANDLE", "SHOWING", "ALARMACT", "EXPIREACT"})
    xb::AddTagEntry(h, 10, name, 'C');
  auto e = [&](int i) { return xb::ReadTagEntry(h, i); };
  EXPECT_EQ(e(0).greater, 1);
  EXPECT_EQ(e(1).greater, 2);  // HANDLE greater of BOARD
  EXPECT_EQ(e(2).greater, 3);  // SHOWING greater of HANDLE
  EXPECT_EQ(e(1).less, 4);     // ALARMACT less of BOARD
  EXPECT_EQ(e(2).less, 5);     // EXPIREACT less of HANDLE
  EXPECT_EQ(e(5).parent, 2);
  EXPECT_EQ(e(2).header_block, 10);
  EXPECT_EQ(e(3).name, "SHOWING");
  EXPECT_EQ(h[512 + 32 * 3 + 19], 2);
  xb::RemoveTagEntry(h, 2);  // EXPIREACT moves into HANDLE's place
  EXPECT_EQ(xb::TagCount(h), 4);
  EXPECT_EQ(e(2).name, "EXPIREACT");
  EXPECT_EQ(e(1).less, 4);
  EXPECT_EQ(e(1).greater, 2);  // EXPIREACT now greater of BOARD
  EXPECT_EQ(e(2).greater, 3);  // and SHOWING greater of EXPIREACT
  // Adding a tag of an existing name replaces it.
  xb::AddTagEntry(h, 20, "BOARD", 'N');
  EXPECT_EQ(xb::TagCount(h), 4);
  EXPECT_EQ(xb::FindTagByName(h, "BOARD"), 4);
  EXPECT_EQ(e(4).key_type, 'N');
}

TEST(MdxHeader, EntryLengthAndCapacityFollowTheKeyLength) {
  const struct { int key, entry, max; } cases[] = {{40, 44, 23}, {41, 48, 21}, {12, 16, 63}, {8, 12, 84}, {100, 104, 9}, {1, 8, 126}};
  for (const auto& c : cases) {
    EXPECT_EQ(xb::EntryLengthFor(c.key), c.entry) << c.key;
    EXPECT_EQ(xb::MaxKeysFor(c.entry), c.max) << c.key;
  }
  xb::TagHeaderFields f;
  f.root = 6;
  f.flags = xb::kTagFlagAlways | xb::kTagFlagUnique;
  f.key_type = 'D';
  f.key_length = 8;
  f.key_expression = "BORN";
  f.has_for = true;
  f.for_satisfied = true;
  f.for_expression = "NUM > 0";
  const xb::NodeBuffer b = xb::EncodeTagHeader(f);
  xb::Anchor a{};
  std::copy(b.begin(), b.begin() + xb::kAnchorSize, a.begin());
  EXPECT_EQ(xb::AnchorRoot(a), 6);
  EXPECT_EQ(b[8], 0x50);
  EXPECT_EQ(b[9], 'D');
  EXPECT_EQ(xb::Get16(&b[16]), 1);
  EXPECT_EQ(b[23], 1);
  EXPECT_EQ(xb::AnchorKeyExpression(a), "BORN");
  EXPECT_EQ(xb::AnchorForExpression(a), "NUM > 0");
  EXPECT_TRUE(xb::AnchorForSatisfied(a));
  EXPECT_TRUE(xb::CheckAnchorShape(a).ok());
}

std::string Hex(const xb::NumericKey& k, int n) {
  std::string s;
  char buf[4];
  for (int i = 0; i < n; ++i) {
    std::snprintf(buf, sizeof buf, "%02X", k[i]);
    s += (i ? " " : "") + std::string(buf);
  }
  return s;
}

TEST(MdxKeys, NumericKeysEncodeAsDecimalFloatingBytes) {
  EXPECT_EQ(Hex(xb::EncodeNumber(123, 0), 5), "37 29 12 30 00");
  EXPECT_EQ(Hex(xb::EncodeNumber(0, 0), 3), "34 01 00");
  EXPECT_EQ(Hex(xb::EncodeNumber(-5, 0), 4), "35 A9 50 00");
  EXPECT_EQ(Hex(xb::EncodeNumber(-0.0, 2), 2), "34 01");
  EXPECT_EQ(Hex(xb::EncodeNumber(0.05, 2), 3), "33 05 50");  // one digit, minimum not applied
}

TEST(MdxKeys, NumericKeysCompareLikeTheirValues) {
  const double ordered[] = {-1e6, -12.5, -1, -0.25, 0, 0.001, 0.5, 1, 9, 10, 12.5, 99.99, 1e6};
  for (size_t i = 0; i + 1 < std::size(ordered); ++i) {
    const auto a = xb::EncodeNumber(ordered[i], 3), b = xb::EncodeNumber(ordered[i + 1], 3);
    EXPECT_LT(xb::CompareNumericKeys(a.data(), b.data()), 0) << ordered[i] << " < " << ordered[i + 1];
    EXPECT_GT(xb::CompareNumericKeys(b.data(), a.data()), 0);
  }
  const uint32_t seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 rng(seed);
  for (int i = 0; i < 20000; ++i) {
    const int decimals = static_cast<int>(rng() % 4);
    const double scale = std::pow(10.0, decimals);
    const double x = std::round((static_cast<int>(rng() % 2000001) - 1000000) / scale * scale) / scale;
    const double y = std::round((static_cast<int>(rng() % 2000001) - 1000000) / scale * scale) / scale;
    const auto a = xb::EncodeNumber(x, decimals), b = xb::EncodeNumber(y, decimals);
    const int want = x < y ? -1 : (x > y ? 1 : 0);
    ASSERT_EQ(xb::CompareNumericKeys(a.data(), b.data()), want) << x << " vs " << y << " dec " << decimals;
    ASSERT_NEAR(xb::DecodeNumericKey(a.data()), x, 1e-9 * std::max(1.0, std::fabs(x)));
  }
}

TEST(MdxKeys, DescendingOrderReversesEveryKeyType) {
  xb::KeyOrder up{xb::KeyType::kChar, false, 1}, down{xb::KeyType::kChar, true, 1};
  const uint8_t a[] = {'a'}, b[] = {'b'};
  EXPECT_LT(up.Compare(a, b), 0);
  EXPECT_GT(down.Compare(a, b), 0);
  const auto d1 = xb::EncodeDate(2460000), d2 = xb::EncodeDate(1e100);
  xb::KeyOrder dates{xb::KeyType::kDate, false, 8};
  EXPECT_LT(dates.Compare(d1.data(), d2.data()), 0) << "a blank date sorts after every date";
  dates.descending = true;
  EXPECT_GT(dates.Compare(d1.data(), d2.data()), 0);
}

}  // namespace
