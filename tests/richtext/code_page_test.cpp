// The code-page tables against known characters of each page.
#include <gtest/gtest.h>

#include "richtext/CodePage.h"

namespace qp {
namespace {

struct Sample {
  int page;
  uint8_t byte;
  char16_t expected;
};

class CodePageSamples : public ::testing::TestWithParam<Sample> {};

TEST_P(CodePageSamples, DecodesAndEncodesBack) {
  const Sample s = GetParam();
  const CodePage& page = CodePage::forNumber(s.page);
  ASSERT_EQ(page.number(), s.page);
  EXPECT_EQ(page.decode(s.byte), s.expected);
  EXPECT_EQ(page.encode(s.expected), s.byte);
}

INSTANTIATE_TEST_SUITE_P(
    KnownCharacters, CodePageSamples,
    ::testing::Values(Sample{1252, 0x80, 0x20AC}, Sample{1252, 0x93, 0x201C},
                      Sample{1252, 0xE9, 0x00E9}, Sample{1252, 0x81, 0x0081},
                      Sample{1251, 0xCF, 0x041F}, Sample{1251, 0xB8, 0x0451},
                      Sample{1250, 0xA3, 0x0141}, Sample{1250, 0x9F, 0x017A},
                      Sample{437, 0x81, 0x00FC}, Sample{437, 0xB3, 0x2502},
                      Sample{437, 0xE1, 0x00DF}, Sample{850, 0x9B, 0x00F8},
                      Sample{850, 0xD5, 0x0131}, Sample{866, 0x8F, 0x041F},
                      Sample{866, 0xF0, 0x0401}, Sample{1253, 0xE1, 0x03B1},
                      Sample{1254, 0xF0, 0x011F}, Sample{1257, 0xE0, 0x0105}),
    [](const auto& info) {
      return "cp" + std::to_string(info.param.page) + "_byte" + std::to_string(info.param.byte);
    });

TEST(CodePage, EveryByteOfEveryPageRoundTrips) {
  for (int number : {437, 850, 866, 1250, 1251, 1252, 1253, 1254, 1257}) {
    const CodePage& page = CodePage::forNumber(number);
    for (int byte = 0; byte < 256; ++byte)
      ASSERT_EQ(page.encode(page.decode(uint8_t(byte))), byte) << "cp" << number << " " << byte;
  }
}

TEST(CodePage, CharactersOutsideThePageHaveNoByte) {
  EXPECT_EQ(CodePage::forNumber(1252).encode(0x041F), -1);
  EXPECT_EQ(CodePage::forNumber(1251).encode(0x00E9), -1);
}

TEST(CodePage, UnknownPagesFallBackTo1252AndCharsetsMapToPages) {
  EXPECT_EQ(CodePage::forNumber(932).number(), 1252);
  EXPECT_FALSE(CodePage::isSupported(932));
  EXPECT_EQ(CodePage::fromCharset(204), 1251);
  EXPECT_EQ(CodePage::fromCharset(238), 1250);
  EXPECT_EQ(CodePage::fromCharset(0), 1252);
  EXPECT_EQ(CodePage::fromCharset(1), 0);  // DEFAULT_CHARSET: the document's page
}

}  // namespace
}  // namespace qp
