#include "app/model/Preferences.h"

#include "app/model/ProgramFolder.h"
#include "components/IniFile.h"

namespace qp {

Preferences LoadPreferences(const QString& configFile, const QString& contentFolder) {
  const IniFile ini(configFile);
  Preferences p;
  const QString conf = QStringLiteral("Configuration");
  const QString rem = QStringLiteral("Reminder");
  p.backupFiles = ini.readBool(conf, "BackupFiles", false);
  p.emptyTrash = ini.readBool(conf, "EmptyTrash", false);
  p.enableSounds = ini.readBool(conf, "EnableSounds", true);
  p.enableUrl = ini.readBool(conf, "EnableURL", true);
  p.enableTaskbarIcon = ini.readBool(conf, "EnableTaskbarIcon", true);
  p.playSound = ini.readBool(rem, "PlaySound", true);
  p.soundFile = ini.readString(rem, "SoundFile", SoundFileIn(contentFolder, "Reminder.wav"));
  p.repeatInterval = ini.readInteger(rem, "RepeatInterval", 10);
  p.snoozeInterval = ini.readInteger(rem, "SnoozeInterval", 5);
  p.reminderPosition = ini.readInteger(rem, "ReminderPosition", 4);
  return p;
}

}  // namespace qp
