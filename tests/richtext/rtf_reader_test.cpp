// The RTF reader against documents shaped as Windows rich-edit controls
// (WordPad, Delphi's TRichEdit) and word processors write them.
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <functional>

#include "RichTextTestUtil.h"
#include "richtext/RtfReader.h"

namespace qp {
namespace {

using testing::blockWith;
using testing::formatOf;
using testing::readRtf;

struct ReaderCase {
  const char* name;
  QByteArray rtf;
  QString text;
  std::function<void(const QTextDocument&)> check;
};

void PrintTo(const ReaderCase& c, std::ostream* os) { *os << c.name; }

class RtfReaderCases : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(RtfReaderCases, ReadsTextAndFormatting) {
  const ReaderCase& c = GetParam();
  auto document = readRtf(c.rtf);
  EXPECT_EQ(document->toPlainText(), c.text);
  if (c.check) c.check(*document);
}

const ReaderCase kCases[] = {
    {"WordPadCharacterToggles",
     R"rtf({\rtf1\ansi\ansicpg1252\deff0\nouicompat\deflang1033{\fonttbl{\f0\fnil\fcharset0 Calibri;}}
{\*\generator Riched20 10.0.19041}\viewkind4\uc1 
\pard\sa200\sl276\slmult1\f0\fs22\lang9 Plain \b bold\b0  \i italic\i0  \ul underline\ulnone  \strike gone\strike0  x\super 2\nosupersub\par
}
)rtf",
     "Plain bold italic underline gone x2",
     [](const QTextDocument& d) {
       EXPECT_EQ(formatOf(d, "Plain").fontWeight(), QFont::Normal);
       EXPECT_EQ(formatOf(d, "bold").fontWeight(), QFont::Bold);
       EXPECT_TRUE(formatOf(d, "italic").fontItalic());
       EXPECT_FALSE(formatOf(d, "italic").fontUnderline());
       EXPECT_TRUE(formatOf(d, "underline").fontUnderline());
       EXPECT_TRUE(formatOf(d, "gone").fontStrikeOut());
       EXPECT_EQ(formatOf(d, "2").verticalAlignment(), QTextCharFormat::AlignSuperScript);
       EXPECT_EQ(formatOf(d, "Plain").fontPointSize(), 11.0);
       EXPECT_EQ(formatOf(d, "Plain").fontFamilies().toStringList(), QStringList{"Calibri"});
       EXPECT_EQ(d.begin().blockFormat().bottomMargin(), 200 / 15.0);
     }},
    {"DelphiRichEditColoursSizesAndHighlight",
     R"rtf({\rtf1\ansi\ansicpg1252\deff0\deflang1033{\fonttbl{\f0\fswiss\fcharset0 Arial;}{\f1\fnil\fcharset0 MS Sans Serif;}}
{\colortbl ;\red255\green0\blue0;\red0\green0\blue255;\red255\green255\blue0;}
\viewkind4\uc1\pard\cf1\f0\fs20 Red\cf0  and \cf2\fs28 big blue\cf0\fs20  \highlight3 marked\highlight0  \f1 sans\par
}
)rtf",
     "Red and big blue marked sans",
     [](const QTextDocument& d) {
       EXPECT_EQ(formatOf(d, "Red").foreground().color(), QColor(255, 0, 0));
       EXPECT_EQ(formatOf(d, "and").foreground().style(), Qt::NoBrush);
       EXPECT_EQ(formatOf(d, "big").foreground().color(), QColor(0, 0, 255));
       EXPECT_EQ(formatOf(d, "big").fontPointSize(), 14.0);
       EXPECT_EQ(formatOf(d, "marked").background().color(), QColor(255, 255, 0));
       EXPECT_EQ(formatOf(d, "sans").fontFamilies().toStringList(), QStringList{"MS Sans Serif"});
     }},
    {"RussianWordPadInCodePage1251",
     "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset204 Arial;}}\n"
     "\\viewkind4\\uc1\\pard\\lang1049\\f0\\fs20 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2, \\'ec\\'e8\\'f0!\\par\n}",
     QString::fromUtf8("Привет, мир!"), nullptr},
    {"FontCharsetOverridesDocumentCodePage",
     "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}"
     "{\\f1\\fnil\\fcharset204 Arial CYR;}{\\f2\\fnil\\fcharset238 Arial CE;}}"
     "\\f0 caf\\'e9 \\f1\\'cf\\'f0\\'e8\\'e2\\'e5\\'f2 \\f2\\'a3\\'f3d\\'9f\\par}",
     QString::fromUtf8("café Привет Łódź"), nullptr},
    {"OemCodePages",
     "{\\rtf1\\pc \\'81ber}", QString::fromUtf8("über"), nullptr},
    {"OemCodePage850",
     "{\\rtf1\\pca \\'9b\\par}", QString::fromUtf8("ø"), nullptr},
    {"OemCodePage866",
     "{\\rtf1\\ansi\\ansicpg866 \\'8f\\'e0\\'a8\\'a2\\'a5\\'e2\\par}", QString::fromUtf8("Привет"),
     nullptr},
    {"UnknownCodePageFallsBackTo1252",
     "{\\rtf1\\ansi\\ansicpg99999 \\'80\\par}", QString::fromUtf8("€"), nullptr},
    {"UnicodeEscapeSkipsFallbackBytes",
     "{\\rtf1\\ansi\\uc1 \\u8364\\'80 euro \\uc2\\u1055\\'3f\\'3f \\uc0\\u1088 x\\par}",
     QString::fromUtf8("€ euro П рx"), nullptr},
    {"UnicodeFallbackSkipCountsControlWordsAndStopsAtGroupEnd",
     "{\\rtf1\\uc1\\u8220\\ldblquote a{\\uc3\\u8364}bc\\par}", QString::fromUtf8("“a€bc"),
     nullptr},
    {"UnicodeEscapesNegativeAndSurrogatePairs",
     "{\\rtf1\\uc1\\u-3913?\\u-10179?\\u-8704?\\u-10179?\\par}",
     QString(QChar(0xF0B7)) + QString::fromUtf8("😀") + QChar(QChar::ReplacementCharacter),
     nullptr},
    {"SpecialCharactersAndLineBreaks",
     "{\\rtf1\\ansi a\\line b\\tab c\\~d\\emdash e\\endash f\\lquote g\\rquote\\bullet\\{\\}\\\\\\par h}",
     // toPlainText shows the line break as \n and the no-break space as a blank.
     QString::fromUtf8("a\nb\tc d—e–f‘g’•{}\\\nh"),
     [](const QTextDocument& d) {
       EXPECT_EQ(d.blockCount(), 2);
       EXPECT_EQ(d.characterAt(1), QChar(QChar::LineSeparator));
       EXPECT_EQ(d.characterAt(5), QChar(0x00A0));
     }},
    {"IgnorableAndInformationDestinations",
     R"rtf({\rtf1\ansi{\fonttbl{\f0 Times;}}{\stylesheet{\s0 Normal;}{\s1 Heading;}}{\info{\title Secret}{\author Someone}}
{\*\generator Writer 1.0;}{\*\unknowndestination hidden {nested} text}\unknownword visible {\*\bkmkstart here}{\*\bkmkend here}text{\v hidden}\par}
)rtf",
     "visible text", nullptr},
    {"ParagraphIndentsAlignmentSpacingAndTabs",
     R"rtf({\rtf1\ansi
\pard\qc centred\par
\pard\qr right\par
\pard\qj\li1440\ri720\fi-360\sb120\sa240 justified\par
\pard\tx1440\tqr\tx4320\tqc\tx5000 a\tab b\tab c\par
\pard plain}
)rtf",
     "centred\nright\njustified\na\tb\tc\nplain",
     [](const QTextDocument& d) {
       EXPECT_EQ(blockWith(d, "centred").blockFormat().alignment(), Qt::AlignHCenter);
       EXPECT_EQ(blockWith(d, "right").blockFormat().alignment(), Qt::AlignRight);
       const QTextBlockFormat j = blockWith(d, "justified").blockFormat();
       EXPECT_EQ(j.alignment(), Qt::AlignJustify);
       EXPECT_EQ(j.leftMargin(), 96.0);
       EXPECT_EQ(j.rightMargin(), 48.0);
       EXPECT_EQ(j.textIndent(), -24.0);
       EXPECT_EQ(j.topMargin(), 8.0);
       EXPECT_EQ(j.bottomMargin(), 16.0);
       const QList<QTextOption::Tab> tabs = blockWith(d, "a\tb").blockFormat().tabPositions();
       ASSERT_EQ(tabs.size(), 3);
       EXPECT_EQ(tabs[0], QTextOption::Tab(96, QTextOption::LeftTab));
       EXPECT_EQ(tabs[1], QTextOption::Tab(288, QTextOption::RightTab));
       EXPECT_EQ(tabs[2].type, QTextOption::CenterTab);
       EXPECT_EQ(blockWith(d, "plain").blockFormat().alignment(), Qt::AlignLeft);
       EXPECT_EQ(blockWith(d, "plain").blockFormat().leftMargin(), 0.0);
     }},
    {"RichEditBulletsAndNumberingInPnForm",
     R"rtf({\rtf1\ansi\deff0{\fonttbl{\f0\fswiss Arial;}{\f1\fnil\fcharset2 Symbol;}}
\pard{\pntext\f1\'B7\tab}{\*\pn\pnlvlblt\pnf1\pnindent0{\pntxtb\'B7}}\fi-720\li720\f0\fs20 apples\par
{\pntext\f1\'B7\tab}pears\par
\pard between\par
\pard{\pntext\f0 1.\tab}{\*\pn\pnlvlbody\pnf0\pnindent0\pnstart1\pndec{\pntxta.}}\fi-360\li720 one\par
{\pntext\f0 2.\tab}two\par
\pard{\pntext\f0 a)\tab}{\*\pn\pnlvlbody\pnf0\pnindent0\pnstart1\pnlcltr{\pntxta)}}\fi-360\li720 alpha\par
\pard after\par
}
)rtf",
     "apples\npears\nbetween\none\ntwo\nalpha\nafter",
     [](const QTextDocument& d) {
       QTextList* bullets = blockWith(d, "apples").textList();
       ASSERT_NE(bullets, nullptr);
       EXPECT_EQ(bullets->format().style(), QTextListFormat::ListDisc);
       EXPECT_EQ(blockWith(d, "pears").textList(), bullets);
       EXPECT_EQ(blockWith(d, "between").textList(), nullptr);
       QTextList* numbers = blockWith(d, "one").textList();
       ASSERT_NE(numbers, nullptr);
       EXPECT_EQ(numbers->format().style(), QTextListFormat::ListDecimal);
       EXPECT_EQ(numbers->itemText(blockWith(d, "two")), "2.");
       ASSERT_NE(blockWith(d, "alpha").textList(), nullptr);
       EXPECT_EQ(blockWith(d, "alpha").textList()->format().style(), QTextListFormat::ListLowerAlpha);
       EXPECT_EQ(blockWith(d, "after").textList(), nullptr);
     }},
    {"WordListTableWithListTextAndOverrides",
     R"rtf({\rtf1\adeflang1025\ansi\ansicpg1252\uc1\adeff0\deff0{\fonttbl{\f0\froman\fcharset0\fprq2{\*\panose 02020603050405020304}Times New Roman;}{\f3\fbidi \froman\fcharset2\fprq2{\*\panose 05050102010706020507}Symbol;}}
{\colortbl;\red0\green0\blue0;}
{\*\listtable{\list\listtemplateid-1\listhybrid{\listlevel\levelnfc23\levelnfcn23\leveljc0\leveljcn0\levelfollow0\levelstartat1\levelspace0\levelindent0{\leveltext\leveltemplateid67698689\'01\u-3913 ?;}{\levelnumbers;}\f3\fbias0 \fi-360\li720\lin720 }{\listlevel\levelnfc4\levelstartat1{\leveltext\'02\'01.;}{\levelnumbers\'01;}\fi-360\li1440}{\listname ;}\listid1}
{\list\listtemplateid-2{\listlevel\levelnfc0\levelnfcn0\levelstartat1{\leveltext\'02\'00.;}{\levelnumbers\'01;}\fi-360\li720}\listid2}}
{\*\listoverridetable{\listoverride\listid1\listoverridecount0\ls1}{\listoverride\listid2\listoverridecount0\ls2}}
{\*\generator Microsoft Word 16;}{\info{\title Test}{\author Someone}}
\pard\plain \ltrpar\s0\ql \f0\fs24 Intro\par
{\listtext\pard\plain\ltrpar \f3\fs24 \loch\af3\hich\af3\dbch\af0\insrsid1 \hich\af3\dbch\af0\loch\f3 \'b7\tab}\pard\plain \ltrpar\ql \fi-360\li720\ls1\ilvl0 first\par
{\listtext\pard\plain \f0 a.\tab}\pard\fi-360\li1440\ls1\ilvl1 nested\par
{\listtext\pard\plain \f3 \'b7\tab}\pard\fi-360\li720\ls1 second\par
{\listtext\pard\plain \f0 1.\tab}\pard\fi-360\li720\ls2 numbered \u8220\'93quoted\u8221\'94\par
}
)rtf",
     QString::fromUtf8("Intro\nfirst\nnested\nsecond\nnumbered “quoted”"),
     [](const QTextDocument& d) {
       EXPECT_EQ(blockWith(d, "Intro").textList(), nullptr);
       QTextList* bullets = blockWith(d, "first").textList();
       ASSERT_NE(bullets, nullptr);
       EXPECT_EQ(bullets->format().style(), QTextListFormat::ListDisc);
       EXPECT_EQ(blockWith(d, "second").textList(), bullets);
       QTextList* nested = blockWith(d, "nested").textList();
       ASSERT_NE(nested, nullptr);
       EXPECT_EQ(nested->format().style(), QTextListFormat::ListLowerAlpha);
       EXPECT_EQ(nested->format().indent(), 2);
       ASSERT_NE(blockWith(d, "numbered").textList(), nullptr);
       EXPECT_EQ(blockWith(d, "numbered").textList()->format().style(), QTextListFormat::ListDecimal);
       EXPECT_EQ(formatOf(d, "first").fontFamilies().toStringList(), QStringList{"Times New Roman"});
     }},
    {"HyperlinkFieldKeepsResultTextAndTarget",
     R"rtf({\rtf1\ansi{\colortbl ;\red0\green0\blue255;}see {\field{\*\fldinst{HYPERLINK "http://example.com/a?b=1"}}{\fldrslt{\ul\cf1 Example}}} and {\field{\*\fldinst PAGE}{\fldrslt 3}}\par}
)rtf",
     "see Example and 3",
     [](const QTextDocument& d) {
       EXPECT_TRUE(formatOf(d, "Example").isAnchor());
       EXPECT_EQ(formatOf(d, "Example").anchorHref(), "http://example.com/a?b=1");
       EXPECT_FALSE(formatOf(d, "and").isAnchor());
       EXPECT_FALSE(formatOf(d, "3").isAnchor());
     }},
    {"TrailingParagraphMarkAddsNoEmptyParagraph",
     "{\\rtf1 one\\par two\\par}", "one\ntwo",
     [](const QTextDocument& d) { EXPECT_EQ(d.blockCount(), 2); }},
    {"EmptyParagraphsInTheMiddleAndAtTheEndStay",
     "{\\rtf1 one\\par\\par two\\par\\par}", "one\n\ntwo\n",
     [](const QTextDocument& d) { EXPECT_EQ(d.blockCount(), 4); }},
    {"TableCellsBecomeTabsAndRowsParagraphs",
     "{\\rtf1\\trowd\\cellx1000\\cellx2000 \\intbl a\\cell b\\cell\\row\\pard after\\par}",
     "a\tb\t\nafter", nullptr},
    {"PlainResetsCharacterFormatting",
     "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Courier;}}\\f1\\fs40\\b\\i big \\plain small\\par}",
     "big small",
     [](const QTextDocument& d) {
       EXPECT_EQ(formatOf(d, "small").fontWeight(), QFont::Normal);
       EXPECT_FALSE(formatOf(d, "small").fontItalic());
       EXPECT_EQ(formatOf(d, "small").fontPointSize(), 12.0);
       EXPECT_EQ(formatOf(d, "small").fontFamilies().toStringList(), QStringList{"Arial"});
     }},
    {"FontNamesInTheirCodePageAndAsUnicode",
     "{\\rtf1{\\fonttbl{\\f0\\fnil\\fcharset204 \\'c0\\'f0\\'e8\\'e0\\'eb;}{\\f1 M\\u1040?S;}}"
     "\\f1 x\\f0 y\\par}",
     "xy",
     [](const QTextDocument& d) {
       EXPECT_EQ(formatOf(d, "x").fontFamilies().toStringList(), QStringList{"MАS"});
       EXPECT_EQ(formatOf(d, "y").fontFamilies().toStringList(), QStringList{"Ариал"});
     }},
    {"MacStyleFontTableWithoutInnerGroups",
     "{\\rtf1\\ansi{\\fonttbl\\f0\\fswiss\\fcharset0 Helvetica;\\f1\\fmodern Courier;}\\f1 code\\par}",
     "code",
     [](const QTextDocument& d) {
       EXPECT_EQ(formatOf(d, "code").fontFamilies().toStringList(), QStringList{"Courier"});
     }},
};

INSTANTIATE_TEST_SUITE_P(RealWorldShapes, RtfReaderCases, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

QByteArray pictureRtf(const QByteArray& blip, const QByteArray& data, const QByteArray& extra) {
  return "{\\rtf1\\ansi before{\\pict" + blip + extra + "\r\n" + data.toHex() + "\r\n}after\\par}";
}

int countImages(const QTextDocument& document) {
  int images = 0;
  for (QTextBlock b = document.begin(); b.isValid(); b = b.next())
    for (auto it = b.begin(); !it.atEnd(); ++it)
      if (it.fragment().charFormat().isImageFormat()) ++images;
  return images;
}

TEST(RtfReader, EmbeddedPngAndJpegBecomeImagesWithTheirGoalSize) {
  for (const char* format : {"PNG", "JPEG"}) {
    SCOPED_TRACE(format);
    const QByteArray data = testing::pictureBytes(format, QSize(8, 6), Qt::red);
    const QByteArray blip = QByteArray(format) == "PNG" ? "\\pngblip" : "\\jpegblip";
    auto document = readRtf(pictureRtf(blip, data, "\\picw8\\pich6\\picwgoal300\\pichgoal150"));
    EXPECT_EQ(document->toPlainText(), QString("before") + QChar::ObjectReplacementCharacter + "after");
    QTextCursor at(document.get());
    at.setPosition(7);
    const QTextImageFormat image = at.charFormat().toImageFormat();
    ASSERT_TRUE(image.isValid());
    EXPECT_EQ(image.width(), 20.0);
    EXPECT_EQ(image.height(), 10.0);
    const QVariant resource = document->resource(QTextDocument::ImageResource, QUrl(image.name()));
    EXPECT_FALSE(QImage::fromData(resource.toByteArray()).isNull());
  }
}

TEST(RtfReader, WordPictureAlternativesGiveOneImage) {
  const QByteArray png = testing::pictureBytes("PNG", QSize(4, 4), Qt::blue);
  const QByteArray rtf = "{\\rtf1 a{\\*\\shppict{\\pict\\pngblip " + png.toHex() +
                         "}}{\\nonshppict{\\pict\\wmetafile8 0102030405}}b"
                         "{\\pict\\emfblip 0102}{\\pict\\pngblip 00ff00ff}c\\par}";
  auto document = readRtf(rtf);
  EXPECT_EQ(countImages(*document), 1);  // the metafiles and the broken PNG add nothing
  EXPECT_EQ(document->toPlainText(), QString("a") + QChar::ObjectReplacementCharacter + "bc");
}

TEST(RtfReader, BinaryPictureDataIsReadRaw) {
  const QByteArray png = testing::pictureBytes("PNG", QSize(3, 3), Qt::green);
  const QByteArray rtf = "{\\rtf1 x{\\pict\\pngblip\\bin" + QByteArray::number(png.size()) + " " +
                         png + "}y\\par}";
  auto document = readRtf(rtf);
  EXPECT_EQ(countImages(*document), 1);
  EXPECT_EQ(document->toPlainText(), QString("x") + QChar::ObjectReplacementCharacter + "y");
}

TEST(RtfReader, RefusesInputThatIsNotRtfWithAReason) {
  for (const QByteArray& input : {QByteArray(), QByteArray("plain text"), QByteArray("{\\rt"),
                                  QByteArray("\x89PNG\r\n", 6), QByteArray("{rtf1 }")}) {
    QTextDocument document;
    document.setPlainText("old");
    RtfReader reader;
    EXPECT_FALSE(reader.read(input, document)) << input.toStdString();
    EXPECT_TRUE(reader.errorString().contains("not an RTF document"));
    EXPECT_TRUE(document.isEmpty());
  }
}

TEST(RtfReader, AcceptsLeadingBlanksBeforeTheSignature) {
  EXPECT_EQ(readRtf("\r\n  {\\rtf1 hi}")->toPlainText(), "hi");
}

}  // namespace
}  // namespace qp
