// IniFile: the Windows INI layout on disk, reading it back, and keeping the
// file whole when a writer is killed.
#include "components/IniFile.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using qp::IniFile;

class IniFileTest : public ::testing::Test {
 protected:
  QString path() const { return dir_.filePath(QStringLiteral("Config.cfg")); }
  void put(const QByteArray& bytes) {
    QFile f(path());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  QByteArray bytes() const {
    QFile f(path());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  QTemporaryDir dir_;
};

TEST_F(IniFileTest, NewFileHasTheWindowsLayoutWithCrlf) {
  IniFile ini(path());
  ASSERT_TRUE(ini.writeBool("Configuration", "BackupFiles", false));
  ASSERT_TRUE(ini.writeBool("Configuration", "EnableSounds", true));
  ASSERT_TRUE(ini.writeInteger("Reminder", "RepeatInterval", 10));
  ASSERT_TRUE(ini.writeString("Reminder", "SoundFile", "C:\\Quillpad\\Reminder.wav"));
  EXPECT_EQ(bytes(),
            "[Configuration]\r\nBackupFiles=0\r\nEnableSounds=1\r\n\r\n"
            "[Reminder]\r\nRepeatInterval=10\r\nSoundFile=C:\\Quillpad\\Reminder.wav\r\n");
}

TEST_F(IniFileTest, CrlfLfAndCrLineEndsReadAlike) {
  for (const char* eol : {"\r\n", "\n", "\r"}) {
    const QByteArray e(eol);
    put("; comment" + e + "[Status]" + e + "TerminatedOK = 0" + e + "LastPacked=26" + e + e +
        "[Screens]" + e + "FrmTemplate=0,1,-1,-1,-1,-1,10,20,30,40");
    const IniFile ini(path());
    SCOPED_TRACE(QByteArray(eol).toHex().toStdString());
    EXPECT_FALSE(ini.readBool("Status", "TerminatedOK", true));
    EXPECT_EQ(ini.readInteger("Status", "LastPacked", 0), 26);
    EXPECT_EQ(ini.readString("Screens", "FrmTemplate"), "0,1,-1,-1,-1,-1,10,20,30,40");
    EXPECT_EQ(ini.sections(), QStringList({"Status", "Screens"}));
  }
}

TEST_F(IniFileTest, SectionsAndKeysMatchWithoutRegardToCase) {
  put("[Status]\r\nTerminatedOK=1\r\n");
  IniFile ini(path());
  EXPECT_TRUE(ini.readBool("STATUS", "terminatedok", false));
  ASSERT_TRUE(ini.writeBool("status", "TERMINATEDOK", false));
  // The existing spelling is kept and no second key appears.
  EXPECT_EQ(bytes(), "[Status]\r\nTerminatedOK=0\r\n");
}

TEST_F(IniFileTest, WritingOneKeyLeavesEveryOtherByteAlone) {
  const QByteArray before =
      "; written by hand\n[Configuration]\nBackupFiles=1\nEmptyTrash = 1\n\n"
      "[Unknown]\r\nWhatever=x y z\r\n\r\n[Status]\nLastPacked=3";
  put(before);
  IniFile ini(path());
  ASSERT_TRUE(ini.writeInteger("Status", "LastPacked", 4));
  QByteArray expected = before;
  expected.replace("LastPacked=3", "LastPacked=4");
  EXPECT_EQ(bytes(), expected);

  // A new key joins its section before the blank line that ends it.
  ASSERT_TRUE(ini.writeBool("Configuration", "EnableURL", false));
  expected.replace("EmptyTrash = 1\n", "EmptyTrash = 1\nEnableURL=0\r\n");
  EXPECT_EQ(bytes(), expected);

  // A new section goes at the end, after the unterminated last line.
  ASSERT_TRUE(ini.writeInteger("Reminder", "SnoozeInterval", 5));
  expected += "\r\n\r\n[Reminder]\r\nSnoozeInterval=5\r\n";
  EXPECT_EQ(bytes(), expected);
}

TEST_F(IniFileTest, AbsentKeysAndUnreadableNumbersGiveTheDefault) {
  IniFile ini(path());  // no file at all yet
  EXPECT_EQ(ini.readString("Reminder", "SoundFile", "dflt"), "dflt");
  EXPECT_TRUE(ini.readBool("Status", "TerminatedOK", true));
  put("[Reminder]\nRepeatInterval=ten\nSnoozeInterval=\nHuge=99999999999\nPart=12abc\n");
  EXPECT_EQ(ini.readInteger("Reminder", "RepeatInterval", 10), 10);
  EXPECT_EQ(ini.readInteger("Reminder", "SnoozeInterval", 5), 5);
  EXPECT_EQ(ini.readInteger("Reminder", "Huge", 7), 7);
  EXPECT_EQ(ini.readInteger("Reminder", "Part", 7), 7);
  EXPECT_EQ(ini.readInteger("Reminder", "Missing", -1), -1);
  EXPECT_EQ(ini.readInteger("Other", "RepeatInterval", 3), 3);
  // A present but empty value is a value, not an absent key.
  EXPECT_EQ(ini.readString("Reminder", "SnoozeInterval", "dflt"), "");
}

TEST_F(IniFileTest, NumbersAndBooleansReadAsTheirText) {
  struct Case {
    const char* text;
    int as_int;   // default 77 when unreadable
    int as_bool;  // 0, 1, or 2 for "default"
  };
  const Case cases[] = {
      {"0", 0, 0},       {"1", 1, 1},         {"-5", -5, 1},   {" 42 ", 42, 1},
      {"0x1F", 31, 1},   {"$10", 16, 1},      {"true", 77, 1}, {"False", 77, 0},
      {"yes", 77, 2},    {"-2147483648", INT_MIN, 1},          {"2147483648", 77, 2},
  };
  IniFile ini(path());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    put(QByteArray("[S]\r\nK=") + c.text + "\r\n");
    EXPECT_EQ(ini.readInteger("S", "K", 77), c.as_int);
    EXPECT_EQ(ini.readBool("S", "K", true), c.as_bool != 0);
    EXPECT_EQ(ini.readBool("S", "K", false), c.as_bool == 1);
  }
}

TEST_F(IniFileTest, ValuesReadBackExactlyAsWritten) {
  const QString values[] = {"",           " leading",    "trailing ",   "\"quoted\"", "'single'",
                            "\"",         "a=b=c",       ";not a note", "[not a section]",
                            "Caf\u00e9 \u20ac", "  both  ", "x\"y\"",      "\"\""};
  IniFile ini(path());
  for (const QString& v : values) {
    SCOPED_TRACE(v.toStdString());
    ASSERT_TRUE(ini.writeString("Reminder", "SoundFile", v));
    EXPECT_EQ(ini.readString("Reminder", "SoundFile", "absent"), v);
  }
}

TEST_F(IniFileTest, TextIsWindows1252OnDisk) {
  IniFile ini(path());
  ASSERT_TRUE(ini.writeString("R", "K", QString::fromUtf8("Caf\u00e9 \u20ac \u65e5")));
  EXPECT_EQ(bytes(), "[R]\r\nK=Caf\xe9 \x80 ?\r\n");
  // Every byte reads as some character and writes back as the same byte.
  QByteArray all;
  for (int b = 0x20; b < 0x100; ++b) all.append(static_cast<char>(b));
  EXPECT_EQ(IniFile::encodeWindows1252(IniFile::decodeWindows1252(all)), all);
}

TEST_F(IniFileTest, TextThatWouldBreakTheFileIsRefused) {
  struct Case {
    const char* name;
    QString section, key, value;
  };
  const Case cases[] = {
      {"key with =", "S", "a=b", "v"},      {"empty key", "S", "", "v"},
      {"key like a section", "S", "[x", "v"}, {"key like a comment", "S", ";x", "v"},
      {"section with ]", "S]x", "k", "v"},  {"line break in value", "S", "k", "one\r\ntwo"},
      {"line break in key", "S", "k\nj", "v"}, {"line break in section", "S\n", "k", "v"},
  };
  put("[S]\r\nk=old\r\n");
  IniFile ini(path());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(ini.writeString(c.section, c.key, c.value));
    EXPECT_FALSE(ini.errorString().isEmpty());
    EXPECT_EQ(bytes(), "[S]\r\nk=old\r\n");
  }
}

TEST_F(IniFileTest, FirstOfRepeatedSectionsAndKeysWins) {
  put("[A]\nk=1\nk=2\n[a]\nk=3\nj=4\n");
  IniFile ini(path());
  EXPECT_EQ(ini.readInteger("A", "k", 0), 1);
  EXPECT_EQ(ini.readInteger("A", "j", 0), 0);
  ASSERT_TRUE(ini.writeInteger("a", "K", 9));
  EXPECT_EQ(bytes(), "[A]\nk=9\nk=2\n[a]\nk=3\nj=4\n");
}

TEST_F(IniFileTest, DeletingKeepsTheRest) {
  put("[A]\r\nx=1\r\ny=2\r\n\r\n[B]\r\nz=3\r\n");
  IniFile ini(path());
  ASSERT_TRUE(ini.deleteKey("a", "X"));
  EXPECT_EQ(bytes(), "[A]\r\ny=2\r\n\r\n[B]\r\nz=3\r\n");
  ASSERT_TRUE(ini.eraseSection("A"));
  EXPECT_EQ(bytes(), "[B]\r\nz=3\r\n");
  EXPECT_TRUE(ini.deleteKey("Missing", "k"));
}

TEST_F(IniFileTest, FailedWriteIsReported) {
  IniFile ini(dir_.filePath(QStringLiteral("no/such/folder/Config.cfg")));
  EXPECT_FALSE(ini.writeBool("Status", "TerminatedOK", true));
  EXPECT_FALSE(ini.errorString().isEmpty());
}

// The helper saves Payload = 60000 x letter(n), then Counter = n, for n = 1,
// 2, ... Whenever it is killed, the file must be one of those complete
// states, byte for byte, with the section it never writes intact.
TEST_F(IniFileTest, KillingAWriterLeavesTheOldOrTheNewCompleteFile) {
  const QByteArray keep = "[Other]\r\nKeep=1\r\n";
  for (int round = 0; round < 25; ++round) {
    SCOPED_TRACE(round);
    put(keep);
    QProcess writer;
    writer.start(QStringLiteral(QP_COMPONENTS_HELPER), {QStringLiteral("inisave"), path()});
    const QByteArray wanted = "saved " + QByteArray::number(1 + round % 5 * 3) + "\n";
    QByteArray out;
    QDeadlineTimer deadline(20000);
    while (!out.contains(wanted) && !deadline.hasExpired() && writer.state() != QProcess::NotRunning) {
      writer.waitForReadyRead(100);
      out += writer.readAllStandardOutput();
    }
    ASSERT_TRUE(out.contains(wanted)) << writer.readAllStandardError().toStdString();
    writer.kill();
    ASSERT_TRUE(writer.waitForFinished(20000));

    const IniFile ini(path());
    const QString payload = ini.readString("Data", "Payload");
    ASSERT_EQ(payload.size(), 60000);
    const int counter = ini.readInteger("Data", "Counter", 0);
    const int n = (payload[0].unicode() - u'a' - counter % 26 + 26) % 26 == 0 ? counter : counter + 1;
    ASSERT_EQ(payload, QString(60000, QChar(u'a' + n % 26)));
    QByteArray expected = keep + "\r\n[Data]\r\nPayload=" + payload.toLatin1() + "\r\n";
    if (counter > 0) expected += "Counter=" + QByteArray::number(counter) + "\r\n";
    EXPECT_EQ(bytes(), expected);
  }
}

}  // namespace
