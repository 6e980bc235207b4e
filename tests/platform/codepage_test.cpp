// Windows-1252 case and letters, OEM conversion with look-alikes, UTF-8.
#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace {

using platform::OemCodePage;

class CodePageTest : public ::testing::Test {
 protected:
  void TearDown() override { platform::SetOemCodePage(OemCodePage::k437); }
};

struct CaseCase {
  uint8_t lower;
  uint8_t upper;
};

TEST_F(CodePageTest, CasePairsFollowWindows1252) {
  const CaseCase pairs[] = {{'a', 'A'},   {'z', 'Z'},   {0xE0, 0xC0}, {0xE9, 0xC9}, {0xF6, 0xD6},
                            {0xFE, 0xDE}, {0x9A, 0x8A}, {0x9C, 0x8C}, {0x9E, 0x8E}, {0xFF, 0x9F}};
  for (const auto& p : pairs) {
    EXPECT_EQ(platform::AnsiUpper(p.lower), p.upper) << std::hex << int(p.lower);
    EXPECT_EQ(platform::AnsiLower(p.upper), p.lower) << std::hex << int(p.upper);
    EXPECT_TRUE(platform::AnsiIsAlpha(p.lower));
    EXPECT_TRUE(platform::AnsiIsAlpha(p.upper));
  }
}

TEST_F(CodePageTest, CharactersWithoutPartnerKeepTheirCase) {
  for (uint8_t c : {uint8_t{0xDF}, uint8_t{0xB5}, uint8_t{0x83}, uint8_t{0xAA}, uint8_t{0xD7},
                    uint8_t{0xF7}, uint8_t{'1'}, uint8_t{'@'}, uint8_t{'['}, uint8_t{0x80}}) {
    EXPECT_EQ(platform::AnsiUpper(c), c) << std::hex << int(c);
    EXPECT_EQ(platform::AnsiLower(c), c) << std::hex << int(c);
  }
}

TEST_F(CodePageTest, LettersAreTold) {
  struct {
    uint8_t c;
    bool letter;
  } cases[] = {
      {'a', true},   {'Q', true},   {0xDF, true},  {0x83, true},  {0xB5, true},  {0xD0, true},
      {'0', false},  {'_', false},  {' ', false},  {0xD7, false}, {0xF7, false}, {0xA9, false},
      {0x80, false}, {0xB0, false}, {0x88, false}, {0x00, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(platform::AnsiIsAlpha(c.c), c.letter) << std::hex << int(c.c);
}

TEST_F(CodePageTest, StringCaseConvertsEveryByte) {
  EXPECT_EQ(platform::AnsiUpper("notes \xE4\xF6\xFC\xDF 1"), "NOTES \xC4\xD6\xDC\xDF 1");
  EXPECT_EQ(platform::AnsiLower("NOTES \xC4\xD6\xDC"), "notes \xE4\xF6\xFC");
}

struct OemCase {
  const char* name;
  OemCodePage page;
  std::string ansi;
  std::string oem;
  bool round_trips;
};

TEST_F(CodePageTest, AnsiToOemUsesTheSameCharacterOrALookAlike) {
  const OemCase cases[] = {
      {"ascii", OemCodePage::k437, "Notes 123", "Notes 123", true},
      {"german umlauts", OemCodePage::k437, "\xE4\xF6\xFC\xC4\xD6\xDC\xDF",
       "\x84\x94\x81\x8E\x99\x9A\xE1", true},
      {"french accents", OemCodePage::k437, "\xE9\xE8\xEA\xE7", "\x82\x8A\x88\x87", true},
      {"accent missing in 437", OemCodePage::k437, "\xC0\xC3\xD5", "AAO", false},
      {"typographic quotes", OemCodePage::k437, "\x93x\x94 \x91y\x92", "\"x\" 'y'", false},
      {"no counterpart", OemCodePage::k437, "\x80\xA4", "??", false},
      {"866 accents fall back", OemCodePage::k866, "\xE9\xE4", "ea", false},
      {"866 degree sign", OemCodePage::k866, "\xB0", "\xF8", true},
  };
  for (const auto& c : cases) {
    platform::SetOemCodePage(c.page);
    EXPECT_EQ(platform::CharToOem(c.ansi), c.oem) << c.name;
    if (c.round_trips) EXPECT_EQ(platform::OemToChar(c.oem), c.ansi) << c.name;
  }
}

TEST_F(CodePageTest, OemBoxDrawingBecomesAsciiLookAlikes) {
  EXPECT_EQ(platform::OemToChar("\xB3\xC4\xDA\xC5"), "|-++");
  EXPECT_EQ(platform::OemToChar("\xE0\xE3"), "ap");
}

TEST_F(CodePageTest, InPlaceConversionMatchesTheCopyingOne) {
  std::string text = "Caf\xE9 \xE0 la cr\xE8me";
  std::string copy = text;
  platform::CharToOem(std::span(reinterpret_cast<uint8_t*>(copy.data()), copy.size()));
  EXPECT_EQ(copy, platform::CharToOem(text));
  platform::OemToChar(std::span(reinterpret_cast<uint8_t*>(copy.data()), copy.size()));
  EXPECT_EQ(copy, text);
}

TEST_F(CodePageTest, EveryAnsiByteSurvivesUtf8AndBack) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(platform::Utf8ToAnsi(platform::AnsiToUtf8(all)), all);
  EXPECT_EQ(platform::AnsiToUtf8("\x80\xE9"), "\xE2\x82\xAC\xC3\xA9");
}

TEST_F(CodePageTest, EveryOemByteSurvivesUtf8AndBackOnBothPages) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  for (OemCodePage page : {OemCodePage::k437, OemCodePage::k866}) {
    platform::SetOemCodePage(page);
    EXPECT_EQ(platform::Utf8ToOem(platform::OemToUtf8(all)), all);
  }
  platform::SetOemCodePage(OemCodePage::k866);
  EXPECT_EQ(platform::OemToUtf8("\x80\xA0"), "\xD0\x90\xD0\xB0");  // А а
}

TEST_F(CodePageTest, Utf8WithoutAnAnsiByteOrMalformedBecomesQuestionMarks) {
  EXPECT_EQ(platform::Utf8ToAnsi("\xD0\x90"), "?");          // Cyrillic А
  EXPECT_EQ(platform::Utf8ToAnsi("\xF0\x9F\x98\x80"), "?");  // emoji
  EXPECT_EQ(platform::Utf8ToAnsi("a\xC3"), "a?");            // cut short
  EXPECT_EQ(platform::Utf8ToAnsi("\xC0\xAF"), "??");         // overlong
}

}  // namespace
