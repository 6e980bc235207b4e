// The engine's text helpers.
#include "engine/table/strings.h"

#include <gtest/gtest.h>

namespace {

struct RemoveWordCase {
  const char* word;
  const char* text;
  bool found;
  const char* left;
};

TEST(RemoveWordTest, TakesOutStandaloneOptionWordsOnly) {
  const RemoveWordCase cases[] = {
      {" EXCLUSIVE", "notes exclusive", true, "NOTES"},
      {" EXCLUSIVE", "notes EXCLUSIVE2", false, "NOTES EXCLUSIVE2"},
      {" EXCLUSIVE", "notes exclusive_x", false, "NOTES EXCLUSIVE_X"},
      {" EXCLUSIVE", "notes exclusive\\x", false, "NOTES EXCLUSIVE\\X"},
      {" EXCLUSIVE", "notes exclusivee", false, "NOTES EXCLUSIVEE"},
      {" EXCLUSIVE", "notes exclusive.dbf", true, "NOTES.DBF"},
      {" NOCASE", "name nocase exact nocase", true, "NAME EXACT"},
      {" EXACT", "a exactly b exact", true, "A EXACTLY B"},
      {" EXACT", "a exact1 b exact", true, "A EXACT1 B"},
      {" EXCLUSIVE", "  notes  ", false, "NOTES"},
      {"", "  notes exclusive ", false, "NOTES EXCLUSIVE"},
      {" CONTAINED", "x contained\xE9", false, "X CONTAINED\xC9"},
      {" exact", "key EXACT", true, "KEY"},
  };
  for (const auto& c : cases) {
    std::string text = c.text;
    EXPECT_EQ(xb::RemoveWord(c.word, text), c.found) << c.word << " in " << c.text;
    EXPECT_EQ(text, c.left) << c.word << " in " << c.text;
  }
}

TEST(TrimTest, RemovesSpacesAndControlCharactersAtTheEnds) {
  EXPECT_EQ(xb::TrimAll(" \t\r\n a b \x01\x1F "), "a b");
  EXPECT_EQ(xb::TrimRight("  a b \r\n"), "  a b");
  EXPECT_EQ(xb::TrimLeft("\x1A a b  "), "a b  ");
  EXPECT_EQ(xb::TrimAll("\xA0x\xA0"), "\xA0x\xA0") << "no-break space is not trimmed";
  EXPECT_EQ(xb::TrimAll("   "), "");
}

TEST(TextHelpersTest, CaseLettersCountsAndRepeats) {
  EXPECT_EQ(xb::Upper("noteboard \xE4\xFF"), "NOTEBOARD \xC4\x9F");
  EXPECT_TRUE(xb::IsAlpha("\xE9t\xE9"));
  EXPECT_FALSE(xb::IsAlpha("1abc"));
  EXPECT_FALSE(xb::IsAlpha(""));
  EXPECT_EQ(xb::CountOf("ab", "abababa"), 3);
  EXPECT_EQ(xb::CountOf("aa", "aaaa"), 2) << "occurrences do not overlap";
  EXPECT_EQ(xb::CountOf("", "abc"), 0);
  EXPECT_EQ(xb::Replicate('|', 3), "|||");
  EXPECT_EQ(xb::Replicate('|', 0), "");
  EXPECT_EQ(xb::Replicate('|', -2), "");
}

TEST(TextHelpersTest, OemAndAnsiConvertBothWays) {
  EXPECT_EQ(xb::ToOem("M\xFCller"), "M\x81ller");
  EXPECT_EQ(xb::ToAnsi("M\x81ller"), "M\xFCller");
}

}  // namespace
