// The markers of a template text, filled in when a note is made.
#include <QTextDocument>
#include <gtest/gtest.h>

#include "app/model/Placeholders.h"

namespace qp {
namespace {

const QDateTime kNow(QDate(2026, 12, 11), QTime(14, 5, 9));
const QLocale kLocale(QLocale::English, QLocale::UnitedStates);

QString Filled(const QString& text, int* caret = nullptr) {
  QTextDocument doc;
  doc.setPlainText(text);
  const int at = ReplacePlaceholders(doc, kNow, kLocale);
  if (caret) *caret = at;
  return doc.toPlainText();
}

TEST(Placeholders, EachMarkerIsFilledAtItsFirstPlaceOnly) {
  const QString date = kLocale.toString(kNow.date(), QLocale::ShortFormat);
  const QString time = kLocale.toString(kNow.time(), QLocale::LongFormat);
  const struct {
    QString text;
    QString filled;
  } cases[] = {
      {"<DATE> and <DATE>", date + " and <DATE>"},
      {"<date> stays", "<date> stays"},
      {"At <TIME>", "At " + time},
      {"<LONGDATE>", "Friday, December 11, 2026"},
      {"no markers", "no markers"},
  };
  for (const auto& c : cases) EXPECT_EQ(Filled(c.text), c.filled) << c.text.toStdString();
}

TEST(Placeholders, TheCaretMarkerIsRemovedAndTheCaretGoesThere) {
  int caret = -1;
  EXPECT_EQ(Filled("Call <C>today", &caret), "Call today");
  EXPECT_EQ(caret, 5);
  EXPECT_EQ(Filled("Nothing here", &caret), "Nothing here");
  EXPECT_EQ(caret, 0);
  // <C> counts after the dates were filled in.
  EXPECT_EQ(Filled("<LONGDATE>: <C>", &caret), "Friday, December 11, 2026: ");
  EXPECT_EQ(caret, 27);
}

}  // namespace
}  // namespace qp
