// The small store routines: time and date texts, template placement and
// names, file copy, and the mail link.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "app/model/Mailto.h"
#include "app/model/NoteFuncs.h"
#include "app/model/ProgramFolder.h"

namespace qp {
namespace {

TEST(TimeText, WritesAndReadsHourAndMinuteWithoutLeadingZeros) {
  EXPECT_EQ(TimeToText(QTime(9, 5)), "9:5");
  EXPECT_EQ(TimeToText(QTime(14, 30, 59)), "14:30");
  EXPECT_EQ(TimeToText(QTime(0, 0)), "0:0");
  const struct {
    const char* text;
    QTime time;
  } cases[] = {
      {"9:5", QTime(9, 5)},          {"9:5       ", QTime(9, 5)}, {"09:05", QTime(9, 5)},
      {"14:30", QTime(14, 30)},      {"23:59", QTime(23, 59)},    {"45", QTime(0, 45)},
      {"", QTime(0, 0)},             {"7:3x", QTime(7, 3)},
  };
  for (const auto& c : cases) EXPECT_EQ(TextToTime(c.text), c.time) << c.text;
  for (const char* impossible : {"24:00", "12:60", "99:99"}) EXPECT_FALSE(TextToTime(impossible).isValid()) << impossible;
}

TEST(DateKey, GivesTheDateOrNoneForAnImpossibleOne) {
  EXPECT_EQ(DateKeyToDate("20000229"), QDate(2000, 2, 29));
  EXPECT_EQ(DateKeyToDate("20261211"), QDate(2026, 12, 11));
  for (const char* bad : {"20010229", "20261301", "        ", "2026121", "2026x211"})
    EXPECT_FALSE(DateKeyToDate(bad).isValid()) << bad;
}

TEST(TemplatePlacement, PutsTheNoteWhereItsPositionCodeSays) {
  const QSize note(137, 128);
  const QSize screen(1024, 768);
  const struct {
    int code;
    QPoint at;
  } cases[] = {
      {0, {444, 320}},  // (1024-137)/2 = 443.5 rounds to even 444
      {1, {0, 0}},
      {2, {887, 0}},
      {3, {0, 640}},
      {4, {887, 640}},
      {7, {7, 0}},
  };
  for (const auto& c : cases) EXPECT_EQ(TemplatePosition(c.code, note, screen), c.at) << c.code;
  EXPECT_EQ(TemplatePosition(0, QSize(100, 100), QSize(1001, 700)).x(), 450);  // 450.5 -> 450
}

TEST(TemplateNames, NotSetOnlyForTheTemplatesOwnNumber) {
  EXPECT_TRUE(IsTemplateUnused("Template 3 - Not Set", 3));
  EXPECT_FALSE(IsTemplateUnused("Template 3 - Not Set", 4));
  EXPECT_FALSE(IsTemplateUnused("Template 03 - Not Set", 3));
  EXPECT_FALSE(IsTemplateUnused("Shopping", 3));
}

TEST(CopyDataFile, CopiesTheWholeFileAndReportsFailure) {
  QTemporaryDir dir;
  const QString source = dir.filePath("Notes.dbf");
  QByteArray content(200000, 'x');
  content[12345] = '\0';
  QFile f(source);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(content);
  f.close();
  ASSERT_TRUE(CopyDataFile(source, dir.filePath("copy.dbf")));
  QFile copy(dir.filePath("copy.dbf"));
  ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
  EXPECT_EQ(copy.readAll(), content);
  EXPECT_FALSE(CopyDataFile(dir.filePath("missing.dbf"), dir.filePath("other.dbf")));
  EXPECT_FALSE(QFile::exists(dir.filePath("other.dbf")));
  EXPECT_FALSE(CopyDataFile(source, dir.filePath("no/such/folder/x.dbf")));
}

TEST(ProgramFiles, OneFileWhateverCaseTheNameIsWrittenIn) {
  QTemporaryDir dir;
  const QString folder = dir.path() + "/";
  EXPECT_EQ(fileIn(folder, "Config.cfg"), folder + "Config.cfg");  // none yet: as written
  QFile(folder + "config.cfg").open(QIODevice::WriteOnly);
  EXPECT_EQ(fileIn(folder, "Config.cfg"), folder + "config.cfg");
  QDir(folder).mkdir("backup");
  QFile(folder + "backup/notes.dbf").open(QIODevice::WriteOnly);
  EXPECT_EQ(fileIn(folder, "Backup/Notes.dbf"), folder + "backup/notes.dbf");
  EXPECT_EQ(fileIn(folder, "Backup/Notes.dbt"), folder + "backup/Notes.dbt");
}

TEST(Mailto, CarriesTheWholeTextPercentEncoded) {
  const QUrl url = MailtoUrl("Milk & eggs #2? 50%\nBread");
  EXPECT_TRUE(url.isValid());
  EXPECT_EQ(url.scheme(), "mailto");
  const QByteArray encoded = url.toEncoded();
  EXPECT_EQ(encoded, "mailto:?body=Milk%20%26%20eggs%20%232%3F%2050%25%0D%0ABread");
  // Nothing of the text is taken for another part of the link.
  EXPECT_TRUE(url.fragment().isEmpty());
  EXPECT_EQ(url.query(QUrl::FullyDecoded), "body=Milk & eggs #2? 50%\r\nBread");
}

}  // namespace
}  // namespace qp
