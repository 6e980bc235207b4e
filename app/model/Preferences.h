#pragma once
// The preferences kept in [Configuration] and [Reminder] of Config.cfg:
// which optional work the shutdown does, how note windows and reminders
// behave, and whether the program starts with the user's session.
#include <QString>

namespace qp {

struct Preferences {
  bool loadAtStartup = true;       // start with the session (autostart entry)
  bool backupFiles = false;        // back up the notes table at shutdown
  bool emptyTrash = false;         // empty and pack the trash at shutdown
  bool enableSounds = true;        // collapse and expand sounds
  bool enableUrl = true;           // link detection in note text
  bool enableTaskbarIcon = true;   // see README: notes in the task bar
  bool playSound = true;           // reminder sound
  QString soundFile;               // reminder sound file
  int repeatInterval = 10;         // minutes between reminder sounds; 0 = once
  int snoozeInterval = 5;          // minutes an alarm stays snoozed
  int reminderPosition = 4;        // alarm corner: 0..3, else the usual place
};

// Reads [Configuration] and [Reminder] of `configFile`; absent keys read as
// their defaults, the sound file as `contentFolder` + "Reminder.wav". An
// absent ReminderPosition reads as `absentPosition`: the alarm window puts
// itself at its usual place (4), the configuration dialog offers the
// bottom right corner (3).
Preferences LoadPreferences(const QString& configFile, const QString& contentFolder, int absentPosition = 4);

// Writes every key LoadPreferences reads. False, with `error` set, when the
// file cannot be written; keys written before the failure stay written.
bool SavePreferences(const QString& configFile, const Preferences& preferences, QString* error = nullptr);

// What the repeat and snooze boxes of the configuration dialog store: their
// text read as an integer (leading blanks and a sign allowed, then the
// leading digits; no digits read as 0), a repeat of 0 or less as 0 (no
// replay) and a snooze of 0 or less as 1 minute.
int LeadingInteger(const QString& text);
int RepeatMinutesFromText(const QString& text);
int SnoozeMinutesFromText(const QString& text);

}  // namespace qp
