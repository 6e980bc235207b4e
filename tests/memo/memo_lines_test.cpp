// The line table: splitting memo text into lines and writing it back.
#include "engine/memo/memo_lines.h"

#include <gtest/gtest.h>

namespace xb {
namespace {

std::vector<std::string> Texts(const LineTable& t) {
  std::vector<std::string> out;
  for (const auto& l : t.lines()) out.push_back(l.text);
  return out;
}

TEST(MemoLineTable, SplitsOnHardAndSoftReturns) {
  LineTable t;
  t.Load("abc\r\ndef\x8D\nghi", 0);
  ASSERT_EQ(Texts(t), (std::vector<std::string>{"abc", "def", "ghi"}));
  EXPECT_EQ(t.lines()[0].terminator, 13);
  EXPECT_EQ(t.lines()[1].terminator, 141);
  EXPECT_EQ(t.lines()[2].terminator, 0);
  EXPECT_EQ(t.Render(), "abc\r\ndef\x8D\nghi");
}

TEST(MemoLineTable, ALongLineWithoutSpacesIsCutAtTheWidth) {
  LineTable t;
  t.Load(std::string(300, 'w'), 0);
  ASSERT_EQ(t.lines().size(), 2u);
  EXPECT_EQ(t.lines()[0].text.size(), 254u);
  EXPECT_EQ(t.lines()[0].terminator, 0);
  EXPECT_EQ(t.lines()[1].text.size(), 46u);
  EXPECT_EQ(t.Render(), std::string(300, 'w')) << "wrapping never changes the text";
}

TEST(MemoLineTable, ALongLineWrapsAfterItsLastSpace) {
  std::string text = std::string(250, 'a') + " bcdefgh";
  LineTable t;
  t.Load(text, 0);
  ASSERT_EQ(t.lines().size(), 2u);
  EXPECT_EQ(t.lines()[0].text, std::string(250, 'a') + " ");
  EXPECT_EQ(t.lines()[1].text, "bcdefgh");
  EXPECT_EQ(t.Render(), text);
}

TEST(MemoLineTable, LoadsAtMostTheLineLimit) {
  std::string text;
  for (int i = 0; i < 1100; ++i) text += "line " + std::to_string(i) + "\r\n";
  LineTable t;
  t.Load(text, 0);
  EXPECT_EQ(t.lines().size(), 1024u);
  EXPECT_EQ(t.lines().back().text, "line 1023");
  t.Load(text, 5);
  EXPECT_EQ(t.lines().size(), 5u);
}

TEST(MemoLineTable, TrailingZeroBytesAreNotText) {
  LineTable t;
  t.Load(std::string("abc\r\ndef\0\0", 10), 0);
  EXPECT_EQ(t.Render(), "abc\r\ndef");
}

TEST(MemoLineTable, WrittenTextKeepsItsLineBreaks) {
  LineTable t;
  ASSERT_TRUE(t.Take("abc"));
  ASSERT_TRUE(t.Take("\r\n"));
  ASSERT_TRUE(t.Take("def"));
  EXPECT_EQ(t.Render(), "abc\r\ndef");
  t.Clear();
  ASSERT_TRUE(t.Take(std::string(300, 'q') + "\r\n"));
  EXPECT_EQ(t.Render(), std::string(300, 'q') + "\r\n");
}

TEST(MemoLineTable, WritingPastTheLineLimitFails) {
  LineTable t;
  for (int i = 0; i < 1024; ++i) ASSERT_TRUE(t.Take("x\r\n"));
  EXPECT_FALSE(t.Take("y\r\n"));
}

}  // namespace
}  // namespace xb
