// The search's fast RTF-to-text reading against what the notes hold: the
// body text only, line breaks, code page and Unicode escapes, and the groups
// that carry no text. RtfReader, the full reader, is the reference.
#include <QTextDocument>
#include <gtest/gtest.h>

#include "app/model/RtfPlainText.h"
#include "richtext/RtfReader.h"

namespace qp {
namespace {

TEST(RtfPlainText, KeepsTheBodyTextAndDropsEverythingElse) {
  const struct {
    const char* name;
    const char* rtf;
    const char* text;
  } cases[] = {
      {"plain run", "{\\rtf1 Hello world}", "Hello world"},
      {"paragraphs and lines", "{\\rtf1 one\\par two\\line three\\par}", "one\ntwo\nthree"},
      {"font and colour tables",
       "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Sans Serif;}}{\\colortbl;\\red255\\green0\\blue0;}\\f0\\fs20 body}",
       "body"},
      {"hex escapes in 1252", "{\\rtf1\\ansi caf\\'e9 \\'80}", "café €"},
      {"unicode with fallback", "{\\rtf1\\uc1 Zo\\u235?, \\uc2\\u8364xx!}", "Zoë, €!"},
      {"starred destinations", "{\\rtf1{\\*\\generator Riched20;}{\\*\\unknown junk}text}", "text"},
      {"fields show their result only",
       "{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt link}}}", "link"},
      {"pictures", "{\\rtf1 a{\\pict\\pngblip 89504e47}b}", "ab"},
      {"escaped braces and backslash", "{\\rtf1 \\{x\\} \\\\ y}", "{x} \\ y"},
      {"tabs", "{\\rtf1 a\\tab b}", "a\tb"},
      {"binary data", "{\\rtf1 a{\\pict\\bin3 {}}}b}", "ab"},
      {"bold groups", "{\\rtf1 {\\b To do, 11 Dec}\\par\\par 1. milk\\par}", "To do, 11 Dec\n\n1. milk"},
      {"unbalanced and cut short", "{\\rtf1 half {\\b bold", "half bold"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(RtfPlainText(QByteArray(c.rtf)), QString::fromUtf8(c.text));
  }
}

TEST(RtfPlainText, AgreesWithTheFullReaderOnTheTemplatesText) {
  const char* samples[] = {
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Sans Serif;}}\\f0\\fs20 {\\b Phone message} 1/2/2026 9:05\\par "
      "From: Ann\\par Number: \\par Message: \\par}",
      "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}}{\\colortbl ;\\red0\\green0\\blue255;}\\cf1 Cr\\'e8me "
      "br\\'fbl\\'e9e\\cf0\\par second line\\par}",
  };
  for (const char* rtf : samples) {
    QTextDocument document;
    RtfReader reader;
    ASSERT_TRUE(reader.read(QByteArray(rtf), document));
    EXPECT_EQ(RtfPlainText(QByteArray(rtf)).simplified(), document.toPlainText().simplified()) << rtf;
  }
}

}  // namespace
}  // namespace qp
