#pragma once
// The preferences the program reads from Config.cfg at start-up (and again
// after the configuration dialog): which optional work the shutdown does,
// and how note windows and reminders behave.
#include <QString>

namespace qp {

struct Preferences {
  bool backupFiles = false;        // back up the notes table at shutdown
  bool emptyTrash = false;         // empty and pack the trash at shutdown
  bool enableSounds = true;        // collapse and expand sounds
  bool enableUrl = true;           // link detection in note text
  bool enableTaskbarIcon = true;   // see README: notes in the task bar
  bool playSound = true;           // reminder sound
  QString soundFile;               // reminder sound file
  int repeatInterval = 10;         // minutes between reminder sounds
  int snoozeInterval = 5;          // minutes an alarm stays snoozed
  int reminderPosition = 4;        // alarm corner: 0..3, else the usual place
};

// Reads [Configuration] and [Reminder] of `configFile`; absent keys read as
// their defaults, the sound file as the installed "Reminder.wav" of
// `contentFolder` (see SoundFileIn).
Preferences LoadPreferences(const QString& configFile, const QString& contentFolder);

}  // namespace qp
