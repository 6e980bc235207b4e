// The RTF writer: what its output looks like to other programs, and that
// the reader turns it back into the same document.
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextList>

#include "RichTextTestUtil.h"
#include "richtext/RtfWriter.h"

namespace qp {
namespace {

using testing::formatOf;
using testing::readRtf;

// One line per run and per paragraph with everything the round trip must
// keep, so a difference shows exactly what was lost.
QStringList describe(const QTextDocument& document) {
  QStringList lines;
  const QString defaultFamily = document.defaultFont().family();
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    const QTextBlockFormat b = block.blockFormat();
    QString list = "-";
    if (QTextList* l = block.textList())
      list = QString("%1/%2/%3").arg(l->format().style()).arg(l->format().indent()).arg(l->itemNumber(block));
    lines << QString("P align=%1 l=%2 r=%3 fi=%4 sb=%5 sa=%6 tabs=%7 list=%8")
                 .arg(int(b.alignment() & Qt::AlignHorizontal_Mask))
                 .arg(b.leftMargin())
                 .arg(b.rightMargin())
                 .arg(block.textList() ? 0 : b.textIndent())
                 .arg(b.topMargin())
                 .arg(b.bottomMargin())
                 .arg(b.tabPositions().size())
                 .arg(list);
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextCharFormat f = it.fragment().charFormat();
      const QStringList families = f.fontFamilies().toStringList();
      lines << QString("  '%1' b=%2 i=%3 u=%4 s=%5 fg=%6 bg=%7 pt=%8 family=%9 va=%10 href=%11 img=%12")
                   .arg(it.fragment().text())
                   .arg(f.fontWeight() > QFont::Medium)
                   .arg(f.fontItalic())
                   .arg(f.fontUnderline())
                   .arg(f.fontStrikeOut())
                   .arg(f.foreground().style() == Qt::NoBrush ? "none" : f.foreground().color().name())
                   .arg(f.background().style() == Qt::NoBrush ? "none" : f.background().color().name())
                   .arg(f.fontPointSize() > 0 ? f.fontPointSize() : document.defaultFont().pointSizeF())
                   .arg(families.isEmpty() ? defaultFamily : families.first())
                   .arg(int(f.verticalAlignment()))
                   .arg(f.anchorHref())
                   .arg(f.isImageFormat() ? QString("%1x%2").arg(f.toImageFormat().width()).arg(f.toImageFormat().height()) : "-");
    }
  }
  return lines;
}

QTextCharFormat plain() {
  QTextCharFormat f;
  f.setFontPointSize(10);
  f.setFontFamilies({"Arial"});
  return f;
}

// A document with one of everything the notes use.
void buildSample(QTextDocument& document) {
  QTextCursor c(&document);
  QTextCharFormat f = plain();
  c.insertText("Plain ", f);
  f.setFontWeight(QFont::Bold);
  c.insertText("bold ", f);
  f = plain();
  f.setFontItalic(true);
  f.setFontUnderline(true);
  c.insertText("italic-underlined ", f);
  f = plain();
  f.setFontStrikeOut(true);
  f.setForeground(QColor(200, 10, 20));
  f.setBackground(QColor(255, 255, 0));
  c.insertText("struck red on yellow ", f);
  f = plain();
  f.setFontPointSize(18);
  f.setFontFamilies({"Courier New"});
  f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
  c.insertText("big", f);

  QTextBlockFormat centred;
  centred.setAlignment(Qt::AlignHCenter);
  centred.setTopMargin(8);
  centred.setBottomMargin(4);
  c.insertBlock(centred);
  c.insertText(QString::fromUtf8("Привет мир, Łódź, ελληνικά, 日本語, 😀, café € “quoted”"), plain());

  QTextBlockFormat indented;
  indented.setLeftMargin(96);
  indented.setRightMargin(48);
  indented.setTextIndent(-24);
  indented.setTabPositions({QTextOption::Tab(96, QTextOption::LeftTab),
                            QTextOption::Tab(288, QTextOption::RightTab)});
  c.insertBlock(indented);
  c.insertText(QString::fromUtf8("tab\there\u2028next line {braces} back\\slash\u00A0nbsp"), plain());

  QTextListFormat bullets;
  bullets.setStyle(QTextListFormat::ListDisc);
  bullets.setIndent(1);
  c.insertBlock(QTextBlockFormat());
  c.createList(bullets);
  c.insertText("first bullet", plain());
  c.insertBlock();
  c.insertText("second bullet", plain());

  QTextListFormat numbers;
  numbers.setStyle(QTextListFormat::ListDecimal);
  numbers.setIndent(1);
  c.insertBlock(QTextBlockFormat());
  c.createList(numbers);
  c.insertText("one", plain());
  c.insertBlock();
  c.insertText("two", plain());
  QTextListFormat nested;
  nested.setStyle(QTextListFormat::ListUpperRoman);
  nested.setIndent(2);
  c.insertBlock(QTextBlockFormat());
  c.createList(nested);
  c.insertText("nested", plain());

  c.insertBlock(QTextBlockFormat());
  QTextCharFormat link = plain();
  link.setAnchor(true);
  link.setAnchorHref("https://example.org/?q=1&r={2}");
  c.insertText("a link", link);
  c.insertText(" and a picture ", plain());
  const QByteArray png = testing::pictureBytes("PNG", QSize(5, 4), Qt::darkGreen);
  document.addResource(QTextDocument::ImageResource, QUrl("qp-image:test"), png);
  QTextImageFormat image;
  image.setName("qp-image:test");
  image.setWidth(50);
  image.setHeight(40);
  c.insertImage(image);
  c.insertBlock(QTextBlockFormat());  // an empty last paragraph
}

TEST(RtfWriter, RoundTripKeepsTextFormattingListsColoursAndPictures) {
  QTextDocument original;
  buildSample(original);
  const QByteArray rtf = RtfWriter::write(original);
  auto again = readRtf(rtf);
  EXPECT_EQ(again->toPlainText(), original.toPlainText());
  const QStringList want = describe(original);
  const QStringList got = describe(*again);
  ASSERT_EQ(got.size(), want.size()) << rtf.toStdString();
  for (qsizetype i = 0; i < want.size(); ++i) EXPECT_EQ(got[i].toStdString(), want[i].toStdString());
}

TEST(RtfWriter, SecondRoundTripGivesTheSameBytes) {
  QTextDocument original;
  buildSample(original);
  const QByteArray first = RtfWriter::write(original);
  EXPECT_EQ(RtfWriter::write(*readRtf(first)), first);
}

TEST(RtfWriter, PictureDataIsKeptVerbatim) {
  const QByteArray jpeg = testing::pictureBytes("JPEG", QSize(16, 16), Qt::red);
  const QByteArray rtf = "{\\rtf1{\\pict\\jpegblip " + jpeg.toHex() + "}\\par}";
  const QByteArray written = RtfWriter::write(*readRtf(rtf));
  EXPECT_TRUE(written.contains("\\jpegblip"));
  EXPECT_TRUE(QByteArray(written).replace("\r\n", "").contains(jpeg.toHex()));
}

TEST(RtfWriter, OutputIsAsciiWithCodePageFontAndColourTables) {
  QTextDocument document;
  QTextCursor c(&document);
  QTextCharFormat red;
  red.setForeground(Qt::red);
  c.insertText(QString::fromUtf8("é € П 😀 {x}\\"), red);
  const QByteArray rtf = RtfWriter::write(document);
  EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0"));
  EXPECT_TRUE(rtf.contains("{\\fonttbl{\\f0"));
  EXPECT_TRUE(rtf.contains("{\\colortbl ;\\red255\\green0\\blue0;}"));
  EXPECT_TRUE(rtf.contains("\\cf1"));
  for (char byte : rtf) ASSERT_LT(uint8_t(byte), 0x80);
  EXPECT_TRUE(rtf.contains("\\'e9 \\'80 \\u1055? \\u-10179?\\u-8704? \\{x\\}\\\\"));
  EXPECT_TRUE(rtf.trimmed().endsWith("\\par\r\n}"));
}

TEST(RtfWriter, EveryParagraphEndsWithAParagraphMark) {
  QTextDocument document;
  document.setPlainText("a\n\nb");
  const QByteArray rtf = RtfWriter::write(document);
  EXPECT_EQ(rtf.count("\\par\r\n"), 3);
  EXPECT_EQ(readRtf(rtf)->blockCount(), 3);
}

TEST(RtfWriter, BulletsAreWrittenForRichEditAndForReadersWithoutListSupport) {
  QTextDocument document;
  QTextCursor c(&document);
  QTextListFormat bullets;
  bullets.setStyle(QTextListFormat::ListDisc);
  c.createList(bullets);
  c.insertText("item");
  const QByteArray rtf = RtfWriter::write(document);
  EXPECT_TRUE(rtf.contains("{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1"));
  EXPECT_TRUE(rtf.contains("\\fcharset2 Symbol;"));
}

}  // namespace
}  // namespace qp
