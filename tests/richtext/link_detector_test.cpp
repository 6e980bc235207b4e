// What automatic URL detection marks as a link, and what it leaves alone.
#include <gtest/gtest.h>

#include "RichTextTestUtil.h"
#include "richtext/LinkDetector.h"

namespace qp {
namespace {

struct LinkCase {
  const char* text;
  std::vector<std::pair<const char*, const char*>> links;  // matched text, URL
};

void PrintTo(const LinkCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class LinkDetection : public ::testing::TestWithParam<LinkCase> {};

TEST_P(LinkDetection, FindsTheExpectedLinks) {
  const QString text = QString::fromUtf8(GetParam().text);
  const QList<DetectedLink> found = detectLinks(text);
  ASSERT_EQ(size_t(found.size()), GetParam().links.size()) << GetParam().text;
  for (size_t i = 0; i < GetParam().links.size(); ++i) {
    EXPECT_EQ(text.mid(found[qsizetype(i)].start, found[qsizetype(i)].length),
              QString::fromUtf8(GetParam().links[i].first));
    EXPECT_EQ(found[qsizetype(i)].url, QString::fromUtf8(GetParam().links[i].second));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LinkDetection,
    ::testing::Values(
        LinkCase{"see http://example.com/a?b=1.", {{"http://example.com/a?b=1", "http://example.com/a?b=1"}}},
        LinkCase{"(https://x.org/wiki/Foo_(bar)) and (www.qt.io).",
                 {{"https://x.org/wiki/Foo_(bar)", "https://x.org/wiki/Foo_(bar)"},
                  {"www.qt.io", "http://www.qt.io"}}},
        LinkCase{"mail joe.bloggs@example.co.uk, or mailto:ann@x.org!",
                 {{"joe.bloggs@example.co.uk", "mailto:joe.bloggs@example.co.uk"},
                  {"mailto:ann@x.org", "mailto:ann@x.org"}}},
        LinkCase{"FTP://files.example.com/x file:///tmp/a.txt",
                 {{"FTP://files.example.com/x", "FTP://files.example.com/x"},
                  {"file:///tmp/a.txt", "file:///tmp/a.txt"}}},
        LinkCase{"no links: http:// alone, a@b, www. and example.com", {}},
        LinkCase{"", {}}));

}  // namespace
}  // namespace qp
