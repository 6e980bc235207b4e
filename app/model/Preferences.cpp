#include "app/model/Preferences.h"

#include <algorithm>
#include <limits>

#include "components/IniFile.h"

namespace qp {

namespace {

const QString kConf = QStringLiteral("Configuration");
const QString kRem = QStringLiteral("Reminder");

}  // namespace

Preferences LoadPreferences(const QString& configFile, const QString& contentFolder, int absentPosition) {
  const IniFile ini(configFile);
  Preferences p;
  p.loadAtStartup = ini.readBool(kConf, "LoadAtStartup", true);
  p.backupFiles = ini.readBool(kConf, "BackupFiles", false);
  p.emptyTrash = ini.readBool(kConf, "EmptyTrash", false);
  p.enableSounds = ini.readBool(kConf, "EnableSounds", true);
  p.enableUrl = ini.readBool(kConf, "EnableURL", true);
  p.enableTaskbarIcon = ini.readBool(kConf, "EnableTaskbarIcon", true);
  p.playSound = ini.readBool(kRem, "PlaySound", true);
  p.soundFile = ini.readString(kRem, "SoundFile", contentFolder + "Reminder.wav");
  p.repeatInterval = ini.readInteger(kRem, "RepeatInterval", 10);
  p.snoozeInterval = ini.readInteger(kRem, "SnoozeInterval", 5);
  p.reminderPosition = ini.readInteger(kRem, "ReminderPosition", absentPosition);
  return p;
}

bool SavePreferences(const QString& configFile, const Preferences& p, QString* error) {
  IniFile ini(configFile);
  const bool ok = ini.writeBool(kConf, "LoadAtStartup", p.loadAtStartup) &&
                  ini.writeBool(kConf, "BackupFiles", p.backupFiles) &&
                  ini.writeBool(kConf, "EmptyTrash", p.emptyTrash) &&
                  ini.writeBool(kConf, "EnableSounds", p.enableSounds) &&
                  ini.writeBool(kConf, "EnableURL", p.enableUrl) &&
                  ini.writeBool(kConf, "EnableTaskbarIcon", p.enableTaskbarIcon) &&
                  ini.writeBool(kRem, "PlaySound", p.playSound) && ini.writeString(kRem, "SoundFile", p.soundFile) &&
                  ini.writeInteger(kRem, "RepeatInterval", p.repeatInterval) &&
                  ini.writeInteger(kRem, "SnoozeInterval", p.snoozeInterval) &&
                  ini.writeInteger(kRem, "ReminderPosition", p.reminderPosition);
  if (!ok && error) *error = ini.errorString();
  return ok;
}

int LeadingInteger(const QString& text) {
  const QString t = text.trimmed();
  int i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
  qint64 value = 0;
  for (; i < t.size() && t[i].isDigit() && t[i].unicode() < 128; ++i) {
    value = value * 10 + (t[i].unicode() - '0');
    // The boxes take four characters; a longer text from elsewhere is held
    // at the largest int rather than wrapping round.
    if (value > std::numeric_limits<int>::max()) value = std::numeric_limits<int>::max();
  }
  return static_cast<int>(negative ? -value : value);
}

int RepeatMinutesFromText(const QString& text) { return std::max(0, LeadingInteger(text)); }

int SnoozeMinutesFromText(const QString& text) {
  const int minutes = LeadingInteger(text);
  return minutes <= 0 ? 1 : minutes;
}

}  // namespace qp
