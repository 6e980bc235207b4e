// The RTF reader on damaged and hostile input: it must give a document (or
// a clear refusal) without crashing, and its state must stay bounded.
#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextDocument>

#include "RichTextTestUtil.h"
#include "richtext/RtfReader.h"
#include "richtext/RtfState.h"
#include "richtext/RtfTokenizer.h"

namespace qp {
namespace {

using testing::formatOf;
using testing::readRtf;

QByteArray repeated(const char* piece, int times) { return QByteArray(piece).repeated(times); }

struct DamageCase {
  const char* name;
  QByteArray rtf;
  QString text;  // what survives
};

void PrintTo(const DamageCase& c, std::ostream* os) { *os << c.name; }

class RtfDamagedInput : public ::testing::TestWithParam<DamageCase> {};

TEST_P(RtfDamagedInput, KeepsWhatItUnderstood) {
  EXPECT_EQ(readRtf(GetParam().rtf)->toPlainText(), GetParam().text);
}

const DamageCase kDamage[] = {
    {"ExtraClosingBracesEndTheDocument", "{\\rtf1 a}}}} b", "a"},
    {"MissingClosingBraces", "{\\rtf1 {{{\\b a", "a"},
    {"StrayCloseInsideIsIgnoredOnlyAtTheTop", "{\\rtf1 {a}} b}", "a"},
    {"NestingOneHundredThousandDeep",
     "{\\rtf1 " + repeated("{", 100000) + "x" + repeated("}", 100000) + "y}", "xy"},
    {"OpenGroupsOneHundredThousandDeepNeverClosed", "{\\rtf1 " + repeated("{\\b ", 100000) + "z",
     "z"},
    {"HugeParameters",
     "{\\rtf1 \\fs99999999999999999999999 a\\li-99999999999 \\cf4294967296 \\u99999999999 b"
     "\\uc2147483647 c\\ls99999999999 \\ilvl-5 \\tx99999999999999 d\\par}",
     "acd"},  // b is the fallback of the escape that names no character
    {"HugeBinaryCountAtTheEnd", "{\\rtf1 a\\bin99999999999 xyz", "a"},
    {"BinaryCountNegative", "{\\rtf1 a\\bin-5 b}", "ab"},
    {"LongControlWordIsCutNotStored", "{\\rtf1 \\" + repeated("a", 100000) + " x}", "x"},
    {"TruncatedHexEscape", "{\\rtf1 a\\'", "a?"},
    {"HexEscapeWithOneDigitGivesAControlByteThatIsDropped", "{\\rtf1 a\\'4}", "a"},
    {"BackslashAtTheEnd", "{\\rtf1 a\\", "a"},
    {"UnicodeSkipLongerThanTheText", "{\\rtf1 \\uc8\\u65 ab}c", "A"},
    {"ThousandsOfTabStopsAreCapped", "{\\rtf1 " + repeated("\\tx100", 50000) + " t}", "t"},
    {"HugeFontTable",
     "{\\rtf1{\\fonttbl" + repeated("{\\f7 X;}", 20000) + "}\\f7 f}", "f"},
    {"ColourTableWithoutSemicolons", "{\\rtf1{\\colortbl\\red300\\green-4}\\cf1 c}", "c"},
    {"PictureWithoutData", "{\\rtf1 a{\\pict\\pngblip}b}", "ab"},
    {"PictureWithOddHexDigits", "{\\rtf1 a{\\pict\\pngblip abc}b}", "ab"},
};

INSTANTIATE_TEST_SUITE_P(Hostile, RtfDamagedInput, ::testing::ValuesIn(kDamage),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RtfHostileInput, DeepNestingStillRestoresFormattingOnTheWayOut) {
  const QByteArray rtf = "{\\rtf1 {\\b " + repeated("{", 100000) + "\\i deep" +
                         repeated("}", 100000) + " bold}plain}";
  auto document = readRtf(rtf);
  EXPECT_EQ(document->toPlainText(), "deep boldplain");
  EXPECT_TRUE(formatOf(*document, "deep").fontItalic());
  EXPECT_EQ(formatOf(*document, "bold").fontWeight(), QFont::Bold);
  EXPECT_FALSE(formatOf(*document, "bold").fontItalic());
  EXPECT_EQ(formatOf(*document, "plain").fontWeight(), QFont::Normal);
}

TEST(RtfHostileInput, GroupStackStoresAtMostItsCap) {
  RtfGroupStack stack;
  for (int i = 0; i < 100000; ++i) stack.push();
  EXPECT_EQ(stack.depth(), 100000);
  EXPECT_EQ(stack.storedDepth(), RtfGroupStack::kMaxDepth);
  RtfGroupState closed;
  for (int i = 0; i < 100000; ++i) ASSERT_TRUE(stack.pop(&closed));
  EXPECT_FALSE(stack.pop(&closed));
}

TEST(RtfHostileInput, FontSizesAndIndentsAreClamped) {
  auto document = readRtf(
      "{\\rtf1 \\fs99999999999999 big\\fs-4 small\\par\\li999999999\\fi-999999999 far\\par}");
  EXPECT_LE(formatOf(*document, "big").fontPointSize(), 1638.0);
  EXPECT_GT(formatOf(*document, "small").fontPointSize(), 0.0);
  const QTextBlockFormat far = testing::blockWith(*document, "far").blockFormat();
  EXPECT_LE(far.leftMargin(), 31680 / 15.0);
  EXPECT_GE(far.textIndent(), -31680 / 15.0);
}

TEST(RtfHostileInput, TokenizerClampsParametersAndConsumesAllDigits) {
  const QByteArray input = "\\fs123456789012345678901234567890x\\li-99999999999999y";
  RtfTokenizer tokens(input.constData(), size_t(input.size()));
  RtfToken t = tokens.next();
  EXPECT_EQ(t.word, "fs");
  EXPECT_EQ(t.param, std::numeric_limits<int32_t>::max());
  EXPECT_EQ(tokens.next().word, "x");
  t = tokens.next();
  EXPECT_EQ(t.param, std::numeric_limits<int32_t>::min());
  EXPECT_EQ(tokens.next().word, "y");
  EXPECT_EQ(tokens.next().kind, RtfToken::Kind::End);
}

TEST(RtfHostileInput, EveryTruncationOfARealDocumentReadsWithoutCrashing) {
  const QByteArray png = testing::pictureBytes("PNG", QSize(2, 2), Qt::red);
  const QByteArray full =
      "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset204 Arial;}}"
      "{\\colortbl ;\\red255\\green0\\blue0;}{\\*\\listtable{\\list{\\listlevel\\levelnfc23}\\listid1}}"
      "{\\*\\listoverridetable{\\listoverride\\listid1\\ls1}}"
      "\\pard\\ls1\\cf1\\b \\'cf\\'f0\\u8364?{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt y}}"
      "{\\pict\\pngblip " + png.toHex() + "}\\par}";
  for (qsizetype n = 0; n <= full.size(); ++n) {
    QTextDocument document;
    RtfReader reader;
    const bool ok = reader.read(full.left(n), document);
    EXPECT_EQ(ok, n >= 5) << "cut at " << n;
  }
}

TEST(RtfHostileInput, BinaryJunkAfterTheSignatureGivesADocument) {
  QRandomGenerator random(20240311);  // fixed seed: failures must reproduce
  for (int round = 0; round < 200; ++round) {
    QByteArray junk = "{\\rtf1 ";
    const int length = random.bounded(1, 2000);
    for (int i = 0; i < length; ++i) junk.append(char(random.bounded(256)));
    QTextDocument document;
    RtfReader reader;
    EXPECT_TRUE(reader.read(junk, document)) << "round " << round;
  }
}

TEST(RtfHostileInput, ReservedCharactersFromUnicodeEscapesDoNotSplitParagraphs) {
  auto document = readRtf("{\\rtf1 a\\u8233?b\\u10?c\\u65532?d\\u-560?e\\u1?f\\par}");
  EXPECT_EQ(document->blockCount(), 1);
  EXPECT_EQ(document->characterCount(), 8);  // a, line break, b c d e f, and the final mark
}

}  // namespace
}  // namespace qp
