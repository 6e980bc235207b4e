// Config.cfg's preferences read and written back, the interval boxes'
// reading, and the start-at-login entry's place and text.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/model/Autostart.h"
#include "app/model/Preferences.h"
#include "components/IniFile.h"

namespace qp {
namespace {

TEST(PreferencesTest, IntervalBoxesReadAsTheirLeadingNumber) {
  const struct {
    const char* text;
    int number, repeat, snooze;
  } cases[] = {
      {"10", 10, 10, 10}, {"-3", -3, 0, 1}, {"0", 0, 0, 1},     {"", 0, 0, 1},      {"abc", 0, 0, 1},
      {"12x", 12, 12, 12}, {" 7 ", 7, 7, 7}, {"+4", 4, 4, 4},    {"-", 0, 0, 1},     {"9999", 9999, 9999, 9999},
      {"99999999999", 2147483647, 2147483647, 2147483647},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LeadingInteger(c.text), c.number) << c.text;
    EXPECT_EQ(RepeatMinutesFromText(c.text), c.repeat) << c.text;
    EXPECT_EQ(SnoozeMinutesFromText(c.text), c.snooze) << c.text;
  }
}

TEST(PreferencesTest, WhatIsSavedLoadsBackAndAbsentKeysReadAsDefaults) {
  QTemporaryDir dir;
  const QString file = dir.filePath("Config.cfg");
  Preferences fresh = LoadPreferences(file, "/content/");
  EXPECT_TRUE(fresh.loadAtStartup);
  EXPECT_EQ(fresh.soundFile, "/content/Reminder.wav");
  EXPECT_EQ(fresh.reminderPosition, 4);
  EXPECT_EQ(LoadPreferences(file, "/content/", 3).reminderPosition, 3);

  Preferences p;
  p.loadAtStartup = false;
  p.backupFiles = true;
  p.emptyTrash = true;
  p.enableSounds = false;
  p.enableUrl = false;
  p.enableTaskbarIcon = false;
  p.playSound = false;
  p.soundFile = " /sounds/bell chime.wav";
  p.repeatInterval = 0;
  p.snoozeInterval = 15;
  p.reminderPosition = 1;
  ASSERT_TRUE(SavePreferences(file, p));
  const Preferences back = LoadPreferences(file, "/content/");
  EXPECT_EQ(back.loadAtStartup, false);
  EXPECT_EQ(back.backupFiles, true);
  EXPECT_EQ(back.emptyTrash, true);
  EXPECT_EQ(back.enableSounds, false);
  EXPECT_EQ(back.enableUrl, false);
  EXPECT_EQ(back.enableTaskbarIcon, false);
  EXPECT_EQ(back.playSound, false);
  EXPECT_EQ(back.soundFile, p.soundFile);
  EXPECT_EQ(back.repeatInterval, 0);
  EXPECT_EQ(back.snoozeInterval, 15);
  EXPECT_EQ(back.reminderPosition, 1);
  // Booleans are stored as 1 and 0, as other versions read them.
  EXPECT_EQ(IniFile(file).readString("Configuration", "BackupFiles"), "1");
  EXPECT_EQ(IniFile(file).readString("Configuration", "LoadAtStartup"), "0");
}

TEST(PreferencesTest, ASoundFileNameThatWouldBreakTheFileIsRefusedWithAReason) {
  QTemporaryDir dir;
  const QString file = dir.filePath("Config.cfg");
  Preferences p;
  p.soundFile = "two\nlines.wav";
  QString error;
  EXPECT_FALSE(SavePreferences(file, p, &error));
  EXPECT_FALSE(error.isEmpty());
}

class AutostartTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = qgetenv("XDG_CONFIG_HOME"); }
  void TearDown() override { qputenv("XDG_CONFIG_HOME", saved_); }
  QByteArray saved_;
};

TEST_F(AutostartTest, TheEntryGoesToTheUsersConfigurationFolder) {
  qputenv("XDG_CONFIG_HOME", "/tmp/cfg");
  EXPECT_EQ(AutostartEntryPath(), "/tmp/cfg/autostart/quillpad.desktop");
  for (const char* ignored : {"", "relative/cfg"}) {
    qputenv("XDG_CONFIG_HOME", ignored);
    EXPECT_EQ(AutostartEntryPath(), QDir::homePath() + "/.config/autostart/quillpad.desktop") << ignored;
  }
}

TEST_F(AutostartTest, TheExecLineRunsThisProgramWhateverItsPath) {
  const struct {
    const char* path;
    const char* exec;
  } cases[] = {
      {"/usr/bin/quillpad", "Exec=/usr/bin/quillpad\n"},
      {"/opt/my apps/quillpad", "Exec=\"/opt/my apps/quillpad\"\n"},
      {"/opt/$HOME/quillpad", "Exec=\"/opt/\\\\$HOME/quillpad\"\n"},
      {"/opt/a\"b/quillpad", "Exec=\"/opt/a\\\\\"b/quillpad\"\n"},
  };
  for (const auto& c : cases) {
    const QString text = AutostartEntryText(c.path);
    EXPECT_TRUE(text.contains(c.exec)) << c.path << "\n" << text.toStdString();
  }
}

}  // namespace
}  // namespace qp
